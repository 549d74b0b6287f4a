#!/usr/bin/python3
"""Starts the portable archive's program inside another system's root (made
by tools/test-portable, which bind-mounts the X socket folder into it) on a
private X server, and drives it as a user would: the start-up message box
(no Wine prefix there, so the simulator is not found), the main window,
"Exit". Both windows are kept as screenshots, and the tool must end with
status 0.

Usage: start_in_root.py ROOT PROGRAM_IN_ROOT ARTIFACT_DIR
"""

import os
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from session import MAIN_TITLE, report, run_drive, stop_on_signal  # noqa: E402
from user_run import exit_tool  # noqa: E402


def main():
    signal.signal(signal.SIGTERM, stop_on_signal)
    signal.signal(signal.SIGINT, stop_on_signal)
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    root, program, artifacts = os.path.abspath(sys.argv[1]), sys.argv[2], os.path.abspath(sys.argv[3])
    os.makedirs(artifacts, exist_ok=True)

    def start(session, _sample, log):
        # Nothing of this machine's environment: the root's own libraries only.
        session.app = subprocess.Popen(
            ["chroot", root, "/usr/bin/env", "-i", "DISPLAY=" + session.env["DISPLAY"],
             "HOME=/root", "LANG=C.UTF-8", "NO_AT_BRIDGE=1", "PATH=/usr/bin:/bin", program],
            stdout=log, stderr=subprocess.STDOUT)

    def drive(session, _sample):
        box = session.wait_window("Warning")
        time.sleep(0.5)  # let it paint
        session.screenshot(os.path.join(artifacts, "portable-start.png"))
        session.activate(box)
        session.key("Return")
        main_window = session.wait_window(MAIN_TITLE)
        time.sleep(0.5)
        session.screenshot(os.path.join(artifacts, "portable-main.png"))
        return exit_tool(session, main_window)

    def check(_sample, status):
        return [] if status == 0 else [f"the tool ended with status {status}, not 0"]

    started = time.monotonic()
    problems = run_drive(artifacts, "portable", lambda tmp: None, start, drive, check)
    passed = report("portable archive in a clean root", problems,
                    f"started the archive's program in {root}: start-up message, main window, "
                    f"Exit, in {time.monotonic() - started:.1f} s; screenshots in {artifacts}")
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main())
