#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Figures of listening, from a recording of a sound server of its own (a null sink in the
# stream's format), made by scripts/lib/listening_driver.py:
#   latency N      N frequency changes through the accessibility interface: the median, worst
#                  and best time from a change until its first sample reaches the recorder
#   soak SECONDS   changes every few seconds for that long; every stretch of the recording
#                  after a change is compared with the expected stream, sample for sample,
#                  so a gap, a repeated block or a wrong value is counted
#
#   bench/listening_figures.sh [latency [N] | soak [SECONDS]]   (default: latency 50)
# Build first (scripts/test).
set -euo pipefail
source "$(dirname "$0")/../scripts/lib/common.sh"

what=${1:-latency}
case "$what" in
    latency) amount=${2:-50}; limit=$((amount * 2 + 120)) ;;
    soak) amount=${2:-600}; limit=$((amount + 180)) ;;
    *) orvex_die "usage: bench/listening_figures.sh [latency [N] | soak [SECONDS]]" ;;
esac
for file in "$ORVEX_ROOT/build/bin/orvex" "$ORVEX_ROOT/build/bin/orvex-frames"; do
    [ -x "$file" ] || orvex_die "build first: $file is missing"
done
ORVEX_SESSION_LIMIT_S=$limit exec bash "$ORVEX_ROOT/scripts/lib/listening_session.sh" /usr/bin/python3 \
    "$ORVEX_ROOT/scripts/lib/listening_driver.py" "$ORVEX_ROOT/build/bin/orvex" \
    "$ORVEX_ROOT/build/bin/orvex-frames" "$what" "$amount"
