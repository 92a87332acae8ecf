#!/usr/bin/env bash
# Starts or stops the private Windows environment the tests run in: a Wine
# prefix and an X display of their own, both kept under DIR.
#   wine-env.sh start DIR    make the prefix if needed, start Xvfb and wineserver
#   wine-env.sh stop DIR     stop what start started
set -euo pipefail

readonly wine=/usr/lib/wine/wine64
readonly wineserver=/usr/lib/wine/wineserver64

action=${1:?usage: wine-env.sh start|stop DIR}
dir=$(mkdir -p "${2:?usage: wine-env.sh start|stop DIR}" && cd "$2" && pwd)
export WINEPREFIX=$dir/prefix WINEDEBUG=-all

# shellcheck source=display.sh
source "$(dirname "$0")/display.sh"

make_prefix() {
    [ -f "$WINEPREFIX/system.reg" ] && return
    # No Mono or Gecko: nothing here needs them, and their installers would wait.
    WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot -i
    # Without a window manager every hidden window would stall for seconds.
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
    "$wineserver" -w
}

start() {
    start_display
    export DISPLAY=$(cat "$dir/display")
    make_prefix
    # One server and one set of Wine's own services for the whole run saves
    # their start-up in every test. Starting them here also keeps them from
    # inheriting the output of the first test, which its runner reads to the end.
    "$wineserver" -p
    "$wine" wineboot
}

case $action in
start)
    # What start leaves running must not hold the caller's output open (a
    # test runner waits for that to close), so it writes to a log instead.
    # Not run as a condition: there bash would ignore set -e inside it.
    set +e
    (set -e; start) >"$dir/start.log" 2>&1 </dev/null
    status=$?
    set -e
    [ $status -eq 0 ] || { cat "$dir/start.log" >&2; exit $status; }
    ;;
stop)
    "$wineserver" -k 2>/dev/null || true
    stop_display
    ;;
*)
    echo "usage: wine-env.sh start|stop DIR" >&2
    exit 2
    ;;
esac
