# SPDX-License-Identifier: GPL-3.0-or-later
"""The real program heard through a real sound server that the test starts for itself.

Run by ctest inside scripts/lib/listening_session.sh:
    python3 listening_test.py PATH/TO/orvex PATH/TO/orvex-frames

With --listen, the PCM tone at 0 dB must be recorded sample for sample; a frequency, a mode,
the coding error and a level chosen one after the other must each be heard, the clock running
on through each change without a sample lost or repeated, and the raised error of the 1 st
iteration must be recorded sample for sample. Nothing here is timed: each step waits for what
must be heard (a limit only catches a hang), and where the busy machine starved the device
(it then plays silence and drops what came too late) the test says so and goes on; how soon a
change is heard is measured by bench/listening_figures.sh. The server killed while playing must turn
listening off, with no error box; started again after a while, listening must work again.
The output device taken away, while playing or idle, must disable both items. Without any
server both items must be disabled, and every end must be clean. A file flipped with A between
coded and original must be heard as its own samples, none lost or repeated at a flip.
"""

import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "scripts", "lib"))
from listening_driver import (START_LIMIT_S, SAMPLE_BYTES, TIME_SCALE, Expected, Recorder, SoundServer,  # noqa: E402
                              Window, change_heard, end_program, first_sound, heard_exactly, input_stream,
                              playing_first_iteration, start_program, turns)
import accessibility_test as at  # noqa: E402
from accessibility_test import check, pump, wait_for  # noqa: E402

import pyatspi  # noqa: E402

# How long the server stays away: longer than a sound layer that gives up retrying waits.
AWAY_S = 12
FLIPS = 6  # how often the A/B test flips between the coded and the original file


def check_heard(recorder, expected, settings, seconds, what):
    """Checks that what is heard from now on is the stream for `settings`, sample for sample."""
    exact, starved = heard_exactly(recorder, expected, settings, seconds)
    check(exact, "%s is heard sample for sample (%d silences while the busy machine starved the device)"
          % (what, starved))


def run_test(orvex, expected, server):
    check(server.start(), "the sound server starts")
    recorder = Recorder()
    program, errors = start_program(orvex)
    try:
        window = Window(program)
        if not check(window.ready(), "the program with --listen appears on the accessibility bus"):
            return
        check(wait_for(lambda: first_sound(recorder.samples()) < len(recorder.samples()) // SAMPLE_BYTES,
                       START_LIMIT_S), "the program with --listen starts playing")
        # The server's side of the queue asked for: 80 ms ahead, in requests of 30 ms, leave the
        # device (80 - 2 x 30) / 2 ms.
        inputs = subprocess.run(["pacmd", "list-sink-inputs"], stdout=subprocess.PIPE, text=True).stdout
        check("requested latency: 10.00 ms" in inputs and "float32le 1ch 16000Hz" in inputs,
              "the server keeps the stream's 80 ms queue in its own format: %r" % inputs)
        check_heard(recorder, expected, (1000, 0, "pcm"), 0.8, "with --listen the PCM tone at 0 dB")
        items = window.listening_items()
        check(items == [(True, True), (False, True)],
              "a screen reader sees \"Listen\" checked and \"Listen to the coding error\" not: %r" % items)

        changes = [
            ("the frequency set to 1733 Hz", (1000, 0, "pcm"), (1733, 0, "pcm"),
             lambda: setattr(window.frequency.queryValue(), "currentValue", 1733.0)),
            ("the mode set to 1 st iteration", (1733, 0, "pcm"), (1733, 0, "iter1"),
             lambda: window.press_mode("iter1")),
            ("the coding error chosen (E)", (1733, 0, "iter1"), (1733, 0, "iter1", True),
             lambda: window.key("e")),
            ("the level set to -20 dB", (1733, 0, "iter1", True), (1733, -20, "iter1", True),
             lambda: setattr(window.level.queryValue(), "currentValue", -20.0)),
        ]
        for what, before, after, act in changes:
            change = change_heard(recorder, expected, before, after, act)
            check(change.delay is not None, "%s is heard" % what)
            check(change.in_order(), "%s: the stream before it runs on the same clock, no sample lost or repeated "
                  "(%d silences while the busy machine starved the device)" % (what, change.starved))
        check_heard(recorder, expected, (1733, -20, "iter1", True), 0.5,
                    "the raised coding error of the 1 st iteration")
        items = window.listening_items()
        check(items == [(True, True), (True, True)],
              "a screen reader sees both items checked: %r" % items)

        # The server goes away while playing and comes back only after a while.
        server.stop()
        recorder.stop()
        items = wait_for(lambda: (lambda items: items if [enabled for _, enabled in items] == [False, False]
                                  and not items[0][0] else None)(window.listening_items()), at.CHANGE_LIMIT_S)
        check(program.poll() is None, "the program runs on when the server goes away")
        check(items is not None, "\"Listen\" turns itself off and both items are disabled")
        check(window.no_dialog(), "no error box is shown")
        pump(AWAY_S)
        check(server.start(), "the sound server starts again")
        recorder = Recorder()

        def listening_again():
            if not check(program.poll() is None, "the program is still running"):
                return True
            window.key("l")
            pump(1.0)
            state = window.listening_items()
            return bool(state) and state[0][0]

        check(wait_for(listening_again, 30), "checking \"Listen\" again works once the server is back")
        wait_for(lambda: first_sound(recorder.samples()) < len(recorder.samples()) // SAMPLE_BYTES, START_LIMIT_S)
        check_heard(recorder, expected, (1733, -20, "iter1", True), 0.5, "and the stream again")

        # The only output device goes away while playing, comes back, and goes while idle.
        def off_and_disabled():
            items = window.listening_items()
            return len(items) == 2 and items[0] == (False, False) and not items[1][1]

        recorder.stop()
        check(server.remove_sink(), "the output device is taken away")
        check(wait_for(off_and_disabled, at.CHANGE_LIMIT_S),
              "without a device \"Listen\" turns itself off and both items are disabled")
        check(server.add_sink(), "the output device comes back")
        check(wait_for(lambda: window.listening_items()[:1] == [(False, True)], at.CHANGE_LIMIT_S),
              "and \"Listen\" is enabled again")
        check(server.remove_sink(), "the output device is taken away again")
        check(wait_for(off_and_disabled, at.CHANGE_LIMIT_S), "while idle, the menu shows both items disabled")
        status, text = end_program(program, errors)
        check(status == 0, "the program ends with status 0 (it ended with %s)" % status)
        if text.strip():
            print("--- the program's standard error ---\n" + text, flush=True)
    finally:
        end_program(program, errors)
        recorder.stop()

    # No server at all.
    server.stop()
    program, errors = start_program(orvex)
    try:
        window = Window(program)
        if check(window.ready(), "without a sound server the program starts with --listen"):
            items = window.listening_items()
            check(items == [(False, False), (False, False)], "both items are off and disabled: %r" % items)
            check(window.no_dialog(), "no error box is shown")
    finally:
        status, text = end_program(program, errors)
    check(status == 0, "and ends with status 0 (it ended with %s)" % status)


def run_flip_test(orvex, frames, server, folder):
    """Three seconds of noise, looping, heard in the 1 st iteration and flipped with A."""
    noise = os.path.join(folder, "noise.wav")
    subprocess.run(["sox", "-n", "-r", "16000", "-e", "floating-point", "-b", "32", noise, "synth", "3",
                    "whitenoise", "vol", "0.5"], check=True)
    with playing_first_iteration(orvex, server, (noise, "--listen"), {"XDG_CONFIG_HOME": folder}) as (recorder, window):
        start = len(recorder.samples()) // SAMPLE_BYTES
        at.keys("@noise.wav", window.program.pid)  # the keyboard in the file's window, as after opening it
        for _ in range(FLIPS):
            at.keys("a")
            pump(0.4 * TIME_SCALE)
        recorder.wait_past(time.monotonic() + 0.5 * TIME_SCALE)
        wrong, flips, late, faults = turns(recorder.samples(), start, [input_stream(frames, noise, "iter1", *extra)
                                                                       for extra in ([], ["--original"])])
    check(wrong == faults == 0, "the file is heard coded or original, none of its samples lost or repeated at a "
          "flip (%d wrong, %d faults, %d gaps while the server waited on the busy machine)" % (wrong, faults, late))
    check(flips == FLIPS, "each of the %d flips is heard, once (%d)" % (FLIPS, flips))


def main():
    if len(sys.argv) != 3:
        print("usage: listening_test.py ORVEX ORVEX_FRAMES", file=sys.stderr)
        return 2
    # Asking for the desktop starts the accessibility bus that the program then finds.
    pyatspi.Registry.getDesktop(0)
    server = SoundServer(limit_s=int(os.environ.get("ORVEX_SESSION_LIMIT_S", "240")))
    try:
        run_test(sys.argv[1], Expected(sys.argv[2]), server)
        with tempfile.TemporaryDirectory() as folder:
            run_flip_test(sys.argv[1], sys.argv[2], server, folder)
    finally:
        server.stop()
    return 1 if at.failures else 0


if __name__ == "__main__":
    sys.exit(main())
