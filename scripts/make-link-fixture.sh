#!/usr/bin/env bash
# Makes, afresh, a POSIX symbolic link for the Windows tests, which cannot
# make one under Wine themselves: DIR/chosen/link.txt leads to
# DIR/elsewhere/target.txt.
#   make-link-fixture.sh DIR
set -euo pipefail
dir=${1:?usage: make-link-fixture.sh DIR}
rm -rf "$dir"
mkdir -p "$dir/chosen" "$dir/elsewhere"
printf 'This file was not chosen and must keep its bytes.\n' >"$dir/elsewhere/target.txt"
ln -s ../elsewhere/target.txt "$dir/chosen/link.txt"
