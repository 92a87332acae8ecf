#!/usr/bin/env bash
# Installs what building and testing Brisvane needs on a Debian machine,
# and the extra packages named as arguments (what one script alone uses).
# Does nothing when everything is already there.
#   install-deps.sh [PACKAGE...]
set -euo pipefail

# libclang-rt-14-dev holds the runtimes behind clang's -fsanitize=fuzzer,
# address and undefined; the clang packages only recommend it.
packages=(cmake make g++ googletest clang libclang-rt-14-dev
          g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
          wine wine64 xvfb xauth
          "$@")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
