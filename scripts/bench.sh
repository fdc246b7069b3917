#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine in a throwaway prefix with an Xvfb
# display. Not part of the test run: timings depend on the machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/bench"
bash "$root/scripts/setup.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake" \
        -DZORVANE_BUILD_TESTS=OFF -DZORVANE_BUILD_BENCH=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target browse_bench tree_ops_bench search_bench import_bench undo_bench long_value_bench compare_bench
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
display=:$((150 + RANDOM % 50))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb >/dev/null 2>&1; /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true' EXIT
export DISPLAY=$display
sleep 1
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
# No window manager on this display: unmanaged windows close at once.
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# The first run creates the keys; the second is the warm measurement.
/usr/lib/wine/wine64 "$build/bench/browse_bench.exe" >/dev/null
/usr/lib/wine/wine64 "$build/bench/browse_bench.exe"
/usr/lib/wine/wine64 "$build/bench/tree_ops_bench.exe"
/usr/lib/wine/wine64 "$build/bench/search_bench.exe"
/usr/lib/wine/wine64 "$build/bench/import_bench.exe"
/usr/lib/wine/wine64 "$build/bench/undo_bench.exe"
/usr/lib/wine/wine64 "$build/bench/long_value_bench.exe"
/usr/lib/wine/wine64 "$build/bench/compare_bench.exe"
