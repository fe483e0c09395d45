# Shared pieces of the scripts that run the real program (sourced, not run).

# fail <message>: ends the script, showing what the program printed in $tmp/play.
fail() {
    echo "FAIL: $*"
    [ -f "$tmp/play/stdout.txt" ] && echo "program output: $(cat "$tmp/play/stdout.txt")"
    exit 1
}

# make_play <dir> <run_dir>: a play folder with the data folders linked and an empty data/.
make_play() {
    mkdir -p "$1/data"
    for sub in pics font sounds; do ln -s "$2/$sub" "$1/$sub"; done
}

# start_xvfb <scratch dir>: Xvfb on a display it picks itself; sets xvfb_pid and exports
# DISPLAY. Returns 1 (log in <scratch dir>/xvfb.log) when it did not start.
start_xvfb() {
    local i display=
    exec 3>"$1/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$1/xvfb.log" 2>&1 &
    xvfb_pid=$!
    exec 3>&-
    for ((i = 0; i < 100; i++)); do
        display=$(head -n1 "$1/display" 2>/dev/null)
        [ -n "$display" ] && break
        sleep 0.05
    done
    [ -n "$display" ] || return 1
    export DISPLAY=:$display
}

# pixel <window> <x> <y>: the window's pixel as "r g b" (0..255); empty when it cannot be read
# within 10 s (a read can hang while the program's window goes away).
pixel() {
    timeout 10 import -window "$1" -crop "1x1+$2+$3" -depth 8 txt:- 2>/dev/null |
        sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' | head -n1
}

# golden_at <window> <x> <y>: the pixel there is one of the pictures' golden titles.
golden_at() {
    local r g b
    read -r r g b <<<"$(pixel "$1" "$2" "$3")"
    [ -n "${b:-}" ] && [ "$r" -gt 200 ] && [ "$b" -lt 140 ]
}

# leave_from_menu: presses 4 whenever the caller's on_menu sees the menu, until the program
# ends (about 20 s at most). Sets status to its exit code, or 124 when it did not end.
# Uses the caller's wid and prog_pid.
leave_from_menu() {
    local i
    for ((i = 0; i < 100; i++)); do
        kill -0 "$prog_pid" 2>/dev/null || break
        if on_menu; then
            xdotool windowfocus "$wid" 2>/dev/null
            xdotool key 4
        fi
        sleep 0.2
    done
    if kill -0 "$prog_pid" 2>/dev/null; then
        status=124
        return
    fi
    wait "$prog_pid"
    status=$?
    prog_pid=
}

# on_play_screen <window>: the play screen shows, by the golden label of its preview box.
on_play_screen() {
    local r g b
    read -r r g b <<<"$(pixel "$1" 437 52)"
    [ -n "${b:-}" ] && [ "$r" -gt 200 ] && [ "$g" -gt 140 ] && [ "$b" -lt 120 ]
}

# play_to_record <shot>: one whole game from the menu: "1" in the menu, Down held so the pieces
# pile up in the middle until the game is over, three times Up and Return in the new-record
# screen (name "daa"), then "4" in the menu. Keeps a picture of the play screen in <shot>.
# Sets status like leave_from_menu; ends the script through fail when a step does not come.
# Uses the caller's wid, prog_pid, on_menu and down_held (which its cleanup must honour).
play_to_record() {
    local i key
    # 1. The menu's first entry (pressed again until the play screen shows).
    for ((i = 0; i < 40; i++)); do
        kill -0 "$prog_pid" 2>/dev/null || fail "the program ended in the menu"
        on_play_screen "$wid" && break
        xdotool windowfocus "$wid" 2>/dev/null
        on_menu && xdotool key 1 2>/dev/null
        sleep 0.25
    done
    on_play_screen "$wid" || fail "the play screen did not come"

    # 2. Down held: every piece drops straight into the middle until one rests at the top.
    xdotool windowfocus "$wid" 2>/dev/null
    xdotool keydown Down
    down_held=1
    sleep 8
    timeout 20 import -window "$wid" "$1" || fail "no screenshot"
    for ((i = 0; i < 240; i++)); do
        kill -0 "$prog_pid" 2>/dev/null || fail "the program ended during the game"
        on_play_screen "$wid" || break
        sleep 0.5
    done
    on_play_screen "$wid" && fail "the game did not end within two minutes"
    xdotool keyup Down
    down_held=0

    # 3. The new-record screen: keys pressed during its animation wait in the queue.
    sleep 1
    for key in Up Up Up Return; do
        xdotool windowfocus "$wid" 2>/dev/null
        xdotool key "$key"
        sleep 0.2
    done

    # 4. Back in the menu, "4" leaves.
    leave_from_menu
}

# check_scores <scores.dat>: the saved table holds the new line "daa <score>" first, then the
# default lines but the last. Sets score to the new line's score.
check_scores() {
    local first expected_rest
    [ -f "$1" ] || fail "no $1"
    [ "$(wc -l <"$1")" = 10 ] || fail "$1 has $(wc -l <"$1") lines: $(cat "$1")"
    first=$(head -n1 "$1")
    [[ "$first" =~ ^daa\ ([0-9]+)$ ]] || fail "first line is '$first', expected 'daa <score>'"
    score=${BASH_REMATCH[1]}
    [ "$score" -gt 90 ] || fail "score $score does not beat the default table"
    expected_rest=$(for s in 90 80 70 60 50 40 30 20 10; do echo "aaa $s"; done)
    [ "$(tail -n +2 "$1")" = "$expected_rest" ] || fail "lines 2..10: $(tail -n +2 "$1")"
}
