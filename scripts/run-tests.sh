#!/usr/bin/env bash
# Runs every test of build/x86_64 under wine64 in a throwaway prefix made fresh
# for this run, with an Xvfb display for the window tests. The user's own Wine
# prefix is never touched.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/x86_64"
prefix="$build/wineprefix"
artifacts="$build/test-artifacts"

export WINEDEBUG=-all
export WINEPREFIX="$prefix"
export ZORVANE_TEST_PREFIX="$prefix"
export ZORVANE_ARTIFACTS="$artifacts"
# No Mono or Gecko installers in the throwaway prefix.
export WINEDLLOVERRIDES="mscoree=;mshtml="
wine64=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

rm -rf "$prefix" "$artifacts"
mkdir -p "$artifacts"

# A display of our own.
display=""
for n in $(seq 91 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
        display=":$n"
        break
    fi
done
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY="$display"

cleanup() {
    WINEPREFIX="$prefix" "$wineserver" -k >/dev/null 2>&1 || true
    kill "$xvfb_pid" >/dev/null 2>&1 || true
}
trap cleanup EXIT

for _ in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    sleep 0.1
done

echo "run-tests: preparing wine prefix"
timeout 180 "$wine64" wineboot -i >/dev/null 2>&1 || { echo "run-tests: wineboot failed"; exit 1; }
# The test display has no window manager. Wine waits two seconds for one to
# withdraw every managed window it hides; unmanaged windows close at once.
timeout 60 "$wine64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# A persistent session detached from every pipe: fast test starts, and ctest
# does not wait on pipes that Wine's background services inherit.
setsid sh -c "'$wineserver' -p; '$wine64' wineboot; touch '$prefix/.session-ready'" </dev/null >/dev/null 2>&1 &
for _ in $(seq 1 600); do
    [ -e "$prefix/.session-ready" ] && break
    sleep 0.1
done

ctest --test-dir "$build" --output-on-failure -j "${ZORVANE_TEST_JOBS:-2}" --timeout 300 "$@"
status=$?

# The registry and class finder tests once more as a 32-bit process, in the
# same prefix, where this machine can run one (decided by running one).
if [ $# -eq 0 ]; then
    source "$root/scripts/wine32.sh"
    wine32=1
    wine32_runs_programs || wine32=0
    for tests32 in "$root/build/i686/tests/registry/registry_tests.exe" \
        "$root/build/i686/tests/search/class_scan_tests.exe"; do
        name=$(basename "$tests32" .exe)
        if [ $wine32 -eq 0 ]; then
            echo "run-tests: 32-bit $name SKIPPED: $WINE32_REASON"
        elif [ -f "$tests32" ]; then
            echo "run-tests: $name as a 32-bit process"
            if ! timeout -k 5 600 "$wine32_loader" "$tests32" --gtest_brief=1; then
                echo "run-tests: 32-bit $name FAILED"
                status=1
            fi
        else
            echo "run-tests: 32-bit $name missing"
            status=1
        fi
    done
fi
exit $status
