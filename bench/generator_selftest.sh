#!/usr/bin/env bash
# Checks generate-site: the same seed gives a byte-identical site, and its manifest lists exactly the broken links it wrote.
# usage: generator_selftest.sh PATH/TO/generate-site
set -uo pipefail

gen=${1:?usage: generator_selftest.sh PATH/TO/generate-site}
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-gentest.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

pages=250
"$gen" "$work/a/site" --pages $pages --page-bytes 4096 --seed 11 >/dev/null || { echo "FAIL: generate-site a" >&2; exit 1; }
"$gen" "$work/b/site" --pages $pages --page-bytes 4096 --seed 11 >/dev/null || { echo "FAIL: generate-site b" >&2; exit 1; }

# Determinism.
diff -r "$work/a/site" "$work/b/site" >/dev/null || fail "two runs with the same seed wrote different sites"
cmp -s "$work/a/site.planted.txt" "$work/b/site.planted.txt" || fail "two runs with the same seed wrote different manifests"

# Another seed gives another site; another page size keeps the planted links (all but the filler's Internet URLs).
"$gen" "$work/c/site" --pages $pages --page-bytes 4096 --seed 12 >/dev/null || fail "generate-site c"
diff -rq "$work/a/site" "$work/c/site" >/dev/null && fail "another seed wrote the same site"
"$gen" "$work/d/site" --pages $pages --page-bytes 12000 --seed 11 --manifest "$work/d.txt" >/dev/null ||
    fail "generate-site d"
planted() { grep -v '^#' "$1" | awk -F'\t' '$3 != "external"'; }
[ "$(planted "$work/a/site.planted.txt")" = "$(planted "$work/d.txt")" ] ||
    fail "the planted links changed with --page-bytes"
[ -s "$work/d.txt" ] && [ ! -e "$work/d/site.planted.txt" ] || fail "--manifest was not honoured"

# Refusals: a folder that is not empty, bad arguments.
"$gen" "$work/a/site" --pages 3 >/dev/null 2>&1 && fail "a non-empty OUTDIR was accepted"
"$gen" "$work/e" --pages 0 >/dev/null 2>&1 && fail "--pages 0 was accepted"
"$gen" "$work/e" --pages x >/dev/null 2>&1 && fail "--pages x was accepted"
"$gen" "$work/e" >/dev/null 2>&1 && fail "a missing --pages was accepted"

# The manifest against the files.
site="$work/a/site"
manifest="$work/a/site.planted.txt"
n=$(find "$site" -name '*.htm' | wc -l)
[ "$n" -eq $pages ] || fail "$n pages written, $pages asked for"
(cd "$site" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) >"$work/files.txt"
# Every link value, every Internet address and every "saved from url" comment, as file<TAB>text.
(cd "$site" && grep -rHoE '(href|src|background)="[^"]*"|url\([^)]*\)' --include='*.htm' --include='*.css' . |
    sed -E 's|^\./||; s|:(href\|src\|background)="|\t|; s|:url\(|\t|; s|[")]$||') >"$work/links.txt"
(cd "$site" && grep -rHoE "http://[^\"' )]*" . | sed -E 's|^\./||; s|:http|\thttp|') >"$work/internet.txt"
(cd "$site" && grep -rhoE 'saved from url=\([0-9]{4}\)[^ ]*' --include='*.htm' .) >"$work/saved.txt"

LC_ALL=C awk -F'\t' -v files="$work/files.txt" -v links="$work/links.txt" -v internet="$work/internet.txt" \
    -v saved="$work/saved.txt" '
function basename(p) { sub(/\/$/, "", p); sub(/.*\//, "", p); return p }
function resolve(file, url,    dir, parts, n, i, out, k, s) {
    sub(/#.*/, "", url); gsub(/%20/, " ", url)
    dir = file; if (dir ~ /\//) sub(/\/[^\/]*$/, "", dir); else dir = ""
    n = split((dir == "" ? "" : dir "/") url, parts, "/"); k = 0
    for (i = 1; i <= n; i++) {
        if (parts[i] == "" || parts[i] == ".") continue
        if (parts[i] == "..") { if (k > 0) k--; continue }
        out[++k] = parts[i]
    }
    s = ""; for (i = 1; i <= k; i++) s = s (i > 1 ? "/" : "") out[i]
    return s
}
function bad(msg) { print "FAIL: " msg > "/dev/stderr"; errors++ }
BEGIN {
    while ((getline line < files) > 0) { exists[line] = 1; names[basename(line)] = 1 }
    while ((getline line < internet) > 0) { split(line, f, "\t"); seen[f[1] "\t" f[2]]++ }
    while ((getline line < saved) > 0) {
        len = substr(line, 17, 4) + 0; addr = substr(line, 22)
        if (len != length(addr)) bad("saved from url length " len " for " addr)
        savedAddr[addr] = 1
    }
}
/^# count / { split($0, w, " "); declared[w[3]] = w[4]; next }
/^#/ { next }
{
    file = $1; url = $2; kind = $3; listed[file "\t" url]++; count[kind]++; count["total"]++
    if (!(file in exists)) { bad("manifest names a file that is not there: " file); next }
    if (kind == "moved" || kind == "missing") {
        if (resolve(file, url) in exists) bad(kind " link resolves to a file: " file " " url)
        if ((kind == "moved") != (basename(url) in names)) bad(kind " link and the files disagree: " file " " url)
    } else if (kind == "space") {
        if (url !~ / / || !(resolve(file, url) in exists)) bad("space link is not a spaced link to a file: " url)
    } else if (kind == "www") {
        if (url !~ /^www\./) bad("www link does not begin with www.: " url)
    } else if (kind == "saved-from") {
        if (!(url in savedAddr)) bad("no page was saved from " url)
    } else if (kind == "external") {
        if (url !~ /^http:\/\// || basename(url) in names) bad("external link names a file of the site: " url)
        if (!((file "\t" url) in seen)) bad("external link is not in its file: " file " " url)
    } else bad("unknown kind " kind)
}
END {
    # The other way round: every link value in the files that needs a change is listed, and nothing else.
    while ((getline line < links) > 0) {
        split(line, f, "\t"); file = f[1]; url = f[2]
        if (url ~ /^(http:|mailto:|javascript:|#)/) { if (url ~ /^http:/) listedHttp++; continue }
        needs = url ~ /^www\./ || url ~ / / || !(resolve(file, url) in exists)
        key = file "\t" url
        if (needs && !(key in listed)) bad("broken link not in the manifest: " file " " url)
        if (!needs && (key in listed)) bad("working link in the manifest: " file " " url)
    }
    for (k in count) if (declared[k] != count[k]) bad("count of " k ": header " declared[k] ", lines " count[k])
    for (k in declared) if (!(k in count)) bad("header counts " k " but no line has it")
    for (k in count) printf "%s %d  ", k, count[k]; print ""
    exit errors > 0
}' "$manifest" || fail "the manifest does not match the site"

for kind in moved missing space www saved-from external; do
    grep -q "	$kind\$" "$manifest" || fail "no $kind link was planted in $pages pages"
done

if [ "$failures" -ne 0 ]; then
    echo "generator self-test: $failures failure(s)" >&2
    exit 1
fi
echo "generator self-test passed"
