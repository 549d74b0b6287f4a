#!/usr/bin/python3
"""Asks the built tool to end while a preparation pass runs, as a user would.

Each way out gets its own private X server, window manager and sample
installation. The sample holds scenery for the last rule only, so the pass
first runs its 40 waits over empty rules (about 4 s) and the request arrives
before any file has changed. Whatever the way, the pass must run to its end
with the main window in view, show its outcome, and the tool must end with
status 0 once the outcome is answered, leaving the files prepared. Escape is
no way out during a pass: the tool stays open until it is closed afterwards.

Usage: exit_during_pass.py EXECUTABLE ARTIFACT_DIR
"""

import os
import subprocess
import sys
import time

from session import (
    MAIN_TITLE, WAIT_S, Failure, actual_tree, command_line, make_prefix, make_work,
    patch_problems, report, run_drive, write_tree)

SAMPLE = {
    "TERRAIN.CFG": b"",
    "Quellmark/RoDeZez/PRODUCT.INI": b"[Product]\r\nVersion=1.0.0\r\n",
    # The last rule's folder: QLPA* becomes active, QLPB is not covered.
    "Scenery/VAZizEdiz/Scenery/QLPA.XXX": b"qlpa",
    "Scenery/VAZizEdiz/Scenery/QLPB.XXX": b"qlpb",
    "Scenery/VODEVEVUZA/scenery/readme.txt": b"readme",
}
PREPARED = dict(SAMPLE)
PREPARED["Scenery/VAZizEdiz/Scenery/QLPA.BGL"] = PREPARED.pop("Scenery/VAZizEdiz/Scenery/QLPA.XXX")

# How long the tool may take to end once the outcome is answered.
END_S = 5.0


def make_sample(tmp):
    prefix = os.path.join(tmp, "prefix")
    make_prefix(prefix, "C:\\\\FSX\\\\")
    sim = os.path.join(prefix, "drive_c", "FSX")
    write_tree(sim, SAMPLE)
    return prefix, sim, make_work(tmp)


def close(session):
    session.run(["wmctrl", "-F", "-c", MAIN_TITLE])


# Each way, and whether the tool ends on its own once the outcome is answered.
WAYS = [
    # The click leaves the focus on "Patch Preparation"; "Exit" is next in the tab order.
    ("keyboard Exit", lambda session: session.key("Tab", "space"), True),
    ("window manager close", close, True),
    ("Escape", lambda session: session.key("Escape"), False),
]


def drive(session, ask_end, ends):
    main = session.wait_window(MAIN_TITLE)
    session.activate(main)
    session.click(main, "IDD_MAIN", "IDOK")
    ask_end(session)

    # The pass goes on with its window in view until it shows the outcome.
    deadline = time.monotonic() + WAIT_S
    while session.find_window("Success") is None:
        if session.app.poll() is not None:
            raise Failure(f"the tool ended (status {session.app.returncode}) before the outcome")
        if session.find_window(MAIN_TITLE) is None:
            raise Failure("the main window went away while the pass was running")
        if time.monotonic() > deadline:
            raise Failure("no outcome message")
        time.sleep(0.1)
    box = session.wait_window("Success")
    if session.find_window(MAIN_TITLE) is None:
        raise Failure("the main window went away before the outcome was answered")
    session.activate(box)
    session.key("Return")
    if not ends:
        time.sleep(1.0)
        if session.app.poll() is not None:
            raise Failure("Escape during the pass ended the tool")
        close(session)
    try:
        return session.app.wait(timeout=END_S)
    except subprocess.TimeoutExpired:
        raise Failure(f"the tool still runs {END_S:.0f} s after the outcome was answered") from None


def check(sample, status):
    _, sim, work = sample
    problems = [] if status == 0 else [f"the tool ended with status {status}, not 0"]
    if actual_tree(sim) != PREPARED:
        problems.append(f"scenery is {sorted(actual_tree(sim))}, want {sorted(PREPARED)}")
    return problems + patch_problems(work)


def main():
    exe, artifacts = command_line(__doc__)
    passed = True
    for name, ask_end, ends in WAYS:
        started = time.monotonic()
        problems = run_drive(
            artifacts,
            name.replace(" ", "-"),
            make_sample,
            lambda session, sample, log: session.start_app(exe, sample[2], log, WINEPREFIX=sample[0]),
            lambda session, _sample: drive(session, ask_end, ends),  # noqa: B023 (called at once)
            check,
        )
        passed &= report(name, problems,
                         f"{name} during the pass: outcome shown, tool ended with status 0, "
                         f"files prepared ({time.monotonic() - started:.1f} s)")
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main())
