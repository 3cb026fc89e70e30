#!/usr/bin/env python3
"""gd2's GeoPackage as GIS users' tools read it: two synthetic studies (some
fixes without a position) exported with `export --format gpkg`, opened by
GDAL (ogrinfo, ogr2ogr, validate_gpkg.py) and by SQLite, and every layer
checked against the CSV exports: feature count, geometry type, extent and
every cell. GDAL must say no warning. Usage: tst_gpkg.py SOURCE_DIR PROGRAM_DIR WORK_DIR"""

import csv
import io
import math
import pathlib
import re
import shutil
import sqlite3
import subprocess
import sys

source, program, work = (pathlib.Path(a) for a in sys.argv[1:4])
if not shutil.which("ogrinfo"):
    print("skipped: ogrinfo is not installed (./test installs gdal-bin)")
    sys.exit(77)
work.mkdir(parents=True, exist_ok=True)
csv.field_size_limit(1 << 30)  # the runs' lines as text
gd2 = str(program / "gd2")
HEADER, RECORD = 272, 48

studies, unplaced = [], 0
for seed in (1, 2):
    path = work / f"s{seed}.gd2"
    subprocess.run([sys.executable, source / "bench/make_study.py", path, "13000", "--seed",
                    str(seed)], check=True)
    data = bytearray(path.read_bytes())
    for k in range(seed * 7, 13000, 997):  # a latitude no receiver gives: no position
        unplaced += 1
        data[HEADER + k * RECORD + 20:HEADER + k * RECORD + 28] = b"\x00\x00\x00\x00\x00\x38\x8f\xc0"
    path.write_bytes(data)
    studies.append(str(path))

out = work / "corridor.gpkg"
done = subprocess.run([gd2, "export", "--format", "gpkg", "--west", "--utc-offset", "-5",
                       "--base-ffs-mph", "40", "-o", out, *studies], capture_output=True, text=True)
assert done.returncode == 0, done.stderr
assert f"gd2: {unplaced} of 26000 records have no position and were left out" in done.stderr, \
    done.stderr


def gd2_csv(*args):
    return list(csv.DictReader(io.StringIO(subprocess.run([gd2, *args], capture_output=True,
                                                          text=True, check=True).stdout)))


def gdal(*args):
    run = subprocess.run(args, capture_output=True, text=True)
    assert run.returncode == 0 and not run.stderr and "Warning" not in run.stdout, run.stderr
    return run.stdout


def layer_rows(layer, points):
    xy = ["-lco", "GEOMETRY=AS_XY" if points else "GEOMETRY=AS_WKT"]
    return list(csv.DictReader(io.StringIO(gdal("ogr2ogr", "-f", "CSV", "/vsistdout/", str(out),
                                                 layer, *xy))))


# Expected rows per layer, keyed as the package keys them, from the CSV exports.
fixes, runs, stretches, nodes = {}, {}, {}, {}
for path in studies:
    name = pathlib.Path(path).name
    marks, node, due, run = {}, None, False, None
    for r in gd2_csv("export", "--format", "csv", "--west", path):
        if r["run"] != run:
            run, node, due = r["run"], r["node"], False
        elif r["node"] != node:
            due, node = int(r["node"]) > int(node), r["node"]
        if r["latitude"]:
            fixes[(name, r["record"])] = r
            if due:
                nodes.setdefault((r["direction"], r["node"]), []).append(
                    (float(r["longitude"]), float(r["latitude"])))
                due = False
    for r in gd2_csv("report", "--csv", path):
        key = (name, r["run"], r["from"], r["to"])
        (runs if r["stretch"] == "all" else stretches)[key] = r
    # The delay at a node goes with the stretch that ends there.
    delays = {(r["run"], "N" + r["node"]): r for r in gd2_csv("delays", "--csv", path)}
    for (study, run, _, end), r in stretches.items():
        if study == name and (run, end) in delays:
            r.update({k: v for k, v in delays[(run, end)].items() if "delay" in k})
summary = {(r["direction"], r["period"], r["from"], r["to"]): r
           for r in gd2_csv("summary", "--csv", "--base-ffs-mph", "40", *studies)}
xs = [float(r["longitude"]) for r in fixes.values()]
ys = [float(r["latitude"]) for r in fixes.values()]
corridor = (min(xs), min(ys), max(xs), max(ys))


def utc(local):
    """The CSV's local time at UTC-5, as GDAL gives the package's DATETIME."""
    date, clock = local.split("T")
    return f"{date.replace('-', '/')} {int(clock[:2]) + 5:02d}{clock[2:]}+00"


def km(wkt):
    """The length of a WKT line string along the earth, as the report measures it."""
    xy = [tuple(map(float, p.split())) for p in wkt[wkt.find("(") + 1:-1].split(",")] if wkt else []
    rad, legs = math.pi / 180, 0.0
    for (x1, y1), (x2, y2) in zip(xy, xy[1:]):
        a = math.sin((y2 - y1) * rad / 2) ** 2 + \
            math.cos(y1 * rad) * math.cos(y2 * rad) * math.sin((x2 - x1) * rad / 2) ** 2
        legs += 2 * 6371.0088 * math.asin(math.sqrt(a))
    return legs


def same(a, b, decimals=None):
    if a == "" or b == "":
        return a == b
    try:
        x, y = float(a), float(b)
    except ValueError:
        return a == b
    return abs(x - y) <= (0.5 * 10 ** -decimals + 1e-9 if decimals else 1e-6 * max(1, abs(y)))


# layer: geometry type, extent (None: the corridor's), key of a row, expected rows,
# columns as the package names them: the CSV's column (or a function of the CSV row).
CHECKS = {
    "fixes": ("Point", corridor, lambda r: (r["study"], r["record"]), fixes, {
        "run": "run", "direction": "direction", "node": "node", "delay": "delay",
        "time": lambda r: utc(r["time"]), "speed_mph": "speed_mph", "course": "course",
        "fix_quality": "fix_quality", "satellites": "satellites", "hdop": "hdop",
        "X": "longitude", "Y": "latitude"}),
    "runs": ("Line String", corridor, lambda r: (r["study"], r["run"], "start", "end"), runs, {
        "direction": "direction", "start": lambda r: utc(r["start"]),
        "travel_time_s": "travel_time_s", "distance_mi": "distance_mi",
        "avg_speed_mph": "avg_speed_mph", "stopped_s": "stopped_s", "fixes": "fixes",
        "incomplete_fixes": "incomplete_fixes", "delays": "delays",
        "WKT": lambda r: r["distance_km"]}),
    "stretches": ("Line String", corridor, lambda r: (r["study"], r["run"], r["from"], r["to"]),
                  stretches, {"stretch": "stretch", "start": lambda r: utc(r["start"]),
                              "travel_time_s": "travel_time_s", "distance_km": "distance_km",
                              "avg_speed_mph": "avg_speed_mph", "fixes": "fixes",
                              "delays": "delays", "WKT": lambda r: r["distance_km"],
                              "control_delay_s": lambda r: r.get("control_delay_s", ""),
                              "stopped_delay_s": lambda r: r.get("stopped_delay_s", "")}),
    "stretch_summary": ("Line String", None,
                        lambda r: (r["direction"], r["period"], r["from"], r["to"]), summary,
                        {c: c for c in next(iter(summary.values()))}),
    "nodes": ("Point", None, lambda r: (r["direction"], r["node"]), nodes, {
        "marks": len, "X": lambda m: sum(p[0] for p in m) / len(m),
        "Y": lambda m: sum(p[1] for p in m) / len(m)}),
}

problems = []
info = gdal("ogrinfo", "-ro", "-so", "-al", str(out))
for layer, (geometry, extent, key, expected, columns) in CHECKS.items():
    block = info.split(f"Layer name: {layer}\n")[1].split("Layer name:")[0]
    count = int(re.search(r"Feature Count: (\d+)", block)[1])
    if f"Geometry: {geometry}\n" not in block or count != len(expected):
        problems.append(f"{layer}: {count} features, {len(expected)} expected: {block[:80]}")
    got = {key(r): r for r in layer_rows(layer, geometry == "Point")}
    if set(got) != set(expected):
        problems.append(f"{layer}: rows {sorted(set(got) ^ set(expected))[:3]} differ")
        continue
    box = [float(v) for v in re.search(r"Extent: \((.*), (.*)\) - \((.*), (.*)\)", block).groups()]
    xs = [float(r["X"]) for r in got.values() if r.get("X")]
    if extent and any(abs(a - b) > 1e-9 for a, b in zip(box, extent)):
        problems.append(f"{layer}: extent {box}, the fixes' {extent}")
    elif xs and not (box[0] <= min(xs) and max(xs) <= box[2]):
        problems.append(f"{layer}: points outside its extent {box}")
    for k, row in got.items():
        for column, want in columns.items():
            wanted = want(expected[k]) if callable(want) else expected[k][want]
            cell = f"{km(row[column]):.3f}" if column == "WKT" else row[column]
            if not same(cell, str(wanted), 3 if column in ("WKT", "distance_mi") else None):
                problems.append(f"{layer} {k} {column}: {row[column]!r}, CSV {wanted!r}")
                break

# GDAL's own check of the GeoPackage rules (Debian's python3-gdal, which
# gdal-bin brings), then as SQLite sees it: a GeoPackage 1.2 with its systems
# and a default style per stretch layer.
validator = "/usr/lib/python3/dist-packages/osgeo_utils/samples/validate_gpkg.py"
check = subprocess.run(["/usr/bin/python3", validator, out], capture_output=True, text=True)
if check.returncode or check.stdout or check.stderr:
    problems.append(f"validate_gpkg.py: {check.stdout}{check.stderr}")
db = sqlite3.connect(out)
if db.execute("PRAGMA application_id").fetchone()[0] != 0x47504B47 or \
        db.execute("PRAGMA user_version").fetchone()[0] < 10200:
    problems.append("not marked as a GeoPackage 1.2")
if {r[0] for r in db.execute("SELECT srs_id FROM gpkg_spatial_ref_sys")} != {-1, 0, 4326}:
    problems.append("spatial reference systems")
styles = list(db.execute("SELECT f_table_name, useAsDefault, styleQML FROM layer_styles"))
if sorted((t, d, q.count("<range "), q.count("<category ")) for t, d, q in styles) != \
        [("stretch_summary", 0, 0, 6), ("stretch_summary", 1, 5, 0), ("stretches", 0, 0, 6),
         ("stretches", 1, 5, 0)]:
    problems.append(f"styles: {[s[:2] for s in styles]}")
print("\n".join(problems[:20]) or "GeoPackage read back as the CSV exports")
sys.exit(1 if problems else 0)
