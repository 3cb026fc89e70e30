#!/usr/bin/env python3
"""The source folders are layers: a file includes headers of its own folder
and of the folders below it only. The command-line tools carry no window
libraries. Usage: tst_layers.py SOURCE_DIR PROGRAM_DIR"""

import pathlib
import re
import subprocess
import sys

# Lowest first; folders of equal rank do not include each other.
RANK = {"format": 0, "nmea": 1, "gps": 2, "route": 2, "analysis": 3, "core": 4, "windows": 5,
        "platform": 5, "app": 6}

src = pathlib.Path(sys.argv[1]) / "src"
home = {f.name: f.parent.name for f in src.glob("*/*.[ch]*")}
problems = []
for f in src.glob("*/*.[ch]*"):
    mine = f.parent.name
    for header in re.findall(r'#include "([^"]+)"', f.read_text()):
        theirs = home.get(header)
        if theirs and theirs != mine and RANK[theirs] >= RANK[mine]:
            problems.append(f"{mine}/{f.name} includes {theirs}/{header}")
for tool in ("gd2", "gpssim"):
    libs = subprocess.run(["ldd", str(pathlib.Path(sys.argv[2]) / tool)],
                          capture_output=True, text=True, check=True).stdout
    problems += [f"{tool} links {lib}" for lib in ("Qt6Widgets", "Qt6Gui", "Qt6SerialPort")
                 if lib in libs]
print("\n".join(problems) or "layers kept")
sys.exit(1 if problems else 0)
