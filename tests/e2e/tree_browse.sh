#!/usr/bin/env bash
# End to end: navigates to a deep key through the address bar, completes the
# partly loaded branches on the way with F5, and checks (with tree_probe,
# which reads the tree from outside) that every expanded item on the path
# shows its key's sub-keys in order. Then resizes the window and
# drags the splitter. Screenshots after the navigation, the resize and the
# drag are kept in ZORVANE_ARTIFACTS.
set -uo pipefail
program=$1
probe=$2
: "${WINEPREFIX:?run through scripts/run-tests.sh}"
: "${DISPLAY:?run through scripts/run-tests.sh}"
artifacts=${ZORVANE_ARTIFACTS:-$(dirname "$program")}
mkdir -p "$artifacts"
wine64=/usr/lib/wine/wine64
source "$(dirname "$0")/common.sh"
run_probe() { "$wine64" "$probe" "$@" 2>/dev/null | tr -d '\r'; }

# The keys: a branch with siblings at every level.
script=$(mktemp --suffix=.reg)
{
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\ZorvaneE2E\\Demo\\Nested\\Level2]\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\ZorvaneE2E\\Demo\\Name with spaces]\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\ZorvaneE2E\\Other]\r\n\r\n'
    for i in $(seq 0 39); do
        printf '[HKEY_CURRENT_USER\\Software\\ZorvaneE2E\\Demo\\Many\\Child %04d]\r\n\r\n' "$i"
    done
} >"$script"
import_keys "$script" || { echo "the test keys could not be imported"; exit 1; }
rm -f "$script"

"$wine64" "$program" >/dev/null 2>&1 &
pid=$!
cleanup() {
    end_pids $pid
    "$wine64" reg delete 'HKCU\Software\ZorvaneE2E' /f >/dev/null 2>&1
}
trap cleanup EXIT

window=""
for _ in $(seq 1 300); do
    window=$(xdotool search --onlyvisible --name '^Zorvane ' 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "the main window did not appear"; exit 1; }
sleep 1

# Without a window manager nothing gives the new window the keyboard: ask for it.
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool mousemove --window "$window" 60 200 click 1
sleep 0.3
xdotool key alt+d
sleep 0.3
xdotool type --delay 30 'hkcu/software/zorvanee2e/demo/many/child 0023'
xdotool key Return
target='CURRENT_USER\Software\ZorvaneE2E\Demo\Many\Child 0023'
title=""
for _ in $(seq 1 50); do
    title=$(xdotool getwindowname "$window")
    case "$title" in *"$target "*) break ;; esac
    sleep 0.1
done
import -window root "$artifacts/after-navigation.png" >/dev/null 2>&1 || true
case "$title" in
    *"$target "*) ;;
    *) echo "title: $title"; echo "the title does not name the key in the registry's spelling"; exit 1 ;;
esac

# Every item on the path that shows only part of its children says so after
# its name; a change notice (the program's own settings are written under
# CURRENT_USER too) or F5 completes them. F5, then wait until none is left.
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key F5
partial_left() { run_probe buttons "$target" | awk -F '\t' '$2 == 1 { found = 1 } END { exit !found }'; }
for _ in $(seq 1 100); do
    partial_left || break
    sleep 0.1
done
if partial_left; then
    echo "an item on the path is still partly loaded after F5"
    exit 1
fi
run_probe check "$target"
if ! run_probe check "$target" >/dev/null; then
    echo "an item's children differ from its key's sub-keys"
    exit 1
fi

# Resize, then drag the splitter between the tree and the value list.
read -r tl tt tr tb vl vt vr vb <<<"$(run_probe panes)"
tree_height=$((tb - tt))
run_probe resize 1100 760
sleep 1
read -r tl tt tr tb vl vt vr vb <<<"$(run_probe panes)"
echo "tree height: $tree_height -> $((tb - tt))"
[ $((tb - tt)) -gt $((tree_height + 80)) ] || { echo "the tree did not take its share of the new height"; exit 1; }
import -window root "$artifacts/after-resize.png" >/dev/null 2>&1 || true
read -r tl tt tr tb vl vt vr vb <<<"$(run_probe panes)"
before=$((tr - tl))
y=$(((tt + tb) / 2))
xdotool mousemove $((tr + 3)) $y mousedown 1
sleep 0.2
xdotool mousemove $((tr + 60)) $y
sleep 0.2
xdotool mousemove $((tr + 120)) $y mouseup 1
sleep 1
import -window root "$artifacts/after-splitter-drag.png" >/dev/null 2>&1 || true
read -r tl tt tr tb vl vt vr vb <<<"$(run_probe panes)"
after=$((tr - tl))
echo "tree width: $before -> $after"
[ $after -gt $((before + 100)) ] || { echo "the splitter did not move"; exit 1; }

xdotool key alt+F4
for _ in $(seq 1 100); do
    kill -0 $pid 2>/dev/null || exit 0
    sleep 0.1
done
echo "the program did not close"
exit 1
