#!/usr/bin/env bash
# Sets up, builds, and runs the main job: corvane-cli repairs a copy of the sample site, shows what
# it changed, and puts the site back from its backups.
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
