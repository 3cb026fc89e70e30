"""Keys at the wheel with a run direction chosen: Enter never stops a run, a
delay number given by Tab, number, Enter reaches the next record, and the
Start/Stop button shows its colours exactly."""

import os
import struct
import sys
import time

from harness import PREFS, read_study, session

RED, GREEN = "#ffc0c0", "#c0ffc0"


def run_direction_prefs(c):
    """Preferences of a first study with run-direction input on (all else as a first start)."""
    folder = (c.path("Data Files") + os.sep).encode()
    record = folder.ljust(78) + struct.pack("<h", 1) + b"Standard USB".ljust(64) + b" " * 20 \
        + struct.pack("<hhhi", 0, 0, -1, 4800)
    with open(c.path("Veltrip.bin"), "wb") as f:
        f.write(record.ljust(PREFS, b"\0"))


def main(build_bin):
    with session(build_bin, "--rate", "1") as c:
        run_direction_prefs(c)
        c.start()
        study = c.begin_study()
        time.sleep(2.5)  # the main window hears the receiver
        c.keys("Tab", "Down", "r", then=2)  # SB, and a run
        c.keys("Return", then=2.2)  # e.g. meant for a delay number: the run goes on
        window = c.window()
        during = c.pixels(window)
        c.keys("r", then=1.2)  # stop
        after = c.pixels(window)
        c.keys("Tab", "Down", "r", "Tab", "7", "Return", then=2.2)  # NB, a run, delay 7
        c.keys("r", then=1.2)  # stop
        _, records = read_study(study)  # each record is written as it comes

    # Running, the window is green and only the Stop button red; stopped, the other way round.
    for shot, window, button in ((during, GREEN, RED), (after, RED, GREEN)):
        assert shot.get(window, 0) > 50000 and shot.get(button, 0) > 2000, (
            window, shot.get(window), button, shot.get(button))
    runs = {n: [(r[11], r[10]) for r in records if r[0] == n] for n in {r[0] for r in records}}
    assert sorted(runs) == [1, 2], ("runs", sorted(runs))  # Enter stopped none of them
    assert len(runs[1]) >= 4 and set(runs[1]) == {(1, -1)}, runs[1]  # SB, no delay
    delays = [delay for direction, delay in runs[2] if direction == 2]  # NB
    assert len(delays) == len(runs[2]) and delays.count(7) == 1 and delays[-1] == -1, runs[2]
    print("e2e: direction chosen, Enter and a delay number at the wheel; %d records" % len(records))


if __name__ == "__main__":
    main(sys.argv[1])
