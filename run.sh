#!/usr/bin/env bash
# Sets up, builds, and runs the main job: corvane-cli repairs a copy of the sample site, shows what
# it changed, and puts the site back from its backups; then, on a display, opens the wizard under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
cd "$root"
scripts/setup.sh
scripts/build-trees.sh

cli=build/native/src/corvane-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r examples/site "$work/site"
cp -r examples/site "$work/original"
# The sample site's Internet links point to example.com, which this machine cannot reach.
opts=(--no-check-internet-urls)

echo
echo "== corvane-cli search: every link that needs a change"
"$cli" search "${opts[@]}" "$work/site"
echo
echo "== corvane-cli review: the list of step 6"
"$cli" review "${opts[@]}" "$work/site"
echo
echo "== corvane-cli fix: the changes written, with .bak backups"
"$cli" fix "${opts[@]}" "$work/site"
echo
echo "== what changed"
(cd "$work" && diff -r -x '*.bak' original site) || true
echo
echo "== corvane-cli restore: the backups put back"
"$cli" restore "$work/site"
if diff -r "$work/original" "$work/site" >/dev/null; then
    echo "The site is back as it was, byte for byte."
else
    echo "The restored site differs from the original!" >&2
    exit 1
fi
echo
echo "The same program for Windows: build/win64/src/corvane-cli.exe (scripts/wine-run.sh runs it)."

# A display that answers; without xdpyinfo, a local display's socket has to be there.
display_usable() {
    [ -n "${DISPLAY:-}" ] || return 1
    if command -v xdpyinfo >/dev/null; then
        timeout 10 xdpyinfo >/dev/null 2>&1
    else
        case $DISPLAY in
            :*) local n=${DISPLAY#:}; [ -S "/tmp/.X11-unix/X${n%%.*}" ] ;;
            *) true ;;
        esac
    fi
}

echo
# CI may run with a virtual display where nobody would close the wizard.
if [ -z "${CI:-}" ] && display_usable; then
    cp -r examples/site "$work/wizard-site"
    site="Z:${work//\//\\}\\wizard-site"
    echo "== Corvane, the wizard, under Wine on a copy of the sample site: $site"
    echo "   (walk its steps; Exit ends it, and this script then removes the copy)"
    scripts/wine-run.sh build/win64/src/Corvane.exe "$site" || true
else
    echo "To see the wizard, run ./run.sh on a desktop, or: scripts/wine-run.sh build/win64/src/Corvane.exe"
    echo "(with a folder to work on, in Windows form: scripts/wine-run.sh build/win64/src/Corvane.exe 'Z:\\path\\to\\site')."
fi
