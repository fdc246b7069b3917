#!/usr/bin/env bash
# Builds both targets: build/x86_64 (program, tests) and build/i686 (the 32-bit
# program and its registry tests).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

configure() { # dir toolchain extra-args...
    local dir=$1 toolchain=$2
    shift 2
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" "$@" >/dev/null
    fi
}

configure "$root/build/x86_64" toolchain-mingw-x86_64.cmake -DZORVANE_BUILD_TESTS=ON
configure "$root/build/i686" toolchain-mingw-i686.cmake -DZORVANE_BUILD_TESTS=ON
cmake --build "$root/build/x86_64" -j "$jobs"
cmake --build "$root/build/i686" -j "$jobs"
