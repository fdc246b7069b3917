#!/usr/bin/env bash
# The one command: install what is missing, build both targets, run every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
bash "$root/scripts/run-tests.sh"
