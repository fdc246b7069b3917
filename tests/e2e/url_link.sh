#!/usr/bin/env bash
# End to end: the program registers its link protocols when it starts; a
# zorvane: link then opened through the shell (as a browser hands it over)
# shows its key, and a link crafted to be split by a launcher that passes
# its quotes on ("... /log "file") neither writes nor deletes that file.
set -uo pipefail
program=$1
: "${WINEPREFIX:?run through scripts/run-tests.sh}"
: "${DISPLAY:?run through scripts/run-tests.sh}"
artifacts=${ZORVANE_ARTIFACTS:-$(dirname "$program")}
mkdir -p "$artifacts"
wine64=/usr/lib/wine/wine64
source "$(dirname "$0")/common.sh"

work=$(mktemp -d)
victim="$work/thesis.docx"
echo "the only copy of a thesis" > "$victim"
cleanup() {
    end_prefix_programs 'zorvane[.]exe'
    rm -rf "$work"
    "$wine64" reg delete 'HKCU\Software\ZorvaneLinkTarget' /f >/dev/null 2>&1
}
trap cleanup EXIT
# What earlier starts in this prefix registered goes, so that this start is
# the one that registers.
for name in zorvane reg; do
    for classes in 'HKLM\Software\Classes' 'HKCU\Software\Classes'; do
        "$wine64" reg delete "$classes\\$name" /f >/dev/null 2>&1
    done
done
"$wine64" reg add 'HKCU\Software\ZorvaneLinkTarget\InnerKey' /f >/dev/null 2>&1

# Waits for a main window whose title names the key; prints the window.
window_for() {
    local window="" title=""
    for _ in $(seq 1 300); do
        window=$(window_named '^Zorvane ')
        if [ -n "$window" ]; then
            title=$(xdotool getwindowname "$window" 2>/dev/null)
            case "$title" in *"$1 "*) echo "$window"; return 0 ;; esac
        fi
        sleep 0.1
    done
    echo "no window for $1 (last title: $title)" >&2
    return 1
}

# Closes the program the normal way: taskkill without /f asks its window
# to close, as the window's close button does. The shell started the second
# copy, so its process is found by this prefix, not by a recorded id.
close_links_program() {
    "$wine64" taskkill /im zorvane.exe >/dev/null 2>&1
    for _ in $(seq 1 100); do
        [ -z "$(prefix_pids 'zorvane[.]exe')" ] && return 0
        sleep 0.1
    done
    echo "the program did not close"
    return 1
}

# The first start, given a link on its command line, registers the protocols.
"$wine64" "$program" 'zorvane:HKCU/Software/ZorvaneLinkTarget' >/dev/null 2>&1 &
window=$(window_for 'CURRENT_USER\Software\ZorvaneLinkTarget') || exit 1
close_links_program || exit 1
command=$("$wine64" reg query 'HKCR\zorvane\shell\open\command' 2>/dev/null | tr -d '\r')
echo "$command" | grep -q 'zorvane.exe" "%1"' || { echo "registration: $command"; exit 1; }

# Through the shell, with a link crafted to be split into a log switch and
# the victim's path.
winvictim="Z:${victim//\//\\}"
"$wine64" start "zorvane:HKCU/Software/ZorvaneLinkTarget/InnerKey\" /log \"$winvictim" >/dev/null 2>&1 &
window=$(window_for 'CURRENT_USER\Software\ZorvaneLinkTarget\InnerKey') || exit 1
sleep 1
import -window root "$artifacts/url-link.png" >/dev/null 2>&1 || true
content=$(cat "$victim" 2>/dev/null)
[ "$content" = "the only copy of a thesis" ] || { echo "the file named in the link changed: '$content'"; exit 1; }
close_links_program || exit 1
content=$(cat "$victim" 2>/dev/null)
[ "$content" = "the only copy of a thesis" ] || { echo "the file named in the link changed at exit: '$content'"; exit 1; }
exit 0
