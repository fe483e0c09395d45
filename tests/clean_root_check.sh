#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Debian package on a freshly bootstrapped Debian release, as a new player gets it. On
# demand only (not part of ./play test): the first run downloads a base system.
#  - a minimal root of the release (debootstrap --variant=minbase, see tests/root_lib.sh) from
#    the mirror this machine's apt uses; the root is kept as a tarball in the build folder's
#    clean-root/<release>/, and so are the packages apt fetches, so a second run downloads
#    nothing;
#  - apt installs the package there with what it depends on; ldd finds every library, and the
#    SDL 1.2 library is the compatibility layer (of the source package sdl12-compat), with no
#    package of the classic library installed;
#  - then, under Xvfb inside the root, tests/clean_root_player.sh as an ordinary user: the
#    version, the no-display exit, the 1080x1200 window and the menu on a 3840x2160 screen,
#    key 4, control.dat and (after a game) scores.dat in the player's data folder, the
#    account's home without HOME; and as a user id without an account;
#  - where the release still has the classic SDL 1.2 library (Debian 12), the game loaded with
#    it refuses to start without a display;
#  - apt remove takes the game and leaves the player's saves.
# A failed check of the game as a player is reported at the end, after the other steps.
# The root's mounts and processes go on every way out, a failure or a signal included.
# Usage (as root): bash tests/clean_root_check.sh [<release>] [<package.deb> [<build folder>]]
#                  [--base <root folder or tarball>] [--no-valid-until]
#   The release bookworm (the default), trixie or forky; by default the package of
#   ./play package (dist/) and the build folder build/. --base and --no-valid-until: see
#   tests/root_lib.sh.
set -u

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$top/tests/root_lib.sh"
root_options bookworm "$@"
version=$(dpkg-parsechangelog -l "$top/debian/changelog" -S Version)
deb=${root_args[0]:-$top/dist/quelbo-kv_${version}_$(dpkg --print-architecture).deb}
cache=${root_args[1]:-$top/build}/clean-root/$release
[ ${#root_args[@]} -le 2 ] ||
    fail "usage: clean_root_check.sh [<release>] [<package.deb> [<build folder>]]" \
        "$root_usage_options"

[ "$(id -u)" = 0 ] || fail "run as root: debootstrap, chroot and mounts need it"
deb=$(realpath "$deb" 2>/dev/null) && [ -f "$deb" ] ||
    fail "no package ${root_args[0]:-at dist/}: build it first with ./play package"
step "Debian $release, package $(basename "$deb")"
mkdir -p "$cache/shots" "$cache/debs"
root_create "$cache"

# What a root needs to install and run: proc, sys, a shared memory folder, and the package
# cache kept between runs.
mount_in_root /proc -t proc proc
mount_in_root /sys -t sysfs sysfs
mount_in_root /dev/shm -t tmpfs tmpfs
mount_in_root /var/cache/apt/archives --bind "$cache/debs"
echo "$(grep PRETTY_NAME "$root/etc/os-release")"

step "apt install ./$(basename "$deb")"
cp "$deb" "$root/tmp/quelbo-kv.deb"
before=$(in_root dpkg-query -W -f='${binary:Package}\n' | wc -l)
apt_in_root install /tmp/quelbo-kv.deb || { tail -n 30 "$work/apt.log"; fail "apt install failed"; }
after=$(in_root dpkg-query -W -f='${binary:Package}\n' | wc -l)
echo "installed: quelbo-kv and $((after - before - 1)) packages it needs"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"

step "the libraries"
ldd_out=$(in_root ldd /usr/games/quelbo-kv) || fail "ldd failed: $ldd_out"
grep -q 'not found' <<<"$ldd_out" && fail "libraries not found: $(grep 'not found' <<<"$ldd_out")"
echo "ldd: $(wc -l <<<"$ldd_out") libraries, none missing"
sdl=$(awk '$1 == "libSDL-1.2.so.0" {print $3}' <<<"$ldd_out")
sdl_file=$(in_root readlink -f "$sdl")
sdl_package=$(in_root dpkg -S "$sdl_file" 2>/dev/null | cut -d: -f1)
sdl_source=$(in_root dpkg-query -W -f='${source:Package}' "$sdl_package" 2>/dev/null)
[ "$sdl_source" = sdl12-compat ] ||
    fail "libSDL-1.2.so.0 is $sdl_file of '$sdl_package' (source '$sdl_source'), not the layer"
echo "libSDL-1.2.so.0 -> $sdl_file, of $sdl_package (source sdl12-compat)"
classic=$(in_root dpkg-query -W -f='${db:Status-Abbrev} ${binary:Package} ${source:Package}\n' |
    awk '$1 == "ii" && $3 == "libsdl1.2" {print $2}')
[ -z "$classic" ] || fail "the classic SDL 1.2 library is installed: $classic"
echo "no package of the classic SDL 1.2 library (source libsdl1.2) installed"
in_root ldconfig -p | grep -q 'libSDL2-2.0.so.0 ' ||
    fail "no libSDL2-2.0.so.0 for the layer to load"
echo "SDL installed: $(in_root dpkg-query -W \
    -f='${db:Status-Abbrev}${binary:Package} ${Version} (source ${source:Package})\n' \
    libsdl1.2debian libsdl1.2-compat-shim libsdl2-2.0-0 libsdl3-0 2>/dev/null |
    sed -n 's/^ii *//p' | paste -sd ';')"

step "the tools of the check: Xvfb, xdotool, ImageMagick"
apt_in_root install --no-install-recommends xvfb xauth xdotool imagemagick ||
    { tail -n 30 "$work/apt.log"; fail "the tools cannot be installed"; }

step "as the player, under Xvfb in the root"
in_root useradd -m -s /bin/bash player || fail "useradd failed"
mkdir -p "$root/opt/quelbo-check" "$root/var/tmp/shots" "$root/tmp/.X11-unix"
chmod 1777 "$root/var/tmp/shots" "$root/tmp/.X11-unix"
cp "$top/tests/window_lib.sh" "$top/tests/clean_root_player.sh" "$root/opt/quelbo-check/"
as_user() { # as_user <user:group> <environment...> -- <script arguments...>
    local who=$1 settings=()
    shift
    while [ "$1" != -- ]; do settings+=("$1"); shift; done
    shift
    waited chroot --userspec="$who" "$root" env -i PATH=/usr/local/bin:/usr/bin:/bin:/usr/games \
        LANG=C.UTF-8 QUELBO_SHOT_DIR=/var/tmp/shots "${settings[@]}" \
        bash /opt/quelbo-check/clean_root_player.sh "$@"
}
# A failure of the player's checks is counted and the later steps still run.
failed=()
as_user player:player HOME=/home/player USER=player -- player "$version" ||
    failed+=("the player's checks")
step "as user id 4242, which has no account"
as_user 4242:4242 -- no-account || failed+=("the checks without an account")
cp "$root"/var/tmp/shots/*.png "$cache/shots/" 2>/dev/null

# The classic SDL 1.2 library, which the package keeps out, picks a driver without a window
# when there is no display: the game must refuse it all the same. From Debian 13 on, the
# package libsdl1.2debian is the compatibility layer itself and the classic library is gone.
classic_source=$(in_root apt-cache show --no-all-versions libsdl1.2debian 2>/dev/null |
    sed -n 's/^Source: \([^ ]*\).*/\1/p' | head -n1)
if [ "$classic_source" != libsdl1.2 ]; then
    step "no classic SDL 1.2 library in $release to load by hand: libsdl1.2debian is of" \
        "the source ${classic_source:-libsdl1.2debian}"
else
    step "no display with the classic SDL 1.2 library (loaded by hand, not installed)"
    classic_lib=/opt/classic-sdl/usr/lib/x86_64-linux-gnu
    download() {
        in_root sh -c 'cd /tmp && apt-get download libsdl1.2debian' >>"$work/apt.log" 2>&1
    }
    waited download || { waited in_root apt-get -q update >>"$work/apt.log" 2>&1 &&
        waited download; } || fail "libsdl1.2debian cannot be downloaded"
    in_root sh -c 'dpkg-deb -x /tmp/libsdl1.2debian_*.deb /opt/classic-sdl' ||
        fail "cannot unpack it"
    classic_deps=$(in_root dpkg-deb -f "$(cd "$root" && echo tmp/libsdl1.2debian_*.deb)" Depends |
        sed 's/([^)]*)//g; s/,/ /g')
    apt_in_root install --no-install-recommends $classic_deps ||
        { tail -n 30 "$work/apt.log"; fail "what the classic library needs cannot be installed"; }
    waited chroot --userspec=player:player "$root" env -i PATH=/usr/bin:/bin HOME=/home/player \
        TERM=xterm LD_LIBRARY_PATH=$classic_lib sh -c \
        'cd /tmp && timeout 20 /usr/games/quelbo-kv </dev/null 2>/dev/null; echo "exit $?"' \
        >"$work/classic.txt"
    out=$(cat "$work/classic.txt")
    library=$(chroot --userspec=player:player "$root" env LD_LIBRARY_PATH=$classic_lib \
        ldd /usr/games/quelbo-kv | awk '$1 == "libSDL-1.2.so.0" {print $3}')
    [[ "$library" == /opt/classic-sdl/* ]] ||
        fail "the classic library was not the one loaded: $library"
    # (The message follows the text-mode driver's own terminal codes on the same line.)
    grep -q 'MAIN / Err init fenetre .*[^ ]' <<<"$out" && grep -qx 'exit 1' <<<"$out" ||
        fail "with the classic library and no display: $out"
    echo "classic library $library: $(grep -o 'MAIN / Err init fenetre.*' <<<"$out")," \
        "$(tail -n1 <<<"$out")"
fi

step "apt remove quelbo-kv"
saves=$root/home/player/.local/share/quelbo-kv/data
apt_in_root remove quelbo-kv || { tail -n 30 "$work/apt.log"; fail "apt remove failed"; }
[ -e "$root/usr/games/quelbo-kv" ] && fail "the program is still there after apt remove"
for f in control.dat scores.dat; do
    [ -s "$saves/$f" ] || fail "apt remove took $f"
done
echo "saves kept: $(cd "$saves" && ls | tr '\n' ' ')"

[ ${#failed[@]} = 0 ] || fail "$(IFS=';'; echo "${failed[*]}") on $release (above)"
step "clean-root check on $release passed (pictures in $cache/shots)"
