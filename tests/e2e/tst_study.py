"""A study recorded by key presses alone, checked field by field against the
stream the simulated receiver sent."""

import math
import os
import struct
import sys
import time
from datetime import date

from harness import (Collector, Display, HEADER, RECORD, read_study, ole_date, from_ole,
                     wait_for, knots_to_mph, nmea_degrees)


def fields(sentence):
    return sentence.split("*")[0].split(",")


def expected_cycles(sent):
    """One expected record per GGA: that GGA and the RMC before it in the same cycle."""
    cycles = {}
    rmc = None
    for s in sent:
        f = fields(s)
        if f[0] == "$GPRMC":
            rmc = f
        elif f[0] == "$GPGGA":
            cycles[f[1][:6]] = (rmc if rmc and rmc[1] == f[1] else None, f)
            rmc = None
    return cycles


def check_record(record, cycle, offset_hours, study_date):
    run, quality, mph, course, fix_time, lat, lon, sats, hdop, node, delay, direction = record
    rmc, gga = cycle
    assert quality == int(gga[6]), (quality, gga)
    assert sats == int(gga[7]) and math.isclose(hdop, float(gga[8]), rel_tol=1e-6)
    assert math.isclose(lat, nmea_degrees(gga[2]), abs_tol=1e-9), (lat, gga[2])
    assert math.isclose(lon, nmea_degrees(gga[4]), abs_tol=1e-9), (lon, gga[4])
    knots = float(rmc[7])
    expected_mph = knots_to_mph(knots)
    speed_ok = 0 <= expected_mph <= 120
    assert math.isclose(mph, expected_mph if speed_ok else -1.0, rel_tol=1e-6), (mph, knots)
    assert math.isclose(course, float(rmc[8]), rel_tol=1e-6)
    local_hour = (int(gga[1][:2]) + offset_hours) % 24
    expected = study_date + (local_hour * 3600 + int(gga[1][2:4]) * 60 + int(gga[1][4:6])) / 86400.0
    assert math.isclose(fix_time, expected, abs_tol=1e-7), (from_ole(fix_time), from_ole(expected))
    assert direction == 0


def main(build_bin):
    display = Display()
    c = Collector(build_bin, display)
    try:
        c.start_simulator("--rate", "1")
        today = date.today()
        c.start()
        prefs = wait_for(lambda: os.path.exists(c.path("Veltrip.bin")) and
                         open(c.path("Veltrip.bin"), "rb").read(), 10, "Veltrip.bin")
        assert len(prefs) == 256, len(prefs)
        c.keys("Return")  # accept the set-up as shown
        study = c.path("Data Files", "Test-1.gd2")
        wait_for(lambda: os.path.exists(study), 20, "the study file")
        time.sleep(2.5)  # the main window hears the receiver

        c.keys("r")               # run 1
        time.sleep(2.2)
        c.keys("n")               # node 1
        time.sleep(1.6)
        c.keys("Tab", "1", "2", "Return")  # delay number 12 in the delay box
        time.sleep(2.2)           # a record to carry it
        c.keys("r")               # stop
        time.sleep(1.2)
        c.keys("r")               # run 2
        time.sleep(1.6)
        c.keys("n")
        # The first record after a node still carries the old number: wait for two.
        time.sleep(2.8)
        c.keys("r")               # stop
        time.sleep(1.2)
        c.keys("e")               # end the study
        assert c.wait_end() == 0
        sent = c.stop_simulator()

        data, records = read_study(study)
        assert (len(data) - HEADER) % RECORD == 0, len(data)
        assert data[0:6] == b"\x02\x00\x01\x00\x02\x00"
        assert struct.unpack("<d", data[6:14])[0] == ole_date(today)
        assert data[14:16] == b"XX"
        assert data[16:272] == prefs, "the header carries the preferences as loaded"
        assert len(records) >= 6, len(records)

        cycles = expected_cycles(sent)
        first_time = from_ole(records[0][4])
        gga_times = sorted(cycles)
        offsets = {(first_time.hour - int(t[:2])) % 24 for t in gga_times
                   if t[2:6] == first_time.strftime("%M%S")}
        assert len(offsets) == 1, offsets
        offset = offsets.pop()
        study_date = ole_date(today)
        by_local = {}
        for t, cycle in cycles.items():
            local = "%02d%s" % ((int(t[:2]) + offset) % 24, t[2:6])
            by_local[local] = cycle
        for r in records:
            key = from_ole(r[4]).strftime("%H%M%S")
            assert key in by_local, key
            check_record(r, by_local[key], offset, study_date)

        runs = [r[0] for r in records]
        assert runs == sorted(runs) and set(runs) == {1, 2}, runs
        for run in (1, 2):
            nodes = [r[9] for r in records if r[0] == run]
            assert nodes[0] == 0 and nodes[-1] == 1 and nodes == sorted(nodes), nodes
            keys = [from_ole(r[4]) for r in records if r[0] == run]
            steps = {round((b - a).total_seconds()) for a, b in zip(keys, keys[1:])}
            assert steps <= {1}, ("records of a run follow the receiver cycle by cycle", steps)
        delays = [(r[0], r[10]) for r in records if r[10] != -1]
        assert delays == [(1, 12)], delays
        print("e2e: %d records in 2 runs checked against %d sentences" % (len(records), len(sent)))
    finally:
        c.close()
        display.close()


if __name__ == "__main__":
    main(sys.argv[1])
