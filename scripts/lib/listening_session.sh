#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The surroundings of the listening tests and figures: a private runtime folder, where the
# command starts its own sound server, a virtual X display and a private D-Bus session, all
# gone again when the script ends. Clients never start a sound server of their own here.
#
#   listening_session.sh COMMAND ARGUMENTS...   (a Python script with its interpreter, or a
#                                                test program)
set -euo pipefail
source "$(dirname "$0")/common.sh"

[ $# -ge 1 ] || orvex_die "usage: listening_session.sh COMMAND ARGUMENTS..."

# The test takes well under this; the figures say how long they need.
session_limit_s=${ORVEX_SESSION_LIMIT_S:-240}

session=
stop_all() {
    orvex_stop_process "$session"
    orvex_stop_xvfb
    orvex_stop_sound_server
}
trap stop_all EXIT
trap 'exit 143' INT TERM

# The script starts and stops the server itself (scripts/lib/listening_driver.py).
orvex_sound_runtime
export ORVEX_SESSION_LIMIT_S=$session_limit_s

orvex_start_xvfb
export DISPLAY=$ORVEX_XVFB_DISPLAY
unset WAYLAND_DISPLAY XDG_SESSION_TYPE DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS
timeout --kill-after=10 "$session_limit_s" dbus-run-session -- "$@" &
session=$!
wait "$session"
