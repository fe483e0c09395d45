#!/usr/bin/env bash
# Start-up and orderly shutdown of the real program, in a scratch copy of the play folder:
#  - without a settings file: both messages in order, exit code 0, the defaults written back;
#  - with a file that chooses a joystick that is not there: the keyboard is written back;
#  - under Xvfb: the window "Quelbo_KV" is 540x600, and the key 4 leaves the program.
# Usage: bash run_startup.sh <run_dir>
set -u
source "$(dirname "${BASH_SOURCE[0]}")/window_lib.sh"

script_setup startup "${1:-}"

keep_going=1

# start_and_term <dir>: runs the program there under the dummy drivers and ends it with SIGTERM.
start_and_term() {
    (cd "$1" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy exec ./quelbo_kv >stdout.txt \
        2>stderr.txt) &
    prog_pid=$!
    term_when_ready "$prog_pid" "$1/quelbo_kv" || fail "$1: the program never became ready for SIGTERM"
}


# 1. No settings file.
d=$tmp/nofile
make_play "$d" "$run_dir"
start_and_term "$d"
[ "$status" = 0 ] || fail "no settings file: exit code $status"
out=$d/stdout.txt
open_line=$(grep -nx 'Err ouverture de control.dat' "$out" | cut -d: -f1)
defaults_line=$(grep -nx 'Err initialisation des controles, application des parametres par defaut' \
    "$out" | cut -d: -f1)
if [ "$(echo "$open_line" | wc -w)" != 1 ] || [ "$(echo "$defaults_line" | wc -w)" != 1 ]; then
    fail "no settings file: expected each message once, stdout was: $(cat "$out")"
elif [ "$open_line" -ge "$defaults_line" ]; then
    fail "no settings file: messages out of order: $(cat "$out")"
fi
expect_file "$d/data/control.dat" $'0 0 0 1 119 113 0 0\n'
# Anything beside the file, the save's temporary control.dat.quelbo-XXXXXX included.
left=$(ls -A "$d/data" | grep -vx 'control\.dat')
[ -z "$left" ] || fail "no settings file: files left behind in data/: $left"

# 2. The file chooses a joystick, none is present: the keyboard and index 0 are written back.
d=$tmp/joystick
make_play "$d" "$run_dir"
printf '1 5 2 3 97 98 1 2' >"$d/data/control.dat"
start_and_term "$d"
[ "$status" = 0 ] || fail "joystick file: exit code $status"
if grep -q 'Err' "$d/stdout.txt"; then fail "joystick file: unexpected output: $(cat "$d/stdout.txt")"; fi
expect_file "$d/data/control.dat" $'0 0 2 3 97 98 1 2\n'

# 3. A real window under Xvfb; the key 4 leaves through the menu.
d=$tmp/window
make_play "$d" "$run_dir"
if ! start_xvfb "$tmp"; then
    fail "Xvfb did not start: $(cat "$tmp/xvfb.log")"
else
    (cd "$d" && SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy exec ./quelbo_kv >stdout.txt 2>stderr.txt) &
    prog_pid=$!
    if ! find_window; then
        fail "window: no window named Quelbo_KV"
    else
        geometry=$(xdotool getwindowgeometry "$wid" | awk '/Geometry:/ {print $2}')
        [ "$geometry" = 540x600 ] || fail "window: geometry $geometry, expected 540x600"
        # Key 4 until the program ends (the first press may come before the menu runs).
        press_4() {
            kill -0 "$prog_pid" 2>/dev/null || return 0
            xdotool windowfocus "$wid" 2>/dev/null
            xdotool key 4 2>/dev/null
            sleep 0.3
            return 1
        }
        wait_until 60 press_4
    fi
    wait_exit "$prog_pid" 10
    [ "$status" = 0 ] || fail "window: exit code $status"
    expect_file "$d/data/control.dat" $'0 0 0 1 119 113 0 0\n'
fi

end_checks "all start-up checks passed"
