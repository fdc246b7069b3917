#!/usr/bin/env bash
# Builds what users download: dist/zorvane-setup-<version>-x64.exe (the
# 64-bit program, for 64-bit Windows: the one the tests run),
# dist/zorvane-setup-<version>-x86.exe (the 32-bit program, for 32-bit
# Windows), each with the help file, and dist/Zorvane.chm. Installs what is
# missing first (Debian packages only), like the test command.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)
bash "$root/scripts/setup.sh"
mkdir -p "$root/dist"

# The machine a program file is for: 014c (32-bit x86) or 8664 (x64).
pe_machine() {
    local header
    header=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tx2 -j$((header + 4)) -N2 "$1" | tr -d ' '
}
version=$(awk '/^#define ZORVANE_VERSION_(MAJOR|MINOR|BUILD|REVISION) /{v = v (v == "" ? "" : ".") $3} END {print v}' \
    "$root/resources/version.h")

package() { # arch (x64 or x86) toolchain triple machine
    local arch=$1 toolchain=$2 triple=$3 machine=$4
    # A release build of the shipped program, apart from the test builds.
    local build="$root/build/package-$arch"
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" \
        -DZORVANE_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" -j "$jobs"
    [ -f "$build/src/Zorvane.chm" ] || { echo "package: the help file was not built (is chmcmd installed?)" >&2; exit 1; }
    local stage="$build/stage"
    rm -rf "$stage"
    mkdir -p "$stage"
    "$triple-strip" -o "$stage/zorvane.exe" "$build/src/zorvane.exe"
    cp "$build/src/Zorvane.chm" "$stage/Zorvane.chm"
    [ "$(pe_machine "$stage/zorvane.exe")" = "$machine" ] ||
        { echo "package: the $arch program is not for machine $machine" >&2; exit 1; }
    # The installer takes its version from the program's version resource.
    (cd "$root/packaging/installer" &&
        makensis -V2 -DARCH="$arch" -DPROGRAM="$stage/zorvane.exe" -DHELPFILE="$stage/Zorvane.chm" \
            -DOUTDIR="$stage" zorvane.nsi)
    local setup="$stage/zorvane-setup-$version-$arch.exe"
    [ -f "$setup" ] || { echo "package: $setup was not made" >&2; exit 1; }
    [ "$(pe_machine "$setup")" = "$machine" ] ||
        { echo "package: the $arch installer is not for machine $machine" >&2; exit 1; }
    strings -el "$setup" | grep -xF "$version" >/dev/null ||
        { echo "package: the $arch installer does not carry version $version" >&2; exit 1; }
    cp "$setup" "$root/dist/"
    cp "$stage/Zorvane.chm" "$root/dist/Zorvane.chm"
    echo "package: dist/$(basename "$setup")"
}

package x64 toolchain-mingw-x86_64.cmake x86_64-w64-mingw32 8664
package x86 toolchain-mingw-i686.cmake i686-w64-mingw32 014c
echo "package: dist/Zorvane.chm"
