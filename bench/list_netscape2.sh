#!/usr/bin/env bash
# Whole-process figures for a Netscape 2.x cache database of 100 000 entries (about 200
# servers, 500 entries per folder) written by the real Berkeley DB 1.85 library, with its
# 100 000 (empty) cached files beside it as in a real cache: `trawler-cli list` and
# `trawler-cli tree` (loading without the local paths) wall time and peak memory, and the
# library's own sequential walk (`db_dump185` of the same file), with our times as ratios.
# usage: bench/list_netscape2.sh [path/to/trawler-cli] [path/to/bdb185_write]
#   (defaults: build/release/trawler-cli, build/release/tests/bdb185_write)
set -euo pipefail
cli=${1:-build/release/trawler-cli}
writer=${2:-build/release/tests/bdb185_write}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work/records" <<'PY'
import os, struct, sys
def counted(b): return struct.pack("<I", len(b)) + b
folder = os.path.dirname(sys.argv[1])
for i in range(100000):
    open(os.path.join(folder, "cache%05X.html" % i), "wb").close()
with open(sys.argv[1], "wb") as f:
    for i in range(100000):
        url = b"http://www%d.example.com/dir/page%d.html" % (i % 200, i)
        key = b"\0\0\0\0" + counted(url)
        data = (b"\0" * 8 + struct.pack("<iiIi", 852076800 + i, 852076900 + i, 0, 1234) + b"\0" * 5
                + counted(b"cache%05X.html" % i) + b"\0" * 29 + counted(b"") + counted(b"text/html"))
        f.write(b"+" + counted(key) + counted(data))
PY
"$writer" "$work/fat.db" 4096 64 < "$work/records"
rm "$work/records"
ls -l "$work/fat.db" | awk '{print "fat.db:", $5, "bytes"}'
best() { sort -n | head -1; }
timed() {
    for run in 1 2 3; do
        /usr/bin/time -f "%e %M" "$@" 2>&1 >/dev/null | tail -1
    done | best
}
list=$(timed "$cli" list "$work")
tree=$(timed "$cli" tree "$work")
dump=$(timed db_dump185 "$work/fat.db")
echo "trawler-cli list: ${list% *} s wall, ${list#* } KiB peak (best of 3)"
echo "trawler-cli tree: ${tree% *} s wall, ${tree#* } KiB peak (best of 3)"
echo "db_dump185:       ${dump% *} s wall, ${dump#* } KiB peak (best of 3)"
awk -v l="${list% *}" -v t="${tree% *}" -v d="${dump% *}" \
    'BEGIN { if (d > 0) printf "ratio to db_dump185: list %.2f, tree %.2f\n", l / d, t / d }'
lines=$("$cli" list "$work" | wc -l)
echo "listed $((lines - 1)) files"
