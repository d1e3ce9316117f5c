#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs inside the fresh Debian root that `scripts/package --check` prepares (as root, with
# /proc and /dev mounted): installs the package through apt-get, runs both programs, shows
# the window on a virtual display, then purges the package and checks that nothing of it
# is left. Every step has a time limit; the first failure ends the check with status 1.
#
#   package_root_check.sh /path/orvex_<version>_amd64.deb <version>
set -euo pipefail

deb=$1
version=$2
work=$(mktemp -d /tmp/orvex-check.XXXXXX)

say() { printf 'orvex check: %s\n' "$*" >&2; }
fail() { say "FAILED: $*"; exit 1; }
started=$SECONDS
step() { say "[$((SECONDS - started)) s] $*"; }

xvfb_pid=
app_pid=
cleanup() {
    for pid in "$app_pid" "$xvfb_pid"; do
        [ -n "$pid" ] || continue
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

step "installing $(basename "$deb") with apt-get, without recommended packages"
timeout 300 apt-get update -q >"$work/update.log" 2>&1 || { cat "$work/update.log" >&2; fail "apt-get update"; }
# Recommended packages stay out, so the declared dependencies alone must make it run.
timeout 600 apt-get install -y -q --no-install-recommends "$deb" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; fail "apt-get install $deb"; }
say "$(grep -c '^Setting up ' "$work/install.log" || true) packages set up"

step "orvex --version"
answer=$(timeout 20 orvex --version) || fail "orvex --version ended with status $?"
[ "$answer" = "Orvex $version" ] || fail "orvex --version says '$answer', not 'Orvex $version'"
printf '  %s\n' "$answer" >&2

step "orvex-frames --window-figures"
figures=$(timeout 20 orvex-frames --window-figures) || fail "orvex-frames --window-figures ended with status $?"
# Eleven windows under a header; the rectangular window's figures are textbook values, so
# they also show that the packaged build computes as the tested one does.
[ "$(printf '%s\n' "$figures" | wc -l)" -eq 12 ] || fail "expected a header and 11 windows, got: $figures"
printf '%s\n' "$figures" | grep -Eq '^rectangular +1\.0000 +1\.0000 +3\.9224 +0\.8859 +1\.2067 +-13\.2636$' ||
    fail "the rectangular window's figures are off: $(printf '%s\n' "$figures" | grep '^rectangular')"
printf '%s\n' "$figures" | sed -n '1,2p' | sed 's/^/  /' >&2

step "orvex on a virtual display"
# -displayfd: the server takes a display number free on this machine (the abstract socket
# names are shared with the host), -noreset: clients coming and going never reset it.
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x1024x24 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
number=
for _ in $(seq 1 100); do
    number=$(head -n 1 "$work/display" 2>/dev/null || true)
    [[ $number =~ ^[0-9]+$ ]] && break
    number=
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.05
done
[ -n "$number" ] || { cat "$work/xvfb.log" >&2; fail "Xvfb did not come up"; }
export DISPLAY=":$number"
orvex >"$work/orvex.log" 2>&1 &
app_pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name 'Signal Analyzer' 2>/dev/null | head -n 1) || true
[ -n "$window" ] || { cat "$work/orvex.log" >&2; fail "orvex showed no window within 30 s"; }
xwininfo -id "$window" >"$work/window" || fail "xwininfo could not read the window"
grep -q 'Map State: IsViewable' "$work/window" || fail "the window is not viewable: $(cat "$work/window")"
printf '  window %s "%s", %sx%s\n' "$window" "$(xdotool getwindowname "$window")" \
    "$(sed -n 's/^ *Width: //p' "$work/window")" "$(sed -n 's/^ *Height: //p' "$work/window")" >&2
sleep 1
kill -0 "$app_pid" 2>/dev/null || fail "orvex ended by itself after showing its window"
# Closed from outside (no window manager runs to ask it), the window takes the program along.
xdotool windowclose "$window" || fail "xdotool could not close the window"
status=0
timeout 20 tail --pid="$app_pid" -f /dev/null || fail "orvex outlived its window by 20 s"
wait "$app_pid" || status=$?
app_pid=
[ "$status" -eq 0 ] || { cat "$work/orvex.log" >&2; fail "orvex ended with status $status when its window closed"; }

step "apt-get remove --purge orvex"
dpkg-query -L orvex >"$work/files" || fail "dpkg knows no files of orvex"
timeout 300 apt-get remove --purge -y -q orvex >"$work/remove.log" 2>&1 ||
    { cat "$work/remove.log" >&2; fail "apt-get remove --purge orvex"; }
if dpkg-query -W -f='${db:Status-Abbrev}' orvex 2>/dev/null | grep -q .; then
    fail "dpkg still lists orvex: $(dpkg-query -W -f='${db:Status-Abbrev}' orvex)"
fi
left=0
while IFS= read -r path; do
    [ -e "$path" ] || [ -L "$path" ] || continue
    # A directory may stay when another package owns it too; anything else is left over.
    if [ -d "$path" ] && [ ! -L "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1; then
        continue
    fi
    say "left behind: $path"
    left=$((left + 1))
done <"$work/files"
[ "$left" -eq 0 ] || fail "$left of the package's paths are left after the purge"
say "$(grep -vc '^/\.$' "$work/files") paths of the package all gone or owned by others"
step "done"
