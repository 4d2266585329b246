#!/usr/bin/env bash
# The installer's round trip under Wine: a silent install with the context-menu commands, the files, verbs and
# uninstall entry it leaves, the installed Corvane.exe opening its wizard, then a silent uninstall that takes it all away.
#
# installer_roundtrip.sh <Corvane-Setup.exe> <window_probe.exe> <Guide.chm it should install>
set -euo pipefail
setup=$1
probe=$2
guide=$3
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# A prefix of the test's own, made afresh: "before" then means a machine that never saw Corvane, and the other tests'
# prefix keeps its settings and verbs.
export WINEPREFIX="$root/build/wineprefix-installer"
source "$root/scripts/wine-env.sh"
failures=0

finish() { timeout 30 wineserver -k >/dev/null 2>&1 || true; }
trap finish EXIT
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }
winpath() { printf 'Z:%s' "${1//\//\\}"; }

timeout 30 wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
timeout 120 "$root/scripts/wine-run.sh" cmd /c exit >/dev/null 2>&1 || true

install_dir="$WINEPREFIX/drive_c/Program Files/Corvane"
start_menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Corvane"
files=(Corvane.exe Restavo.exe Guide.chm README.txt Uninstall.exe)
shortcuts=(Corvane.lnk Restavo.lnk "Corvane Help.lnk" "Uninstall Corvane.lnk")
verbs=('HKCR\Directory\shell\Corvane.Open' 'HKCR\Drive\shell\Corvane.Open'
    'HKCR\Directory\shell\Restavo.Open' 'HKCR\Drive\shell\Restavo.Open')
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvane'

# The default value of a key as `reg query` prints it; empty when the key is not there.
default_value() {
    timeout 60 "$wine" reg query "$1" /ve 2>/dev/null | tr -d '\r' | sed -n 's/^ *(Default) *REG_SZ *//p' || true
}
key_exists() { timeout 60 "$wine" reg query "$1" >/dev/null 2>&1; }

echo "== before"
for key in "${verbs[@]}" "$uninstall_key"; do
    if key_exists "$key"; then fail "$key exists before the install"; else ok "$key absent"; fi
done

echo "== silent install: no context-menu commands unless asked for"
if ! timeout 180 "$wine" "$(winpath "$setup")" /S; then fail "the installer failed or did not end"; fi
[ -f "$install_dir/Corvane.exe" ] && ok "installed" || fail "Corvane.exe is not in $install_dir"
for key in "${verbs[@]}"; do
    if key_exists "$key"; then fail "$key exists without /SHELL=1"; else ok "$key absent"; fi
done

echo "== silent install again, with the context-menu commands"
if ! timeout 180 "$wine" "$(winpath "$setup")" /S /SHELL=1; then fail "the installer failed or did not end"; fi
for f in "${files[@]}"; do
    if [ -f "$install_dir/$f" ]; then ok "installed $f"; else fail "$f is not in $install_dir"; fi
done
for f in "${shortcuts[@]}"; do
    if [ -f "$start_menu/$f" ]; then ok "shortcut $f"; else fail "no shortcut $f in $start_menu"; fi
done
cmp -s "$guide" "$install_dir/Guide.chm" && ok "Guide.chm is the built one" ||
    fail "the installed Guide.chm differs from the built one"

check_verb() {
    local key=$1 text=$2 program=$3
    local menu command
    menu=$(default_value "$key")
    command=$(default_value "$key\\command")
    [ "$menu" = "$text" ] && ok "$key reads \"$menu\"" || fail "$key reads \"$menu\", not \"$text\""
    local want="\"C:\\Program Files\\Corvane\\$program\" %1"
    [ "$command" = "$want" ] && ok "$key\\command is $command" || fail "$key\\command is \"$command\", not $want"
}
check_verb "${verbs[0]}" 'Check with &Corvane' Corvane.exe
check_verb "${verbs[1]}" 'Check with &Corvane' Corvane.exe
check_verb "${verbs[2]}" '&Restavo' Restavo.exe
check_verb "${verbs[3]}" '&Restavo' Restavo.exe
uninstaller=$(timeout 60 "$wine" reg query "$uninstall_key" /v UninstallString 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *UninstallString *REG_SZ *//p' || true)
[ "$uninstaller" = '"C:\Program Files\Corvane\Uninstall.exe"' ] && ok "uninstall entry: $uninstaller" ||
    fail "UninstallString is \"$uninstaller\""

echo "== the installed wizard"
if timeout 90 "$wine" "$(winpath "$probe")" 'C:\Program Files\Corvane\Corvane.exe' 'Corvane - Welcome to Corvane!'; then
    ok "Corvane.exe opened its wizard and closed"
    key_exists 'HKLM\Software\Meridel Software\Corvane' && ok "it saved its settings" || fail "no settings saved"
else
    fail "the installed Corvane.exe did not open and close its wizard"
fi

echo "== silent uninstall"
# The uninstaller runs from a copy in the temporary folder and the first process ends at once: wait for the prefix's
# last process instead.
timeout 60 "$wine" 'C:\Program Files\Corvane\Uninstall.exe' /S || fail "the uninstaller did not start"
timeout 120 wineserver -w || fail "the uninstaller did not end"
if [ -e "$install_dir" ]; then fail "$install_dir is still there: $(ls "$install_dir" | tr '\n' ' ')"; else ok "files gone"; fi
if [ -e "$start_menu" ]; then fail "$start_menu is still there"; else ok "shortcuts gone"; fi
for key in "${verbs[@]}" 'HKLM\Software\Meridel Software\Corvane' 'HKLM\Software\Meridel Software\Restavo' \
    "$uninstall_key"; do
    if key_exists "$key"; then fail "$key is still there"; else ok "$key gone"; fi
done

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "installer round trip passed"
