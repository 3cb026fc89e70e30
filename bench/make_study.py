#!/usr/bin/env python3
"""Writes a synthetic study file for timing `gd2 summary` and `compare`:
RECORDS fixes at 10 Hz, runs back and forth along a straight north-south
route with nodes, stops at the nodes and a few delay numbers.

    bench/make_study.py OUT.gd2 [RECORDS] [--seed N] [--slower PCT] [--winding]

RECORDS defaults to 432000 (12 hours at 10 Hz); --seed gives another drive
of the same kind (default 15); --slower makes every wait PCT percent longer,
as a study after a change for the worse; --winding bends the route east and
west and puts each node at one place, for pictures of a map.
"""
import argparse
import math
import random
import struct

DAY = 40238.0  # 2010-03-01
HZ = 10
RUN_FIXES = 6000  # ten minutes a run
NODES = 4

parser = argparse.ArgumentParser()
parser.add_argument("out")
parser.add_argument("records", nargs="?", type=int, default=432000)
parser.add_argument("--seed", type=int, default=15)
parser.add_argument("--slower", type=float, default=0.0)
parser.add_argument("--winding", action="store_true")
args = parser.parse_args()
out = args.out
total = args.records
rng = random.Random(args.seed)

header = struct.pack("<hhhd", 2, 1, 2, DAY) + b"XX" + bytes(256)
records = []
t = 6 * 3600.0  # 06:00
run = 0
while len(records) < total:
    run += 1
    direction = 2 if run % 2 else 1  # NB, SB
    lat = 40.0 if direction == 2 else 40.1
    step = 1 if direction == 2 else -1
    node = 0
    stop_left = 0
    n = min(RUN_FIXES + rng.randint(-600, 600), total - len(records))
    cruise = 30.0
    marks = sorted(rng.sample(range(n // 10, n - n // 10), NODES))
    places = [40.0 + 0.1 * (direction == 1) + step * 0.012 * (i + 1) for i in range(NODES)]
    for k in range(n):
        if node < NODES and (step * (lat - places[node]) >= 0 if args.winding
                             else k == marks[node]):
            node += 1
            stop_left = int(rng.randint(50, 400) * (1 + args.slower / 100))
        cruise = min(38.0, max(22.0, cruise + rng.uniform(-0.3, 0.3)))
        mph = 0.0 if stop_left > 0 else cruise
        stop_left -= 1
        lat += step * mph * 0.44704 / HZ / 111195.0
        delay = rng.randint(1, 9) if rng.random() < 0.0005 else -1
        lon = 75.0 + (0.01 * math.sin((lat - 40.0) * 100.0) if args.winding else 0.0)
        records.append(struct.pack("<hhffdddhfhhh", run, 1, mph, 0.0, DAY + t / 86400.0,
                                   lat, lon, 8, 1.0, node, delay, direction))
        t += 1.0 / HZ
    t += 30.0
with open(out, "wb") as f:
    f.write(header)
    f.write(b"".join(records))
