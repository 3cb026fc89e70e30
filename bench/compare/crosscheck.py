"""Checks the collector's decoders against an independent reading: pynmea2
(Debian's python3-nmea2) parses the same sentences, and every value the
collector takes from an RMC, GGA or VTG must agree with it.

    crosscheck.py BENCH_COLLECTOR STREAM...

The collector's own rules are applied to pynmea2's reading: positions are
unsigned degrees (the hemisphere is not stored) from minutes rounded to four
decimals, as the collector's position format has them; speeds are knots ×
1.151 in mph, RMC status "A" is quality 1 and anything else 0, times are whole
seconds, an empty time is 0, a field the sentence leaves empty or that is no
number is missing, and a position that is no ddmm.mmmm is -999 (malformed).
VTG's track is not read. No checksum is verified.

pynmea2 hands back a time it cannot read (letters, too few digits, hour 24)
as the text itself; that text is read as the end-to-end tests read a time,
and a time that is none is 0."""

import datetime
import os
import re
import subprocess
import sys

import pynmea2

# The end-to-end tests' reading of a position and a time, shared rather than
# written twice.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tests", "e2e"))
from harness import clock, nmea_degrees  # noqa: E402

MPH_PER_KNOT = 1.151
TYPES = re.compile(r"^\$[A-Z]{2}(RMC|GGA|VTG)")
CHECKSUM = re.compile(r"\*[0-9A-Fa-f]{2}$")


def seconds(t):
    if t is None:
        return 0.0
    if isinstance(t, datetime.time):
        return t.hour * 3600 + t.minute * 60 + t.second  # whole seconds, as stored
    return clock(t) or 0.0


def degrees(raw):
    """Unsigned degrees, None for an empty field, -999 for one that holds none."""
    if not raw:
        return None
    value = nmea_degrees(raw)
    return -999.0 if value is None else value


def number(raw, kind=float):
    """None for an empty field and for one that is no number: the collector
    stores its missing value for both."""
    try:
        return None if raw in (None, "") else kind(float(raw))
    except (ValueError, OverflowError):
        return None


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
            # The collector verifies no checksum; pynmea2 refuses a wrong one
            # even when told not to check, so it gets none.
            theirs = expected(pynmea2.parse(CHECKSUM.sub("", sentence), check=False))
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
