#!/usr/bin/env bash
# Sets up what is missing, builds Trawler with its tests, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# The WARC validator's packages, as locked; fetched only when missing or out of date.
if [ ! -f tests/warc/node_modules/.package-lock.json ] ||
    [ tests/warc/package-lock.json -nt tests/warc/node_modules/.package-lock.json ]; then
    npm ci --prefix tests/warc --no-audit --no-fund
fi
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev -j2 "$@"
