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

# The process ids of this run's Wine prefix whose command line matches the
# pattern: Wine processes (their program is Wine's) whose environment names
# this prefix. A process of another prefix or another user (the user's own
# running copy of the program, say) is never among them, nor a script.
prefix_pids() { # pattern
    local pid
    for pid in $(pgrep -i -u "$(id -u)" -f "$1"); do
        case "$(readlink "/proc/$pid/exe" 2>/dev/null)" in
        */wine/* | */wine64* | */wine-preloader* | */wine64-preloader*) ;;
        *) continue ;;
        esac
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -xF "WINEPREFIX=$WINEPREFIX" >/dev/null && echo "$pid"
    done
}

# Ends the given processes (ids this script recorded), waiting up to 10 s for
# them to go before ending them by force.
end_pids() { # pid...
    local pid alive
    [ $# -gt 0 ] || return 0
    kill "$@" >/dev/null 2>&1
    for _ in $(seq 1 100); do
        alive=0
        for pid in "$@"; do kill -0 "$pid" 2>/dev/null && alive=1; done
        [ $alive -eq 0 ] && return 0
        sleep 0.1
    done
    kill -9 "$@" >/dev/null 2>&1
    return 0
}

# Ends what this prefix runs of a program (a command-line pattern): the
# program's own copies and what it started, such as a help viewer.
end_prefix_programs() { # pattern
    local pids
    pids=$(prefix_pids "$1")
    [ -n "$pids" ] && end_pids $pids
    return 0
}

# Asks the program's windows in this prefix to close the normal way (the
# prefix is this run's own: taskkill reaches only its processes), then waits
# for the recorded process to end; ends it by force after 10 s.
close_program() { # pid
    "$wine64" taskkill /im zorvane.exe >/dev/null 2>&1
    wait_for sh -c "! kill -0 $1 2>/dev/null" || end_pids "$1"
}
