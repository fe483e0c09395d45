#!/usr/bin/env bash
# The real window on a 3840x2160 desktop under Xvfb:
#  - the 2x window is sharp: every 2x2 block of its pixels is one colour;
#  - uncovered (or unmapped and mapped again) while the menu waits, it shows the menu again;
#  - under a window manager (openbox), fullscreen (F1) is sharp too: it has no colour that the
#    window does not have (smoothing mixes new ones);
#  - back from fullscreen the window is where it was, at scale 2 (three times) and at scale 1.
# A player's own scale method is kept: with SDL12COMPAT_SCALE_METHOD=linear the window is
# smoothed (which also shows that the sharpness check can fail).
# Usage: bash run_window_display.sh <run_dir>
set -u
source "$(dirname "${BASH_SOURCE[0]}")/window_lib.sh"

script_setup display "${1:-}" Xvfb xdotool import convert compare xmessage openbox

keep_going=1
play=$tmp/play
make_play "$play" "$run_dir"
wm_pid=
on_exit() { [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null; }
start_xvfb "$tmp" 3840x2160 || fail "Xvfb did not start: $(cat "$tmp/xvfb.log")"

# start_game [NAME=VALUE...] [options...]: the program in a window (prog_pid, wid), with those
# settings in its environment and those options, its menu on show.
start_game() {
    local settings=()
    while [[ "${1:-}" == *=* ]]; do settings+=("$1"); shift; done
    (cd "$play" && exec env SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy "${settings[@]}" "$bin" \
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
on_menu() { golden_at "$wid" $((345 * scale)) $((100 * scale)); } # the menu's title
# blocks_differing <png>: how many pixels differ from their 2x2 block's first pixel.
blocks_differing() {
    convert "$1" -sample 50% -sample 200% "$tmp/blocks.png"
    compare -metric AE "$1" "$tmp/blocks.png" null: 2>&1
}
colours() { convert "$1" -format %k info:; }
geometry() { xdotool getwindowgeometry "$wid" | awk '/Position|Geometry/ {printf "%s ", $2}'; }
full() { [ "$(geometry)" = "0,0 3840x2160 " ]; }
back() { [ "$(geometry)" = "$before" ]; }

# 1. Sharp 2x window, and a window that shows its picture again.
start_game
shot "$wid" window-2x || fail "no screenshot"
n=$(blocks_differing "$tmp/window-2x.png")
[ "$n" = 0 ] || fail "2x window: $n pixels differ from their 2x2 block"
window_colours=$(colours "$tmp/window-2x.png")

xmessage -geometry 3000x2000+0+0 -bg black "" 2>/dev/null &
cover_pid=$!
sleep 1
kill "$cover_pid" && wait "$cover_pid" 2>/dev/null
wait_until 3 on_menu || fail "uncovered: the menu is not drawn again"
xdotool windowunmap --sync "$wid" && xdotool windowmap --sync "$wid"
wait_until 3 on_menu || fail "mapped again: the menu is not drawn again"
shot "$wid" window-uncovered

# 2. Under a window manager: fullscreen and back, three times.
openbox >"$tmp/openbox.log" 2>&1 &
wm_pid=$!
sleep 2
before=$(geometry)
for i in 1 2 3; do
    xdotool windowactivate --sync "$wid" 2>/dev/null
    xdotool key F1
    wait_until 10 full || fail "F1 $i: the window is $(geometry), not fullscreen"
    sleep 0.5
    if [ "$i" = 1 ]; then
        shot "$wid" fullscreen || fail "no screenshot"
        c=$(colours "$tmp/fullscreen.png")
        [ "$c" -le "$window_colours" ] ||
            fail "fullscreen: $c colours, the window has $window_colours: smoothed"
    fi
    xdotool key F1
    wait_until 5 back || fail "F1 $i at scale 2: window $before before, $(geometry) after"
done
stop_game

# 3. The same at scale 1.
scale=1
start_game --scale 1
before=$(geometry)
xdotool windowactivate --sync "$wid" 2>/dev/null
xdotool key F1
wait_until 10 full || fail "F1 at scale 1: the window is $(geometry), not fullscreen"
sleep 0.5
xdotool key F1
wait_until 5 back || fail "F1 at scale 1: window $before before, $(geometry) after"
stop_game

# 4. The player's own scale method wins: smoothed.
scale=2
start_game SDL12COMPAT_SCALE_METHOD=linear
shot "$wid" window-linear || fail "no screenshot"
n=$(blocks_differing "$tmp/window-linear.png")
[ "$n" -gt 1000 ] || fail "the player's linear scaling: only $n pixels differ from their block"
stop_game

end_checks "all checks of the window on a 3840x2160 desktop passed"
