#!/usr/bin/env bash
# Whole-process figures: `trawler-cli list` over a generated MS-IE 4.x cache (index.dat) and a
# generated MS-IE 2.x cache (iexplore.cif) of 100 000 entries each (200 servers, 500 entries
# per folder). Prints wall time and peak memory per run, and one `tree` run (no local paths).
# usage: bench/list_msie4_msie2.sh [path/to/trawler-cli]   (default: build/release/trawler-cli)
set -euo pipefail
cli=${1:-build/release/trawler-cli}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/msie4" "$work/msie2"
python3 - "$work" <<'PY'
import os, struct, sys
work = sys.argv[1]
entries = 100000
block = 128
per_table = 500
file_time = (852076800 + 11644473600) * 10000000
headers = b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 1234\r\n\r\n"

def round_up(n):
    return (n + block - 1) // block * block

def address(i):
    return "http://www%d.example.com/dir%d/page%d.html" % (i % 200, i // 200 // 500, i)

# MS-IE 4.x: four subfolders, a chain of hash tables of 500 entries, one record per entry.
tables = (entries + per_table - 1) // per_table
table_size = round_up(16 + 8 * (per_table + 1))
records = []
for i in range(entries):
    url, name = address(i).encode(), b"page%d[1].htm" % i
    body = bytearray(round_up(104 + len(url) + len(name) + len(headers) + 3))
    body[0:4] = b"URL "
    struct.pack_into("<QQ", body, 8, file_time, file_time)
    struct.pack_into("<I", body, 32, 1234)
    name_at = 104 + len(url) + 1
    headers_at = name_at + len(name) + 1
    struct.pack_into("<IIIII", body, 56, 104, i % 4, name_at, 0, headers_at)
    body[104 : 104 + len(url)] = url
    body[name_at : name_at + len(name)] = name
    body[headers_at : headers_at + len(headers)] = headers
    records.append(bytes(body))
first = block + tables * table_size
image = bytearray(first)
image[0:27] = b"Client UrlCache MMF Ver 4.7"
struct.pack_into("<II", image, 32, block, 0)
struct.pack_into("<I", image, 72, 4)
for f in range(4):
    struct.pack_into("<I8s", image, 76 + 12 * f, 0, b"FOLDER0%d" % f)
at = first
for t in range(tables):
    table = block + t * table_size
    nxt = table + table_size if t + 1 < tables else 0
    struct.pack_into("<4sIII", image, table, b"HASH", table_size // block, nxt, t)
    for e in range(per_table):
        i = t * per_table + e
        if i >= entries:
            break
        struct.pack_into("<II", image, table + 16 + 8 * e, i, at)
        at += len(records[i])
with open(os.path.join(work, "msie4", "index.dat"), "wb") as f:
    f.write(image)
    f.write(b"".join(records))

# MS-IE 2.x: one line per entry.
packed = b"2094076100"
with open(os.path.join(work, "msie2", "iexplore.cif"), "wb") as f:
    f.write(b"V,Microsoft\xae Windows(TM) Internet Tools\r\n")
    for i in range(entries):
        f.write(b"%d,%s,1234,%s,0,0,0,%s,0,text/html,C:\\WINDOWS\\Cache\\P%d.HTM,0\r\n"
                % (i, address(i).encode(), packed, packed, i))
PY
for kind in msie4 msie2; do
    for run in 1 2 3; do
        /usr/bin/time -f "$kind run $run: %e s wall (%U s user, %S s system), %M KiB peak" "$cli" list "$work/$kind" >/dev/null
    done
    # The same load without the local-path column: what reading the index costs.
    /usr/bin/time -f "$kind tree: %e s wall (%U s user, %S s system), %M KiB peak" \
        "$cli" tree "$work/$kind" >/dev/null
    lines=$("$cli" list "$work/$kind" | wc -l)
    echo "$kind: listed $((lines - 1)) files"
done
