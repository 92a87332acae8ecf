#!/usr/bin/env bash
# Takes the README's pictures of Brisvane under wine64 on a virtual display
# of their own: docs/main-window.png, docs/run-in-progress.png and
# docs/files-not-destroyed.png.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh imagemagick fonts-wine
make --no-print-directory build-win64 >/dev/null

dir=$PWD/build/win64/screenshots
trap 'scripts/wine-env.sh stop "$dir/wine"' EXIT
scripts/wine-env.sh start "$dir/wine"
# This Wine build looks for its own fonts (Tahoma, the window buttons'
# Marlett) in a folder that does not exist, but finds them in the prefix.
ln -sf /usr/share/wine/fonts/*.ttf "$dir/wine/prefix/drive_c/windows/Fonts/"

scripts/wine-run.sh "$dir/wine" build/win64/bin/readme_screenshots.exe "Z:${dir//\//\\}" 2>/dev/null
mkdir -p docs
for name in main-window run-in-progress files-not-destroyed; do
    convert "$dir/$name.bmp" -strip "docs/$name.png"
    echo "docs/$name.png"
done
