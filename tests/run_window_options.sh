#!/usr/bin/env bash
# The options screen in a real window under Xvfb, driven with xdotool: "2" in the menu,
# Down to the controls and Return, the keys a and z, Down to the skin and Right (skin 1),
# Down to the music and Right (tune 1), Down twice to "Valider et quitter" and Return, then
# "4" in the menu. Checks the exit code, data/control.dat == "0 0 0 1 97 122 1 1", and that
# the tune chosen was heard: the sound written by the disk audio driver is not silent.
# A picture of the options screen is taken (kept when $QUELBO_SHOT_DIR names a folder).
# Usage: bash run_window_options.sh <run_dir>
set -u
source "$(dirname "${BASH_SOURCE[0]}")/window_lib.sh"

script_setup options "${1:-}" Xvfb xdotool import od

play_on_xvfb

# The disk driver writes the mixed sound in real time (its default delay) into a file:
# raw signed 16-bit stereo at 44100 Hz.
audio=$tmp/audio.raw
start_play_window "$play" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio"

on_options() { golden_at "$wid" 210 75; } # the options screen's title
alive() { kill -0 "$prog_pid" 2>/dev/null; }
press() {
    xdotool windowfocus "$wid" 2>/dev/null
    xdotool key "$1"
    sleep 0.5 # several 50 ms passes, so each key is its own command
}
# loudest <file> <start byte> <bytes>: the largest sample magnitude in that byte range.
loudest() {
    od -An -v -td2 -j "$2" -N "$3" "$1" |
        awk '{ for (i = 1; i <= NF; i++) { v = $i < 0 ? -$i : $i; if (v > m) m = v } }
             END { print m + 0 }'
}

# 1. "2" in the menu (pressed again until the options screen shows).
choose_options() {
    alive || fail "the program ended in the menu"
    on_options && return 0
    on_menu && { xdotool windowfocus "$wid" 2>/dev/null; xdotool key 2 2>/dev/null; }
    return 1
}
wait_until 60 choose_options || fail "the options screen did not come within a minute"

# 2. Controls: Down, Return, then the two keys.
press Down
press Return
press a
press z
# 3. Skin 1, then tune 1 (it plays once).
press Down
press Right
press Down
silent_until=$(stat -c %s "$audio" 2>/dev/null || echo 0)
press Right
# Two seconds of what was played from the choice on (the driver writes in real time).
span=$((2 * 44100 * 4))
has_span() { [ "$(stat -c %s "$audio" 2>/dev/null || echo 0)" -ge $((silent_until + span)) ]; }
wait_until 60 has_span || fail "the sound output stopped"
shot "$wid" options-screen || fail "no screenshot"
loud=$(loudest "$audio" "$silent_until" "$span")
[ "$loud" -gt 1000 ] || fail "tune 1 is not heard (largest sample $loud)"
# 4. Keep and leave, then "4" in the menu.
press Down
press Down
press Return
leave_from_menu
[ "$status" = 124 ] && fail "the program did not end after 4 in the menu"
[ "$status" = 0 ] || fail "exit code $status"

settings=$(cat "$play/data/control.dat" 2>/dev/null)
[ "$(echo $settings)" = "0 0 0 1 97 122 1 1" ] ||
    fail "data/control.dat holds '$settings', expected '0 0 0 1 97 122 1 1'"

echo "window options passed: largest sample $loud"
