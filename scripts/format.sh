#!/usr/bin/env bash
# Formats every C++ file of ours (tracked or new) with Debian's clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
{ git ls-files; git ls-files --others --exclude-standard; } | grep -E '^(src|tests|bench)/.*\.(cpp|h)$' |
    sort -u | xargs -r clang-format -i
