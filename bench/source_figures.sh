#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Figures of sound files through the headless tool, on speech that flite and sox make here:
# ten minutes of speech at 16000 Hz (as flite writes it) and the same resampled from 44100 Hz
# FLAC, each coding mode written whole with --wav on one core: seconds of sound per second of
# work (decoding and resampling included); then the largest resident memory for an hour of
# sound, which must not grow with the file's length.
#
#   bench/source_figures.sh            Build first (scripts/test).
set -euo pipefail
source "$(dirname "$0")/../scripts/lib/common.sh"

frames="$ORVEX_ROOT/build/bin/orvex-frames"
[ -x "$frames" ] || orvex_die "build first: $frames is missing"
for program in flite sox taskset; do
    command -v "$program" >/dev/null || orvex_die "$program is missing (scripts/test installs it)"
done
work=$(mktemp -d "${TMPDIR:-/tmp}/orvex-source-figures.XXXXXX")
trap 'rm -rf "$work"' EXIT

flite -voice kal16 -o "$work/phrase.wav" -t "A codec engineer listens to speech coded by a \
square root compander and compares it, sample for sample, with the original. The quick brown \
fox jumps over the lazy dog, and the five boxing wizards jump quickly."
phrase=$(soxi -D "$work/phrase.wav")
repeats=$(awk -v p="$phrase" 'BEGIN { printf "%d", 600 / p }')
sox "$work/phrase.wav" "$work/speech.wav" repeat "$repeats"
sox "$work/speech.wav" -r 44100 "$work/speech44.flac"
sox "$work/speech.wav" "$work/hour.wav" repeat 5
seconds=$(soxi -D "$work/speech.wav")
printf 'speech: %.1f s (flite, kal16)\n' "$seconds"

# Seconds of work for one run: the best of three, on one core.
work_seconds() {
    local best=
    for _ in 1 2 3; do
        local took
        took=$( { /usr/bin/time -f '%e' taskset -c 0 "$frames" "$@" >/dev/null; } 2>&1 | tail -n 1)
        best=$(awk -v a="$took" -v b="${best:-$took}" 'BEGIN { print (a < b ? a : b) }')
    done
    printf '%s' "$best"
}

printf '%-6s %-22s %10s %14s\n' mode input "work (s)" "x real time"
for mode in pcm sqrt iter1 iter2 iter3; do
    for input in speech.wav speech44.flac; do
        took=$(work_seconds --input "$work/$input" --mode "$mode" --wav "$work/out.wav")
        printf '%-6s %-22s %10s %14.0f\n' "$mode" "$input" "$took" \
            "$(awk -v s="$seconds" -v t="$took" 'BEGIN { print (t > 0 ? s / t : 0) }')"
    done
done

for input in speech.wav hour.wav; do
    resident=$( { /usr/bin/time -f '%M' "$frames" --input "$work/$input" --mode iter1 \
                      --wav "$work/out.wav" >/dev/null; } 2>&1 | tail -n 1)
    printf 'largest resident memory, %s (%.0f s): %d MB\n' "$input" \
        "$(soxi -D "$work/$input")" "$((resident / 1024))"
done
