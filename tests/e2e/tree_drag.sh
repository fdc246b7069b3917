#!/usr/bin/env bash
# End to end: drags keys in the key tree with the mouse, as a user does. A
# plain drop onto another key moves it after the question, a drop with Ctrl
# copies, holding the dragged key over a collapsed key's expand button opens
# it, holding it near the pane's bottom edge scrolls the tree, and a drop onto
# the key's own child is refused with a message and changes nothing.
# Screenshots go to ZORVANE_ARTIFACTS.
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
root='HKCU\Software\ZorvaneE2ETree'
base='CURRENT_USER\Software\ZorvaneE2ETree'

script=$(mktemp --suffix=.reg)
{
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\ZorvaneE2ETree\\Alpha\\Inner]\r\n"kept"="yes"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\ZorvaneE2ETree\\Beta]\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\ZorvaneE2ETree\\Gamma\\Child]\r\n\r\n'
    for i in $(seq 100 179); do
        printf '[HKEY_CURRENT_USER\\Software\\ZorvaneE2ETree\\Many\\K%s]\r\n\r\n' "$i"
    done
} >"$script"
import_keys "$script" || { echo "the test keys could not be imported"; exit 1; }
rm -f "$script"
pids=()
cleanup() {
    end_pids "${pids[@]}"
    "$wine64" reg delete "$root" /f >/dev/null 2>&1
}
trap cleanup EXIT

key_exists() { "$wine64" reg query "$root\\$1" >/dev/null 2>&1; }
question() { window_named '^Zorvane$'; }
answer() { # key to press in the message box
    wait_for test -n "$(question)" || { echo "no question appeared"; return 1; }
    xdotool windowfocus --sync "$(question)" 2>/dev/null
    xdotool key "$1"
    wait_for test -z "$(question)"
}
point_of() { run_probe text "$base\\$1"; }
# The item's point once the tree shows it: after a drop the tree reads the
# changed branches again, and an item may be missing for a moment.
shown_point_of() { await_output point_of "$1"; }
# Presses on a tree item and moves in steps to x y; the caller releases.
press_and_move() { # item x y [ctrl]
    local sx sy expanded
    read -r sx sy expanded <<<"$(shown_point_of "$1")"
    [ -n "$sx" ] || { echo "no item $1"; return 1; }
    xdotool mousemove "$sx" "$sy" mousedown 1
    sleep 0.3
    xdotool mousemove $((sx + 8)) $((sy + 8))
    sleep 0.2
    xdotool mousemove $(((sx + $2) / 2)) $(((sy + $3) / 2))
    sleep 0.2
    [ "${4:-}" = ctrl ] && xdotool keydown ctrl
    xdotool mousemove "$2" "$3"
    sleep 0.3
    xdotool mousemove $(($2 + 1)) $(($3 + 1))
    sleep 0.3
}
release() {
    xdotool mouseup 1
    xdotool keyup ctrl
    sleep 0.3
}
drop_on() { # item target [ctrl]
    local tx ty expanded
    read -r tx ty expanded <<<"$(shown_point_of "$2")"
    [ -n "$tx" ] || { echo "no item $2"; return 1; }
    press_and_move "$1" "$tx" "$ty" "${3:-}" && release
}

"$wine64" "$program" "$base\\Alpha" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 1 300); do
    [ -n "$(window_named 'ZorvaneE2ETree')" ] && break
    sleep 0.1
done
[ -n "$(window_named 'ZorvaneE2ETree')" ] || { echo "no window"; exit 1; }
run_probe resize 900 640
sleep 1
# Only the way to Alpha is shown: its parent's button shows the siblings too.
button_of() { run_probe buttons "$base\\$1" | awk -F'\t' -v p="$base\\$1" '$1 == p { print $3, $4 }'; }
read -r px py <<<"$(run_probe buttons "$base" | awk -F'\t' -v p="$base" '$1 == p { print $3, $4 }')"
[ -n "$px" ] || { echo "no button on $base"; exit 1; }
xdotool mousemove "$px" "$py" click 1
wait_for sh -c "'$wine64' '$probe' text '$base\\Beta' >/dev/null 2>&1" || { echo "the siblings did not appear"; exit 1; }

# A plain drop moves, after the question.
drop_on Alpha Beta || exit 1
import -window root "$artifacts/tree-drag-move-question.png" >/dev/null 2>&1 || true
answer Return || exit 1
wait_for key_exists 'Beta\Alpha\Inner' || { echo "the moved key did not arrive"; exit 1; }
wait_for sh -c "! '$wine64' reg query '$root\\Alpha' >/dev/null 2>&1" || { echo "the move left the source"; exit 1; }
wait_for sh -c "! '$wine64' '$probe' text '$base\\Alpha' >/dev/null 2>&1" || { echo "the moved key's item stayed"; exit 1; }
echo "moved: Alpha onto Beta"

# With Ctrl held it copies.
drop_on Beta Gamma ctrl || exit 1
answer Return || exit 1
wait_for key_exists 'Gamma\Beta\Alpha\Inner' || { echo "the copied key did not arrive"; exit 1; }
key_exists 'Beta\Alpha' || { echo "the copy removed the source"; exit 1; }
echo "copied: Beta onto Gamma"

# Held over a collapsed key's expand button, the key opens.
"$wine64" reg add "$root\\Delta\\Hidden" /f >/dev/null 2>&1
xdotool key F5
sleep 1
read -r ex ey <<<"$(button_of Beta)"
[ -n "$ex" ] || { echo "Beta has no expand button"; exit 1; }
xdotool mousemove "$ex" "$ey" click 1
wait_for sh -c "'$wine64' '$probe' text '$base\\Beta\\Alpha' >/dev/null 2>&1" || { echo "Beta did not open"; exit 1; }
button=$(button_of Delta)
[ -n "$button" ] || { echo "Delta has no expand button"; exit 1; }
read -r bx by <<<"$button"
read -r _ _ expanded <<<"$(point_of Delta)"
[ "$expanded" = 0 ] || { echo "Delta was already expanded"; exit 1; }
press_and_move Beta "$bx" "$by" || exit 1
opened=0
for _ in $(seq 1 90); do
    read -r _ _ expanded <<<"$(point_of Delta)"
    [ "$expanded" = 1 ] && { opened=1; break; }
    sleep 0.1
done
import -window root "$artifacts/tree-drag-hover-expanded.png" >/dev/null 2>&1 || true

# Still dragging: onto the key's own child, which is refused with a message.
read -r cx cy _ <<<"$(point_of 'Beta\Alpha')"
if [ -n "$cx" ]; then
    xdotool mousemove "$cx" "$cy"
    sleep 0.3
    xdotool mousemove $((cx + 1)) $((cy + 1))
    sleep 0.3
fi
release
[ "$opened" = 1 ] || { echo "holding over the expand button did not open Delta"; exit 1; }
echo "hover opened Delta"
[ -n "$cx" ] || { echo "Beta's child is not shown"; exit 1; }
answer Return || { echo "the drop onto the own child gave no message"; exit 1; }
sleep 0.5
key_exists 'Beta\Alpha\Inner' || { echo "the refused drop changed the source"; exit 1; }
key_exists 'Beta\Alpha\Beta' && { echo "the key was copied into itself"; exit 1; }
echo "refused: Beta onto its own child"

# Near the bottom edge the tree scrolls.
read -r mx my _ <<<"$(point_of Many)"
xdotool mousemove "$mx" "$my" click --repeat 2 1
sleep 1
read -r tl tt tr tb _ <<<"$(run_probe panes)"
before=$(run_probe first)
press_and_move "Many\\K101" $(((tl + tr) / 2)) $((tb - 6)) || exit 1
scrolled=0
for _ in $(seq 1 40); do
    [ "$(run_probe first)" != "$before" ] && { scrolled=1; break; }
    sleep 0.1
done
import -window root "$artifacts/tree-drag-edge-scroll.png" >/dev/null 2>&1 || true
# Dropped outside every window: nothing happens.
xdotool mousemove 1150 700
sleep 0.3
release
sleep 0.5
[ -z "$(question)" ] || { echo "a drop on the bare desktop asked something"; exit 1; }
key_exists 'Many\K101' || { echo "a drop on the bare desktop lost the key"; exit 1; }
[ "$scrolled" = 1 ] || { echo "the tree did not scroll near its bottom edge"; exit 1; }
echo "scrolled: first visible item was $before, now $(run_probe first)"
exit 0
