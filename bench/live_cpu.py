"""The running collector during a run under a 10 Hz simulated receiver: the
share of one core it uses over a minute.

    bench/live_cpu.py BUILD_BIN [SECONDS] [--checkpoints N]

With --checkpoints, the receiver drives a route of N checkpoints (150 m
apart, a short wait before each) and the collector follows it, starting and
marking its runs itself; without, a run is started by key on the synthetic
drive."""

import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from harness import Collector, Display, wait_for  # noqa: E402


def cpu_seconds(pid):
    fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def route_file(folder, count):
    path = os.path.join(folder, "route.csv")
    with open(path, "w") as f:  # a corridor north, bending a little
        f.write("name,latitude,longitude\n" + "".join(
            "CP%d,%.6f,%.6f\n" % (i + 1, 40.7 + 0.00135 * i, -74.0 + 0.0002 * (i % 3))
            for i in range(count)))
    return path


def start_simulator(c, *args):
    """The simulated receiver, its sentences not echoed: a pipe nobody reads
    would fill within a minute at 10 Hz and stop it."""
    c.sim = subprocess.Popen([c.path("gpssim"), "--port", "1", "--baud", "0", "--quiet", *args],
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=c.env)
    wait_for(lambda: os.path.islink(c.path("ports", "com1")), 10, "the simulated port")


def main(build_bin, seconds, checkpoints):
    display = Display()
    c = Collector(build_bin, display)
    study = c.path("Data Files", "Test-1.gd2")
    try:
        if checkpoints:
            route = route_file(tempfile.mkdtemp(dir=c.folder), checkpoints)
            start_simulator(c, "--rate", "10", "--route", route, "--route-wait", "5")
            c.start("--checkpoints", route)
        else:
            start_simulator(c, "--rate", "10")
            c.start()
        c.window()
        c.keys("Return")
        wait_for(lambda: os.path.exists(study), 20, "the study file")
        time.sleep(2)
        if not checkpoints:
            c.keys("r")
        wait_for(lambda: os.path.getsize(study) > 272 + 48 * 10, 60, "a run")
        before, t0 = cpu_seconds(c.app.pid), time.monotonic()
        time.sleep(seconds)
        used, elapsed = cpu_seconds(c.app.pid) - before, time.monotonic() - t0
        records = (os.path.getsize(study) - 272) // 48
        print("live run at 10 Hz%s: %.2f%% of one core over %.0f s (%d records)"
              % (", %d checkpoints" % checkpoints if checkpoints else "",
                 100 * used / elapsed, elapsed, records))
    finally:
        c.close()
        display.close()


if __name__ == "__main__":
    args = [a for a in sys.argv[1:] if not a.startswith("--checkpoints")]
    count = 0
    if "--checkpoints" in sys.argv:
        count = int(sys.argv[sys.argv.index("--checkpoints") + 1])
        args.remove(str(count))
    main(args[0], float(args[1]) if len(args) > 1 else 60, count)
