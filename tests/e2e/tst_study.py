"""A study recorded by key presses alone, checked field by field against the
stream the simulated receiver sent."""

import struct
import sys
import time
from datetime import date

from harness import HEADER, Model, read_study, same, session


def main(build_bin, session=session):
    """session: harness.session, or the same for the Windows build (tst_wine.py)."""
    with session(build_bin, "--rate", "1") as c:
        today = float((date.today() - date(1899, 12, 30)).days)  # as an OLE date
        c.start()
        prefs = c.prefs()
        study = c.begin_study()
        time.sleep(2.5)  # the main window hears the receiver
        c.keys("r", then=2.2)  # run 1
        c.keys("n", then=1.6)  # node 1
        c.keys("Tab", "1", "2", "Return", then=2.2)  # delay number 12, and a record to carry it
        c.keys("r", then=1.2)  # stop
        c.keys("r", then=1.6)  # run 2
        c.keys("n", then=2.8)  # the first record after a node still carries the old number
        c.keys("r", then=1.2)  # stop
        c.keys("e")  # end the study
        assert c.wait_end() == 0
        model = Model(c.sent())
        data, records = read_study(study)

    assert data[0:6] == b"\x02\x00\x01\x00\x02\x00" and data[14:16] == b"XX", data[:16]
    assert struct.unpack("<d", data[6:14])[0] == today
    assert data[16:HEADER] == prefs, "the header carries the preferences as loaded"
    assert len(records) >= 6, len(records)
    offsets = model.offsets(records[0])
    assert len(offsets) == 1, offsets
    offset = offsets.pop()
    by_time = {(w["time"] + offset) % 86400: w for w in model.writes
               if w["time"] is not None}
    for r in records:
        assert int(r[4]) == today, r
        seconds = round((r[4] % 1) * 86400)
        assert seconds in by_time and same(r, by_time[seconds], offset), (r, by_time.get(seconds))
        assert r[11] == 0, ("run direction", r)
    runs = [r[0] for r in records]
    assert runs == sorted(runs) and set(runs) == {1, 2}, runs
    for run in (1, 2):
        nodes = [r[9] for r in records if r[0] == run]
        assert nodes[0] == 0 and nodes[-1] == 1 and nodes == sorted(nodes), nodes
        times = [round((r[4] % 1) * 86400) for r in records if r[0] == run]
        steps = {(b - a) % 86400 for a, b in zip(times, times[1:])}
        assert steps <= {1}, ("records of a run follow the receiver cycle by cycle", steps)
    delays = [(r[0], r[10]) for r in records if r[10] != -1]
    assert delays == [(1, 12)], delays
    print("e2e: %d records in 2 runs checked against %d modelled records"
          % (len(records), len(model.writes)))


if __name__ == "__main__":
    main(sys.argv[1])
