#!/usr/bin/env bash
# Builds the release, the 32-bit brisvane.exe, and packs it with the read-me
# for Windows users (CRLF line ends) and their SHA256SUMS into
# dist/brisvane-VERSION-win32.zip.
# The same sources give the same zip anywhere, at any time: the program holds
# no build folder and no link time (see CMakeLists.txt), and the zip's entries
# have fixed order, permissions and times, the times those of
# SOURCE_DATE_EPOCH (by default the last commit's).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh python3
version=$(sed -n 's/^project(Brisvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# Exported for the build's tools too: the check's copies of the checkout,
# which have no git, then build in the same environment as a checkout.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
zip=dist/brisvane-$version-win32.zip

cmake --preset win32 >/dev/null
cmake --build --preset win32 --target brisvane --parallel "$(nproc)" >/dev/null
mkdir -p dist
python3 - "$SOURCE_DATE_EPOCH" build/win32/bin/brisvane.exe docs/windows-readme.txt "$zip" <<'PYTHON'
import hashlib, os, sys, time, zipfile

epoch, exe, readme, zip_path = sys.argv[1:]
with open(exe, 'rb') as f:
    program = f.read()
with open(readme, 'rb') as f:
    text = f.read().replace(b'\r\n', b'\n').replace(b'\n', b'\r\n')
files = {'brisvane.exe': program, 'README.txt': text}
files['SHA256SUMS'] = ''.join(f'{hashlib.sha256(data).hexdigest()}  {name}\n'
                              for name, data in sorted(files.items())).encode()

with zipfile.ZipFile(zip_path + '.part', 'w') as archive:
    for name in sorted(files):
        entry = zipfile.ZipInfo(name, time.gmtime(int(epoch))[:6])
        entry.create_system = 3  # Unix, whose permission bits follow
        entry.external_attr = 0o100644 << 16
        entry.compress_type = zipfile.ZIP_DEFLATED
        archive.writestr(entry, files[name])
os.replace(zip_path + '.part', zip_path)
PYTHON
echo "$zip"
