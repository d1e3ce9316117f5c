#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The running program's cost of the spectrogram window, tone playing, on a virtual display:
# CPU (share of one core) and resident memory over a time with the spectrogram closed, then
# over the same time with it open (S in the main window opens it). Goal: under +1 % of a core.
# The history's ten minutes and a repaint of a 1000 x 600 view are in spectrogram_bench.
#
#   bench/spectrogram_figures.sh [SECONDS]    Build first (scripts/test); default 30 s each.
set -euo pipefail
source "$(dirname "$0")/../scripts/lib/common.sh"

duration=${1:-30}
program="$ORVEX_ROOT/build/bin/orvex"
[ -x "$program" ] || orvex_die "build first: $program is missing"
command -v xdotool >/dev/null || orvex_die "xdotool is missing (scripts/test installs it)"

app_pid=
cleanup() {
    orvex_stop_process "$app_pid"
    orvex_stop_xvfb
}
trap cleanup EXIT

orvex_start_xvfb
export DISPLAY="$ORVEX_XVFB_DISPLAY"

now_ms() { date +%s%3N; }
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{ sum += $1 } END { printf "%d", sum }'; }
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }

# CPU share of one core over `duration` seconds, and the resident memory at the end.
measure() {
    local t0 c0 t1 c1
    t0=$(now_ms)
    c0=$(cpu_ns "$app_pid")
    sleep "$duration"
    t1=$(now_ms)
    c1=$(cpu_ns "$app_pid")
    cpu_percent=$(awk -v ns="$((c1 - c0))" -v ms="$((t1 - t0))" \
        'BEGIN { printf "%.3f", 100 * (ns / 1e6) / ms }')
    rss=$(rss_kb "$app_pid")
}

"$program" &
app_pid=$!
window=$(xdotool search --sync --onlyvisible --pid "$app_pid" --name 'Signal Analyzer' | head -n 1)
sleep 3 # start-up settles
measure
closed_cpu=$cpu_percent
closed_rss=$rss
printf 'spectrogram closed: CPU %s %% of one core, resident %d KiB\n' "$closed_cpu" "$closed_rss"

xdotool windowfocus --sync "$window" key s
xdotool search --sync --onlyvisible --pid "$app_pid" --name '^Spectrogram$' >/dev/null
sleep 3
measure
printf 'spectrogram open:   CPU %s %% of one core, resident %d KiB\n' "$cpu_percent" "$rss"
printf 'the open spectrogram costs %s %% of one core and %+d KiB\n' \
    "$(awk -v a="$cpu_percent" -v b="$closed_cpu" 'BEGIN { printf "%+.3f", a - b }')" \
    "$((rss - closed_rss))"
