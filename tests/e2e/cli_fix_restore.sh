#!/usr/bin/env bash
# corvane-cli on a copy of the sample site: search finds the planted links, fix rewrites them
# with backups, restore gives back every file byte for byte.
# usage: cli_fix_restore.sh CLI [wine]   (with "wine", CLI is a Windows program run under Wine)
set -euo pipefail
cli=$1
mode=${2:-native}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$here/examples/site" "$work/site"
cp -r "$here/examples/site" "$work/original"

run() {
    if [ "$mode" = wine ]; then
        # The Windows program sees the copy as Z:\...
        local args=() a
        for a in "$@"; do
            if [ "${a#/}" != "$a" ]; then a="Z:${a//\//\\}"; fi
            args+=("$a")
        done
        "$here/scripts/wine-run.sh" "$cli" "${args[@]}" | tr -d '\r'
    else
        "$cli" "$@"
    fi
}
fail() { echo "FAIL: $*" >&2; exit 1; }

out=$(run search --no-check-internet-urls "$work/site")
echo "$out" | grep -q '^>> Searching for broken links \.\.\.' || fail "no broken-links pass in: $out"
echo "$out" | grep -q '^Done: [1-9][0-9]* change(s) to apply in 9 file(s)$' || fail "unexpected summary: $out"
diff -r "$work/original" "$work/site" >/dev/null || fail "search changed the site"

run fix --no-check-internet-urls "$work/site" >"$work/fix.log" || fail "fix failed: $(cat "$work/fix.log")"
grep -q 'applied successfully' "$work/fix.log" || fail "no apply status: $(cat "$work/fix.log")"
grep -q 'href="images/logo.gif"\|src="images/logo.gif"' "$work/site/index.htm" || fail "index.htm not repaired"
[ -f "$work/site/index.htm.bak" ] || fail "no backup of index.htm"
cmp -s "$work/site/index.htm.bak" "$work/original/index.htm" || fail "the backup is not the old text"

out=$(run restore "$work/site")
echo "$out" | grep -q '^[1-9][0-9]* backup file(s) restored$' || fail "unexpected restore report: $out"
diff -r "$work/original" "$work/site" || fail "restore did not give back the site byte for byte"

# A folder that is not there is an error for every command, not an empty run.
while read -r command message; do
    status=0
    err=$(run "$command" "$work/no such folder" 2>&1 >/dev/null) || status=$?
    [ "$status" -eq 1 ] || fail "$command on a missing folder exited $status"
    echo "$err" | grep -q "^corvane-cli: $message: " || fail "$command on a missing folder said: $err"
done <<'EOF_CASES'
search no such file or folder
restore no such folder
delete-backups no such folder
EOF_CASES
echo "fix and restore round trip: ok"
