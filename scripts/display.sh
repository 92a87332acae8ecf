# Sourced by the scripts that start a Windows environment: an Xvfb display of
# its own for the environment kept in $dir.

stop_display() {
    if [ -f "$dir/xvfb.pid" ]; then
        kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
        rm -f "$dir/xvfb.pid" "$dir/display"
    fi
}

# Writes the display's name (":N") to $dir/display.
start_display() {
    stop_display
    rm -f "$dir/display.fd"
    # -displayfd picks a free display number and writes it once it is ready.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
        3>"$dir/display.fd" >"$dir/xvfb.log" 2>&1 &
    echo $! >"$dir/xvfb.pid"
    for _ in $(seq 100); do
        [ -s "$dir/display.fd" ] && break
        kill -0 "$(cat "$dir/xvfb.pid")" 2>/dev/null || { cat "$dir/xvfb.log"; exit 1; }
        sleep 0.1
    done
    [ -s "$dir/display.fd" ] || { echo "Xvfb did not start"; exit 1; }
    echo ":$(tr -d '\n' <"$dir/display.fd")" >"$dir/display"
}
