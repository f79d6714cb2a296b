#!/usr/bin/env bash
# Sets up what is missing, builds Trawler with its tests, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev -j2 "$@"
