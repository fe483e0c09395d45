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

# The menu shows its golden picture at (345, 100), where the play screen is black.
on_menu() { golden_at "$wid" 345 100; }

play_to_record
[ "$status" = 124 ] && fail "the program did not end after 4 in the menu"
[ "$status" = 0 ] || fail "exit code $status"
check_scores "$play/data/scores.dat"

echo "window game passed: score $score"
