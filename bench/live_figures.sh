#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Figures of live input, beside a sound server of its own (a null sink in the stream's
# format): the time from a click played into it until the frame that shows it is on the
# display, median, best and worst over N clicks (bench/live_latency.cpp). The CPU cost of
# live input with listening on is measured by bench/app_metrics.sh.
#
#   bench/live_figures.sh [N]   (default 50; build first with scripts/test)
set -euo pipefail
source "$(dirname "$0")/../scripts/lib/common.sh"

clicks=${1:-50}
program="$ORVEX_ROOT/build/bin/live_latency"
[ -x "$program" ] || orvex_die "build first: $program is missing"
ORVEX_SESSION_LIMIT_S=$((clicks + 120)) exec bash "$ORVEX_ROOT/scripts/lib/sound_server_session.sh" \
    "$program" "$clicks"
