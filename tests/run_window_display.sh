#!/usr/bin/env bash
# The real window on a 3840x2160 desktop under Xvfb:
#  - the 2x window is sharp: every 2x2 block of its pixels is one colour;
#  - uncovered while the menu waits, it shows the menu again;
#  - uncovered in the control capture (which reads events itself), it is drawn again too;
#  - under a window manager (openbox), fullscreen (F1) is sharp too: it has no colour that the
#    window does not have (smoothing mixes new ones);
#  - back from fullscreen the window is where it was, three times at scale 2 and at scale 1.
# A player's own scale method is kept: with SDL12COMPAT_SCALE_METHOD=linear the window is
# smoothed (which also shows that the sharpness check can fail).
# Usage: bash run_window_display.sh <run_dir>
set -u
source "$(dirname "${BASH_SOURCE[0]}")/window_lib.sh"

script_setup display "${1:-}" Xvfb xdotool import convert compare xmessage xprop openbox

keep_going=1
wm_pid=
on_exit() { [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null; }
play_on_xvfb 3840x2160

# start_game [NAME=VALUE...] [options...]: the program in a window (prog_pid, wid), with those
# settings in its environment and those options, its menu on show.
start_game() {
    local settings=()
    while [[ "${1:-}" == *=* ]]; do settings+=("$1"); shift; done
    (cd "$play" && exec env SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy "${settings[@]}" ./quelbo_kv \
        "$@" >>stdout.txt 2>&1) &
    prog_pid=$!
    find_window || fail "no window named Quelbo_KV within a minute"
    wait_until 30 on_menu || fail "no menu within 30 s"
}
stop_game() {
    kill -TERM "$prog_pid" 2>/dev/null
    wait_exit "$prog_pid" 30
}
scale=2
on_menu() { golden_at "$wid" $((335 * scale)) $((100 * scale)); } # the menu's title
# blocks_differing <png>: how many pixels differ from their 2x2 block's first pixel (from
# ImageMagick 7.1.2 on, each one weighted by how far it differs; 0 still means none does).
blocks_differing() {
    convert "$1" -sample 50% -sample 200% "$tmp/blocks.png"
    compare -metric AE "$1" "$tmp/blocks.png" null: 2>&1 | awk '{print $1}'
}
# over <value> <limit>: 0 when the value is a number above the limit, 1 when it is one at or
# below it, 2 when it is none (nothing was compared).
over() {
    [[ "$1" =~ ^[0-9]+(\.[0-9]+)?([eE][-+]?[0-9]+)?$ ]] || return 2
    awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'
}
# The unique colours as a picture one pixel high: the same count as %k, in half its time under
# ImageMagick 7 on a whole 3840x2160 screen.
colours() { convert "$1" -unique-colors -format %w info:; }
geometry() { xdotool getwindowgeometry "$wid" | awk '/Position|Geometry/ {printf "%s ", $2}'; }
full() { [ "$(geometry)" = "0,0 3840x2160 " ]; }
back() { [ "$(geometry)" = "$before" ]; }

# 1. Sharp 2x window, and a window that shows its picture again.
start_game
shot "$wid" window-2x || fail "no screenshot"
n=$(blocks_differing "$tmp/window-2x.png")
over "$n" 0; [ $? = 1 ] || fail "2x window: $n pixels differ from their 2x2 block"
window_colours=$(colours "$tmp/window-2x.png")

# cover_and_uncover: a black window over the game's for a second.
cover_and_uncover() {
    xmessage -geometry 3000x2000+0+0 -bg black "" 2>/dev/null &
    local cover_pid=$!
    sleep 1
    kill "$cover_pid" && wait "$cover_pid" 2>/dev/null
}
press() {
    xdotool windowfocus "$wid" 2>/dev/null
    xdotool key "$1"
    sleep 0.5
}
cover_and_uncover
wait_until 3 on_menu || fail "uncovered: the menu is not drawn again"
shot "$wid" window-uncovered
# The control capture waits for keys on its own: the options screen under its prompt.
on_options() { golden_at "$wid" $((210 * scale)) $((75 * scale)); } # the options' title
press 2
wait_until 10 on_options || fail "no options screen"
press Down
press Return
cover_and_uncover
wait_until 3 on_options || fail "uncovered in the control capture: not drawn again"
shot "$wid" capture-uncovered
for key in w q Escape; do press "$key"; done
wait_until 10 on_menu || fail "not back in the menu after the options screen"

# 2. Under a window manager: fullscreen and back, three times at each scale (the old way lost
# the place in about one round trip of five).
# switch <label> <test>: F1 to the window, until the test holds (F1 again once after 5 s: a key
# sent while the window manager was still taking the window over can be lost).
switch() {
    local tries seen=
    for tries in 1 2; do
        xdotool windowactivate --sync "$wid" 2>/dev/null
        xdotool windowfocus --sync "$wid" 2>/dev/null
        xdotool key F1
        wait_until 5 "$2" && return 0
        seen+="$(geometry)/ "
    done
    fail "$1: the window is $seen after F1 and F1 again"
    return 1
}
# round_trips <label>: three F1 round trips; the first fullscreen is checked for smoothing.
round_trips() {
    local i c
    before=$(geometry)
    for i in 1 2 3; do
        switch "$1, F1 $i to fullscreen" full || return
        sleep 0.5
        if [ "$i" = 1 ]; then
            shot "$wid" "fullscreen-$1" || fail "no screenshot"
            c=$(colours "$tmp/fullscreen-$1.png")
            [ "$c" -le "$window_colours" ] ||
                fail "$1 fullscreen: $c colours, the 2x window has $window_colours: smoothed"
        fi
        switch "$1, F1 $i back: window $before before" back || return
    done
}
openbox >"$tmp/openbox.log" 2>&1 &
wm_pid=$!
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_until 20 wm_ready || fail "openbox did not start: $(cat "$tmp/openbox.log")"
sleep 1
round_trips scale-2
stop_game
scale=1
start_game --scale 1
round_trips scale-1
stop_game

# 4. The player's own scale method wins: smoothed.
scale=2
start_game SDL12COMPAT_SCALE_METHOD=linear
shot "$wid" window-linear || fail "no screenshot"
n=$(blocks_differing "$tmp/window-linear.png")
over "$n" 1000 || fail "the player's linear scaling: only $n pixels differ from their block"
stop_game

end_checks "all checks of the window on a 3840x2160 desktop passed"
