#!/usr/bin/env bash
# The real window on a 3840x2160 desktop under Xvfb:
#  - the 2x window is sharp: every 2x2 block of its pixels is one colour;
#  - uncovered while the menu waits, it shows the menu again;
#  - uncovered in the control capture (which reads events itself), it is drawn again too;
#  - F1 and F1 again on the menu, the play screen (with pieces in the well) and the options
#    screen, at scale 2 and 1, on four window systems: no window manager, openbox, i3 (tiling)
#    and weston (a Wayland compositor, in a window of its own on the X server) with Xwayland.
#    Fullscreen covers the whole screen, letterboxed (black bars beside the picture) and sharp
#    (no colour that the window lacks; smoothing mixes new ones); back, the window has its
#    size again, and its place where the window system keeps places (weston chooses them), and
#    shows the same picture as before, but for the falling piece on the play screen.
# A player's own scale method is kept: with SDL12COMPAT_SCALE_METHOD=linear the window is
# smoothed (which also shows that the sharpness check can fail).
# Usage: bash run_window_display.sh <run_dir> [window system...]   (default: all four)
set -u
source "$(dirname "${BASH_SOURCE[0]}")/window_lib.sh"

script_setup display "${1:-}" Xvfb xdotool import convert compare xmessage xprop openbox i3 \
    weston Xwayland
systems=("${@:2}")
[ ${#systems[@]} -gt 0 ] || systems=(bare openbox i3 weston)

keep_going=1
wm_pid=
on_exit() { stop_system; }
play_on_xvfb 3840x2160
host=$DISPLAY # the X server; under weston the game runs on its Xwayland, keys go to weston

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
# differing <png> <png> [crop]: how many pixels differ (within the crop WxH+X+Y when given), by
# any amount in any channel. (Counted here, as compare's count is weighted in ImageMagick 7.)
differing() {
    local crop=()
    [ -n "${3:-}" ] && crop=(-crop "$3" +repage)
    convert "$1" "${crop[@]}" "$2" "${crop[@]}" -compose difference -composite -channel RGB \
        -threshold 0 -separate +channel -evaluate-sequence max \
        -format '%[fx:round(mean*w*h)]' info: 2>/dev/null || echo unknown
}
# blocks_differing <png>: how many pixels differ from their 2x2 block's first pixel.
blocks_differing() {
    convert "$1" -sample 50% -sample 200% "$tmp/blocks.png"
    differing "$1" "$tmp/blocks.png"
}
# The number of colours, as the width of a picture of one pixel per colour (faster than %k in
# ImageMagick 7).
colours() { convert "$1" -unique-colors -format %w info:; }
geometry() { xdotool getwindowgeometry "$wid" | awk '/Position|Geometry/ {printf "%s ", $2}'; }
press() {
    xdotool windowfocus "$wid" 2>/dev/null
    DISPLAY=$host xdotool key "$1"
    sleep 0.5
}

# 1. Sharp 2x window, and a window that shows its picture again.
start_game
shot "$wid" window-2x || fail "no screenshot"
n=$(blocks_differing "$tmp/window-2x.png")
[ "$n" = 0 ] || fail "2x window: $n pixels differ from their 2x2 block"

# cover_and_uncover: a black window over the game's for a second.
cover_and_uncover() {
    xmessage -geometry 3000x2000+0+0 -bg black "" 2>/dev/null &
    local cover_pid=$!
    sleep 1
    kill "$cover_pid" && wait "$cover_pid" 2>/dev/null
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
stop_game

# 2. The player's own scale method wins: smoothed.
start_game SDL12COMPAT_SCALE_METHOD=linear
shot "$wid" window-linear || fail "no screenshot"
n=$(blocks_differing "$tmp/window-linear.png")
[[ "$n" =~ ^[0-9]+$ ]] && [ "$n" -gt 1000 ] || fail "the player's linear scaling: only $n pixels differ from their block"
stop_game

# 3. F1 there and back on each window system.
# start_system <name>: the window manager or compositor, ready (wm_pid; under weston DISPLAY
# becomes its Xwayland's, and keys go to weston's window on the X server).
start_system() {
    system=$1
    case $1 in
    bare) return 0 ;;
    openbox) openbox >"$tmp/wm.log" 2>&1 & ;;
    i3)
        printf 'font pango:monospace 8\n' >"$tmp/i3.conf"
        i3 -c "$tmp/i3.conf" >"$tmp/wm.log" 2>&1 &
        ;;
    weston)
        export XDG_RUNTIME_DIR=$tmp/runtime
        mkdir -p -m 700 "$XDG_RUNTIME_DIR"
        weston --backend=x11-backend.so --use-pixman --width=3840 --height=2160 --xwayland \
            --socket="quelbo-$$" --no-config --log="$tmp/wm.log" >/dev/null 2>&1 &
        ;;
    esac
    wm_pid=$!
    if [ "$1" = weston ]; then
        xwayland_named() { grep -q 'listening on display :[0-9]' "$tmp/wm.log" 2>/dev/null; }
        wait_until 30 xwayland_named || { fail "weston did not start: $(cat "$tmp/wm.log")"; return 1; }
        DISPLAY=:$(grep -o 'listening on display :[0-9]*' "$tmp/wm.log" | head -n1 | grep -o '[0-9]*$')
        # The pointer over weston's window, so that it has the keyboard of the X server.
        DISPLAY=$host xdotool mousemove 1920 1080
        return 0
    fi
    # Ready when the check window on the root is its own, not one a manager before it left.
    wm_ready() {
        local id
        id=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | awk '/window id/ {print $NF}')
        [ -n "$id" ] && xprop -id "$id" _NET_WM_NAME 2>/dev/null | grep -qi "\"$system\""
    }
    wait_until 20 wm_ready || { fail "$1 did not start: $(cat "$tmp/wm.log")"; return 1; }
    sleep 1
}
stop_system() {
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null
    wm_pid=
    DISPLAY=$host
}

full() { [ "$(geometry)" = "0,0 3840x2160 " ]; }
# black_bar <png> <crop>: that part of the picture is all black.
black_bar() { [ "$(convert "$1" -crop "$2" +repage -format '%k %[fx:maxima]' info:)" = "1 0" ]; }
back() {
    if [ "$system" = weston ]; then # only the size: weston places windows itself
        [ "${before#* }" = "$(geometry | cut -d' ' -f2-)" ]
    else
        [ "$(geometry)" = "$before" ]
    fi
}
# switch <label> <test>: F1 to the window, until the test holds (F1 again once after 5 s: a key
# sent while the window manager was still taking the window over can be lost).
switch() {
    local tries seen=
    for tries in 1 2; do
        xdotool windowactivate --sync "$wid" 2>/dev/null
        xdotool windowfocus --sync "$wid" 2>/dev/null
        DISPLAY=$host xdotool key F1
        wait_until 5 "$2" && return 0
        seen+="$(geometry)/ "
    done
    fail "$1: the window is $seen after F1 and F1 again"
    return 1
}
# round_trip <screen>: F1 and F1 again, with pictures before, in fullscreen and after, looked
# at once the window is back (so the play screen moves on as little as can be). Fullscreen is
# sharp, letterboxed and shows a picture; after it the window shows what it showed before, but
# on the play screen, where only the well may change, by at most the falling piece's old and
# new cells. When the next piece changed, one landed meanwhile: no verdict, and 2.
round_trip() {
    local label="$system, scale $scale, $1" c n s=$scale
    local box="$((120 * s))x$((60 * s))+$((365 * s))+$((90 * s))" # the next piece
    before=$(geometry)
    shot "$wid" before || { fail "$label: no screenshot"; return; }
    switch "$label, to fullscreen" full || return
    sleep 0.5
    # Uncompressed, as the screen is large; the checks look at parts of it.
    import -window "$wid" "$tmp/full.ppm" || { fail "$label: no screenshot"; return; }
    switch "$label, back: window $before before" back || return
    sleep 0.5
    shot "$wid" after || { fail "$label: no screenshot"; return; }
    if [ -n "${QUELBO_SHOT_DIR:-}" ]; then
        convert "$tmp/full.ppm" "$QUELBO_SHOT_DIR/$system-$scale-$1-full.png"
        cp "$tmp/before.png" "$QUELBO_SHOT_DIR/$system-$scale-$1-before.png"
        cp "$tmp/after.png" "$QUELBO_SHOT_DIR/$system-$scale-$1-after.png"
    fi

    # Sharp: the middle of the picture has no colour that the whole window lacks.
    c=$(colours "$tmp/full.ppm[1200x1200+1320+480]")
    [ "$c" -le "$(colours "$tmp/before.png")" ] ||
        fail "$label, fullscreen: $c colours in its middle, the window $(colours "$tmp/before.png"): smoothed"
    [ "$c" -gt 20 ] || fail "$label, fullscreen: no picture ($c colours)"
    # The picture, 3.6 times 540 wide, leaves 948 pixels on each side.
    black_bar "$tmp/full.ppm" 900x2160+0+0 && black_bar "$tmp/full.ppm" 900x2160+2940+0 ||
        fail "$label, fullscreen: the sides are not black bars"

    if [ "$1" = game ] && [ "$(differing "$tmp/before.png" "$tmp/after.png" "$box")" != 0 ]; then
        echo "$label: a piece landed meanwhile"
        return 2
    fi
    if [ "$1" = game ]; then
        n=$(differing "$tmp/before.png" "$tmp/after.png" "$((240 * s))x$((600 * s))+$((300 * s))+0")
        [ "$n" = 0 ] || fail "$label: $n pixels of the panel differ after F1 twice"
        n=$(differing "$tmp/before.png" "$tmp/after.png" "$((300 * s))x$((600 * s))+0+0")
        [[ "$n" =~ ^[0-9]+$ ]] && [ "$n" -le $((8 * 900 * s * s)) ] ||
            fail "$label: $n pixels of the well differ after F1 twice: more than a piece moved"
    else
        n=$(differing "$tmp/before.png" "$tmp/after.png")
        [ "$n" = 0 ] || fail "$label: $n pixels differ after F1 twice"
    fi
}
# preview: the next-piece box as text, to see a piece land.
preview() {
    import -window "$wid" -crop "$((120 * scale))x$((60 * scale))+$((365 * scale))+$((90 * scale))" \
        -depth 8 rgb:- 2>/dev/null | md5sum
}
# settled: the score shows the same twice, 0.3 s apart: no soft drop is left to take after Down
# was let go.
settled() {
    local score="$((150 * scale))x$((40 * scale))+$((370 * scale))+$((472 * scale))" one
    one=$(import -window "$wid" -crop "$score" -depth 8 rgb:- 2>/dev/null | md5sum)
    sleep 0.3
    [ "$(import -window "$wid" -crop "$score" -depth 8 rgb:- 2>/dev/null | md5sum)" = "$one" ]
}
# the_three_screens: the round trip on the menu, on the play screen once a piece has landed
# (Down held until the next piece shows another), and on the options screen.
the_three_screens() {
    local first
    round_trip menu
    press 1
    wait_until 20 on_play_screen || { fail "$system, scale $scale: no play screen"; return; }
    first=$(preview)
    xdotool windowfocus "$wid" 2>/dev/null
    DISPLAY=$host xdotool keydown Down
    down_held=1
    landed() { [ "$(preview)" != "$first" ]; }
    wait_until 30 landed || fail "$system, scale $scale: no piece landed with Down held"
    DISPLAY=$host xdotool keyup Down
    down_held=0
    wait_until 10 settled || fail "$system, scale $scale: the play screen does not settle"
    round_trip game
    [ $? = 2 ] && round_trip game
    press Escape
    wait_until 20 on_menu || { fail "$system, scale $scale: no menu after Escape"; return; }
    press 2
    wait_until 10 on_options || { fail "$system, scale $scale: no options screen"; return; }
    round_trip options
    press Escape
    wait_until 10 on_menu || fail "$system, scale $scale: no menu after the options screen"
}
for system in "${systems[@]}"; do
    start_system "$system" || continue
    for scale in 2 1; do
        start_game --scale "$scale"
        the_three_screens
        stop_game
    done
    stop_system
done

end_checks "all checks of the window on a 3840x2160 desktop passed"
