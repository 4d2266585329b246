#!/usr/bin/env bash
# Installs what is missing, builds both trees and runs every test: natively, then the Windows programs under Wine.
set -uo pipefail
root=$(cd "$(dirname "$0")" && pwd)
cd "$root"

scripts/setup.sh || { echo "setup failed" >&2; exit 1; }
scripts/build-trees.sh || { echo "build failed" >&2; exit 1; }

status=0
echo "== native tests"
ctest --test-dir build/native --output-on-failure -j2 || status=1

echo "== Windows tests under Wine"
xvfb-run -a -s "-screen 0 1280x1024x24" scripts/wine-tests.sh || status=1

if [ "$status" -ne 0 ]; then echo "tests failed" >&2; fi
exit "$status"
