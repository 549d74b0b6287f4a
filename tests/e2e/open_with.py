#!/usr/bin/python3
"""Opens a patch file kept in another folder with the tool, as a file manager's
"Open With" does, and checks that the tool prepared and unlocked that file.

The installed menu entry is started by GLib's own launcher (`gio launch ENTRY
FILE`) from the home folder, which holds a second, decoy patch file. First the
entry must be one that file managers offer for the patch file: GLib's content
type for it must list the entry among its applications. Then the tool must
come up in the patch file's folder: "Patch Preparation" there unlocks the
patch file beside it and leaves the decoy locked.

Usage:
  open_with.py --build BUILD_DIR ARTIFACT_DIR     the entry `cmake --install` puts in place
  open_with.py --archive UNPACKED_DIR ARTIFACT_DIR
      the entry the portable archive's install-desktop-entry writes into a
      temporary home, which must write nothing outside its ~/.local

A screenshot and the tool's output go to ARTIFACT_DIR when the run fails.
"""

import os
import signal
import subprocess
import sys
import time

from session import (
    MAIN_TITLE, PATCH_BODY, PATCH_NAME, WAIT_S, Failure, actual_tree, make_prefix, report,
    run_drive, stop_on_signal, write_tree)
from user_run import prepare

ENTRY = "svxpatch.desktop"
SAMPLE = {
    "TERRAIN.CFG": b"",
    "Quellmark/RoDeZez/PRODUCT.INI": b"[Product]\r\nVersion=1.0.0\r\n",
    "Scenery/VODEVEVUZA/scenery/L1L_0001.XXX": b"l1l",
}
PREPARED = {
    "TERRAIN.CFG": b"",
    "Quellmark/RoDeZez/PRODUCT.INI": b"[Product]\r\nVersion=1.0.0\r\n",
    "Scenery/VODEVEVUZA/scenery/L1L_0001.BGL": b"l1l",
}


def files_under(root):
    return {os.path.relpath(os.path.join(folder, name), root)
            for folder, _, names in os.walk(root) for name in names}


class Sample:
    def __init__(self, tmp):
        self.tmp = tmp
        self.home = os.path.join(tmp, "home")
        self.prefix = os.path.join(tmp, "prefix")
        make_prefix(self.prefix, "C:\\\\FSX\\\\")
        self.sim = os.path.join(self.prefix, "drive_c", "FSX")
        write_tree(self.sim, SAMPLE)
        self.downloads = os.path.join(tmp, "Downloads")
        write_tree(self.downloads, {PATCH_NAME: PATCH_BODY})
        write_tree(self.home, {PATCH_NAME: PATCH_BODY})
        self.entry = None
        self.env = {}
        # A bus that is not there: without one GLib's launcher starts a session
        # bus of its own, which would outlive the test.
        self.bus = {"DBUS_SESSION_BUS_ADDRESS": "unix:path=" + os.path.join(tmp, "no-session-bus")}


def install_build(build):
    """The menu entry and programs installed under the sample's own /usr."""
    def lay_out(tmp):
        sample = Sample(tmp)
        usr = os.path.join(tmp, "usr")
        subprocess.run(["cmake", "--install", build, "--prefix", usr], check=True,
                       stdout=subprocess.DEVNULL)
        # What the package's installation triggers: GLib finds an entry's types
        # in the folder's cache.
        subprocess.run(["update-desktop-database", os.path.join(usr, "share", "applications")],
                       check=True)
        sample.entry = os.path.join(usr, "share", "applications", ENTRY)
        sample.env = {
            "PATH": os.path.join(usr, "bin") + os.pathsep + os.environ.get("PATH", ""),
            "XDG_DATA_DIRS": os.path.join(usr, "share") + os.pathsep + "/usr/share",
        }
        return sample
    return lay_out


def install_archive(unpacked):
    """The archive's own install for one user, into the sample's home."""
    def lay_out(tmp):
        sample = Sample(tmp)
        before = files_under(sample.home)
        env = dict(os.environ, HOME=sample.home)
        for name in ("XDG_DATA_HOME", "XDG_CONFIG_HOME"):
            env.pop(name, None)
        subprocess.run([os.path.join(unpacked, "install-desktop-entry")], env=env, check=True,
                       stdout=subprocess.DEVNULL)
        stray = sorted(f for f in files_under(sample.home) - before
                       if not f.startswith(".local" + os.sep))
        if stray:
            raise Failure(f"install-desktop-entry wrote outside ~/.local: {stray}")
        sample.entry = os.path.join(sample.home, ".local", "share", "applications", ENTRY)
        if not os.path.isfile(sample.entry):
            raise Failure(f"install-desktop-entry wrote no {sample.entry}")
        sample.env = {"XDG_DATA_HOME": None, "XDG_DATA_DIRS": "/usr/share"}
        return sample
    return lay_out


def offered(session, sample):
    """The entry is among the applications GLib lists for the patch file's type."""
    env = session.app_env(dict(sample.env, **sample.bus))
    patch = os.path.join(sample.downloads, PATCH_NAME)

    def gio(*args):
        return subprocess.run(["gio", *args], env=env, capture_output=True, text=True,
                              timeout=WAIT_S, check=True).stdout

    kind = gio("info", "-a", "standard::content-type", patch).split("standard::content-type:")[-1]
    kind = kind.strip()
    apps = gio("mime", kind)
    if ENTRY not in apps:
        raise Failure(f"{PATCH_NAME} is of type {kind!r}, for which GLib offers no {ENTRY}:\n{apps}")


def start(session, sample, log):
    offered(session, sample)
    sample.group = session.launch(
        ["gio", "launch", sample.entry, os.path.join(sample.downloads, PATCH_NAME)],
        sample.home, log, WINEPREFIX=sample.prefix, **sample.env, **sample.bus)


def drive(session, sample):
    main = session.wait_window(MAIN_TITLE)
    prepare(session, main)
    session.activate(main)
    session.click(main, "IDD_MAIN", "IDCANCEL")
    session.wait_gone(MAIN_TITLE)
    deadline = time.monotonic() + WAIT_S
    while session.group_alive(sample.group):
        if time.monotonic() > deadline:
            raise Failure('the tool did not end after "Exit"')
        time.sleep(0.1)
    return 0


def check(sample, _status):
    problems = []
    with open(os.path.join(sample.downloads, PATCH_NAME), "rb") as f:
        patch = f.read()
    if patch != b"MZ" + PATCH_BODY[2:]:
        problems.append(f"the opened patch file holds {patch!r}, want 'MZ' over its first two bytes")
    with open(os.path.join(sample.home, PATCH_NAME), "rb") as f:
        decoy = f.read()
    if decoy != PATCH_BODY:
        problems.append(f"the patch file in the launcher's folder was changed: {decoy!r}")
    if actual_tree(sample.sim) != PREPARED:
        problems.append(f"simulator folder not prepared: {sorted(actual_tree(sample.sim))}")
    return problems


def main():
    signal.signal(signal.SIGTERM, stop_on_signal)
    signal.signal(signal.SIGINT, stop_on_signal)
    if len(sys.argv) != 4 or sys.argv[1] not in ("--build", "--archive"):
        print(__doc__, file=sys.stderr)
        return 2
    mode, source = sys.argv[1], os.path.abspath(sys.argv[2])
    artifacts = os.path.abspath(sys.argv[3])
    os.makedirs(artifacts, exist_ok=True)
    lay_out = install_build(source) if mode == "--build" else install_archive(source)
    slug = "open-with" + mode.replace("--", "-")

    started = time.monotonic()
    try:
        problems = run_drive(artifacts, slug, lay_out, start, drive, check)
    except (Failure, OSError, subprocess.CalledProcessError) as e:  # before the display is up
        problems = [str(e)]
    passed = report(f"open with ({mode[2:]})", problems,
                    f"opened {PATCH_NAME} in another folder through the menu entry and "
                    f"prepared it in {time.monotonic() - started:.1f} s")
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main())
