#!/usr/bin/env bash
# End to end: "zorvane.exe /compare" as a script runs it - no window, exit
# code 0 (same), 1 (different) or 2 (error, with the reason in the log); the
# difference it writes, imported, makes the left side the right one; a
# registry script file is a side too.
set -uo pipefail
program=$1
: "${WINEPREFIX:?run through scripts/run-tests.sh}"
wine64=/usr/lib/wine/wine64
source "$(dirname "$0")/common.sh"

work=$(mktemp -d)
win() { echo "Z:${1//\//\\}"; }
cleanup() {
    rm -rf "$work"
    "$wine64" reg delete 'HKCU\Software\ZorvaneCompareA' /f >/dev/null 2>&1
    "$wine64" reg delete 'HKCU\Software\ZorvaneCompareB' /f >/dev/null 2>&1
}
trap cleanup EXIT
fail() { echo "$1"; [ -f "$work/log.txt" ] && iconv -f utf-16 -t utf-8 "$work/log.txt" 2>/dev/null | tail -5; exit 1; }

for side in A B; do
    "$wine64" reg add "HKCU\\Software\\ZorvaneCompare$side" /v Same /d "same" /f >/dev/null 2>&1
    "$wine64" reg add "HKCU\\Software\\ZorvaneCompare$side\\Inner" /v Deep /t REG_DWORD /d 7 /f >/dev/null 2>&1
done
"$wine64" reg add 'HKCU\Software\ZorvaneCompareA' /v OnlyLeft /d "x" /f >/dev/null 2>&1
"$wine64" reg add 'HKCU\Software\ZorvaneCompareB\Inner' /v Deep /t REG_DWORD /d 8 /f >/dev/null 2>&1
"$wine64" reg add 'HKCU\Software\ZorvaneCompareB\New Key' /v "with \"quotes\"" /d "y" /f >/dev/null 2>&1

compare() { "$wine64" "$program" /compare "$@" /log "$(win "$work/log.txt")" >/dev/null 2>&1; }

compare 'HKCU\Software\ZorvaneCompareA' 'HKEY_CURRENT_USER\Software\ZorvaneCompareB' /out "$(win "$work/diff.reg")"
[ $? -eq 1 ] || fail "different keys did not end with exit code 1"
[ -s "$work/diff.reg" ] || fail "no difference script was written"
import_keys "$work/diff.reg" || fail "the difference script did not import"
compare 'HKCU\Software\ZorvaneCompareA' 'HKCU\Software\ZorvaneCompareB'
[ $? -eq 0 ] || fail "after importing the difference the keys still differ"

"$wine64" reg export 'HKCU\Software\ZorvaneCompareB' "$(win "$work/b.reg")" /y >/dev/null 2>&1
compare "$(win "$work/b.reg")" 'HKCU\Software\ZorvaneCompareA'
[ $? -eq 0 ] || fail "a script file of the same tree is not the same"

compare 'HKCU\Software\ZorvaneCompareA' 'HKCU\Software\ZorvaneNoSuchKey'
[ $? -eq 2 ] || fail "a missing side did not end with exit code 2"
iconv -f utf-16 -t utf-8 "$work/log.txt" 2>/dev/null | grep -q "could not start" ||
    grep -aq "could not start" "$work/log.txt" || fail "the log does not say why"
compare 'HKCU\Software\ZorvaneCompareA'
[ $? -eq 2 ] || fail "one side only did not end with exit code 2"
echo "compare command: ok"
