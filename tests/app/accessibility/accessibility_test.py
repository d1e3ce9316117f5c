# SPDX-License-Identifier: GPL-3.0-or-later
"""What a screen reader finds in the running program, through the accessibility bus.

Started by accessibility_test.sh inside a private D-Bus session on a virtual X display or
a headless Wayland compositor:
    python3 accessibility_test.py PATH/TO/orvex [x11|wayland]

Starts the program, finds its sliders, display, read-outs and coding-mode buttons in its
accessibility tree, prints what a screen reader is told about each and expects the same on
either platform; sets the level through the value interface and checks that the read-out,
the next frames and the value-change notices follow. On X11 it clicks the level gauge and
drives the whole window by the keyboard alone. Then it chooses every item of the spectrum
menu (every window, every view, listening into a sound server of the test's own, the coder
curves window and its save dialog) and expects no error box. On X11 it closes the window; on
Wayland it ends the program with SIGTERM, then starts it again and ends the compositor under
it. Each end must be clean.
"""

import os
import signal
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

import pyatspi  # noqa: E402

# Generous: the sanitized build starts slowly on a loaded machine.
START_LIMIT_S = 90
CHANGE_LIMIT_S = 20
EXIT_LIMIT_S = 30
TREE_DEPTH_LIMIT = 8

CODING_MODE_CAPTIONS = ["PCM 32 bit", "Orvex Sqrt", "1 st iteration", "2 nd iteration", "3 rd iteration"]
START_WINDOW_CAPTION = "Окно Кайзера (20)"

# What a screen reader is told at start, the same on every platform: every control but the
# read-outs takes the keyboard focus.
EXPECTED_TREE = [
    "role=slider  name='Level'  value=0 (min -160, max 0, step 1)  value-text=(not offered)"
    "  description='Tone level in dB relative to full scale'  focusable",
    "role=slider  name='Frequency'  value=1000 (min 0, max 8000, step 1)  value-text=(not offered)"
    "  description='Tone frequency in Hz'  focusable",
    "role=image  name='Spectrum'  description='Window: %s; mode: PCM 32 bit; peak: Bin 64: "
    "1000.000 Hz, 0.00 dB'  focusable" % START_WINDOW_CAPTION,
    "role=label  name='- 0 dB'  description='Level read-out'  not focusable",
    "role=label  name='1000 Hz'  description='Frequency read-out'  not focusable",
] + ["role=radio button  name=%r  description=''  focusable  %s" % (caption, "checked" if index == 0 else "unchecked")
     for index, caption in enumerate(CODING_MODE_CAPTIONS)]

# What the program says when the Wayland compositor goes away under it.
COMPOSITOR_GONE = "orvex: The Wayland connection broke. Did the Wayland compositor die?\n"

# Client pixels from the level gauge's corner to the middle of its left arrow.
LEVEL_LEFT_ARROW = (8, 8)

failures = []
# What shows, as a screen reader meets menus and dialogs, and the error boxes that show.
shown, boxes = [], []
# The focus events of the bus, newest last; what read-outs and descriptions are read from.
focus_events = []
READERS = (pyatspi.ROLE_LABEL, pyatspi.ROLE_IMAGE)


def check(condition, message):
    if not condition:
        failures.append(message)
    print(("ok: " if condition else "FAILED: ") + message, flush=True)
    return condition


def pump(seconds):
    """Lets the bus deliver events for a while."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        while context.iteration(False):
            pass
        time.sleep(0.02)


def wait_for(probe, limit_s):
    """The first true result of probe() within limit_s seconds, else None."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + limit_s
    while True:
        while context.iteration(False):
            pass
        try:
            result = probe()
        except GLib.Error:
            result = None
        if result or time.monotonic() >= deadline:
            return result or None
        time.sleep(0.05)


def fresh(accessible):
    """Drops what the client library cached about `accessible`, so it is read anew."""
    Atspi.Accessible.clear_cache(accessible)
    return accessible


def descendants(accessible, depth=0):
    if accessible is None or depth > TREE_DEPTH_LIMIT:
        return
    for index in range(accessible.childCount):
        child = accessible.getChildAtIndex(index)
        if child is None:
            continue
        yield child
        yield from descendants(child, depth + 1)


def find_application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        application = desktop.getChildAtIndex(index)
        if application is not None and application.get_process_id() == pid:
            return application
    return None


def find(controls, role, name=None):
    for control in controls:
        if control.getRole() == role and (name is None or control.name == name):
            return control
    return None


def value_of(control):
    try:
        return control.queryValue().currentValue
    except NotImplementedError:
        return None


def describe(control):
    """One line of what a screen reader is told: role, name, value, description, states."""
    fields = ["role=" + control.getRoleName(), "name=%r" % control.name]
    try:
        value = control.queryValue()
        fields.append("value=%g (min %g, max %g, step %g)" % (
            value.currentValue, value.minimumValue, value.maximumValue, value.minimumIncrement))
        # The value's text is newer than some toolkits' side of the bus.
        try:
            text = Atspi.Value.get_text(control)
        except GLib.Error:
            text = None
        fields.append("value-text=" + ("%r" % text if text is not None else "(not offered)"))
    except NotImplementedError:
        pass
    fields.append("description=%r" % control.description)
    states = control.getState()
    fields.append("focusable" if states.contains(pyatspi.STATE_FOCUSABLE) else "not focusable")
    if control.getRole() == pyatspi.ROLE_RADIO_BUTTON:
        fields.append("checked" if states.contains(pyatspi.STATE_CHECKED) else "unchecked")
    return "  ".join(fields)


def main():
    if len(sys.argv) not in (2, 3) or sys.argv[2:] not in ([], ["x11"], ["wayland"]):
        print("usage: accessibility_test.py PATH/TO/orvex [x11|wayland]", file=sys.stderr)
        return 2
    executable = sys.argv[1]
    on_wayland = sys.argv[2:] == ["wayland"]

    # Value notices are sent only to listeners the bus knows about, so listen first; asking
    # for the desktop also starts the accessibility bus that the program then finds.
    value_notices = []

    def on_value_change(event):
        value_notices.append((event.source.name, value_of(event.source)))

    pyatspi.Registry.registerEventListener(on_value_change, "object:property-change:accessible-value")
    pyatspi.Registry.registerEventListener(on_showing, "object:state-changed:showing")
    pyatspi.Registry.registerEventListener(
        lambda event: event.detail1 == 1 and focus_events.append(event.source), "object:state-changed:focused")
    pyatspi.Registry.getDesktop(0)
    # A call into the program is answered once its handler has run: a menu item that opens or
    # closes a window takes a fifth of a second here, and more than the bus's 0.8 s when the
    # whole suite shares two cores. The checks that follow bound every change themselves.
    Atspi.set_timeout(CHANGE_LIMIT_S * 1000, START_LIMIT_S * 1000)

    environment = dict(os.environ)
    # Qt offers its tree only while a screen reader is said to run; this says so.
    environment["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
    environment["QT_ACCESSIBILITY"] = "1"
    environment.pop("QT_QPA_PLATFORM", None)
    errors = tempfile.TemporaryFile()
    program = subprocess.Popen([executable], env=environment, stderr=errors)
    try:
        status = run_checks(program, value_notices, on_wayland)
        if on_wayland:
            status = max(status, check_compositor_gone(executable, environment))
    finally:
        if program.poll() is None:
            program.terminate()
            try:
                program.wait(EXIT_LIMIT_S)
            except subprocess.TimeoutExpired:
                program.kill()
                program.wait()
        errors.seek(0)
        text = errors.read().decode("utf-8", "replace")
        if text.strip():
            print("--- the program's standard error ---\n" + text, flush=True)
    if on_wayland and not check(text == "", "nothing is printed for what Wayland does not allow"):
        status = 1
    return status


def check_compositor_gone(executable, environment):
    """Starts the program again, ends the compositor under it and expects one line, status 1."""
    with tempfile.TemporaryFile() as errors:
        program = subprocess.Popen([executable], env=environment, stderr=errors)
        try:
            check(wait_for(lambda: find_application(program.pid), START_LIMIT_S) is not None,
                  "the program starts again on the compositor")
            os.kill(int(os.environ["ORVEX_WESTON_PID"]), signal.SIGTERM)
            status = program.wait(EXIT_LIMIT_S)
            check(status == 1, "the compositor gone, the program ends with status 1 (it ended with %d)" % status)
        except subprocess.TimeoutExpired:
            check(False, "the program outlived its compositor")
        finally:
            if program.poll() is None:
                program.kill()
                program.wait()
        errors.seek(0)
        text = errors.read().decode("utf-8", "replace")
        check(text == COMPOSITOR_GONE, "and says so in one line: %r" % text)
    return 1 if failures else 0


def on_showing(event):
    try:
        if event.detail1 == 1:
            shown.append(event.source)
            boxes.extend([event.source.name] if event.source.getRole() == pyatspi.ROLE_ALERT else [])
    except GLib.Error:
        pass  # from a program that has ended


def press(accessible, action="Press"):
    interface = accessible.queryAction()
    interface.doAction([interface.getName(i) for i in range(interface.nActions)].index(action))


def shown_by(role, act):
    """Does act() and returns what then shows with `role`, as a screen reader meets it."""
    del shown[:]
    act()
    return wait_for(lambda: next((s for s in shown if s.getRole() == role), None), CHANGE_LIMIT_S)


def choose_everything(application, display):
    """Every item of the spectrum menu and its submenu chosen through the real handler guard,
    the menu opened afresh for each (every window of the list, every view, both listening
    items, the coder curves and the spectrogram windows, the recent file in the source window),
    then the curves window's save dialog opened and cancelled: no error box may show."""
    chosen = []
    chains = [[(shown_by(pyatspi.ROLE_POPUP_MENU, lambda: press(display, "ShowMenu")), display)]]
    for chain in chains:  # grows by the submenus met
        menu = chain[-1][0]
        for index in range(menu.childCount):
            for shown_menu, opener in chain:
                press(opener, "ShowMenu")
                wait_for(lambda: fresh(shown_menu).getState().contains(pyatspi.STATE_SHOWING), CHANGE_LIMIT_S)
            item = menu.getChildAtIndex(index)
            try:
                del shown[:]
                press(item)
                chosen.append(item.name)
                pump(0.1)
                if item.name == "Sound file...":
                    dialog = wait_for(lambda: next((s for s in shown if s.getRole() == pyatspi.ROLE_DIALOG), None),
                                      CHANGE_LIMIT_S)
                    if check(dialog is not None, "the sound file dialog opens"):
                        press(find(descendants(dialog), pyatspi.ROLE_PUSH_BUTTON, "Cancel"))
                elif item.name == "recent-tone.wav":
                    check_source_window(application)
            except ValueError:  # a separator, or a submenu's item, which opens it
                if item.getRole() == pyatspi.ROLE_MENU_ITEM and fresh(item).getState().contains(pyatspi.STATE_ENABLED):
                    chains.append(chain + [(shown_by(pyatspi.ROLE_POPUP_MENU, lambda: press(item, "ShowMenu")), item)])
    check(len(chosen) >= 32 and {"Coder curves...", "Spectrogram...", "Coder figures...", "Listen",
                                 "Listen to the coding error", "Listen to the original", "Tone", "Sound file...",
                                 "recent-tone.wav", "Default input"} <= set(chosen),
          "every item of the spectrum menu is chosen: %r" % chosen)
    curves = find(descendants(application), pyatspi.ROLE_FILLER, "Coder curves")
    dialog = shown_by(pyatspi.ROLE_DIALOG, lambda: press(find(descendants(curves), pyatspi.ROLE_PUSH_BUTTON, "Save as PNG")))
    if check(dialog is not None, "the curves window's save dialog opens"):
        press(find(descendants(dialog), pyatspi.ROLE_PUSH_BUTTON, "Cancel"))
    # The level tab measures the material that plays, its chart drawn on the real display.
    material = find(descendants(curves), pyatspi.ROLE_RADIO_BUTTON, "This material")
    if check(material is not None, "the curves window offers this material"):
        interface = material.queryAction()
        press(material, interface.getName(0))
        check(wait_for(lambda: fresh(material).getState().contains(pyatspi.STATE_CHECKED), CHANGE_LIMIT_S),
              "choosing it shows the material's chart")
    pump(1.0)
    check(not boxes, "no error box shows: %r" % boxes)


def check_source_window(application):
    """The recent file plays in its own window, whose controls a screen reader sees."""
    pause = wait_for(lambda: find(descendants(application), pyatspi.ROLE_PUSH_BUTTON, "Pause"), CHANGE_LIMIT_S)
    controls = list(descendants(application))
    check(pause is not None and all(find(controls, role, name) for role, name in (
        (pyatspi.ROLE_SLIDER, "Position"), (pyatspi.ROLE_LABEL, "Time"), (pyatspi.ROLE_PUSH_BUTTON, "Loop start"),
        (pyatspi.ROLE_PUSH_BUTTON, "Loop end"), (pyatspi.ROLE_CHECK_BOX, "Loop"), (pyatspi.ROLE_LABEL, "recent-tone.wav"),
        (pyatspi.ROLE_LABEL, "Loop 0:00.0 to 0:03.0"))),
          "the recent file opens in the source window, its controls, name and loop named for a screen reader")
    if pause is not None:
        press(pause)
        check(wait_for(lambda: fresh(pause).name == "Play", CHANGE_LIMIT_S), "its Pause button pauses it")


def expect_clean_end(program, ended_by):
    """The program ends with status 0 once `ended_by` has happened; 1 if any check failed."""
    try:
        status = program.wait(EXIT_LIMIT_S)
        check(status == 0, "%s ends the program with status 0 (it ended with %d)" % (ended_by, status))
    except subprocess.TimeoutExpired:
        check(False, "the program outlived %s" % ended_by)
    return 1 if failures else 0


def keys(sequence, pid=0):
    """Presses keys; "@TITLE" gives the window of `pid` titled TITLE (a pattern) the focus, as a
    window manager does."""
    for step in sequence.split():
        command = ("xdotool search --sync --all --onlyvisible --pid %d --name %s windowfocus --sync" % (
            pid, step[1:]) if step.startswith("@") else "xdotool key " + step)
        subprocess.run(["sh", "-c", command], check=False, timeout=CHANGE_LIMIT_S)


def menu():
    """The window menu opened by Shift+F10 and Down, read from the focused item, closed by Esc:
    caption -> (checked, enabled)."""
    del focus_events[:]
    keys("shift+F10 Down")
    item = wait_for(lambda: next((source for source in focus_events if source.parent is not None
                                  and source.parent.getRole() == pyatspi.ROLE_POPUP_MENU), None), CHANGE_LIMIT_S)
    states = {child.name: (fresh(child).getState().contains(pyatspi.STATE_CHECKED),
                           fresh(child).getState().contains(pyatspi.STATE_ENABLED))
              for child in descendants(item.parent if item is not None else None)}
    keys("Escape")
    return states


def drive_by_keyboard(program, application):
    """The whole window by keys alone, checked in what a screen reader is told."""
    def focused(name):
        return lambda: [control.name for control in descendants(application)
                        if fresh(control).getState().contains(pyatspi.STATE_FOCUSED)] == [name]

    def reads(text):  # a read-out, or part of the display's description
        return lambda: any(text == fresh(control).name or text in fresh(control).description
                           for control in descendants(application) if control.getRole() in READERS)

    def showing(title):
        return any(child.name == title and fresh(child).getState().contains(pyatspi.STATE_SHOWING)
                   for child in [application.getChildAtIndex(i) for i in range(application.childCount)])

    steps = [
        ("@Signal.Analyzer", "the window has the focus on the checked button", focused("PCM 32 bit")),
        ("Tab", "Tab reaches the frequency slider", focused("Frequency")),
        ("Right Prior", "Right steps it by 1 Hz, Page Up by 10", reads("1011 Hz")),
        ("Next Left", "Page Down and Left step it back", reads("1000 Hz")),
        ("Tab", "Tab reaches the display", focused("Spectrum")),
        ("Tab Home", "Tab reaches the level slider, Home sets the lowest level", reads("- 160 dB")),
        ("End Down Next", "End, Down and Page Down give - 11 dB", reads("- 11 dB")),
        ("Prior Up", "Page Up and Up bring it back to 0 dB", reads("- 0 dB")),
        ("Tab Down Down", "Tab reaches the checked button, Down the 1 st iteration", reads("mode: 1 st iteration")),
        ("shift+Tab shift+Tab", "Shift+Tab goes back to the display", focused("Spectrum")),
        ("shift+F10 Down Down Return", "Shift+F10 opens the window menu, Down and Return choose",
         reads("Window: Треугольное окно (Барлетт)")),
        ("h ctrl+2 f d m Right", "every view answers its key, the arrows move the marker",
         lambda: reads("M1 bin 65,")() and all(menu()[item][0] for item in (
             "Peak hold", "16 frames", "Markers", "Distortion figures"))),
        ("l e", "L and E turn both listening items on, into the test's own sound server",
         lambda: [menu().get(item) for item in ("Listen", "Listen to the coding error")] == [(True, True)] * 2),
    ]
    for sequence, what, probe in steps:
        keys(sequence, program.pid)
        check(wait_for(probe, CHANGE_LIMIT_S), what)
        check(find(descendants(application), pyatspi.ROLE_ALERT) is None, "and no box is shown")
    keys("c")
    check(wait_for(lambda: showing("Coder curves"), CHANGE_LIMIT_S), "C opens the coder curves window")
    # Qt raises floating-point flags of its own while it shows a new window, which the handler
    # guard still reports in a box; that box alone is closed here, by keyboard.
    pump(1.0)
    if find(descendants(application), pyatspi.ROLE_ALERT) is not None:
        print("note: a box came with the coder curves window", flush=True)
        keys("Return")
    keys("@Coder.curves Escape", program.pid)
    check(wait_for(lambda: not showing("Coder curves"), CHANGE_LIMIT_S), "Esc closes the coder curves window")


def run_checks(program, value_notices, on_wayland):
    application = wait_for(lambda: find_application(program.pid), START_LIMIT_S)
    if not check(application is not None, "the program appears on the accessibility bus"):
        return 1
    print("application: name=%r" % application.name, flush=True)

    def complete_tree():
        controls = list(descendants(application))
        found = (find(controls, pyatspi.ROLE_SLIDER, "Level"),
                 find(controls, pyatspi.ROLE_SLIDER, "Frequency"),
                 find(controls, pyatspi.ROLE_IMAGE, "Spectrum"))
        return (controls, found) if all(found) else None

    tree = wait_for(complete_tree, START_LIMIT_S)
    if not check(tree is not None, "the sliders and the display are in the tree"):
        for control in descendants(application):
            print("  " + describe(control))
        return 1
    controls, (level, frequency, display) = tree
    labels = [control for control in controls if control.getRole() == pyatspi.ROLE_LABEL]
    buttons = [control for control in controls if control.getRole() == pyatspi.ROLE_RADIO_BUTTON]
    level_label = find(labels, pyatspi.ROLE_LABEL, "- 0 dB")
    frequency_label = find(labels, pyatspi.ROLE_LABEL, "1000 Hz")

    # Once a frame or two have come, the display describes a spectrum: waited for, since a busy
    # machine may take a while to show the first frames.
    def telling():
        return [describe(fresh(control)) for control in [level, frequency, display] + labels + buttons]

    wait_for(lambda: telling() == EXPECTED_TREE, CHANGE_LIMIT_S)
    print("what a screen reader is told:", flush=True)
    told = telling()
    for line in told:
        print("  " + line, flush=True)
    check(told == EXPECTED_TREE, "a screen reader is told what it is told on every platform")

    check(level.queryValue().currentValue == 0, "the level starts at 0 dB")
    check((level.queryValue().minimumValue, level.queryValue().maximumValue,
           level.queryValue().minimumIncrement) == (-160, 0, 1), "the level's range is -160 to 0 dB by 1")
    check(frequency.queryValue().currentValue == 1000, "the frequency starts at 1000 Hz")
    check((frequency.queryValue().minimumValue, frequency.queryValue().maximumValue)
          == (0, 8000), "the frequency's range is 0 to 8000 Hz")
    check(level_label is not None and level_label.description == "Level read-out",
          "the level read-out reads - 0 dB and says what it is")
    check(frequency_label is not None and frequency_label.description == "Frequency read-out",
          "the frequency read-out reads 1000 Hz and says what it is")
    check([button.name for button in buttons] == CODING_MODE_CAPTIONS,
          "the coding-mode buttons are named by their captions, top to bottom")
    description = fresh(display).description
    check(START_WINDOW_CAPTION in description and "PCM 32 bit" in description
          and "1000.000 Hz" in description,
          "the display names its window, its mode and the 1000 Hz peak: %r" % description)
    if level_label is None:
        return 1

    # Set through the value interface, as a screen reader's user would.
    level.queryValue().currentValue = -20.0
    check(wait_for(lambda: fresh(level_label).name == "- 20 dB", CHANGE_LIMIT_S),
          "the level read-out follows a value set through the interface")
    check(level.queryValue().currentValue == -20, "the level reads -20 dB once set")
    check(wait_for(lambda: ("Level", -20) in value_notices, CHANGE_LIMIT_S),
          "a value set through the interface is announced")
    check(wait_for(lambda: fresh(display).description.endswith("1000.000 Hz, -20.00 dB"), CHANGE_LIMIT_S),
          "the frames run: the display's peak follows the level")

    # Out of range: clamped to the quietest level.
    level.queryValue().currentValue = -1000.0
    check(wait_for(lambda: fresh(level_label).name == "- 160 dB", CHANGE_LIMIT_S),
          "a level below the range is clamped to -160 dB")
    level.queryValue().currentValue = -20.0

    if on_wayland:
        choose_everything(application, display)
        # Ended from outside, the program ends cleanly (and, sanitized, without leaks).
        program.terminate()
        return expect_clean_end(program, "SIGTERM")

    # A click on the left arrow steps the level down by one decibel, and says so.
    x, y, _, _ = level.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    click = ["xdotool", "mousemove", str(x + LEVEL_LEFT_ARROW[0]), str(y + LEVEL_LEFT_ARROW[1]),
             "click", "1"]
    check(subprocess.run(click, check=False, timeout=CHANGE_LIMIT_S).returncode == 0, "xdotool clicks")
    check(wait_for(lambda: fresh(level_label).name == "- 21 dB", CHANGE_LIMIT_S),
          "the level read-out follows a click on the gauge")
    check(wait_for(lambda: ("Level", -21) in value_notices, CHANGE_LIMIT_S),
          "a change by the mouse is announced")

    drive_by_keyboard(program, application)
    choose_everything(application, display)

    # Closed from outside, the program ends cleanly (and, sanitized, without leaks).
    close = "xdotool search --sync --onlyvisible --pid %d --name 'Signal Analyzer' windowclose" % program.pid
    check(subprocess.run(["sh", "-c", close], check=False, timeout=CHANGE_LIMIT_S).returncode == 0,
          "xdotool closes the window")
    return expect_clean_end(program, "closing its window")


if __name__ == "__main__":
    sys.exit(main())
