#!/usr/bin/env bash
# The real program outside its build's play folder:
#  - the command line: --version, --help, an unknown option;
#  - no display, or one that does not answer: the window's start-up message and exit code 1,
#    no invisible window;
#  - a copy of the play folder started from elsewhere keeps its data/ beside it;
#  - an installed tree (games/ and share/games/quelbo-kv/) saves in the player's data home;
#  - the window's scale under Xvfb: twice on 3840x2160, once on 1280x1024, --scale 1, and a
#    scale the player set in the environment.
# Usage: bash run_install_tree.sh <run_dir>
set -u
source "$(dirname "${BASH_SOURCE[0]}")/window_lib.sh"

script_setup tree "${1:-}"

keep_going=1
elsewhere=$tmp/elsewhere
mkdir -p "$elsewhere"

# 1. The command line answers without a display or a window.
out=$(cd "$elsewhere" && timeout 20 env -u DISPLAY -u SDL_VIDEODRIVER "$bin" --version)
status=$?
[ "$status" = 0 ] || fail "--version: exit code $status"
[[ "$out" =~ ^quelbo-kv\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version printed '$out'"
out=$(cd "$elsewhere" && timeout 20 "$bin" --help)
status=$?
[ "$status" = 0 ] || fail "--help: exit code $status"
[[ "$out" == *"--scale N"* && "$out" == *"$run_dir/data"* ]] ||
    fail "--help does not name --scale and the save folder: $out"
(cd "$elsewhere" && timeout 20 "$bin" --bogus >out.txt 2>err.txt)
status=$?
[ "$status" = 2 ] || fail "unknown option: exit code $status"
grep -q -- "--scale" "$elsewhere/err.txt" || fail "unknown option: no usage on the error stream"
[ -s "$elsewhere/out.txt" ] && fail "unknown option: standard output is not empty"

# 2. No display, or one that does not answer, and no video driver asked for: the start-up
# message and exit code 1 (the newer compatibility layers fail SDL_Init there, the older ones
# fall back to a driver without a window).
# no_window <label> <DISPLAY or empty> <start of the message>
no_window() {
    local d=$tmp/$1 shown=()
    [ -n "$2" ] && shown=(DISPLAY="$2")
    make_play "$d" "$run_dir"
    (cd "$d" && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "${shown[@]}" \
        SDL_AUDIODRIVER=dummy timeout 30 ./quelbo_kv >stdout.txt 2>stderr.txt)
    status=$?
    [ "$status" = 1 ] || fail "$1: exit code $status"
    grep -q "^MAIN / Err init fenetre $3" "$d/stdout.txt" ||
        fail "$1: stdout was '$(cat "$d/stdout.txt")'"
    [ -e "$d/data/control.dat" ] && fail "$1: the settings were written"
}
no_window "no display" "" "aucun affichage"
no_window "a display that does not answer" ":4242" "l'affichage de DISPLAY"

# 3. A copy of the play folder, started from elsewhere by its path.
copy=$tmp/copy
make_play "$copy" "$run_dir"
(cd "$elsewhere" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy exec "$copy/quelbo_kv" \
    >"$tmp/copy.out" 2>&1) &
prog_pid=$!
term_when_ready "$prog_pid" "$copy/quelbo_kv" || fail "play folder copy: never ready"
[ "$status" = 0 ] || fail "play folder copy: exit code $status: $(cat "$tmp/copy.out")"
expect_file "$copy/data/control.dat" $'0 0 0 1 119 113 0 0\n'
[ -e "$elsewhere/data" ] && fail "play folder copy: data/ made in the working folder"

# 4. An installed tree: the player's data home, made on first start.
root=$tmp/root
mkdir -p "$root/usr/games" "$root/usr/share/games/quelbo-kv" "$tmp/home"
cp "$bin" "$root/usr/games/quelbo-kv"
for sub in pics font sounds; do ln -s "$run_dir/$sub" "$root/usr/share/games/quelbo-kv/$sub"; done
run_installed() { # run_installed <label> <env...>
    local label=$1
    shift
    (cd "$elsewhere" && exec env -u XDG_DATA_HOME HOME="$tmp/home" "$@" SDL_VIDEODRIVER=dummy \
        SDL_AUDIODRIVER=dummy "$root/usr/games/quelbo-kv" >"$tmp/$label.out" 2>&1) &
    prog_pid=$!
    term_when_ready "$prog_pid" "$root/usr/games/quelbo-kv" || fail "$label: never ready"
    [ "$status" = 0 ] || fail "$label: exit code $status: $(cat "$tmp/$label.out")"
}
run_installed installed
saves=$tmp/home/.local/share/quelbo-kv/data
expect_file "$saves/control.dat" $'0 0 0 1 119 113 0 0\n'
[ "$(stat -c %a "$tmp/home/.local/share/quelbo-kv")" = 700 ] || fail "installed: folder mode"
grep -q 'Err ouverture de control.dat' "$tmp/installed.out" || fail "installed: first start"
# The settings of a later run are read back from there.
printf '0 0 0 1 97 98 2 1\n' >"$saves/control.dat"
run_installed installed-again
grep -q 'Err' "$tmp/installed-again.out" && fail "installed: $(cat "$tmp/installed-again.out")"
expect_file "$saves/control.dat" $'0 0 0 1 97 98 2 1\n'
run_installed xdg XDG_DATA_HOME="$tmp/xdg"
expect_file "$tmp/xdg/quelbo-kv/data/control.dat" $'0 0 0 1 119 113 0 0\n'

# 5. The window's scale on large and small desktops.
# geometry_on <WxH> <environment setting or ""> [options...]: the window's size, or "none".
geometry_on() {
    local size=$1 setting=$2 geo=none
    shift 2
    start_xvfb "$tmp" "$size" || { echo "Xvfb failed"; return; }
    (cd "$copy" && exec env ${setting:+"$setting"} SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy ./quelbo_kv "$@" \
        >"$tmp/window-$size.out" 2>&1) &
    prog_pid=$!
    if find_window; then
        geo=$(xdotool getwindowgeometry "$wid" | awk '/Geometry:/ {print $2}')
        [ -n "${QUELBO_SHOT_DIR:-}" ] && sleep 1 && shot "$wid" "window-$size-as-$geo"
    fi
    kill -TERM "$prog_pid" 2>/dev/null
    wait_exit "$prog_pid" 30
    kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=
    [ "$geo" = none ] && geo="none ($(cat "$tmp/window-$size.out" "$tmp/xvfb.log"))"
    echo "$geo"
}
g=$(geometry_on 3840x2160 "")
[ "$g" = 1080x1200 ] || fail "3840x2160: window $g, expected 1080x1200"
g=$(geometry_on 1280x1024 "")
[ "$g" = 540x600 ] || fail "1280x1024: window $g, expected 540x600"
g=$(geometry_on 3840x2160 "" --scale 1)
[ "$g" = 540x600 ] || fail "--scale 1 on 3840x2160: window $g"
g=$(geometry_on 3840x2160 SDL12COMPAT_WINDOW_SCALING=1)
[ "$g" = 540x600 ] || fail "the player's scale 1 on 3840x2160: window $g"

end_checks "all checks of the program outside its play folder passed"
