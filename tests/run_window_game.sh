#!/usr/bin/env bash
# One whole game in a real window under Xvfb, played with xdotool: "1" in the menu, Down held
# so the pieces pile up in the middle until the game is over, three times Up and Return in
# the new-record screen (name "daa"), then "4" in the menu. Checks the exit code and that
# data/scores.dat holds ten lines, the new one first and the default lines after it.
# A picture of the play screen is taken (kept when $QUELBO_SHOT_DIR names a folder).
# Usage: bash run_window_game.sh <run_dir>
set -u
source "$(dirname "${BASH_SOURCE[0]}")/window_lib.sh"

script_setup game "${1:-}" Xvfb xdotool import

play_on_xvfb
start_play_window "$play"

play_to_record
[ "$status" = 124 ] && fail "the program did not end after 4 in the menu"
[ "$status" = 0 ] || fail "exit code $status"
check_scores "$play/data/scores.dat"

echo "window game passed: score $score"
