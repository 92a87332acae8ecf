#!/usr/bin/env bash
# Runs the 64-bit build of Brisvane under Wine, in a prefix of its own that is
# kept between runs (so is the password it stores in the registry).
# With DISPLAY set, the program opens there. Without it, the program gets an
# Xvfb display of its own; once its first window is drawn, a screenshot of the
# screen goes to build/run/screen.png. Either way the script waits until the
# program exits or Ctrl-C, then stops what it started.
set -euo pipefail

readonly wine=/usr/lib/wine/wine64
readonly wineserver=/usr/lib/wine/wineserver64
readonly window_timeout=60  # seconds for the first window to be drawn

root=$(cd "$(dirname "$0")/.." && pwd)
exe=$root/build/win64/bin/brisvane.exe
out=$root/build/run
export WINEPREFIX=${XDG_DATA_HOME:-$HOME/.local/share}/brisvane/wine WINEDEBUG=-all

[ -f "$exe" ] || { echo "no $exe (the win64 preset builds it)" >&2; exit 1; }
headless=
[ -n "${DISPLAY:-}" ] || headless=1
# Wine's own fonts (see make_prefix) and, without a display, the tools that
# find the window and take the screenshot.
packages=(fonts-wine)
if [ -n "$headless" ]; then
    packages+=(x11-utils imagemagick)
fi
"$root/scripts/install-deps.sh" "${packages[@]}"
mkdir -p "$out" "$(dirname "$WINEPREFIX")"

xvfb_pid=
program_pid=
stop() {
    [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true
    # Also ends the services Wine started for the program.
    "$wineserver" -k 2>/dev/null || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        rm -f "$out/display.fd"
    fi
}
trap stop EXIT
trap 'echo; exit 130' INT
trap 'exit 143' TERM

start_display() {
    rm -f "$out/display.fd"
    # -displayfd picks a free display number and writes it once it is ready.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
        3>"$out/display.fd" >"$out/xvfb.log" 2>&1 </dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$out/display.fd" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || { cat "$out/xvfb.log" >&2; exit 1; }
        sleep 0.1
    done
    [ -s "$out/display.fd" ] || { echo "Xvfb did not start" >&2; exit 1; }
    DISPLAY=:$(tr -d '\n' <"$out/display.fd")
    export DISPLAY
}

make_prefix() {
    [ -f "$WINEPREFIX/system.reg" ] && return
    echo "making the Wine prefix $WINEPREFIX (once)"
    # No Mono or Gecko: Brisvane needs neither, and their installers would wait.
    WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot -i >"$out/wineboot.log" 2>&1 </dev/null ||
        { cat "$out/wineboot.log" >&2; exit 1; }
    # This Wine build looks for its own fonts (Tahoma, the window buttons'
    # Marlett) in a folder that does not exist, but finds them in the prefix.
    ln -sf /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
}

# A window manager places and decorates Wine's windows; without one, Wine must
# do that itself (Managed=N) or every hidden window stalls for seconds. The
# prefix serves both cases, so the value follows the display of this run.
set_window_management() {
    local key='HKCU\Software\Wine\X11 Driver'
    if [ -n "$headless" ]; then
        "$wine" reg add "$key" /v Managed /d N /f >/dev/null 2>&1 </dev/null
    else
        "$wine" reg delete "$key" /v Managed /f >/dev/null 2>&1 </dev/null || true
    fi
}

# Prints the name of a drawn top-level window of the program, if there is one.
program_window() {
    local id name
    # Wine names the class of each of a program's windows after the program.
    xwininfo -root -children 2>/dev/null |
        sed -n 's/^ *\(0x[0-9a-f]*\) \(".*"\): ("brisvane.exe" .*/\1 \2/p' |
        while read -r id name; do
            if xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
                echo "$name"
                break
            fi
        done
}

# Saves the screen once it stops changing: a window is mapped before it is painted.
screenshot() {
    local shot=$out/screen.png next=$out/screen.next.png
    import -silent -window root -strip "$shot"
    for _ in $(seq 40); do
        sleep 0.25
        import -silent -window root -strip "$next"
        cmp -s "$shot" "$next" && break
        mv "$next" "$shot"
    done
    rm -f "$next"
}

if [ -n "$headless" ]; then
    start_display
fi
make_prefix
set_window_management

# Wine's services outlive the program and inherit its output: a log, not the terminal.
"$wine" "$exe" >"$out/brisvane.log" 2>&1 </dev/null &
program_pid=$!

if [ -n "$headless" ]; then
    echo "Brisvane runs on the virtual display $DISPLAY"
    window=
    for _ in $(seq $((window_timeout * 4))); do
        window=$(program_window)
        [ -n "$window" ] && break
        if ! kill -0 "$program_pid" 2>/dev/null; then
            status=0
            wait "$program_pid" || status=$?
            program_pid=
            echo "Brisvane exited with code $status before it showed a window (log: $out/brisvane.log)" >&2
            exit $((status ? status : 1))
        fi
        sleep 0.25
    done
    [ -n "$window" ] || { echo "Brisvane showed no window within $window_timeout s" >&2; exit 1; }
    screenshot
    echo "window $window is up; screenshot: $out/screen.png"
    echo "Brisvane keeps running until it exits; Ctrl-C stops it"
fi

status=0
wait "$program_pid" || status=$?
program_pid=
exit $status
