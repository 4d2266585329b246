#!/usr/bin/env bash
# Sets up, builds, and runs the main job.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
cd "$root"
scripts/setup.sh
scripts/build-trees.sh
echo
echo "Built so far: the portable link engine (build/native, build/win64) and its tests."
echo "The programs Corvane.exe, Restavo.exe and corvane-cli are not built yet."
