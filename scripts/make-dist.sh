#!/usr/bin/env bash
# Builds the release in dist/: Corvane.exe, Restavo.exe, Guide.chm, README.txt and the installer Corvane-Setup.exe.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build/win64"
dist="$root/dist"

command -v makensis >/dev/null || { echo "make-dist: makensis is missing; run scripts/setup.sh" >&2; exit 1; }
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$build" --target Corvane Restavo guide installer -j"${JOBS:-2}"

rm -rf "$dist"
mkdir -p "$dist"
cp "$build/src/Corvane.exe" "$build/src/Restavo.exe" "$build/src/Guide.chm" "$build/installer/README.txt" \
    "$build/installer/Corvane-Setup.exe" "$dist/"
ls -l "$dist"
