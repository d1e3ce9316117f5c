#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every coder's figures over real material through the headless tool (--measure of --input
# files), on speech that flite and sox make here, set to an active level of -26 dB: the whole
# table of ten minutes of speech through the eight coders on two cores (goal: under 2 s),
# then a hundred files of ten seconds each in one run of the tool (goal: under 10 s), and the
# same hundred through GNU parallel, one file per job, as a corpus larger than one machine is
# measured. Each time is the best of three; the speech's table follows.
#
#   bench/material_figures.sh          Build first (scripts/test).
set -euo pipefail
source "$(dirname "$0")/../scripts/lib/common.sh"

frames="$ORVEX_ROOT/build/bin/orvex-frames"
[ -x "$frames" ] || orvex_die "build first: $frames is missing"
for program in flite sox taskset parallel; do
    command -v "$program" >/dev/null || orvex_die "$program is missing (scripts/test installs it)"
done
work=$(mktemp -d "${TMPDIR:-/tmp}/orvex-material-figures.XXXXXX")
trap 'rm -rf "$work"' EXIT

orvex_make_bench_speech "$frames" "$work/speech.wav"
mkdir "$work/corpus"
for n in $(seq -w 1 100); do
    sox "$work/speech.wav" "$work/corpus/part$n.wav" trim "$(( (10#$n - 1) * 5 ))" 10
done
printf 'speech: %.1f s (flite, kal16), active level -26 dB; corpus: 100 files of 10 s\n' \
    "$(soxi -D "$work/speech.wav")"

# The best of three wall-clock times of a command, with its CPU time, on the first two cores.
best_seconds() {
    local best= best_cpu=
    for _ in 1 2 3; do
        local took
        took=$( { /usr/bin/time -f '%e %U %S' taskset -c 0,1 "$@" >/dev/null; } 2>&1 | tail -n 1)
        read -r wall user system <<<"$took"
        if [ -z "$best" ] || awk -v a="$wall" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$wall
            best_cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')
        fi
    done
    printf '%10s %10s' "$best" "$best_cpu"
}

printf '%-44s %10s %10s\n' run "wall (s)" "CPU (s)"
printf '%-44s %s\n' "table of 600 s of speech, 8 coders" \
    "$(best_seconds "$frames" --input "$work/speech.wav" --measure)"
printf '%-44s %s\n' "100 files of 10 s, 8 coders, one run" \
    "$(best_seconds "$frames" --input "$work"/corpus/*.wav --measure --format csv)"
printf '%-44s %s\n' "the same through parallel, one file a job" \
    "$(best_seconds parallel --jobs 2 --keep-order "$frames" --input {} --measure --format csv \
        ::: "$work"/corpus/*.wav)"
echo
(cd "$work" && "$frames" --input speech.wav --measure)
