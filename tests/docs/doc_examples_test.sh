#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every example of the README and docs/ (a ```sh block whose first line starts with
# orvex-frames) with the built tool, in one folder holding the material they name; fails on
# an orvex-frames line in any other block (an example nobody runs) and when the pictures
# cannot be painted.   doc_examples_test.sh SOURCE_DIR BIN_DIR, in sound_server_session.sh
set -uo pipefail
source "$1/scripts/lib/common.sh"
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT && cd "$work" && mkdir blocks corpus || exit 1
orvex_make_speech speech.wav && sox speech.wav speech.flac &&
    sox -n -r 44100 -c 2 music.flac synth 3 sine 220 sine 330 gain -n -6 &&
    for n in 1 2 3; do sox speech.wav "corpus/part$n.wav" trim "$n" 2; done || exit 1
(cd "$1" && awk -v out="$work/blocks" '
    /^```/ { if (run) close(file); inside = !inside; sh = $0 == "```sh"; first = 1; run = 0; next }
    inside && first { first = 0; run = sh && /^orvex-frames/
                      if (run) { file = sprintf("%s/%03d", out, ++n); print "# " FILENAME ":" FNR > file } }
    run { print > file; next }
    inside && /^orvex-frames/ { print "FAILED: " FILENAME ":" FNR ": an example outside a runnable sh block"; bad = 1 }
    END { exit bad }' README.md docs/*.md docs/*/*.md) || exit 1
failed=0
for block in blocks/*; do
    PATH="$2:$PATH" bash -e -o pipefail "$block" >log 2>&1 </dev/null ||
        { failed=1; printf 'FAILED:\n%s\nsaid:\n%s\n' "$(cat "$block")" "$(tail -n 5 log)"; }
done
echo "$(ls blocks | wc -l) examples run"
bash "$1/scripts/lib/pictures.sh" "$2" pictures || failed=1
exit "$failed"
