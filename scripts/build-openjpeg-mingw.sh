#!/usr/bin/env bash
# Builds OpenJPEG from Debian's openjpeg2 source package as a static MinGW-w64 x86_64 library under build/deps/.
#
# The source is fetched with apt-get through a private configuration and state under build/apt/, derived from
# the machine's own Debian entries, so nothing under /etc or the machine's apt state changes. Does nothing when
# the library is already installed. Needs no root.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
prefix="$root/build/deps/openjpeg-mingw64"
work="$root/build/deps/openjpeg-work"
aptdir="$root/build/apt"
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
jobs="${CORVANE_JOBS:-2}"

log() { printf 'build-openjpeg: %s\n' "$*"; }
die() { printf 'build-openjpeg: error: %s\n' "$*" >&2; exit 1; }

installed() {
    [ -f "$prefix/lib/libopenjp2.a" ] && compgen -G "$prefix/include/openjpeg-*/openjpeg.h" >/dev/null
}

if installed; then
    exit 0
fi

for tool in apt-get dpkg-source cmake make x86_64-w64-mingw32-gcc-posix x86_64-w64-mingw32-ar; do
    command -v "$tool" >/dev/null || die "'$tool' is missing; run scripts/setup.sh first"
done

# A deb822 stanza is kept when it is enabled, offers binary packages and points at a Debian archive; its
# Types line becomes deb-src and everything else (Signed-By included) is kept as it is.
derive_deb822() {
    awk '
        function flush(   i, n, t, keep) {
            if (nlines == 0) return
            n = split(types, t, /[ \t]+/)
            keep = 0
            for (i = 1; i <= n; i++) if (t[i] == "deb") keep = 1
            if (tolower(enabled) == "no") keep = 0
            if (!debian_uri(uris)) keep = 0
            if (signedby != "" && signedby !~ /debian-archive/ && signedby !~ /BEGIN PGP/) keep = 0
            if (keep) {
                print "Types: deb-src"
                for (i = 1; i <= nlines; i++) print lines[i]
                print ""
            }
            nlines = 0; types = ""; uris = ""; enabled = ""; signedby = ""
        }
        function debian_uri(list,   u, n, i) {
            n = split(list, u, /[ \t]+/)
            for (i = 1; i <= n; i++)
                if (u[i] ~ /\/debian(-security|-ports)?(\/|$)/) return 1
            return 0
        }
        FNR == 1 { flush() }
        /^[ \t]*#/ { next }
        /^[ \t]*$/ { flush(); next }
        /^[ \t]/ { if (nlines > 0 && !skipping) lines[++nlines] = $0; next }
        {
            skipping = 0
            field = tolower($0); sub(/:.*/, "", field)
            value = $0; sub(/^[^:]*:[ \t]*/, "", value)
            if (field == "types") { types = value; skipping = 1; next }
            if (field == "uris") uris = value
            if (field == "enabled") enabled = value
            if (field == "signed-by") signedby = value
            lines[++nlines] = $0
        }
        END { flush() }
    ' "$@"
}

# One-line entries: "deb [options] uri suite components" becomes "deb-src ..." under the same rules.
derive_one_line() {
    awk '
        $1 != "deb" { next }
        {
            line = $0
            sub(/^[ \t]*deb[ \t]+/, "", line)
            opts = ""
            if (substr(line, 1, 1) == "[") {
                opts = substr(line, 1, index(line, "]"))
                line = substr(line, index(line, "]") + 1)
                sub(/^[ \t]+/, "", line)
            }
            split(line, w, /[ \t]+/)
            if (w[1] !~ /\/debian(-security|-ports)?(\/|$)/) next
            if (opts ~ /signed-by=/ && opts !~ /debian-archive/) next
            sub(/[ \t]*#.*/, "", line)
            print "deb-src " (opts != "" ? opts " " : "") line
        }
    ' "$@"
}

apt_private() {
    apt-get -q \
        -o Dir::Etc::SourceList="$aptdir/etc/sources.list" \
        -o Dir::Etc::SourceParts="$aptdir/etc/sources.list.d" \
        -o Dir::State="$aptdir/state" \
        -o Dir::Cache="$aptdir/cache" \
        "$@"
}

fetch_source() {
    mkdir -p "$aptdir/etc/sources.list.d" "$aptdir/state/lists/partial" "$aptdir/cache/archives/partial"

    local deb822=() one_line=()
    shopt -s nullglob
    deb822=(/etc/apt/sources.list.d/*.sources)
    one_line=(/etc/apt/sources.list.d/*.list)
    shopt -u nullglob
    [ -f /etc/apt/sources.list ] && one_line=(/etc/apt/sources.list "${one_line[@]}")

    : >"$aptdir/etc/sources.list"
    : >"$aptdir/etc/sources.list.d/debian-src.sources"
    if [ ${#deb822[@]} -gt 0 ]; then
        derive_deb822 "${deb822[@]}" >"$aptdir/etc/sources.list.d/debian-src.sources"
    fi
    if [ ${#one_line[@]} -gt 0 ]; then
        derive_one_line "${one_line[@]}" | awk '!seen[$0]++' >"$aptdir/etc/sources.list"
    fi
    if ! [ -s "$aptdir/etc/sources.list" ] && ! [ -s "$aptdir/etc/sources.list.d/debian-src.sources" ]; then
        die "no enabled Debian entry found in /etc/apt/sources.list or /etc/apt/sources.list.d/"
    fi

    # apt drops to the _apt user for downloads when run as root; that user may not reach a build tree
    # inside a private home, so downloads into this private state run as the invoking user.
    local sandbox=()
    if [ "$(id -u)" -eq 0 ]; then
        sandbox=(-o APT::Sandbox::User=root)
    fi

    log "fetching the openjpeg2 source package"
    apt_private "${sandbox[@]}" update >"$work/apt-update.log" 2>&1 \
        || { cat "$work/apt-update.log" >&2; die "apt-get update (private state) failed"; }
    # Download aside and move the .dsc in last, so a half-finished download is never taken for a whole one.
    local fetch="$work/fetch"
    rm -rf "$fetch"
    mkdir -p "$fetch"
    (cd "$fetch" && apt_private "${sandbox[@]}" source --download-only openjpeg2) >"$work/apt-source.log" 2>&1 \
        || { cat "$work/apt-source.log" >&2; die "apt-get source openjpeg2 failed"; }
    find "$fetch" -maxdepth 1 -type f ! -name '*.dsc' -exec mv -t "$work" {} +
    find "$fetch" -maxdepth 1 -type f -name '*.dsc' -exec mv -t "$work" {} +
    rm -rf "$fetch"
}

# Reuse a source tree or downloaded package from an earlier, interrupted run.
mkdir -p "$work"
srcdir=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'openjpeg2-*' | sort | tail -n 1)
if [ -z "$srcdir" ]; then
    dsc=$(find "$work" -maxdepth 1 -name 'openjpeg2_*.dsc' | sort | tail -n 1)
    if [ -z "$dsc" ]; then
        fetch_source
        dsc=$(find "$work" -maxdepth 1 -name 'openjpeg2_*.dsc' | sort | tail -n 1)
        [ -n "$dsc" ] || die "apt-get source left no openjpeg2 .dsc in $work"
    fi
    log "unpacking $(basename "$dsc")"
    rm -rf "$work/unpack"
    (cd "$work" && dpkg-source -x "$dsc" unpack) >"$work/dpkg-source.log" 2>&1 \
        || { cat "$work/dpkg-source.log" >&2; die "dpkg-source -x failed"; }
    version=$(basename "$dsc" .dsc)
    version=${version#openjpeg2_}
    srcdir="$work/openjpeg2-$version"
    mv "$work/unpack" "$srcdir"
fi

log "building $(basename "$srcdir") for MinGW-w64 x86_64"
builddir="$work/build"
rm -rf "$builddir"
cmake -S "$srcdir" -B "$builddir" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF \
    -DBUILD_STATIC_LIBS=ON \
    -DBUILD_CODEC=OFF \
    -DBUILD_TESTING=OFF \
    -DBUILD_DOC=OFF \
    -DBUILD_JPIP=OFF \
    -DBUILD_JAVA=OFF \
    >"$work/cmake-configure.log" 2>&1 \
    || { cat "$work/cmake-configure.log" >&2; die "configuring OpenJPEG failed"; }
cmake --build "$builddir" -j "$jobs" >"$work/cmake-build.log" 2>&1 \
    || { tail -n 50 "$work/cmake-build.log" >&2; die "building OpenJPEG failed"; }

# Install into a staging folder and move it into place, so an interrupted run never looks finished.
stage="$work/stage"
rm -rf "$stage" "$prefix"
DESTDIR="$stage" cmake --install "$builddir" >"$work/cmake-install.log" 2>&1 \
    || { cat "$work/cmake-install.log" >&2; die "installing OpenJPEG failed"; }
mkdir -p "$(dirname "$prefix")"
mv "$stage$prefix" "$prefix"
rm -rf "$stage"

installed || die "the install in $prefix lacks lib/libopenjp2.a or include/openjpeg-*/openjpeg.h"
log "installed in ${prefix#"$root"/}"
