#!/usr/bin/env bash
# Builds what users download: dist/zorvane-setup-<version>.exe (the installer
# of the 32-bit program, with the help file) and dist/Zorvane.chm. Installs
# what is missing first (Debian packages only), like the test command.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)
bash "$root/scripts/setup.sh"

# A release build of the shipped program, apart from the test builds.
build="$root/build/package-i686"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" \
    -DZORVANE_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$jobs"
[ -f "$build/src/Zorvane.chm" ] || { echo "package: the help file was not built (is chmcmd installed?)" >&2; exit 1; }

stage="$build/stage"
rm -rf "$stage"
mkdir -p "$stage" "$root/dist"
i686-w64-mingw32-strip -o "$stage/zorvane.exe" "$build/src/zorvane.exe"
cp "$build/src/Zorvane.chm" "$stage/Zorvane.chm"

# The installer takes its version from the program's version resource.
(cd "$root/packaging/installer" &&
    makensis -V2 -DARCH=x86 -DPROGRAM="$stage/zorvane.exe" -DHELPFILE="$stage/Zorvane.chm" -DOUTDIR="$stage" \
        zorvane.nsi)
setup=$(ls "$stage"/zorvane-setup-*.exe)
cp "$setup" "$root/dist/"
cp "$stage/Zorvane.chm" "$root/dist/Zorvane.chm"
echo "package: dist/$(basename "$setup") and dist/Zorvane.chm"
