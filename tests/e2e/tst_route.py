"""One person in the car: the real collector started with --checkpoints, fed
by the simulated receiver driving the route, with no key pressed. The run
starts at the first checkpoint, marks a node at each inner one, stops at the
last, and goes northbound; each mark falls within a couple of fixes of its
checkpoint."""

import os
import sys
import tempfile
import time

from harness import read_study, session

# Four checkpoints 80 m apart, northbound.
LATITUDES = [40.70000, 40.70072, 40.70144, 40.70216]
METRES_PER_DEGREE = 111195.0


def main(build_bin):
    folder = tempfile.mkdtemp(prefix="vt-route-")
    route = os.path.join(folder, "route.csv")
    with open(route, "w") as f:
        f.write("name,latitude,longitude\n" + "".join(
            "CP%d,%.5f,-74.00000\n" % (i + 1, lat) for i, lat in enumerate(LATITUDES)))
    with session(build_bin, "--rate", "5", "--route", route, "--route-wait", "1") as c:
        c.start("--checkpoints", route)
        study = c.begin_study()

        def records():
            return read_study(study)[1]
        deadline = time.monotonic() + 120
        size = 0
        # Until the first run has come and gone: records, then none for a while.
        while time.monotonic() < deadline:
            time.sleep(3)
            now = os.path.getsize(study)
            if now > 272 and now == size:
                break
            size = now
        c.keys("e")
        assert c.wait_end() == 0
        got = records()

    runs = {r[0] for r in got}
    assert runs == {1}, ("runs", runs)
    assert {r[11] for r in got} == {2}, ("directions", {r[11] for r in got})  # NB
    nodes = [r[9] for r in got]
    assert nodes == sorted(nodes) and set(nodes) == {0, 1, 2}, nodes
    # Where the run began, where each node's records begin, where it ended:
    # each within a few metres (two fixes at 5 Hz) past its checkpoint.
    first_of = {n: next(r for r in got if r[9] == n) for n in (0, 1, 2)}
    places = [first_of[0], first_of[1], first_of[2], got[-1]]
    for lat, record, slack in zip(LATITUDES, places, (0, 1, 1, -1)):
        metres = (record[5] - lat) * METRES_PER_DEGREE
        # The first records lie past their line, the last one before it.
        assert (0 <= metres <= 12) if slack >= 0 else (-12 <= metres <= 0), (lat, record, metres)
    print("e2e: a run by position, %d records, nodes at %s" % (
        len(got), ", ".join("%.1f m" % ((r[5] - lat) * METRES_PER_DEGREE)
                            for lat, r in zip(LATITUDES, places))))


if __name__ == "__main__":
    main(sys.argv[1])
