#!/usr/bin/env bash
# Sets up what is missing, builds Trawler, and shows every demo cabinet of samples/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target trawler-cli
cli=build/release/trawler-cli
for folder in samples/*/; do
    echo "=== $folder ($("$cli" kind "$folder"))"
    "$cli" tree "$folder"
    "$cli" list "$folder"
    echo
done
