#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# ./play test in a freshly bootstrapped Debian release, from a clean clone of the committed
# repository, as a developer on that release starts. On demand only (not part of ./play test):
#  - a minimal root of the release (tests/root_lib.sh), kept in the build folder's
#    clean-root/<release>/ as the clean-root check keeps it, and the packages apt fetches in
#    build-debs/ there (apart from the other check's, so that both can run at once);
#  - proc, sys, the machine's /dev and /dev/pts, a shared memory folder and a /tmp in memory
#    mounted in the root, and git installed there;
#  - the committed HEAD cloned into the root (local changes and build folders stay out), then
#    ./play test there as root, without sudo: it installs what it needs with apt, builds, runs
#    every test, the style check, the sanitizer and fuzz builds and the package check;
#  - the versions of the tools it used.
# The root's mounts and processes go on every way out, a failure or a signal included.
# Usage (as root): bash tests/build_root_check.sh [<release>] [<build folder>]
#                  [--base <root folder or tarball>] [--no-valid-until]
#   The release trixie (the default), bookworm or forky; the build folder build/ by default.
set -u

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$top/tests/root_lib.sh"
root_options trixie "$@"
[ ${#root_args[@]} -le 1 ] ||
    fail "usage: build_root_check.sh [<release>] [<build folder>] $root_usage_options"
cache=${root_args[0]:-$top/build}/clean-root/$release
[ "$(id -u)" = 0 ] || fail "run as root: debootstrap, chroot and mounts need it"
commit=$(git -C "$top" rev-parse --short HEAD) || fail "$top is no git repository"
step "Debian $release, ./play test of commit $commit"
root_create "$cache"

mount_in_root /proc -t proc proc
mount_in_root /sys -t sysfs sysfs
# The machine's devices, kept private so that what is mounted below reaches no other view.
mount_in_root /dev --bind /dev
mount --make-private "$root/dev" || fail "cannot make $root/dev private"
mount_in_root /dev/pts --bind /dev/pts
mount_in_root /dev/shm -t tmpfs tmpfs
mount_in_root /tmp -t tmpfs -o mode=1777 tmpfs
mkdir -p "$cache/build-debs"
mount_in_root /var/cache/apt/archives --bind "$cache/build-debs"
echo "$(grep PRETTY_NAME "$root/etc/os-release")"

step "git in the root"
apt_in_root install --no-install-recommends git ||
    { tail -n 30 "$work/apt.log"; fail "git cannot be installed"; }
git clone -q --no-hardlinks "$top" "$root/root/quelbo-kv" || fail "git clone failed"
echo "cloned: $(git -C "$root/root/quelbo-kv" log --oneline -1)"

step "./play test in the root"
play_started=$SECONDS
waited in_root TERM=dumb bash -c 'cd /root/quelbo-kv && ./play test' </dev/null 2>&1
status=$?
play_time=$((SECONDS - play_started))

step "the tools of the run"
for tool in "g++ --version" "clang++ --version" "clang-format --version" \
    "clang-tidy --version" "cmake --version" "lintian --version" "appstreamcli --version"; do
    echo "$tool: $(in_root $tool 2>&1 | head -n1)"
done
in_root dpkg-query -W -f='${db:Status-Abbrev}${binary:Package} ${Version}\n' libgtest-dev \
    libopenmpt-dev libsdl1.2-dev libsdl1.2-compat-dev libsdl2-2.0-0 libsdl3-0 2>/dev/null |
    sed -n 's/^ii *//p'
[ "$status" = 0 ] || fail "./play test on $release: exit code $status after ${play_time} s"
step "build-root check on $release passed: ./play test took ${play_time} s"
