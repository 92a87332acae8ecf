#!/usr/bin/env bash
# What the Windows tests need made or done from outside Wine, since a Windows
# program cannot do it there itself:
#   DIR/links/chosen/link.txt  a POSIX symbolic link to DIR/links/elsewhere/target.txt
#   drive R: of PREFIX         the folder DIR/drive-r, as the root of a USB stick
#   DIR/requests/*.rename      served while the fixture runs: a request of two
#                              lines, two POSIX paths, renames the first over the
#                              second, as an editor's save or a sync client does,
#                              and is then removed
#   outside-fixtures.sh start DIR PREFIX
#   outside-fixtures.sh stop DIR
set -euo pipefail
action=${1:?usage: outside-fixtures.sh start DIR PREFIX | stop DIR}
dir=${2:?usage: outside-fixtures.sh start DIR PREFIX | stop DIR}

serve_requests() {
    while [ -d "$dir/requests" ]; do
        for request in "$dir"/requests/*.rename; do
            [ -e "$request" ] || continue
            { read -r from; read -r to; } <"$request"
            mv -f -- "$from" "$to" || echo "could not rename $from over $to" >&2
            rm -f -- "$request"
        done
        sleep 0.05
    done
}

stop() {
    if [ -f "$dir/requests.pid" ]; then
        kill "$(cat "$dir/requests.pid")" 2>/dev/null || true
        rm -f "$dir/requests.pid"
    fi
}

case $action in
start)
    prefix=${3:?usage: outside-fixtures.sh start DIR PREFIX}
    stop
    rm -rf "$dir"
    mkdir -p "$dir/links/chosen" "$dir/links/elsewhere" "$dir/drive-r" "$dir/requests"
    printf 'This file was not chosen and must keep its bytes.\n' >"$dir/links/elsewhere/target.txt"
    ln -s ../elsewhere/target.txt "$dir/links/chosen/link.txt"
    ln -sfn "$dir/drive-r" "$prefix/dosdevices/r:"
    # Detached from the caller's output, which a test runner reads to its end.
    serve_requests >"$dir/requests.log" 2>&1 </dev/null &
    echo $! >"$dir/requests.pid"
    ;;
stop)
    stop
    ;;
*)
    echo "usage: outside-fixtures.sh start DIR PREFIX | stop DIR" >&2
    exit 2
    ;;
esac
