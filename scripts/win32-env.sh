#!/usr/bin/env bash
# The environment the 32-bit tests run in. This machine runs no 32-bit x86
# code natively, so 32-bit Windows programs run under Wine inside a Debian 13
# chroot whose 32-bit half runs under qemu-i386 (user-mode emulation).
#   win32-env.sh prepare     make the chroot, once per machine (kept in a cache)
#   win32-env.sh start DIR   start Xvfb, and a private namespace holding the
#                            chroot, a Wine prefix kept under DIR and its wineserver
#   win32-env.sh stop DIR    stop what start started
# The namespace (user, mount and PID) carries its own binfmt_misc entry for
# qemu-i386 and its own mounts: nothing outside it changes, and all of it
# ends when the namespace does. scripts/win32-run.sh runs programs in it.
set -euo pipefail

root_dir=$(cd "$(dirname "$0")/.." && pwd)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/brisvane/win32
chroot_dir=$cache/root
stamp=$cache/root.done
readonly suite=trixie
readonly x_libraries=(libgnutls30t64 libxrandr2 libxrender1 libxi6 libxcursor1
                      libxcomposite1 libxinerama1 libxfixes3 libxxf86vm1)
readonly packages=(qemu-user wine wine64 wine32:i386 fonts-wine
                   "${x_libraries[@]}" "${x_libraries[@]/%/:i386}")
# A chroot made from another list is made again.
readonly recipe="$suite ${packages[*]}"

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi

case ${1:-} in
start|stop)
    dir=$(mkdir -p "${2:?usage: win32-env.sh start|stop DIR}" && cd "$2" && pwd)
    # shellcheck source=display.sh
    source "$root_dir/scripts/display.sh"
    run=$root_dir/scripts/win32-run.sh
    ;;
esac

# The Debian mirror this machine's own packages come from.
debian_mirror() {
    local uri
    uri=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
          grep -v '^ *#' | grep -oE 'https?://[^ ]+/debian/?( |$)' | head -n1 | tr -d ' ') || true
    echo "${uri:-http://deb.debian.org/debian}"
}

make_chroot() {
    echo "making the 32-bit test system in $chroot_dir (once per machine, a few minutes)"
    "${sudo[@]}" rm -rf "$chroot_dir"
    "${sudo[@]}" debootstrap --variant=minbase "$suite" "$chroot_dir" "$(debian_mirror)"
    # Package scripts want /proc: a private one, in a mount namespace of their own.
    in_chroot() {
        "${sudo[@]}" unshare --mount --pid --fork --mount-proc="$chroot_dir/proc" \
            chroot "$chroot_dir" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin \
            DEBIAN_FRONTEND=noninteractive "$@"
    }
    in_chroot dpkg --add-architecture i386
    in_chroot apt-get update -q
    in_chroot apt-get install -y -q --no-install-recommends "${packages[@]}"
    in_chroot apt-get clean
    echo "$recipe" >"$stamp"
}

prepare() {
    mkdir -p "$cache"
    # Two builds on one machine may prepare at once: one makes, the other waits.
    exec 9>"$cache/lock"
    flock 9
    if [ "$(cat "$stamp" 2>/dev/null)" != "$recipe" ]; then
        rm -f "$stamp"
        "$root_dir/scripts/install-deps.sh" debootstrap
        make_chroot
    fi
    exec 9>&-
}

prepare_or_explain() {
    local status
    # Not run as a condition: there bash would ignore set -e inside it.
    set +e
    (set -e; prepare)
    status=$?
    set -e
    if [ $status -ne 0 ]; then
        echo "win32-env.sh: could not make the 32-bit test system in $chroot_dir;" \
             "the 32-bit tests cannot run (see above)" >&2
        exit $status
    fi
}

# The namespace's first process: its private binfmt_misc entry and mounts,
# then it waits in the chroot for the namespace's end.
hold_namespace() {
    local elf_i386='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    local elf_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    # F: the emulator is opened now, outside the chroot; P: Wine reads its argv[0].
    echo ":qemu-i386:M::$elf_i386:$elf_mask:$chroot_dir/usr/bin/qemu-i386:FP" \
        >/proc/sys/fs/binfmt_misc/register
    mount -t proc proc "$chroot_dir/proc"
    mount -t tmpfs tmpfs "$chroot_dir/dev/shm"
    # Wine's server socket lives in /tmp: one per namespace.
    mount -t tmpfs tmpfs "$chroot_dir/tmp"
    # Again for a checkout under /tmp, whose mount point the tmpfs hides.
    mkdir -p "$chroot_dir$root_dir"
    mount --bind "$root_dir" "$chroot_dir$root_dir"
    # Its number outside the namespace, which this /proc still counts in.
    local outside_pid
    read -r outside_pid _ </proc/self/stat
    echo "$outside_pid" >"$dir/holder.pid"
    # As the namespace's init it must reap the processes Wine leaves orphaned;
    # bash does, between its own children.
    exec chroot "$chroot_dir" /bin/bash -c 'while :; do sleep 3600 & wait $!; done'
}

make_prefix() {
    [ -f "$dir/prefix/system.reg" ] && return
    # No Mono or Gecko: nothing here needs them, and their installers would wait.
    WINEDLLOVERRIDES="mscoree,mshtml=" "$run" "$dir" wineboot -i
    # Without a window manager every hidden window would stall for seconds.
    "$run" "$dir" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
    "$run" "$dir" --server -w
}

start() {
    # Whatever an interrupted run left running goes first.
    stop
    start_display
    rm -f "$dir/holder.pid"
    # Where the checkout shows in the chroot: made here, where a user who is
    # not root may use sudo.
    "${sudo[@]}" mkdir -p "$chroot_dir$root_dir"
    unshare --user --map-root-user --mount --pid --fork --kill-child \
        bash -c "$(declare -f hold_namespace); $(declare -p chroot_dir root_dir dir);
                 set -euo pipefail; hold_namespace" &
    echo $! >"$dir/namespace.pid"
    for _ in $(seq 100); do
        [ -s "$dir/holder.pid" ] && break
        kill -0 "$(cat "$dir/namespace.pid")" 2>/dev/null || { echo "the namespace ended during start"; exit 1; }
        sleep 0.1
    done
    [ -s "$dir/holder.pid" ] || { echo "the namespace was not ready within 10 s"; exit 1; }
    make_prefix
    # One server and one set of Wine's own services for the whole run saves
    # their start-up in every test.
    "$run" "$dir" --server -p
    "$run" "$dir" wineboot
}

stop() {
    local namespace
    namespace=$(cat "$dir/namespace.pid" 2>/dev/null) || namespace=
    # A number left from an earlier boot may name another program by now.
    if [ -n "$namespace" ] && [ "$(cat "/proc/$namespace/comm" 2>/dev/null)" = unshare ]; then
        # The server saves the prefix's registry as it ends; the rest of the
        # namespace ends with its first process.
        "$run" "$dir" --server -k 2>/dev/null || true
        "$run" "$dir" --server -w 2>/dev/null || true
        # unshare ignores SIGTERM while it waits; its first process dies with it.
        kill -KILL "$namespace" 2>/dev/null || true
    fi
    rm -f "$dir/namespace.pid" "$dir/holder.pid"
    stop_display
}

case ${1:-} in
prepare)
    prepare_or_explain
    ;;
start)
    prepare_or_explain
    # What start leaves running must not hold the caller's output open (a
    # test runner waits for that to close), so it writes to a log instead.
    set +e
    (set -e; start) >"$dir/start.log" 2>&1 </dev/null
    status=$?
    set -e
    [ $status -eq 0 ] || { cat "$dir/start.log" >&2; stop; exit $status; }
    ;;
stop)
    stop
    ;;
*)
    echo "usage: win32-env.sh prepare | start DIR | stop DIR" >&2
    exit 2
    ;;
esac
