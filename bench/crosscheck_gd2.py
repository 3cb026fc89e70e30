#!/usr/bin/python3
"""Checks every number of `gd2 compare --csv` and the reliability columns of
`gd2 summary --csv` against a reading of the study files and statistics
written independently of gd2, on NumPy and SciPy (Debian's python3-numpy and
python3-scipy; not needed by the tests).

    bench/crosscheck_gd2.py BIN_DIR [RECORDS]

It writes pairs of synthetic studies with bench/make_study.py (other drives,
slower or not), runs gd2 on them and compares cell by cell: a cell agrees
when it is the independent value rounded as the column rounds it (a value
that lies on a rounding tie, such as 37.35, may go either way).
"""
import csv
import io
import math
import pathlib
import struct
import subprocess
import sys
import tempfile

import numpy as np
from scipy import stats

BIN = pathlib.Path(sys.argv[1])
RECORDS = sys.argv[2] if len(sys.argv) > 2 else "40000"
HERE = pathlib.Path(__file__).parent
REFERENCE_MPH = 30.0
DIRECTIONS = {1: "SB", 2: "NB", 3: "WB", 4: "EB"}


def read_runs(path):
    """Per run: direction, travel time of the whole run and of each stretch (s), and metres."""
    data = pathlib.Path(path).read_bytes()[272:]
    records = [struct.unpack_from("<hhffdddhfhhh", data, k) for k in range(0, len(data) - 47, 48)]
    runs, current = [], None
    for run, _q, _mph, _course, time, lat, lon, _sats, _hdop, node, _delay, direction in records:
        if current is None or current["number"] != run:
            current = {"number": run, "dir": 0, "fixes": []}
            runs.append(current)
        if direction:
            current["dir"] = direction
        current["fixes"].append((time * 86400.0 if time > 0 else None, lat, lon, node))
    out = []
    for r in runs:
        timed = [f for f in r["fixes"] if f[0] is not None]
        total = timed[-1][0] - timed[0][0]
        # A stretch runs from its node's first fix to the next node's first fix.
        firsts, nodes = [], []
        for t, _lat, _lon, node in r["fixes"]:
            if not nodes or nodes[-1] != node:
                nodes.append(node)
                firsts.append(t)
        stretches = {}
        for k, node in enumerate(nodes):
            end = firsts[k + 1] if k + 1 < len(nodes) else timed[-1][0]
            name = ("start" if node == 0 else f"N{node}",
                    f"N{nodes[k + 1]}" if k + 1 < len(nodes) else "end")
            stretches[name] = (end - firsts[k], None)
        metres, last, legs = 0.0, None, {}
        node_of = None
        for t, lat, lon, node in r["fixes"]:
            if lat > 0 and lon > 0:
                if last:
                    p1, p2 = math.radians(last[0]), math.radians(lat)
                    a = (math.sin((p2 - p1) / 2) ** 2 + math.cos(p1) * math.cos(p2)
                         * math.sin(math.radians(lon - last[1]) / 2) ** 2)
                    leg = 2 * 6371008.8 * math.asin(math.sqrt(min(1.0, a)))
                    metres += leg
                    legs[node_of] = legs.get(node_of, 0.0) + leg
                last, node_of = (lat, lon), node
        for k, name in enumerate(list(stretches)):
            stretches[name] = (stretches[name][0], legs.get(nodes[k], 0.0))
        stretches[("run", "run")] = (total, metres)
        out.append((DIRECTIONS[r["dir"]], stretches))
    return out


def samples(paths):
    """(direction, from, to) -> list of (seconds, metres)."""
    groups = {}
    for path in paths:
        for direction, stretches in read_runs(path):
            for (a, b), value in stretches.items():
                groups.setdefault((direction, a, b), []).append(value)
    return groups


def gd2(*args):
    return list(csv.DictReader(io.StringIO(subprocess.run(
        [str(BIN / "gd2"), *args], check=True, capture_output=True, text=True).stdout)))


checked, wrong = 0, []


def agree(where, column, got, want, decimals):
    global checked
    checked += 1
    if want is None:
        if got != "":
            wrong.append(f"{where} {column}: gd2 {got}, expected empty")
        return
    # A value on a rounding tie may round either way by its last bits.
    if got == "" or abs(float(got) - want) > 0.5 * 10 ** -decimals + 1e-6:
        wrong.append(f"{where} {column}: gd2 {got}, expected {want:.{decimals + 3}f}")


def check_compare(before, after, options):
    b_groups, a_groups = samples(before), samples(after)
    confidence = options.get("confidence", 95) / 100
    detect, power = options.get("detect", 10) / 100, options.get("power", 80) / 100
    args = ["compare", "--csv"] + [x for p in before for x in ("--before", p)] + \
        [x for p in after for x in ("--after", p)]
    for name in ("confidence", "detect", "power"):
        if name in options:
            args += [f"--{name}", str(options[name])]
    for row in gd2(*args):
        key = (row["direction"], row["from"], row["to"])
        where = "compare " + " ".join(key)
        x = np.array([s for s, _ in b_groups.get(key, [])])
        y = np.array([s for s, _ in a_groups.get(key, [])])
        for side, v in (("before", x), ("after", y)):
            agree(where, "runs_" + side, row["runs_" + side] or "0", len(v), 0)
            agree(where, f"mean_{side}_s", row[f"mean_{side}_s"], v.mean() if len(v) else None, 1)
            agree(where, f"sd_{side}_s", row[f"sd_{side}_s"], v.std(ddof=1) if len(v) > 1 else None, 1)
        if len(x) < 2 or len(y) < 2:
            continue
        change = y.mean() - x.mean()
        agree(where, "change_s", row["change_s"], change, 1)
        agree(where, "change_pct", row["change_pct"], 100 * change / x.mean(), 1)
        test = stats.ttest_ind(y, x, equal_var=False)
        v1, v2 = x.var(ddof=1) / len(x), y.var(ddof=1) / len(y)
        df = (v1 + v2) ** 2 / (v1 ** 2 / (len(x) - 1) + v2 ** 2 / (len(y) - 1))
        half = stats.t.ppf(1 - (1 - confidence) / 2, df) * math.sqrt(v1 + v2)
        agree(where, "t", row["t"], test.statistic, 2)
        agree(where, "df", row["df"], df, 2)
        agree(where, "p_value", row["p_value"], test.pvalue, 4)
        agree(where, "ci_low_s", row["ci_low_s"], change - half, 1)
        agree(where, "ci_high_s", row["ci_high_s"], change + half, 1)
        checked_significant = "yes" if test.pvalue < 1 - confidence else "no"
        if row["significant"] != checked_significant:
            wrong.append(f"{where} significant: gd2 {row['significant']}")
        pooled = ((len(x) - 1) * x.var(ddof=1) + (len(y) - 1) * y.var(ddof=1)) / (len(x) + len(y) - 2)
        delta, n = detect * x.mean(), 2
        while n < 2 * (stats.t.ppf(1 - (1 - confidence) / 2, 2 * n - 2)
                       + stats.t.ppf(power, 2 * n - 2)) ** 2 * pooled / delta ** 2:
            n += 1 if n < 1000 else n // 100
        if n <= 1000:
            agree(where, "runs_to_detect", row["runs_to_detect"], n, 0)


def check_summary(paths):
    groups = samples(paths)
    for row in gd2("summary", "--csv", "--reference-mph", str(REFERENCE_MPH), *paths):
        key = (row["direction"], row["from"], row["to"])
        where = "summary " + " ".join(key)
        values = groups[key]
        x = np.array([s for s, _ in values])
        p80, p95, p50 = np.percentile(x, 80), np.percentile(x, 95), np.percentile(x, 50)
        free = np.mean([m for _, m in values]) / (REFERENCE_MPH * 0.44704)
        agree(where, "p80_s", row["p80_s"], p80, 1)
        agree(where, "p95_s", row["p95_s"], p95, 1)
        agree(where, "buffer_index", row["buffer_index"], (p95 - x.mean()) / x.mean(), 2)
        agree(where, "planning_time_index", row["planning_time_index"], p95 / free, 2)
        agree(where, "lottr", row["lottr"], p80 / p50, 2)


with tempfile.TemporaryDirectory() as tmp:
    def study(name, *options):
        path = f"{tmp}/{name}.gd2"
        subprocess.run([sys.executable, HERE / "make_study.py", path, RECORDS, *options], check=True)
        return path

    a1, a2 = study("a1"), study("a2", "--seed", "7")
    b1, b2 = study("b1", "--seed", "3", "--slower", "50"), study("b2", "--seed", "11", "--slower", "50")
    c1 = study("c1", "--seed", "5")
    check_compare([a1], [b1], {})
    check_compare([a1, a2], [b1, b2], {"confidence": 90, "detect": 20, "power": 90})
    check_compare([a1, a2], [c1], {"confidence": 99})
    check_summary([a1, a2, b1])
print("\n".join(wrong[:40]))
print(f"{checked - len(wrong)} of {checked} cells agree")
sys.exit(1 if wrong else 0)
