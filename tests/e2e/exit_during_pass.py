#!/usr/bin/python3
"""Asks the built tool to end while a preparation pass runs, as a user would.

Each way out gets its own private X server, window manager and sample
installation. The sample holds scenery for the last rule only, so the pass
first runs its 40 waits over empty rules (about 4 s) and the request arrives
before any file has changed. Whatever the way, the pass must run to its end
with the main window in view, show its outcome, and the tool must end with
status 0 once the outcome is answered, leaving the files prepared.

Usage: exit_during_pass.py EXECUTABLE ARTIFACT_DIR
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from user_run import (  # noqa: E402  (the sibling script is the library)
    MAIN_DLU,
    MAIN_TITLE,
    PATCH_BODY,
    PATCH_NAME,
    PREPARE_AT,
    WAIT_S,
    Failure,
    Session,
    actual_tree,
    stop_on_signal,
)

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
    os.makedirs(os.path.join(prefix, "dosdevices"))
    os.symlink("../drive_c", os.path.join(prefix, "dosdevices", "c:"))
    with open(os.path.join(prefix, "system.reg"), "w") as f:
        f.write(
            "WINE REGISTRY Version 2\n"
            ";; All keys relative to \\\\Machine\n\n"
            "[Software\\\\Microsoft\\\\Microsoft Games\\\\Flight Simulator\\\\10.0] 1796747077\n"
            "#time=1d9f3c8e5a2b7c0\n"
            '"SetupPath"="C:\\\\FSX\\\\"\n'
        )
    sim = os.path.join(prefix, "drive_c", "FSX")
    for rel, body in SAMPLE.items():
        path = os.path.join(sim, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(body)
    work = os.path.join(tmp, "work")
    os.makedirs(work)
    with open(os.path.join(work, PATCH_NAME), "wb") as f:
        f.write(PATCH_BODY)
    os.makedirs(os.path.join(tmp, "home"))
    return prefix, sim, work


WAYS = [
    # The click leaves the focus on "Patch Preparation"; "Exit" is next in the tab order.
    ("keyboard Exit", lambda session: session.key("Tab", "space")),
    ("window manager close", lambda session: session.run(["wmctrl", "-F", "-c", MAIN_TITLE])),
]


def drive(session, ask_end):
    main = session.wait_window(MAIN_TITLE)
    session.activate(main)
    session.click(main, MAIN_DLU, PREPARE_AT)
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
    try:
        return session.app.wait(timeout=END_S)
    except subprocess.TimeoutExpired:
        raise Failure(f"the tool still runs {END_S:.0f} s after the outcome was answered") from None


def run_way(exe, artifacts, name, ask_end):
    """The problems found, empty when the way out behaved."""
    slug = name.replace(" ", "-")
    tmp = tempfile.mkdtemp(prefix="svx-e2e-exit-")
    log_path = os.path.join(artifacts, f"e2e-{slug}-tool-output.txt")
    session = Session(tmp)
    try:
        prefix, sim, work = make_sample(tmp)
        with open(log_path, "wb") as log:
            session.start_display()
            session.start_app(exe, prefix, work, log)
            status = drive(session, ask_end)
        with open(os.path.join(work, PATCH_NAME), "rb") as f:
            patch = f.read()
        problems = [] if status == 0 else [f"the tool ended with status {status}, not 0"]
        if actual_tree(sim) != PREPARED:
            problems.append(f"scenery is {sorted(actual_tree(sim))}, want {sorted(PREPARED)}")
        if patch != b"MZ" + PATCH_BODY[2:]:
            problems.append(f"patch file holds {patch!r}, want 'MZ' over its first two bytes")
        return problems
    except Failure as e:
        shot = os.path.join(artifacts, f"e2e-{slug}-failure.png")
        session.screenshot(shot)
        return [str(e), f"visible windows: {session.visible_titles()}", f"screenshot: {shot}",
                f"tool output: {log_path}"]
    finally:
        session.stop()
        shutil.rmtree(tmp, ignore_errors=True)


def main():
    signal.signal(signal.SIGTERM, stop_on_signal)
    signal.signal(signal.SIGINT, stop_on_signal)
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    exe, artifacts = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    os.makedirs(artifacts, exist_ok=True)
    failed = False
    for name, ask_end in WAYS:
        started = time.monotonic()
        problems = run_way(exe, artifacts, name, ask_end)
        if problems:
            failed = True
            print(f"FAIL ({name}):", file=sys.stderr)
            for p in problems:
                print("  " + p, file=sys.stderr)
        else:
            print(f"{name} during the pass: outcome shown, tool ended with status 0, "
                  f"files prepared ({time.monotonic() - started:.1f} s)")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
