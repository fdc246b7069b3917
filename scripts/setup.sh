#!/usr/bin/env bash
# Installs what building and testing need, from Debian's packages, when missing.
set -euo pipefail

need=()
have() { command -v "$1" >/dev/null 2>&1; }
[ -x /usr/lib/wine/wine64 ] || need+=(wine wine64)
have x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64)
have i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686)
have Xvfb || need+=(xvfb)
have xauth || need+=(xauth)
have import || need+=(imagemagick)
have xdotool || need+=(xdotool)
have cmake || need+=(cmake)
have clang-format || need+=(clang-format)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
# The help compiler (Free Pascal's utilities) and the installer compiler.
have chmcmd || need+=(fp-utils)
have makensis || need+=(nsis)
# The layer check.
have python3 || need+=(python3)

# The 32-bit Wine runs the 32-bit build's registry tests (the view a 32-bit
# process sees differs from a 64-bit one's). Whether it can run here is
# decided by running a 32-bit program, not by a file's presence: a kernel
# that starts no 32-bit Linux program makes the packages minutes of download
# for nothing. A failed try is remembered with its reason, so later runs do
# not spend time on it again (remove the marker file to try once more).
source "$(dirname "$0")/wine32.sh"
marker="${XDG_CACHE_HOME:-$HOME/.cache}/zorvane/wine32-unavailable"
remember_no_wine32() {
    echo "setup: $1; the 32-bit tests will be skipped"
    mkdir -p "$(dirname "$marker")" && echo "$1" >"$marker" || true
}
need32=0
if [ ! -e "$marker" ] && ! wine32_loader_runs; then
    if [ -e "$wine32_loader" ]; then
        # Installed, and it does not start: installing again changes nothing.
        remember_no_wine32 "$WINE32_REASON"
    elif ! linux32_runs; then
        remember_no_wine32 "$WINE32_REASON"
    else
        need32=1
    fi
fi

if [ ${#need[@]} -eq 0 ] && [ $need32 -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
if [ $need32 -eq 1 ]; then
    $sudo dpkg --add-architecture i386
fi
echo "setup: installing ${need[*]}"
# A mirror caught mid-sync fails one index; retry, then install from what the
# other indexes give rather than stop.
for attempt in 1 2 3; do
    if $sudo apt-get update -q; then break; fi
    echo "setup: apt-get update failed (attempt $attempt)"
    sleep 5
done
if [ ${#need[@]} -gt 0 ]; then
    $sudo apt-get install -y -q --no-install-recommends "${need[@]}"
fi
# The 32-bit Wine is wanted, not required: when its packages cannot be had or
# its loader does not start, the 32-bit registry tests are skipped and the run
# says why.
if [ $need32 -eq 1 ]; then
    if ! $sudo apt-get install -y -q --no-install-recommends wine32:i386; then
        remember_no_wine32 "wine32:i386 could not be installed"
    elif ! wine32_loader_runs; then
        remember_no_wine32 "$WINE32_REASON"
    fi
fi
