"""The real collector in a program folder of its own, under Xvfb, fed by the
simulated receiver through a pseudo-terminal and driven by real key presses."""

import os
import shutil
import signal
import struct
import subprocess
import tempfile
import time
from datetime import date, datetime, timedelta
from decimal import ROUND_HALF_UP, Decimal, InvalidOperation

TITLE = "GPS Travel Time Data Collector - Version 2.1.2"
HEADER = 272
RECORD = 48
RECORD_FORMAT = "<hhffdddhfhhh"  # run, quality, mph, course, time, lat, lon, sats, hdop, node, delay, dir


def wait_for(predicate, timeout, what):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


class ProgramEnded(AssertionError):
    def __init__(self, stderr, display_alive):
        super().__init__("the collector ended (X server %s): %s"
                         % ("running" if display_alive else "gone", stderr))
        self.stderr = stderr


class Display:
    def __init__(self, size="1024x768"):
        read, write = os.pipe()
        self.proc = subprocess.Popen(
            # -noreset: without it the server resets whenever its last client
            # leaves (each kill, each xdotool call), and a program connecting
            # during that moment is refused.
            ["Xvfb", "-displayfd", str(write), "-screen", "0", size + "x24", "-nolisten", "tcp",
             "-noreset"],
            pass_fds=[write], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read, 16)
            if not chunk:
                raise AssertionError("Xvfb did not start")
            number += chunk
        os.close(read)
        self.name = ":" + number.decode().strip()

    def alive(self):
        return self.proc.poll() is None

    def close(self):
        self.proc.terminate()
        self.proc.wait(timeout=10)


class Collector:
    """A program folder with its own copy of the collector and the simulator."""

    def __init__(self, build_bin, display, folder=None):
        self.folder = folder or tempfile.mkdtemp(prefix="vt-e2e-")
        os.makedirs(os.path.join(self.folder, "Data Files"), exist_ok=True)  # as installed
        for name in ("gps-collector", "gpssim"):
            target = os.path.join(self.folder, name)
            if not os.path.exists(target):
                shutil.copy2(os.path.join(build_bin, name), target)
        self.display = display
        self.env = dict(os.environ, DISPLAY=display.name, QT_QPA_PLATFORM="xcb",
                        ASAN_OPTIONS="detect_leaks=0", XDG_RUNTIME_DIR=tempfile.gettempdir())
        self.sim = None
        self.app = None

    def path(self, *parts):
        return os.path.join(self.folder, *parts)

    def start_simulator(self, *args):
        self.sim = subprocess.Popen(
            [self.path("gpssim"), "--port", "1", "--baud", "0", "--echo", "--quiet", *args],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=self.env)
        wait_for(lambda: os.path.islink(self.path("ports", "com1")), 10, "the simulated port")

    def stop_simulator_text(self):
        """Everything the simulator sent, as it went down the line."""
        self.sim.send_signal(signal.SIGTERM)
        return self.sim.communicate(timeout=10)[0].decode("latin-1")

    def stop_simulator(self):
        """The sentences the simulator sent, one a line."""
        return [line.strip() for line in self.stop_simulator_text().splitlines()
                if line.startswith(("$", "@"))]

    def start(self):
        """Starts the collector and waits for its first window."""
        for attempt in range(2):
            self.app = subprocess.Popen([self.path("gps-collector")], env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            try:
                return self.window()
            except ProgramEnded as ended:
                # A program refused by the test's own X server never ran; one
                # more try, said aloud. Anything else is the program's fault.
                if attempt or "could not connect to display" not in ended.stderr \
                        or not self.display.alive():
                    raise
                print("X server refused a connection; starting the collector again", flush=True)

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True,
                              text=True).stdout.split()

    def window(self, timeout=30):
        """The visible window with the program's title (the set-up or the main window)."""
        def find():
            if self.app.poll() is not None:
                raise ProgramEnded(self.app.stderr.read().decode(errors="replace")[-2000:],
                                   self.display.alive())
            ids = self.xdotool("search", "--onlyvisible", "--name", TITLE)
            return ids[-1] if ids else None
        return wait_for(find, timeout, "a window of the collector")

    def keys(self, *keys, pause=0.15):
        window = self.window()
        self.xdotool("windowfocus", "--sync", window)
        for key in keys:
            self.xdotool("key", key)
            time.sleep(pause)

    def wait_end(self, timeout=30):
        return self.app.wait(timeout=timeout)

    def kill(self):
        self.app.send_signal(signal.SIGKILL)
        self.app.wait(timeout=10)

    def close(self):
        for proc in (self.app, self.sim):
            if proc and proc.poll() is None:
                proc.kill()
                proc.wait(timeout=10)


def read_study(path):
    data = open(path, "rb").read()
    records = [struct.unpack(RECORD_FORMAT, data[at:at + RECORD])
               for at in range(HEADER, len(data) - RECORD + 1, RECORD)]
    return data, records


def ole_date(day):
    return float((day - date(1899, 12, 30)).days)


def from_ole(value):
    return datetime(1899, 12, 30) + timedelta(days=value)


def f32(value):
    """A value as single precision stores it."""
    return struct.unpack("<f", struct.pack("<f", value))[0]


def knots_to_mph(knots):
    return f32(f32(knots) * 1.151)


def nmea_degrees(text):
    """ddmm.mmmm to degrees, minutes rounded to four decimals first, half away
    from zero; None for text that is not a number."""
    try:
        rounded = Decimal(text).quantize(Decimal("0.0001"), rounding=ROUND_HALF_UP)
    except InvalidOperation:
        return None
    degrees = int(rounded // 100)
    return degrees + float(rounded - degrees * 100) / 60.0
