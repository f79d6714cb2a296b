#!/usr/bin/env bash
# Whole-process figure: `trawler-cli warc` over a generated mirror log of 20 000 small cached
# files (2 to 12 KB of page text each, 100 per folder), against `cat` of the same files into
# one file, and against `gzip -1` of the same bytes (the compression alone, at the level the
# export uses); all with the files in the page cache (each is run once before it is timed).
# Prints wall time, payload MB/s and peak memory of three runs of each.
# usage: bench/warc_bench.sh [path/to/trawler-cli]   (default: build/release/trawler-cli)
set -euo pipefail
cli=${1:-build/release/trawler-cli}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/log"
python3 - "$work/log" <<'PY'
import os, random, sys
folder = sys.argv[1]
random.seed(1997)
words = ("kestrel valley birding club walk spring mill bridge hawk meadow river gallery "
         "photo members roster events dawn chorus ridge hill owl heron").split()
server = "http=www.bench.example"
with open(folder + "/trfat.db", "wb") as index:
    index.write(b"MCOM-Cache-file-allocation-table-format-1\r\n")
    for i in range(20000):
        path = "%s/d%03d/page%05d.html" % (server, i // 100, i)
        os.makedirs(os.path.dirname(folder + "/" + path), exist_ok=True)
        size = random.randint(2000, 12000)
        text = ["<HTML><BODY><H1>Page %d</H1>\n<P>" % i]
        length = len(text[0])
        while length < size:
            word = random.choice(words) + (" " if random.random() < 0.9 else ".\n")
            text.append(word)
            length += len(word)
        data = "".join(text).encode()
        with open(folder + "/" + path, "wb") as f:
            f.write(data)
        url = "http://www.bench.example/d%03d/page%05d.html" % (i // 100, i)
        index.write(("0\t852076800\t852076900\t%s\t%s\ttext/html\t\t%d\t\t\t\r\n"
                     % (path, url, len(data))).encode())
PY
bytes=$(find "$work/log" -name '*.html' -print0 | du -cb --files0-from=- | tail -1 | cut -f1)
echo "payload: 20000 files, $bytes bytes"
mbps() { python3 -c "import sys; print('%.1f' % ($bytes / 1e6 / float(sys.argv[1])))" "$1"; }
run_cat() { find "$work/log" -name '*.html' -print0 | xargs -0 cat >"$work/cat.out"; }
run_gzip() { find "$work/log" -name '*.html' -print0 | xargs -0 cat | gzip -1 >"$work/cat.gz"; }
run_warc() { "$cli" warc --cabinet "$work/log" --output "$work/out.warc.gz" 1: 2>/dev/null; }
run_cat
run_warc
for tool in cat gzip warc; do
    for run in 1 2 3; do
        /usr/bin/time -f "%e %M" -o "$work/time" bash -c "$(declare -f run_$tool); \
            work='$work' cli='$cli' run_$tool"
        read -r wall peak <"$work/time"
        echo "$tool run $run: $wall s wall, $(mbps "$wall") MB/s, $peak KiB peak"
    done
done
echo "warc output: $(stat -c %s "$work/out.warc.gz") bytes"
