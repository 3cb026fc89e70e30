"""The collector as installed: in a folder that is root's, started by an ordinary
user with an empty home. The preferences and the port links go to
~/.config/gps-collector, the study to ~/Documents/GPS Studies, made at the first
start, and nothing is written beside the program. A home too long for the 78 bytes
the preferences keep of the data folder is refused: no study is written. Run as
root (CI), the user is nobody, through setpriv; otherwise the program folder is
made read-only."""

import os
import shutil
import subprocess
import sys
import tempfile
import time

from harness import PREFS, TITLE, Display, read_study, wait_for

ROOT = os.geteuid() == 0
AS_USER = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"] if ROOT else []


def users_folder(path):
    os.makedirs(path, mode=0o700, exist_ok=True)
    if ROOT:
        os.chown(path, 65534, 65534)
    return path


class Installed:
    def __init__(self, program, display, home):
        self.program, self.display, self.home, self.procs = program, display, home, []
        runtime = users_folder(os.path.join(home, ".runtime"))
        self.env = {"PATH": os.environ["PATH"], "HOME": home, "DISPLAY": display.name,
                    "QT_QPA_PLATFORM": "xcb", "XDG_RUNTIME_DIR": runtime,
                    "ASAN_OPTIONS": "detect_leaks=0"}

    def run(self, name, *args, **kw):
        proc = subprocess.Popen(AS_USER + [os.path.join(self.program, name), *args], env=self.env,
                                **kw)
        self.procs.append(proc)
        return proc

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True,
                              text=True).stdout.split()

    def keys(self, *keys, then=0):
        window = wait_for(lambda: self.xdotool("search", "--onlyvisible", "--name", TITLE), 30,
                          "a window of the collector")[-1]
        self.xdotool("windowfocus", "--sync", window)
        for key in keys:
            self.xdotool("key", key)
            time.sleep(0.15)
        time.sleep(then)

    def close(self):
        for proc in self.procs:
            if proc.poll() is None:
                proc.kill()
                proc.wait(timeout=10)


def whole(path):
    return wait_for(lambda: os.path.exists(path) and os.path.getsize(path) == PREFS
                    and open(path, "rb").read(), 20, path)


def main(build_bin):
    program = tempfile.mkdtemp(prefix="vt-usr-bin-")
    for name in ("gps-collector", "gpssim"):
        shutil.copy2(os.path.join(build_bin, name), program)
    os.chmod(program, 0o755 if ROOT else 0o555)
    homes = tempfile.mkdtemp(prefix="vt-homes-")
    os.chmod(homes, 0o755)
    display = Display()
    try:
        home = users_folder(os.path.join(homes, "ann"))
        app = Installed(program, display, home)
        version = subprocess.run(AS_USER + [os.path.join(program, "gps-collector"), "--version"],
                                 env={"PATH": os.environ["PATH"]}, capture_output=True, text=True)
        assert version.stdout == "gps-collector 2.1.2\n", version

        config = os.path.join(home, ".config", "gps-collector")
        app.run("gpssim", "--port", "1", "--baud", "0", "--quiet")
        wait_for(lambda: os.path.islink(os.path.join(config, "ports", "com1")), 10, "the port")
        collector = app.run("gps-collector", stderr=subprocess.PIPE)
        data = os.path.join(home, "Documents", "GPS Studies") + "/"
        prefs = whole(os.path.join(config, "Veltrip.bin"))
        assert prefs[:78] == data.encode().ljust(78), prefs[:78]
        assert os.path.isdir(data), "the data folder is made at the first start"
        app.keys("Return")
        study = os.path.join(data, "Test-1.gd2")
        wait_for(lambda: os.path.exists(study), 20, study)
        app.keys("r", then=3)
        app.keys("r", then=1)
        app.keys("e")
        assert collector.wait(timeout=30) == 0, collector.stderr.read().decode()[-2000:]
        assert len(read_study(study)[1]) >= 2
        assert sorted(os.listdir(program)) == ["gps-collector", "gpssim"], os.listdir(program)
        if ROOT:
            assert os.stat(study).st_uid == 65534
        app.close()

        # A home whose data folder does not fit: the first start says so when
        # the set-up is accepted, and writes no study.
        long_home = users_folder(os.path.join(homes, "a-home-folder-named-at-great-length-" * 2))
        app = Installed(program, display, long_home)
        app.run("gps-collector", stderr=subprocess.DEVNULL)
        prefs = whole(os.path.join(long_home, ".config", "gps-collector", "Veltrip.bin"))
        assert prefs[:78] == (long_home + "/Documents/GPS Studies/").encode()[:78], prefs[:78]
        app.keys("Return", then=2)
        studies = [f for _, _, files in os.walk(long_home) for f in files if f.endswith(".gd2")]
        assert studies == [], studies
        app.close()
        print("installed: preferences, ports and a study under the user's home, none beside "
              "the program; a home too long refused")
        return 0
    finally:
        display.close()
        shutil.rmtree(program, ignore_errors=True)
        shutil.rmtree(homes, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
