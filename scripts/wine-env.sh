# Sourced by every script that runs Wine: the prefix (the project's private one unless WINEPREFIX names another),
# Wine's own messages off, no offer to install Mono or Gecko, and one locale, so that runs are quiet and repeatable.
# Gives $wine, the loader, and wine_prefix_ready, which makes the prefix on first use.
corvane_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$corvane_root/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export LC_ALL="${CORVANE_WINE_LOCALE:-C.UTF-8}"
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)

wine_prefix_ready() {
    [ -d "$WINEPREFIX" ] && return 0
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
}
