# Shared pieces of the scripts that run the real program (sourced, not run).

# make_scratch <what>: a folder of the script's own, $TMPDIR/quelbo-<what>-<pid>-XXXXXX, in
# $tmp. Folders that scripts or tests no longer running left there (killed ones) go first.
make_scratch() {
    local base=${TMPDIR:-/tmp} d pid
    for d in "$base"/quelbo-*-[0-9]*-*; do
        [ -d "$d" ] || continue
        pid=${d#"$base"/quelbo-*-}
        pid=${pid%%-*}
        [[ "$pid" =~ ^[0-9]+$ ]] || continue
        [ -d "/proc/$pid" ] || rm -rf "$d"
    done
    tmp=$(mktemp -d "$base/quelbo-$1-$$-XXXXXX")
}

# fail <message>: ends the script, showing what the program printed in $tmp/play.
fail() {
    echo "FAIL: $*"
    [ -f "$tmp/play/stdout.txt" ] && echo "program output: $(cat "$tmp/play/stdout.txt")"
    exit 1
}

# wait_until <seconds> <command...>: runs the command every 0.2 s until it succeeds (0) or the
# time is up (1). Time, not a count of tries, so a slow machine gets the same allowance.
wait_until() {
    local limit=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -ge "$limit" ] && return 1
        sleep 0.2
    done
}

# make_play <dir> <run_dir>: a play folder with the data folders linked and an empty data/.
make_play() {
    mkdir -p "$1/data"
    for sub in pics font sounds; do ln -s "$2/$sub" "$1/$sub"; done
}

# start_xvfb <scratch dir> [WxH]: Xvfb on a display it picks itself; sets xvfb_pid and exports
# DISPLAY. Returns 1 (log in <scratch dir>/xvfb.log) when it did not start within 30 s.
start_xvfb() {
    local display=
    exec 3>"$1/display"
    Xvfb -displayfd 3 -screen 0 "${2:-1024x768}x24" -nolisten tcp >"$1/xvfb.log" 2>&1 &
    xvfb_pid=$!
    exec 3>&-
    wait_until 30 grep -q . "$1/display" || return 1
    display=$(head -n1 "$1/display")
    export DISPLAY=:$display
}

# find_window: the id of the window "Quelbo_KV" in $wid, waiting up to a minute for it.
find_window() {
    wid=$(timeout 60 xdotool search --sync --name '^Quelbo_KV$' 2>/dev/null | head -n1)
    [ -n "$wid" ]
}

# shot <window> <name>: a picture of the window in the script's folder, <name>.png; copied to
# $QUELBO_SHOT_DIR as well when that is set (to look at it after the run).
shot() {
    import -window "$1" "$tmp/$2.png" || return 1
    if [ -n "${QUELBO_SHOT_DIR:-}" ]; then cp "$tmp/$2.png" "$QUELBO_SHOT_DIR/"; fi
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

# wait_exit <pid> <seconds>: waits for the program to end; kills it after the delay.
# Sets status to its exit code (or 124 when it had to be killed).
wait_exit() {
    local pid=$1 limit=$((SECONDS + $2))
    while kill -0 "$pid" 2>/dev/null && [ "$SECONDS" -lt "$limit" ]; do sleep 0.05; done
    if kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid"
        wait "$pid" 2>/dev/null
        status=124
    else
        wait "$pid"
        status=$?
    fi
    prog_pid=
}

# term_when_ready <pid> <program>: once the program runs (the shell before it has become it)
# and its multimedia layer has turned SIGTERM into a quit request, sends SIGTERM; the menu
# answers it by leaving through the orderly shutdown. Waits for the end (status as wait_exit).
# Returns 1 when the program never became ready within 30 s.
term_when_ready() {
    local pid=$1 ready=1
    ready_for_term() {
        local mask
        [ "$(readlink "/proc/$1/exe" 2>/dev/null)" = "$(readlink -f "$2")" ] || return 1
        mask=$(awk '/^SigCgt:/ {print $2}' "/proc/$1/status" 2>/dev/null)
        [ -n "$mask" ] && (((0x$mask & 0x4000) != 0))
    }
    ended_or_ready() { ! kill -0 "$1" 2>/dev/null || ready_for_term "$1" "$2"; }
    wait_until 30 ended_or_ready "$pid" "$2" && ready_for_term "$pid" "$2" || ready=0
    sleep 0.5 # let it reach the menu loop
    kill -TERM "$pid" 2>/dev/null
    wait_exit "$pid" 30
    [ "$ready" = 1 ]
}

# leave_from_menu: presses 4 whenever the caller's on_menu sees the menu, until the program
# ends (a minute at most). Sets status to its exit code, or 124 when it did not end.
# Uses the caller's wid and prog_pid.
leave_from_menu() {
    local limit=$((SECONDS + 60))
    while kill -0 "$prog_pid" 2>/dev/null && [ "$SECONDS" -lt "$limit" ]; do
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
