"""A recorded log through a real gpsd (a gpsd:// port) and through a pseudo-terminal,
with the same keys at the same moments: the two studies must be equal, record for
record. Through gpsd, the daemon is stopped and started again halfway through the
log; the run goes on and nothing the daemon relayed is lost.

    tst_gpsd.py BUILD_BIN LOG

Exits 77 (skipped) when gpsd is not installed or does not start."""

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


def listening(port):
    with socket.socket() as s:
        return s.connect_ex(("127.0.0.1", port)) == 0


def connected(port):
    """Whether a client holds a connection to the local port (gpsd's, once watched)."""
    rows = open("/proc/net/tcp").read().splitlines()[1:]
    return any(int(r.split()[2].split(":")[1], 16) == port and r.split()[3] == "01" for r in rows)


class Gpsd:
    def __init__(self, exe, device):
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            self.port = s.getsockname()[1]
        self.exe, self.device, self.proc = exe, device, None

    def start(self):
        # -b: never write to the device; -n: read it before any client asks.
        self.proc = subprocess.Popen([self.exe, "-N", "-n", "-b", "-S", str(self.port),
                                      self.device], stderr=subprocess.PIPE)
        try:
            wait_for(lambda: listening(self.port), 10, "gpsd")
        except AssertionError:
            self.stop()
            print("SKIP: gpsd did not start:", self.proc.stderr.read().decode()[-500:])
            sys.exit(SKIP)

    def stop(self):
        self.proc.terminate()
        self.proc.wait(timeout=10)


def record(build_bin, halves, through_gpsd):
    master, slave = pty.openpty()
    tty.setraw(slave)
    device, display = os.ttyname(slave), Display()
    c, gpsd = Collector(build_bin, display), None
    try:
        os.makedirs(c.path("ports"))
        if through_gpsd:
            gpsd = Gpsd(through_gpsd, device)
            gpsd.start()
            with open(c.path("ports", "com1"), "w") as entry:
                entry.write("gpsd://127.0.0.1:%d%s\n" % (gpsd.port, device))
        else:
            os.symlink(device, c.path("ports", "com1"))
        c.start()
        study = c.begin_study()
        if gpsd:
            wait_for(lambda: connected(gpsd.port), 10, "the collector to watch gpsd")
        c.keys("r", then=1.5)
        os.write(master, halves[0])
        time.sleep(1.5)
        if gpsd:  # the daemon goes away and comes back; the collector finds it again
            gpsd.stop()
            time.sleep(2)
            gpsd.start()
            wait_for(lambda: connected(gpsd.port), 15, "the collector to watch gpsd again")
        time.sleep(1)
        os.write(master, halves[1])
        time.sleep(1.5)
        c.keys("r", then=1.2)
        c.keys("e")
        assert c.wait_end() == 0
        return read_study(study)[1]
    finally:
        if gpsd and gpsd.proc.poll() is None:
            gpsd.stop()
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
    by_gpsd = record(build_bin, halves, exe)
    by_pty = record(build_bin, halves, None)
    assert len(by_pty) >= 5, by_pty
    assert by_gpsd == by_pty, ("through gpsd", by_gpsd, "through a pseudo-terminal", by_pty)
    print("gpsd: %d records through gpsd equal those through a pseudo-terminal" % len(by_pty))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
