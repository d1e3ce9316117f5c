# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by scripts/test and scripts/run: install what is missing, then configure and build.
# Source it; it defines functions only.

ORVEX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Debian packages the build, the tests and the benchmarks need.
ORVEX_PACKAGES=(
    g++ cmake make pkg-config
    qt6-base-dev qt6-svg-dev qt6-l10n-tools libxcb1-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libfftw3-dev
    libpng-dev nlohmann-json3-dev libcli11-dev
    desktop-file-utils appstream help2man
    fonts-dejavu-core xvfb xdotool imagemagick x11-xserver-utils
    weston qt6-wayland
    dbus-daemon at-spi2-core python3-pyatspi
    libpulse-dev libsndfile1-dev libsoxr-dev sox libsox-fmt-mp3 flite pulseaudio pulseaudio-utils
    libspandsp-dev libgsm1-dev libopus-dev libspeex-dev libcodec2-dev libvo-amrwbenc-dev
    libopencore-amrwb-dev libbcg729-dev
    parallel
)

# orvex_make_speech FILE: a phrase of speech that flite speaks, at 16000 Hz in 16 bits, its
# peak 3 dB below full scale: material for the manual's pictures and examples, as no sound
# file is kept in the tree.
orvex_make_speech() {
    local phrase
    phrase=$(mktemp --suffix=.wav "${TMPDIR:-/tmp}/orvex-phrase.XXXXXX") || return 1
    flite -voice kal16 -o "$phrase" -t "A codec engineer listens to speech coded by a square \
root coder, and flips to the original to hear what the coder changed." &&
        sox -D "$phrase" -r 16000 -b 16 "$1" gain -n -3
    local status=$?
    rm -f "$phrase"
    return "$status"
}

# orvex_make_bench_speech TOOL FILE: ten minutes of flite's speech at 16000 Hz in 16 bits, its
# active level -26 dB as the tool TOOL (orvex-frames) measures it (segments within 50 dB of the
# loudest): the benchmarks' material.
orvex_make_bench_speech() {
    local frames=$1 out=$2 folder phrase level
    folder=$(mktemp -d "${TMPDIR:-/tmp}/orvex-bench-speech.XXXXXX") || return 1
    flite -voice kal16 -o "$folder/phrase.wav" -t "A codec engineer listens to speech coded by a \
square root compander and compares it, sample for sample, with the original. The quick brown \
fox jumps over the lazy dog, and the five boxing wizards jump quickly." &&
        phrase=$(soxi -D "$folder/phrase.wav") &&
        sox "$folder/phrase.wav" "$folder/long.wav" \
            repeat "$(awk -v p="$phrase" 'BEGIN { printf "%d", 600 / p }')" &&
        level=$("$frames" --input "$folder/long.wav" --measure --coders pcm --format csv |
            awk -F, 'NR == 2 { print $8 }') &&
        sox -D "$folder/long.wav" -b 16 "$out" vol "$(awk -v l="$level" 'BEGIN { print -26 - l }')dB"
    local status=$?
    rm -rf "$folder"
    return "$status"
}

orvex_say() { printf 'orvex: %s\n' "$*" >&2; }
orvex_die() { orvex_say "$*"; exit 1; }

orvex_missing_packages() {
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            printf '%s\n' "$package"
        fi
    done
}

# Installs the given Debian packages that are not installed yet, as root or through sudo.
orvex_ensure_packages() {
    command -v dpkg-query >/dev/null 2>&1 ||
        orvex_die "this set-up expects Debian 12 (dpkg and apt-get); install these by hand: $*"
    local missing
    mapfile -t missing < <(orvex_missing_packages "$@")
    [ "${#missing[@]}" -eq 0 ] && return 0

    local -a as_root
    if [ "$(id -u)" -eq 0 ]; then
        as_root=()
    elif command -v sudo >/dev/null 2>&1; then
        as_root=(sudo)
    else
        orvex_die "missing Debian packages: ${missing[*]}. Installing them needs root or sudo, and neither is available here; ask an administrator to run: apt-get install ${missing[*]}"
    fi
    orvex_say "installing missing Debian packages: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    "${as_root[@]}" apt-get update -q || orvex_die "apt-get update failed"
    "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" ||
        orvex_die "apt-get install failed for: ${missing[*]}"
}

# orvex_build <build-dir> [--target <target>] [cmake -D options...]
# Builds everything, or only <target> and what it needs.
orvex_build() {
    local build_dir=$1
    shift
    local -a target=()
    if [ "${1:-}" = --target ]; then
        target=(--target "$2")
        shift 2
    fi
    local jobs
    jobs=$(nproc 2>/dev/null || echo 2)
    cmake -S "$ORVEX_ROOT" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" ||
        orvex_die "configuring the build failed"
    cmake --build "$build_dir" --parallel "$jobs" "${target[@]}" || orvex_die "the build failed"
}

# Starts a virtual X display and sets ORVEX_XVFB_PID and ORVEX_XVFB_DISPLAY; the caller stops
# it with orvex_stop_xvfb. Xvfb takes the first free display number itself and writes it out
# once it accepts clients, so scripts and tests that start displays at once never share one.
# It never resets: a server resets when its last client leaves, and would then refuse the
# client that comes a moment later.
orvex_start_xvfb() {
    local number_file
    number_file=$(mktemp "${TMPDIR:-/tmp}/orvex-xvfb.XXXXXX") || orvex_die "no temporary file for Xvfb"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$number_file" >/dev/null 2>&1 &
    ORVEX_XVFB_PID=$!
    local waited number=
    for waited in $(seq 1 100); do
        number=$(head -n 1 "$number_file" 2>/dev/null || true)
        [[ $number =~ ^[0-9]+$ ]] && break
        number=
        kill -0 "$ORVEX_XVFB_PID" 2>/dev/null || break
        sleep 0.05
    done
    rm -f "$number_file"
    [ -n "$number" ] || kill -0 "$ORVEX_XVFB_PID" 2>/dev/null ||
        orvex_die "the virtual display (Xvfb) did not start"
    [ -n "$number" ] || orvex_die "the virtual display (Xvfb) did not come up within 5 seconds"
    ORVEX_XVFB_DISPLAY=":$number"
}

# Stops a process of ours and waits for it; never fails, so cleanup traps run to the end.
orvex_stop_process() {
    [ -n "${1:-}" ] || return 0
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

orvex_stop_xvfb() {
    orvex_stop_process "${ORVEX_XVFB_PID:-}"
    ORVEX_XVFB_PID=
}

# Makes a folder only its owner may enter, as a server's runtime folder must be, and prints
# its path; <name> goes into the folder's name.
orvex_private_runtime() {
    local folder
    folder=$(mktemp -d "${TMPDIR:-/tmp}/orvex-$1.XXXXXX") || return 1
    chmod 700 "$folder" && printf '%s\n' "$folder"
}

# orvex_wait_for <pid> <tries> <command...>: runs the command every 50 ms, up to <tries>
# times, until it succeeds; fails at once when the process <pid> (the server being waited
# for) has ended.
orvex_wait_for() {
    local pid=$1 tries=$2 try
    shift 2
    for try in $(seq 1 "$tries"); do
        "$@" && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.05
    done
    return 1
}

# Starts a headless Wayland compositor (Weston) in a private runtime folder and sets
# ORVEX_WESTON_PID, WAYLAND_DISPLAY and XDG_RUNTIME_DIR; the caller stops it with
# orvex_stop_weston. It ends by itself after <limit> seconds (default 600).
orvex_start_weston() {
    local limit=${1:-600}
    ORVEX_WESTON_RUNTIME=$(orvex_private_runtime wayland) ||
        orvex_die "no runtime folder for Weston"
    export XDG_RUNTIME_DIR=$ORVEX_WESTON_RUNTIME
    export WAYLAND_DISPLAY=orvex-wayland
    timeout "$limit" weston --no-config --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" \
        --idle-time=0 >/dev/null 2>&1 &
    ORVEX_WESTON_PID=$!
    orvex_wait_for "$ORVEX_WESTON_PID" 100 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ||
        orvex_die "the Wayland compositor (weston) did not start"
}

orvex_stop_weston() {
    orvex_stop_process "${ORVEX_WESTON_PID:-}"
    ORVEX_WESTON_PID=
    [ -z "${ORVEX_WESTON_RUNTIME:-}" ] || rm -rf "$ORVEX_WESTON_RUNTIME"
    ORVEX_WESTON_RUNTIME=
}

# The one output of a sound server of ours: a null sink "orvex" in the listening stream's own
# format (32-bit float, 16000 Hz, one channel), so that nothing is resampled.
ORVEX_SOUND_SINK="module-null-sink sink_name=orvex format=float32le rate=16000 channels=1"

# Makes a private runtime folder for a sound server of our own and points this shell's sound
# clients at it: XDG_RUNTIME_DIR, HOME, PULSE_SERVER and a client configuration that never
# starts a server of its own. Sets ORVEX_PULSE_RUNTIME; orvex_stop_sound_server removes it.
orvex_sound_runtime() {
    ORVEX_PULSE_RUNTIME=$(orvex_private_runtime sound) ||
        orvex_die "no runtime folder for the sound server"
    export XDG_RUNTIME_DIR=$ORVEX_PULSE_RUNTIME HOME=$ORVEX_PULSE_RUNTIME
    export PULSE_SERVER=unix:$ORVEX_PULSE_RUNTIME/pa.sock
    printf 'autospawn = no\n' >"$ORVEX_PULSE_RUNTIME/client.conf"
    export PULSE_CLIENTCONFIG=$ORVEX_PULSE_RUNTIME/client.conf
}

# Becomes our sound server (exec), in the foreground: pulseaudio with the sink
# ORVEX_SOUND_SINK on the socket PULSE_SERVER names, for at most <limit> seconds. Run in a
# subshell, or by a program that starts and stops the server itself (the listening tests).
orvex_run_sound_server() {
    exec timeout "$1" pulseaudio -n --daemonize=no --exit-idle-time=-1 \
        -L "module-native-protocol-unix socket=${PULSE_SERVER#unix:} auth-anonymous=1" \
        -L "$ORVEX_SOUND_SINK" >/dev/null 2>&1
}

# Gives our sound server its sink again after it was taken away.
orvex_add_sound_sink() {
    # The module and its arguments, each a word of its own.
    pactl load-module $ORVEX_SOUND_SINK >/dev/null
}

# Starts a sound server of our own (orvex_sound_runtime, orvex_run_sound_server) and waits
# for its sink; sets ORVEX_PULSE_PID. It ends by itself after <limit> seconds (default 600);
# the caller stops it with orvex_stop_sound_server.
orvex_start_sound_server() {
    local limit=${1:-600}
    orvex_sound_runtime
    (orvex_run_sound_server "$limit") &
    ORVEX_PULSE_PID=$!
    orvex_wait_for "$ORVEX_PULSE_PID" 200 orvex_sound_sink_ready ||
        orvex_die "the sound server (pulseaudio) did not start"
}

# Whether the sound server of orvex_start_sound_server offers its sink yet.
orvex_sound_sink_ready() {
    pactl list short sinks 2>/dev/null | grep -qw orvex
}

orvex_stop_sound_server() {
    orvex_stop_process "${ORVEX_PULSE_PID:-}"
    ORVEX_PULSE_PID=
    [ -z "${ORVEX_PULSE_RUNTIME:-}" ] || rm -rf "$ORVEX_PULSE_RUNTIME"
    ORVEX_PULSE_RUNTIME=
}
