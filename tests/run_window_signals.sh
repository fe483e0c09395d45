#!/usr/bin/env bash
# Signals from outside, with the real program in a real window under Xvfb:
#  - a hang-up (SIGHUP, as when the terminal it was started from is closed) in the new-record
#    screen ends the run in order: exit code 0, the record and control.dat saved, nothing else
#    left in data/;
#  - the X server stopped (SIGSTOP) while the script is taking pictures of the window: the
#    script's calls fail within their time limits instead of hanging;
#  - the X server then ends, as with the desktop session: the program ends too, with exit code
#    1 and a line that says why, instead of waiting for the server for ever.
# Usage: bash run_window_signals.sh <run_dir>
set -u
source "$(dirname "${BASH_SOURCE[0]}")/window_lib.sh"

script_setup signals "${1:-}" Xvfb xdotool import

play_on_xvfb
start_play_window "$play"

# 1. SIGHUP in the new-record screen, once its animation is over.
play_to_game_over
sleep 3
kill -HUP "$prog_pid"
wait_exit "$prog_pid" 30
[ "$status" = 0 ] || fail "SIGHUP in the new-record screen: exit code $status"
first=$(head -n1 "$play/data/scores.dat" 2>/dev/null)
[[ "$first" =~ ^[a-z]{3}\ ([0-9]+)$ ]] && [ "${BASH_REMATCH[1]}" -gt 90 ] ||
    fail "SIGHUP: the record is not first in scores.dat: $(cat "$play/data/scores.dat")"
[ "$(wc -l <"$play/data/scores.dat")" = 10 ] || fail "SIGHUP: scores.dat is not ten lines"
expect_file "$play/data/control.dat" $'0 0 0 1 119 113 0 0\n'
left=$(ls -A "$play/data" | grep -vx -e 'control\.dat' -e 'scores\.dat')
[ -z "$left" ] || fail "SIGHUP: files left behind in data/: $left"

# 2. The X server stops in the middle of the script's pictures of the window.
start_play_window "$play"
wait_until 30 on_menu || fail "the menu did not show within 30 s"
(sleep 1 && kill -STOP "$xvfb_pid") &
stopper=$!
start=$SECONDS
shots=0
while [ $((SECONDS - start)) -lt 60 ] && shot "$wid" "stall-$shots"; do
    shots=$((shots + 1))
    rm -f "$tmp/stall-$((shots - 1)).png"
done
took=$((SECONDS - start))
wait "$stopper"
[ "$shots" -gt 0 ] || fail "no picture was taken before the X server stopped"
[ "$took" -le $((X_PICTURE_LIMIT + 5)) ] ||
    fail "a picture call went on ${took} s with the X server stopped (limit $X_PICTURE_LIMIT s)"
start=$SECONDS
xdotool windowfocus "$wid" 2>/dev/null && fail "xdotool answered with the X server stopped"
[ $((SECONDS - start)) -le $((X_TOOL_LIMIT + 3)) ] || fail "xdotool outlived its limit"
kill -CONT "$xvfb_pid"

# 3. The X server goes away under the program.
kill "$xvfb_pid"
wait "$xvfb_pid" 2>/dev/null
xvfb_pid=
wait_exit "$prog_pid" 20
[ "$status" = 1 ] || fail "the X server ended: exit code $status (124: the program went on)"
grep -q "^MAIN / Err affichage perdu" "$play/stdout.txt" ||
    fail "the X server ended: no line about it in the output"

echo "signals passed: SIGHUP saved '$first'; $shots pictures, then a stopped X server failed the call after ${took} s; the end of the X server ended the program"
