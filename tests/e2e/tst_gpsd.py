"""A recorded log through a real gpsd (a gpsd:// port) and through a pseudo-terminal,
with the same keys at the same moments, gives the same study record for record. gpsd
is stopped and started again halfway: the run goes on and nothing relayed is lost.
Exits 77 (skipped) where gpsd is not installed or does not start."""

import os
import pty
import shutil
import socket
import subprocess
import sys
import time
import tty

from harness import Collector, Display, read_study, wait_for

SKIP = 77


def tcp(port, state):
    """Whether a local socket of that port is in that state (0A listening, 01 connected)."""
    rows = [r.split() for r in open("/proc/net/tcp").read().splitlines()[1:]]
    return any(int(r[1].split(":")[1], 16) == port and r[3] == state for r in rows)


def start_gpsd(exe, port, device):
    # -b: never write to the device; -n: read it before any client asks.
    proc = subprocess.Popen([exe, "-N", "-n", "-b", "-S", str(port), device],
                            stderr=subprocess.PIPE)
    try:
        wait_for(lambda: tcp(port, "0A"), 10, "gpsd")
        return proc
    except AssertionError:
        proc.kill()
        print("SKIP: gpsd did not start:", proc.communicate()[1].decode()[-500:])
        sys.exit(SKIP)


def record(build_bin, halves, gpsd_exe):
    master, slave = pty.openpty()
    tty.setraw(slave)
    device, display = os.ttyname(slave), Display()
    c, gpsd = Collector(build_bin, display), None
    watched = lambda: wait_for(lambda: tcp(port, "01"), 15, "the collector to watch gpsd")  # noqa: E731
    try:
        os.makedirs(c.path("ports"))
        if gpsd_exe:
            with socket.socket() as s:
                s.bind(("127.0.0.1", 0))
                port = s.getsockname()[1]
            gpsd = start_gpsd(gpsd_exe, port, device)
            open(c.path("ports", "com1"), "w").write("gpsd://127.0.0.1:%d%s\n" % (port, device))
        else:
            os.symlink(device, c.path("ports", "com1"))
        c.start()
        study = c.begin_study()
        if gpsd:
            watched()
        c.keys("r", then=1.5)
        os.write(master, halves[0])
        time.sleep(1.5)
        if gpsd:  # gone and back: the collector finds it again
            gpsd.terminate()
            gpsd.wait(timeout=10)
            time.sleep(2)
            gpsd = start_gpsd(gpsd_exe, port, device)
            watched()
        time.sleep(1)
        os.write(master, halves[1])
        time.sleep(1.5)
        c.keys("r", then=1.2)
        c.keys("e")
        assert c.wait_end() == 0
        return read_study(study)[1]
    finally:
        if gpsd:
            gpsd.kill()
            gpsd.wait(timeout=10)
        c.close()
        display.close()
        os.close(master)
        os.close(slave)
        shutil.rmtree(c.folder, ignore_errors=True)


def main(build_bin, log):
    exe = shutil.which("gpsd", path=os.environ.get("PATH", "") + ":/usr/sbin:/sbin")
    if not exe:
        print("SKIP: gpsd is not installed (Debian package gpsd)")
        return SKIP
    lines = open(log, "rb").read().splitlines(keepends=True)
    halves = [b"".join(lines[:len(lines) // 2]), b"".join(lines[len(lines) // 2:])]
    by_gpsd, by_pty = record(build_bin, halves, exe), record(build_bin, halves, None)
    assert len(by_pty) >= 5, by_pty
    # The log is years old: each recording finds its own offset from the PC
    # clock, to the quarter hour, and two recordings a quarter hour's turn
    # apart find offsets 15 minutes apart. All else is the same.
    shifts = {round((g[4] - p[4]) * 86400) for g, p in zip(by_gpsd, by_pty)}
    assert len(shifts) == 1 and shifts.pop() % 900 == 0, shifts
    same = [g[:4] + g[5:] == p[:4] + p[5:] for g, p in zip(by_gpsd, by_pty)]
    assert len(by_gpsd) == len(by_pty) and all(same), (
        "through gpsd", by_gpsd, "through a pseudo-terminal", by_pty)
    print("gpsd: %d records through gpsd equal those through a pseudo-terminal" % len(by_pty))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
