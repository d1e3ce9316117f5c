#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a program for help2man, which reads its usage as the page's synopsis only in one form:
# "Usage: PROGRAM ..." on one line, each further synopsis on a line of its own after "  or:  ".
# A --help that wraps a synopsis over several lines for a terminal, or starts the further ones
# with spaces, is given in that form: "usage:" becomes "Usage:", each synopsis one line (the
# page wraps it to the reader's width). The rest of --help, and --version, pass as they are.
#
#   man_page_help.sh PROGRAM ARGUMENTS...
program=$1
shift
name=$(basename "$program")
"$program" "$@" | awk -v name="$name" '
    # The usage block: its first line and the indented lines after it.
    NR == 1 && /^[Uu]sage: / { sub(/^usage:/, "Usage:"); line = $0; usage = 1; next }
    usage && /^[ \t]+[^ \t]/ {
        text = $0
        sub(/^[ \t]+/, "", text)
        if (index(text, name " ") == 1 || text == name) {
            print line
            line = "  or:  " text
        } else {
            # A list of names wrapped after its bar goes on without a space.
            line = line (line ~ /\|$/ ? "" : " ") text
        }
        next
    }
    usage { print line; usage = 0 }
    { print }
    END { if (usage) print line }
'
