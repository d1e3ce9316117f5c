#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Soak run: drives the real program on a virtual display with random mouse and keyboard input
# for a given time and watches it. The input covers what a user can do to the window: clicks,
# drags and holds on both sliders (arrows, track and handle), the wheel, the window menu
# (an item chosen by click or by keys, or the menu dismissed), the coding buttons, keys
# (Tab, arrows, space, Escape) and resting the pointer for the tooltips. Every 10 seconds it
# samples resident memory and CPU time; all the while it watches for error boxes (a window
# titled "Orvex", the error box's caption) and for the process ending. At the end it prints
# what it sent, the memory at one minute and at the end, the CPU share, crashes and error
# boxes, and exits with status 1 if the program ended, lost its window or showed an error
# box (2 for a bad argument or a failed set-up, 130 for a clean run cut short by Ctrl-C).
# A crash leaves its core and, where gdb is installed, its backtraces in the log directory.
#
#   bench/soak.sh [--seed N] [--binary PATH] [--log-dir DIR] [--restart] [seconds]
#
#   seconds     how long to send input (default 600)
#   --seed N    seed of the input sequence (default 1); the same seed sends the same
#               sequence, though the program's reactions depend on timing
#   --binary    the program to run (default build/bin/orvex). It is copied into the log
#               directory first, so that a rebuild during the run does not touch it.
#   --log-dir   where the event log, the samples, the program's standard error and the
#               pictures of any error box go (default: a new directory under /tmp)
#   --restart   after a crash, start the program again and go on until the time is up,
#               to count how often it crashes; without it the run ends at the first crash
#
# Needs Xvfb, xdotool and ImageMagick (scripts/test installs them).
set -uo pipefail
source "$(dirname "$0")/../scripts/lib/common.sh"
# A set-up failure is not a finding about the program; status 1 is kept for findings.
orvex_die() { orvex_say "$*"; exit 2; }

usage() {
    sed -n '/^#   bench\/soak.sh/,/^# Needs/p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

duration=600
seed=1
binary="$ORVEX_ROOT/build/bin/orvex"
log_dir=
restart=0
while [ $# -gt 0 ]; do
    case $1 in
    --restart) restart=1; shift ;;
    --seed) [ $# -ge 2 ] || usage; seed=$2; shift 2 ;;
    --seed=*) seed=${1#*=}; shift ;;
    --binary) [ $# -ge 2 ] || usage; binary=$2; shift 2 ;;
    --binary=*) binary=${1#*=}; shift ;;
    --log-dir) [ $# -ge 2 ] || usage; log_dir=$2; shift 2 ;;
    --log-dir=*) log_dir=${1#*=}; shift ;;
    -h | --help) usage ;;
    -*) orvex_say "unknown option: $1"; usage ;;
    *) duration=$1; shift ;;
    esac
done
[[ $duration =~ ^[0-9]+$ ]] && [ "$duration" -gt 0 ] || orvex_die "seconds must be a positive whole number, not '$duration'"
[[ $seed =~ ^[0-9]+$ ]] || orvex_die "the seed must be a whole number, not '$seed'"
[ -x "$binary" ] || orvex_die "no program at $binary: build first (scripts/test or scripts/run)"
for tool in Xvfb xdotool import compare xwininfo od awk; do
    command -v "$tool" >/dev/null 2>&1 || orvex_die "$tool is missing (scripts/test installs it)"
done

if [ -z "$log_dir" ]; then
    log_dir=$(mktemp -d /tmp/orvex-soak.XXXXXX) || orvex_die "cannot create a log directory"
else
    mkdir -p "$log_dir" || orvex_die "cannot create $log_dir"
fi
log_dir=$(cd "$log_dir" && pwd)
program="$log_dir/orvex"
cp "$binary" "$program" || orvex_die "cannot copy $binary to $log_dir"
events_log="$log_dir/events.log"
samples_csv="$log_dir/samples.csv"
stderr_log="$log_dir/orvex.stderr"
: >"$events_log"
printf 'seconds,life,seconds_in_life,rss_kib,cpu_ns\n' >"$samples_csv"
# Qt complains on every start when this is unset; the complaint would bury real messages.
export XDG_RUNTIME_DIR="$log_dir/runtime"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

# ---------------------------------------------------------------------------------------
# Where the controls sit, in client pixels (display/window_layout.h), and the sliders'
# parts: 18 pixels high, arrow buttons of 17 pixels at both ends and the track between
# them, in which the 24-pixel handle moves.
gauge_left=36
gauge_width=142
gauge_height=18
gauge_top=(317 361)
gauge_name=(level frequency)
arrow_width=17
track_left=17
track_right=124 # last track column
display_left=15 display_top=9 display_width=512 display_height=241
button_left=372 button_top=280 button_step=24 button_width=97 button_height=17
button_count=5
menu_items=11
client_width=556 client_height=404
# The handle's face colour (controls/gauge_look.h); the arrows share it, the track does not.
handle_face='a6 bd c5'

# ---------------------------------------------------------------------------------------
# State.
app_pid=
xvfb_started=
wid=
win_x=0 win_y=0
declare -A sent=()
event_kinds=(click drag hold wheel menu-item menu-keys menu-escape radio key hover)
for kind in "${event_kinds[@]}"; do sent[$kind]=0; done
crashes=0
crash_text=
error_boxes=0
declare -A seen_boxes=()
# Per look of error box: how many there were and the event before the first.
declare -A box_first=() box_after=()
box_look_count=()
last_kind=none
last_note=
noted=
other_windows=0
declare -A seen_others=()
window_gone=0
menu_missing=0
xdotool_failures=0
refocus_count=0
stop_requested=0
stop_reason=
crash_times=()
# Each start of the program is a life; memory is followed per life, in seconds since its
# start.
life=0
life_started_at=()
life_ended_at=()
life_rss_first=()
life_rss_minute=()
life_rss_minute_at=()
life_rss_last=()
life_rss_max=()
life_rss_max_at=()
life_start_us=0
# CPU time of the ended lives, and the time they were sampled over.
cpu_done_ns=0
cpu_done_us=0
cpu_start=0
cpu_last=0
last_sample_us=0
interval_cpu_max=0

cleanup() {
    if [ -n "$app_pid" ]; then
        kill "$app_pid" 2>/dev/null
        local waited
        for waited in $(seq 1 50); do
            [ -d "/proc/$app_pid" ] || break
            sleep 0.1
        done
        kill -KILL "$app_pid" 2>/dev/null
        wait "$app_pid" 2>/dev/null
        app_pid=
    fi
    [ -n "$xvfb_started" ] && orvex_stop_xvfb
    xvfb_started=
}
trap cleanup EXIT
# An interrupted run still ends with its summary; the loop notices the flag.
trap 'stop_requested=1; stop_reason="interrupted"' INT TERM

# ---------------------------------------------------------------------------------------
# Helpers. None of them runs in a subshell where it draws random numbers, so that one seed
# always gives one sequence.

# The X clients get a time limit: when the program's window vanishes under them, import
# falls back to waiting for the user to pick a window, and xdotool's --sync waits for a
# window that will never come.
xdotool() { timeout 10 xdotool "$@"; }
import() { timeout 10 import "$@"; }

# Microseconds since the epoch, whatever the locale's decimal separator.
now_us() { REPLY=${EPOCHREALTIME//[!0-9]/}; }

run_start_us=0
elapsed_text() {
    now_us
    local us=$((REPLY - run_start_us))
    printf -v REPLY '%d.%03d' $((us / 1000000)) $((us % 1000000 / 1000))
}

note() {
    elapsed_text
    printf '%9s %s\n' "$REPLY" "$*" >>"$events_log"
    noted="$*"
}

# Counts an event of a kind once it has been sent, and remembers it as the last one, which
# is what an error box or a crash is blamed on first.
sent_event() {
    sent[$1]=$((sent[$1] + 1))
    last_kind=$1
    last_note=$noted
}

# rnd LO HI: a uniform whole number in LO..HI in REPLY (30 random bits).
rnd() {
    REPLY=$(($1 + (((RANDOM << 15) | RANDOM) % ($2 - $1 + 1))))
}

pause_ms() {
    local s
    printf -v s '%d.%03d' $(($1 / 1000)) $(($1 % 1000))
    sleep "$s"
}

xdo() {
    xdotool "$@" >/dev/null 2>&1 || xdotool_failures=$((xdotool_failures + 1))
}

# Client point to screen point, in SX and SY.
screen_at() {
    SX=$((win_x + $1))
    SY=$((win_y + $2))
}

# CPU time of all the program's threads in nanoseconds, from the scheduler: far finer than
# clock ticks. Summed in the shell, whose arithmetic is 64-bit: Debian's awk (mawk) prints
# %d no higher than 2^31 - 1, about 2 s of CPU, which a long run passes in its first minutes.
cpu_ns() {
    local total=0 file ns
    for file in /proc/"$app_pid"/task/*/schedstat; do
        read -r ns _ 2>/dev/null <"$file" && total=$((total + ns))
    done
    echo "$total"
}
rss_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$app_pid/status" 2>/dev/null; }

# True while the program runs (a process that has ended but is not reaped yet counts as
# ended).
app_alive() {
    local pid comm state
    [ -r "/proc/$app_pid/stat" ] || return 1
    read -r pid comm state _ <"/proc/$app_pid/stat" 2>/dev/null || return 1
    [ "$state" != Z ]
}

# Records how the program ended, ends its life's figures and keeps its core with the
# backtraces.
record_exit() {
    local status
    wait "$app_pid" 2>/dev/null
    status=$?
    app_pid=
    crashes=$((crashes + 1))
    if [ "$status" -gt 128 ]; then
        crash_text="killed by signal $((status - 128)) (SIG$(kill -l $((status - 128)) 2>/dev/null))"
    else
        crash_text="exited with status $status"
    fi
    elapsed_text
    crash_times+=("$REPLY")
    life_ended_at[life]=$REPLY
    note "PROGRAM ENDED: $crash_text"
    end_life_cpu
    # The program runs in the log directory, so a core lands there, as "core" or "core.PID"
    # depending on the system's pattern.
    local core
    core=$(ls -t "$log_dir"/core "$log_dir"/core.* 2>/dev/null | head -n 1)
    [ -n "$core" ] || return 0
    mv "$core" "$log_dir/core-$crashes"
    if command -v gdb >/dev/null 2>&1; then
        timeout 300 gdb -batch -ex bt -ex 'thread apply all bt' "$program" "$log_dir/core-$crashes" \
            >"$log_dir/crash-$crashes.txt" 2>&1
    fi
    # Cores are tens of megabytes; a run that crashes often keeps the first three.
    [ "$crashes" -le 3 ] || rm -f "$log_dir/core-$crashes"
}

end_life_cpu() {
    cpu_done_ns=$((cpu_done_ns + cpu_last - cpu_start))
    cpu_done_us=$((cpu_done_us + last_sample_us - life_start_us))
    cpu_start=0 cpu_last=0
    life_start_us=0 last_sample_us=0
}

# Starts the program and waits for its window; sets app_pid, wid and the window's place.
# Fails, with the reason in crash_text, when it ends or shows no window first.
start_program() {
    life=$((life + 1))
    elapsed_text
    life_started_at[life]=$REPLY
    (
        cd "$log_dir" || exit 1
        ulimit -c unlimited 2>/dev/null
        exec "$program"
    ) 2>>"$stderr_log" >/dev/null &
    app_pid=$!
    now_us
    local started=$REPLY
    wid=
    while [ -z "$wid" ]; do
        wid=$(xdotool search --onlyvisible --name 'Signal Analyzer' 2>/dev/null | head -n 1)
        [ -n "$wid" ] && break
        if ! app_alive; then
            record_exit
            crash_text="$crash_text before its window appeared"
            return 1
        fi
        now_us
        if [ $((REPLY - started)) -ge 30000000 ]; then
            crash_text="showed no window within 30 seconds"
            return 1
        fi
        sleep 0.05
    done
    local WINDOW X Y WIDTH HEIGHT SCREEN
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    win_x=$X win_y=$Y
    xdo windowfocus --sync "$wid"
    sleep 1 # let start-up settle
    now_us
    life_start_us=$REPLY
    last_sample_us=$REPLY
    cpu_start=$(cpu_ns)
    cpu_last=$cpu_start
    note "program started (life $life): pid $app_pid, window $wid at $win_x,$win_y"
}

# The slider's handle middle, in gauge pixels, read from the screen (REPLY; empty if the
# picture cannot be read). The handle's position follows timing (held arrows repeat on a
# timer), so it is looked up rather than tracked.
handle_middle() {
    local row=$((${gauge_top[$1]} + gauge_height / 2 - 1))
    REPLY=$(import -window "$wid" -crop "${gauge_width}x1+${gauge_left}+${row}" +repage -depth 8 rgb:- 2>/dev/null |
        od -An -tx1 -v -w3 |
        awk -v face=" $handle_face" -v lo="$track_left" -v hi="$track_right" '
            { x = NR - 1 }
            x >= lo && x <= hi && $0 == face { if (min == "") min = x; max = x }
            END { if (min != "") print int((min + max) / 2) }')
}

# A random point on a part of gauge $1 (prev, next, track or handle) in gauge pixels, in GX
# and GY. The handle is looked up on screen and stands in for a random track point when it
# cannot be found.
gauge_point() {
    local gauge=$1 part=$2
    rnd 2 $((gauge_height - 3)); GY=$REPLY
    rnd 2 $((arrow_width - 3)); local arrow_x=$REPLY
    rnd $track_left $track_right; local track_x=$REPLY
    rnd -4 4; local jitter=$REPLY
    case $part in
    prev) GX=$arrow_x ;;
    next) GX=$((gauge_width - 1 - arrow_x)) ;;
    track) GX=$track_x ;;
    handle)
        handle_middle "$gauge"
        if [ -n "$REPLY" ]; then GX=$((REPLY + jitter)); else GX=$track_x; fi
        ;;
    esac
}

pick_part() {
    local parts=(prev next track handle)
    rnd 0 3
    REPLY=${parts[$REPLY]}
}

# A random point in one of the places the wheel and the tooltips are tried on, in client
# pixels (CX, CY) and its name (PLACE).
random_place() {
    rnd 0 3; local which=$REPLY
    rnd 0 $((display_width - 1)); local dx=$REPLY
    rnd 0 $((display_height - 1)); local dy=$REPLY
    rnd 0 $((gauge_width - 1)); local gx=$REPLY
    rnd 0 $((gauge_height - 1)); local gy=$REPLY
    rnd 0 $((button_count - 1)); local b=$REPLY
    rnd 2 $((button_width - 3)); local bx=$REPLY
    rnd 2 $((button_height - 3)); local by=$REPLY
    case $which in
    0) CX=$((display_left + dx)) CY=$((display_top + dy)) PLACE="display" ;;
    1) CX=$((gauge_left + gx)) CY=$((${gauge_top[0]} + gy)) PLACE="level gauge" ;;
    2) CX=$((gauge_left + gx)) CY=$((${gauge_top[1]} + gy)) PLACE="frequency gauge" ;;
    3) CX=$((button_left + bx)) CY=$((button_top + b * button_step + by)) PLACE="button $b" ;;
    esac
}

# The open window menu: its screen geometry in MX, MY, MW, MH. The menu is the tall window
# of the program other than the main window; tooltips are a few lines high at most.
find_menu() {
    local tries id
    for tries in $(seq 1 30); do
        for id in $(xdotool search --onlyvisible --classname orvex 2>/dev/null); do
            [ "$id" = "$wid" ] && continue
            local WINDOW X Y WIDTH HEIGHT SCREEN
            eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null)" || continue
            if [ "${HEIGHT:-0}" -ge $((menu_items * 14)) ] && [ "${WIDTH:-0}" -ge 60 ]; then
                MX=$X MY=$Y MW=$WIDTH MH=$HEIGHT
                return 0
            fi
        done
        sleep 0.05
    done
    return 1
}

# ---------------------------------------------------------------------------------------
# The events. Each draws all its random numbers before it looks at the screen.

ev_click() {
    rnd 0 1; local g=$REPLY
    pick_part; local part=$REPLY
    rnd 1 100; local many=$REPLY
    rnd 2 5; local repeat=$REPLY
    rnd 30 250; local delay=$REPLY
    gauge_point "$g" "$part"
    screen_at $((gauge_left + GX)) $((${gauge_top[$g]} + GY))
    [ "$many" -le 25 ] || repeat=1
    note "click ${gauge_name[$g]} $part at $GX,$GY x$repeat (delay $delay ms)"
    xdo mousemove "$SX" "$SY" click --repeat "$repeat" --delay "$delay" 1
    sent_event click
}

ev_drag() {
    rnd 0 1; local g=$REPLY
    rnd 1 100; local from_handle=$REPLY
    pick_part; local part=$REPLY
    rnd -60 $((gauge_width + 60)); local to_x=$REPLY
    rnd 1 100; local off=$REPLY
    rnd -80 80; local off_y=$REPLY
    rnd 2 10; local steps=$REPLY
    rnd 15 80; local step_ms=$REPLY
    [ "$from_handle" -le 70 ] && part=handle
    gauge_point "$g" "$part"
    local to_y=$GY
    [ "$off" -le 25 ] && to_y=$((GY + off_y))
    note "drag ${gauge_name[$g]} from $part $GX,$GY to $to_x,$to_y in $steps steps of $step_ms ms"
    screen_at $((gauge_left + GX)) $((${gauge_top[$g]} + GY))
    xdo mousemove "$SX" "$SY" mousedown 1
    local i
    for ((i = 1; i <= steps; i++)); do
        pause_ms "$step_ms"
        screen_at $((gauge_left + GX + (to_x - GX) * i / steps)) $((${gauge_top[$g]} + GY + (to_y - GY) * i / steps))
        xdo mousemove "$SX" "$SY"
    done
    pause_ms "$step_ms"
    xdo mouseup 1
    sent_event drag
}

ev_hold() {
    rnd 0 1; local g=$REPLY
    rnd 0 2; local parts=(prev next track); local part=${parts[$REPLY]}
    rnd 300 2000; local hold=$REPLY
    rnd 1 100; local wander=$REPLY
    random_place
    gauge_point "$g" "$part"
    screen_at $((gauge_left + GX)) $((${gauge_top[$g]} + GY))
    if [ "$wander" -le 30 ]; then
        note "hold ${gauge_name[$g]} $part at $GX,$GY for $hold ms, moving to $PLACE $CX,$CY halfway"
        xdo mousemove "$SX" "$SY" mousedown 1
        pause_ms $((hold / 2))
        screen_at "$CX" "$CY"
        xdo mousemove "$SX" "$SY"
        pause_ms $((hold - hold / 2))
    else
        note "hold ${gauge_name[$g]} $part at $GX,$GY for $hold ms"
        xdo mousemove "$SX" "$SY" mousedown 1
        pause_ms "$hold"
    fi
    xdo mouseup 1
    sent_event hold
}

ev_wheel() {
    random_place
    rnd 1 100; local dir=$REPLY
    rnd 1 6; local notches=$REPLY
    local button=4
    if [ "$dir" -le 45 ]; then button=5; elif [ "$dir" -le 90 ]; then button=4; elif [ "$dir" -le 95 ]; then button=6; else button=7; fi
    note "wheel button $button x$notches on $PLACE $CX,$CY"
    screen_at "$CX" "$CY"
    xdo mousemove "$SX" "$SY" click --repeat "$notches" --delay 40 "$button"
    sent_event wheel
}

ev_menu() {
    rnd 0 $((display_width - 1)); local dx=$REPLY
    rnd 0 $((display_height - 1)); local dy=$REPLY
    rnd 1 100; local how=$REPLY
    rnd 0 $((menu_items - 1)); local item=$REPLY
    rnd 1 100; local rest=$REPLY
    rnd 800 1500; local rest_ms=$REPLY
    rnd 10 90; local item_x=$REPLY # per cent of the menu's width
    screen_at $((display_left + dx)) $((display_top + dy))
    xdo mousemove "$SX" "$SY" click 3
    local kind
    if [ "$how" -le 65 ]; then kind=menu-item; elif [ "$how" -le 80 ]; then kind=menu-keys; else kind=menu-escape; fi
    if ! find_menu; then
        menu_missing=$((menu_missing + 1))
        note "right click on display $dx,$dy: no menu appeared; Escape"
        xdo key Escape
        sent_event "$kind"
        return
    fi
    case $kind in
    menu-item)
        local x=$((MX + MW * item_x / 100)) y=$((MY + MH * (2 * item + 1) / (2 * menu_items)))
        if [ "$rest" -le 30 ]; then
            note "right click on display $dx,$dy, rest $rest_ms ms on item $item, click it"
            xdo mousemove "$x" "$y"
            pause_ms "$rest_ms"
            xdo click 1
        else
            note "right click on display $dx,$dy, click item $item"
            xdo mousemove "$x" "$y" click 1
        fi
        ;;
    menu-keys)
        note "right click on display $dx,$dy, Down x$((item + 1)), Return"
        xdo key --delay 40 $(printf 'Down %.0s' $(seq 0 "$item")) Return
        ;;
    menu-escape)
        note "right click on display $dx,$dy, Escape"
        xdo key Escape
        ;;
    esac
    sent_event "$kind"
}

ev_radio() {
    rnd 0 $((button_count - 1)); local b=$REPLY
    rnd 0 $((button_width - 1)); local bx=$REPLY
    rnd 0 $((button_height - 1)); local by=$REPLY
    note "radio button $b at $bx,$by"
    screen_at $((button_left + bx)) $((button_top + b * button_step + by))
    xdo mousemove "$SX" "$SY" click 1
    sent_event radio
}

ev_key() {
    local keys=(Tab shift+Tab Left Right Up Down space Escape)
    rnd 0 $((${#keys[@]} - 1)); local key=${keys[$REPLY]}
    rnd 1 4; local repeat=$REPLY
    note "key $key x$repeat"
    xdo key --delay 60 $(printf "$key %.0s" $(seq 1 "$repeat"))
    sent_event key
}

ev_hover() {
    random_place
    rnd 800 2500; local rest=$REPLY
    rnd 1 100; local wiggle=$REPLY
    rnd -20 20; local wx=$REPLY
    note "rest $rest ms on $PLACE $CX,$CY$([ "$wiggle" -le 40 ] && echo ", moving $wx px halfway")"
    screen_at "$CX" "$CY"
    xdo mousemove "$SX" "$SY"
    if [ "$wiggle" -le 40 ]; then
        pause_ms $((rest / 2))
        screen_at $((CX + wx)) "$CY"
        xdo mousemove "$SX" "$SY"
        pause_ms $((rest - rest / 2))
    else
        pause_ms "$rest"
    fi
    sent_event hover
}

# Weights of the events, in the order of event_functions.
event_functions=(ev_click ev_drag ev_hold ev_wheel ev_menu ev_radio ev_key ev_hover)
event_weights=(16 12 10 8 12 10 14 6)
weight_total=0
for w in "${event_weights[@]}"; do weight_total=$((weight_total + w)); done

random_event() {
    rnd 1 "$weight_total"
    local pick=$REPLY i
    for i in "${!event_functions[@]}"; do
        pick=$((pick - event_weights[i]))
        if [ "$pick" -le 0 ]; then
            "${event_functions[$i]}"
            return
        fi
    done
}

# ---------------------------------------------------------------------------------------
# Watching.

# New error boxes: visible windows titled "Orvex" that are not override-redirect (the
# menu and the tooltips are). Each is logged, dismissed and grouped with the boxes that look
# the same, so one fault met a hundred times shows as one line; the first of each look is
# kept as a picture, beside a picture of the main window at that moment. Boxes with the
# same text still differ in a few shades (the button under the pointer, the active
# window's palette), so "the same" allows small colour differences in a few pixels; another
# message moves hundreds.
check_error_boxes() {
    local id
    for id in $(xdotool search --onlyvisible --name '^Orvex$' 2>/dev/null); do
        [ -n "${seen_boxes[$id]:-}" ] && continue
        xwininfo -id "$id" 2>/dev/null | grep -q 'Override Redirect State: yes' && continue
        seen_boxes[$id]=1
        error_boxes=$((error_boxes + 1))
        box_after[$last_kind]=$((${box_after[$last_kind]:-0} + 1))
        # Mapped is not yet painted.
        sleep 0.3
        local picture="$log_dir/box.png" look= known differing
        import -window "$id" "$picture" 2>/dev/null
        for known in "${!box_look_count[@]}"; do
            differing=$(compare -metric AE -fuzz 8% "$picture" "$log_dir/error-box-$((known + 1)).png" null: 2>&1)
            if [[ $differing =~ ^[0-9]+$ ]] && [ "$differing" -le 20 ]; then
                look=$known
                break
            fi
        done
        if [ -z "$look" ]; then
            look=${#box_look_count[@]}
            box_look_count+=(0)
            box_first[$look]="$last_note"
            mv "$picture" "$log_dir/error-box-$((look + 1)).png"
            import -window "$wid" "$log_dir/error-box-$((look + 1))-window.png" 2>/dev/null
        fi
        rm -f "$picture"
        box_look_count[look]=$((box_look_count[look] + 1))
        note "ERROR BOX $error_boxes (window $id, like error-box-$((look + 1)).png) after: $last_note; dismissed with Return"
        xdo windowfocus --sync "$id" key Return
        # The main window gets the keys again.
        xdo windowfocus "$wid"
    done
}

# Any other new top-level window of the program that is neither the menu nor a tooltip.
check_other_windows() {
    local id
    for id in $(xdotool search --onlyvisible --classname orvex 2>/dev/null); do
        [ "$id" = "$wid" ] && continue
        [ -n "${seen_boxes[$id]:-}${seen_others[$id]:-}" ] && continue
        xwininfo -id "$id" 2>/dev/null | grep -q 'Override Redirect State: yes' && continue
        seen_others[$id]=1
        other_windows=$((other_windows + 1))
        import -window "$id" "$log_dir/other-window-$other_windows.png" 2>/dev/null
        note "OTHER WINDOW $id titled '$(xdotool getwindowname "$id" 2>/dev/null)'"
    done
}

next_sample_us=0
sample() {
    now_us
    local t_us=$REPLY
    local t=$(((t_us - run_start_us) / 1000000))
    local lived=$(((t_us - life_start_us) / 1000000))
    local rss cpu
    rss=$(rss_kib)
    cpu=$(cpu_ns)
    [ -n "$rss" ] || return 0
    printf '%d,%d,%d,%d,%d\n' "$t" "$life" "$lived" "$rss" "$cpu" >>"$samples_csv"
    [ -n "${life_rss_first[life]:-}" ] || life_rss_first[life]=$rss
    if [ -z "${life_rss_minute[life]:-}" ] && [ "$lived" -ge 60 ]; then
        life_rss_minute[life]=$rss
        life_rss_minute_at[life]=$lived
    fi
    if [ "$rss" -gt "${life_rss_max[life]:-0}" ]; then
        life_rss_max[life]=$rss
        life_rss_max_at[life]=$lived
    fi
    life_rss_last[life]=$rss
    local interval_share
    interval_share=$(awk -v ns=$((cpu - cpu_last)) -v us=$((t_us - last_sample_us)) \
        'BEGIN { if (us > 0) printf "%d", 1000 * (ns / 1000) / us; else print 0 }')
    [ "$interval_share" -gt "$interval_cpu_max" ] && interval_cpu_max=$interval_share
    cpu_last=$cpu
    last_sample_us=$t_us

    # The window: still there, and where.
    local WINDOW X Y WIDTH HEIGHT SCREEN geometry
    if geometry=$(xdotool getwindowgeometry --shell "$wid" 2>/dev/null) && eval "$geometry" &&
        xwininfo -id "$wid" 2>/dev/null | grep -q 'Map State: IsViewable'; then
        win_x=$X win_y=$Y
        if [ "${WIDTH:-0}" -ne "$client_width" ] || [ "${HEIGHT:-0}" -ne "$client_height" ]; then
            note "window is ${WIDTH}x${HEIGHT}, not ${client_width}x${client_height}"
        fi
    elif [ "$window_gone" -eq 0 ]; then
        window_gone=1
        note "WINDOW GONE (destroyed or hidden) while the process runs"
        stop_requested=1
        stop_reason="the window disappeared"
    fi
    # Keys go to the focused window; without a window manager nothing gives it back if it
    # is lost.
    if [ "$window_gone" -eq 0 ] && [ "$(xdotool getwindowfocus 2>/dev/null)" != "$wid" ]; then
        refocus_count=$((refocus_count + 1))
        xdo windowfocus "$wid"
    fi
    check_other_windows
}

# ---------------------------------------------------------------------------------------
# The run.

orvex_start_xvfb
xvfb_started=1
export DISPLAY="$ORVEX_XVFB_DISPLAY"

now_us
run_start_us=$REPLY
note "start: $program (copy of $binary), seed $seed, $duration s, display $DISPLAY"
if ! start_program; then
    orvex_say "the program $crash_text; see $stderr_log"
    exit 1
fi
RANDOM=$seed
now_us
end_us=$((REPLY + duration * 1000000))
next_sample_us=$((REPLY + 10000000))

while [ "$stop_requested" -eq 0 ]; do
    now_us
    [ "$REPLY" -lt "$end_us" ] || break
    if [ "$REPLY" -ge "$next_sample_us" ]; then
        sample
        next_sample_us=$((next_sample_us + 10000000))
        [ "$stop_requested" -eq 0 ] || break
    fi
    random_event
    rnd 30 300
    pause_ms "$REPLY"
    if ! app_alive; then
        record_exit
        if [ "$restart" -eq 0 ]; then
            stop_reason="the program ended"
            break
        fi
        if ! start_program; then
            stop_reason="the program did not start again: $crash_text"
            break
        fi
        now_us
        next_sample_us=$((REPLY + 10000000))
        continue
    fi
    check_error_boxes
done
now_us
run_end_us=$REPLY
if [ -n "$app_pid" ]; then
    sample
    elapsed_text
    life_ended_at[life]=$REPLY
    end_life_cpu
fi
note "end${stop_reason:+: $stop_reason}"

# ---------------------------------------------------------------------------------------
# The summary, also kept in the log directory.
{
    run_s=$(awk -v us=$((run_end_us - run_start_us)) 'BEGIN { printf "%.1f", us / 1e6 }')
    printf 'Soak run of %s: %s s of %d s asked, seed %d\n' "$binary" "$run_s" "$duration" "$seed"
    [ -z "$stop_reason" ] || printf '  stopped early: %s\n' "$stop_reason"
    total=0
    line=
    for kind in "${event_kinds[@]}"; do
        total=$((total + sent[$kind]))
        line+="$kind ${sent[$kind]}, "
    done
    printf 'events sent: %d (%s)\n' "$total" "${line%, }"
    [ "$menu_missing" -eq 0 ] || printf '  right clicks without a menu: %d\n' "$menu_missing"
    [ "$xdotool_failures" -eq 0 ] || printf '  xdotool calls that failed: %d\n' "$xdotool_failures"
    [ "$refocus_count" -eq 0 ] || printf '  keyboard focus given back to the window: %d times\n' "$refocus_count"
    for ((l = 1; l <= life; l++)); do
        label='resident memory'
        [ "$life" -eq 1 ] || label="resident memory, life $l (${life_started_at[l]} s to ${life_ended_at[l]:-?} s of the run)"
        if [ -z "${life_rss_last[l]:-}" ]; then
            printf '%s: no samples\n' "$label"
        elif [ -n "${life_rss_minute[l]:-}" ]; then
            printf '%s: %d KiB at %d s, %d KiB at the end (change %+d KiB), largest %d KiB (at %d s); first sample %d KiB\n' \
                "$label" "${life_rss_minute[l]}" "${life_rss_minute_at[l]}" "${life_rss_last[l]}" \
                $((life_rss_last[l] - life_rss_minute[l])) "${life_rss_max[l]}" "${life_rss_max_at[l]}" "${life_rss_first[l]}"
        else
            printf '%s: no sample at 1 minute (too short); %d KiB at the end, largest %d KiB, first sample %d KiB\n' \
                "$label" "${life_rss_last[l]}" "${life_rss_max[l]}" "${life_rss_first[l]}"
        fi
    done
    printf 'CPU: %s\n' "$(awk -v ns="$cpu_done_ns" -v us="$cpu_done_us" -v peak="$interval_cpu_max" \
        'BEGIN { if (us > 0) printf "%.1f s over %.1f s, %.2f %% of one core on average, largest 10 s interval %.1f %%", ns / 1e9, us / 1e6, 100 * (ns / 1000) / us, peak / 10; else print "no samples" }')"
    printf 'crashes: %d\n' "$crashes"
    for ((c = 1; c <= crashes; c++)); do
        printf '  %d at %s s: the program %s' "$c" "${crash_times[c - 1]}" \
            "$(grep -m "$c" 'PROGRAM ENDED' "$events_log" | tail -n 1 | sed 's/.*PROGRAM ENDED: //')"
        if [ -s "$log_dir/crash-$c.txt" ]; then
            printf '; backtrace in crash-%d.txt:\n' "$c"
            # The crashing thread's stack comes first, before the other threads'.
            awk '/^Thread /{ exit } /^#[0-9]+ / && !seen[$0]++ { print }' "$log_dir/crash-$c.txt" |
                head -n 12 | cut -c 1-160 | sed 's/^/    /'
        else
            printf '\n'
        fi
    done
    printf 'error boxes: %d\n' "$error_boxes"
    if [ "$error_boxes" -gt 0 ]; then
        for look in "${!box_look_count[@]}"; do
            printf '  %d looking like error-box-%d.png, the first after: %s\n' \
                "${box_look_count[$look]}" $((look + 1)) "${box_first[$look]}"
        done
        line=
        for kind in "${event_kinds[@]}"; do
            [ -z "${box_after[$kind]:-}" ] || line+="$kind ${box_after[$kind]}, "
        done
        printf '  the event before each box: %s\n' "${line%, }"
    fi
    [ "$other_windows" -eq 0 ] || printf 'other windows that appeared: %d\n' "$other_windows"
    [ "$window_gone" -eq 0 ] || printf 'the window disappeared while the program ran\n'
    stderr_lines=$(grep -c '' "$stderr_log" 2>/dev/null || true)
    printf "program's standard error: %d lines\n" "${stderr_lines:-0}"
    [ "${stderr_lines:-0}" -eq 0 ] || tail -n 5 "$stderr_log" | sed 's/^/  | /'
    if [ "$error_boxes" -gt 0 ]; then
        printf 'events up to the first error box (all in events.log):\n'
        grep -m 1 -B 8 'ERROR BOX' "$events_log" | sed 's/^/  /'
    fi
    if [ "$crashes" -gt 0 ]; then
        printf 'events up to the first crash (all in events.log):\n'
        grep -m 1 -B 15 'PROGRAM ENDED' "$events_log" | sed 's/^/  /'
    fi
    if [ "$window_gone" -gt 0 ]; then
        printf 'last events before the window disappeared (all in events.log):\n'
        grep -m 1 -B 15 'WINDOW GONE' "$events_log" | sed 's/^/  /'
    fi
    printf 'log: %s (events.log, samples.csv, orvex.stderr)\n' "$log_dir"
} | tee "$log_dir/summary.txt"

if [ "$crashes" -gt 0 ] || [ "$error_boxes" -gt 0 ] || [ "$window_gone" -gt 0 ]; then
    exit 1
fi
# A clean but interrupted run has not shown what it was asked to.
[ "$stop_reason" != interrupted ] || exit 130
exit 0
