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

# pixel <window> <x> <y>: the window's pixel as "r g b" (0..255).
pixel() {
    import -window "$1" -crop "1x1+$2+$3" -depth 8 txt:- 2>/dev/null |
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
