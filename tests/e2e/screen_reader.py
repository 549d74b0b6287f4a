#!/usr/bin/python3
"""Reads both dialogs of the running tool as a screen reader reads them: over
the accessibility bus (AT-SPI), while the tool is driven from outside.

Every edit field must be named by the static text beside it and be labelled
by it, every label must point at its own field and at nothing else, and the
status button, which shows only an image, must be named by what that image
says: in the main window before and after a preparation and after a change of
location, in the change-location dialog as it opens, after "Use Registry" and
after a "Browse For FSX" that picks an empty folder.

Usage: screen_reader.py EXECUTABLE ARTIFACT_DIR
A screenshot and the tool's output go to ARTIFACT_DIR when the run fails.
"""

import os
import subprocess
import sys
import time

from gi.repository import Gio, GLib

from session import (
    DIALOGS, LOCATION_TITLE, MAIN_TITLE, WAIT_S, Failure, command_line, make_prefix, make_work,
    report, run_drive, write_tree)

BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
BROWSE_TITLE = "Select FSX Folder Location"

# What a blind user must hear for each field: the label it is read with.
MAIN_LABELS = {
    "IDC_TITLE": "Product Version After Patch",
    "IDC_SIMPATH": "FSX Location",
    "IDC_CHECKED": "Checked",
    "IDC_RENAMED": "Renamed",
    "IDC_REMOVED": "Removed",
}
LOCATION_LABELS = {
    "IDC_REGISTRY_PATH": "FSX Location In Windows Registry:",
    "IDC_NEW_PATH": "FSX Location Used By Skarvane:",
}

SAMPLE = {
    "TERRAIN.CFG": b"",
    "Quellmark/RoDeZez/PRODUCT.INI": b"[Product]\r\nVersion=1.0.0\r\n",
    "Scenery/VODEVEVUZA/scenery/L1L_0001.XXX": b"l1l",
}


def make_sample(tmp):
    prefix = os.path.join(tmp, "prefix")
    make_prefix(prefix, "C:\\\\FSX\\\\")
    write_tree(os.path.join(prefix, "drive_c", "FSX"), SAMPLE)
    empty = os.path.join(tmp, "empty")
    os.makedirs(empty)
    return prefix, empty, make_work(tmp)


def start(session, exe, sample, log):
    """A session bus of the session's own, the accessibility bus on it, and
    the tool with GTK's bridge to that bus (no NO_AT_BRIDGE)."""
    daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                              env=session.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    session.procs.append(daemon)
    address = daemon.stdout.readline().decode().strip()
    if not address:
        raise Failure("the session bus did not start")
    session.env["DBUS_SESSION_BUS_ADDRESS"] = address
    session.procs.append(subprocess.Popen([BUS_LAUNCHER, "--launch-immediately"], env=session.env,
                                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    # The chooser opens in the working folder, not in its list of recent
    # files, where a typed path is not taken.
    keyfile = os.path.join(session.tmp, "home", ".config", "glib-2.0", "settings", "keyfile")
    os.makedirs(os.path.dirname(keyfile), exist_ok=True)
    with open(keyfile, "w") as f:
        f.write("[org/gtk/settings/file-chooser]\nstartup-mode='cwd'\n")
    session.start_app(exe, sample[2], log, WINEPREFIX=sample[0], NO_AT_BRIDGE=None,
                      GSETTINGS_BACKEND="keyfile")


# The relation types of the accessibility interface.
LABEL_FOR, LABELLED_BY = 1, 2
BUS_FLAGS = Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION


class Accessible:
    """One object on the accessibility bus, read with plain D-Bus calls.

    Not through libatspi: it handles the bus's events inside its own blocking
    calls, and when such a handler makes a call of its own it waits on itself
    for ever (two runs of four here hung so, in atspi_state_set_contains)."""

    def __init__(self, bus, owner, path):
        self.bus, self.owner, self.path = bus, owner, path

    def __eq__(self, other):
        return (self.owner, self.path) == (other.owner, other.path)

    def __hash__(self):
        return hash((self.owner, self.path))

    def _call(self, interface, method, args, reply):
        result = self.bus.call_sync(self.owner, self.path, interface, method, args,
                                    GLib.VariantType(reply), Gio.DBusCallFlags.NONE, 5000, None)
        return result.unpack()

    def _wrap(self, ref):
        return Accessible(self.bus, *ref)

    def name(self):
        return self._call("org.freedesktop.DBus.Properties", "Get",
                          GLib.Variant("(ss)", ("org.a11y.atspi.Accessible", "Name")), "(v)")[0]

    def role(self):
        return self._call("org.a11y.atspi.Accessible", "GetRoleName", None, "(s)")[0]

    def children(self):
        refs = self._call("org.a11y.atspi.Accessible", "GetChildren", None, "(a(so))")[0]
        return [self._wrap(r) for r in refs]

    def targets(self, kind):
        relations = self._call("org.a11y.atspi.Accessible", "GetRelationSet", None,
                               "(a(ua(so)))")[0]
        return [self._wrap(r) for k, refs in relations if k == kind for r in refs]


def accessibility_bus(session):
    """A connection to the accessibility bus the session's launcher runs."""
    address = Gio.DBusConnection.new_for_address_sync(
        session.env["DBUS_SESSION_BUS_ADDRESS"], BUS_FLAGS, None, None)

    def launcher_address():
        try:
            return address.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress",
                                     None, GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE, 5000,
                                     None).unpack()[0]
        except GLib.Error:
            return None  # not registered yet

    bus = session.until(launcher_address, "the accessibility bus")
    return Gio.DBusConnection.new_for_address_sync(bus, BUS_FLAGS, None, None)


def window(bus, title):
    """The accessible of the tool's window titled title, or None."""
    desktop = Accessible(bus, "org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root")
    try:
        for app in desktop.children():
            if app.name() == "svxpatch":
                return next((w for w in app.children() if w.name() == title), None)
    except GLib.Error:
        return None  # an application that went away meanwhile
    return None


def controls(win, dialog):
    """The dialog's controls in template order, each with the id name of its
    row (kStaticId for a static text or a group box), from the accessible
    that holds them all."""
    rows = DIALOGS[dialog].order
    todo = [win]
    while todo:
        node = todo.pop(0)
        children = node.children()
        if len(children) == len(rows) and node.role() == "panel":
            return list(zip(rows, children))
        todo.extend(children)
    raise Failure(f"no accessible in {dialog} holds its {len(rows)} controls")


def label_problems(win, dialog, labels):
    """Every field named and labelled by its label, and every label-for in
    the dialog pointing at the field of that label and nowhere else."""
    problems = []
    rows = controls(win, dialog)
    named = dict(rows)

    def row_of(target):
        return next((name for name, acc in rows if acc == target), target.role())

    for field, text in labels.items():
        acc = named[field]
        if acc.role() != "text":
            problems.append(f"{field} is a {acc.role()}, not a text field")
        if acc.name() != text:
            problems.append(f"{field} is named {acc.name()!r}, want {text!r}")
        by = [t.name() for t in acc.targets(LABELLED_BY)]
        if by != [text]:
            problems.append(f"{field} is labelled by {by}, want [{text!r}]")
    want = {(text, field) for field, text in labels.items()}
    have = {(acc.name(), row_of(target)) for _, acc in rows for target in acc.targets(LABEL_FOR)}
    for text, field in sorted(have - want):
        problems.append(f"{text!r} is given as the label of {field}")
    for text, field in sorted(want - have):
        problems.append(f"{text!r} is not given as the label of {field}")
    return problems


def status_name(win, dialog):
    return dict(controls(win, dialog))["IDC_STATUS"].name()


def read(session, bus, title, dialog, labels, status, when):
    """Fails with everything a screen reader would get wrong in the window
    titled title, read `when`."""
    win = session.until(lambda: window(bus, title), f'the accessible of "{title}"')
    problems = label_problems(win, dialog, labels)
    # The name follows the image once the event that changed it is handled.
    try:
        session.until(lambda: status_name(win, dialog) == status, f"the status name {status!r}", 3)
    except Failure:
        problems.append(f"the status button is named {status_name(win, dialog)!r}, want {status!r}")
    if problems:
        raise Failure(f"{dialog} {when}: " + "; ".join(problems))


def drive(session, sample):
    bus = accessibility_bus(session)
    main = session.wait_window(MAIN_TITLE)
    read(session, bus, MAIN_TITLE, "IDD_MAIN", MAIN_LABELS, "Patch preparation status: not run",
         "at start-up")

    session.activate(main)
    session.click(main, "IDD_MAIN", "IDOK")
    box = session.wait_window("Success")
    session.activate(box)
    session.key("Return")
    session.wait_gone("Success")
    read(session, bus, MAIN_TITLE, "IDD_MAIN", MAIN_LABELS, "Patch preparation status: ready",
         "after a preparation")

    session.activate(main)
    session.click(main, "IDD_MAIN", "IDC_CHANGE_LOCATION")
    location = session.wait_window(LOCATION_TITLE)
    read(session, bus, LOCATION_TITLE, "IDD_LOCATION", LOCATION_LABELS, "invalid FSX location",
         "as the change-location dialog opens")

    session.activate(location)
    session.click(location, "IDD_LOCATION", "IDC_USE_REGISTRY")
    read(session, bus, LOCATION_TITLE, "IDD_LOCATION", LOCATION_LABELS, "valid FSX location",
         "after Use Registry")

    session.activate(location)
    session.click(location, "IDD_LOCATION", "IDC_BROWSE")
    chooser = session.wait_window(BROWSE_TITLE)
    session.activate(chooser)
    # The chooser's location entry takes a typed path.
    session.key("ctrl+l")
    session.type_text(sample[1] + "/")
    session.key("Return")
    session.wait_gone(BROWSE_TITLE)
    read(session, bus, LOCATION_TITLE, "IDD_LOCATION", LOCATION_LABELS, "invalid FSX location",
         "after Browse For FSX picked an empty folder")

    # Back to the registry's folder, which OK takes without a question.
    session.activate(location)
    session.click(location, "IDD_LOCATION", "IDC_USE_REGISTRY")
    session.click(location, "IDD_LOCATION", "IDOK")
    session.wait_gone(LOCATION_TITLE)
    # A new folder leaves the image of the last preparation, and its name.
    read(session, bus, MAIN_TITLE, "IDD_MAIN", MAIN_LABELS, "Patch preparation status: ready",
         "after the change of location")

    session.activate(main)
    session.click(main, "IDD_MAIN", "IDCANCEL")
    try:
        return session.app.wait(timeout=WAIT_S)
    except subprocess.TimeoutExpired:
        raise Failure('the tool did not end after "Exit"') from None


def main():
    exe, artifacts = command_line(__doc__)
    started = time.monotonic()
    problems = run_drive(
        artifacts,
        "screen-reader",
        make_sample,
        lambda session, sample, log: start(session, exe, sample, log),
        drive,
        lambda sample, status: [] if status == 0 else [f"the tool ended with status {status}"],
    )
    passed = report("screen reader", problems,
                    "both dialogs read as a screen reader reads them: every field by its own "
                    f"label, the status button by its image ({time.monotonic() - started:.1f} s)")
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main())
