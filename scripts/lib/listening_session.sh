#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The surroundings of the listening test and figures: a private runtime folder, where the
# script starts its own sound server, a virtual X display and a private D-Bus session, all
# gone again when the script ends. Clients never start a sound server of their own here.
#
#   listening_session.sh PYTHON SCRIPT ARGUMENTS...
set -euo pipefail
source "$(dirname "$0")/common.sh"

[ $# -ge 2 ] || orvex_die "usage: listening_session.sh PYTHON SCRIPT ARGUMENTS..."
python=$1
script=$2
shift 2

# The test takes well under this; the figures say how long they need.
session_limit_s=${ORVEX_SESSION_LIMIT_S:-240}

session=
runtime=
stop_all() {
    orvex_stop_process "$session"
    orvex_stop_xvfb
    [ -z "$runtime" ] || rm -rf "$runtime"
}
trap stop_all EXIT
trap 'exit 143' INT TERM

runtime=$(mktemp -d "${TMPDIR:-/tmp}/orvex-sound.XXXXXX") || orvex_die "no runtime folder"
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime HOME=$runtime
export PULSE_SERVER=unix:$runtime/pa.sock
printf 'autospawn = no\n' >"$runtime/client.conf"
export PULSE_CLIENTCONFIG=$runtime/client.conf
export ORVEX_SESSION_LIMIT_S=$session_limit_s

orvex_start_xvfb
export DISPLAY=$ORVEX_XVFB_DISPLAY
unset WAYLAND_DISPLAY XDG_SESSION_TYPE DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS
timeout --kill-after=10 "$session_limit_s" dbus-run-session -- "$python" "$script" "$@" &
session=$!
wait "$session"
