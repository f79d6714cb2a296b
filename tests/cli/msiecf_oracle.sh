#!/usr/bin/env bash
# The MS-IE 5-9 reader against an independent reader of the same files, msiecfexport: on the
# real sample indexes and on generated ones, every URL record it lists is in
# `trawler-cli list FOLDER --kind 9` with the same address (history addresses after the "@"),
# modified and accessed times (its secondary and primary time, in local time at 2-second
# steps), cached file and, where the generator's manifest knows it, size; nothing else is
# listed. Skipped when msiecfexport is missing.
set -u
cli=$1
source_dir=$2
export TZ=Asia/Tokyo
if ! command -v msiecfexport >/dev/null; then
    echo "msiecfexport is missing: skipped"
    exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0
pass=0

# compare NAME INDEX [MANIFEST]
compare() {
    local name=$1 index=$2 manifest=${3:-}
    rm -rf "$work/cab"
    mkdir "$work/cab"
    cp "$index" "$work/cab/index.dat"
    if ! "$cli" list "$work/cab" --kind 9 >"$work/list.tsv" 2>"$work/list.err" ||
        [ -s "$work/list.err" ]; then
        fails=$((fails + 1))
        echo "FAIL $name: trawler-cli failed: $(cat "$work/list.err")"
        return
    fi
    msiecfexport "$index" >"$work/export.txt" 2>/dev/null
    if python3 - "$work/export.txt" "$work/list.tsv" "$manifest" <<'PY'; then
import datetime, sys, zoneinfo

export_path, list_path, manifest_path = sys.argv[1:4]
tokyo = zoneinfo.ZoneInfo("Asia/Tokyo")

def local_time(text):
    # "Aug 25, 2015 11:05:20.262000000" in UTC; the items keep local time in 2-second steps
    # from 1980 to 2107, and nothing otherwise.
    try:
        stamp = datetime.datetime.strptime(text.split(".")[0], "%b %d, %Y %H:%M:%S")
    except ValueError:
        return ""
    local = stamp.replace(tzinfo=datetime.timezone.utc).astimezone(tokyo)
    if not 1980 <= local.year <= 2107:
        return ""
    local = local.replace(second=local.second - local.second % 2)
    return local.strftime("%Y-%m-%d %H:%M:%S")

def history_address(location):
    prefix = 0
    if location.startswith("Visited: "):
        prefix = 9
    elif (len(location) >= 19 and location[0] == ":" and location[1:17].isdigit()
          and location[17:19] == ": "):
        prefix = 19
    else:
        return None
    rest = location[prefix:]
    return rest.split("@", 1)[1] if "@" in rest else rest

def as_listed(url):
    # The address as the tree gives it back: empty segments dropped, "/" after ":" kept.
    segments, start = [], 0
    for i, c in enumerate(url):
        if c != "/" or (i > start and url[i - 1] in ":/"):
            continue
        if i > start:
            segments.append(url[start:i])
        start = i + 1
    if start < len(url):
        return "/".join(segments + [url[start:]])
    return "/".join(segments) + "/"

def folded(address):
    # The tree files names that differ only in ASCII case as one item.
    return address.translate(FOLD)

FOLD = str.maketrans("ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz")

def unescape(field):
    out, i = [], 0
    while i < len(field):
        if field[i] == "\\" and i + 1 < len(field):
            out.append({"t": "\t", "r": "\r", "n": "\n", "\\": "\\"}.get(field[i + 1], field[i + 1]))
            i += 2
        else:
            out.append(field[i])
            i += 1
    return "".join(out)

expected = {}  # listed address, folded: the records that name it
record = None
def finish(record):
    if record and record.get("Record type") == "URL":
        location = record.get("Location", "")
        history = history_address(location)
        cache = ""
        folder = record.get("Cache directory index", "")
        if history is None and "(" in folder and not folder.startswith("-"):
            name = folder.rsplit("(", 1)[1].rstrip(")")
            cache = name + "/" + record.get("Filename", "")
        address = folded(as_listed(history if history is not None else location))
        expected.setdefault(address, []).append((
            local_time(record.get("Secondary time", "")),
            local_time(record.get("Primary time", "")), cache))

with open(export_path, encoding="cp1252", errors="replace") as f:
    for line in f:
        line = line.rstrip("\n")
        if line.startswith("Record type"):
            finish(record)
            record = {}
        if record is not None and "\t: " in line:
            key, value = line.split("\t: ", 1)
            record[key.strip()] = value.strip()
finish(record)

sizes = {}
if manifest_path:
    with open(manifest_path, encoding="latin-1") as f:
        for line in f:
            url, size, cache = line.rstrip("\n").split("\t")
            sizes[folded(as_listed(url))] = size

listed = {}
with open(list_path, encoding="cp1252", errors="replace") as f:
    next(f)
    for line in f:
        fields = [unescape(x) for x in line.rstrip("\n").split("\t")]
        listed[folded(fields[0])] = fields

problems = []
for address, records in expected.items():
    row = listed.get(address)
    if row is None:
        problems.append("missing: " + address)
        continue
    got = (row[2], row[3], row[5])
    if got not in records:
        problems.append("differs: %s %r, expected one of %r" % (address, got, records))
    if address in sizes and row[1] != sizes[address]:
        problems.append("size: %s %s, expected %s" % (address, row[1], sizes[address]))
for address in listed:
    if address not in expected:
        problems.append("not listed by msiecfexport: " + address)
if not expected:
    problems.append("msiecfexport lists no URL record")
for p in problems[:20]:
    print(p)
sys.exit(1 if problems else 0)
PY
        pass=$((pass + 1))
    else
        fails=$((fails + 1))
        echo "FAIL $name"
    fi
}

for index in "$source_dir"/tests/data/msie5/*.dat; do
    compare "$(basename "$index")" "$index"
done
gen=$source_dir/tests/tools/ie5index_gen.py
python3 "$gen" "$work/content.dat" 1500 --seed 7 --manifest "$work/content.tsv"
compare "generated content" "$work/content.dat" "$work/content.tsv"
python3 "$gen" "$work/history.dat" 300 --seed 8 --history --manifest "$work/history.tsv"
compare "generated history" "$work/history.dat" "$work/history.tsv"
python3 "$gen" "$work/small.dat" 3 --seed 9 --manifest "$work/small.tsv"
compare "generated, three records" "$work/small.dat" "$work/small.tsv"

echo "$pass passed, $fails failed"
[ "$fails" -eq 0 ]
