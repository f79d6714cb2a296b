#!/usr/bin/env bash
# Runs one libFuzzer binary for a bounded time over a scratch copy of its seeds.
set -euo pipefail
bin=$1 seeds=$2 seconds=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$seeds"/. "$work"/
cd "$work"
"$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=1048576 \
    -print_final_stats=1 "$work" 2>&1 | tail -n 25
exit "${PIPESTATUS[0]}"
