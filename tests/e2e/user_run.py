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
import subprocess
import sys
import time

from session import (
    LOCATION_TITLE, MAIN_TITLE, PATCH_NAME, WAIT_S, Failure, actual_tree, command_line,
    make_prefix, make_work, patch_problems, report, run_drive, write_tree)

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


def sample_files():
    return {rel: content_of(rel) for rel in SAMPLE}


def make_sample(tmp):
    """A prefix whose registry names a folder that is not there; the
    simulator elsewhere on its drive C:."""
    prefix = os.path.join(tmp, "prefix")
    make_prefix(prefix, "C:\\\\Moved\\\\FSX\\\\")
    sim = os.path.join(prefix, "drive_c", SIM_DIR)
    write_tree(sim, sample_files())
    return prefix, sim, make_work(tmp)


def drive(session, sample):
    # The registry's folder does not exist: the tool says so first.
    box = session.wait_window("Warning")
    session.activate(box)
    session.key("Return")
    session.wait_gone("Warning")

    main = session.wait_window(MAIN_TITLE)
    session.activate(main)
    session.click(main, "IDD_MAIN", "IDC_CHANGE_LOCATION")
    location = session.wait_window(LOCATION_TITLE)
    session.activate(location)
    session.click(location, "IDD_LOCATION", "IDC_NEW_PATH")
    session.key("ctrl+a", "BackSpace")
    session.type_text(SIM_WINDOWS)
    session.click(location, "IDD_LOCATION", "IDOK")
    session.wait_gone(LOCATION_TITLE)

    prepare(session, main)
    return exit_tool(session, main)


def prepare(session, main):
    """Runs "Patch Preparation" and accepts the success message."""
    session.activate(main)
    session.click(main, "IDD_MAIN", "IDOK")
    box = session.wait_window("Success")
    session.activate(box)
    session.key("Return")
    session.wait_gone("Success")


def exit_tool(session, main):
    """Presses "Exit"; the tool's exit status."""
    session.activate(main)
    session.click(main, "IDD_MAIN", "IDCANCEL")
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
    return problems + patch_problems(work)


def main():
    exe, artifacts = command_line(__doc__)

    started = time.monotonic()
    problems = run_drive(
        artifacts,
        "user-run",
        make_sample,
        lambda session, sample, log: session.start_app(exe, sample[2], log, WINEPREFIX=sample[0]),
        drive,
        lambda sample, status: check_disk(sample[1], sample[2], status),
    )
    passed = report("full run", problems,
                    f"drove the tool through a full run in {time.monotonic() - started:.1f} s; "
                    f"{len(CHANGES)} files renamed or removed, the others untouched, patch unlocked")

    started = time.monotonic()
    problems = run_drive(
        artifacts,
        "bottle",
        make_bottle_sample,
        lambda session, sample, log: start_in_bottle(session, exe, sample, log),
        drive_in_bottle,
        check_bottle,
    )
    passed &= report("simulator in a Bottles bottle", problems,
                     "found the simulator in a Bottles bottle and started the patch in it in "
                     f"{time.monotonic() - started:.1f} s")
    return 0 if passed else 1


# --- The simulator in a prefix manager's prefix, no WINEPREFIX set ---

BOTTLE = ".local/share/bottles/bottles/Flight"


def make_bottle_sample(tmp):
    """A home with the simulator in a Bottles bottle, and a ~/.wine whose
    registry names a folder that is not there; a stand-in for Wine that
    records the prefix and the arguments it was started with."""
    home = os.path.join(tmp, "home")
    make_prefix(os.path.join(home, ".wine"), "C:\\\\Moved\\\\FSX", wow64=True)
    bottle = os.path.join(home, BOTTLE)
    make_prefix(bottle, "C:\\\\Games\\\\FSX\\\\", wow64=True)
    with open(os.path.join(bottle, "bottle.yml"), "w") as f:
        f.write("Name: Flight\nPath: Flight\nRunner: sys-wine-9.0\n")
    sim = os.path.join(bottle, "drive_c", SIM_DIR)
    write_tree(sim, sample_files())
    work = make_work(tmp)
    record = os.path.join(tmp, "wine-run.txt")
    wine = os.path.join(tmp, "stand-in-wine")
    with open(wine, "w") as f:
        f.write(f'#!/bin/sh\nprintf \'%s\\n\' "$WINEPREFIX" "$@" > "{record}.tmp"\nmv "{record}.tmp" "{record}"\n')
    os.chmod(wine, 0o755)
    return bottle, sim, work, wine, record


def start_in_bottle(session, exe, sample, log):
    _, _, work, wine, _ = sample
    session.start_app(exe, work, log, WINE=wine, WINEPREFIX=None, XDG_DATA_HOME=None,
                      XDG_CONFIG_HOME=None)


def drive_to_launch(session, record):
    """Prepares the simulator the tool found at start-up (no warning comes
    before the main window), launches the patch, waits until whatever started
    it has written `record`, and exits; the tool's exit status."""
    main = session.wait_window(MAIN_TITLE)
    prepare(session, main)
    session.activate(main)
    session.click(main, "IDD_MAIN", "IDC_LAUNCH")
    session.until(lambda: os.path.exists(record), "the patch to be started")
    return exit_tool(session, main)


def drive_in_bottle(session, sample):
    return drive_to_launch(session, sample[4])


def check_bottle(sample, status):
    bottle, sim, work, _, record = sample
    problems = check_disk(sim, work, status)
    with open(record) as f:
        ran = f.read().splitlines()
    want = [bottle, os.path.join(work, PATCH_NAME)]
    if ran != want:
        problems.append(f"Wine was started with WINEPREFIX and arguments {ran}, want {want}")
    return problems


if __name__ == "__main__":
    sys.exit(main())
