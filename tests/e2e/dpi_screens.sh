#!/usr/bin/env bash
# End to end at 96 and at 192 DPI (the platform's LogPixels setting in the
# test prefix): the program starts with the drawings for the display's DPI
# (the window test of that run checks the image lists' sizes), and
# screenshots of the main window, its Edit menu open, the New Value dialog,
# the Find dialog, the tree's and the value list's context menus, Key
# Properties and a binary value in the Edit Value dialog's hex-dump editor
# are kept in ZORVANE_ARTIFACTS (dpi96-*.png and
# dpi192-*.png; the help file's pictures are taken from the 96 DPI ones).
# At 96 DPI F1 also opens the help viewer on the program's help file.
set -uo pipefail
program=$1
window_tests=$2
: "${WINEPREFIX:?run through scripts/run-tests.sh}"
: "${DISPLAY:?run through scripts/run-tests.sh}"
artifacts=${ZORVANE_ARTIFACTS:-$(dirname "$program")}
mkdir -p "$artifacts"
wine64=/usr/lib/wine/wine64
source "$(dirname "$0")/common.sh"

desktop='HKCU\Control Panel\Desktop'
cleanup() {
    end_prefix_programs 'zorvane[.]exe|hh[.]exe'
    "$wine64" reg delete "$desktop" /v LogPixels /f >/dev/null 2>&1
    "$wine64" reg delete 'HKCU\Software\ZorvaneShots' /f >/dev/null 2>&1
}
trap cleanup EXIT
"$wine64" reg add 'HKCU\Software\ZorvaneShots' /v Greeting /d 'Hello, world' /f >/dev/null 2>&1
"$wine64" reg add 'HKCU\Software\ZorvaneShots' /v Count /t REG_DWORD /d 42 /f >/dev/null 2>&1
"$wine64" reg add 'HKCU\Software\ZorvaneShots' /v Data /t REG_BINARY /d 5a6f7276616e650001020304ff10203040 /f >/dev/null 2>&1
"$wine64" reg add 'HKCU\Software\ZorvaneShots\Child' /f >/dev/null 2>&1

shoot() { screenshot_of "$1" "$artifacts/$2" || { echo "no screenshot $2"; return 1; }; }
# Opens a dialog with keys, keeps its screenshot and closes it with Escape
# (which writes nothing).
shoot_dialog() { # keys title file
    local dialog
    xdotool key "$1"
    dialog=$(await_window "^$2\$") || { echo "$dpi: no $2 dialog"; return 2; }
    sleep 0.5
    shoot "$dialog" "$3" || failed=1
    xdotool key Escape
    sleep 0.3
}

failed=0
window='HKCU\Software\Quenmar\Zorvane\MainWindow'
for dpi in 96 192; do
    "$wine64" reg add "$desktop" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    # The same window each time, stored at 96 DPI: at 192 it opens twice as
    # large (as far as the screen allows).
    for entry in "x 0" "y 0" "cx 960" "cy 600" "Dpi 96" "SaveWindowLayoutOnExit 1"; do
        "$wine64" reg add "$window" /v "${entry% *}" /t REG_DWORD /d "${entry#* }" /f >/dev/null 2>&1
    done
    "$wine64" "$program" 'HKCU\Software\ZorvaneShots' >/dev/null 2>&1 &
    pid=$!
    main=$(await_window '^Zorvane ') || { echo "$dpi: the main window did not appear"; exit 1; }
    sleep 1.5
    xdotool windowfocus --sync "$main" 2>/dev/null
    shoot "$main" "dpi$dpi-main.png" || failed=1

    xdotool key alt+e
    sleep 0.8
    shoot "$main" "dpi$dpi-edit-menu.png" || failed=1
    xdotool key Escape Escape
    sleep 0.3

    # New Value opens the value dialog, titled New Value.
    shoot_dialog ctrl+u 'New Value' "dpi$dpi-edit-value.png" || exit 1
    shoot_dialog ctrl+f 'Find in Windows Registry' "dpi$dpi-find.png" || exit 1

    # The tree has the focus: its context menu, then Key Properties.
    xdotool windowfocus --sync "$main" 2>/dev/null
    xdotool key shift+F10
    sleep 0.8
    shoot "$main" "dpi$dpi-tree-menu.png" || failed=1
    if compare -metric AE "$artifacts/dpi$dpi-main.png" "$artifacts/dpi$dpi-tree-menu.png" null: 2>/dev/null; then
        echo "$dpi: Shift+F10 in the tree opened no menu"
        failed=1
    fi
    xdotool key Escape
    sleep 0.3
    shoot_dialog alt+Return 'Key Properties' "dpi$dpi-key-properties.png" || exit 1
    # In the value list: the binary value in the hex-dump editor, and the
    # list's context menu.
    xdotool key Tab
    sleep 0.3
    xdotool type Data
    sleep 0.5
    shoot_dialog Return 'Edit Value' "dpi$dpi-edit-binary.png" || exit 1
    xdotool key shift+F10
    sleep 0.8
    shoot "$main" "dpi$dpi-value-menu.png" || failed=1
    xdotool key Escape
    sleep 0.3

    if [ "$dpi" = 96 ]; then
        xdotool windowfocus --sync "$main" 2>/dev/null
        xdotool key F1
        help=$(await_window '^Zorvane Help$') || { echo "F1 opened no help window"; failed=1; }
        [ -n "${help:-}" ] && xdotool windowclose "$help" >/dev/null 2>&1
    fi
    close_program $pid
    end_prefix_programs 'hh[.]exe'

    # The image lists of the window match the display's DPI.
    if ! ZORVANE_EXPECT_DPI=$dpi timeout 120 "$wine64" "$window_tests" \
        --gtest_filter='Dpi.TheWindowShowsTheDrawingForItsDpiAndTakesAnotherOnAMove' --gtest_brief=1; then
        echo "$dpi: the window's images do not fit its DPI"
        failed=1
    fi
    # The larger display's shots are larger.
done
# The window stored at 96 DPI opened larger at 192.
main96=$(identify -format '%w' "$artifacts/dpi96-main.png" 2>/dev/null || echo 0)
main192=$(identify -format '%w' "$artifacts/dpi192-main.png" 2>/dev/null || echo 0)
if [ "$main96" -ne 960 ] || [ "$main192" -le 960 ]; then
    echo "the main window is $main96 pixels wide at 96 DPI and $main192 at 192"
    failed=1
fi
width96=$(identify -format '%w' "$artifacts/dpi96-edit-value.png" 2>/dev/null || echo 0)
width192=$(identify -format '%w' "$artifacts/dpi192-edit-value.png" 2>/dev/null || echo 0)
if [ "$width192" -lt $((width96 * 3 / 2)) ]; then
    echo "the Edit Value dialog at 192 DPI is $width192 pixels wide, at 96 DPI $width96"
    failed=1
fi
exit $failed
