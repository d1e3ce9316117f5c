#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Paints the manual's pictures with the programs as they are built, so that every picture
# shows what the program draws: the tool's own PNGs of a spectrum, the coder curves and a
# spectrogram, and screenshots of the real windows on a private virtual display (the
# spectrum with a sound file playing, that file's window, the spectrogram and the coder
# figures windows). Builds and installs nothing; scripts/pictures and the docs' test call it.
#
#   pictures.sh BIN_DIR OUT_DIR    BIN_DIR holds orvex and orvex-frames
#
# Needs flite and sox (the speech that plays), Xvfb, xdotool and ImageMagick's import.
set -euo pipefail
source "$(dirname "$0")/common.sh"

[ $# -eq 2 ] || orvex_die "usage: pictures.sh BIN_DIR OUT_DIR"
program="$1/orvex"
tool="$1/orvex-frames"
out=$2
for binary in "$program" "$tool"; do
    [ -x "$binary" ] || orvex_die "no program at $binary: build it first"
done
mkdir -p "$out"

# The X clients get a time limit: import waits for a click on a window that has gone.
xdotool() { timeout 10 xdotool "$@"; }
import() { timeout 10 import "$@"; }

work=$(mktemp -d "${TMPDIR:-/tmp}/orvex-pictures.XXXXXX")
app_pid=
cleanup() {
    orvex_stop_process "$app_pid"
    orvex_stop_xvfb
    rm -rf "$work"
}
trap cleanup EXIT

speech="$work/speech.wav"
orvex_make_speech "$speech" || orvex_die "flite and sox could not make the speech that plays"

# Writes the picture $1 as $2, small: a palette of 256 colours, which holds every colour of
# most of them and leaves out only shades of the spectrograms' antialiased text.
keep() {
    convert "$1" -strip -colors 256 "PNG8:$2" || orvex_die "could not write $2"
}

# The tool's pictures.
"$tool" --freq 1733 --mode iter1 --frames 10 --png "$work/spectrum-iter1.png" >/dev/null
"$tool" --curves level --freq 997 --png "$work/coder-curves-997hz.png" >/dev/null
"$tool" --input "$speech" --mode iter1 --size 640x384 --spectrogram "$work/spectrogram-speech.png" >/dev/null
for picture in spectrum-iter1 coder-curves-997hz spectrogram-speech; do
    keep "$work/$picture.png" "$out/$picture.png"
done

# The windows, on a display of our own, with settings (recent files) of their own.
orvex_start_xvfb
export DISPLAY=$ORVEX_XVFB_DISPLAY XDG_CONFIG_HOME="$work/config"
"$program" "$speech" >"$work/program.log" 2>&1 &
app_pid=$!

# The id of the visible window whose title matches the regular expression $1, once it shows
# (up to 60 s, for a busy machine or a sanitized build).
window_titled() {
    local id try
    for try in $(seq 1 300); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) || true
        [ -n "$id" ] && { printf '%s\n' "$id"; return 0; }
        kill -0 "$app_pid" 2>/dev/null || orvex_die "orvex ended: $(cat "$work/program.log")"
        sleep 0.2
    done
    orvex_die "no window titled '$1' within 60 seconds"
}

# Saves window $1 as $2 once two captures half a second apart are the same (a window still
# filling in, as the coder figures while they are measured, changes between them); a window
# that never settles (a spectrum playing) is saved as it last was.
capture() {
    local previous='' current try
    for try in $(seq 1 "${3:-40}"); do
        import -window "$1" "$work/capture.ppm" || orvex_die "could not capture window $1"
        current=$(md5sum <"$work/capture.ppm")
        [ "$current" = "$previous" ] && break
        previous=$current
        sleep 0.5
    done
    keep "$work/capture.ppm" "$2"
}

main=$(window_titled 'Signal Analyzer$')
file_window=$(window_titled '^speech\.wav$')
# "1 st iteration", whose coding error shows, chosen with the mouse as a user does: its
# button is CodingModeButton(2) of display/window_layout.h, at zoom 1.
xdotool mousemove --window "$main" 380 336 click 1
xdotool windowfocus --sync "$main" key s
spectrogram=$(window_titled '^Spectrogram$')
# Without a window manager windows overlap where they open, and a capture shows what
# covers a window: each goes to a place of its own on the 1280 x 1024 screen.
xdotool windowmove --sync "$main" 0 0 windowmove --sync "$file_window" 840 480
xdotool windowsize --sync "$spectrogram" 660 440 windowmove --sync "$spectrogram" 600 0
xdotool windowfocus --sync "$main" key g
figures=$(window_titled '^Coder figures$')
xdotool windowsize --sync "$figures" 800 560 windowmove --sync "$figures" 0 460
capture "$figures" "$out/coder-figures.png"
sleep 6 # some seconds of the spectrogram's columns
capture "$main" "$out/spectrum-file-playing.png" 1
capture "$file_window" "$out/source-window.png" 1
capture "$spectrogram" "$out/spectrogram-window.png" 1

orvex_say "wrote $(cd "$out" && ls spectrum-iter1.png coder-curves-997hz.png spectrogram-speech.png \
    spectrum-file-playing.png source-window.png coder-figures.png spectrogram-window.png | tr '\n' ' ')into $out"
