# SPDX-License-Identifier: GPL-3.0-or-later
"""Listening to the real program through a real sound server of our own, for the listening
test (tests/app/listening/listening_test.py) and the listening figures (bench/listening_figures.sh).
Run inside scripts/lib/listening_session.sh, which gives it a private runtime folder, a
virtual X display and a private D-Bus session:
    python3 listening_driver.py ORVEX ORVEX_FRAMES latency N | soak SECONDS

A SoundServer is pulseaudio with a null sink in exactly the stream's format (float32le,
16000 Hz, one channel), so nothing is resampled; a Recorder records its monitor with parec,
stamping each read with the time it arrived; Expected gives the stream orvex-frames --wav
writes for given settings, so that a recording is compared with it sample for sample once
the offset into the clock's period is found. "latency N" makes N frequency changes and prints
the median and worst delay from a change to hearing it; "soak SECONDS" changes the frequency
every few seconds for that long and counts the stretches of the recording that are not the
expected stream (a gap, a repeat or a wrong value).
"""

import contextlib
import os
import statistics
import struct
import subprocess
import sys
import tempfile
import threading
import time

# The accessibility test's helpers for finding and waiting on the program's controls.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "app", "accessibility"))
import accessibility_test as at  # noqa: E402
from accessibility_test import wait_for, descendants, find_application, find, pump  # noqa: E402

import pyatspi  # noqa: E402

RATE = 16000
SAMPLE_BYTES = 4
PERIOD = RATE  # the clock's values 1 to 16000, over and over
START_LIMIT_S = 90
# How many times slower than the normal build the program under test runs: the ThreadSanitizer
# build sets it, and the limits of the changes heard stretch by it.
TIME_SCALE = float(os.environ.get("ORVEX_TIME_SCALE", "1"))
# How long a change may take to be heard before the program counts as hung: a guard against a
# hang only, far beyond what any machine takes; how soon a change is heard is a figure of the
# benchmark (bench/listening_figures.sh), never a test's condition.
HEARD_LIMIT_S = 60 * TIME_SCALE
SILENCE = b"\0" * SAMPLE_BYTES
# Samples compared to find where in the clock's period a stretch of the recording lies.
PROBE_SAMPLES = 256

MODES = {"pcm": "PCM 32 bit", "iter1": "1 st iteration", "sqrt": "Orvex Sqrt",
         "iter2": "2 nd iteration", "iter3": "3 rd iteration"}


COMMON = os.path.join(os.path.dirname(os.path.abspath(__file__)), "common.sh")


def common(command, *arguments, **options):
    """Runs `command` of scripts/lib/common.sh, where the sound server is set up, with arguments."""
    return subprocess.Popen(["bash", "-c", 'source "$0" && "$@"', COMMON, command] + [str(a) for a in arguments],
                            **options)


class SoundServer:
    """Our sound server (orvex_run_sound_server in common.sh): pulseaudio with one null sink,
    "orvex", on the socket PULSE_SERVER names, in the session's runtime folder."""

    def __init__(self, limit_s):
        self.limit_s = limit_s
        self.process = None

    def start(self):
        self.process = common("orvex_run_sound_server", self.limit_s)
        # Ready once the sink is there: the socket comes up before it.
        return self._sink_is(True)

    def remove_sink(self):
        """Takes the only output device away, as unplugging it would."""
        subprocess.run(["pactl", "unload-module", "module-null-sink"], check=False, timeout=20)
        return self._sink_is(False)

    def add_sink(self):
        common("orvex_add_sound_sink").wait(20)
        return self._sink_is(True)

    def _sink_is(self, there):
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            sinks = subprocess.run(["pactl", "list", "short", "sinks"], stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL, text=True).stdout
            if ("orvex" in sinks.split()) == there:
                return True
            time.sleep(0.05)
        return False

    def stop(self):
        if self.process is not None and self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)
        self.process = None


class Recorder:
    """parec on the sink's monitor; every read is stamped with the time it arrived."""

    def __init__(self):
        self.data = bytearray()
        self.stamps = []  # (bytes received so far, time.monotonic())
        self.lock = threading.Lock()
        self.process = subprocess.Popen(
            ["parec", "--device=orvex.monitor", "--format=float32le", "--rate=16000", "--channels=1",
             "--raw", "--latency-msec=20"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        while True:
            block = os.read(self.process.stdout.fileno(), 4096)
            if not block:
                return
            now = time.monotonic()
            with self.lock:
                self.data += block
                self.stamps.append((len(self.data), now))

    def samples(self):
        with self.lock:
            return bytes(self.data[:len(self.data) - len(self.data) % SAMPLE_BYTES])

    def arrival(self, sample):
        """When the recorder received sample number `sample`."""
        with self.lock:
            for received, stamp in self.stamps:
                if received > sample * SAMPLE_BYTES:
                    return stamp
        return None

    def wait_past(self, moment):
        while True:
            with self.lock:
                if self.stamps and self.stamps[-1][1] >= moment:
                    return
            if self.process.poll() is not None:
                return
            time.sleep(0.02)

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
        self.process.wait(10)
        self.thread.join(10)


class Expected:
    """One clock period (clock values 1 to 16000) of the stream for given settings, as
    orvex-frames --wav writes it, read from the file's data chunk as raw float32le."""

    def __init__(self, frames):
        self.frames = frames
        self.cache = {}

    def period(self, freq, level=0, mode="pcm", error=False):
        key = (freq, level, mode, error)
        if key not in self.cache:
            with tempfile.NamedTemporaryFile(suffix=".wav") as wav:
                arguments = [self.frames, "--freq", str(freq), "--level", str(level), "--mode", mode,
                             "--wav", wav.name, "--seconds", "2"] + (["--error"] if error else [])
                subprocess.run(arguments, check=True, stdout=subprocess.DEVNULL)
                samples = wav_samples(wav.name)
            self.cache[key] = samples[SAMPLE_BYTES:(PERIOD + 1) * SAMPLE_BYTES]
        return self.cache[key]


def wav_samples(path):
    """The data chunk of the WAV file at `path`, as raw bytes."""
    data = open(path, "rb").read()
    at_data = data.find(b"data")
    size = struct.unpack("<I", data[at_data + 4:at_data + 8])[0]
    return data[at_data + 8:at_data + 8 + size]


def input_stream(frames, path, mode, *extra):
    """What orvex-frames --wav writes for the sound file at `path` in `mode` (with --original or
    --error among `extra`), as raw float32le."""
    with tempfile.NamedTemporaryFile(suffix=".wav") as wav:
        subprocess.run([frames, "--input", path, "--mode", mode, "--wav", wav.name] + list(extra), check=True,
                       stdout=subprocess.DEVNULL)
        return wav_samples(wav.name)


def turns(recording, start, streams):
    """Walks the recording from sample `start` on through `streams`, one looping material played
    in different ways, each sample where the one before leads. On a busy machine the server may
    play silence while the client is late and then drop what came too late: after a silence the
    walk goes on where the recording is found again. Returns how many samples are found nowhere,
    how often the recording turns from one stream to another, how often it goes on elsewhere
    after a silence, and how often it does so without one (a sample lost or repeated) or within
    1/8 s of a turn (a gap where the stream turned)."""
    length, end, silence = len(streams[0]) // SAMPLE_BYTES, len(recording) // SAMPLE_BYTES - RATE // 50, b"\0" * 4
    wrong, heard, place, silent, index, turned, gaps, jumps = 0, 0, None, False, start, [], [], 0
    while index < end:
        got = sample(recording, index)
        kinds = [] if place is None else [k for k, s in enumerate(streams) if got == sample(s, place % length)]
        if not kinds and got == silence:
            silent, index = True, index + 1
        elif not kinds:
            found = [phase for phase in (phase_of(recording, index, s) for s in streams) if phase is not None]
            wrong, index = (wrong, index) if found else (wrong + 1, index + 1)
            if found and place is not None:
                gaps, jumps = (gaps + [index], jumps) if silent else (gaps, jumps + 1)
            place = found[0] if found else place
        else:
            if len(kinds) == 1 and kinds[0] != heard:
                turned.append(index)
            heard = kinds[0] if len(kinds) == 1 else heard
            silent, place, index = False, place + 1, index + 1
    return wrong, len(turned), len(gaps), jumps + sum(abs(g - t) < RATE // 8 for g in gaps for t in turned)


def sample(data, index):
    return data[index * SAMPLE_BYTES:(index + 1) * SAMPLE_BYTES]


def phase_of(recording, start, period):
    """Where in `period` the recording's sample `start` lies, found from the samples that
    follow it; None if they are nowhere in it."""
    probe = recording[start * SAMPLE_BYTES:(start + PROBE_SAMPLES) * SAMPLE_BYTES]
    doubled = period + period
    found = doubled.find(probe)
    while found >= 0 and found % SAMPLE_BYTES:
        found = doubled.find(probe, found + 1)
    return None if found < 0 else found // SAMPLE_BYTES


def matches(recording, start, end, period, phase):
    """Whether samples start..end of the recording are the period's from `phase` on."""
    count = end - start
    turns = (phase + count) // PERIOD + 1
    tiled = period * (turns + 1)
    return (recording[start * SAMPLE_BYTES:end * SAMPLE_BYTES]
            == tiled[phase * SAMPLE_BYTES:(phase + count) * SAMPLE_BYTES])


def first_sound(recording):
    index = 0
    silent = b"\0" * SAMPLE_BYTES
    while index < len(recording) // SAMPLE_BYTES and sample(recording, index) == silent:
        index += 1
    return index


def change_heard(recorder, expected, before, after, act):
    """Makes a change with act(), records on until the `after` settings are heard (HEARD_LIMIT_S
    only catches a hang), and walks back from there to where the recording turned from the
    `before` settings. Returns a Change: the delay in seconds from act() to the first sample of
    the new settings reaching the recorder (None if they are never heard), whether the clock ran
    on from the old settings to the new ones sample for sample, and how often the device played
    silence meanwhile because the busy machine starved it."""
    moment = time.monotonic()
    act()
    new_period, old_period = expected.period(*after), expected.period(*before)
    deadline = moment + HEARD_LIMIT_S
    while True:
        recorder.wait_past(time.monotonic() + 0.1)
        recording = recorder.samples()
        tail = len(recording) // SAMPLE_BYTES - PROBE_SAMPLES - RATE // 50
        phase = None if tail < 0 else phase_of(recording, tail, new_period)
        if phase is not None:
            break
        if time.monotonic() > deadline or recorder.process.poll() is not None:
            return Change(None, False, 0)
    # Back from the tail while the new settings hold at the clock the tail gives; over a
    # silence (the device starved) to where the new settings are found again, at any clock.
    first, starved = tail, 0
    while True:
        while first > 0 and sample(recording, first - 1) == sample(new_period, (phase - (tail - first) - 1) % PERIOD):
            first -= 1
        if first == 0 or sample(recording, first - 1) != SILENCE:
            break
        quiet = first
        while quiet > 0 and sample(recording, quiet - 1) == SILENCE:
            quiet -= 1
        earlier = None if quiet < PROBE_SAMPLES else phase_of(recording, quiet - PROBE_SAMPLES, new_period)
        if earlier is None:
            starved += 1  # the turn itself fell into the silence: its clock cannot be told
            return Change(recorder.arrival(first) - moment, False, starved)
        starved += 1
        tail, phase, first = quiet - PROBE_SAMPLES, earlier, quiet - PROBE_SAMPLES
    before_start = max(first - RATE // 10, 0)
    continued = matches(recording, before_start, first, old_period, (phase - (tail - before_start)) % PERIOD)
    return Change(recorder.arrival(first) - moment, continued, starved)


class Change:
    """What change_heard found: see there."""

    def __init__(self, delay, continued, starved):
        self.delay, self.continued, self.starved = delay, continued, starved

    def in_order(self):
        """Heard, and on one clock: the turn itself sample for sample, or fallen into a
        silence of the starved device (which the caller reports)."""
        return self.delay is not None and (self.continued or self.starved > 0)


def start_program(executable, extra_environment=None, arguments=("--listen",)):
    environment = dict(os.environ)
    environment["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
    environment["QT_ACCESSIBILITY"] = "1"
    environment.pop("QT_QPA_PLATFORM", None)
    environment.update(extra_environment or {})
    errors = tempfile.TemporaryFile()
    program = subprocess.Popen([executable] + list(arguments), env=environment, stderr=errors)
    return program, errors


def end_program(program, errors):
    """Ends the program as a desktop would; returns its status and its standard error."""
    if program.poll() is None:
        program.terminate()
        try:
            program.wait(at.EXIT_LIMIT_S)
        except subprocess.TimeoutExpired:
            program.kill()
            program.wait()
    errors.seek(0)
    return program.returncode, errors.read().decode("utf-8", "replace")


class Window:
    """The program's controls as a screen reader finds them."""

    def __init__(self, program):
        self.program = program
        self.application = wait_for(lambda: find_application(program.pid), START_LIMIT_S)
        self.controls = []
        if self.application is not None:
            found = wait_for(lambda: self._tree(), START_LIMIT_S)
            self.controls = found or []
        self.frequency = find(self.controls, pyatspi.ROLE_SLIDER, "Frequency")
        self.level = find(self.controls, pyatspi.ROLE_SLIDER, "Level")
        self.display = find(self.controls, pyatspi.ROLE_IMAGE, "Spectrum")

    def _tree(self):
        controls = list(descendants(self.application))
        return controls if find(controls, pyatspi.ROLE_SLIDER, "Frequency") else None

    def ready(self):
        return self.frequency is not None and self.display is not None

    def press_mode(self, mode):
        button = find(self.controls, pyatspi.ROLE_RADIO_BUTTON, MODES[mode])
        action = button.queryAction()
        for index in range(action.nActions):
            if action.getName(index) in ("press", "click", "Press"):
                action.doAction(index)
                return
        action.doAction(0)

    def key(self, keys):
        """Keys for the whole window, with the pointer over the display so that they go to it."""
        x, y, width, height = self.display.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        subprocess.run(["xdotool", "mousemove", str(x + width // 2), str(y + height // 2), "key"] + keys.split(),
                       check=False, timeout=20)

    def listening_items(self):
        """The two listening items of the spectrum menu, as a screen reader meets them: the
        menu opened with a right click, the first item focused with an arrow key, the menu
        read from the focused item's parent, then closed. For each item (checked, enabled)."""
        focused = []

        def on_focus(event):
            if event.detail1 == 1:
                focused.append(event.source)

        pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
        try:
            x, y, width, height = self.display.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            subprocess.run(["xdotool", "mousemove", str(x + width // 2), str(y + height // 2), "click", "3"],
                           check=False, timeout=20)
            pump(0.3)
            subprocess.run(["xdotool", "key", "Down"], check=False, timeout=20)

            def menu():
                for source in focused:
                    parent = source.parent
                    if parent is not None and parent.getRole() in (pyatspi.ROLE_MENU, pyatspi.ROLE_POPUP_MENU):
                        return parent
                return None

            found = wait_for(menu, 20)
        finally:
            pyatspi.Registry.deregisterEventListener(on_focus, "object:state-changed:focused")
        states = []
        for name in ("Listen", "Listen to the coding error"):
            item = None if found is None else next(
                (child for child in descendants(found) if child.name == name), None)
            if item is not None:
                state = at.fresh(item).getState()
                states.append((state.contains(pyatspi.STATE_CHECKED), state.contains(pyatspi.STATE_ENABLED)))
        subprocess.run(["xdotool", "key", "Escape"], check=False, timeout=20)
        pump(0.3)
        return states

    def no_dialog(self):
        return not any(control.getRole() in (pyatspi.ROLE_DIALOG, pyatspi.ROLE_ALERT)
                       for control in descendants(self.application))


def heard_exactly(recorder, expected, settings, seconds):
    """Whether the recording from now on, once `seconds` of it sound (HEARD_LIMIT_S only
    catches a hang), is the stream for `settings` sample for sample, with no sample lost or
    repeated except after a silence where the busy machine starved the device. Returns the
    verdict and how many such silences there were."""
    recording = recorder.samples()
    start = max(len(recording) // SAMPLE_BYTES, first_sound(recording))

    def sounding():
        now = recorder.samples()[start * SAMPLE_BYTES:]
        return sum(now[i:i + SAMPLE_BYTES] != SILENCE for i in range(0, len(now), SAMPLE_BYTES))

    deadline = time.monotonic() + HEARD_LIMIT_S
    while sounding() < seconds * RATE and time.monotonic() < deadline and recorder.process.poll() is None:
        recorder.wait_past(time.monotonic() + 0.1)
    if sounding() < seconds * RATE:
        return False, 0
    wrong, _, starved, faults = turns(recorder.samples(), start, [expected.period(*settings)])
    return wrong == faults == 0, starved


def wait_for_sound(recorder):
    """Until the program's sound has reached the recorder, and a second more."""
    wait_for(lambda: first_sound(recorder.samples()) < len(recorder.samples()) // SAMPLE_BYTES, START_LIMIT_S)
    recorder.wait_past(time.monotonic() + 1.0)


def changing_settings(window, count, recorder, expected, pause_s):
    """Frequency changes between frequencies whose tone fills the whole clock period, so that
    each stretch of the recording lies at exactly one place in it."""
    frequencies = [1733, 2347, 997, 3001, 1409]
    delays = []
    gapless = 0
    for change in range(count):
        before = (frequencies[change % len(frequencies)], 0, "iter1")
        after = (frequencies[(change + 1) % len(frequencies)], 0, "iter1")
        change = change_heard(recorder, expected, before, after,
                              lambda: setattr(window.frequency.queryValue(), "currentValue", float(after[0])))
        delays.append(change.delay)
        gapless += change.continued
        time.sleep(pause_s)
    return delays, gapless


@contextlib.contextmanager
def playing_first_iteration(orvex, server, arguments=("--listen",), extra_environment=None):
    """The program on its own sound server, heard playing the 1 st iteration at 1733 Hz (or a
    sound file that `arguments` name), where the figures' changes start from; yields the
    recorder and the window, and ends them all."""
    server.start()
    recorder = Recorder()
    program, errors = start_program(orvex, extra_environment, arguments)
    try:
        window = Window(program)
        wait_for_sound(recorder)
        window.press_mode("iter1")
        setattr(window.frequency.queryValue(), "currentValue", 1733.0)
        pump(1.0)
        yield recorder, window
    finally:
        end_program(program, errors)
        recorder.stop()
        server.stop()


def run_latency(orvex, expected, server, count):
    with playing_first_iteration(orvex, server) as (recorder, window):
        delays, gapless = changing_settings(window, count, recorder, expected, 0.2)
        heard = [delay for delay in delays if delay is not None]
        print("changes: %d, heard: %d, clock ran on through: %d" % (count, len(heard), gapless))
        print("delays (ms): " + " ".join("-" if d is None else "%.0f" % (d * 1000) for d in delays))
        if heard:
            print("delay from change to heard: median %.0f ms, worst %.0f ms, best %.0f ms"
                  % (statistics.median(heard) * 1000, max(heard) * 1000, min(heard) * 1000))


def run_soak(orvex, expected, server, seconds):
    """Changes the level and frequency every few seconds and then walks the whole recording,
    block by block, against the stream the settings in force give."""
    with playing_first_iteration(orvex, server) as (recorder, window):
        deadline = time.monotonic() + seconds
        changes = 0
        frequencies = [1733, 2347, 997, 3001, 1409]
        delays = []
        failed = 0
        while time.monotonic() < deadline:
            before = (frequencies[changes % len(frequencies)], 0, "iter1")
            after = (frequencies[(changes + 1) % len(frequencies)], 0, "iter1")
            change = change_heard(
                recorder, expected, before, after,
                lambda: setattr(window.frequency.queryValue(), "currentValue", float(after[0])))
            delay, continued = change.delay, change.continued
            changes += 1
            delays.append(delay)
            # Everything since the change, up to a moment ago, must be the new stream.
            recorder.wait_past(time.monotonic() + 2.5)
            recording = recorder.samples()
            total = len(recording) // SAMPLE_BYTES
            period = expected.period(*after)
            start = total - int(2.8 * RATE)
            phase = phase_of(recording, start, period)
            good = continued and phase is not None and matches(recording, start, total - RATE // 50, period, phase)
            failed += not good
            if not good:
                # What went wrong: a late change, or silence where the stream ran dry.
                stretch = recording[start * SAMPLE_BYTES:total * SAMPLE_BYTES]
                longest = run = 0
                for index in range(0, len(stretch), SAMPLE_BYTES):
                    run = run + 1 if stretch[index:index + SAMPLE_BYTES] == b"\0" * SAMPLE_BYTES else 0
                    longest = max(longest, run)
                print("change %d at %.0f s: delay %s, clock ran on: %s, longest silence %d samples"
                      % (changes, time.monotonic() - (deadline - seconds),
                         "none" if delay is None else "%.0f ms" % (delay * 1000), continued, longest), flush=True)
        print("soak: %.0f s, %d changes, %d recorded samples, %d stretches with a gap, a repeat or a wrong "
              "value, %d changes not heard, median delay %.0f ms"
              % (seconds, changes, len(recorder.samples()) // SAMPLE_BYTES, failed,
                 sum(delay is None for delay in delays),
                 statistics.median([d for d in delays if d is not None] or [0]) * 1000))
        heard = [d for d in delays if d is not None]
        if heard:
            print("delay from change to heard: worst %.0f ms, over 300 ms: %d"
                  % (max(heard) * 1000, sum(d > 0.3 for d in heard)))



def main():
    if len(sys.argv) != 5 or sys.argv[3] not in ("latency", "soak"):
        print("usage: listening_driver.py ORVEX ORVEX_FRAMES latency N | soak SECONDS", file=sys.stderr)
        return 2
    orvex, frames, what, amount = sys.argv[1:]
    # Asking for the desktop starts the accessibility bus that the program then finds.
    pyatspi.Registry.getDesktop(0)
    server = SoundServer(limit_s=int(os.environ.get("ORVEX_SESSION_LIMIT_S", "240")))
    try:
        if what == "latency":
            run_latency(orvex, Expected(frames), server, int(amount))
        else:
            run_soak(orvex, Expected(frames), server, float(amount))
    finally:
        server.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
