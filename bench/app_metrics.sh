#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures the running program on a virtual display: time from process start until its
# window is on screen (also with a sound server that never answers, which must not delay it),
# CPU use at the 64 ms frame rate, and resident memory over a run. In
# the same run it measures bare_qt_repaint, a Qt program that only repaints a 512 x 241
# picture every 64 ms, and reports Orvex's CPU use against it. With pulseaudio installed, all
# of it runs beside a sound server of its own (a null sink), and Orvex is measured a second
# time listening (--listen) and a third time listening with live input (--live, recording the
# monitor of a second null sink that pacat plays noise into, since the monitor of the output
# it listens on is refused), their CPU reported against the first run's.
#
#   bench/app_metrics.sh [seconds]     (default 60 for each program; build first with
#                                       scripts/test or scripts/run)
set -euo pipefail
source "$(dirname "$0")/../scripts/lib/common.sh"

duration=${1:-60}
program="$ORVEX_ROOT/build/bin/orvex"
yardstick="$ORVEX_ROOT/build/bin/bare_qt_repaint"
for file in "$program" "$yardstick"; do
    [ -x "$file" ] || orvex_die "build first: $file is missing"
done

app_pid=
hung_pid=
hung_folder=
cleanup() {
    orvex_stop_process "$app_pid"
    orvex_stop_process "$hung_pid"
    [ -z "$hung_folder" ] || rm -rf "$hung_folder"
    orvex_stop_xvfb
    orvex_stop_sound_server
}
trap cleanup EXIT

orvex_start_xvfb
export DISPLAY="$ORVEX_XVFB_DISPLAY"
sound=no
if command -v pulseaudio >/dev/null 2>&1; then
    orvex_start_sound_server $((4 * duration + 120))
    sound=yes
fi

now_ms() { date +%s%3N; }
# CPU time in nanoseconds, all threads; far finer than the clock ticks of /proc/PID/stat,
# which would make a 1 % load over a minute uncertain by a few per cent of itself.
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{ sum += $1 } END { printf "%d", sum }'; }
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }

# start_shown <program> <window title> [arguments...]: starts it and waits for its window; sets
# app_pid and shown_ms.
start_shown() {
    local start
    start=$(now_ms)
    "$1" "${@:3}" &
    app_pid=$!
    # Poll until the window is mapped; each poll is one quick X request.
    until xdotool search --onlyvisible --name "$2" >/dev/null 2>&1; do
        kill -0 "$app_pid" 2>/dev/null || orvex_die "$1 ended before its window appeared"
        [ $(( $(now_ms) - start )) -lt 10000 ] || orvex_die "no window of $1 within 10 seconds"
        sleep 0.002
    done
    shown_ms=$(( $(now_ms) - start ))
}

# measure <program> <window title> [arguments...]: starts it, waits for its window, measures for
# $duration seconds and stops it. Sets shown_ms, cpu_percent and the rss_* figures.
measure() {
    local t0 t1 c0 c1
    start_shown "$@"

    sleep 3 # let start-up settle before measuring the steady state
    local rss_samples=()
    t0=$(now_ms)
    c0=$(cpu_ns "$app_pid")
    for _ in $(seq 1 "$duration"); do
        sleep 1
        rss_samples+=("$(rss_kb "$app_pid")")
    done
    t1=$(now_ms)
    c1=$(cpu_ns "$app_pid")
    orvex_stop_process "$app_pid"
    app_pid=

    cpu_percent=$(awk -v ns="$((c1 - c0))" -v ms="$((t1 - t0))" \
        'BEGIN { printf "%.3f", 100 * (ns / 1e6) / ms }')
    rss_first=${rss_samples[0]}
    rss_last=${rss_samples[-1]}
    rss_max=$(printf '%s\n' "${rss_samples[@]}" | sort -n | tail -n 1)
}

measure "$program" 'Signal Analyzer'
printf 'Orvex\n'
printf '  window on screen after start:  %d ms\n' "$shown_ms"
printf '  CPU over %d s at 15.6 frames/s: %s %% of one core\n' "$duration" "$cpu_percent"
printf '  resident memory: first %d KiB, last %d KiB, largest %d KiB (change %+d KiB)\n' \
    "$rss_first" "$rss_last" "$rss_max" "$((rss_last - rss_first))"
orvex_cpu=$cpu_percent
plain_shown_ms=$shown_ms

# A sound server that takes the connection and never answers (a hung one).
hung_folder=$(mktemp -d)
python3 -c 'import socket, sys, time
s = socket.socket(socket.AF_UNIX)
s.bind(sys.argv[1])
s.listen(4)
time.sleep(3600)' "$hung_folder/hung.sock" &
hung_pid=$!
until [ -S "$hung_folder/hung.sock" ]; do sleep 0.01; done
PULSE_SERVER="unix:$hung_folder/hung.sock" start_shown "$program" 'Signal Analyzer'
orvex_stop_process "$app_pid"
app_pid=
printf '  window on screen after start with a hung sound server: %d ms (%+d ms)\n' "$shown_ms" \
    "$((shown_ms - plain_shown_ms))"
orvex_stop_process "$hung_pid"
hung_pid=

if [ "$sound" = yes ]; then
    measure "$program" 'Signal Analyzer' --listen
    printf 'Orvex listening (--listen, into a null sink)\n'
    printf '  CPU over %d s: %s %% of one core, %s %% more than not listening\n' "$duration" \
        "$cpu_percent" "$(awk -v a="$cpu_percent" -v b="$orvex_cpu" 'BEGIN { printf "%+.3f", a - b }')"

    pactl load-module module-null-sink sink_name=orvex_live format=float32le rate=16000 channels=1 >/dev/null
    sox -r 16000 -n -t raw -e floating-point -b 32 -c 1 - synth $((duration + 60)) whitenoise vol 0.3 |
        pacat --playback --raw --device=orvex_live --format=float32le --rate=16000 --channels=1 &
    noise_pid=$!
    measure "$program" 'Signal Analyzer' --listen --live orvex_live.monitor
    orvex_stop_process "$noise_pid"
    printf 'Orvex with live input and listening (--listen --live, noise from a second null sink)\n'
    printf '  CPU over %d s: %s %% of one core, %s %% more than the tone alone\n' "$duration" \
        "$cpu_percent" "$(awk -v a="$cpu_percent" -v b="$orvex_cpu" 'BEGIN { printf "%+.3f", a - b }')"
fi

measure "$yardstick" 'Bare repaint'
printf 'bare Qt program repainting 512 x 241 every 64 ms\n'
printf '  CPU over %d s: %s %% of one core\n' "$duration" "$cpu_percent"
printf '  resident memory: largest %d KiB\n' "$rss_max"

printf 'Orvex CPU against the bare program: %s\n' \
    "$(awk -v a="$orvex_cpu" -v b="$cpu_percent" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }')"
