"""The Windows build under Wine, against the Linux build: gd2.exe's outputs
byte for byte (line ends aside) with the Linux gd2's, and a study recorded
by gps-collector.exe under Xvfb, fed by the simulated receiver over tcp://
or through a COM port that Wine maps to a pseudo-terminal, checked as the
Linux build's study is (tst_study.py); and the installer installed,
run and uninstalled. Run by scripts/windows --test:

    tst_wine.py gd2 STAGE LINUX_BIN [STUDY...]
    tst_wine.py study linux|tcp|com STAGE LINUX_BIN
    tst_wine.py installed INSTALLER
"""

import glob
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib
from contextlib import contextmanager

import tst_study
from harness import STUDY, Collector, Display, read_study, wait_for, window_image
from harness import session as harness_session

# Each gd2 command a study is put through on both systems; F is the study.
GD2_COMMANDS = [["info", "F"], ["dump", "F"], ["export", "--format", "csv", "F"],
                ["export", "--format", "gpx", "--utc-offset", "-5", "F"], ["export", "--format", "geojson", "F"],
                ["export", "--format", "kml", "F"], ["report", "F"], ["report", "--csv", "F"],
                ["summary", "F"], ["summary", "--csv", "F"]]


def wine(*args):
    return ["wine", *args]


class WineCollector(Collector):
    """A portable copy of the Windows build in a folder of its own (Z:\\tmp\\...)."""

    def __init__(self, stage, linux_bin, display, line):
        self.folder = tempfile.mkdtemp(prefix="vt-wine-")
        shutil.copytree(stage, self.folder, dirs_exist_ok=True)
        os.makedirs(self.path("Data Files"))
        self.display, self.sim, self.app = display, None, None
        self.linux_bin, self.line, self.sim_folder = linux_bin, line, None
        self.env = dict(os.environ, DISPLAY=display.name)
        self.env.pop("QT_QPA_PLATFORM", None)  # Windows' own platform plugin

    def start_simulator(self, *args):
        common = ["--port", "1", "--baud", "0", "--echo", "--quiet", *args]
        if self.line == "tcp":
            # gpssim.exe serves the stream on a TCP port and names it in ports\com1.
            self.sim = subprocess.Popen(wine(self.path("gpssim.exe"), *common),
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                        env=self.env)
            # ports\\port1: "com1" would name the device COM1 itself.
            wait_for(lambda: os.path.isfile(self.path("ports", "port1")), 60, "ports\\port1")
            return
        # The Linux gpssim on a pseudo-terminal, which Wine shows as COM1: the
        # program folder has no ports entry, so port 1 is COM1 itself.
        self.sim_folder = tempfile.mkdtemp(prefix="vt-wine-sim-")
        self.sim = subprocess.Popen(
            [os.path.join(self.linux_bin, "gpssim"), "--program-folder", self.sim_folder,
             *common], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=self.env)
        link = os.path.join(self.sim_folder, "ports", "com1")
        wait_for(lambda: os.path.islink(link), 10, "the simulated port")
        # Wine names its COM ports afresh (com1 -> /dev/ttyS0) whenever its
        # server starts: a server kept running, started first, then the link.
        quiet = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=self.env)
        subprocess.run(["wineserver", "-p"], start_new_session=True, **quiet)
        subprocess.run(wine("cmd", "/c", "exit"), **quiet)
        com1 = os.path.join(os.environ["WINEPREFIX"], "dosdevices", "com1")
        if os.path.lexists(com1):
            os.remove(com1)
        os.symlink(os.readlink(link), com1)

    def data_folder(self):
        """Z:\\tmp\\vt-wine-...\\Data Files\\, as Windows names it."""
        return subprocess.run(["winepath", "-w", self.path("Data Files")], capture_output=True,
                              text=True, env=self.env).stdout.strip().rstrip("\\") + "\\"

    def start(self, *args):
        self.app = subprocess.Popen(wine(self.path("gps-collector.exe"), *args), env=self.env,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        return self.window()

    def window(self, timeout=120):  # Wine's first start in a prefix is slow
        return super().window(timeout)

    def keys(self, *keys, pause=0.15, then=0):
        super().keys(*keys, pause=pause, then=then)
        # The main window during the first run, for the README, when asked for.
        shot = os.environ.get("VT_WINE_SCREENSHOT")
        if shot and keys == ("r",) and not os.path.exists(shot):
            screenshot(self.display.name, self.window(), shot)

    def close(self):
        super().close()
        if self.sim_folder:
            shutil.rmtree(self.sim_folder, ignore_errors=True)
            subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)


def screenshot(display_name, window, path):
    """A window's pixels (24-bit screen) as a PNG."""
    w, h, line, data = window_image(display_name, window)
    rows = b"".join(b"\0" + bytes(b for x in range(w) for b in (
        data[y * line + 4 * x + 2], data[y * line + 4 * x + 1], data[y * line + 4 * x]))
        for y in range(h))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(
            ">I", zlib.crc32(kind + body))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def keeping_study(make, line):
    """A session whose study is kept, as vt-wine-study-LINE.gd2, for gd2's comparison."""
    @contextmanager
    def session(build_bin, *simulator_args):
        with make(build_bin, *simulator_args) as c:
            yield c
            shutil.copy2(c.path(STUDY), os.path.join(tempfile.gettempdir(),
                                                     "vt-wine-study-%s.gd2" % line))
    return session


def wine_session(stage, linux_bin, line):
    @contextmanager
    def session(_, *simulator_args):
        c = WineCollector(stage, linux_bin, Display(), line)
        try:
            c.start_simulator(*simulator_args)
            yield c
        finally:
            c.close()
            c.display.close()
        shutil.rmtree(c.folder, ignore_errors=True)
    return session


def installed(installer):
    """The installer run silently, the installed collector started once, then
    uninstalled: the preferences go to AppData\\Roaming, the data folder to
    Documents, both named with Windows' separators, and both stay."""
    assert subprocess.run(wine(installer, "/S")).returncode == 0
    drive_c = os.path.join(os.environ["WINEPREFIX"], "drive_c")
    program = os.path.join(drive_c, "Program Files", "GPS Travel Time Data Collector")
    assert os.path.isfile(os.path.join(program, "gps-collector.exe")), program
    appdata = subprocess.run(wine("cmd", "/c", "echo", "%APPDATA%"), capture_output=True,
                             text=True).stdout.strip()
    prefs_win = appdata + "\\gps-collector\\Veltrip.bin"
    prefs = subprocess.run(["winepath", "-u", prefs_win], capture_output=True,
                           text=True).stdout.strip()
    if os.path.exists(prefs):
        os.remove(prefs)
    # The installer and cmd ran without a screen; a collector joining their
    # Wine session would have none either. It starts a session of its own.
    try:
        subprocess.run(["wineserver", "-w"], timeout=60)
    except subprocess.TimeoutExpired:
        subprocess.run(["wineserver", "-k"])
    c = WineCollector(program, None, Display(), "installed")
    shutil.rmtree(c.folder)
    c.folder = program  # as installed, not a copy
    try:
        c.start()
        data = wait_for(lambda: os.path.exists(prefs) and open(prefs, "rb").read(), 60, prefs)
        c.kill()
    finally:
        c.close()
        c.display.close()
    folder = data[:78].rstrip(b" ").decode("cp1252")
    assert folder.endswith("\\GPS Studies\\") and "/" not in folder, folder
    documents = subprocess.run(["winepath", "-u", folder], capture_output=True,
                               text=True).stdout.strip()
    assert os.path.isdir(documents), (folder, documents)
    assert subprocess.run(wine(os.path.join(program, "Uninstall.exe"), "/S")).returncode == 0
    wait_for(lambda: not os.path.exists(os.path.join(program, "gps-collector.exe")), 60,
             "the uninstaller")
    assert os.path.exists(prefs) and os.path.isdir(documents), "the user's files stay"
    print("wine: installed, preferences in %s, studies in %s, uninstalled" % (prefs_win, folder))


def compare_gd2(stage, linux_bin, studies):
    """Every command on every study, then summary and compare over them all, on both
    systems, from the studies' folder so that names are shown alike; the
    outputs must be the same."""
    assert studies, "no studies to compare"
    folder = tempfile.mkdtemp(prefix="vt-wine-gd2-")
    names = []
    for n, study in enumerate(studies, 1):
        read_study(study)  # whole records
        names.append("study-%d.gd2" % n)
        shutil.copy2(study, os.path.join(folder, names[-1]))
    runs = [[a if a != "F" else name for a in command]
            for name in names for command in GD2_COMMANDS]
    if len(names) > 1:
        runs += [["summary", *names], ["compare", "--before", names[0], "--after", *names[1:]]]
    said = lambda out: out.replace(b"\r\n", b"\n")  # noqa: E731
    for args in runs:
        linux = subprocess.run([os.path.join(linux_bin, "gd2"), *args], capture_output=True,
                               cwd=folder)
        windows = subprocess.run(wine(os.path.join(stage, "gd2.exe"), *args),
                                 capture_output=True, cwd=folder)
        assert windows.returncode == linux.returncode, (args, windows.stderr)
        assert said(windows.stdout) == said(linux.stdout), (args, windows.stdout[:400],
                                                              linux.stdout[:400])
    shutil.rmtree(folder)
    print("wine: gd2.exe gave the Linux gd2's output for %d commands on %d studies"
          % (len(runs), len(studies)))


def main(argv):
    if argv[0] == "gd2":
        stage, linux_bin, studies = argv[1], argv[2], argv[3:]
        studies = studies or sorted(glob.glob(os.path.join(tempfile.gettempdir(),
                                                           "vt-wine-study-*.gd2")))
        compare_gd2(stage, linux_bin, studies)
    elif argv[0] == "study":
        # The same run on Linux, or under Wine over tcp:// or a COM port.
        line, stage, linux_bin = argv[1], argv[2], argv[3]
        if line == "linux":
            tst_study.main(linux_bin, session=keeping_study(harness_session, line))
        else:
            tst_study.main(None, session=keeping_study(wine_session(stage, linux_bin, line), line))
        print("wine: the study recorded over %s checked" % line)
    elif argv[0] == "installed":
        installed(argv[1])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
