"""Times pynmea2 (Debian's python3-nmea2) on a stream file: every line parsed
as a sentence, as a user of that library would. Prints one line of figures."""

import sys
import time

import pynmea2


def main(path):
    with open(path, "rb") as f:
        lines = [line.decode("ascii").strip() for line in f if line.strip()]
    size = sum(len(line) + 2 for line in lines)
    start = time.perf_counter()
    refused = 0
    for line in lines:
        try:
            pynmea2.parse(line)
        except pynmea2.ParseError:
            refused += 1
    seconds = time.perf_counter() - start
    print("pynmea2 (every sentence): %.1f MB/s, %.3f M sentences/s (%d refused)"
          % (size / seconds / 1e6, len(lines) / seconds / 1e6, refused))


if __name__ == "__main__":
    main(sys.argv[1])
