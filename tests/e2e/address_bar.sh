#!/usr/bin/env bash
# End to end: starts the built program under Wine on the test display, types
# a location into the address bar as a user would, and checks that the window
# title names the key and that the key entered the navigation history. Keeps
# a screenshot of the main window in ZORVANE_ARTIFACTS.
set -uo pipefail
program=$1
: "${WINEPREFIX:?run through scripts/run-tests.sh}"
: "${DISPLAY:?run through scripts/run-tests.sh}"
artifacts=${ZORVANE_ARTIFACTS:-$(dirname "$program")}
mkdir -p "$artifacts"
wine64=/usr/lib/wine/wine64
source "$(dirname "$0")/common.sh"

"$wine64" "$program" >/dev/null 2>&1 &
pid=$!
trap 'end_pids $pid' EXIT

window=""
for _ in $(seq 1 300); do
    window=$(xdotool search --onlyvisible --name '^Zorvane ' 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.1
done
if [ -z "$window" ]; then
    echo "the main window did not appear"
    exit 1
fi
sleep 1

# Focus the window by clicking into the key tree, then Alt+D for the address bar.
# Without a window manager nothing gives the new window the keyboard: ask for it.
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool mousemove --window "$window" 60 200 click 1
sleep 0.3
xdotool key alt+d
sleep 0.3
xdotool type --delay 30 'hklm/software/classes'
sleep 0.5
xdotool key Return

title=""
for _ in $(seq 1 50); do
    title=$(xdotool getwindowname "$window")
    case "$title" in
        *'LOCAL_MACHINE\Software\Classes '*) break ;;
    esac
    sleep 0.1
done
import -window root "$artifacts/main-window.png" >/dev/null 2>&1 || true
echo "title: $title"
case "$title" in
    *'LOCAL_MACHINE\Software\Classes '*) ;;
    *) echo "the title does not name the typed key"; exit 1 ;;
esac

# Alt+F4 closes the program the normal way; the history is saved then.
xdotool key alt+F4
closed=0
for _ in $(seq 1 100); do
    if ! kill -0 $pid 2>/dev/null; then
        closed=1
        break
    fi
    sleep 0.1
done
[ $closed -eq 1 ] || { echo "the program did not close"; exit 1; }

history=$("$wine64" reg query 'HKCU\Software\Quenmar\Zorvane\RecentPath' /v 0 2>/dev/null | tr -d '\r')
echo "$history" | grep -q 'LOCAL_MACHINE\\Software\\Classes' || { echo "history: $history"; echo "the key is not the newest history entry"; exit 1; }
exit 0
