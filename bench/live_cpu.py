"""The running collector during a run under a 10 Hz simulated receiver: the
share of one core it uses over a minute. Usage: bench/live_cpu.py BUILD_BIN [SECONDS]"""

import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from harness import Collector, Display, wait_for  # noqa: E402


def cpu_seconds(pid):
    fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def main(build_bin, seconds):
    display = Display()
    c = Collector(build_bin, display)
    try:
        c.start_simulator("--rate", "10")
        c.start()
        c.window()
        c.keys("Return")
        wait_for(lambda: os.path.exists(c.path("Data Files", "Test-1.gd2")), 20, "the study file")
        time.sleep(2)
        c.keys("r")
        time.sleep(2)
        before, t0 = cpu_seconds(c.app.pid), time.monotonic()
        time.sleep(seconds)
        used, elapsed = cpu_seconds(c.app.pid) - before, time.monotonic() - t0
        records = (os.path.getsize(c.path("Data Files", "Test-1.gd2")) - 272) // 48
        print("live run at 10 Hz: %.2f%% of one core over %.0f s (%d records)"
              % (100 * used / elapsed, elapsed, records))
    finally:
        c.close()
        display.close()


if __name__ == "__main__":
    main(sys.argv[1], float(sys.argv[2]) if len(sys.argv) > 2 else 60)
