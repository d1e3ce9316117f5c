#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every coder's figures and cost on ten minutes of speech that flite and sox make here, set to
# an active level of -26 dB as bench/material_figures.sh sets it: SNR, segmental SNR and
# log-spectral distance of each coder at its default rate (a narrowband one's also against the
# original through its resampling alone), then each coder's cost as times real time on one
# core (goal: at least 100 each).
#
#   bench/codec_figures.sh [benchmark options]     Build first (codec_bench, orvex-frames).
set -euo pipefail
source "$(dirname "$0")/../scripts/lib/common.sh"

bench="$ORVEX_ROOT/build/bin/codec_bench"
frames="$ORVEX_ROOT/build/bin/orvex-frames"
[ -x "$bench" ] || orvex_die "build first: $bench is missing"
[ -x "$frames" ] || orvex_die "build first: $frames is missing"
for program in flite sox taskset; do
    command -v "$program" >/dev/null || orvex_die "$program is missing (scripts/test installs it)"
done
work=$(mktemp -d "${TMPDIR:-/tmp}/orvex-codec-figures.XXXXXX")
trap 'rm -rf "$work"' EXIT

orvex_make_bench_speech "$frames" "$work/speech.wav"

taskset -c 0 "$bench" "$work/speech.wav" "$@"
