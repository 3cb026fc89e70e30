#!/usr/bin/env python3
"""gd2's pages as a person sees them: summary and compare pages of two
synthetic studies rendered by headless Chromium (scripts/render-page), and
the pictures checked for what must show: the charts' colours drawn, on a
page of the width asked. The pictures stay in PAGES_DIR to be looked at.
Usage: tst_pages.py SOURCE_DIR PROGRAM_DIR PAGES_DIR"""

import pathlib
import shutil
import struct
import subprocess
import sys
import zlib

source, program, pages = (pathlib.Path(a) for a in sys.argv[1:4])
if not shutil.which("chromium"):
    print("skipped: chromium is not installed (./test installs it)")
    sys.exit(77)
pages.mkdir(parents=True, exist_ok=True)


def pixels(png):
    """Width and the RGB triples of an 8-bit RGB or RGBA PNG, as Chromium writes them."""
    data = png.read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", png
    at, idat = 8, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour in (2, 6), (depth, colour)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    step = 3 if colour == 2 else 4
    stride = width * step
    raw, rows, prior = zlib.decompress(idat), [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - step] if i >= step else 0
            b = prior[i]
            c = prior[i - step] if i >= step else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        prior = line
    return width, [row[i:i + 3] for row in rows for i in range(0, stride, step)]


def study(name, *options):
    path = pages / name
    subprocess.run([sys.executable, source / "bench/make_study.py", path, "30000", *options],
                   check=True)
    return str(path)


before = study("before.gd2")
after = study("after.gd2", "--seed", "3", "--slower", "60")
gd2 = str(program / "gd2")
subprocess.run([gd2, "summary", "--html", pages / "summary.html", before], check=True)
subprocess.run([gd2, "compare", "--before", before, "--after", after, "--html",
                pages / "compare.html"], check=True)
subprocess.run([gd2, "delays", "--html", pages / "delays.html", before], check=True)

# What each page must show: colour (RGB) and the least number of its pixels.
EXPECTED = {
    "summary": {"run dots": (0xD6, 0x27, 0x28), "interval band": (0xC6, 0xDB, 0xEF),
                "delay bars": (0x1F, 0x77, 0xB4)},
    "compare": {"before": (0x1F, 0x77, 0xB4), "after": (0xFF, 0x7F, 0x0E)},
    "delays": {"stopped delay": (0xF4, 0xA6, 0xA0), "speed": (0x1F, 0x5F, 0xA8)},
}
problems = []
for page, colours in EXPECTED.items():
    png = pages / f"{page}.png"
    subprocess.run([source / "scripts/render-page", pages / f"{page}.html", png, "1280", "3000"],
                   check=True)
    width, rgb = pixels(png)
    if width != 1280:
        problems.append(f"{page}: {width} pixels wide")
    counts = {}
    for px in rgb:
        counts[px] = counts.get(px, 0) + 1
    for what, colour in colours.items():
        if counts.get(bytes(colour), 0) < 200:
            problems.append(f"{page}: {what} drawn in {counts.get(bytes(colour), 0)} pixels")
    if counts.get(b"\xff\xff\xff", 0) > 0.97 * len(rgb):
        problems.append(f"{page}: nearly blank")
    # Nothing runs off the window: the right margin stays white.
    cut = sum(1 for k, px in enumerate(rgb) if k % width >= width - 24 and px != b"\xff\xff\xff")
    if cut:
        problems.append(f"{page}: {cut} pixels drawn in the right margin (cut off)")
print("\n".join(problems) or f"pages rendered as drawn: {pages}")
sys.exit(1 if problems else 0)
