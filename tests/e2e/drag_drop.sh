#!/usr/bin/env bash
# End to end: drags values between two running instances with the mouse, as
# a user does. A plain drop moves after the question, a drop with Ctrl copies,
# a drop on the search pane's free space is refused, and a drop on a folder
# (drag_probe standing in for the shell's folder window) yields a shortcut
# file that opens the key. A copied value reaches another program's clipboard
# reader as an item list and registry text. The shortcut the program made in the temporary
# folder is gone once the program ends. Screenshots go to ZORVANE_ARTIFACTS.
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
root='HKCU\Software\ZorvaneE2EDrag'
from='CURRENT_USER\Software\ZorvaneE2EDrag\From'
to='CURRENT_USER\Software\ZorvaneE2EDrag\To'

script=$(mktemp --suffix=.reg)
{
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\ZorvaneE2EDrag\\From]\r\n'
    printf '"alpha"="one"\r\n"beta"=dword:00000007\r\n"gamma"=hex:01,5c,74\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\ZorvaneE2EDrag\\To]\r\n"here"="x"\r\n\r\n'
} >"$script"
import_keys "$script" || { echo "the test keys could not be imported"; exit 1; }
rm -f "$script"
folder=$(mktemp -d)
pids=()
cleanup() {
    # Closed the way a user closes them, so their clipboard is flushed; what
    # is still running then is ended, and a clipboard it held is emptied.
    run_probe close 'ZorvaneE2EDrag' >/dev/null 2>&1
    end_pids "${pids[@]}"
    run_probe clear >/dev/null 2>&1
    "$wine64" reg delete "$root" /f >/dev/null 2>&1
    rm -rf "$folder"
}
trap cleanup EXIT

has_value() { "$wine64" reg query "$root\\$1" /v "$2" >/dev/null 2>&1; }
start() { # location
    "$wine64" "$program" "$1" >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 1 300); do
        [ -n "$(window_named "$2")" ] && return 0
        sleep 0.1
    done
    echo "no window for $1"
    exit 1
}
question() { window_named '^Zorvane$'; }
answer_yes() {
    wait_for test -n "$(question)" || { echo "no question appeared"; return 1; }
    xdotool windowfocus --sync "$(question)" 2>/dev/null
    xdotool key Return
    wait_for test -z "$(question)"
}
# Presses on a row and drags it in steps to x y (with Ctrl held at the drop when asked).
drag() { # title value x y [ctrl]
    local sx sy
    read -r sx sy <<<"$(run_probe row "$1" "$2")"
    [ -n "$sx" ] || { echo "no row $2 in $1"; return 1; }
    xdotool mousemove "$sx" "$sy" mousedown 1
    sleep 0.3
    xdotool mousemove $((sx + 8)) $((sy + 8))
    sleep 0.2
    xdotool mousemove $(((sx + $3) / 2)) $(((sy + $4) / 2))
    sleep 0.2
    [ "${5:-}" = ctrl ] && xdotool keydown ctrl
    xdotool mousemove "$3" "$4"
    sleep 0.3
    xdotool mousemove $(($3 + 2)) $(($4 + 2))
    sleep 0.3
    xdotool mouseup 1
    [ "${5:-}" = ctrl ] && xdotool keyup ctrl
    sleep 0.3
}

start "$from" "ZorvaneE2EDrag\\\\From"
start "$to" "ZorvaneE2EDrag\\\\To"
run_probe place 'ZorvaneE2EDrag\From' 0 0 620 520
run_probe place 'ZorvaneE2EDrag\To' 640 0 620 520
sleep 1
read -r vl vt vr vb sl st sr sb <<<"$(run_probe panes 'ZorvaneE2EDrag\To')"
free_x=$(((vl + vr) / 2))
free_y=$((vb - 20))

# A plain drop moves, after the question.
drag 'ZorvaneE2EDrag\From' alpha $free_x $free_y
import -window root "$artifacts/drag-move-question.png" >/dev/null 2>&1 || true
answer_yes || exit 1
wait_for has_value To alpha || { echo "the moved value did not arrive"; exit 1; }
wait_for sh -c "! '$wine64' reg query '$root\\From' /v alpha >/dev/null 2>&1" || { echo "the move left the source"; exit 1; }
echo "moved: alpha"

# With Ctrl held it copies.
drag 'ZorvaneE2EDrag\From' beta $free_x $free_y ctrl
answer_yes || exit 1
wait_for has_value To beta || { echo "the copied value did not arrive"; exit 1; }
has_value From beta || { echo "the copy removed the source"; exit 1; }
echo "copied: beta"

# Copy puts the item list and its registry text where other programs read them.
# The window that took the last drop may still hold the focus: focus the
# source first, and press again when the keys went elsewhere.
read -r cx cy <<<"$(run_probe row 'ZorvaneE2EDrag\From' beta)"
copy_beta() {
    xdotool windowfocus --sync "$(window_named 'ZorvaneE2EDrag.From')" 2>/dev/null
    xdotool mousemove "$cx" "$cy" click 1
    sleep 0.3
    xdotool key ctrl+c
    wait_for sh -c "'$wine64' '$probe' clipboard 2>/dev/null | grep -q '^list'"
}
for _ in 1 2 3; do copy_beta && break; done
clip=$(run_probe clipboard)
echo "$clip"
grep -qxF 'list 1 0' <<<"$clip" || { echo "the clipboard holds no item list of one copied item"; exit 1; }
grep -qxF "item 1 $from beta" <<<"$clip" || { echo "the item list does not name the value"; exit 1; }
grep -qF '"beta"=dword:00000007' <<<"$clip" || { echo "the clipboard text is not the value's registry line"; exit 1; }
grep -qF '[HKEY_CURRENT_USER\Software\ZorvaneE2EDrag\From]' <<<"$clip" || { echo "the clipboard text has no key line"; exit 1; }

# The search pane takes drops only on key rows: its free space refuses.
drag 'ZorvaneE2EDrag\From' gamma $(((sl + sr) / 2)) $((sb - 20))
sleep 1
[ -z "$(question)" ] || { echo "a refused drop asked a question"; exit 1; }
has_value To gamma && { echo "a refused drop pasted"; exit 1; }
has_value From gamma || { echo "a refused drop lost the value"; exit 1; }
echo "refused: gamma on the search pane"

# A folder takes the shortcut file.
out=$(mktemp)
"$wine64" "$probe" folder 700 560 "Z:${folder//\//\\}" >"$out" 2>/dev/null &
pids+=($!)
wait_for grep -q ready "$out" || { echo "the folder window did not start"; exit 1; }
drag 'ZorvaneE2EDrag\From' gamma 790 620
wait_for grep -q copied "$out" || { cat "$out"; echo "the folder got no file"; exit 1; }
tr -d '\r' <"$out"
[ -f "$folder/gamma.s2r" ] || { echo "no gamma.s2r in the folder"; exit 1; }
source_file=$(tr -d '\r' <"$out" | sed -n 's/^copied .* from //p')
source_unix=$("$wine64" winepath -u "$source_file" 2>/dev/null | tr -d '\r')
[ -f "$source_unix" ] || { echo "the program's shortcut $source_file is not where it said"; exit 1; }

# The shortcut opens the key (and the value) it names.
"$wine64" "$program" "Z:${folder//\//\\}\\gamma.s2r" >/dev/null 2>&1 &
pids+=($!)
opened=""
for _ in $(seq 1 100); do
    opened=$(xdotool search --onlyvisible --name 'Zorvane ' getwindowname %@ 2>/dev/null | grep -c "ZorvaneE2EDrag\\\\From ")
    [ "$opened" -ge 2 ] && break
    sleep 0.1
done
import -window root "$artifacts/drag-shortcut-opened.png" >/dev/null 2>&1 || true
[ "$opened" -ge 2 ] || { echo "the shortcut did not open $from"; exit 1; }
echo "the shortcut opens $from"

# Closing the instances (as a user does) removes the temporary shortcut.
run_probe close 'ZorvaneE2EDrag'
gone=""
for _ in $(seq 1 300); do
    [ -f "$source_unix" ] || { gone=1; break; }
    sleep 0.1
done
if [ -z "$gone" ]; then
    xdotool search --onlyvisible --name 'Zorvane' getwindowname %@ 2>/dev/null
    echo "the temporary shortcut stayed after the program ended"
    exit 1
fi
echo "the temporary shortcut is gone"
exit 0
