#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command beside a sound server of its own (pulseaudio with the null sink "orvex" in
# 32-bit float, 16000 Hz, one channel, in a private runtime folder), which is gone again when
# the script ends. Clients never start a sound server of their own here.
#
#   sound_server_session.sh COMMAND ARGUMENTS...
set -euo pipefail
source "$(dirname "$0")/common.sh"

[ $# -ge 1 ] || orvex_die "usage: sound_server_session.sh COMMAND ARGUMENTS..."
limit_s=${ORVEX_SESSION_LIMIT_S:-240}

command_pid=
stop_all() {
    orvex_stop_process "$command_pid"
    orvex_stop_sound_server
}
trap stop_all EXIT
trap 'exit 143' INT TERM

orvex_start_sound_server "$limit_s"
timeout --kill-after=10 "$limit_s" "$@" &
command_pid=$!
wait "$command_pid"
