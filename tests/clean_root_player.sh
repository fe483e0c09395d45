#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The installed game as an ordinary player meets it, run by tests/clean_root_check.sh inside a
# freshly bootstrapped Debian root (beside a copy of window_lib.sh), under its own Xvfb, with the
# environment of a plain login and no SDL_* setting:
#  player <version>: --version; no display: the window's message and exit code 1; on a
#    3840x2160 screen, started from an unrelated folder, the window is 1080x1200 and shows the
#    menu, key 4 ends it with 0 and control.dat lies in the player's data folder; a whole game
#    to a new record writes scores.dat there; without HOME and XDG_DATA_HOME the account's
#    home is used; nothing is written into the working folder.
#  no-account: a user id the password database does not know, without HOME: the game runs,
#    shows its menu, ends with 0 and says that it has nowhere to save.
# Usage: bash clean_root_player.sh player <version> | bash clean_root_player.sh no-account
set -u
source "$(dirname "${BASH_SOURCE[0]}")/window_lib.sh"

mode=${1:?usage: clean_root_player.sh player <version> | no-account}
bin=/usr/games/quelbo-kv
scratch_setup player Xvfb xdotool import
elsewhere=$tmp/elsewhere
mkdir -p "$elsewhere" "$tmp/play"
scale=1
# start_game <env...> -- <options...>: the game from $elsewhere; sets prog_pid and wid.
start_game() {
    local settings=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do settings+=("$1"); shift; done
    [ $# -gt 0 ] && shift
    (cd "$elsewhere" && exec env "${settings[@]}" "$bin" "$@" \
        >"$tmp/play/stdout.txt" 2>"$tmp/play/stderr.txt") &
    prog_pid=$!
    find_window || fail "no window named Quelbo_KV within a minute"
}
# menu_then_4 <label>: the menu shows, key 4 ends the program with 0.
menu_then_4() {
    wait_until 30 on_menu || fail "$1: the menu did not show within 30 s"
    leave_from_menu
    [ "$status" = 0 ] || fail "$1: exit code $status after 4 in the menu"
    echo "ok: $1: menu shown, 4 ends it with 0"
}

if [ "$mode" = no-account ]; then
    [ -z "$(getent passwd "$(id -u)")" ] || fail "user $(id -u) has an account"
    start_xvfb "$tmp" || fail "Xvfb did not start: $(cat "$tmp/xvfb.log")"
    start_game env -u HOME -u XDG_DATA_HOME --
    menu_then_4 "uid $(id -u) without an account or HOME"
    grep -q '^MAIN / Err aucun dossier pour les sauvegardes' "$tmp/play/stdout.txt" ||
        fail "no account: output: $(cat "$tmp/play/stdout.txt")"
    echo "ok: no account: $(tr '\n' '|' <"$tmp/play/stdout.txt")"
    exit 0
fi

version=${2:?usage: clean_root_player.sh player <version>}
saves=$HOME/.local/share/quelbo-kv/data

# 1. The version, without any display.
out=$(cd "$elsewhere" && env -u DISPLAY timeout 20 "$bin" --version)
[ "$out" = "quelbo-kv $version" ] || fail "--version printed '$out'"
echo "ok: --version: $out"

# 2. No display at all. A failure here is counted and the window checks still run.
out=$(cd "$elsewhere" && env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 "$bin" 2>&1)
status=$?
keep_going=1
if [ "$status" != 1 ]; then
    fail "no display: exit code $status, output: $out"
elif ! grep -qE '^MAIN / Err init fenetre .*[^ ]' <<<"$out"; then
    fail "no display: exit 1, output: $out"
else
    echo "ok: no display: exit 1, $(grep '^MAIN / Err init fenetre' <<<"$out")"
fi
keep_going=0

# 3. A 4K desktop: the window twice the game's size, the menu, key 4.
start_xvfb "$tmp" 3840x2160 || fail "Xvfb did not start: $(cat "$tmp/xvfb.log")"
start_game --
geometry=$(timeout 20 xdotool getwindowgeometry "$wid" | awk '/Geometry:/ {print $2}')
[ "$geometry" = 1080x1200 ] || fail "3840x2160: window $geometry, expected 1080x1200"
echo "ok: window on 3840x2160: $geometry"
scale=2
wait_until 30 on_menu && shot "$wid" menu-4k
menu_then_4 "3840x2160"
expect_file "$saves/control.dat" $'0 0 0 1 119 113 0 0\n'
echo "ok: control.dat in $saves"

# 4. A whole game to a new record (at the game's own size, where the script reads its pixels).
scale=1
start_game -- --scale 1
play_to_record
[ "$status" = 0 ] || fail "the game: exit code $status"
check_scores "$saves/scores.dat"
echo "ok: a whole game: scores.dat in $saves, first line daa $score"

# 5. Without HOME and XDG_DATA_HOME: the account's home.
mv "$saves/control.dat" "$tmp/control.dat.before"
start_game env -u HOME -u XDG_DATA_HOME -- --scale 1
menu_then_4 "without HOME"
expect_file "$saves/control.dat" $'0 0 0 1 119 113 0 0\n'
echo "ok: without HOME: control.dat in the account's home, $saves"

[ -z "$(ls -A "$elsewhere")" ] || fail "files in the working folder: $(ls -A "$elsewhere")"
echo "ok: nothing written in the working folder"
end_checks "player checks passed"
