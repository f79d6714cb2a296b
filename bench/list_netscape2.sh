#!/usr/bin/env bash
# Whole-process figures for a Netscape 2.x cache database of 100 000 entries (about 200
# servers, 500 entries per folder) written by the real Berkeley DB 1.85 library:
# `trawler-cli list` wall time and peak memory, and the library's own sequential walk
# (`db_dump185` of the same file) for comparison, with our time as a ratio to it.
# usage: bench/list_netscape2.sh [path/to/trawler-cli] [path/to/bdb185_write]
#   (defaults: build/release/trawler-cli, build/release/tests/bdb185_write)
set -euo pipefail
cli=${1:-build/release/trawler-cli}
writer=${2:-build/release/tests/bdb185_write}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work/records" <<'PY'
import struct, sys
def counted(b): return struct.pack("<I", len(b)) + b
with open(sys.argv[1], "wb") as f:
    for i in range(100000):
        url = b"http://www%d.example.com/dir/page%d.html" % (i % 200, i)
        key = b"\0\0\0\0" + counted(url)
        data = (b"\0" * 8 + struct.pack("<iiIi", 852076800 + i, 852076900 + i, 0, 1234) + b"\0" * 5
                + counted(b"cache%05X.html" % i) + b"\0" * 29 + counted(b"") + counted(b"text/html"))
        f.write(b"+" + counted(key) + counted(data))
PY
"$writer" "$work/fat.db" 4096 64 < "$work/records"
ls -l "$work/fat.db" | awk '{print "fat.db:", $5, "bytes"}'
best() { sort -n | head -1; }
ours=$(for run in 1 2 3; do
    /usr/bin/time -f "%e %M" "$cli" list "$work" 2>&1 >/dev/null | tail -1
done | tee /dev/stderr | best)
theirs=$(for run in 1 2 3; do
    /usr/bin/time -f "%e %M" db_dump185 "$work/fat.db" 2>&1 >/dev/null | tail -1
done | best)
echo "trawler-cli list: ${ours% *} s wall, ${ours#* } KiB peak (best of 3)"
echo "db_dump185:       ${theirs% *} s wall, ${theirs#* } KiB peak (best of 3)"
awk -v a="${ours% *}" -v b="${theirs% *}" 'BEGIN { if (b > 0) printf "ratio: %.2f\n", a / b }'
lines=$("$cli" list "$work" | wc -l)
echo "listed $((lines - 1)) files"
