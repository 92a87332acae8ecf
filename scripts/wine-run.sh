#!/usr/bin/env bash
# Runs a Windows program in the environment that wine-env.sh started in DIR.
#   wine-run.sh DIR PROGRAM [ARGS...]
set -euo pipefail
dir=$1
shift
export WINEPREFIX=$dir/prefix WINEDEBUG=-all
DISPLAY=$(cat "$dir/display") || { echo "no display in $dir: run wine-env.sh start first" >&2; exit 1; }
export DISPLAY
exec /usr/lib/wine/wine64 "$@"
