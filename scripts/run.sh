#!/usr/bin/env bash
# Installs what is missing, builds, and starts Zorvane under Wine in your own
# Wine prefix (WINEPREFIX, else ~/.wine). Extra arguments go to the program,
# for example a location: scripts/run.sh 'HKEY_CURRENT_USER\Software'
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine}"
exec /usr/lib/wine/wine64 "$root/build/x86_64/src/zorvane.exe" "$@"
