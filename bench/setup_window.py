"""The set-up window with network ports that never answer (ports 1 to N, 32
unless given): how long until the window shows, and until the port box, which
shows port N, shows its answer (red: it does not open). N is the last port
tested, so that is when the port list is complete (with no entries, port 32,
which names no device). A local socket that
listens and never accepts, its queue already full, leaves every connection
unanswered. Usage: bench/setup_window.py BUILD_BIN [REPETITIONS] [N]"""

import ctypes
import os
import re
import socket
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from harness import Collector, Display, wait_for  # noqa: E402



class Image(ctypes.Structure):  # the head of an XImage
    _fields_ = [(n, ctypes.c_int) for n in ("width", "height", "xoffset", "format")] \
        + [("data", ctypes.c_void_p)] + [(n, ctypes.c_int) for n in (
            "byte_order", "unit", "bit_order", "pad", "depth", "bytes_per_line")]


def red_pixels(c, window):
    """How many pixels of the window are pure red (the port box of a port that does not open)."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XGetImage.restype = ctypes.POINTER(Image)
    x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                              ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    size = dict(v.split("=") for v in c.xdotool("getwindowgeometry", "--shell", window))
    w, h = int(size["WIDTH"]), int(size["HEIGHT"])
    display = x11.XOpenDisplay(c.display.name.encode())
    image = x11.XGetImage(display, int(window), 0, 0, w, h, 0xFFFFFFFF, 2)  # ZPixmap
    data = ctypes.string_at(image.contents.data, image.contents.bytes_per_line * h)
    x11.XDestroyImage(image)
    x11.XCloseDisplay(ctypes.c_void_p(display))
    # 32-bit pixels, blue first: the regular expression scans at C speed.
    return sum(1 for m in re.finditer(rb"\x00\x00\xff", data) if m.start() % 4 == 0)


def once(build_bin, address, entries):
    display = Display()
    c = Collector(build_bin, display)
    try:
        os.makedirs(c.path("ports"))
        for n in range(1, entries + 1):
            with open(c.path("ports", "com%d" % n), "w") as f:
                f.write("tcp://%s:%d\n" % address)
        folder = (c.path("Data Files") + os.sep).encode()
        with open(c.path("Veltrip.bin"), "wb") as f:
            f.write(folder.ljust(78) + struct.pack("<h", entries or 32) + b"Standard USB".ljust(64)
                    + b" " * 20 + struct.pack("<hhhi", 0, 0, 0, 4800) + bytes(82))
        start = time.monotonic()
        c.app = subprocess.Popen([c.path("gps-collector")], env=c.env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        window = c.window(timeout=120)
        shown = time.monotonic() - start
        wait_for(lambda: red_pixels(c, window) > 100, 120, "the port box's answer")
        answered = time.monotonic() - start
        return shown, answered
    finally:
        c.close()
        display.close()


def main(build_bin, repetitions, entries):
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(0)
    filler = socket.create_connection(listener.getsockname())  # the queue is full from now on
    try:
        for _ in range(repetitions):
            shown, answered = once(build_bin, listener.getsockname(), entries)
            print("%d unanswering network ports: window shown after %.2f s, port %d's answer "
                  "after %.2f s" % (entries, shown, entries or 32, answered), flush=True)
    finally:
        filler.close()
        listener.close()


if __name__ == "__main__":
    args = sys.argv[1:]
    main(args[0], int(args[1]) if len(args) > 1 else 3, int(args[2]) if len(args) > 2 else 32)
