#!/usr/bin/env bash
# Runs a Windows program in the environment that wine-env.sh started in DIR.
#   wine-run.sh DIR PROGRAM [ARGS...]
set -euo pipefail
dir=$1
shift
export WINEPREFIX=$dir/prefix WINEDEBUG=-all
# File names reach Linux in UTF-8, so that any name a Windows program makes
# can be made, whatever the caller's locale (a test may still set LC_ALL).
export LANG=C.UTF-8
unset LC_CTYPE
DISPLAY=$(cat "$dir/display") || { echo "no display in $dir: run wine-env.sh start first" >&2; exit 1; }
export DISPLAY
exec /usr/lib/wine/wine64 "$@"
