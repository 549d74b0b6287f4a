#!/usr/bin/python3
"""Where the controls of the tool's dialogs are, read from the dialog templates
themselves (res/DialogTemplates.cpp), for the scripts that click them from
outside. Positions are in dialog units; a script scales them to the window's
real client size.

  dialog_layout.py DIALOG CONTROL   prints the control's centre and the
                                    dialog's size: "X Y WIDTH HEIGHT"
  dialog_layout.py DIALOG           prints the dialog's size: "WIDTH HEIGHT"

DIALOG and CONTROL are the resource names the templates use, for example
`dialog_layout.py IDD_MAIN IDOK` prints "213 80 479 123".
"""

import os
import re
import sys

TEMPLATES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res",
                         "DialogTemplates.cpp")

_STRING = r'"(?:[^"\\]|\\.)*"'
_ARRAY = re.compile(r"std::array<(ControlTemplate|DialogTemplate),\s*(\d+)>\s*(\w+)\s*=\s*\{\{(.*?)\}\};",
                    re.S)
# {id, K::kind, text, x, y, width, height, ...}: the text is string literals or a name.
_CONTROL = re.compile(r"\{\s*(\w+)\s*,\s*K::\w+\s*,\s*(?:(?:%s\s*)+|\w+)\s*,"
                      r"\s*(\d+)\s*,\s*(\d+)\s*,\s*(\d+)\s*,\s*(\d+)\s*," % _STRING)
# {id, width, height, caption, font, size, style, controls}
_DIALOG = re.compile(r"\{\s*(\w+)\s*,\s*(\d+)\s*,\s*(\d+)\s*,\s*(%s)\s*,((?:%s|[^\"}])*)\}"
                     % (_STRING, _STRING))


class Dialog:
    def __init__(self, width, height, caption, controls, order):
        self.width, self.height, self.caption = width, height, caption
        self.controls = controls  # name -> (x, y, width, height)
        self.order = order  # every row's id name in template order, kStaticId for a static

    def centre(self, control):
        x, y, w, h = self.controls[control]
        return x + w // 2, y + h // 2


def _source():
    with open(TEMPLATES, encoding="utf-8") as f:
        # Comments out; no string in the templates holds "//".
        return re.sub(r"//[^\n]*", "", f.read())


def load():
    """Every dialog template by resource name. Fails rather than guess when a
    row of a template is not understood."""
    arrays = {}
    dialogs_body = None
    for kind, count, name, body in _ARRAY.findall(_source()):
        rows = (_CONTROL if kind == "ControlTemplate" else _DIALOG).findall(body)
        if len(rows) != int(count):
            raise ValueError(f"{TEMPLATES}: read {len(rows)} of the {count} rows of {name}")
        if kind == "ControlTemplate":
            arrays[name] = rows
        else:
            dialogs_body = rows
    if not dialogs_body:
        raise ValueError(f"{TEMPLATES}: no table of dialog templates")
    dialogs = {}
    for name, width, height, caption, rest in dialogs_body:
        array = re.findall(r"\w+", re.sub(_STRING, "", rest))[-1]
        controls = {
            row[0]: tuple(int(v) for v in row[1:]) for row in arrays[array] if row[0] != "kStaticId"
        }
        dialogs[name] = Dialog(int(width), int(height), caption[1:-1], controls,
                               [row[0] for row in arrays[array]])
    return dialogs


def main(argv):
    if len(argv) not in (2, 3):
        print(__doc__, file=sys.stderr)
        return 2
    dialogs = load()
    dialog = dialogs.get(argv[1])
    if dialog is None:
        print(f"no dialog {argv[1]}; there are {', '.join(sorted(dialogs))}", file=sys.stderr)
        return 1
    if len(argv) == 2:
        print(dialog.width, dialog.height)
        return 0
    if argv[2] not in dialog.controls:
        print(f"no control {argv[2]} in {argv[1]}; there are {', '.join(sorted(dialog.controls))}",
              file=sys.stderr)
        return 1
    print(*dialog.centre(argv[2]), dialog.width, dialog.height)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
