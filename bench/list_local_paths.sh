#!/usr/bin/env bash
# Whole-process figures of the local-path column: `trawler-cli list` against `trawler-cli tree`
# (the same load without local paths) over generated caches of every kind with an index (3 to
# 9), 200 000 entries each (about 200 servers), first with the cached files missing (a cache
# copied without its files), then with them present (empty). The Netscape 2.x fat.db is
# written by the real Berkeley DB 1.85 library and also timed against the library's own walk
# (`db_dump185`). Best of 3 wall times.
# usage: bench/list_local_paths.sh [trawler-cli] [bdb185_write] [entries] [kinds]
#   (defaults: build/release/trawler-cli, build/release/tests/bdb185_write, 200000,
#   "3 4 5 6 7 8 9"; kind 9 needs tests/tools/ie5index_gen.py)
set -euo pipefail
cli=${1:-build/release/trawler-cli}
writer=${2:-build/release/tests/bdb185_write}
entries=${3:-200000}
kinds=${4:-3 4 5 6 7 8 9}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

generate() { # kind folder
    python3 - "$1" "$2" "$entries" <<'PY'
import os, struct, sys
kind, folder, entries = int(sys.argv[1]), sys.argv[2], int(sys.argv[3])
file_time = (852076800 + 11644473600) * 10000000
headers = b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 1234\r\n\r\n"
def address(i):
    return "http://www%d.example.com/dir%d/page%d.html" % (i % 200, i // 200 // 500, i)
def counted(b):
    return struct.pack("<I", len(b)) + b
def write(name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)
if kind in (3, 7):
    # Netscape 1.x keeps its files in one folder; Tapline below one folder per server.
    lines = [b"MCOM-Cache-file-allocation-table-format-1\r\n"]
    for i in range(entries):
        link = (b"cache%05X.html" % i if kind == 3
                else b"www%d/dir/Page%d.html" % (i % 200, i))
        lines.append(b"0\t852076800\t852076900\t%s\t%s\ttext/html\t\t1234\t\t\t\r\n"
                     % (link, address(i).encode()))
    write("fat" if kind == 3 else "Cache.db", b"".join(lines))
elif kind == 4:
    out = []
    for i in range(entries):
        key = b"\0\0\0\0" + counted(address(i).encode())
        data = (b"\0" * 8 + struct.pack("<iiIi", 852076800 + i, 852076900 + i, 0, 1234)
                + b"\0" * 5 + counted(b"cache%05X.html" % i) + b"\0" * 29 + counted(b"")
                + counted(b"text/html"))
        out.append(b"+" + counted(key) + counted(data))
    write("records", b"".join(out))
elif kind == 5:
    packed = b"2094076100"
    lines = [b"V,Microsoft\xae Windows(TM) Internet Tools\r\n"]
    for i in range(entries):
        lines.append(b"%d,%s,1234,%s,0,0,0,%s,0,text/html,C:\\WINDOWS\\Cache\\P%d.HTM,0\r\n"
                     % (i, address(i).encode(), packed, packed, i))
    write("iexplore.cif", b"".join(lines))
elif kind == 6:
    def index(records):
        offsets, at = [], 64
        for url, name in records:
            offsets.append(at)
            at += 80 + len(url) + len(name) + 4 + 3
        ref = lambda i: offsets[i] + 4 if i < len(records) else 0
        out = bytearray(at)
        out[0:27] = b"Client UrlCache MMF Ver 3.2"
        struct.pack_into("<I", out, 32, ref(0))
        struct.pack_into("<I", out, 40, len(records))
        for i, (url, name) in enumerate(records):
            base = offsets[i]
            struct.pack_into("<II", out, base + 4, ref(2 * i + 1), ref(2 * i + 2))
            struct.pack_into("<I", out, base + 32, 1234)
            struct.pack_into("<QQ", out, base + 40, file_time, file_time)
            struct.pack_into("<I", out, base + 64, 1)
            text = 80
            for field, value in ((20, url), (24, name), (68, b""), (76, b"htm")):
                struct.pack_into("<I", out, base + field, text)
                out[base + text : base + text + len(value)] = value
                text += len(value) + 1
        return bytes(out)
    write("DESKTOP.INI", b"")
    files = [[[], []] for _ in range(8)]
    for i in range(entries):
        files[i % 8][i // 8 % 2].append((address(i).encode(), b"page%d.htm" % i))
    for s in range(8):
        os.makedirs(os.path.join(folder, "CACHE%d" % s))
        for name, records in (("MM256.DAT", files[s][0]), ("MM2048.DAT", files[s][1])):
            write(os.path.join("CACHE%d" % s, name), index(records))
elif kind == 8:
    block, per_table = 128, 500
    round_up = lambda n: (n + block - 1) // block * block
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
    write("index.dat", bytes(image) + b"".join(records))
PY
}

# Creates every file the local-path column names below folder (empty).
make_files() { # folder
    "$cli" list "$1" | python3 -c '
import os, sys
root = sys.argv[1]
next(sys.stdin)
for line in sys.stdin:
    path = line.rstrip("\n").split("\t")[-1]
    if path.startswith(root) and not path.endswith("/"):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        open(path, "wb").close()
' "$1"
}

best() { # command...: the best wall time of 3 runs, in seconds
    for run in 1 2 3; do
        /usr/bin/time -f "%e" "$@" 2>&1 >/dev/null | tail -1
    done | sort -n | head -1
}

for kind in $kinds; do
    folder="$work/kind$kind"
    mkdir "$folder"
    case $kind in
    4)
        generate 4 "$folder"
        "$writer" "$folder/fat.db" 4096 64 <"$folder/records"
        rm "$folder/records"
        ;;
    9)
        [ -f "$source_dir/tests/tools/ie5index_gen.py" ] || continue
        python3 "$source_dir/tests/tools/ie5index_gen.py" "$folder/index.dat" "$entries" >/dev/null
        ;;
    *) generate "$kind" "$folder" ;;
    esac
    for state in missing present; do
        [ $state == present ] && make_files "$folder"
        list=$(best "$cli" list "$folder")
        tree=$(best "$cli" tree "$folder")
        line="kind $kind, files $state: list $list s, tree $tree s"
        line+=$(awk -v l="$list" -v t="$tree" 'BEGIN { printf ", list/tree %.2f", l / t }')
        if [ "$kind" == 4 ]; then
            dump=$(best db_dump185 "$folder/fat.db")
            line+=$(awk -v l="$list" -v t="$tree" -v d="$dump" \
                'BEGIN { printf "; db_dump185 %.2f s: list %.2f, tree %.2f of it", d, l / d, t / d }')
        fi
        echo "$line"
    done
    rm -rf "$folder"
done
