#!/usr/bin/python3
"""Runs the built tool as a user would and checks what it did on disk.

The tool is started as a separate process on a private X server (with a small
window manager, so windows take focus like on a desktop), with a temporary HOME
and a Wine-style prefix whose registry names a folder that does not exist. It
is driven from outside with keyboard and mouse events only: dismiss the warning
about the registry folder, change the folder to the real one, run the
preparation, accept the success message and press "Exit". Then every scenery
file of the sample tree is compared with what it must have become, the patch
file must start with "MZ", and the tool must have ended with status 0.

Usage: user_run.py EXECUTABLE ARTIFACT_DIR
A screenshot and the tool's output go to ARTIFACT_DIR when the run fails.
"""

import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

MAIN_TITLE = "Skarvane X- Patch Preparation Tool"
LOCATION_TITLE = "Change FSX Location"
PATCH_NAME = "SvxKmV11.exe"
PATCH_BODY = b"XXpatch-body\x00\x01"

# Dialog sizes in dialog units and the centres of the buttons and fields used,
# taken from the dialog templates; they are scaled to the real window size.
MAIN_DLU = (479, 123)
PREPARE_AT = (213, 80)
CHANGE_AT = (133, 80)
EXIT_AT = (293, 80)
LOCATION_DLU = (295, 137)
NEW_FOLDER_AT = (148, 62)
OK_AT = (32, 123)

# The sample simulator folder, reached as C:\Games\FSX through the prefix's
# drive link. Folder and file names use every kind of letter case, as real
# installations do. Each file holds its own original path, so a renamed file
# can be told from a new one.
SIM_DIR = "Games/FSX"
SIM_WINDOWS = "C:\\Games\\FSX"

SAMPLE = [
    "TERRAIN.CFG",
    "Quellmark/RoDeZez/PRODUCT.INI",
    # Rows 1-11: .XXX becomes .BGL, except LLC which goes the other way.
    "Scenery/VODEVEVUZA/scenery/L1L_0001.XXX",
    "Scenery/VODEVEVUZA/scenery/l1l_0002.xxx",
    "Scenery/VODEVEVUZA/scenery/L1P_0001.XXX",
    "Scenery/VODEVEVUZA/scenery/L1P_0001.BGL",
    "Scenery/VODEVEVUZA/scenery/L1R_0001.BGL",
    "Scenery/VODEVEVUZA/scenery/L6O_notes.txt",
    "Scenery/VODEVEVUZA/scenery/LLC_0001.BGL",
    "Scenery/VODEVEVUZA/scenery/Llc_0002.Bgl",
    "Scenery/VODEVEVUZA/scenery/LLC_0002.xxx",
    "Scenery/VODEVEVUZA/scenery/QLPA.XXX",
    "Scenery/VODEVEVUZA/scenery/QLPB.XXX",
    "Scenery/VODEVEVUZA/scenery/L7L_0001.XXX",
    "Scenery/VODEVEVUZA/scenery/readme.txt",
    "Scenery/veziruru/Scenery/RR3_0001.BGL",
    "Scenery/veziruru/Scenery/rr1_0001.XXX",
    "Scenery/ROVuzu/SCENERY/BRUA.xxx",
    "Scenery/ROVuzu/SCENERY/BRUA1.XXX",
    "Scenery/VAZizEdiz/Scenery/QLPA.XXX",
    "Scenery/OtherAddon/Scenery/L1L_0001.XXX",
]

# What each file must be after the run: its new name, or None when removed.
# Renamed files keep the base name as found and get the extension in capitals.
CHANGES = {
    "Scenery/VODEVEVUZA/scenery/L1L_0001.XXX": "Scenery/VODEVEVUZA/scenery/L1L_0001.BGL",
    "Scenery/VODEVEVUZA/scenery/l1l_0002.xxx": "Scenery/VODEVEVUZA/scenery/l1l_0002.BGL",
    "Scenery/VODEVEVUZA/scenery/L1P_0001.XXX": None,
    "Scenery/VODEVEVUZA/scenery/LLC_0001.BGL": "Scenery/VODEVEVUZA/scenery/LLC_0001.XXX",
    "Scenery/VODEVEVUZA/scenery/Llc_0002.Bgl": None,
    "Scenery/VODEVEVUZA/scenery/QLPA.XXX": "Scenery/VODEVEVUZA/scenery/QLPA.BGL",
    "Scenery/veziruru/Scenery/RR3_0001.BGL": "Scenery/veziruru/Scenery/RR3_0001.XXX",
    "Scenery/veziruru/Scenery/rr1_0001.XXX": "Scenery/veziruru/Scenery/rr1_0001.BGL",
    "Scenery/ROVuzu/SCENERY/BRUA.xxx": "Scenery/ROVuzu/SCENERY/BRUA.BGL",
    "Scenery/VAZizEdiz/Scenery/QLPA.XXX": "Scenery/VAZizEdiz/Scenery/QLPA.BGL",
}

WAIT_S = 15.0


class Failure(Exception):
    pass


def content_of(rel):
    if rel.endswith("PRODUCT.INI"):
        return b"[Product]\r\nVersion=1.0.0\r\n"
    return rel.encode() + b"\n"


def expected_tree():
    result = {}
    for rel in SAMPLE:
        new = CHANGES.get(rel, rel)
        if new is not None:
            result[new] = content_of(rel)
    return result


def actual_tree(root):
    result = {}
    for folder, _, files in os.walk(root):
        for name in files:
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                result[os.path.relpath(path, root)] = f.read()
    return result


def make_sample(tmp):
    prefix = os.path.join(tmp, "prefix")
    os.makedirs(os.path.join(prefix, "dosdevices"))
    os.makedirs(os.path.join(prefix, "drive_c"))
    os.symlink("../drive_c", os.path.join(prefix, "dosdevices", "c:"))
    with open(os.path.join(prefix, "system.reg"), "w") as f:
        f.write(
            "WINE REGISTRY Version 2\n"
            ";; All keys relative to \\\\Machine\n\n"
            "[Software\\\\Microsoft\\\\Microsoft Games\\\\Flight Simulator\\\\10.0] 1796747077\n"
            "#time=1d9f3c8e5a2b7c0\n"
            '"SetupPath"="C:\\\\Moved\\\\FSX\\\\"\n'
        )
    sim = os.path.join(prefix, "drive_c", SIM_DIR)
    for rel in SAMPLE:
        path = os.path.join(sim, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content_of(rel))
    work = os.path.join(tmp, "work")
    os.makedirs(work)
    with open(os.path.join(work, PATCH_NAME), "wb") as f:
        f.write(PATCH_BODY)
    os.makedirs(os.path.join(tmp, "home"))
    return prefix, sim, work


class Session:
    """The private X server, its window manager and the tool, always stopped."""

    def __init__(self, tmp):
        self.tmp = tmp
        self.procs = []
        self.app = None
        self.env = None

    def start_display(self):
        read_fd, write_fd = os.pipe()
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=[write_fd],
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL,
        )
        os.close(write_fd)
        self.procs.append(xvfb)
        number = b""
        deadline = time.monotonic() + WAIT_S
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            ready, _, _ = select.select([read_fd], [], [], 0.2)
            if not ready:
                continue
            chunk = os.read(read_fd, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_fd)
        if not number.strip():
            raise Failure("Xvfb did not report a display number")
        env = dict(os.environ)
        env["DISPLAY"] = ":" + number.decode().strip()
        # No accessibility bus here: without this GTK waits for one at start.
        env["NO_AT_BRIDGE"] = "1"
        self.env = env
        self.procs.append(
            subprocess.Popen(["openbox"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        )
        self.until(self.wm_running, "the window manager to start")

    def wm_running(self):
        out = self.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False)
        return "window id" in out

    def start_app(self, exe, prefix, work, log):
        env = dict(self.env)
        env["HOME"] = os.path.join(self.tmp, "home")
        env["WINEPREFIX"] = prefix
        self.app = subprocess.Popen([exe], cwd=work, env=env, stdout=log, stderr=subprocess.STDOUT)

    def stop(self):
        for proc in [self.app] + list(reversed(self.procs)):
            if proc is None or proc.poll() is not None:
                continue
            proc.send_signal(signal.SIGTERM)
            try:
                proc.wait(timeout=3)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()

    def run(self, args, check=True):
        result = subprocess.run(args, env=self.env, capture_output=True, text=True, timeout=WAIT_S)
        if check and result.returncode != 0:
            raise Failure(f"{' '.join(args)} failed: {result.stderr.strip()}")
        return result.stdout

    def until(self, predicate, what, timeout=WAIT_S):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            value = predicate()
            if value:
                return value
            if self.app is not None and self.app.poll() is not None:
                raise Failure(f"the tool ended (status {self.app.returncode}) while waiting for {what}")
            time.sleep(0.1)
        raise Failure(f"timed out after {timeout:.0f} s waiting for {what}")

    def find_window(self, title):
        out = self.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"], check=False)
        ids = out.split()
        return ids[0] if ids else None

    def wait_window(self, title):
        return self.until(lambda: self.find_window(title), f'the window "{title}"')

    def wait_gone(self, title):
        self.until(lambda: self.find_window(title) is None, f'the window "{title}" to close')

    def activate(self, win):
        # After a message box closes the focus may still be on its way back;
        # a key sent before it arrives is lost.
        self.run(["xdotool", "windowactivate", "--sync", win], check=False)
        self.run(["xdotool", "windowfocus", "--sync", win], check=False)

    def click(self, win, dlu_size, at):
        info = self.run(["xwininfo", "-id", win])
        fields = {}
        for line in info.splitlines():
            key, _, value = line.strip().partition(":")
            fields[key] = value.strip()
        x0 = int(fields["Absolute upper-left X"])
        y0 = int(fields["Absolute upper-left Y"])
        w, h = int(fields["Width"]), int(fields["Height"])
        x = x0 + at[0] * w // dlu_size[0]
        y = y0 + at[1] * h // dlu_size[1]
        self.run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1"])

    def key(self, *keys):
        self.run(["xdotool", "key", "--clearmodifiers", *keys])

    def type_text(self, text):
        self.run(["xdotool", "type", "--clearmodifiers", "--delay", "30", text])

    def screenshot(self, path):
        self.run(["import", "-window", "root", path], check=False)

    def visible_titles(self):
        out = self.run(["xdotool", "search", "--onlyvisible", "--name", ".*"], check=False)
        titles = []
        for win in out.split():
            name = self.run(["xdotool", "getwindowname", win], check=False).strip()
            if name:
                titles.append(f"{win} {name!r}")
        return titles


def drive(session):
    # The registry's folder does not exist: the tool says so first.
    box = session.wait_window("Warning")
    session.activate(box)
    session.key("Return")
    session.wait_gone("Warning")

    main = session.wait_window(MAIN_TITLE)
    session.activate(main)
    session.click(main, MAIN_DLU, CHANGE_AT)
    location = session.wait_window(LOCATION_TITLE)
    session.activate(location)
    session.click(location, LOCATION_DLU, NEW_FOLDER_AT)
    session.key("ctrl+a", "BackSpace")
    session.type_text(SIM_WINDOWS)
    session.click(location, LOCATION_DLU, OK_AT)
    session.wait_gone(LOCATION_TITLE)

    session.activate(main)
    session.click(main, MAIN_DLU, PREPARE_AT)
    box = session.wait_window("Success")
    session.activate(box)
    session.key("Return")
    session.wait_gone("Success")

    session.activate(main)
    session.click(main, MAIN_DLU, EXIT_AT)
    try:
        return session.app.wait(timeout=WAIT_S)
    except subprocess.TimeoutExpired:
        raise Failure('the tool did not end after "Exit"') from None


def check_disk(sim, work, status):
    problems = []
    if status != 0:
        problems.append(f"the tool ended with status {status}, not 0")
    want, have = expected_tree(), actual_tree(sim)
    for rel in sorted(set(want) | set(have)):
        if rel not in have:
            problems.append(f"missing: {rel}")
        elif rel not in want:
            problems.append(f"should not exist: {rel}")
        elif want[rel] != have[rel]:
            problems.append(f"wrong content in {rel}: {have[rel]!r}, want {want[rel]!r}")
    with open(os.path.join(work, PATCH_NAME), "rb") as f:
        patch = f.read()
    if patch != b"MZ" + PATCH_BODY[2:]:
        problems.append(f"patch file holds {patch!r}, want 'MZ' over its first two bytes")
    return problems


def stop_on_signal(signum, _frame):
    # ctest ends a test that runs too long with a signal: unwind, so that the
    # tool, the window manager and the X server are stopped as well.
    raise Failure(f"stopped by signal {signum}")


def main():
    signal.signal(signal.SIGTERM, stop_on_signal)
    signal.signal(signal.SIGINT, stop_on_signal)
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    exe, artifacts = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    os.makedirs(artifacts, exist_ok=True)
    tmp = tempfile.mkdtemp(prefix="svx-e2e-")
    log_path = os.path.join(artifacts, "e2e-tool-output.txt")
    session = Session(tmp)
    try:
        with open(log_path, "wb") as log:
            prefix, sim, work = make_sample(tmp)
            started = time.monotonic()
            try:
                session.start_display()
                session.start_app(exe, prefix, work, log)
                status = drive(session)
            except Exception as e:  # every failure gets the same diagnostics
                shot = os.path.join(artifacts, "e2e-failure.png")
                session.screenshot(shot)
                print(f"FAIL: {e}", file=sys.stderr)
                print(f"visible windows: {session.visible_titles()}", file=sys.stderr)
                print(f"screenshot: {shot}", file=sys.stderr)
                print(f"tool output: {log_path}", file=sys.stderr)
                return 1
            finally:
                session.stop()
            problems = check_disk(sim, work, status)
        if problems:
            print("FAIL: the files on disk are not as the run must leave them:", file=sys.stderr)
            for p in problems:
                print("  " + p, file=sys.stderr)
            return 1
        print(f"drove the tool through a full run in {time.monotonic() - started:.1f} s; "
              f"{len(CHANGES)} files renamed or removed, the others untouched, patch unlocked")
    finally:
        session.stop()
        shutil.rmtree(tmp, ignore_errors=True)
    return run_in_bottle(exe, artifacts)


# --- The simulator in a prefix manager's prefix, no WINEPREFIX set ---

BOTTLE = ".local/share/bottles/bottles/Flight"
LAUNCH_AT = (213, 109)


def write_registry(prefix, folder):
    with open(os.path.join(prefix, "system.reg"), "w") as f:
        f.write(
            "WINE REGISTRY Version 2\n"
            ";; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
            "[Software\\\\Wow6432Node\\\\Microsoft\\\\Microsoft Games\\\\Flight Simulator\\\\10.0] 1\n"
            f'"SetupPath"="{folder}"\n'
        )


def make_bottle_sample(tmp):
    """A home with the simulator in a Bottles bottle, and a ~/.wine whose
    registry names a folder that is not there; a stand-in for Wine that
    records the prefix and the arguments it was started with."""
    home = os.path.join(tmp, "home")
    for prefix in (os.path.join(home, ".wine"), os.path.join(home, BOTTLE)):
        os.makedirs(os.path.join(prefix, "dosdevices"))
        os.makedirs(os.path.join(prefix, "drive_c"))
        os.symlink("../drive_c", os.path.join(prefix, "dosdevices", "c:"))
    write_registry(os.path.join(home, ".wine"), "C:\\\\Moved\\\\FSX")
    bottle = os.path.join(home, BOTTLE)
    write_registry(bottle, "C:\\\\Games\\\\FSX\\\\")
    with open(os.path.join(bottle, "bottle.yml"), "w") as f:
        f.write("Name: Flight\nPath: Flight\nRunner: sys-wine-9.0\n")
    sim = os.path.join(bottle, "drive_c", SIM_DIR)
    for rel in SAMPLE:
        path = os.path.join(sim, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content_of(rel))
    work = os.path.join(tmp, "work")
    os.makedirs(work)
    with open(os.path.join(work, PATCH_NAME), "wb") as f:
        f.write(PATCH_BODY)
    record = os.path.join(tmp, "wine-run.txt")
    wine = os.path.join(tmp, "stand-in-wine")
    with open(wine, "w") as f:
        f.write(f'#!/bin/sh\nprintf \'%s\\n\' "$WINEPREFIX" "$@" > "{record}.tmp"\nmv "{record}.tmp" "{record}"\n')
    os.chmod(wine, 0o755)
    return home, bottle, sim, work, wine, record


def drive_in_bottle(session, record):
    # Found at start-up: no warning comes before the main window.
    main = session.wait_window(MAIN_TITLE)
    session.activate(main)
    session.click(main, MAIN_DLU, PREPARE_AT)
    box = session.wait_window("Success")
    session.activate(box)
    session.key("Return")
    session.wait_gone("Success")

    session.activate(main)
    session.click(main, MAIN_DLU, LAUNCH_AT)
    session.until(lambda: os.path.exists(record), "the patch to be started through Wine")
    session.activate(main)
    session.click(main, MAIN_DLU, EXIT_AT)
    try:
        return session.app.wait(timeout=WAIT_S)
    except subprocess.TimeoutExpired:
        raise Failure('the tool did not end after "Exit"') from None


def run_in_bottle(exe, artifacts):
    tmp = tempfile.mkdtemp(prefix="svx-e2e-")
    log_path = os.path.join(artifacts, "e2e-tool-output-bottle.txt")
    session = Session(tmp)
    try:
        with open(log_path, "wb") as log:
            home, bottle, sim, work, wine, record = make_bottle_sample(tmp)
            started = time.monotonic()
            try:
                session.start_display()
                env = dict(session.env, HOME=home, WINE=wine)
                for name in ("WINEPREFIX", "XDG_DATA_HOME", "XDG_CONFIG_HOME"):
                    env.pop(name, None)
                session.app = subprocess.Popen([exe], cwd=work, env=env, stdout=log,
                                               stderr=subprocess.STDOUT)
                status = drive_in_bottle(session, record)
            except Exception as e:
                shot = os.path.join(artifacts, "e2e-failure-bottle.png")
                session.screenshot(shot)
                print(f"FAIL (simulator in a Bottles bottle): {e}", file=sys.stderr)
                print(f"visible windows: {session.visible_titles()}", file=sys.stderr)
                print(f"screenshot: {shot}", file=sys.stderr)
                print(f"tool output: {log_path}", file=sys.stderr)
                return 1
            finally:
                session.stop()
            problems = check_disk(sim, work, status)
        with open(record) as f:
            ran = f.read().splitlines()
        want = [bottle, os.path.join(work, PATCH_NAME)]
        if ran != want:
            problems.append(f"Wine was started with WINEPREFIX and arguments {ran}, want {want}")
        if problems:
            print("FAIL (simulator in a Bottles bottle):", file=sys.stderr)
            for p in problems:
                print("  " + p, file=sys.stderr)
            return 1
        print(f"found the simulator in a Bottles bottle and started the patch in it in "
              f"{time.monotonic() - started:.1f} s")
        return 0
    finally:
        session.stop()
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
