"""A study recorded by key presses alone, with a run direction chosen at the
wheel, checked field by field against the stream the simulated receiver sent:
Enter never stops a run, a delay number given by Tab, number, Enter reaches the
next record, and the Start/Stop button shows its colours exactly."""

import os
import struct
import sys
import time
from datetime import date

from harness import HEADER, PREFS, Model, read_study, same, session

RED, GREEN = "#ffc0c0", "#c0ffc0"


def run_direction_prefs(c):
    """Preferences of a first study with run-direction input on (all else as a first start)."""
    folder = c.data_folder().encode("cp1252")
    record = folder.ljust(78) + struct.pack("<h", 1) + b"Standard USB".ljust(64) + b" " * 20 \
        + struct.pack("<hhhi", 0, 0, -1, 4800)
    with open(c.path("Veltrip.bin"), "wb") as f:
        f.write(record.ljust(PREFS, b"\0"))
    return record.ljust(PREFS, b"\0")


def main(build_bin, session=session):
    """session: harness.session, or the same for the Windows build (tst_wine.py)."""
    with session(build_bin, "--rate", "1") as c:
        today = float((date.today() - date(1899, 12, 30)).days)  # as an OLE date
        prefs = run_direction_prefs(c)
        c.start()
        study = c.begin_study()
        time.sleep(2.5)  # the main window hears the receiver
        c.keys("Tab", "Down", "r", then=2)  # SB, and run 1
        c.keys("Return", then=2.2)  # e.g. meant for a delay number: the run goes on
        window = c.window()
        during = c.pixels(window)
        c.keys("n", then=1.6)  # node 1
        c.keys("Tab", "1", "2", "Return", then=2.2)  # delay number 12, and a record to carry it
        c.keys("r", then=1.2)  # stop
        after = c.pixels(window)
        c.keys("Tab", "Down", "r", then=1.6)  # NB, and run 2
        c.keys("n", then=2.8)  # the first record after a node still carries the old number
        c.keys("r", then=1.2)  # stop
        c.keys("e")  # end the study
        assert c.wait_end() == 0
        model = Model(c.sent())
        data, records = read_study(study)

    # Running, the window is green and only the Stop button red; stopped, the other way round.
    for shot, window, button in ((during, GREEN, RED), (after, RED, GREEN)):
        assert shot.get(window, 0) > 50000 and shot.get(button, 0) > 2000, (
            window, shot.get(window), button, shot.get(button))
    assert data[0:6] == b"\x02\x00\x01\x00\x02\x00" and data[14:16] == b"XX", data[:16]
    assert struct.unpack("<d", data[6:14])[0] == today
    assert data[16:HEADER] == prefs, "the header carries the preferences as loaded"
    assert len(records) >= 9, len(records)
    offsets = model.offsets(records[0])
    assert len(offsets) == 1, offsets
    offset = offsets.pop()
    by_time = {(w["time"] + offset) % 86400: w for w in model.writes
               if w["time"] is not None}
    for r in records:
        assert int(r[4]) == today, r
        seconds = round((r[4] % 1) * 86400)
        assert seconds in by_time and same(r, by_time[seconds], offset), (r, by_time.get(seconds))
    runs = [r[0] for r in records]
    assert runs == sorted(runs) and set(runs) == {1, 2}, runs  # Enter stopped none of them
    for run, direction in ((1, 1), (2, 2)):  # SB, NB
        nodes = [r[9] for r in records if r[0] == run]
        assert nodes[0] == 0 and nodes[-1] == 1 and nodes == sorted(nodes), nodes
        assert {r[11] for r in records if r[0] == run} == {direction}, (run, direction)
        times = [round((r[4] % 1) * 86400) for r in records if r[0] == run]
        steps = {(b - a) % 86400 for a, b in zip(times, times[1:])}
        assert steps <= {1}, ("records of a run follow the receiver cycle by cycle", steps)
    delays = [(r[0], r[10]) for r in records if r[10] != -1]
    assert delays == [(1, 12)], delays
    print("e2e: %d records in 2 runs checked against %d modelled records"
          % (len(records), len(model.writes)))


if __name__ == "__main__":
    main(sys.argv[1])
