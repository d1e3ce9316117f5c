#!/usr/bin/env bash
# Measures the running program on a virtual display: time from process start until its
# window is on screen, CPU use at the 64 ms frame rate, and resident memory over a run.
#
#   bench/app_metrics.sh [seconds]     (default 60; build first with scripts/test or scripts/run)
set -euo pipefail
source "$(dirname "$0")/../scripts/lib/common.sh"

duration=${1:-60}
program="$ORVEX_ROOT/build/bin/orvex"
[ -x "$program" ] || orvex_die "build first: $program is missing"
ticks_per_second=$(getconf CLK_TCK)

app_pid=
cleanup() {
    orvex_stop_process "$app_pid"
    orvex_stop_xvfb
}
trap cleanup EXIT

orvex_start_xvfb
export DISPLAY="$ORVEX_XVFB_DISPLAY"

now_ms() { date +%s%3N; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }

start=$(now_ms)
"$program" &
app_pid=$!
# Poll until the window is mapped; each poll is one quick X request.
until xdotool search --onlyvisible --name 'Signal Analyzer' >/dev/null 2>&1; do
    kill -0 "$app_pid" 2>/dev/null || orvex_die "Orvex ended before its window appeared"
    [ $(( $(now_ms) - start )) -lt 10000 ] || orvex_die "no window within 10 seconds"
    sleep 0.002
done
shown=$(( $(now_ms) - start ))

sleep 3 # let start-up settle before measuring the steady state
rss_samples=()
t0=$(now_ms)
c0=$(cpu_ticks "$app_pid")
for _ in $(seq 1 "$duration"); do
    sleep 1
    rss_samples+=("$(rss_kb "$app_pid")")
done
t1=$(now_ms)
c1=$(cpu_ticks "$app_pid")

cpu_percent=$(awk -v c="$((c1 - c0))" -v hz="$ticks_per_second" -v ms="$((t1 - t0))" \
    'BEGIN { printf "%.2f", 100 * (c / hz) / (ms / 1000) }')
first_rss=${rss_samples[0]}
last_rss=${rss_samples[-1]}
max_rss=$(printf '%s\n' "${rss_samples[@]}" | sort -n | tail -n 1)

printf 'window on screen after start:  %d ms\n' "$shown"
printf 'CPU over %d s at 15.6 frames/s: %s %% of one core\n' "$duration" "$cpu_percent"
printf 'resident memory: first %d KiB, last %d KiB, largest %d KiB (change %+d KiB)\n' \
    "$first_rss" "$last_rss" "$max_rss" "$((last_rss - first_rss))"
