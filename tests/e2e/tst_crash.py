"""The collector killed outright at random moments of a run: the study file is
always whole records, nothing written before the kill is lost, and the next
start works."""

import os
import random
import struct
import sys
import time

from harness import Collector, Display, HEADER, RECORD, read_study, wait_for

KILLS = 20


def main(build_bin):
    rng = random.Random(int(os.environ.get("VT_CRASH_SEED", "4807")))
    display = Display()
    c = Collector(build_bin, display)
    study = c.path("Data Files", "Test-1.gd2")
    total = 0
    try:
        c.start_simulator("--rate", "10")
        for kill in range(KILLS):
            c.start()
            c.keys("Return")
            wait_for(lambda: os.path.exists(study), 20, "the study file")
            c.keys("r", pause=0)
            time.sleep(rng.uniform(0.3, 2.0))
            before = open(study, "rb").read()
            time.sleep(rng.uniform(0.0, 0.2))
            c.kill()

            data, records = read_study(study)
            assert (len(data) - HEADER) % RECORD == 0, ("torn record", kill, len(data))
            assert data.startswith(before[:HEADER + (len(before) - HEADER) // RECORD * RECORD]), \
                ("a record written before the kill changed", kill)
            for r in records:
                run, quality, mph, course, fix_time, lat, lon = r[:7]
                assert run == 1 and quality == 1 and 47.0 < lat < 49.0 and 11.0 < lon < 12.5, r
            total += len(records)
            os.replace(study, c.path("Data Files", "killed-%02d.gd2" % kill))
            assert len(open(c.path("Veltrip.bin"), "rb").read()) == 256
        print("crash: %d kills, %d records, every file whole" % (KILLS, total))
    finally:
        c.close()
        display.close()


if __name__ == "__main__":
    main(sys.argv[1])
