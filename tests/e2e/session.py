"""What the whole-program tests share: a private X server with a small window
manager, the tool started on it and driven from outside with keyboard and
mouse events, the sample installation they lay out, and the diagnostics of a
drive that failed.
"""

import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import dialog_layout  # noqa: E402  (the dialog templates, read from res/)

DIALOGS = dialog_layout.load()
MAIN_TITLE = DIALOGS["IDD_MAIN"].caption
LOCATION_TITLE = DIALOGS["IDD_LOCATION"].caption
PATCH_NAME = "SvxKmV11.exe"
PATCH_BODY = b"XXpatch-body\x00\x01"

WAIT_S = 15.0


class Failure(Exception):
    pass


def stop_on_signal(signum, _frame):
    # ctest ends a test that runs too long with a signal: unwind, so that the
    # tool, the window manager and the X server are stopped as well.
    raise Failure(f"stopped by signal {signum}")


def command_line(usage):
    """The tool and the folder for the artifacts of a failed drive, from the
    command line "SCRIPT EXECUTABLE ARTIFACT_DIR"; exits with status 2 and
    the usage on any other."""
    signal.signal(signal.SIGTERM, stop_on_signal)
    signal.signal(signal.SIGINT, stop_on_signal)
    if len(sys.argv) != 3:
        print(usage, file=sys.stderr)
        sys.exit(2)
    exe, artifacts = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    os.makedirs(artifacts, exist_ok=True)
    return exe, artifacts


def write_tree(root, files):
    """Writes each relative path of `files` under root with its content."""
    for rel, body in files.items():
        path = os.path.join(root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(body)


def actual_tree(root):
    result = {}
    for folder, _, files in os.walk(root):
        for name in files:
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                result[os.path.relpath(path, root)] = f.read()
    return result


def make_prefix(prefix, setup_path, wow64=False):
    """A Wine prefix whose drive C: is its drive_c and whose registry names
    setup_path (backslashes doubled, as system.reg holds them). wow64 makes it
    a 64-bit prefix, where the simulator's 32-bit installer writes under
    Wow6432Node."""
    os.makedirs(os.path.join(prefix, "dosdevices"))
    os.makedirs(os.path.join(prefix, "drive_c"), exist_ok=True)
    os.symlink("../drive_c", os.path.join(prefix, "dosdevices", "c:"))
    software = "Software\\\\Wow6432Node" if wow64 else "Software"
    with open(os.path.join(prefix, "system.reg"), "w") as f:
        f.write(
            "WINE REGISTRY Version 2\n"
            ";; All keys relative to \\\\Machine\n\n"
            + ("#arch=win64\n\n" if wow64 else "")
            + f"[{software}\\\\Microsoft\\\\Microsoft Games\\\\Flight Simulator\\\\10.0] 1796747077\n"
            "#time=1d9f3c8e5a2b7c0\n"
            f'"SetupPath"="{setup_path}"\n'
        )


def make_work(tmp):
    """The working folder with the locked patch file, and an empty home."""
    work = os.path.join(tmp, "work")
    write_tree(work, {PATCH_NAME: PATCH_BODY})
    os.makedirs(os.path.join(tmp, "home"), exist_ok=True)
    return work


def patch_problems(work):
    with open(os.path.join(work, PATCH_NAME), "rb") as f:
        patch = f.read()
    if patch != b"MZ" + PATCH_BODY[2:]:
        return [f"patch file holds {patch!r}, want 'MZ' over its first two bytes"]
    return []


class Session:
    """The private X server, its window manager and the tool, always stopped."""

    def __init__(self, tmp):
        self.tmp = tmp
        self.procs = []
        self.groups = []
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
        # A home of its own and no session manager: sessions that run side by
        # side then share no openbox state, and one that ends early is started
        # again rather than waited for until the deadline.
        self.wm_env = dict(env, HOME=os.path.join(self.tmp, "wm-home"))
        os.makedirs(self.wm_env["HOME"], exist_ok=True)
        self.wm = None
        self.wm_starts = 0
        self.until(self.wm_running, "the window manager to start")

    def start_wm(self):
        self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.wm_env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(self.wm)
        self.wm_starts += 1

    def wm_running(self):
        if self.wm is None or self.wm.poll() is not None:
            if self.wm_starts >= 3:
                raise Failure(f"the window manager ended (status {self.wm.returncode}) "
                              f"each of {self.wm_starts} times it was started")
            self.start_wm()
        out = self.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False)
        return "window id" in out

    def app_env(self, env):
        """The tool's environment: the display's, HOME in the session's folder,
        changed by `env` (a value of None unsets a variable)."""
        full = dict(self.env, HOME=os.path.join(self.tmp, "home"))
        for name, value in env.items():
            full.pop(name, None)
            if value is not None:
                full[name] = value
        return full

    def start_app(self, exe, work, log, **env):
        """Starts the tool in `work`, in the environment of app_env(env)."""
        self.app = subprocess.Popen([exe], cwd=work, env=self.app_env(env), stdout=log,
                                    stderr=subprocess.STDOUT)

    def launch(self, args, cwd, log, **env):
        """Runs a launcher that starts the tool and ends before it, in the
        environment of app_env(env) and a process group of its own, which the
        tool stays in; stop() ends the whole group. Returns the group's id."""
        launcher = subprocess.Popen(args, cwd=cwd, env=self.app_env(env), stdout=log,
                                    stderr=subprocess.STDOUT, start_new_session=True)
        self.groups.append(launcher.pid)
        try:
            status = launcher.wait(timeout=WAIT_S)  # reaped, so the group empties with the tool
        except subprocess.TimeoutExpired:
            raise Failure(f"{args[0]} did not return") from None
        if status != 0:
            raise Failure(f"{' '.join(args)} failed with status {status}")
        return launcher.pid

    @staticmethod
    def group_alive(group):
        try:
            os.killpg(group, 0)
            return True
        except ProcessLookupError:
            return False

    def stop(self):
        for group in self.groups:
            if self.group_alive(group):
                os.killpg(group, signal.SIGTERM)
                deadline = time.monotonic() + 3
                while self.group_alive(group) and time.monotonic() < deadline:
                    time.sleep(0.05)
                if self.group_alive(group):
                    os.killpg(group, signal.SIGKILL)
        self.groups = []
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

    def click(self, win, dialog, control):
        """Clicks the centre of a control of the window of a dialog template,
        both named as in the templates (IDD_MAIN, IDOK): its place in dialog
        units, scaled to the window's real client size."""
        layout = DIALOGS[dialog]
        at = layout.centre(control)
        info = self.run(["xwininfo", "-id", win])
        fields = {}
        for line in info.splitlines():
            key, _, value = line.strip().partition(":")
            fields[key] = value.strip()
        x0 = int(fields["Absolute upper-left X"])
        y0 = int(fields["Absolute upper-left Y"])
        w, h = int(fields["Width"]), int(fields["Height"])
        x = x0 + at[0] * w // layout.width
        y = y0 + at[1] * h // layout.height
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


def run_drive(artifacts, slug, lay_out, start, drive, check):
    """One drive of the tool in a temporary folder of its own, always cleaned
    up: lay_out(tmp) writes the sample and returns what the other steps take;
    start(session, sample, log) starts the tool on the session's display;
    drive(session, sample) drives it and returns its exit status;
    check(sample, status) lists what is wrong on disk afterwards.

    Returns the problems, empty when the drive passed. A drive that fails
    leaves a screenshot and the tool's output in `artifacts`, named after slug."""
    tmp = tempfile.mkdtemp(prefix="svx-e2e-")
    log_path = os.path.join(artifacts, f"e2e-{slug}-tool-output.txt")
    session = Session(tmp)
    try:
        sample = lay_out(tmp)
        with open(log_path, "wb") as log:
            try:
                session.start_display()
                start(session, sample, log)
                status = drive(session, sample)
            except Exception as e:  # every failure gets the same diagnostics
                shot = os.path.join(artifacts, f"e2e-{slug}-failure.png")
                session.screenshot(shot)
                return [str(e), f"visible windows: {session.visible_titles()}",
                        f"screenshot: {shot}", f"tool output: {log_path}"]
            finally:
                session.stop()
        return check(sample, status)
    finally:
        session.stop()
        shutil.rmtree(tmp, ignore_errors=True)


def report(name, problems, passed):
    """Prints the outcome of a drive; True when it passed."""
    if problems:
        print(f"FAIL ({name}):", file=sys.stderr)
        for p in problems:
            print("  " + p, file=sys.stderr)
        return False
    print(passed)
    return True
