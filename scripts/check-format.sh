#!/usr/bin/env bash
# Checks that every C++ file of ours is formatted as .clang-format says, with
# Debian's clang-format. Prints the files that are not and fails on them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if ! command -v clang-format >/dev/null 2>&1; then
    echo "check-format: clang-format is missing (Debian package clang-format)" >&2
    exit 1
fi
bad=()
while IFS= read -r file; do
    if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
        bad+=("$file")
    fi
done < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h')
if [ ${#bad[@]} -gt 0 ]; then
    echo "check-format: not formatted (run clang-format -i on them):"
    printf '  %s\n' "${bad[@]}"
    exit 1
fi
echo "check-format: every file is formatted"
