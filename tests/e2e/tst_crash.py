"""The collector killed outright at random moments of a run: the study file is
always whole records, nothing written before the kill is lost, and the next
start works."""

import argparse
import os
import random
import time

from harness import HEADER, RECORD, read_study, session


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("build_bin")
    p.add_argument("--kills", type=int, default=5, help="kills (default 5; 20 for a long run)")
    p.add_argument("--seed", type=int, default=int(os.environ.get("VT_CRASH_SEED", "4807")))
    a = p.parse_args()
    rng = random.Random(a.seed)
    total = 0
    with session(a.build_bin, "--rate", "10") as c:
        for kill in range(a.kills):
            c.start()
            study = c.begin_study()
            c.keys("r", pause=0)
            time.sleep(rng.uniform(0.3, 2.0))
            before = open(study, "rb").read()
            time.sleep(rng.uniform(0.0, 0.2))
            c.kill()
            data, records = read_study(study)  # whole records only
            kept = HEADER + (len(before) - HEADER) // RECORD * RECORD
            assert data.startswith(before[:kept]), ("a record before the kill changed", kill)
            for r in records:
                assert r[0] == 1 and r[1] == 1 and 47 < r[5] < 49 and 11 < r[6] < 12.5, (kill, r)
            total += len(records)
            os.replace(study, c.path("Data Files", "killed-%02d.gd2" % kill))
            c.prefs()  # still whole
    print("crash: %d kills, %d records, every file whole" % (a.kills, total))


if __name__ == "__main__":
    main()
