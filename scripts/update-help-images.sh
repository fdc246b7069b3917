#!/usr/bin/env bash
# Copies the help file's pictures from the end-to-end tests' screenshots
# (run the tests first: bash scripts/test.sh, or the two scripts named below
# through run-tests.sh). Usage: bash scripts/update-help-images.sh [artifacts]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
artifacts=${1:-$root/build/x86_64/test-artifacts}
images=$root/packaging/help/images
# help picture <- screenshot (tests/e2e/dpi_screens.sh, tests/e2e/import_menu.sh)
pairs=(
    "main-window.png:dpi96-main.png"
    "menu-edit.png:dpi96-edit-menu.png"
    "edit-value.png:dpi96-edit-binary.png"
    "find.png:dpi96-find.png"
    "menu-tree.png:dpi96-tree-menu.png"
    "menu-values.png:dpi96-value-menu.png"
    "key-properties.png:dpi96-key-properties.png"
    "import-preview.png:import-preview.png"
)
for pair in "${pairs[@]}"; do
    target=${pair%%:*}
    source=${pair#*:}
    [ -f "$artifacts/$source" ] || { echo "update-help-images: $artifacts/$source is missing" >&2; exit 1; }
    # Stripped of the time stamps PNG writers add, so an unchanged picture
    # leaves the file unchanged.
    convert "$artifacts/$source" -strip "$images/$target"
    echo "update-help-images: $target <- $source"
done
