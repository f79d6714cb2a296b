#!/usr/bin/env bash
# Whole-process figure: `trawler-cli list` over a generated mirror log of 200 000 entries
# (about 200 servers, 500 entries per folder). Prints wall time and peak memory.
# usage: bench/list_mirror.sh [path/to/trawler-cli]   (default: build/release/trawler-cli)
set -euo pipefail
cli=${1:-build/release/trawler-cli}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work" <<'PY'
import sys
folder = sys.argv[1]
with open(folder + "/trfat.db", "wb") as f:
    f.write(b"MCOM-Cache-file-allocation-table-format-1\r\n")
    for i in range(200000):
        server = "www%d.example.com" % (i % 200)
        path = "dir%d/page%d.html" % (i // 200 % 2, i)
        f.write(("0\t852076800\t852076900\thttp=%s/%s\thttp://%s/%s\ttext/html\t\t1234\t\t\t\r\n"
                 % (server, path, server, path)).encode())
PY
for run in 1 2 3; do
    /usr/bin/time -f "run $run: %e s wall, %M KiB peak" "$cli" list "$work" >/dev/null
done
lines=$("$cli" list "$work" | wc -l)
echo "listed $((lines - 1)) files"
