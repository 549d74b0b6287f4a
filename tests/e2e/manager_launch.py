#!/usr/bin/python3
"""Runs the built tool on homes where a prefix manager keeps the simulator's
prefix, and checks that "Launch Patch Application" starts the patch the way
that manager starts programs there.

Two homes, each laid out as the manager writes its files: a Steam game's
prefix whose config_info names Proton 9.0, started through a stand-in for
Proton's own `proton` script; and a Lutris game left on Lutris's default
GE-Proton, started through a stand-in for `umu-run` in Lutris's runtime
folder. Each stand-in records its arguments, its environment and its working
folder. No WINE or WINEPREFIX is set: the tool finds the prefix itself. The
preparation runs in full first, as the launch button needs it.

Usage: manager_launch.py EXECUTABLE ARTIFACT_DIR
A screenshot and the tool's output go to ARTIFACT_DIR when a run fails.
"""

import os
import sys
import time

from session import PATCH_NAME, command_line, make_prefix, make_work, report, run_drive, write_tree
from user_run import SIM_DIR, check_disk, drive_to_launch, sample_files

STEAM = ".local/share/Steam"
COMPAT = STEAM + "/steamapps/compatdata/123450"
PROTON = STEAM + "/steamapps/common/Proton 9.0"
LUTRIS_PREFIX = "Games/flight-sim"
UMU = ".local/share/lutris/runtime/umu/umu-run"


def stand_in(path, record):
    """A program that writes its arguments, its environment and its working
    folder beside `record`, then `record` itself last."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(f'#!/bin/sh\nenv > "{record}.env"\npwd > "{record}.cwd"\n'
                f'printf \'%s\\n\' "$0" "$@" > "{record}.tmp"\nmv "{record}.tmp" "{record}"\n')
    os.chmod(path, 0o755)


def recorded(record):
    with open(record) as f:
        argv = f.read().splitlines()
    env = {}
    with open(record + ".env") as f:
        for line in f.read().splitlines():
            name, sep, value = line.partition("=")
            if sep:
                env.setdefault(name, value)
    with open(record + ".cwd") as f:
        cwd = f.read().strip()
    return argv, env, cwd


def home_with_simulator_in(tmp, prefix):
    """The simulator in `prefix` (below the home), and a ~/.wine whose
    registry names a folder that is not there."""
    home = os.path.join(tmp, "home")
    make_prefix(os.path.join(home, ".wine"), "C:\\\\Moved\\\\FSX", wow64=True)
    make_prefix(os.path.join(home, prefix), "C:\\\\Games\\\\FSX\\\\", wow64=True)
    sim = os.path.join(home, prefix, "drive_c", SIM_DIR)
    write_tree(sim, sample_files())
    return home, sim


def make_steam(tmp):
    home, sim = home_with_simulator_in(tmp, COMPAT + "/pfx")
    proton = os.path.join(home, PROTON)
    dist = proton + "/files/"
    # As Proton 9.0 writes it, without a newline after the last line.
    with open(os.path.join(home, COMPAT, "config_info"), "w") as f:
        f.write("\n".join([
            "9.0-203", dist + "share/fonts/", dist + "lib/", dist + "lib64/", os.path.join(home, STEAM),
            "1719999999.0", "1719999999.0", "1719999999.0", dist + "share/default_pfx/",
            "1718000000.0", "False", "True", "d3dcompiler_*.dll,ntdll.dll", "True", "False"]))
    os.makedirs(dist + "share/fonts")
    record = os.path.join(tmp, "proton-run.txt")
    stand_in(os.path.join(proton, "proton"), record)
    return home, sim, make_work(tmp), record


def make_lutris(tmp):
    home, sim = home_with_simulator_in(tmp, LUTRIS_PREFIX)
    prefix = os.path.join(home, LUTRIS_PREFIX)
    # As Lutris's installer leaves it (yaml.safe_dump): no version of the
    # game's own but the installer's "ge-proton", Lutris's default.
    write_tree(os.path.join(home, ".config/lutris/games"), {"flight-sim-1761234567.yml": (
        "game:\n  arch: win64\n  exe: " + prefix + "/drive_c/Games/FSX/fsx.exe\n"
        "  prefix: " + prefix + "\ngame_slug: flight-sim\nname: Flight Sim\nrequires: null\n"
        "script:\n  game:\n    exe: $GAMEDIR/drive_c/fsx.exe\n    prefix: $GAMEDIR\n"
        "slug: flight-sim\nsystem: {}\nvariables: {}\nversion: Setup\n"
        "wine:\n  version: ge-proton\nyear: 2006\n").encode()})
    record = os.path.join(tmp, "umu-run.txt")
    stand_in(os.path.join(home, UMU), record)
    return home, sim, make_work(tmp), record


def start(session, exe, sample, log):
    # Nothing that names a prefix or a Wine, and the user's own XDG folders out of the way.
    session.start_app(exe, sample[2], log, WINE=None, WINEPREFIX=None, XDG_DATA_HOME=None,
                      XDG_CONFIG_HOME=None, STEAM_DIR=None, STEAM_EXTRA_COMPAT_TOOLS_PATHS=None)


def check(sample, status, argv, variables):
    home, sim, work, record = sample
    problems = check_disk(sim, work, status)
    ran, env, cwd = recorded(record)
    patch = os.path.join(work, PATCH_NAME)
    def real(part):
        return patch if part is None else os.path.join(home, part[2:]) if part.startswith("~/") else part
    want = [real(part) for part in argv]
    if ran != want:
        problems.append(f"started as {ran}, want {want}")
    for name, value in variables.items():
        value = real(value)
        if env.get(name) != value:
            problems.append(f"{name} is {env.get(name)!r}, want {value!r}")
    if cwd != work:
        problems.append(f"started in {cwd}, want the tool's working folder {work}")
    return problems


def main():
    exe, artifacts = command_line(__doc__)
    passed = True
    for slug, name, lay_out, argv, variables in [
        ("steam", "a Steam game's prefix, through Proton's script", make_steam,
         ["~/" + PROTON + "/proton", "waitforexitandrun", None],
         {"STEAM_COMPAT_DATA_PATH": "~/" + COMPAT, "STEAM_COMPAT_CLIENT_INSTALL_PATH": "~/" + STEAM,
          "WINEPREFIX": "~/" + COMPAT + "/pfx"}),
        ("lutris", "a Lutris game on GE-Proton, through umu-run", make_lutris,
         ["~/" + UMU, None],
         {"WINEPREFIX": "~/" + LUTRIS_PREFIX, "PROTONPATH": "GE-Proton", "GAMEID": "umu-default",
          "PROTON_VERB": "waitforexitandrun", "WINEARCH": "win64"}),
    ]:
        started = time.monotonic()
        problems = run_drive(
            artifacts, slug, lay_out,
            lambda session, sample, log: start(session, exe, sample, log),
            lambda session, sample: drive_to_launch(session, sample[3]),
            lambda sample, status, argv=argv, variables=variables: check(sample, status, argv, variables),
        )
        passed &= report(name, problems,
                         f"started the patch in {name} in {time.monotonic() - started:.1f} s")
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main())
