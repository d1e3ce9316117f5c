#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every command example of the README and docs/ against the built tool, and paints the
# manual's pictures with the built programs, so that neither goes stale. An example is a
# fenced `sh` block whose first line starts with `orvex-frames`; each runs with bash (-e, -o
# pipefail) in one temporary folder holding the material the examples name, made here by
# flite and sox. A line starting with `orvex-frames` in any other fenced block fails the
# test, since it would be an example nobody runs. Run beside a sound server of its own
# (sound_server_session.sh), for the --live examples.
#
#   doc_examples_test.sh SOURCE_DIR BIN_DIR    BIN_DIR holds orvex and orvex-frames
set -euo pipefail

source_dir=$1
bin_dir=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/orvex-docs.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/run" "$work/blocks" "$work/run/corpus"

# The material, under the names the examples use.
cd "$work/run"
flite -voice kal16 -o phrase.wav -t "A codec engineer listens to speech coded by a square \
root coder, and flips to the original to hear what the coder changed."
sox -D phrase.wav -b 16 speech.wav gain -n -3
sox speech.wav speech.flac
sox -n -r 44100 -c 2 -b 16 music.flac synth 3 sine 220 sine 330 tremolo 4 40 gain -n -6
for n in 1 2 3; do
    sox speech.wav "corpus/part$n.wav" trim "$n" 2
done

# Each example into a file of its own, which starts with a comment naming its page and line.
shopt -s nullglob
cd "$source_dir"
pages=(README.md docs/*.md docs/*/*.md)
awk -v out="$work/blocks" '
    FNR == 1 { fence = "" }
    /^```/ {
        if (fence == "") {
            fence = substr($0, 4) == "" ? "plain" : substr($0, 4)
            first = 1
            block = ""
        } else {
            fence = ""
            if (block != "") close(block)
        }
        next
    }
    fence != "" {
        if (first && fence == "sh" && /^orvex-frames/) {
            block = sprintf("%s/%04d.sh", out, ++count)
            printf "# %s:%d\n", FILENAME, FNR > block
        }
        first = 0
        if (block != "") {
            print > block
        } else if (/^orvex-frames/) {
            printf "FAILED: %s:%d: an orvex-frames example outside a ```sh block of examples\n", FILENAME, FNR
            stray = 1
        }
    }
    END { exit stray }
' "${pages[@]}"

export PATH="$bin_dir:$PATH"
examples=0 failed=0
for block in "$work"/blocks/*.sh; do
    examples=$((examples + 1))
    if ! (cd "$work/run" && bash -e -o pipefail "$block") >"$work/output" 2>&1 </dev/null; then
        failed=$((failed + 1))
        echo "FAILED: the example at $(head -n 1 "$block" | cut -c3-):"
        tail -n +2 "$block" | sed 's/^/    /'
        echo "  said:"
        tail -n 20 "$work/output" | sed 's/^/    /'
    fi
done
echo "$examples examples run, $failed failed"
[ "$examples" -gt 0 ] || { echo "FAILED: no example found"; exit 1; }

# The pictures, into a folder of ours.
bash "$source_dir/scripts/lib/pictures.sh" "$bin_dir" "$work/pictures" ||
    { echo "FAILED: scripts/lib/pictures.sh"; failed=$((failed + 1)); }
[ "$failed" -eq 0 ]
