#!/usr/bin/env bash
# corvane-cli search --json on the sample site, addressed as S:\site, gives exactly the files,
# records, second-pass links, log and status kept in sample_site_search.json.
# usage: cli_sample_search.sh CLI [wine]   (with "wine", CLI is a Windows program run under Wine)
set -euo pipefail
cli=$1
mode=${2:-native}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
expected="$here/tests/e2e/sample_site_search.json"
work=$(mktemp -d)
cp -r "$here/examples/site" "$work/site"

if [ "$mode" = wine ]; then
    # Wine's drive S: is a link in the prefix; it names the copy for this run only.
    source "$here/scripts/wine-env.sh"
    wine_prefix_ready
    drive="$WINEPREFIX/dosdevices/s:"
    trap 'rm -f "$drive"; rm -rf "$work"' EXIT
    rm -f "$drive"
    ln -s "$work" "$drive"
    "$here/scripts/wine-run.sh" "$cli" search --json --no-check-internet-urls 'S:\site' >"$work/raw.txt"
    # Windows' line ends, each made once.
    if grep -qv $'\r$' "$work/raw.txt" || grep -q $'\r\r' "$work/raw.txt"; then
        echo "FAIL: the output's lines do not all end in one CR LF" >&2
        exit 1
    fi
    actual=$(tr -d '\r' <"$work/raw.txt")
else
    trap 'rm -rf "$work"' EXIT
    actual=$("$cli" search --json --no-check-internet-urls --drive "S=$work" 'S:\site')
fi

if [ "${UPDATE_EXPECTED:-}" = 1 ]; then
    printf '%s\n' "$actual" | python3 -m json.tool --indent 1 >"$expected"
    echo "wrote $expected"
    exit 0
fi
# Compared as JSON documents, so that the file can be kept readable.
printf '%s\n' "$actual" >"$work/actual.json"
if ! python3 - "$expected" "$work/actual.json" <<'PY'
import json, sys
expected = json.load(open(sys.argv[1], encoding="utf-8"))
actual = json.load(open(sys.argv[2], encoding="utf-8"))
if expected != actual:
    for key in expected:
        if expected[key] != actual.get(key):
            print("differs in", key, file=sys.stderr)
            print(" expected:", json.dumps(expected[key])[:2000], file=sys.stderr)
            print(" actual:  ", json.dumps(actual.get(key))[:2000], file=sys.stderr)
    sys.exit(1)
PY
then
    echo "FAIL: the search of the sample site differs from $expected" >&2
    exit 1
fi
echo "search of the sample site: as expected"
