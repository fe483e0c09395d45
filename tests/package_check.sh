#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Debian package as a player gets it:
#  - lintian reports no error and no warning; the desktop entry and the AppStream file validate;
#  - it holds the program, every data file, the icons in every size, the font as a link to the
#    file of fonts-comic-neue, and no data/ folder; it depends on the font and the libraries,
#    and on the SDL 1.2 compatibility layer with no alternative;
#  - one version: the package's, the one the program prints, the AppStream release; one home
#    page: the package's and the AppStream file's;
#  - unpacked into a scratch root and started from an unrelated folder with a scratch HOME under
#    its own Xvfb: the menu shows, key 4 ends it with 0 and control.dat lies in
#    $HOME/.local/share/quelbo-kv/data/; a whole game to a new record writes scores.dat there;
#    nothing is written into the working folder or the unpacked tree; started from a folder
#    that holds pics/ and a data/ of links to the player's files, it shows its menu all the
#    same and writes nothing there;
#  - without a display it prints "MAIN / Err init fenetre" with a reason and exits 1.
# Usage: bash package_check.sh <quelbo-kv_<version>_<arch>.deb>
set -u
source "$(dirname "${BASH_SOURCE[0]}")/window_lib.sh"

deb=$(realpath "${1:?usage: package_check.sh <package.deb>}")
[ -f "$deb" ] || { echo "FAIL: $deb is missing"; exit 1; }
scratch_setup package lintian desktop-file-validate appstreamcli dpkg-deb Xvfb xdotool import \
    identify

# 1. The package tools' verdicts, shown in full.
echo "== lintian"
timeout 600 lintian --fail-on error,warning --display-info "$deb" >"$tmp/lintian.txt" 2>&1
lintian_status=$?
cat "$tmp/lintian.txt"
[ "$lintian_status" = 0 ] || fail "lintian: exit code $lintian_status"

root=$tmp/root
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x failed"
desktop=$root/usr/share/applications/org.quelbo_kv.quelbo_kv.desktop
metainfo=$root/usr/share/metainfo/org.quelbo_kv.quelbo_kv.metainfo.xml
echo "== desktop-file-validate"
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate: $out"
echo "== appstreamcli validate"
out=$(timeout 60 appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli: $out"
echo "$out"
grep -qE '^[EW]:' <<<"$out" && fail "appstreamcli reports errors or warnings"

# 2. The files.
bin=$root/usr/games/quelbo-kv
data=$root/usr/share/games/quelbo-kv
[ -x "$bin" ] || fail "no executable usr/games/quelbo-kv"
for f in pics/menu.bmp pics/select.bmp pics/board.jpg pics/skin0.bmp pics/skin1.bmp \
    pics/skin2.bmp pics/options.bmp pics/clavier.jpeg pics/joystick.jpeg pics/cup.bmp \
    pics/icone.bmp sounds/tune1.mod sounds/tune2.mod sounds/tune3.mod sounds/tune4.mod \
    sounds/tune5.mod sounds/applause.wav; do
    [ -s "$data/$f" ] || fail "usr/share/games/quelbo-kv/$f is missing or empty"
done
[ -e "$data/data" ] && fail "the package holds a data/ folder"
for n in 16 22 24 32 48 64 128 256; do
    icon=$root/usr/share/icons/hicolor/${n}x${n}/apps/quelbo-kv.png
    [ -f "$icon" ] || fail "no ${n}x${n} icon"
    size=$(identify -format '%wx%h' "$icon" 2>&1)
    [ "$size" = "${n}x${n}" ] || fail "the ${n}x${n} icon is $size"
done
[ -f "$root/usr/share/man/man6/quelbo-kv.6.gz" ] || fail "no manual page in section 6"
[ -f "$root/usr/share/doc/quelbo-kv/copyright" ] || fail "no copyright file"

# The font is a link that, once installed, ends on a file of fonts-comic-neue.
font_link=$data/font/comic.ttf
[ -L "$font_link" ] || fail "font/comic.ttf is not a link"
font=$(cd / && realpath -m "/usr/share/games/quelbo-kv/font/$(readlink "$font_link")")
[ -f "$font" ] || fail "font/comic.ttf leads to $font, which is not here"
owner=$(dpkg -S "$font" 2>/dev/null | cut -d: -f1)
[ "$owner" = fonts-comic-neue ] || fail "$font belongs to '$owner', not to fonts-comic-neue"

# Depends: the font and the computed library dependencies.
depends=$(dpkg-deb -f "$deb" Depends)
names=$(tr ',|' '\n\n' <<<"$depends" | awk '{print $1}')
# (From Debian 13 on, libraries that moved to a 64-bit time_t carry the suffix t64.)
for p in fonts-comic-neue libc6 libopenmpt0 libsdl-ttf2.0-0; do
    grep -qxE "${p//./\\.}(t64)?" <<<"$names" || fail "Depends does not name $p: $depends"
done
# The SDL 1.2 library must be the compatibility layer: one clause of Depends names it with no
# alternative, so no choice apt makes can bring the classic library.
shim_alone=$(tr ',' '\n' <<<"$depends" |
    awk -F'|' '{ n = 0; for (i = 1; i <= NF; i++) { split($i, w, " "); if (w[1] == "libsdl1.2-compat-shim") n++ }
                 if (n > 0 && n == NF) print "yes" }')
[ -n "$shim_alone" ] || fail "Depends lets apt choose the classic SDL 1.2 library: $depends"

# The program runs in a folder of its own with a HOME of its own, as a player would start it.
home=$tmp/home
elsewhere=$tmp/elsewhere
mkdir -p "$home" "$elsewhere" "$tmp/play"
saves=$home/.local/share/quelbo-kv/data
# run_unpacked <program arguments...>: the unpacked program without any display.
run_unpacked() {
    (cd "$elsewhere" && timeout 20 env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER \
        -u XDG_DATA_HOME HOME="$home" SDL_AUDIODRIVER=dummy "$bin" "$@")
}

# One version everywhere.
version=$(dpkg-deb -f "$deb" Version)
out=$(run_unpacked --version)
status=$?
[ "$status" = 0 ] || fail "--version: exit code $status, output: $out"
[ "$out" = "quelbo-kv $version" ] || fail "--version printed '$out', expected 'quelbo-kv $version'"
release=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$metainfo" | head -n1)
[ "$release" = "$version" ] || fail "the AppStream release is '$release', the package $version"
# One home page: the package's and the AppStream file's.
homepage=$(dpkg-deb -f "$deb" Homepage)
url=$(sed -n 's|.*<url type="homepage">\([^<]*\)</url>.*|\1|p' "$metainfo")
[ -n "$homepage" ] && [ "$url" = "$homepage" ] ||
    fail "the AppStream home page is '$url', the package's '$homepage'"

# 3. The unpacked game, started as a player would. In the scratch root, the font that the
# package depends on is the system's.
mkdir -p "$root$(dirname "$font")"
ln -s "$font" "$root$font"
find "$root" -printf '%P %s %T@\n' | sort >"$tmp/root-before.txt"

start_xvfb "$tmp" || fail "Xvfb did not start: $(cat "$tmp/xvfb.log")"

# start_game [folder]: the unpacked program started in the folder ($elsewhere by default); sets
# prog_pid and wid.
start_game() {
    (cd "${1:-$elsewhere}" && exec env -u XDG_DATA_HOME HOME="$home" SDL_VIDEODRIVER=x11 \
        SDL_AUDIODRIVER=dummy "$bin" >"$tmp/play/stdout.txt" 2>"$tmp/play/stderr.txt") &
    prog_pid=$!
    find_window || fail "no window named Quelbo_KV within a minute"
}

echo "== the unpacked game: menu, then key 4"
start_game
wait_until 30 on_menu || fail "the menu did not show within 30 s"
leave_from_menu
[ "$status" = 0 ] || fail "key 4 in the menu: exit code $status"
[ -f "$saves/control.dat" ] || fail "no control.dat in $saves"

echo "== the unpacked game started from a folder with pics/ and data/ of links"
# The working folder is no play folder: its pictures are not the game's, and its data/ leads
# to files of the player's that must stay as they are.
lure=$tmp/lure
mkdir -p "$lure/pics" "$lure/data"
echo "not a picture" >"$lure/pics/menu.bmp"
echo "the player's notes" >"$home/notes.txt"
echo "the player's profile" >"$home/profile.sh"
ln -s "$home/notes.txt" "$lure/data/control.dat"
ln -s "$home/profile.sh" "$lure/data/scores.dat"
listing() { find "$lure" "$home/notes.txt" "$home/profile.sh" -printf '%p %s %T@ %l\n' | sort; }
listing >"$tmp/lure-before.txt"
start_game "$lure"
wait_until 30 on_menu || fail "started from a folder with pics/: the menu did not show"
leave_from_menu
[ "$status" = 0 ] || fail "started from a folder with pics/: exit code $status"
listing >"$tmp/lure-after.txt"
cmp -s "$tmp/lure-before.txt" "$tmp/lure-after.txt" ||
    fail "the working folder or the player's files changed: $(diff "$tmp/lure-before.txt" \
        "$tmp/lure-after.txt")"
rm -f "$home/notes.txt" "$home/profile.sh"

echo "== the unpacked game: a whole game to a new record"
start_game
play_to_record
[ "$status" = 124 ] && fail "the program did not end after 4 in the menu"
[ "$status" = 0 ] || fail "the game: exit code $status"
check_scores "$saves/scores.dat"

[ -z "$(ls -A "$elsewhere")" ] || fail "files in the working folder: $(ls -A "$elsewhere")"
written=$(cd "$home/.local/share/quelbo-kv" && find . ! -type d | sort | tr '\n' ' ')
[ "$written" = "./data/control.dat ./data/scores.dat " ] ||
    fail "the saves folder holds: $written"
find "$root" -printf '%P %s %T@\n' | sort >"$tmp/root-after.txt"
cmp -s "$tmp/root-before.txt" "$tmp/root-after.txt" ||
    fail "the unpacked tree changed: $(diff "$tmp/root-before.txt" "$tmp/root-after.txt")"

# 4. No display at all.
echo "== the unpacked game without a display"
out=$(run_unpacked 2>&1)
status=$?
[ "$status" = 1 ] || fail "without a display: exit code $status, output: $out"
grep -qE '^MAIN / Err init fenetre .*[^ ]' <<<"$out" ||
    fail "without a display: no 'MAIN / Err init fenetre' with a reason in: $out"

echo "package checks passed: quelbo-kv $version, score $score"
