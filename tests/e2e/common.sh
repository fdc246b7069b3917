# Helpers the end-to-end scripts share; sourced after wine64 is set.

# Imports a registry script file (a Linux path) into the test prefix. reg.exe
# now and then fails to start while the previous program's processes wind
# down: a few tries.
# Wine's Z: drive is the root of the file system.
import_keys() {
    local script=$1
    for _ in 1 2 3 4 5; do
        "$wine64" reg import "Z:${script//\//\\}" >/dev/null 2>&1 && return 0
        sleep 1
    done
    return 1
}

# Runs the command until it succeeds, up to 10 s.
wait_for() {
    for _ in $(seq 1 100); do "$@" && return 0; sleep 0.1; done
    return 1
}

# The first visible window whose title matches the pattern.
window_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }

# Runs the command until it prints something, up to 10 s, and prints that;
# fails when it never did.
await_output() {
    local found=""
    for _ in $(seq 1 100); do
        found=$("$@")
        [ -n "$found" ] && { echo "$found"; return 0; }
        sleep 0.1
    done
    return 1
}

# Waits up to 10 s for a visible window whose title matches the pattern and
# prints it; fails when none came.
await_window() { await_output window_named "$1"; }

# Saves the part of the screen a window covers (menus dropped inside it
# included) as a PNG.
screenshot_of() { # window file
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$1")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$2" >/dev/null 2>&1
}
