#!/usr/bin/env bash
# Whole-process figure: `trawler-cli find` over a generated disk-like tree of 100 000 folders
# and 1 000 000 files (empty) holding 20 stores: the seven indexed demo caches of samples/ copied
# in turn into folders spread over the tree. Prints wall time, CPU time and peak memory of three
# runs (the tree's folders are then in the kernel's caches, as after any first look at a disk).
# The tree takes a few minutes to make and is kept for the next run; --fresh makes it again.
# usage: bench/find_bench.sh [--fresh] [path/to/trawler-cli] [tree folder]
#        (defaults: build/release/trawler-cli, /tmp/trawler-find-bench)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
fresh=0
if [ "${1:-}" = "--fresh" ]; then fresh=1; shift; fi
cli=${1:-build/release/trawler-cli}
tree=${2:-/tmp/trawler-find-bench}
if [ "$fresh" = 1 ] || [ ! -f "$tree/.complete" ]; then
    rm -rf "$tree"
    mkdir -p "$tree"
    python3 - "$tree" "$root/samples" <<'PY'
import os, shutil, sys
tree, samples = sys.argv[1], sys.argv[2]
# 10 disks of 100 users of 99 folders: 10 + 1 000 + 99 000 = 100 010 folders, 10 files in each.
folders = []
for a in range(10):
    folders.append("disk%d" % a)
    for b in range(100):
        folders.append("disk%d/user%02d" % (a, b))
        for c in range(99):
            folders.append("disk%d/user%02d/folder%02d" % (a, b, c))
for folder in folders:
    os.makedirs(os.path.join(tree, folder), exist_ok=True)
names = ["page%d.html" % i for i in range(8)] + ["picture.gif", "notes.txt"]
for folder in folders:
    for name in names:
        os.close(os.open(os.path.join(tree, folder, name), os.O_CREAT | os.O_WRONLY, 0o644))
kinds = ["mirror-log", "netscape1", "netscape2", "msie2", "msie3", "tapline", "msie4"]
for i in range(20):
    kind = kinds[i % len(kinds)]
    shutil.copytree(os.path.join(samples, kind),
                    os.path.join(tree, folders[(i * 4999) % len(folders)], "cache%02d" % i))
print("%d folders, %d files, 20 stores" % (len(folders), len(folders) * len(names)))
PY
    touch "$tree/.complete"
fi
for run in 1 2 3; do
    /usr/bin/time -f "run $run: %e s wall, %U s user, %S s system, %M KiB peak" \
        "$cli" find "$tree" >/dev/null
done
echo "found $("$cli" find "$tree" | wc -l) stores"
