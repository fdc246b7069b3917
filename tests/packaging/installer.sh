#!/usr/bin/env bash
# The installer and its uninstaller in the test prefix: built here with
# makensis from the program and help file of this build, installed silently
# per machine and per user, the installed program started, then uninstalled
# silently. Nothing of ours may stay but the user's settings (and those go
# too when asked), and nothing that is not ours may go.
# The 64-bit installer is the one installed here; the 32-bit one is built and
# checked (a 32-bit program of the version), and installed only where a
# 32-bit Wine can run a program, which is decided by running one.
# Arguments: the 64-bit zorvane.exe, its Zorvane.chm, the 32-bit zorvane.exe.
set -uo pipefail
program=$1
helpfile=$2
program32=${3:-}
: "${WINEPREFIX:?run through scripts/run-tests.sh}"
: "${DISPLAY:?run through scripts/run-tests.sh}"
root=$(cd "$(dirname "$0")/../.." && pwd)
wine64=/usr/lib/wine/wine64
source "$root/tests/e2e/common.sh"
source "$root/scripts/wine32.sh"

fail() { echo "installer: $*"; failed=1; }
failed=0
work=$(mktemp -d)
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zorvane'
user_uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zorvane'
cleanup() {
    end_prefix_programs '[Zz]orvane[.]exe|hh[.]exe'
    rm -rf "$work"
}
trap cleanup EXIT

command -v makensis >/dev/null || { echo "installer: makensis is missing (Debian package nsis)"; exit 1; }

# The version, from the one place it is written.
version=$(awk '/^#define ZORVANE_VERSION_(MAJOR|MINOR|BUILD|REVISION) /{v = v (v == "" ? "" : ".") $3} END {print v}' \
    "$root/resources/version.h")
[ -n "$version" ] || { echo "installer: no version in version.h"; exit 1; }

nsi="$root/packaging/installer/zorvane.nsi"
(cd "$(dirname "$nsi")" && makensis -V1 -DARCH=x64 -DPROGRAM="$program" -DHELPFILE="$helpfile" -DOUTDIR="$work" \
    "$(basename "$nsi")") || { echo "installer: makensis failed"; exit 1; }
setup="$work/zorvane-setup-$version-x64.exe"
[ -f "$setup" ] || { echo "installer: $setup was not made (file name without the version?)"; ls "$work"; exit 1; }
setup32="$work/zorvane-setup-$version-x86.exe"
if [ -n "$program32" ] && [ -f "$program32" ]; then
    (cd "$(dirname "$nsi")" && makensis -V1 -DARCH=x86 -DPROGRAM="$program32" -DHELPFILE="$helpfile" \
        -DOUTDIR="$work" "$(basename "$nsi")") || fail "the 32-bit installer could not be built"
    [ -f "$setup32" ] || fail "no $(basename "$setup32")"
else
    fail "no 32-bit program to build the 32-bit installer from ($program32)"
fi
# The machine a program file is for: 014c (32-bit x86) or 8664 (x64).
pe_machine() {
    local header
    header=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tx2 -j$((header + 4)) -N2 "$1" | tr -d ' '
}
# Whether the file's version resource holds the version (as UTF-16 text).
# grep reads all of it: with -q it would stop at the first match, and
# strings, cut off, would fail the pipeline under pipefail.
has_version() { strings -el "$1" | grep -xF "$version" >/dev/null; }
[ "$(pe_machine "$setup")" = 8664 ] || fail "the x64 installer is no 64-bit program"
[ "$(pe_machine "$program")" = 8664 ] || fail "the x64 installer's program is no 64-bit program"
has_version "$setup" || fail "the x64 installer does not carry version $version"
if [ -f "$setup32" ]; then
    [ "$(pe_machine "$setup32")" = 014c ] || fail "the x86 installer is no 32-bit program"
    [ "$(pe_machine "$program32")" = 014c ] || fail "the x86 installer's program is no 32-bit program"
    has_version "$setup32" || fail "the x86 installer does not carry version $version"
    has_version "$program32" || fail "the 32-bit program does not carry version $version"
fi

unix() { "$wine64" winepath -u "$1" 2>/dev/null | tr -d '\r'; }
query() { "$wine64" reg query "$@" 2>/dev/null | tr -d '\r'; }
has_key() { "$wine64" reg query "$1" >/dev/null 2>&1; }
# The value's data as reg.exe shows it.
value_of() {
    if [ "$2" = '(Default)' ]; then query "$1" /ve; else query "$1" /v "$2"; fi |
        awk -v name="$2" '$1 == name {sub(/^[ ]*[^ ]+[ ]+[^ ]+[ ]+/, ""); print}'
}

program_files=$(unix 'C:\Program Files\Zorvane')
machine_menu=$(unix 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs')
local_appdata=$("$wine64" cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')
appdata=$("$wine64" cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r')
user_folder=$(unix "$local_appdata\\Programs\\Zorvane")
user_menu=$(unix "$appdata\\Microsoft\\Windows\\Start Menu\\Programs")

# Registrations left by earlier starts of the program in this prefix go first,
# so that what the installer and the installed program write can be told.
for name in zorvane reg .s2r; do
    "$wine64" reg delete "HKLM\\Software\\Classes\\$name" /f >/dev/null 2>&1
    "$wine64" reg delete "HKCU\\Software\\Classes\\$name" /f >/dev/null 2>&1
done
# Neighbours that are not ours and must outlive the uninstaller.
"$wine64" reg add 'HKLM\Software\Classes\regfile' /ve /d 'Registration Entries' /f >/dev/null 2>&1
"$wine64" reg add 'HKCU\Software\Classes\zorvane.other' /ve /d 'not ours' /f >/dev/null 2>&1

# --- Per machine ----------------------------------------------------------------
"$wine64" "$setup" /S >/dev/null 2>&1 || fail "the silent per-machine install failed"
for file in zorvane.exe Zorvane.chm License.txt uninstall.exe; do
    [ -f "$program_files/$file" ] || fail "no $file in $program_files"
done
cmp -s "$program" "$program_files/zorvane.exe" || fail "the installed program is not the one built"
[ -f "$machine_menu/Zorvane.lnk" ] || fail "no Start menu entry in $machine_menu"
[ "$(value_of "$uninstall_key" DisplayName)" = "Zorvane" ] || fail "uninstall entry: $(query "$uninstall_key")"
[ "$(value_of "$uninstall_key" DisplayVersion)" = "$version" ] || fail "DisplayVersion is not $version"
[ "$(value_of "$uninstall_key" Publisher)" = "Quenmar" ] || fail "no Publisher"
size=$(value_of "$uninstall_key" EstimatedSize)
[ $((size)) -gt 100 ] || fail "EstimatedSize $size"
[ "$(value_of "$uninstall_key" UninstallString)" = '"C:\Program Files\Zorvane\uninstall.exe" /AllUsers' ] ||
    fail "UninstallString $(value_of "$uninstall_key" UninstallString)"
# The installer registers the link types and the shortcut file type for the
# installed copy.
installed_command='"C:\Program Files\Zorvane\zorvane.exe" "%1"'
for name in zorvane reg; do
    [ "$(value_of "HKLM\\Software\\Classes\\$name\\shell\\open\\command" '(Default)')" = "$installed_command" ] ||
        fail "the installer did not register $name: links: $(query "HKLM\\Software\\Classes\\$name" /s)"
done
[ "$(value_of 'HKLM\Software\Classes\.s2r' '(Default)')" = zorvane ] || fail "the installer did not register .s2r"

# The installed program starts and leaves its installer's registrations.
"$wine64" 'C:\Program Files\Zorvane\zorvane.exe' 'HKCU\Software' >/dev/null 2>&1 &
installed_pid=$!
await_window '^Zorvane ' >/dev/null || fail "the installed program did not start"
sleep 1
close_program $installed_pid
# The installed help file opens in the platform's help viewer.
"$wine64" hh.exe 'C:\Program Files\Zorvane\Zorvane.chm' >/dev/null 2>&1 &
viewer_pid=$!
viewer=$(await_window '^Zorvane Help$') || fail "hh.exe did not open the installed help file"
[ -n "${viewer:-}" ] && xdotool windowclose "$viewer" >/dev/null 2>&1
wait_for sh -c "! kill -0 $viewer_pid 2>/dev/null" || end_pids $viewer_pid
command_text=$(value_of 'HKLM\Software\Classes\zorvane\shell\open\command' '(Default)')
[ "$command_text" = '"C:\Program Files\Zorvane\zorvane.exe" "%1"' ] || fail "link type command: $command_text"
has_key 'HKCU\Software\Quenmar\Zorvane' || fail "the program kept no settings"
"$wine64" reg add 'HKCU\Software\Quenmar Consulting\Zorvane\Bookmarks' /v Mine /d 'CURRENT_USER\Software' /f \
    >/dev/null 2>&1
# Since then another program has taken the reg: links: they stay its.
"$wine64" reg add 'HKLM\Software\Classes\reg\shell\open\command' /ve /d '"C:\Other\viewer.exe" "%1"' /f \
    >/dev/null 2>&1

"$wine64" 'C:\Program Files\Zorvane\uninstall.exe' /AllUsers /S >/dev/null 2>&1
# The uninstaller runs from a copy of itself and returns at once.
wait_for sh -c "[ ! -e '$program_files' ]" || fail "$program_files is still there: $(ls "$program_files" 2>&1)"
wait_for sh -c "! '$wine64' reg query '$uninstall_key' >/dev/null 2>&1" || fail "the uninstall entry is still there"
[ -e "$machine_menu/Zorvane.lnk" ] && fail "the Start menu entry is still there"
for key in 'HKLM\Software\Classes\zorvane' 'HKLM\Software\Classes\.s2r'; do
    has_key "$key" && fail "$key is still there"
done
[ "$(value_of 'HKLM\Software\Classes\reg\shell\open\command' '(Default)')" = '"C:\Other\viewer.exe" "%1"' ] ||
    fail "the other program's reg: links went"
"$wine64" reg delete 'HKLM\Software\Classes\reg' /f >/dev/null 2>&1
has_key 'HKCU\Software\Quenmar\Zorvane' || fail "the user's settings went without being asked"
has_key 'HKCU\Software\Quenmar Consulting\Zorvane\Bookmarks' || fail "the user's bookmarks went without being asked"
has_key 'HKLM\Software\Classes\regfile' || fail "a neighbouring class went (regfile)"
has_key 'HKCU\Software\Classes\zorvane.other' || fail "a neighbouring class went (zorvane.other)"

# --- Per user, a file of the user's in the folder, settings removed on request --
"$wine64" "$setup" /CurrentUser /S >/dev/null 2>&1 || fail "the silent per-user install failed"
[ -f "$user_folder/zorvane.exe" ] || fail "no program in $user_folder"
[ -f "$user_menu/Zorvane.lnk" ] || fail "no Start menu entry in $user_menu"
has_key "$user_uninstall_key" || fail "no per-user uninstall entry"
[ -e "$program_files" ] && fail "the per-user install wrote to $program_files"
user_command=$(value_of 'HKCU\Software\Classes\zorvane\shell\open\command' '(Default)')
[ "$user_command" = "\"$local_appdata\\Programs\\Zorvane\\zorvane.exe\" \"%1\"" ] ||
    fail "the per-user install registered zorvane: links as: $user_command"
echo "mine" > "$user_folder/notes.txt"
"$wine64" "$user_folder/uninstall.exe" /CurrentUser /S /RemoveSettings >/dev/null 2>&1
wait_for sh -c "[ ! -e '$user_folder/zorvane.exe' ] && ! '$wine64' reg query '$user_uninstall_key' >/dev/null 2>&1" ||
    fail "the per-user uninstall left the program or its entry"
wait_for sh -c "[ ! -e '$user_folder/uninstall.exe' ]" || fail "the uninstaller is still there"
[ -f "$user_folder/notes.txt" ] || fail "the user's own file in the folder went"
[ -e "$user_menu/Zorvane.lnk" ] && fail "the per-user Start menu entry is still there"
has_key 'HKCU\Software\Classes\zorvane' && fail "the per-user registration of zorvane: links stayed"
wait_for sh -c "! '$wine64' reg query 'HKCU\\Software\\Quenmar\\Zorvane' >/dev/null 2>&1" ||
    fail "the settings stayed though asked to go"
has_key 'HKCU\Software\Quenmar Consulting\Zorvane' && fail "the bookmarks stayed though asked to go"
has_key 'HKCU\Software\Classes\zorvane.other' || fail "a neighbouring class went (zorvane.other)"
rm -rf "$user_folder"
"$wine64" reg delete 'HKCU\Software\Classes\zorvane.other' /f >/dev/null 2>&1

# --- The 32-bit installer, where a 32-bit Wine can run it ------------------------
if [ -f "$setup32" ]; then
    if wine32_runs_programs; then
        "$wine64" "$setup32" /S >/dev/null 2>&1 || fail "the 32-bit installer failed"
        x86_folder=$(unix 'C:\Program Files (x86)\Zorvane')
        cmp -s "$program32" "$x86_folder/zorvane.exe" || fail "the 32-bit installer did not install the 32-bit program"
        "$wine64" "$x86_folder/uninstall.exe" /AllUsers /S >/dev/null 2>&1
        wait_for sh -c "[ ! -e '$x86_folder' ]" || fail "the 32-bit uninstaller left $x86_folder"
    else
        echo "installer: the 32-bit installer was built and checked but not run: $WINE32_REASON"
    fi
fi
[ $failed -eq 0 ] && echo "installer: all checks passed"
exit $failed
