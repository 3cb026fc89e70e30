"""The real collector in a program folder of its own, under Xvfb, fed by the
simulated receiver through a pseudo-terminal and driven by real key presses; and
the recording rules, read here independently of the program, to check it by."""

import ctypes
import math
import os
import re
import shutil
import struct
import subprocess
import tempfile
import time
from contextlib import contextmanager
from decimal import ROUND_HALF_UP, Decimal, InvalidOperation

TITLE = "GPS Travel Time Data Collector - Version 2.1.2"
HEADER, RECORD, PREFS = 272, 48, 256
RECORD_FORMAT = "<hhffdddhfhhh"  # run, quality, mph, course, time, lat, lon, sats, hdop, node, delay, dir
STUDY = os.path.join("Data Files", "Test-1.gd2")


def wait_for(predicate, timeout, what):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if value := predicate():
            return value
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


class Display:
    def __init__(self, size="1024x768"):
        read, write = os.pipe()
        # -noreset: without it the server resets whenever its last client leaves
        # (each kill, each xdotool call), and a program connecting then is refused.
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", size + "x24", "-nolisten", "tcp",
             "-noreset"], pass_fds=[write], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as pipe:
            self.name = ":" + pipe.readline().strip()
        if self.name == ":":
            raise AssertionError("Xvfb did not start")

    def alive(self):
        return self.proc.poll() is None

    def close(self):
        self.proc.terminate()
        self.proc.wait(timeout=10)


def window_image(display_name, window):
    """A window's pixels on a 24-bit screen: width, height, bytes per row, and the
    rows of 32-bit pixels, blue first."""
    class Image(ctypes.Structure):  # the head of an XImage
        _fields_ = [(n, ctypes.c_int) for n in ("width", "height", "xoffset", "format")] \
            + [("data", ctypes.c_void_p)] + [(n, ctypes.c_int) for n in (
                "byte_order", "unit", "bit_order", "pad", "depth", "bytes_per_line")]
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XGetImage.restype = ctypes.POINTER(Image)
    x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                              ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    x11.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_void_p]
    display = x11.XOpenDisplay(display_name.encode())
    size = (ctypes.c_int * 64)()  # XWindowAttributes, read for its width and height
    x11.XGetWindowAttributes(display, int(window), size)
    w, h = size[2], size[3]
    image = x11.XGetImage(display, int(window), 0, 0, w, h, 0xFFFFFFFF, 2)  # ZPixmap
    line = image.contents.bytes_per_line
    data = ctypes.string_at(image.contents.data, line * h)
    x11.XDestroyImage(image)
    x11.XCloseDisplay(ctypes.c_void_p(display))
    return w, h, line, data


class Collector:
    """A program folder with its own copy of the collector and the simulator."""

    def __init__(self, build_bin, display):
        self.folder = tempfile.mkdtemp(prefix="vt-e2e-")
        os.makedirs(self.path("Data Files"))  # as installed
        for name in ("gps-collector", "gpssim"):
            shutil.copy2(os.path.join(build_bin, name), self.path(name))
        self.display, self.sim, self.app = display, None, None
        self.env = dict(os.environ, DISPLAY=display.name, QT_QPA_PLATFORM="xcb",
                        ASAN_OPTIONS="detect_leaks=0", XDG_RUNTIME_DIR=tempfile.gettempdir())

    def path(self, *parts):
        return os.path.join(self.folder, *parts)

    def data_folder(self):
        """The data folder as the program names it in its preferences."""
        return self.path("Data Files") + os.sep

    def start_simulator(self, *args, echo=True):
        # Unread, the echo would fill its pipe and stall the simulator in a long drive.
        self.sim = subprocess.Popen(
            [self.path("gpssim"), "--port", "1", "--baud", "0", "--quiet", *args]
            + (["--echo"] if echo else []),
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=self.env)
        wait_for(lambda: os.path.islink(self.path("ports", "com1")), 10, "the simulated port")

    def sent(self):
        """Stops the simulator; everything it sent, as it went down the line."""
        self.sim.terminate()
        return self.sim.communicate(timeout=10)[0].decode("latin-1")

    def start(self, *args):
        for attempt in range(2):
            self.app = subprocess.Popen([self.path("gps-collector"), *args], env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            try:
                return self.window()
            except AssertionError as ended:
                # A program refused by the test's own X server never ran: one more
                # try, said aloud. Anything else is the program's fault.
                if attempt or "could not connect to display" not in str(ended) \
                        or not self.display.alive():
                    raise
                print("X server refused a connection; starting the collector again", flush=True)

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True,
                              text=True).stdout.split()

    def window(self, timeout=120):  # ASan start-up on a machine under load
        """The visible window with the program's title (the set-up or the main window)."""
        def find():
            if self.app.poll() is not None:
                raise AssertionError("the collector ended (X server %s): %s" % (
                    "running" if self.display.alive() else "gone",
                    self.app.stderr.read().decode(errors="replace")[-2000:]))
            ids = self.xdotool("search", "--onlyvisible", "--name", TITLE)
            return ids[-1] if ids else None
        return wait_for(find, timeout, "a window of the collector")

    def keys(self, *keys, pause=0.15, then=0):
        self.xdotool("windowfocus", "--sync", self.window())
        for key in keys:
            self.xdotool("key", key)
            time.sleep(pause)
        time.sleep(then)

    def pixels(self, window):
        """How many pixels of a window show each colour, as "#rrggbb" (24-bit screen)."""
        w, h, line, data = window_image(self.display.name, window)
        counts = {}
        for at in (row * line + 4 * x for row in range(h) for x in range(w)):
            colour = "#%02x%02x%02x" % (data[at + 2], data[at + 1], data[at])
            counts[colour] = counts.get(colour, 0) + 1
        return counts

    def prefs(self):
        """The preferences file once written, which must be whole."""
        path = self.path("Veltrip.bin")
        data = wait_for(lambda: os.path.exists(path) and open(path, "rb").read(), 20, path)
        assert len(data) == PREFS, ("preferences of %d bytes" % len(data))
        return data

    def begin_study(self):
        """Accepts the set-up as shown; the study file's path once it exists."""
        self.keys("Return")
        return wait_for(lambda: os.path.exists(self.path(STUDY)) and self.path(STUDY), 20, STUDY)

    def wait_end(self, timeout=30):
        return self.app.wait(timeout=timeout)

    def kill(self):
        self.app.kill()
        self.app.wait(timeout=10)

    def close(self):
        for proc in (self.app, self.sim):
            if proc and proc.poll() is None:
                proc.kill()
                proc.wait(timeout=10)


@contextmanager
def session(build_bin, *simulator_args, echo=True):
    """Display, folder and simulator, all gone afterwards (the folder kept if a check failed)."""
    c = Collector(build_bin, Display())
    try:
        c.start_simulator(*simulator_args, echo=echo)
        yield c
    finally:
        c.close()
        c.display.close()
    shutil.rmtree(c.folder, ignore_errors=True)


def read_study(path):
    """The study file's bytes and its records, which must be whole."""
    data = open(path, "rb").read()
    assert (len(data) - HEADER) % RECORD == 0, ("torn record", path, len(data))
    return data, list(struct.iter_unpack(RECORD_FORMAT, data[HEADER:]))


def f32(value):
    return struct.unpack("<f", struct.pack("<f", value))[0]


def nmea_degrees(text):
    """ddmm.mmmm to degrees, minutes rounded to four decimals first, half away
    from zero; None for text that is not a number."""
    try:
        rounded = Decimal(text).quantize(Decimal("0.0001"), rounding=ROUND_HALF_UP)
    except InvalidOperation:
        return None
    degrees = int(rounded // 100)
    return degrees + float(rounded - degrees * 100) / 60.0


def clock(text):
    """hhmmss[.sss] as whole seconds of the day, or None."""
    if len(text) < 6 or not text[:6].isdigit():
        return None
    h, m, s = int(text[:2]), int(text[2:4]), int(text[4:6])
    return h * 3600 + m * 60 + s if h < 24 and m < 60 and s < 60 else None


MISSING = {"quality": -1, "mph": -1.0, "course": 9999.0, "time": None, "lat": -1.0, "lon": -1.0,
           "sats": -1, "hdop": -1.0}
mph = lambda knots: f32(f32(float(knots)) * 1.151)  # noqa: E731
# The values each sentence type gives: the field each is read from, and how.
FIELDS = {"RMC": {"time": (1, clock), "quality": (2, lambda status: int(status == "A")),
                  "lat": (3, nmea_degrees), "lon": (5, nmea_degrees), "mph": (7, mph),
                  "course": (8, float)},
          "GGA": {"time": (1, clock), "lat": (2, nmea_degrees), "lon": (4, nmea_degrees),
                  "quality": (6, int), "sats": (7, int), "hdop": (8, lambda h: f32(float(h)))},
          "VTG": {"mph": (5, mph)}}
# The values a record does not keep: they are stored as missing.
REFUSED = {"mph": lambda v: not 0 <= v <= 120, "lat": lambda v: v == 0, "lon": lambda v: v == 0,
           "quality": lambda v: v == 0, "sats": lambda v: v <= 2,
           "hdop": lambda v: v == 0 or v >= 10}


class Model:
    """The records a stream should give. A sentence is decoded when the next start
    character arrives; $GPRMC, $GPGGA and $GPVTG are (any two capital letters as
    talker with the multi-constellation model), each giving the values FIELDS lists,
    an empty field as missing. Positions are unsigned degrees, speeds knots x 1.151
    in single precision, times whole seconds shifted by quarter hours (PC vs receiver).
    A sentence is only what ends in its line feed within 164 characters, with a
    checksum that holds where it carries one.
    The closing sentence type writes the record, values REFUSED lists as missing,
    and empties it."""

    def __init__(self, sent_text, trigger="GGA", any_talker=False):
        tag = re.compile((r"^\$([A-Z]{2})" if any_talker else r"^\$(GP)") + r"(RMC|GGA|VTG)")
        self.trigger, self.writes, fix = trigger, [], dict(MISSING)
        for text in re.split(r"(?=[$@])", sent_text):  # framed as the collector frames
            line = text.split("\n")[0]
            if "\n" not in text or len(line) + 1 > 164 or not checksum_holds(line.rstrip("\r")):
                continue
            text = text.split("\n")[0]
            if m := tag.match(text.strip()):
                f = text.strip().split("*")[0].split(",") + [""] * 12
                for name, (at, read) in FIELDS[m.group(2)].items():
                    fix[name] = read(f[at]) if f[at] else MISSING[name]
                if m.group(2) == trigger:
                    self.writes.append({name: MISSING[name] if name in REFUSED and REFUSED[name](v)
                                        else v for name, v in fix.items()})
                    fix = dict(MISSING)

    def offsets(self, record):
        """Quarter-hour differences, in seconds, between the PC's clock and the receiver's
        that fit a record."""
        seconds = round((record[4] % 1) * 86400)
        return {(seconds - w["time"]) % 86400 for w in self.writes
                if w["time"] is not None and (seconds - w["time"]) % 900 == 0}


def checksum_holds(line):
    """A "$" line without "*" has no checksum; with one, "*hh" must end it and match."""
    if not line.startswith("$") or "*" not in line:
        return True
    body, _, given = line[1:].partition("*")
    total = 0
    for c in body.encode("latin-1"):
        total ^= c
    return len(given) == 2 and given.upper() == "%02X" % total


def same(record, fix, offset):
    """Whether a record holds a modelled fix, its time shifted by offset seconds."""
    _, quality, mph, course, fix_time, lat, lon, sats, hdop = record[:9]
    seconds = round((fix_time % 1) * 86400)
    # Single-precision fields to their precision; positions to well under the
    # last rounded digit of the minutes (1.7e-6 degrees).
    close = lambda a, b, rel=1e-6: math.isclose(a, b, rel_tol=rel, abs_tol=1e-9)  # noqa: E731
    return ((fix["time"] is None or seconds == (fix["time"] + offset) % 86400)
            and quality == fix["quality"] and sats == fix["sats"] and close(mph, fix["mph"])
            and close(course, f32(fix["course"])) and close(lat, fix["lat"], 0)
            and close(lon, fix["lon"], 0) and close(hdop, fix["hdop"]))
