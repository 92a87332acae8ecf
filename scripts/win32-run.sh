#!/usr/bin/env bash
# Runs a Windows program in the 32-bit environment that win32-env.sh started
# in DIR: in its namespace and chroot, under the chroot's Wine, from the
# current folder (which must lie in this checkout, the part of the machine
# the chroot sees).
#   win32-run.sh DIR PROGRAM [ARGS...]
#   win32-run.sh DIR --server ARGS...    runs the prefix's wineserver instead
set -euo pipefail
dir=$(cd "$1" && pwd)
shift
holder=$(cat "$dir/holder.pid" 2>/dev/null) ||
    { echo "no 32-bit environment in $dir: run win32-env.sh start first" >&2; exit 1; }
display=$(cat "$dir/display")
# The 64-bit loader starts 32-bit programs too.
command=/usr/lib/wine/wine64
if [ "${1:-}" = --server ]; then
    shift
    command=/usr/lib/wine/wineserver64
fi
# What the tests are told from outside goes in; nothing else of this
# machine's environment does. File names reach Linux in UTF-8, so that any
# name a Windows program makes can be made (a test may still set LC_ALL).
passed=(LANG=C.UTF-8)
for name in BRISVANE_LINK_FOLDER BRISVANE_OUTSIDE_FOLDER LC_ALL; do
    [ -n "${!name:-}" ] && passed+=("$name=${!name}")
done
# A crash must not start the debugger: it would wait for ever.
exec nsenter --target "$holder" --user --mount --pid --root --wd -- \
    /usr/bin/env -i PATH=/usr/bin:/bin HOME=/root USER=root DISPLAY="$display" \
    WINEPREFIX="$dir/prefix" WINEDEBUG=-all "${passed[@]}" \
    WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winedbg.exe=d" \
    /bin/sh -c 'cd "$1" && shift && exec "$@"' sh "$PWD" "$command" "$@"
