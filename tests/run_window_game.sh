#!/usr/bin/env bash
# One whole game in a real window under Xvfb, played with xdotool: "1" in the menu, Down held
# so the pieces pile up in the middle until the game is over, three times Up and Return in
# the new-record screen (name "daa"), then "4" in the menu. Checks the exit code and that
# data/scores.dat holds ten lines, the new one first and the default lines after it.
# A picture of the play screen is taken (kept when $QUELBO_SHOT_DIR names a folder).
# Usage: bash run_window_game.sh <run_dir>
set -u
source "$(dirname "${BASH_SOURCE[0]}")/window_lib.sh"

run_dir=$(cd "${1:?usage: run_window_game.sh <run_dir>}" && pwd)
bin=$run_dir/quelbo_kv
[ -x "$bin" ] || { echo "FAIL: $bin is missing"; exit 1; }
for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

make_scratch game
xvfb_pid=
prog_pid=
down_held=0
cleanup() {
    [ "$down_held" = 1 ] && xdotool keyup Down 2>/dev/null
    [ -n "$prog_pid" ] && kill -KILL "$prog_pid" 2>/dev/null && wait "$prog_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT

play=$tmp/play
make_play "$play" "$run_dir"
start_xvfb "$tmp" || fail "Xvfb did not start: $(cat "$tmp/xvfb.log")"

(cd "$play" && SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy exec "$bin" >stdout.txt 2>stderr.txt) &
prog_pid=$!
find_window || fail "no window named Quelbo_KV within a minute"

# The play screen shows the golden label of the preview box at (438, 60).
on_play_screen() {
    local r g b
    read -r r g b <<<"$(pixel "$wid" 438 60)"
    [ -n "${b:-}" ] && [ "$r" -gt 200 ] && [ "$g" -gt 140 ] && [ "$b" -lt 120 ]
}
# The menu shows its golden picture at (345, 100), where the play screen is black.
on_menu() { golden_at "$wid" 345 100; }
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

# 3. The new-record screen: keys pressed during its animation wait in the queue.
sleep 1
for key in Up Up Up Return; do
    xdotool windowfocus "$wid" 2>/dev/null
    xdotool key "$key"
    sleep 0.2
done

# 4. Back in the menu, "4" leaves.
leave_from_menu
[ "$status" = 124 ] && fail "the program did not end after 4 in the menu"
[ "$status" = 0 ] || fail "exit code $status"

# 5. The saved table: the new line first, then the default lines but the last.
scores=$play/data/scores.dat
[ -f "$scores" ] || fail "no data/scores.dat"
[ "$(wc -l <"$scores")" = 10 ] || fail "data/scores.dat has $(wc -l <"$scores") lines: $(cat "$scores")"
first=$(head -n1 "$scores")
[[ "$first" =~ ^daa\ ([0-9]+)$ ]] || fail "first line is '$first', expected 'daa <score>'"
score=${BASH_REMATCH[1]}
[ "$score" -gt 90 ] || fail "score $score does not beat the default table"
expected_rest=$(for s in 90 80 70 60 50 40 30 20 10; do echo "aaa $s"; done)
[ "$(tail -n +2 "$scores")" = "$expected_rest" ] || fail "lines 2..10: $(tail -n +2 "$scores")"

echo "window game passed: score $score"
