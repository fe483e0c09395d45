#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Debian package on a freshly bootstrapped Debian 12, as a new player gets it. On demand
# only (not part of ./play test): the first run downloads a base system.
#  - a minimal Debian 12 (debootstrap --variant=minbase bookworm) from the mirror this
#    machine's apt uses, read from /etc/apt/sources.list.d/debian.sources; the root is kept as
#    a tarball under the build folder, and so are the packages apt fetches, so a second run
#    downloads nothing;
#  - apt installs the package there with what it depends on; ldd finds every library, and the
#    SDL 1.2 library is the compatibility layer, not the classic one;
#  - then, under Xvfb inside the root, tests/clean_root_player.sh as an ordinary user: the
#    version, the no-display exit, the 1080x1200 window and the menu on a 3840x2160 screen,
#    key 4, control.dat and (after a game) scores.dat in the player's data folder, the
#    account's home without HOME; and as a user id without an account;
#  - apt remove takes the game and leaves the player's saves.
# The root's mounts and processes go on every way out, a failure or a signal included.
# Usage (as root): bash tests/clean_root_check.sh [<package.deb> [<build folder>]]
#   By default the package of ./play package (dist/) and the build folder build/.
set -u

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
version=$(dpkg-parsechangelog -l "$top/debian/changelog" -S Version)
deb=${1:-$top/dist/quelbo-kv_${version}_$(dpkg --print-architecture).deb}
cache=${2:-$top/build}/clean-root
started=$SECONDS

work=
root=
mounts=()
job=
fail() {
    echo "FAIL: $*"
    exit 1
}
# step <text>: a heading with the seconds since the start.
step() { echo "== [$((SECONDS - started)) s] $*"; }

# waited <command...>: runs the command in the background and waits for it, so that a signal
# ends the script at once instead of after the command.
waited() {
    "$@" &
    job=$!
    wait "$job"
    local status=$?
    job=
    return "$status"
}
# in_root_pids: the processes whose root is the scratch root.
in_root_pids() {
    local p
    for p in /proc/[0-9]*; do
        [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && echo "${p#/proc/}"
    done
}
# cleanup: the running job (with its process group, which debootstrap has), then every process
# whose root is the scratch root, by id; the mounts in reverse order; then the scratch folder,
# only when nothing is mounted below it any more.
cleanup() {
    local p i
    [ -n "$work" ] || return
    if [ -n "$job" ]; then
        kill -KILL -- "-$job" 2>/dev/null
        kill -KILL "$job" 2>/dev/null
    fi
    if [ -n "$root" ]; then
        for p in $(in_root_pids); do kill -KILL "$p" 2>/dev/null; done
        for i in 1 2 3 4 5 6 7 8 9 10; do
            [ -z "$(in_root_pids)" ] && break
            sleep 0.5
        done
    fi
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}" ||
            echo "cleanup: could not unmount ${mounts[i]}"
    done
    if grep -q " $work/" /proc/mounts; then
        echo "cleanup: mounts are left below $work, kept it"
    else
        rm -rf --one-file-system "$work"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

[ "$(id -u)" = 0 ] || fail "run as root: debootstrap, chroot and mounts need it"
deb=$(realpath "$deb" 2>/dev/null) && [ -f "$deb" ] ||
    fail "no package ${1:-at dist/}: build it first with ./play package"
if ! command -v debootstrap >/dev/null; then
    step "installing debootstrap"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap \
        >/dev/null 2>&1 || { apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap; } ||
        fail "debootstrap cannot be installed"
fi

# The first URI of the stanza of debian.sources whose suites hold bookworm itself.
mirror=
sources=/etc/apt/sources.list.d/debian.sources
uris=
suites=
take_stanza() {
    [ -z "$mirror" ] && [[ " $suites " == *" bookworm "* ]] && mirror=${uris%% *}
    uris=
    suites=
}
while IFS= read -r line || [ -n "$line" ]; do
    line=${line//$'\t'/ }
    case $line in
    URIs:*) uris=$(echo ${line#URIs:}) ;;
    Suites:*) suites=$(echo ${line#Suites:}) ;;
    "") take_stanza ;;
    esac
done <"$sources"
take_stanza
[ -n "$mirror" ] || fail "no bookworm mirror in $sources"

work=$(mktemp -d "${TMPDIR:-/tmp}/quelbo_cleanroot.XXXXXX")
work=$(realpath "$work")
root=$work/root
mkdir -p "$root" "$cache/debs" "$cache/shots"
base=$cache/bookworm-minbase.tar

# in_root <command...>: a command in the root as root, with a plain environment.
in_root() {
    chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive "$@"
}
mount_in_root() { # mount_in_root <point in the root> <mount arguments...>
    local point=$root$1
    shift
    mkdir -p "$point"
    mount "$@" "$point" || fail "mount $* $point failed"
    mounts+=("$point")
}
# apt_in_root <apt-get arguments...>: with fresh package lists when the cached ones fall short.
apt_in_root() {
    waited in_root apt-get -y -q "$@" >>"$work/apt.log" 2>&1 && return 0
    waited in_root apt-get -q update >>"$work/apt.log" 2>&1 &&
        waited in_root apt-get -y -q "$@" >>"$work/apt.log" 2>&1
}

if [ -f "$base" ]; then
    step "unpacking the cached base root $base"
    tar -xpf "$base" --numeric-owner -C "$root" || fail "cannot unpack $base"
else
    step "debootstrap --variant=minbase bookworm from $mirror (first run only)"
    waited setsid debootstrap --variant=minbase bookworm "$root" "$mirror" \
        >"$work/debootstrap.log" 2>&1 ||
        { tail -n 30 "$work/debootstrap.log"; fail "debootstrap failed"; }
    cp -L /etc/resolv.conf "$root/etc/resolv.conf"
    waited in_root apt-get -q update >"$work/apt.log" 2>&1 ||
        { cat "$work/apt.log"; fail "apt-get update"; }
    tar -cpf "$base.part" --numeric-owner -C "$root" . && mv "$base.part" "$base" ||
        fail "cannot write $base"
    echo "cached as $base ($(du -m "$base" | cut -f1) MB)"
fi

# What a root needs to install and run: name resolution, no services started, proc, sys, a
# shared memory folder, and the package cache kept between runs.
rm -f "$root/etc/resolv.conf"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
mount_in_root /proc -t proc proc
mount_in_root /sys -t sysfs sysfs
mount_in_root /dev/shm -t tmpfs tmpfs
mount_in_root /var/cache/apt/archives --bind "$cache/debs"

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
[[ "$sdl_file" == */sdl12-compat/* ]] || fail "libSDL-1.2.so.0 is $sdl_file, not the compatibility layer"
echo "libSDL-1.2.so.0 -> $sdl_file"
in_root dpkg-query -W -f='${Status}' libsdl1.2debian 2>/dev/null | grep -q 'ok installed' &&
    fail "the classic SDL 1.2 library (libsdl1.2debian) is installed"
echo "libsdl1.2debian: not installed; $(in_root dpkg-query -W -f='${Package} ${Version}' libsdl1.2-compat-shim)"
in_root ldconfig -p | grep -q 'libSDL2-2.0.so.0 ' || fail "no libSDL2-2.0.so.0 for the layer to load"

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
as_user player:player HOME=/home/player USER=player -- player "$version" ||
    fail "the player's checks"
step "as user id 4242, which has no account"
as_user 4242:4242 -- no-account || fail "the checks without an account"
cp "$root"/var/tmp/shots/*.png "$cache/shots/" 2>/dev/null

# The classic SDL 1.2 library, which the package keeps out, picks a driver without a window
# when there is no display: the game must refuse it all the same.
step "no display with the classic SDL 1.2 library (loaded by hand, not installed)"
waited in_root sh -c 'cd /tmp && apt-get download libsdl1.2debian' >>"$work/apt.log" 2>&1 ||
    { waited in_root apt-get -q update >>"$work/apt.log" 2>&1 &&
        waited in_root sh -c 'cd /tmp && apt-get download libsdl1.2debian' >>"$work/apt.log" 2>&1; } ||
    fail "libsdl1.2debian cannot be downloaded"
in_root sh -c 'dpkg-deb -x /tmp/libsdl1.2debian_*.deb /opt/classic-sdl' || fail "cannot unpack it"
classic_deps=$(in_root dpkg-deb -f "$(cd "$root" && echo tmp/libsdl1.2debian_*.deb)" Depends |
    sed 's/([^)]*)//g; s/,/ /g')
apt_in_root install --no-install-recommends $classic_deps ||
    { tail -n 30 "$work/apt.log"; fail "what the classic library needs cannot be installed"; }
waited chroot --userspec=player:player "$root" env -i PATH=/usr/bin:/bin HOME=/home/player \
    TERM=xterm LD_LIBRARY_PATH=/opt/classic-sdl/usr/lib/x86_64-linux-gnu sh -c \
    'cd /tmp && timeout 20 /usr/games/quelbo-kv </dev/null 2>/dev/null; echo "exit $?"' \
    >"$work/classic.txt"
out=$(cat "$work/classic.txt")
library=$(chroot --userspec=player:player "$root" env LD_LIBRARY_PATH=/opt/classic-sdl/usr/lib/x86_64-linux-gnu \
    ldd /usr/games/quelbo-kv | awk '$1 == "libSDL-1.2.so.0" {print $3}')
[[ "$library" == /opt/classic-sdl/* ]] || fail "the classic library was not the one loaded: $library"
# (The message follows the text-mode driver's own terminal codes on the same line.)
grep -q 'MAIN / Err init fenetre .*[^ ]' <<<"$out" && grep -qx 'exit 1' <<<"$out" ||
    fail "with the classic library and no display: $out"
echo "classic library $library: $(grep -o 'MAIN / Err init fenetre.*' <<<"$out"), $(tail -n1 <<<"$out")"

step "apt remove quelbo-kv"
saves=$root/home/player/.local/share/quelbo-kv/data
apt_in_root remove quelbo-kv || { tail -n 30 "$work/apt.log"; fail "apt remove failed"; }
[ -e "$root/usr/games/quelbo-kv" ] && fail "the program is still there after apt remove"
for f in control.dat scores.dat; do
    [ -s "$saves/$f" ] || fail "apt remove took $f"
done
echo "saves kept: $(cd "$saves" && ls | tr '\n' ' ')"

step "clean-root check passed (pictures in $cache/shots)"
