#!/usr/bin/env bash
# Runs corvane-cli fix and restore on small sites whose disk holds a loop, a folder link into the
# same site, or a file with two names, and counts what a user would lose.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/bench_lib.sh"

usage() {
    cat <<USAGE
usage: bench/disk_shapes.sh [--cli PATH] [--wine] [--keep]
  --cli PATH   corvane-cli to run (default: the first one found in build/native, build/bench)
  --wine       run build/win64/src/corvane-cli.exe under Wine instead (paths given as Z:\\...)
  --keep       keep the sites (their folder is printed)
For each shape: files listed by the search, files written by fix, then pages that do not hold
what one rewrite of the plain site gives, backups that do not hold the page's original, pages
that restore does not put back byte for byte, and fix's exit status. The last three counts must be 0.
USAGE
}

cli=
wine=0
keep=0
while [ $# -gt 0 ]; do
    case $1 in
        --cli) cli=${2:?}; shift 2 ;;
        --wine) wine=1; shift ;;
        --keep) keep=1; shift ;;
        -h|--help) usage; exit 0 ;;
        *) echo "unknown argument: $1" >&2; usage >&2; exit 2 ;;
    esac
done

if [ $wine = 1 ]; then
    cli="$bench_root/build/win64/src/corvane-cli.exe"
    run_cli() { "$bench_root/scripts/wine-run.sh" "$cli" "$@" 2>/dev/null | tr -d '\r'; }
    site_arg() { printf 'Z:%s' "${1//\//\\}"; }
else
    if [ -z "$cli" ]; then
        for c in "$bench_root/build/native/src/corvane-cli" "$bench_root/build/bench/src/corvane-cli"; do
            if [ -x "$c" ]; then cli=$c; break; fi
        done
    fi
    run_cli() { "$cli" "$@" 2>/dev/null; }
    site_arg() { printf '%s' "$1"; }
fi
if [ -z "$cli" ] || [ ! -f "$cli" ]; then
    echo "corvane-cli not found; build it first (cmake --build build/native --target corvane-cli)." >&2
    exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/disk-shapes-XXXXXX")
[ $keep = 1 ] || trap 'rm -rf "$work"' EXIT

# The plain site: every page has a link that fix repairs by file name.
pages=(index.html sub/page.html v2/news.html)
make_site() {
    local d=$1
    mkdir -p "$d/images" "$d/sub" "$d/v2"
    printf 'GIF89a' >"$d/images/logo.gif"
    printf '<a href="sub/page.html">p</a> <a href="v2/news.html">n</a> <img src="imgs/logo.gif">\n' >"$d/index.html"
    printf '<img src="../imgs/logo.gif"> <a href="../index.html">home</a>\n' >"$d/sub/page.html"
    printf '<img src="../image/logo.gif"> <a href="../sub/page.html">p</a>\n' >"$d/v2/news.html"
}

make_site "$work/plain"
run_cli fix --no-check-internet-urls "$(site_arg "$work/plain")" >/dev/null

printf '%-12s %6s %7s %9s %11s %12s %5s\n' shape listed written wrong-page lost-backup not-restored exit
failed=0
for shape in plain loop folder-link hard-link; do
    d="$work/$shape-site"
    make_site "$d"
    case $shape in
        loop) ln -s .. "$d/sub/up" ;;
        folder-link) ln -s v2 "$d/current" ;;
        hard-link) ln "$d/sub/page.html" "$d/sub/twin.html" ;;
    esac
    mkdir -p "$work/$shape-orig"
    for p in "${pages[@]}"; do cp "$d/$p" "$work/$shape-orig/${p//\//_}"; done
    arg=$(site_arg "$d")
    listed=$(run_cli search --json --no-check-internet-urls "$arg" | grep -o '"row":' | wc -l)
    run_cli fix --no-check-internet-urls "$arg" >"$work/$shape-fix.log"
    code=$?
    written=$(grep -c '^Processing .* done$' "$work/$shape-fix.log")
    wrong=0 lost=0 unrestored=0
    for p in "${pages[@]}"; do
        cmp -s "$d/$p" "$work/plain/$p" || wrong=$((wrong + 1))
        if [ -e "$d/$p.bak" ] && ! cmp -s "$d/$p.bak" "$work/$shape-orig/${p//\//_}"; then lost=$((lost + 1)); fi
    done
    run_cli restore --subfolders "$arg" >/dev/null
    for p in "${pages[@]}"; do
        cmp -s "$d/$p" "$work/$shape-orig/${p//\//_}" || unrestored=$((unrestored + 1))
    done
    printf '%-12s %6s %7s %9s %11s %12s %5s\n' "$shape" "$listed" "$written" "$wrong" "$lost" "$unrestored" "$code"
    [ $((wrong + lost + unrestored)) = 0 ] || failed=1
done
[ $keep = 1 ] && echo "sites kept in $work"
exit $failed
