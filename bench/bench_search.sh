#!/usr/bin/env bash
# Times corvane-cli's search over generated sites of 1,000 and 10,000 pages, beside a plain read of the same bytes.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/bench_lib.sh"

usage() {
    cat <<USAGE
usage: bench/bench_search.sh [options] [-- extra corvane-cli options]
  --build DIR        native Release build without sanitizers (default build/bench)
  --pages "N ..."    site sizes in pages (default "1000 10000")
  --page-bytes B     bytes per page (default 8192)
  --runs R           timed runs per site, the fastest counts (default 3)
  --seed S           generator seed (default 1)
  --jobs N           files scanned at once in the second search of each site (default: the cores, $(nproc))
  --wine EXE         time this corvane-cli.exe under Wine instead (the sites come from --build's generator)
  --callgrind        count the instructions of one search of the first site under callgrind instead
  --keep             keep the generated sites and outputs (their folder is printed)
Times: corvane-cli search --no-check-internet-urls --json --jobs 1 SITE > /dev/null, then with --jobs N
Exit status: 0 targets met, 1 a target missed or corvane-cli crashed, 2 bad usage or tools missing,
3 corvane-cli not built (only the read baseline was measured).
USAGE
}

build="$bench_root/build/bench"
sizes="1000 10000"
page_bytes=8192
runs=3
seed=1
callgrind=0
keep=0
jobs=$(nproc)
wine_exe=
extra=()
while [ $# -gt 0 ]; do
    case $1 in
        --build) build=${2:?}; shift 2 ;;
        --pages) sizes=${2:?}; shift 2 ;;
        --page-bytes) page_bytes=${2:?}; shift 2 ;;
        --runs) runs=${2:?}; shift 2 ;;
        --seed) seed=${2:?}; shift 2 ;;
        --jobs) jobs=${2:?}; shift 2 ;;
        --wine) wine_exe=${2:?}; shift 2 ;;
        --callgrind) callgrind=1; shift ;;
        --keep) keep=1; shift ;;
        -h|--help) usage; exit 0 ;;
        --) shift; extra=("$@"); break ;;
        *) echo "unknown argument: $1" >&2; usage >&2; exit 2 ;;
    esac
done
for v in $sizes $runs $page_bytes $seed $jobs; do
    case $v in ''|*[!0-9]*) echo "not a whole number: $v" >&2; exit 2 ;; esac
done
[ "$runs" -gt 0 ] && [ -n "${sizes// /}" ] || { usage >&2; exit 2; }

bench_find_tools "$build" || exit 2
if [ -z "$cli" ]; then
    echo "corvane-cli is not built in $build (target corvane-cli): only the read baseline is measured." >&2
fi
if [ "$callgrind" -eq 1 ] && ! command -v valgrind >/dev/null; then
    echo "valgrind is missing (Debian package 'valgrind'): no instruction counts." >&2
    exit 2
fi

tmp=$(mktemp -d "${TMPDIR:-/tmp}/corvane-bench-search.XXXXXX") || exit 1
if [ "$keep" -eq 1 ]; then echo "work folder (kept): $tmp"; else trap 'rm -rf "$tmp"' EXIT; fi

largest=0
for n in $sizes; do [ "$n" -gt "$largest" ] && largest=$n; done
bench_space_check "$tmp" $((largest * page_bytes * 13 / 10 * $(wc -w <<<"$sizes")))

make_site() {  # make_site N: the site $tmp/siteN and its manifest $tmp/siteN.planted.txt
    if ! "$gen" "$tmp/site$1" --pages "$1" --page-bytes "$page_bytes" --seed "$seed" >"$tmp/gen$1.log"; then
        echo "generate-site failed for $1 pages" >&2
        exit 1
    fi
}
runner=()
if [ -n "$wine_exe" ]; then
    # A wineserver kept running beforehand: one started by the run itself would be timed too.
    . "$bench_root/scripts/wine-env.sh"
    wine_prefix_ready
    setsid wineserver -p 300 </dev/null >/dev/null 2>&1 &
    runner=("$bench_root/scripts/wine-run.sh")
    cli=$wine_exe
    "${runner[@]}" "$cli" --help >/dev/null 2>&1
fi
# search_cmd SITE JOBS
search_cmd() {
    local site=$1
    [ -n "$wine_exe" ] && site="Z:${site//\//\\}"
    cmd=("${runner[@]}" "$cli" search --no-check-internet-urls --json --jobs "$2" "${extra[@]}" "$site")
    # Wine's C library takes /dev/null for a console and writes to it unbuffered: into a file instead.
    [ -n "$wine_exe" ] && cmd=(bash -c 'out=$1; shift; "$@" >"$out"' _ "$tmp/search.json" "${cmd[@]}")
    return 0
}

if [ "$callgrind" -eq 1 ]; then
    [ -n "$cli" ] || exit 3
    n=${sizes%% *}
    make_site "$n"
    out="$tmp/callgrind.out"
    search_cmd "$tmp/site$n" 1
    echo "callgrind ($n pages): ${cmd[*]} > /dev/null"
    valgrind --tool=callgrind --callgrind-out-file="$out" "${cmd[@]}" >/dev/null 2>"$tmp/callgrind.log"
    rc=$?
    total=$(awk '/^(summary|totals):/ { print $2; exit }' "$out" 2>/dev/null)
    if [ -z "$total" ]; then
        echo "callgrind wrote no totals (exit status $rc); its log: $tmp/callgrind.log" >&2
        trap - EXIT
        exit 1
    fi
    awk -v t="$total" -v n="$n" 'BEGIN { printf "instructions: %.0f (%.0f per page)\n", t, t / n }'
    [ "$rc" -eq 0 ] || echo "note: corvane-cli exited with status $rc"
    if command -v callgrind_annotate >/dev/null; then
        echo "functions by their own instructions:"
        callgrind_annotate "$out" 2>/dev/null |
            awk '/file:function/ { on = 1; getline; next } on && NF { print; if (++k == 25) exit }'
    fi
    [ "$keep" -eq 1 ] && echo "callgrind output: $out"
    exit 0
fi

# The machine may be shared: the targets are judged on CPU seconds (user + system); wall time is shown beside them,
# and a wall time far above the CPU time means that other work was running.
printf '%-7s %9s | %-17s | %-42s | %-37s\n' "" "" "read (cat)" "corvane-cli search, 1 job" "search, $jobs jobs"
printf '%-7s %9s | %8s %8s | %8s %8s %8s %7s %7s | %8s %8s %8s %10s %4s\n' pages bytes wall cpu wall cpu \
    pages/s MB/s/c "x read" wall cpu "x 1 job" "peak RSS" exit
status=0
floor="$build/bench/read-floor"
declare -A cpu_of
for n in $sizes; do
    make_site "$n"
    site="$tmp/site$n"
    bytes=$(bench_bytes_mib "$(bench_site_bytes "$site")" | tr -d ' ')
    bench_read_all "$site"  # warm-up: every run below reads from the cache
    bench_best "$runs" "$tmp/cat$n.err" bash -c 'find "$1" -type f -print0 | xargs -0 cat' _ "$site"
    cat_wall=$m_wall cat_cpu=$m_cpu
    if [ -z "$cli" ]; then
        printf '%-7s %9s | %7ss %7ss | %8s %8s %8s %10s %7s %4s\n' "$n" "$bytes" "$cat_wall" "$cat_cpu" - - - - - -
        continue
    fi
    search_cmd "$site" 1
    bench_best "$runs" "$tmp/search$n.err" "${cmd[@]}"
    cpu_of[$n]=$m_cpu
    one_wall=$m_wall one_cpu=$m_cpu one_rc=$m_rc
    pps=$(awk -v n="$n" -v t="$m_cpu" 'BEGIN { if (t > 0) printf "%.0f", n / t; else print "-" }')
    mbps=$(awk -v b="$(bench_site_bytes "$site")" -v t="$m_cpu" 'BEGIN { if (t > 0) printf "%.0f", b / 1e6 / t; else print "-" }')
    search_cmd "$site" "$jobs"
    bench_best "$runs" "$tmp/search$n.err" "${cmd[@]}"
    [ "$m_rc" -gt "$one_rc" ] || m_rc=$one_rc
    printf '%-7s %9s | %7ss %7ss | %7ss %7ss %8s %7s %7s | %7ss %7ss %8s %10s %4s\n' "$n" "$bytes" "$cat_wall" \
        "$cat_cpu" "$one_wall" "$one_cpu" "$pps" "$mbps" "$(bench_ratio "$one_cpu" "$cat_cpu")" "$m_wall" "$m_cpu" \
        "$(bench_ratio "$m_wall" "$one_wall")" "$(bench_mib "$m_rss" | tr -d ' ')" "$m_rc"
    if [ "$m_rc" -ge 128 ]; then
        echo "corvane-cli crashed on $n pages (status $m_rc):" >&2
        tail -n 5 "$tmp/search$n.err" >&2
        status=1
    fi
    echo "        links planted that need a change: $(bench_manifest_total "$tmp/site$n.planted.txt")"
    # cat takes a fresh buffer for every file; the search reads into one it keeps, as read-floor does.
    if [ -x "$floor" ]; then
        bench_best "$runs" "$tmp/floor$n.err" "$floor" "$site"
        echo "        read floor with one buffer: ${m_wall}s wall, ${m_cpu}s cpu; the search with 1 job takes" \
            "x$(bench_ratio "$one_cpu" "$m_cpu") of its cpu"
    fi
done
[ -n "$cli" ] || exit 3

echo
first=${sizes%% *}
last=${sizes##* }
if [ "$first" != "$last" ] && [ -n "${cpu_of[$first]:-}" ] && [ -n "${cpu_of[$last]:-}" ]; then
    awk -v a="${cpu_of[$first]}" -v b="${cpu_of[$last]}" -v n1="$first" -v n2="$last" 'BEGIN {
        if (a < 0.05) { print "growth: the smaller site is too quick to judge the growth by"; exit }
        g = b / a; f = n2 / n1
        printf "growth %d -> %d pages: CPU time x%.1f for pages x%.1f (%s)\n", n1, n2, g, f,
               g <= f * 1.5 ? "linear" : "MORE THAN LINEAR: look for work that grows with the site"
        exit g > f * 1.5
    }' || status=1
fi
if [ -n "${cpu_of[10000]:-}" ] && [ "$page_bytes" -eq 8192 ]; then
    if awk -v t="${cpu_of[10000]}" 'BEGIN { exit !(t < 2.0) }'; then
        echo "target: 10,000 pages of 8 KB in under 2 s of one core: met (${cpu_of[10000]} s)"
    else
        echo "target: 10,000 pages of 8 KB in under 2 s of one core: NOT met (${cpu_of[10000]} s)"
        status=1
    fi
fi
exit $status
