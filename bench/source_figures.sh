#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Figures of sound files through the headless tool, on speech that flite and sox make here:
# ten minutes of speech at 16000 Hz (as flite writes it) and the same resampled from 44100 Hz
# FLAC, each coding mode written whole with --wav on one core: seconds of sound per second of
# work (decoding and resampling included); then the largest resident memory for an hour of
# sound, which must not grow with the file's length; then the spectrogram of the ten minutes
# drawn in one picture (goal: under 2 s) and written as numbers.
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

# The whole ten minutes in one spectrogram picture (1200 x 720, three lanes), and as CSV: the
# best of three, on both cores (the tool takes the samples on one thread while a second makes
# the columns), with the work of both threads beside it.
spectrogram_seconds() {
    local best= best_cpu=
    for _ in 1 2 3; do
        local took
        took=$( { /usr/bin/time -f '%e %U' "$frames" "$@" >/dev/null; } 2>&1 | tail -n 1)
        if [ -z "$best" ] || awk -v a="${took% *}" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=${took% *}
            best_cpu=${took#* }
        fi
    done
    printf '%s %s\n' "$best" "$best_cpu"
}
printf '%-6s %-22s %-6s %10s %10s\n' mode input output "wall (s)" "CPU (s)"
for mode in pcm iter1; do
    for input in speech.wav speech44.flac; do
        read -r wall cpu < <(spectrogram_seconds --input "$work/$input" --mode "$mode" \
                                 --spectrogram "$work/spectrogram.png")
        printf '%-6s %-22s %-6s %10s %10s\n' "$mode" "$input" png "$wall" "$cpu"
    done
done
read -r wall cpu < <(spectrogram_seconds --input "$work/speech.wav" --mode iter1 \
                         --spectrogram "$work/spectrogram.csv")
printf '%-6s %-22s %-6s %10s %10s (%d MB)\n' iter1 speech.wav csv "$wall" "$cpu" \
    "$(( $(stat -c %s "$work/spectrogram.csv") / 1000000 ))"
resident=$( { /usr/bin/time -f '%M' "$frames" --input "$work/hour.wav" --mode iter1 \
                  --spectrogram "$work/spectrogram.png" >/dev/null; } 2>&1 | tail -n 1)
printf 'largest resident memory, spectrogram of hour.wav: %d MB\n' "$((resident / 1024))"
