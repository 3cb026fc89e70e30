"""One person in the car: the real collector started with --checkpoints, fed
by the simulated receiver driving the route northbound, with no key pressed.
The run starts at the first checkpoint, marks a node at each inner one, stops
at the last, and goes northbound; each mark falls within a couple of fixes of
its checkpoint."""

import os
import sys
import tempfile

from harness import HEADER, read_study, session, wait_for

# Four checkpoints 80 m apart, northbound.
LATITUDES = [40.70000, 40.70072, 40.70144, 40.70216]
METRES_PER_DEGREE = 111195.0
# The drive crosses CP4 at 69 s, reaches the end of its lead-out 150 m on at
# 85 s and turns there for 10 s: silent from then on, it starts no second run.
SILENT_FROM = 90


def open_files(pid):
    files = set()
    for fd in os.listdir("/proc/%d/fd" % pid):
        try:
            files.add(os.readlink("/proc/%d/fd/%s" % (pid, fd)))
        except OSError:  # closed meanwhile
            pass
    return files


def main(build_bin):
    folder = tempfile.mkdtemp(prefix="vt-route-")
    route = os.path.join(folder, "route.csv")
    with open(route, "w") as f:
        f.write("name,latitude,longitude\n" + "".join(
            "CP%d,%.5f,-74.00000\n" % (i + 1, lat) for i, lat in enumerate(LATITUDES)))
    with session(build_bin, "--rate", "5", echo=False) as c:
        c.start("--checkpoints", route)
        study = c.begin_study()
        # The route is driven from the moment the collector listens, however
        # long a slow machine took to start it: another receiver on the same
        # port, which the collector opens as one plugged back in.
        device = os.readlink(c.path("ports", "com1"))
        wait_for(lambda: device in open_files(c.app.pid), 60, "the collector to open its port")
        c.sim.terminate()
        c.sim.wait(timeout=10)
        c.start_simulator("--rate", "5", "--route", route, "--route-wait", "1",
                          "--silent", "%d:1e6" % SILENT_FROM, echo=False)
        wait_for(lambda: os.path.getsize(study) > HEADER, 120, "the route to start a run")

        # E ends the study only between runs: pressed until it does, it ends it
        # once the route has stopped the run, however long that takes.
        def ended():
            try:
                c.keys("e", pause=0.5)
            except AssertionError:  # ended between the look and the key
                pass
            return c.app.poll() is not None
        wait_for(ended, 120, "the route to stop the run")
        assert c.app.returncode == 0
        got = read_study(study)[1]

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
