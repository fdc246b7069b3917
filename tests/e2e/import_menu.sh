#!/usr/bin/env bash
# End to end: File > Import... as a user drives it - the menu by keyboard,
# the file typed into the platform's open dialog, the preview (kept as a
# screenshot in ZORVANE_ARTIFACTS), Apply, the end report - and the registry
# then holds what the file says.
set -uo pipefail
program=$1
: "${WINEPREFIX:?run through scripts/run-tests.sh}"
: "${DISPLAY:?run through scripts/run-tests.sh}"
artifacts=${ZORVANE_ARTIFACTS:-$(dirname "$program")}
mkdir -p "$artifacts"
wine64=/usr/lib/wine/wine64
source "$(dirname "$0")/common.sh"

work=$(mktemp -d)
script="$work/import-me.reg"
{
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\ZorvaneImportE2E]\r\n'
    printf '"Greeting"="hello"\r\n'
    printf '"Count"=dword:0000002a\r\n'
    printf '[-HKEY_CURRENT_USER\\Software\\ZorvaneImportE2EOld]\r\n'
} > "$script"
cleanup() {
    end_prefix_programs 'zorvane[.]exe'
    rm -rf "$work"
    "$wine64" reg delete 'HKCU\Software\ZorvaneImportE2E' /f >/dev/null 2>&1
    "$wine64" reg delete 'HKCU\Software\ZorvaneImportE2EOld' /f >/dev/null 2>&1
}
trap cleanup EXIT
"$wine64" reg add 'HKCU\Software\ZorvaneImportE2EOld\Inner' /v x /d y /f >/dev/null 2>&1

"$wine64" "$program" 'HKCU\Software' >/dev/null 2>&1 &
pid=$!
main=$(await_window '^Zorvane ') || { echo "the main window did not appear"; exit 1; }
sleep 1
xdotool windowfocus --sync "$main" 2>/dev/null
xdotool mousemove --window "$main" 60 200 click 1
sleep 0.3
xdotool key alt+f
sleep 0.3
xdotool key i
await_window '^Open$' >/dev/null || { echo "the open dialog did not appear"; exit 1; }
sleep 0.5
xdotool type --delay 20 "Z:${script//\//\\}"
xdotool key Return

preview=$(await_window '^Import import-me.reg$') || { echo "the preview did not appear"; exit 1; }
sleep 0.5
# The preview alone (it is also the help file's picture of it).
screenshot_of "$preview" "$artifacts/import-preview.png" || true
# Apply is the default button.
xdotool windowfocus --sync "$preview" 2>/dev/null
xdotool key Return

report=$(await_window '^Zorvane$') || { echo "no end report"; exit 1; }
import -window root "$artifacts/import-report.png" >/dev/null 2>&1 || true
xdotool windowfocus --sync "$report" 2>/dev/null
xdotool key Return

values=$("$wine64" reg query 'HKCU\Software\ZorvaneImportE2E' 2>/dev/null | tr -d '\r')
echo "$values" | grep -q 'Greeting *REG_SZ *hello' || { echo "values: $values"; exit 1; }
echo "$values" | grep -q 'Count *REG_DWORD *0x2a' || { echo "values: $values"; exit 1; }
if "$wine64" reg query 'HKCU\Software\ZorvaneImportE2EOld' >/dev/null 2>&1; then
    echo "the deleted key is still there"
    exit 1
fi
close_program $pid

# Started only to import a script: the preview shows alone, and Cancel ends
# the program.
"$wine64" "$program" /import "Z:${script//\//\\}" >/dev/null 2>&1 &
alone=$!
preview=$(await_window '^Import import-me.reg$') || { echo "no preview for /import"; exit 1; }
if [ -n "$(window_named '^Zorvane ')" ]; then
    import -window root "$artifacts/import-alone.png" >/dev/null 2>&1 || true
    echo "a main window stands beside the preview of /import"
    exit 1
fi
xdotool windowfocus --sync "$preview" 2>/dev/null
xdotool key Escape
wait_for sh -c "! kill -0 $alone 2>/dev/null" || { echo "the program went on after the preview of /import"; exit 1; }
exit 0
