#!/usr/bin/env bash
# Sets up what is missing, builds the window tests and saves a picture of every window and view
# style on the demo cabinets into build/dev/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target ui_screenshots_test
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
chmod 700 "$runtime"
QT_QPA_PLATFORM=offscreen TZ=Asia/Tokyo XDG_RUNTIME_DIR="$runtime" \
    TRAWLER_REGISTRY="$runtime/unused.reg" build/dev/tests/ui_screenshots_test "$@"
echo "Screenshots in build/dev/screenshots/:"
find build/dev/screenshots -name '*.png' -printf '%P\n' | sort
