#!/usr/bin/env bash
# Builds the picture generator and draws every picture of both programs again into resources/ (PREVIEW=dir also writes PAM previews).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
out="$root/build/pictures"
mkdir -p "$out" "$root/resources/pictures"
# shellcheck disable=SC2046
g++ -std=c++17 -O2 -Wall -Wextra -o "$out/generate_pictures" "$root/tools/pictures/generate_pictures.cpp" \
    $(pkg-config --cflags --libs freetype2 libopenjp2)
"$out/generate_pictures" "$root/resources" ${PREVIEW:+"$PREVIEW"}
