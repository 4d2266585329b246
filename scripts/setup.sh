#!/usr/bin/env bash
# Installs every build and test dependency from Debian packages, then builds OpenJPEG for MinGW; a repeat run only checks.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

packages=(
    # Native build and tests
    cmake make g++ libgtest-dev
    # Windows build (posix threads) and running it under Wine; `wine` brings wineboot, wineserver and /usr/bin/wine
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    wine64 wine
    # Wine draws windows without these only poorly or not at all; they are recommends, which we do not pull in
    fonts-wine fonts-liberation
    libxrender1 libxcursor1 libxrandr2 libxi6 libxinerama1 libxcomposite1 libxfixes3 libxxf86vm1
    # Windows on a virtual display, and screenshots of them
    xvfb xauth imagemagick
    # Pictures (tools/pictures draws them with FreeType and encodes them with OpenJPEG), help file
    libopenjp2-tools libopenjp2-7-dev libfreetype-dev pkg-config fp-utils
    # The installer (makensis)
    nsis
    # Internet check in the native tree
    libcurl4-openssl-dev
    # Fuzzing (libFuzzer lives in the compiler runtime) and leak checks
    clang libclang-rt-14-dev valgrind
    # Peak memory of the benchmarks; the end-to-end tests compare JSON with python3
    time python3
    # Fetching and unpacking Debian source packages
    dpkg-dev ca-certificates
)

die() { printf 'setup: error: %s\n' "$*" >&2; exit 1; }

missing_packages() {
    local installed
    # One query for all; unknown names print nothing on stdout and count as missing.
    installed=$(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "${packages[@]}" 2>/dev/null || true)
    local p
    for p in "${packages[@]}"; do
        if ! grep -qxF "$p installed" <<<"$installed"; then
            printf '%s\n' "$p"
        fi
    done
}

mapfile -t missing < <(missing_packages)

if [ ${#missing[@]} -gt 0 ]; then
    printf 'setup: installing %s\n' "${missing[*]}"
    as_root=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || die "missing packages (${missing[*]}); run this script as root"
        as_root=(sudo)
    fi
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
    mapfile -t missing < <(missing_packages)
    [ ${#missing[@]} -eq 0 ] || die "still not installed: ${missing[*]}"
fi

# The build relies on these by name; a package can be installed and still not provide them (alternatives).
for tool in cmake make g++ x86_64-w64-mingw32-gcc-posix x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres \
    wineboot wineserver xvfb-run xauth convert opj_compress opj_decompress chmcmd makensis clang valgrind \
    apt-get dpkg-source; do
    command -v "$tool" >/dev/null || die "'$tool' is not on PATH although its package is installed"
done
[ -x /usr/lib/wine/wine64 ] || command -v wine >/dev/null || die "no Wine loader found"
[ -f /usr/src/googletest/CMakeLists.txt ] || die "/usr/src/googletest is missing (package googletest)"

# Through sudo the build would leave root-owned folders in the user's tree; build as the tree's owner instead.
build=("$root/scripts/build-openjpeg-mingw.sh")
owner_uid=$(stat -c %u "$root")
if [ "$(id -u)" -eq 0 ] && [ "$owner_uid" -ne 0 ]; then
    owner_gid=$(stat -c %g "$root")
    owner_home=$(getent passwd "$owner_uid" | cut -d: -f6 || true)
    build=(setpriv --reuid="$owner_uid" --regid="$owner_gid" --clear-groups
        env HOME="${owner_home:-$root}" "${build[@]}")
fi
"${build[@]}"
