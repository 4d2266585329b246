#!/usr/bin/env bash
# Builds the picture generator (target generate_pictures of the native tree) and draws every picture of both programs
# again into resources/ (PREVIEW=dir also writes PAM previews).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build="$root/build/native"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" --target generate_pictures -j"${JOBS:-2}" >/dev/null
mkdir -p "$root/resources/pictures"
"$build/tools/generate_pictures" "$root/resources" ${PREVIEW:+"$PREVIEW"}
