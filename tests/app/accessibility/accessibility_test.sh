#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The accessibility test's surroundings: a virtual X display, or a headless Wayland compositor
# and no X display at all, a sound server, and a private D-Bus session, in which the accessibility bus starts
# on demand, all gone again when the test ends.
#
#   accessibility_test.sh PYTHON SCRIPT ORVEX_EXECUTABLE [x11|wayland]
set -euo pipefail
source "$(dirname "$0")/../../../scripts/lib/common.sh"

[ $# -eq 3 ] || [ $# -eq 4 ] ||
    orvex_die "usage: accessibility_test.sh PYTHON SCRIPT ORVEX_EXECUTABLE [x11|wayland]"
python=$1
script=$2
orvex=$3
platform=${4:-x11}

# The whole test, start-up of the sanitized program included, takes well under this.
readonly session_limit_s=240

session=
stop_all() {
    # Stopping the session stops the script, the program it started and the buses.
    orvex_stop_process "$session"
    orvex_stop_xvfb
    orvex_stop_weston
    orvex_stop_sound_server
    rm -rf "$settings_dir"
}
trap stop_all EXIT
# The program's settings in a folder of the test's own, with one recent file, made here, for
# the walk through the menu to open in the source window.
settings_dir=$(mktemp -d "${TMPDIR:-/tmp}/orvex-settings.XXXXXX")
export XDG_CONFIG_HOME=$settings_dir
sox -n -r 16000 -b 16 "$settings_dir/recent-tone.wav" synth 3 sine 440 ||
    orvex_die "sox could not make the recent file"
mkdir -p "$settings_dir/Orvex"
printf '[sources]\nrecent_files=%s\n' "$settings_dir/recent-tone.wav" >"$settings_dir/Orvex/Orvex.conf"
# Stopped from outside (ctest's time limit), everything is stopped before the script ends.
trap 'exit 143' INT TERM

# A sound server of its own for the listening items; started first, since it sets a runtime
# folder that the compositor's then replaces.
orvex_start_sound_server "$session_limit_s"
case "$platform" in
    x11)
        orvex_start_xvfb
        export DISPLAY=$ORVEX_XVFB_DISPLAY
        unset WAYLAND_DISPLAY
        ;;
    wayland)
        orvex_start_weston "$session_limit_s"
        unset DISPLAY
        # The script ends the compositor to see the program's answer.
        export ORVEX_WESTON_PID
        # The headless compositor has no seat, and Qt's Wayland text input then crashes in a
        # text field (the save dialog's); a desktop always has one. Composing stands in.
        export QT_IM_MODULE=compose
        ;;
    *) orvex_die "unknown platform '$platform' (allowed: x11, wayland)" ;;
esac
unset XDG_SESSION_TYPE
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS
# The session bus ends with the script, and with it the accessibility bus it started. Run in
# the background, so that a signal to this shell is handled at once.
timeout --kill-after=10 "$session_limit_s" dbus-run-session -- "$python" "$script" "$orvex" "$platform" &
session=$!
wait "$session"
