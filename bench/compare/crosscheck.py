"""Checks the collector's decoders against an independent reading: pynmea2
(Debian's python3-nmea2) parses the same sentences, and every value the
collector takes from an RMC, GGA or VTG must agree with it.

    crosscheck.py BENCH_COLLECTOR STREAM...

The collector's own rules are applied to pynmea2's reading: positions are
unsigned degrees (the hemisphere is not stored) from minutes rounded to four
decimals, as the collector's position format has them; speeds are knots × 1.151 in
mph, RMC status "A" is quality 1 and anything else 0, times are whole seconds, an empty time is 0, and
a field the sentence leaves empty is missing. VTG's track is not read.

pynmea2 hands back a time it cannot read (hour 24, second 60, too few digits,
a blank) as the text itself; that text is read as the collector documents it:
each two-character part as a number, and 0 when the time of day is not one."""

import datetime
import os
import re
import subprocess
import sys

import pynmea2

# The end-to-end tests' reading of a position, shared rather than written twice.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tests", "e2e"))
from harness import nmea_degrees  # noqa: E402

MPH_PER_KNOT = 1.151
TYPES = re.compile(r"^\$[A-Z]{2}(RMC|GGA|VTG)")


NUMBER = re.compile(r"^\s*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?\s*$")


def integer(text):
    """A number rounded half to even, -1 for anything else or out of range."""
    if not NUMBER.match(text):
        return -1
    n = round(float(text))
    return n if -32768 <= n <= 32767 else -1


def seconds(t):
    if t is None:
        return 0.0
    if isinstance(t, datetime.time):
        return t.hour * 3600 + t.minute * 60 + t.second  # whole seconds, as stored
    h, m, s = (integer(t[k:k + 2]) for k in (0, 2, 4))
    return h * 3600 + m * 60 + s if 0 <= h <= 23 and 0 <= m <= 59 and 0 <= s <= 59 else 0.0


def degrees(raw):
    """Unsigned degrees, or None for an empty field."""
    return nmea_degrees(raw) if raw else None


def number(raw, kind=float):
    return None if raw in (None, "") else kind(float(raw))


def expected(msg):
    """The values the collector must print for one sentence, in its columns."""
    kind = msg.sentence_type
    if kind == "VTG":
        knots = number(msg.spd_over_grnd_kts)
        return [None, None, None, None if knots is None else knots * MPH_PER_KNOT,
                None, None, None, None]
    time = seconds(msg.timestamp)
    lat, lon = degrees(msg.lat), degrees(msg.lon)
    if kind == "RMC":
        knots = number(msg.spd_over_grnd)
        return [time, lat, lon, None if knots is None else knots * MPH_PER_KNOT,
                number(msg.true_course), 1 if msg.status == "A" else 0, None, None]
    return [time, lat, lon, None, None, number(msg.gps_qual, int),
            number(msg.num_sats, int), number(msg.horizontal_dil)]


def agrees(ours, theirs):
    if theirs is None:
        return ours == ""
    if ours == "":
        return False
    # Speeds, course and HDOP are single precision in the record.
    return abs(float(ours) - theirs) <= 1e-6 + 1e-6 * abs(theirs)


def main(bench, paths):
    checked = differing = 0
    for path in paths:
        with open(path, encoding="ascii", errors="replace") as f:
            sentences = [line.strip() for line in f if TYPES.match(line)]
        ours = subprocess.run([bench, "--values", path], capture_output=True, text=True,
                              check=True).stdout.splitlines()
        if len(ours) != len(sentences):
            sys.exit("%s: the collector decoded %d sentences, pynmea2 sees %d"
                     % (path, len(ours), len(sentences)))
        for sentence, line in zip(sentences, ours):
            theirs = expected(pynmea2.parse(sentence, check=False))
            fields = line.split(",")[1:]
            checked += 1
            if not all(agrees(o, t) for o, t in zip(fields, theirs)):
                differing += 1
                if differing <= 10:
                    print("differs: %s\n  collector %s\n  pynmea2   %s" % (sentence, fields, theirs))
    print("crosscheck: %d sentences, %d differ" % (checked, differing))
    return 1 if differing else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2:]))
