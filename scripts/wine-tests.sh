#!/usr/bin/env bash
# Runs the Windows tree's tests under Wine; meant to run inside xvfb-run, so that the prefix's
# wineserver and desktop are started with the display that the windows of the tests need.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/wine-env.sh"
# A wineserver left from a run without a display would keep its desktop without one.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
# One wineserver for the whole run saves starting it for every program.
"$root/scripts/wine-run.sh" cmd /c exit >/dev/null 2>&1 || true
wineserver -p 2>/dev/null || true
status=0
ctest --test-dir "$root/build/win64" --output-on-failure "$@" || status=1
wineserver -k 2>/dev/null || true
exit "$status"
