"""The collector as installed: in a folder of root's, started by an ordinary user
with an empty home (nobody, through setpriv, when run as root; otherwise the
folder is made read-only). The preferences and the simulator's port link go to
~/.config/gps-collector, the study to ~/Documents/GPS Studies, made at the first
start; nothing is written beside the program."""

import os
import shutil
import subprocess
import sys
import tempfile
import time

from harness import PREFS, TITLE, Display, read_study, wait_for

ROOT = os.geteuid() == 0
AS_USER = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"] if ROOT else []


def main(build_bin):
    program, home = tempfile.mkdtemp(prefix="vt-bin-"), tempfile.mkdtemp(prefix="vt-home-")
    for name in ("gps-collector", "gpssim"):
        shutil.copy2(os.path.join(build_bin, name), program)
    os.chmod(program, 0o755 if ROOT else 0o555)
    if ROOT:
        os.chown(home, 65534, 65534)
    display, procs = Display(), []
    env = {"PATH": os.environ["PATH"], "HOME": home, "DISPLAY": display.name,
           "QT_QPA_PLATFORM": "xcb", "XDG_RUNTIME_DIR": home, "ASAN_OPTIONS": "detect_leaks=0"}
    run = lambda *args, **kw: procs.append(subprocess.Popen(  # noqa: E731
        AS_USER + [os.path.join(program, args[0]), *args[1:]], env=env, **kw)) or procs[-1]
    xdotool = lambda *args: subprocess.run(["xdotool", *args], env=env,  # noqa: E731
                                           capture_output=True, text=True).stdout.split()

    def keys(*keys, then=0.0):
        window = wait_for(lambda: xdotool("search", "--onlyvisible", "--name", TITLE), 30,
                          "a window of the collector")[-1]
        xdotool("windowfocus", "--sync", window)
        for key in keys:
            xdotool("key", key)
        time.sleep(then)

    try:
        version = run("gps-collector", "--version", stdout=subprocess.PIPE).communicate()[0]
        assert version == b"gps-collector 2.1.2\n", version
        config, data = home + "/.config/gps-collector/", home + "/Documents/GPS Studies/"
        run("gpssim", "--port", "1", "--baud", "0", "--quiet")
        wait_for(lambda: os.path.islink(config + "ports/com1"), 10, "the simulated port")
        collector = run("gps-collector", stderr=subprocess.PIPE)
        prefs_file = config + "Veltrip.bin"
        prefs = wait_for(lambda: os.path.exists(prefs_file) and os.path.getsize(prefs_file) == PREFS
                         and open(prefs_file, "rb").read(), 20, "the preferences")
        assert prefs[:78] == data.encode().ljust(78), prefs[:78]
        keys("Return")
        wait_for(lambda: os.path.exists(data + "Test-1.gd2"), 20, "the study")
        keys("r")
        wait_for(lambda: len(read_study(data + "Test-1.gd2")[1]) >= 2, 60, "two records")
        keys("r")

        def ended():  # e is refused until the stop has been taken
            if collector.poll() is None:
                try:
                    keys("e", then=0.5)
                except AssertionError:  # its window gone: it has ended
                    pass
            return collector.poll() is not None
        wait_for(ended, 60, "the collector to end")
        assert collector.returncode == 0, collector.stderr.read().decode()[-2000:]
        assert sorted(os.listdir(program)) == ["gps-collector", "gpssim"], os.listdir(program)
        print("installed: the preferences, the port and a study under the user's home")
        return 0
    finally:
        for proc in procs:
            if proc.poll() is None:
                proc.kill()
                proc.wait(timeout=10)
        display.close()
        shutil.rmtree(program, ignore_errors=True)
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
