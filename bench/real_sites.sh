#!/usr/bin/env bash
# Measures corvane-cli on a real site: what a search proposes for its working links, and how a fix repairs a reorganised copy.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)

usage() {
    cat <<USAGE
usage: bench/real_sites.sh [options] FOLDER [-- extra corvane-cli options]
  --cli PATH         corvane-cli to measure (default: build/bench, else build/native)
  --section REL      the folder to move one level down (default: the largest top folder with at most
                     a quarter of the pages)
  --renames N        pages renamed by letter case (default 5)
  --keep             keep the working folder (its path is printed)
  --fragments [N]    measure the #fragment check instead: a search of the healthy copy, then a fix of a copy
                     with 1 in N linked anchors renamed (default 10) and a section's anchors moved
FOLDER is any folder of HTML pages; it is copied (symbolic links followed) and never changed.
Exit status: 0 no working link changed, 1 a working link proposed for a change or damaged,
2 bad usage or a tool missing.
USAGE
}

cli=
section=()
renames=5
keep=0
fragments=0
share=10
site=
extra=()
while [ $# -gt 0 ]; do
    case $1 in
        --cli) cli=${2:?}; shift 2 ;;
        --section) section=(--section "${2:?}"); shift 2 ;;
        --renames) renames=${2:?}; shift 2 ;;
        --keep) keep=1; shift ;;
        --fragments) fragments=1; shift; case ${1:-} in [0-9]*) share=$1; shift ;; esac ;;
        -h|--help) usage; exit 0 ;;
        --) shift; extra=("$@"); break ;;
        -*) echo "unknown argument: $1" >&2; usage >&2; exit 2 ;;
        *) [ -z "$site" ] || { usage >&2; exit 2; }; site=$1; shift ;;
    esac
done
[ -n "$site" ] && [ -d "$site" ] || { usage >&2; exit 2; }
if [ -z "$cli" ]; then
    for c in "$root/build/bench/src/corvane-cli" "$root/build/native/src/corvane-cli"; do
        if [ -x "$c" ]; then cli=$c; break; fi
    done
fi
[ -n "$cli" ] && [ -x "$cli" ] || { echo "corvane-cli is not built (see bench/README.md)" >&2; exit 2; }
command -v python3 >/dev/null || { echo "python3 is missing" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-real.XXXXXX") || exit 2
if [ $keep -eq 1 ]; then echo "working folder: $work"; else trap 'rm -rf "$work"' EXIT; fi
py() { python3 "$here/real_sites.py" "$@"; }

py copy "$site" "$work/healthy" || exit 2
pages=$(find "$work/healthy" -type f \( -iname '*.htm' -o -iname '*.html' -o -iname '*.shtml' \) | wc -l)
files=$(find "$work/healthy" -type f | wc -l)
echo "site: $site ($pages pages, $files files)"
echo "corvane-cli: $cli"

status=0
if [ $fragments -eq 1 ]; then
    echo "== healthy site: corvane-cli search --check-fragments"
    "$cli" search --no-check-internet-urls --check-fragments --json "${extra[@]}" "$work/healthy" >"$work/search.json" ||
        { echo "corvane-cli search failed" >&2; exit 2; }
    py fragments-healthy "$work/healthy" "$work/search.json" || status=1
    echo "== anchors renamed and a section moved: corvane-cli fix --check-fragments"
    cp -r "$work/healthy" "$work/site"
    py fragments-reorganise "$work/site" "$work/moves.json" --share "$share" || exit 2
    cp -r "$work/site" "$work/before"
    "$cli" fix --no-check-internet-urls --no-backups --check-fragments "${extra[@]}" "$work/site" >"$work/fix.log" ||
        { echo "corvane-cli fix failed (see $work/fix.log)" >&2; keep=1; trap - EXIT; exit 2; }
    py fragments-score "$work/before" "$work/site" "$work/moves.json" || status=1
    exit $status
fi
echo "== healthy site: corvane-cli search"
"$cli" search --no-check-internet-urls --json "${extra[@]}" "$work/healthy" >"$work/search.json" ||
    { echo "corvane-cli search failed" >&2; exit 2; }
py healthy "$work/healthy" "$work/search.json" || status=1

echo "== reorganised copy: corvane-cli fix"
cp -r "$work/healthy" "$work/site"
py reorganise "$work/site" "$work/moves.json" "${section[@]}" --renames "$renames" || exit 2
"$cli" fix --no-check-internet-urls --no-backups "${extra[@]}" "$work/site" >"$work/fix.log" ||
    { echo "corvane-cli fix failed (see $work/fix.log)" >&2; keep=1; trap - EXIT; exit 2; }
py score "$work/healthy" "$work/site" "$work/moves.json" || status=1
exit $status
