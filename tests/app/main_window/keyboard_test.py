# SPDX-License-Identifier: GPL-3.0-or-later
"""The real program driven by the keyboard alone, watched through the accessibility bus.

Started by tests/app/accessibility/accessibility_test.sh inside a private D-Bus session on a
virtual X display:
    python3 keyboard_test.py PATH/TO/orvex x11

The window gets the focus as a window manager gives it; from then on only keys act: Tab and
Shift+Tab go round the controls, the sliders' keys set the level and the frequency, the
arrows choose the coding mode, Shift+F10 opens the window menu and chooses a window, every
view answers its key, the listening items (disabled without a sound server) ignore theirs,
C opens the coder curves window and Esc closes it. Each step is checked in what a screen
reader is told: the focused control, the read-outs, the checked button, the display's
description and the menu's items.
"""

import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "accessibility"))
import accessibility_test as at  # noqa: E402
from accessibility_test import CHANGE_LIMIT_S, START_LIMIT_S, check, descendants, fresh, pump, wait_for  # noqa: E402

import pyatspi  # noqa: E402

MAIN_WINDOW = "Signal Analyzer"
CURVES_WINDOW = "Coder curves"


class Window:
    """The running program as a keyboard user meets it and a screen reader describes it."""

    def __init__(self, program):
        self.program = program
        self.application = wait_for(lambda: at.find_application(program.pid), START_LIMIT_S)
        self.focus_events = []
        pyatspi.Registry.registerEventListener(self._on_focus, "object:state-changed:focused")

    def _on_focus(self, event):
        if event.detail1 == 1:
            self.focus_events.append(event.source)

    def controls(self):
        return list(descendants(self.application))

    def focus_window(self, title):
        """Gives the top-level window `title` the keyboard focus, as a window manager does."""
        command = "xdotool search --sync --all --onlyvisible --pid %d --name '%s' windowfocus --sync" % (
            self.program.pid, title)
        return subprocess.run(["sh", "-c", command], check=False, timeout=CHANGE_LIMIT_S).returncode == 0

    def keys(self, keys):
        subprocess.run(["xdotool", "key", "--delay", "60"] + keys.split(), check=False, timeout=CHANGE_LIMIT_S)

    def focused(self):
        return [control.name for control in self.controls()
                if fresh(control).getState().contains(pyatspi.STATE_FOCUSED)]

    def readouts(self):
        return [fresh(control).name for control in self.controls() if control.getRole() == pyatspi.ROLE_LABEL]

    def checked_mode(self):
        return [control.name for control in self.controls() if control.getRole() == pyatspi.ROLE_RADIO_BUTTON
                and fresh(control).getState().contains(pyatspi.STATE_CHECKED)]

    def display(self):
        found = at.find(self.controls(), pyatspi.ROLE_IMAGE, "Spectrum")
        return fresh(found).description if found is not None else ""

    def showing(self, title):
        return any(child.name == title and fresh(child).getState().contains(pyatspi.STATE_SHOWING)
                   for child in [self.application.getChildAtIndex(i) for i in range(self.application.childCount)])

    def boxes(self):
        return [control for control in self.controls() if control.getRole() in (pyatspi.ROLE_ALERT, pyatspi.ROLE_DIALOG)
                and fresh(control).getState().contains(pyatspi.STATE_SHOWING)]

    def close_false_box(self):
        """Qt raises floating-point flags of its own while it shows a new window, which the
        handler guard reports as an error in a box until it tells them from ours; such a box
        is closed here by keyboard, and said."""
        pump(1.0)
        for box in self.boxes():
            print("note: closed a box: %r" % [control.name for control in descendants(box)], flush=True)
            self.keys("Return")
            pump(0.5)

    def menu(self):
        """The window menu's items, opened with Shift+F10 and read from the item the first Down
        focuses, then closed with Esc: for each caption, (checked, enabled)."""
        del self.focus_events[:]
        self.keys("shift+F10 Down")
        item = wait_for(lambda: next((source for source in self.focus_events if source.parent is not None
                                      and source.parent.getRole() == pyatspi.ROLE_POPUP_MENU), None),
                        CHANGE_LIMIT_S)
        items = {}
        for control in descendants(item.parent) if item is not None else []:
            state = fresh(control).getState()
            items[control.name] = (state.contains(pyatspi.STATE_CHECKED), state.contains(pyatspi.STATE_ENABLED))
        self.keys("Escape")
        pump(0.3)
        return items


def steps(window):
    """What the user does, and what must then be so."""
    def menu_shows(expected):
        return lambda: all(window.menu().get(name) == state for name, state in expected.items())

    def keys(sequence):
        return lambda: window.keys(sequence)

    return [
        (lambda: window.focus_window(MAIN_WINDOW), "the window opens with the focus on the checked button",
         lambda: window.focused() == ["PCM 32 bit"]),
        (keys("Tab"), "Tab reaches the frequency slider", lambda: window.focused() == ["Frequency"]),
        (keys("Right"), "Right steps the frequency up by 1 Hz", lambda: "1001 Hz" in window.readouts()),
        (keys("Prior"), "Page Up pages it up by 10 Hz", lambda: "1011 Hz" in window.readouts()),
        (keys("Next Left"), "Page Down and Left bring it back", lambda: "1000 Hz" in window.readouts()),
        (keys("Tab"), "Tab reaches the display", lambda: window.focused() == ["Spectrum"]),
        (keys("Tab"), "Tab reaches the level slider", lambda: window.focused() == ["Level"]),
        (keys("Home"), "Home sets the quietest level", lambda: "- 160 dB" in window.readouts()),
        (keys("End Down Next"), "End, Down and Page Down set - 11 dB", lambda: "- 11 dB" in window.readouts()),
        (keys("Prior Up"), "Page Up and Up bring it back to 0 dB", lambda: "- 0 dB" in window.readouts()),
        (keys("Tab"), "Tab comes round to the checked button", lambda: window.focused() == ["PCM 32 bit"]),
        (keys("Down Down"), "the arrows choose the 1 st iteration",
         lambda: window.checked_mode() == ["1 st iteration"] and "mode: 1 st iteration" in window.display()),
        (keys("shift+Tab shift+Tab"), "Shift+Tab goes back round to the display",
         lambda: window.focused() == ["Spectrum"]),
        (keys("shift+F10 Down Down Return"), "Shift+F10 opens the window menu, whose second item is chosen",
         lambda: window.display().startswith("Window: Треугольное окно (Барлетт);")),
        (keys("h ctrl+2 f d m"), "every view answers its key",
         menu_shows({"Peak hold": (True, True), "16 frames": (True, True), "Markers": (True, True),
                     "Distortion figures": (True, True), "Треугольное окно (Барлетт)": (True, True)})),
        (keys("Right"), "after M the arrows move the marker", lambda: "M1 bin 65," in window.display()),
        (keys("l e"), "without a sound server the listening items stay off and disabled",
         menu_shows({"Listen": (False, False), "Listen to the coding error": (False, False)})),
        (lambda: window.keys("c") or window.close_false_box(), "C opens the coder curves window",
         lambda: window.showing(CURVES_WINDOW)),
        (lambda: window.focus_window(CURVES_WINDOW) and window.keys("Escape"), "Esc closes it",
         lambda: not window.showing(CURVES_WINDOW) and window.showing("  " + MAIN_WINDOW)),
    ]


def main():
    if sys.argv[2:] != ["x11"]:
        print("usage: keyboard_test.py PATH/TO/orvex x11", file=sys.stderr)
        return 2
    environment = dict(os.environ)
    environment["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
    environment["QT_ACCESSIBILITY"] = "1"
    environment.pop("QT_QPA_PLATFORM", None)
    # No sound server to reach, whatever the machine runs: the listening items are disabled.
    nowhere = tempfile.mkdtemp(prefix="orvex-keyboard-")
    environment["PULSE_SERVER"] = "unix:" + os.path.join(nowhere, "no-server")
    pyatspi.Registry.getDesktop(0)
    program = subprocess.Popen([sys.argv[1]], env=environment)
    try:
        window = Window(program)
        ready = window.application is not None and wait_for(
            lambda: at.find(window.controls(), pyatspi.ROLE_SLIDER, "Level"), START_LIMIT_S)
        if not check(ready, "the program appears on the accessibility bus"):
            return 1
        pump(0.5)
        for act, what, probe in steps(window):
            act()
            check(wait_for(probe, CHANGE_LIMIT_S), what)
            check(not window.boxes(), "and no box is shown")
        check(program.poll() is None, "the program runs on")
        program.terminate()
        return at.expect_clean_end(program, "SIGTERM")
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()
        os.rmdir(nowhere)


if __name__ == "__main__":
    sys.exit(main())
