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
import tty

from harness import Collector, Display, read_study, wait_for

SKIP = 77
WINDOW_COLOURS = ("#ffc0c0", "#c0ffc0", "#ffffc0")  # red, green, yellow


def tcp(port, state):
    """Whether a local socket of that port is in that state (0A listening, 01 connected)."""
    rows = [r.split() for r in open("/proc/net/tcp").read().splitlines()[1:]]
    return any(int(r[1].split(":")[1], 16) == port and r[3] == state for r in rows)


def start_gpsd(exe, port, device, log):
    # -b: never write to the device; -n: read it before any client asks; -D 2
    # logs each client's requests, so the test knows when the collector watches.
    proc = subprocess.Popen([exe, "-N", "-n", "-b", "-D", "2", "-S", str(port), device],
                            stderr=open(log, "wb"))
    try:
        wait_for(lambda: tcp(port, "0A"), 10, "gpsd")
        return proc
    except AssertionError:
        proc.kill()
        print("SKIP: gpsd did not start:", open(log, "rb").read().decode()[-500:])
        sys.exit(SKIP)


def records(study, at_least):
    """Waits until the study holds that many records (it is synced every second)."""
    return wait_for(lambda: len(read_study(study)[1]) >= at_least, 60,
                    "%d records in the study" % at_least)


def record(build_bin, halves, gpsd_exe):
    master, slave = pty.openpty()
    tty.setraw(slave)
    device, display = os.ttyname(slave), Display()
    c, gpsd = Collector(build_bin, display), None
    log = lambda: c.path("gpsd-%d.log" % len(starts))  # noqa: E731
    starts = []

    def watched():
        # Data gpsd reads before the collector's WATCH request is relayed to no one.
        wait_for(lambda: b"?WATCH" in open(starts[-1], "rb").read(), 60,
                 "the collector to watch gpsd")

    def start():
        starts.append(log())
        return start_gpsd(gpsd_exe, port, device, starts[-1])

    def painted():
        """How much of the window shows its colour, red, green or yellow."""
        shown = c.pixels(c.window())
        return max(shown.get(colour, 0) for colour in WINDOW_COLOURS)

    def started(stopped):
        # The Start/Stop button takes its own colour once a run is on,
        # whatever colour the window has (yellow after ten silent seconds).
        wait_for(lambda: 0 < painted() < stopped, 30, "the run")

    def stopped_and_ended():
        # A second R within the clock's tick of the first counts as the same
        # press, and E is refused during a run: R again until E ends the study.
        c.keys("r")
        for _ in range(10):
            if c.app.poll() is None:
                try:
                    c.keys("e", then=0.5)
                except AssertionError:  # the window gone: it has ended
                    pass
            if c.app.poll() is not None:
                return True
        return False

    try:
        os.makedirs(c.path("ports"))
        if gpsd_exe:
            with socket.socket() as s:
                s.bind(("127.0.0.1", 0))
                port = s.getsockname()[1]
            gpsd = start()
            open(c.path("ports", "com1"), "w").write("gpsd://127.0.0.1:%d%s\n" % (port, device))
        else:
            os.symlink(device, c.path("ports", "com1"))
        c.start()
        study = c.begin_study()
        if gpsd:
            watched()
        stopped = wait_for(lambda: painted() > 100000 and painted(), 30, "the main window")
        c.keys("r")
        started(stopped)
        os.write(master, halves[0])
        records(study, fixes(halves[0]))
        if gpsd:  # gone and back: the collector finds it again
            gpsd.terminate()
            gpsd.wait(timeout=10)
            gpsd = start()
            watched()
        os.write(master, halves[1])
        records(study, fixes(halves[0]) + fixes(halves[1]))
        wait_for(stopped_and_ended, 120, "the run to stop and the study to end")
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


def fixes(text):
    """The records a run makes of it: one per GGA, the trigger of the first-start receiver."""
    return text.count(b"$GPGGA")


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
