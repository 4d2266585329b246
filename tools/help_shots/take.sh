#!/usr/bin/env bash
# Takes the pictures of the help (help/images/*.png) from the real programs under Wine on a virtual display.
# With --viewer instead: presses Help and F1 in the wizard and saves the screen with Wine's help viewer
# into build/help-viewer/ (what a user of Wine would see).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build="$root/build/win64"
mode=${1:-pages}
cmake --build "$build" --target Corvane Restavo guide help_shots -j2 >/dev/null

work=$(mktemp -d "$root/build/help-shots.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/shots"

# A prefix of its own, so that the pictures show the programs' first-start settings.
export WINEPREFIX="$work/prefix"
source "$root/scripts/wine-env.sh"
"$root/scripts/wine-run.sh" cmd /c exit >/dev/null 2>&1 || true
wineserver -w
# The site on C:, as a user would have it; Marlett draws the title bars' buttons.
site="$WINEPREFIX/drive_c/MySite"
mkdir -p "$site"
cp -r "$root/examples/site/." "$site/"
cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
winpath() { printf 'Z:%s' "${1//\//\\}"; }
# Wine draws the title bars itself only on a desktop of its own; the bare X display has no window manager.
if [ "$mode" = --viewer ]; then
    timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        "$1" explorer /desktop=viewer,1000x720 "$2" --viewer "$3" "$4"; wineserver -w' _ \
        "$root/scripts/wine-run.sh" "$(winpath "$build/tools/help_shots.exe")" \
        "$(winpath "$build/src/Corvane.exe")" "$(winpath "$work/shots")"
    mkdir -p "$root/build/help-viewer"
    for bmp in "$work"/shots/*.bmp; do convert "$bmp" "$root/build/help-viewer/$(basename "$bmp" .bmp).png"; done
    ls -l "$root/build/help-viewer"
    exit 0
fi
timeout 300 xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    "$1" explorer /desktop=shots,800x600 "$2" "$3" "$4" "$5" "$6"; wineserver -w' _ \
    "$root/scripts/wine-run.sh" "$(winpath "$build/tools/help_shots.exe")" \
    "$(winpath "$build/src/Corvane.exe")" "$(winpath "$build/src/Restavo.exe")" \
    'C:\MySite' "$(winpath "$work/shots")"

[ -f "$work/shots/restavo.bmp" ] || { echo "take.sh: the pictures were not all taken" >&2; exit 1; }

# Few colours are enough for dialogs, and keep the files small.
for bmp in "$work"/shots/*.bmp; do
    name=$(basename "$bmp" .bmp)
    convert "$bmp" -strip -colors 64 "PNG8:$root/help/images/$name.png"
done
ls -l "$root"/help/images/*.png
