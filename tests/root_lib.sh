# SPDX-License-Identifier: MIT
# Shared pieces of the checks that run in a scratch Debian root, tests/clean_root_check.sh and
# tests/build_root_check.sh (sourced, not run; as root):
#  - root_options <args...>: the release (bookworm, trixie, forky...) and the options common to
#    both checks, see root_usage;
#  - root_create <cache folder>: a minimal root of that release in a scratch folder, from a
#    tarball kept in the cache folder, else from --base, else bootstrapped (debootstrap
#    --variant=minbase) from the mirror this machine's apt uses, then kept there;
#  - mount_in_root, in_root, apt_in_root, waited: mounts that go on the way out, commands in the
#    root, apt with fresh lists when the cached ones fall short, commands a signal interrupts;
#  - on every way out, a failure or a signal included: the running job, every process whose
#    root is the scratch root, the mounts in reverse order, then the scratch folder.

started=$SECONDS
work=
root=
mounts=()
job=
release=
base=
ignore_valid_until=
fail() {
    echo "FAIL: $*"
    exit 1
}
# step <text>: a heading with the seconds since the start.
step() { echo "== [$((SECONDS - started)) s] $*"; }

root_usage_options='[--base <root folder or tarball>] [--no-valid-until]'
# root_options <default release> <args...>: sets release, base and ignore_valid_until from
# --base, --no-valid-until and a release name; what else there is goes into root_args.
#   --base: a minimal root already bootstrapped (a folder or a tarball of one, left as it is)
#     to start from instead of debootstrap, when the cache has none yet;
#   --no-valid-until: apt in the root accepts a Release file past its Valid-Until date, as a
#     mirror kept from an earlier day has. Always for forky: testing's Release files are valid
#     for a week only. Set in the scratch root alone.
root_args=()
root_options() {
    release=$1
    shift
    while [ $# -gt 0 ]; do
        case $1 in
        --base) base=${2:?--base needs a folder or a tarball}; shift ;;
        --no-valid-until) ignore_valid_until=1 ;;
        -*) fail "unknown option $1" ;;
        *)
            if [[ "$1" =~ ^[a-z]+$ ]] && [ ! -e "$1" ]; then release=$1; else root_args+=("$1"); fi
            ;;
        esac
        shift
    done
    [ "$release" = forky ] && ignore_valid_until=1
    return 0
}

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
# root_cleanup: the running job (with its process group, which debootstrap has), then every
# process whose root is the scratch root, by id; the mounts in reverse order; then the scratch
# folder, only when nothing is mounted below it any more.
root_cleanup() {
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
trap root_cleanup EXIT
trap 'exit 130' INT TERM HUP

# root_mirror: sets mirror to the first URI of the stanza of debian.sources whose suites hold
# this machine's own release.
root_mirror() {
    local sources=/etc/apt/sources.list.d/debian.sources own uris= suites= line
    own=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    mirror=
    take_stanza() {
        [ -z "$mirror" ] && [[ " $suites " == *" $own "* ]] && mirror=${uris%% *}
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
    [ -n "$mirror" ] || fail "no mirror for ${own:-this release} in $sources"
}

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

# root_apt_settings: the root's apt settings of this run (Valid-Until), and name resolution.
root_apt_settings() {
    local conf=$root/etc/apt/apt.conf.d/99quelbo-check
    if [ -n "$ignore_valid_until" ]; then
        echo 'Acquire::Check-Valid-Until "false";' >"$conf"
    else
        rm -f "$conf"
    fi
    rm -f "$root/etc/resolv.conf"
    cp -L /etc/resolv.conf "$root/etc/resolv.conf"
}

# root_create <cache folder>: the scratch folder ($work) and a root of $release in it ($root),
# with package lists and no services started.
root_create() {
    local cache=$1 tarball=$1/minbase.tar
    work=$(mktemp -d "${TMPDIR:-/tmp}/quelbo_root.XXXXXX")
    work=$(realpath "$work")
    root=$work/root
    mkdir -p "$root" "$cache"
    if [ -f "$tarball" ]; then
        step "unpacking the cached $release root $tarball"
        tar -xpf "$tarball" --numeric-owner -C "$root" || fail "cannot unpack $tarball"
        root_apt_settings
    else
        if [ -d "$base" ]; then
            step "copying the $release root $base (first run only)"
            cp -a "$base/." "$root/" || fail "cannot copy $base"
        elif [ -f "$base" ]; then
            step "unpacking the $release root $base (first run only)"
            tar -xpf "$base" --numeric-owner -C "$root" || fail "cannot unpack $base"
        else
            [ -z "$base" ] || fail "--base $base is neither a folder nor a file"
            root_debootstrap
        fi
        root_apt_settings
        waited in_root apt-get -q update >"$work/apt.log" 2>&1 ||
            { cat "$work/apt.log"; fail "apt-get update"; }
        grep -qx "VERSION_CODENAME=$release" "$root/etc/os-release" ||
            fail "the root is no $release: $(grep PRETTY_NAME "$root/etc/os-release")"
        tar -cpf "$tarball.part" --numeric-owner -C "$root" . && mv "$tarball.part" "$tarball" ||
            fail "cannot write $tarball"
        echo "cached as $tarball ($(du -m "$tarball" | cut -f1) MB)"
    fi
    printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
    chmod 755 "$root/usr/sbin/policy-rc.d"
}

# root_debootstrap: a minimal $release into $root from the mirror of this machine's apt.
# debootstrap knows only the releases out when it was; later ones are bootstrapped as sid is.
root_debootstrap() {
    local script=/usr/share/debootstrap/scripts/$release
    if ! command -v debootstrap >/dev/null; then
        step "installing debootstrap"
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            debootstrap >/dev/null 2>&1 || { apt-get update -qq &&
            DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
                debootstrap; } || fail "debootstrap cannot be installed"
    fi
    [ -e "$script" ] || script=/usr/share/debootstrap/scripts/sid
    root_mirror
    step "debootstrap --variant=minbase $release from $mirror (first run only; script $script)"
    waited setsid debootstrap --variant=minbase "$release" "$root" "$mirror" "$script" \
        >"$work/debootstrap.log" 2>&1 ||
        { tail -n 30 "$work/debootstrap.log"; fail "debootstrap failed"; }
}
