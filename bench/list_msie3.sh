#!/usr/bin/env bash
# Whole-process figure: `trawler-cli list` over a generated MS-IE 3.x cache of 100 000 entries
# (about 200 servers, 500 entries per folder) in 8 subfolders with both index files each.
# The cached files are there (empty), as in a real cache, so each file's local path is found at
# once. Prints wall time and peak memory.
# usage: bench/list_msie3.sh [path/to/trawler-cli]   (default: build/release/trawler-cli)
set -euo pipefail
cli=${1:-build/release/trawler-cli}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work" <<'PY'
import os, struct, sys
folder = sys.argv[1]
entries = 100000
subfolders = 8
file_time = (852076800 + 11644473600) * 10000000
headers = b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 1234\r\n"

def index(records):
    offsets, at = [], 64
    for url, name, head in records:
        offsets.append(at)
        at += 80 + len(url) + len(name) + len(head) + 4 + 1
    ref = lambda i: offsets[i] + 4 if i < len(records) else 0
    out = bytearray(at)
    out[0:27] = b"Client UrlCache MMF Ver 3.2"
    struct.pack_into("<I", out, 32, ref(0))
    struct.pack_into("<I", out, 40, len(records))
    for i, (url, name, head) in enumerate(records):
        base = offsets[i]
        struct.pack_into("<II", out, base + 4, ref(2 * i + 1), ref(2 * i + 2))
        struct.pack_into("<I", out, base + 32, 1234)
        struct.pack_into("<QQ", out, base + 40, file_time, file_time)
        struct.pack_into("<I", out, base + 64, 1 if not head else 0)
        text = 80
        for field, value in ((20, url), (24, name), (68, head), (76, b"htm")):
            struct.pack_into("<I", out, base + field, text)
            out[base + text : base + text + len(value)] = value
            text += len(value) + 1
    return bytes(out)

files = [[[], []] for _ in range(subfolders)]
for i in range(entries):
    server = "www%d.example.com" % (i % 200)
    path = "dir/page%d.html" % i
    record = (("http://%s/%s" % (server, path)).encode(), b"page%d.htm" % i,
              headers if i % 4 == 0 else b"")
    files[i % subfolders][i // subfolders % 2].append(record)
open(os.path.join(folder, "DESKTOP.INI"), "wb").close()
for s in range(subfolders):
    sub = os.path.join(folder, "CACHE%d" % s)
    os.makedirs(sub)
    for name, records in (("MM256.DAT", files[s][0]), ("MM2048.DAT", files[s][1])):
        with open(os.path.join(sub, name), "wb") as f:
            f.write(index(records))
        for _, cached, _ in records:
            open(os.path.join(sub, cached.decode()), "wb").close()
PY
for run in 1 2 3; do
    /usr/bin/time -f "run $run: %e s wall, %U s user, %S s system, %M KiB peak" "$cli" list "$work" >/dev/null
done
lines=$("$cli" list "$work" | wc -l)
echo "listed $((lines - 1)) files"
