#!/usr/bin/env bash
# Installs what is missing, builds, and starts Zorvane under Wine in your own
# Wine prefix (WINEPREFIX, else ~/.wine). Extra arguments go to the program,
# for example a location: scripts/run.sh 'HKEY_CURRENT_USER\Software'
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
# Only the program: up to date, this takes a moment, not a build of the tests.
build="$root/build/x86_64"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake" \
        -DZORVANE_BUILD_TESTS=ON >/dev/null
fi
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target zorvane >/dev/null
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine}"
exec /usr/lib/wine/wine64 "$root/build/x86_64/src/zorvane.exe" "$@"
