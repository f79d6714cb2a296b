#!/usr/bin/env bash
# Sets up what is missing, builds Trawler and starts it on the demo cabinets of samples/. The
# demo runs on its own copy of the caches in build/release/demo and on its own registry file
# there, so the user's settings are never touched and what was done in an earlier demo run is
# kept (scripts/make-demo.sh --fresh build/release/demo starts over). Without a display the
# demo cabinets are shown through trawler-cli instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target trawler trawler-cli
registry=$(bash scripts/make-demo.sh build/release/demo)

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    echo "Starting Trawler on the demo cabinets (settings: $registry)."
    echo "If Trawler is already running, that window is raised instead."
    TRAWLER_REGISTRY="$registry" exec build/release/trawler "$@"
fi

echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): showing the demo caches through trawler-cli instead."
cli=build/release/trawler-cli
for folder in build/release/demo/samples/*/; do
    echo "=== $folder ($("$cli" kind "$folder"))"
    "$cli" tree "$folder"
    "$cli" list "$folder"
    echo
done
