#!/usr/bin/env bash
# Runs the program's benchmark under wine64 in an environment of its own,
# stopped again whatever the outcome.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$PWD/build/win64/bench/wine
trap 'scripts/wine-env.sh stop "$dir"' EXIT
scripts/wine-env.sh start "$dir"
scripts/wine-run.sh "$dir" build/win64/bin/ui_bench.exe
