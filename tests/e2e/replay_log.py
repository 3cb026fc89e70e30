#!/usr/bin/env python3
"""Any receiver log through the real collector, checked against a reading of
the recording rules written here independently of the program.

    tests/e2e/replay_log.py BUILD_BIN LOG [--receiver NAME] [--rate HZ] [--seconds S]

The simulated receiver replays LOG in a loop (cycle by cycle, at HZ cycles a
second) into the collector under Xvfb. The receiver model is written into the
preferences before the study is set up; R starts a run, and after S seconds R
stops it and E ends the program. Every record of the run except the first
(which may carry values decoded before the run began) must equal what the
rules below make of the stream the simulator sent, record for record:

- a sentence is decoded when the next start character arrives; "$GPRMC",
  "$GPGGA" and "$GPVTG" are decoded (any two capital letters for the talker
  with the multi-constellation model); RMC gives time, status (A: quality 1,
  else 0), position, speed and course; GGA time, position, quality,
  satellites and HDOP; VTG speed in knots;
- positions are unsigned degrees from minutes rounded to four decimals,
  speeds knots × 1.151 as single precision, times whole seconds shifted by the
  whole-hour difference between the PC and the receiver;
- the receiver's closing sentence type writes the record and empties it;
- before writing, a speed outside 0..120, a latitude or longitude of 0, a
  quality of 0, two or fewer satellites and an HDOP of 0 or from 10 up become
  missing.
Prints the records checked; exits non-zero at the first difference."""

import argparse
import math
import os
import re
import sys
import time

from harness import Collector, Display, f32, knots_to_mph, nmea_degrees, read_study, wait_for

TRIGGERS = {"Standard USB": "GGA", "Garmin 35": "GGA", "Garmin 16/17": "GGA", "Holux 210": "RMC",
            "Holux 270 CF": "RMC", "GeoExplorer 3": "VTG", "Haicom 303 (CF)": "RMC",
            "Haicom 303-III": "RMC", "Haicom 305-III": "RMC", "Haicom 204E": "GGA",
            "Haicom 204-III": "RMC", "Multi-GNSS (any talker)": "GGA"}
MISSING = {"quality": -1, "mph": -1.0, "course": 9999.0, "time": None, "lat": -1.0, "lon": -1.0,
           "sats": -1, "hdop": -1.0}
RECEIVER_AT, RECEIVER_LEN = 80, 64


def number(text, kind=float):
    try:
        return kind(text)
    except ValueError:
        return None


def clock(text):
    """hhmmss[.sss] as whole seconds of the day, or None."""
    if len(text) < 6 or not text[:6].isdigit():
        return None
    h, m, s = int(text[:2]), int(text[2:4]), int(text[4:6])
    return h * 3600 + m * 60 + s if h < 24 and m < 60 and s < 60 else None


class Model:
    def __init__(self, trigger, any_talker):
        pattern = r"^\$(GP)" if not any_talker else r"^\$([A-Z]{2})"
        self.tag = re.compile(pattern + r"(RMC|GGA|VTG)")
        self.trigger = trigger
        self.fix = dict(MISSING)
        self.writes = []

    def sentence(self, text):
        m = self.tag.match(text)
        if not m:
            return
        f = text.split("*")[0].split(",") + [""] * 12
        kind = m.group(2)
        if kind in ("RMC", "GGA"):
            self.fix["time"] = clock(f[1])
            lat, lon = (f[3], f[5]) if kind == "RMC" else (f[2], f[4])
            self.fix["lat"] = nmea_degrees(lat) if lat else -1.0
            self.fix["lon"] = nmea_degrees(lon) if lon else -1.0
        if kind == "RMC":
            self.fix["quality"] = 1 if f[2] == "A" else 0
            self.speed(f[7])
            self.fix["course"] = number(f[8]) if f[8] else 9999.0
        elif kind == "GGA":
            self.fix["quality"] = number(f[6], int) if f[6] else -1
            self.fix["sats"] = number(f[7], int) if f[7] else -1
            self.fix["hdop"] = f32(number(f[8])) if f[8] else -1.0
        elif kind == "VTG":
            self.speed(f[5])
        if kind == self.trigger:
            self.writes.append(validated(dict(self.fix)))
            self.fix = dict(MISSING)

    def speed(self, knots):
        self.fix["mph"] = knots_to_mph(float(knots)) if knots else -1.0


def validated(fix):
    if not 0 <= fix["mph"] <= 120:
        fix["mph"] = -1.0
    for key in ("lat", "lon"):
        if fix[key] == 0:
            fix[key] = -1.0
    if fix["quality"] == 0:
        fix["quality"] = -1
    if fix["sats"] <= 2:
        fix["sats"] = -1
    if fix["hdop"] == 0 or fix["hdop"] >= 10:
        fix["hdop"] = -1.0
    return fix


def stream_sentences(sent_text):
    """The sentences as the collector frames them: cut at every start character."""
    return [s.strip() for s in re.split(r"(?=[$@])", sent_text) if s.strip()]


def same(record, fix, offset):
    _, quality, mph, course, fix_time, lat, lon, sats, hdop = record[:9]
    if fix["time"] is not None:
        seconds = round((fix_time % 1) * 86400)
        if seconds != (fix["time"] + offset * 3600) % 86400:
            return False
    close = lambda a, b: math.isclose(a, b, rel_tol=1e-6, abs_tol=1e-9)  # noqa: E731
    return (quality == fix["quality"] and sats == fix["sats"] and close(mph, fix["mph"])
            and close(course, f32(fix["course"])) and close(lat, fix["lat"])
            and close(lon, fix["lon"]) and close(hdop, fix["hdop"]))


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("build_bin")
    p.add_argument("log")
    p.add_argument("--receiver", default="Standard USB", choices=sorted(TRIGGERS))
    p.add_argument("--rate", default="4")
    p.add_argument("--seconds", type=float, default=8)
    a = p.parse_args()

    display = Display()
    c = Collector(a.build_bin, display)
    prefs = c.path("Veltrip.bin")
    try:
        c.start_simulator("--log", os.path.abspath(a.log), "--loop", "--rate", a.rate)
        c.start()  # the first start writes the preferences with their defaults
        wait_for(lambda: os.path.exists(prefs) and os.path.getsize(prefs) == 256, 20,
                 "the preferences file")
        c.kill()
        data = bytearray(open(prefs, "rb").read())
        data[RECEIVER_AT:RECEIVER_AT + RECEIVER_LEN] = a.receiver.encode().ljust(RECEIVER_LEN)
        open(prefs, "wb").write(data)

        c.start()
        c.keys("Return")
        study = c.path("Data Files", "Test-1.gd2")
        wait_for(lambda: os.path.exists(study), 20, "the study file")
        time.sleep(2)
        c.keys("r")
        time.sleep(a.seconds)
        c.keys("r")
        c.keys("e")
        assert c.wait_end() == 0
        sent = c.stop_simulator_text()
    finally:
        c.close()
        display.close()

    data, records = read_study(study)
    assert data[16 + RECEIVER_AT:16 + RECEIVER_AT + len(a.receiver)] == a.receiver.encode()
    model = Model(TRIGGERS[a.receiver], a.receiver.startswith("Multi-GNSS"))
    for sentence in stream_sentences(sent):
        model.sentence(sentence)
    if not model.writes:
        print("replay: %d records of %s (%s); the rules give none, as the log has no %s that "
              "this receiver model decodes" % (len(records), os.path.basename(a.log), a.receiver,
                                               model.trigger))
        return 0 if not records else 1
    checked = records[1:]
    if not checked:
        print("replay: too few records to check; a longer --seconds gives more")
        return 1
    timed = [w for w in model.writes if w["time"] is not None]
    first = round((checked[0][4] % 1) * 86400)
    offsets = {round((first - w["time"]) / 3600) % 24 for w in timed
               if (first - w["time"]) % 3600 == 0}
    for start in range(len(model.writes) - len(checked) + 1):
        for offset in offsets or {0}:
            if all(same(r, w, offset) for r, w in zip(checked, model.writes[start:])):
                print("replay: %d records of %s (%s) agree with the rules"
                      % (len(checked), os.path.basename(a.log), a.receiver))
                return 0
    print("replay: the records do not follow the rules; first records and model writes:")
    for r in checked[:5]:
        print("  record", r[:9])
    for w in model.writes[:10]:
        print("  model ", w)
    return 1


if __name__ == "__main__":
    sys.exit(main())
