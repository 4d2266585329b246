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
export WINEPREFIX="$root/build/wineprefix"
export WINEDEBUG=-all
# One wineserver for the whole run saves starting it for every program.
scripts/wine-run.sh cmd /c exit >/dev/null 2>&1 || true
wineserver -p 2>/dev/null || true
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build/win64 --output-on-failure || status=1
wineserver -k 2>/dev/null || true

if [ "$status" -ne 0 ]; then echo "tests failed" >&2; fi
exit "$status"
