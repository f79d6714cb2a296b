#!/usr/bin/env bash
# Whole-process figures for MS-IE 5-9 cache indexes written by tests/tools/ie5index_gen.py
# (four subfolders, stored headers, a redirect record per 50 and a leak record per 100):
# `trawler-cli tree` and `list` over 20 000, 100 000 and 200 000 records against
# `msiecfexport` over the 100 000-record index. Prints wall and CPU time and peak memory per
# run, the best of three.
# usage: bench/list_msie5.sh [path/to/trawler-cli]   (default: build/release/trawler-cli)
set -euo pipefail
cli=${1:-build/release/trawler-cli}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TZ=Asia/Tokyo

best() { # label command...: the best wall time of three runs, with its CPU time and memory
    local label=$1
    shift
    for run in 1 2 3; do
        /usr/bin/time -f "%e %U %S %M" -o "$work/time.$run" "$@" >/dev/null
    done
    sort -n "$work/time.1" "$work/time.2" "$work/time.3" | head -1 |
        awk -v label="$label" '{ printf "%-32s %6.2f s wall, %6.2f s CPU, %7.1f MB peak\n",
                                 label, $1, $2 + $3, $4 / 1024 }'
}

for n in 20000 100000 200000; do
    mkdir "$work/ie5-$n"
    python3 "$source_dir/tests/tools/ie5index_gen.py" "$work/ie5-$n/index.dat" "$n"
    best "trawler-cli tree, $n" "$cli" tree "$work/ie5-$n" --kind 9
done
best "trawler-cli list, 100000" "$cli" list "$work/ie5-100000" --kind 9
if command -v msiecfexport >/dev/null; then
    best "msiecfexport, 100000" msiecfexport "$work/ie5-100000/index.dat"
fi
