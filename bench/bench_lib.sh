# Shared helpers of the benchmark scripts (sourced, not run): finding the tools, timing a command, formatting.

bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

bench_configure_hint() {
    cat >&2 <<EOF
Build the benchmark tree first (Release, without sanitizers):
  cmake -S "$bench_root" -B "$bench_root/build/bench" -DCORVANE_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Release
  cmake --build "$bench_root/build/bench" -j2 --target generate-site corvane-cli
EOF
}

# bench_find_tools BUILD: sets gen (must exist) and cli (empty when corvane-cli is not built yet).
bench_find_tools() {
    local build=$1
    if [ ! -d "$build" ]; then
        echo "No build folder $build." >&2
        bench_configure_hint
        return 1
    fi
    gen="$build/bench/generate-site"
    if [ ! -x "$gen" ]; then
        echo "generate-site is not built in $build." >&2
        bench_configure_hint
        return 1
    fi
    cli=
    local c
    for c in "$build/corvane-cli" "$build/src/cli/corvane-cli" "$build/src/corvane-cli" "$build/bin/corvane-cli"; do
        if [ -x "$c" ] && [ -f "$c" ]; then cli=$c; break; fi
    done
    if [ -z "$cli" ]; then
        cli=$(find "$build" -maxdepth 4 -type f -name corvane-cli -perm -u+x 2>/dev/null | head -n 1)
    fi
    local cache="$build/CMakeCache.txt"
    if [ -f "$cache" ]; then
        grep -q '^CORVANE_SANITIZE:BOOL=OFF$' "$cache" ||
            echo "warning: $build is built with sanitizers; timings will be far too slow (configure with -DCORVANE_SANITIZE=OFF)" >&2
        grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$cache" ||
            echo "warning: $build is not a Release build (configure with -DCMAKE_BUILD_TYPE=Release)" >&2
    fi
    if [ ! -x /usr/bin/time ]; then
        echo "/usr/bin/time is missing (Debian package 'time')." >&2
        return 1
    fi
    return 0
}

# bench_measure OUT CMD...: runs CMD with its standard output to /dev/null and sets
#   m_wall (seconds, wall clock), m_cpu (user + system seconds), m_rss (peak resident set in KiB), m_rc.
# OUT receives the command's standard error. Times come from the shell (millisecond resolution), the peak
# memory from /usr/bin/time -v.
bench_measure() {
    local err=$1; shift
    local tv tt
    tv=$(mktemp "${TMPDIR:-/tmp}/corvane-time.XXXXXX")
    tt=$(mktemp "${TMPDIR:-/tmp}/corvane-time.XXXXXX")
    local TIMEFORMAT='%3R %3U %3S'
    { time /usr/bin/time -v -o "$tv" "$@" >/dev/null 2>"$err"; } 2>"$tt"
    m_rc=$?
    m_wall=$(awk '{ printf "%.3f", $1 }' "$tt")
    m_cpu=$(awk '{ printf "%.3f", $2 + $3 }' "$tt")
    m_rss=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$tv")
    if grep -q 'Command terminated by signal' "$tv"; then
        m_rc=$((128 + $(sed -n 's/.*terminated by signal \([0-9]*\).*/\1/p' "$tv")))
    fi
    rm -f "$tv" "$tt"
    [ -n "$m_rss" ] || m_rss=0
}

# bench_best RUNS OUT CMD...: the fastest of RUNS runs (its m_wall, m_cpu); m_rss is the largest peak of all runs;
# m_rc is the first nonzero status seen (0 when every run succeeded).
bench_best() {
    local runs=$1 err=$2; shift 2
    local best_wall= best_cpu= peak=0 rc=0 i
    for ((i = 0; i < runs; i++)); do
        bench_measure "$err" "$@"
        if [ -z "$best_wall" ] || awk -v a="$m_wall" -v b="$best_wall" 'BEGIN { exit !(a < b) }'; then
            best_wall=$m_wall best_cpu=$m_cpu
        fi
        [ "$m_rss" -gt "$peak" ] && peak=$m_rss
        [ "$rc" -eq 0 ] && rc=$m_rc
        [ "$m_rc" -ge 128 ] && break
    done
    m_wall=$best_wall m_cpu=$best_cpu m_rss=$peak m_rc=$rc
}

bench_mib() { awk -v k="$1" 'BEGIN { printf "%.1f MiB", k / 1024 }'; }
bench_bytes_mib() { awk -v b="$1" 'BEGIN { printf "%.1f MiB", b / 1048576 }'; }
bench_ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

# bench_site_bytes DIR: total bytes of the files under DIR.
bench_site_bytes() { find "$1" -type f -printf '%s\n' | awk '{ s += $1 } END { printf "%d", s }'; }

# bench_read_all DIR: reads every file of DIR once (the baseline and the cache warm-up).
bench_read_all() { find "$1" -type f -print0 | xargs -0 cat >/dev/null; }

# bench_manifest_total MANIFEST: the number of links the generator planted.
bench_manifest_total() { awk '/^# count total / { print $4 }' "$1"; }

# bench_space_check DIR NEEDED_BYTES: warns when the file system of DIR has less room than needed.
bench_space_check() {
    local avail
    avail=$(df -Pk "$1" | awk 'NR == 2 { printf "%.0f", $4 * 1024 }')
    if [ -n "$avail" ] && awk -v a="$avail" -v n="$2" 'BEGIN { exit !(a < n) }'; then
        echo "warning: $(bench_bytes_mib "$avail") free in $1, about $(bench_bytes_mib "$2") needed" >&2
    fi
}
