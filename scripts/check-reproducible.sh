#!/usr/bin/env bash
# Makes the release zip twice, from copies of this checkout in two folders
# of different names, one after the other, and checks that both give the
# same brisvane.exe and zip, byte for byte, and that no build folder shows
# in the program.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}

for copy in first second-elsewhere; do
    mkdir "$work/$copy"
    # The checkout as it is now, edits included; build folders excluded.
    git ls-files -z --cached --others --exclude-standard |
        tar --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -xf - -C "$work/$copy"
    (cd "$work/$copy" && scripts/dist.sh) >"$work/$copy.log" 2>&1 ||
        { cat "$work/$copy.log" >&2; exit 1; }
done

# dist.sh ends by naming the zip.
zip=$(tail -n1 "$work/first.log")
status=0
for file in build/win32/bin/brisvane.exe "$zip"; do
    if ! cmp "$work/first/$file" "$work/second-elsewhere/$file"; then
        echo "$file differs between the two builds" >&2
        status=1
    fi
done
if strings -a "$work"/*/build/win32/bin/brisvane.exe | grep -F "$work"; then
    echo "a build folder shows in brisvane.exe (above)" >&2
    status=1
fi
[ $status -eq 0 ] || exit 1
(cd "$work/first" && sha256sum "$zip" build/win32/bin/brisvane.exe)
echo "the release is the same bytes from both folders"
