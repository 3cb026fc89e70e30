#!/usr/bin/env python3
"""Any receiver log through the real collector, checked against the recording rules.

    tests/e2e/replay_log.py BUILD_BIN LOG [--receiver NAME] [--rate HZ] [--seconds S]

The simulated receiver replays LOG in a loop (cycle by cycle, at HZ cycles a
second) into the collector under Xvfb. The receiver model is written into the
preferences before the study is set up; R starts a run, and after S seconds R
stops it and E ends the program. Every record of the run except the first
(which may carry values decoded before the run began) must equal what the
rules (harness.Model, written independently of the program) make of the
stream the simulator sent, record for record. Prints the records checked;
exits non-zero at the first difference."""

import argparse
import os
import sys
import time

sys.dont_write_bytecode = True  # a user's run leaves nothing beside the script
from harness import Model, read_study, same, session  # noqa: E402

TRIGGERS = {"Standard USB": "GGA", "Garmin 35": "GGA", "Garmin 16/17": "GGA", "Holux 210": "RMC",
            "Holux 270 CF": "RMC", "GeoExplorer 3": "VTG", "Haicom 303 (CF)": "RMC",
            "Haicom 303-III": "RMC", "Haicom 305-III": "RMC", "Haicom 204E": "GGA",
            "Haicom 204-III": "RMC", "Multi-GNSS (any talker)": "GGA"}
RECEIVER_AT, RECEIVER_LEN = 80, 64


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("build_bin")
    p.add_argument("log")
    p.add_argument("--receiver", default="Standard USB", choices=sorted(TRIGGERS))
    p.add_argument("--rate", default="4")
    p.add_argument("--seconds", type=float, default=8)
    a = p.parse_args()

    with session(a.build_bin, "--log", os.path.abspath(a.log), "--loop", "--rate", a.rate) as c:
        c.start()  # the first start writes the preferences with their defaults
        prefs = bytearray(c.prefs())
        c.kill()
        prefs[RECEIVER_AT:RECEIVER_AT + RECEIVER_LEN] = a.receiver.encode().ljust(RECEIVER_LEN)
        open(c.path("Veltrip.bin"), "wb").write(prefs)
        c.start()
        study = c.begin_study()
        time.sleep(2)
        c.keys("r", then=a.seconds)
        c.keys("r", "e")
        assert c.wait_end() == 0
        model = Model(c.sent(), TRIGGERS[a.receiver], a.receiver.startswith("Multi-GNSS"))
        data, records = read_study(study)

    assert data[16 + RECEIVER_AT:16 + RECEIVER_AT + len(a.receiver)] == a.receiver.encode()
    name = "%s (%s)" % (os.path.basename(a.log), a.receiver)
    if not model.writes:
        print("replay: %d records of %s; the rules give none, as the log has no %s that this "
              "receiver model decodes" % (len(records), name, model.trigger))
        return 0 if not records else 1
    checked = records[1:]
    if not checked:
        print("replay: too few records to check; a longer --seconds gives more")
        return 1
    for start in range(len(model.writes) - len(checked) + 1):
        for offset in model.offsets(checked[0]) or {0}:
            if all(same(r, w, offset) for r, w in zip(checked, model.writes[start:])):
                print("replay: %d records of %s agree with the rules" % (len(checked), name))
                return 0
    print("replay: the records do not follow the rules; first records and model writes:")
    for r in checked[:5]:
        print("  record", r[:9])
    for w in model.writes[:10]:
        print("  model ", w)
    return 1


if __name__ == "__main__":
    sys.exit(main())
