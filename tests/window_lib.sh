# Shared pieces of the scripts that run the real program (sourced, not run).

# Every call of the X tools runs under a time limit, about twice what a loaded machine needs,
# so a stopped or wedged X server fails the script instead of hanging it: these functions stand
# in for the tools in every script that sources this file. (timeout runs the real program.)
X_TOOL_LIMIT=${X_TOOL_LIMIT:-5}
X_PICTURE_LIMIT=${X_PICTURE_LIMIT:-10}
xdotool() { timeout "$X_TOOL_LIMIT" xdotool "$@"; }
xdpyinfo() { timeout "$X_TOOL_LIMIT" xdpyinfo "$@"; }
import() { timeout "$X_PICTURE_LIMIT" import "$@"; }
xwd() { timeout "$X_PICTURE_LIMIT" xwd "$@"; }

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

# scratch_setup <what> [tool...]: the tools the script needs, its scratch folder, and on every
# way out (a signal included) the program and Xvfb stopped and the folder removed, after the
# script's own on_exit when it has one.
scratch_setup() {
    local what=$1 tool
    shift
    for tool in "$@"; do
        type -P "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
    done
    make_scratch "$what"
    xvfb_pid=
    prog_pid=
    down_held=0
    trap cleanup EXIT
    trap 'exit 130' INT TERM HUP
}
# script_setup <what> <run_dir> [tool...]: scratch_setup for a script about the program ($bin)
# of a play folder ($run_dir).
script_setup() {
    run_dir=$(cd "${2:?usage: <script> <run_dir>}" && pwd)
    bin=$run_dir/quelbo_kv
    [ -x "$bin" ] || { echo "FAIL: $bin is missing"; exit 1; }
    scratch_setup "$1" "${@:3}"
}
cleanup() {
    declare -F on_exit >/dev/null && on_exit
    # A key the script holds down (play_to_game_over) is let go before the X server goes.
    [ "$down_held" = 1 ] && xdotool keyup Down 2>/dev/null
    [ -n "$prog_pid" ] && kill -KILL "$prog_pid" 2>/dev/null && wait "$prog_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill -CONT "$xvfb_pid" 2>/dev/null # in case a test stopped it
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$tmp"
}

# fail <message>: ends the script, showing what the program printed in $tmp/play. With
# keep_going=1 it counts the failure instead and the script goes on; end_checks then ends it.
failures=0
fail() {
    echo "FAIL: $*"
    if [ "${keep_going:-0}" = 1 ]; then
        failures=$((failures + 1))
        return
    fi
    [ -f "$tmp/play/stdout.txt" ] && echo "program output: $(cat "$tmp/play/stdout.txt")"
    exit 1
}
# end_checks <message>: exit 1 after the count of failed checks, or the message and exit 0.
end_checks() {
    if [ "$failures" != 0 ]; then
        echo "$failures check(s) failed"
        exit 1
    fi
    echo "$1"
}
# expect_file <file> <exact content>
expect_file() {
    if [ "$(cat "$1" 2>/dev/null; echo .)" != "$2." ]; then
        fail "$1 holds '$(cat "$1" 2>/dev/null)', expected '$2'"
    fi
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

# make_play <dir> <run_dir>: a play folder with the data folders linked, an empty data/ and the
# program <dir>/quelbo_kv. The program takes its data from beside its own file, links resolved,
# so the folder holds its own: a hard link where the file system allows, else a copy.
make_play() {
    mkdir -p "$1/data"
    for sub in pics font sounds; do ln -s "$2/$sub" "$1/$sub"; done
    ln "$2/quelbo_kv" "$1/quelbo_kv" 2>/dev/null || cp "$2/quelbo_kv" "$1/quelbo_kv"
}

# start_xvfb <scratch dir> [WxH]: Xvfb on a display it picks itself; sets xvfb_pid and exports
# DISPLAY. Returns 1 (log in <scratch dir>/xvfb.log) when it did not start within 30 s.
# -noreset: a server left without clients resets itself, and a client that connects meanwhile
# (the next window manager or game of a script) is turned away with "Cannot open display".
start_xvfb() {
    local display=
    exec 3>"$1/display"
    Xvfb -displayfd 3 -screen 0 "${2:-1024x768}x24" -nolisten tcp -noreset >"$1/xvfb.log" 2>&1 &
    xvfb_pid=$!
    exec 3>&-
    wait_until 30 grep -q . "$1/display" || return 1
    display=$(head -n1 "$1/display")
    export DISPLAY=:$display
}

# play_on_xvfb [WxH]: a play folder $play in the scratch folder for the program of $run_dir,
# and Xvfb (start_xvfb); ends the script through fail when Xvfb does not start.
play_on_xvfb() {
    play=$tmp/play
    make_play "$play" "$run_dir"
    start_xvfb "$tmp" "$@" || fail "Xvfb did not start: $(cat "$tmp/xvfb.log")"
}

# find_window: the id of the window "Quelbo_KV" in $wid, waiting up to a minute for it.
find_window() {
    wid=$(X_TOOL_LIMIT=60 xdotool search --sync --name '^Quelbo_KV$' 2>/dev/null | head -n1)
    [ -n "$wid" ]
}

# start_play_window <play folder> [NAME=VALUE...]: the play folder's program in a real window
# under the running Xvfb (no sound unless the settings say otherwise), its output in
# stdout.txt and stderr.txt there; sets prog_pid and wid, or ends the script through fail.
start_play_window() {
    local folder=$1
    shift
    (cd "$folder" && exec env SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy "$@" ./quelbo_kv \
        >stdout.txt 2>stderr.txt) &
    prog_pid=$!
    find_window || fail "no window named Quelbo_KV within a minute"
}

# on_menu: the menu shows in the caller's window ($wid), by its golden title at (335, 100) of
# the game's picture (times $scale, 1 unless the caller sets it), where the other screens are
# dark.
on_menu() { golden_at "$wid" $((335 * ${scale:-1})) $((100 * ${scale:-1})); }

# shot <window> <name>: a picture of the window in the script's folder, <name>.png; copied to
# $QUELBO_SHOT_DIR as well when that is set (to look at it after the run).
shot() {
    import -window "$1" "$tmp/$2.png" || return 1
    if [ -n "${QUELBO_SHOT_DIR:-}" ]; then cp "$tmp/$2.png" "$QUELBO_SHOT_DIR/"; fi
}

# pixel <window> <x> <y>: the window's pixel as "r g b" (0..255); empty when it cannot be read
# within the picture limit (a read can hang while the program's window goes away).
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

# on_play_screen: the play screen shows in the caller's window, by the golden label of its
# preview box at (438, 60) (times $scale, as on_menu).
on_play_screen() {
    local r g b
    read -r r g b <<<"$(pixel "$wid" $((438 * ${scale:-1})) $((60 * ${scale:-1})))"
    [ -n "${b:-}" ] && [ "$r" -gt 200 ] && [ "$g" -gt 140 ] && [ "$b" -lt 120 ]
}

# play_to_record: one whole game from the menu: "1" in the menu, Down held so the pieces pile up
# in the middle until the game is over, three times Up and Return in the new-record screen
# (name "daa"), then "4" in the menu. Takes the picture play-screen (see shot). Sets status
# like leave_from_menu; ends the script through fail when a step does not come.
# Uses the caller's wid, prog_pid and on_menu.
play_to_record() {
    local key
    play_to_game_over
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

# play_to_game_over: steps 1 and 2 of play_to_record, up to the end of the game.
play_to_game_over() {
    alive() { kill -0 "$prog_pid" 2>/dev/null; }
    # 1. The menu's first entry (pressed again until the play screen shows).
    choose_play() {
        alive || fail "the program ended in the menu"
        on_play_screen && return 0
        xdotool windowfocus "$wid" 2>/dev/null
        on_menu && xdotool key 1 2>/dev/null
        return 1
    }
    wait_until 60 choose_play || fail "the play screen did not come within a minute"

    # 2. Down held: every piece drops straight into the middle until one rests at the top.
    xdotool windowfocus "$wid" 2>/dev/null
    xdotool keydown Down
    down_held=1
    sleep 8
    shot "$wid" play-screen || fail "no screenshot"
    game_over() {
        alive || fail "the program ended during the game"
        ! on_play_screen
    }
    wait_until 180 game_over || fail "the game did not end within three minutes"
    xdotool keyup Down
    down_held=0
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
