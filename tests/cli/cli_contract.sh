#!/usr/bin/env bash
# trawler-cli end to end: output format, exit status, messages, reindex, and the demo samples.
set -u
source "$2/tests/cli/lib/harness.sh"

# A mirror log with two entries, one a root page.
mkdir -p "$work/mirror/http=h/a"
printf 'MCOM-Cache-file-allocation-table-format-1\r\n0\t852076800\t0\thttp=h/a/b.html\thttp://h/a/b.html\ttext/html\t\t12\t\t\t\r\n0\t852076800\t852076900\thttp=h/RootPage.html\thttp://h/\ttext/html\t\t5\t\t\t\r\n' >"$work/mirror/trfat.db"

check "kind of a mirror log" "$(printf '2\tミラーログ')" "$("$cli" kind "$work/mirror")"
out=$("$cli" list "$work/mirror"); rc=$?
check "list exit status" 0 "$rc"
expected=$(printf 'url\tsize\tmodified\taccessed\tcontent_type\tcache_file\troot_page\tlocal_path\nhttp://h/a/b.html\t12\t1997-01-01 09:00:00\t1970-01-01 09:00:00\ttext/html\thttp=h/a/b.html\t0\t%s\nhttp://h/\t5\t1997-01-01 09:00:00\t1997-01-01 09:01:40\ttext/html\thttp=h/RootPage.html\t1\t%s' \
    "$work/mirror/http=h/a/b.html" "$work/mirror/http=h/RootPage.html")
check "list of a mirror log" "$expected" "$out"
check "tree of a mirror log" "$(printf 'mirror/\n  http://h/\n    a/\n      b.html\n    RootPage.html')" "$("$cli" tree "$work/mirror")"

# reindex writes the index back and keeps the previous one as the backup.
cp "$work/mirror/trfat.db" "$work/before.db"
"$cli" reindex "$work/mirror"; rc=$?
check "reindex exit status" 0 "$rc"
check "reindex keeps the previous index as trfat.bak" "" "$(cmp "$work/before.db" "$work/mirror/trfat.bak" 2>&1)"
check "reindexed mirror lists the same entries" "$(printf '%s\n' "$out" | sort)" "$("$cli" list "$work/mirror" | sort)"

# A broken index: the error goes to standard error with the exact text, exit status 1.
mkdir -p "$work/broken"
printf 'MCOM-Cache-file-allocation-table-format-1\r\n0\tnope\t0\tx\thttp://h/x\t\t\t1\t\t\t\r\n' >"$work/broken/trfat.db"
err=$("$cli" list "$work/broken" 2>&1 >/dev/null); rc=$?
check "read error exit status" 1 "$rc"
check "read error message" "error: ファイル内のキャッシュデータが読めません。\\r\\nFile : $work/broken/trfat.db" "$err"
# ... and the broken index is not written back by reindex.
cp "$work/broken/trfat.db" "$work/broken.orig"
"$cli" reindex "$work/broken" 2>/dev/null
check "a broken index is never rewritten" "" "$(cmp "$work/broken.orig" "$work/broken/trfat.db" 2>&1)"

# Usage errors and missing folders: exit status 2.
"$cli" list "$work/missing" 2>/dev/null; check "missing folder" 2 "$?"
"$cli" frobnicate "$work/mirror" 2>/dev/null; check "unknown command" 2 "$?"
"$cli" list "$work/mirror" --kind 10 2>/dev/null; check "kind out of range" 2 "$?"
"$cli" list "$work/mirror" --set NoSuchSetting=1 2>/dev/null; check "unknown setting" 2 "$?"

# A field with a tab or backslash is escaped; a plain-log kind forced with --kind.
mkdir -p "$work/plain/http=h"
printf 'x' >"$work/plain/http=h/a\\b"
check "escaped url" 'http=h/a\\b' "$("$cli" list "$work/plain" --kind 1 | tail -n 1 | cut -f1)"

# JSON output is one array with one object per file.
json=$("$cli" list "$work/mirror" --format json)
check "json records" 2 "$(printf '%s\n' "$json" | grep -c '"url"')"
# Text that is not UTF-8 is decoded as Shift-JIS, never passed on raw; bytes that decode to
# nothing become U+FFFD, and the exact bytes follow percent-encoded.
mkdir -p "$work/bytes/h"
printf 'x' >"$work/bytes/h/$(printf 'a\370\200\200b')"
json=$("$cli" list "$work/bytes" --kind 1 --format json)
check "json never passes a byte that is not UTF-8" "" "$(printf '%s' "$json" | iconv -f UTF-8 -t UTF-8 2>&1 >/dev/null)"
check "json keeps the bytes of a name that is not UTF-8" '"url_bytes": "h/a%F8%80%80b"' \
    "$(printf '%s\n' "$json" | grep -o '"url_bytes": "[^"]*"')"

# Shift-JIS addresses (as Japanese pages of 1997 were written) read as Japanese in JSON; TSV
# keeps the bytes, and a UTF-8 record gets no _bytes field.
mkdir -p "$work/sjis"
sjis=$(printf 'http://h.example/\223\372\226\173\214\352/\203\171\201\133\203\127.html')
printf 'MCOM-Cache-file-allocation-table-format-1\r\n0\t0\t0\tp.html\t%s\ttext/html\t\t1\t\t\t\r\n0\t0\t0\tq.html\thttp://h.example/%s\ttext/html\t\t1\t\t\t\r\n' \
    "$sjis" "日本" >"$work/sjis/trfat.db"
json=$("$cli" list "$work/sjis" --format json)
check "json decodes Shift-JIS" '"url": "http://h.example/日本語/ページ.html", "url_bytes": "http://h.example/%93%FA%96{%8C%EA/%83y%81[%83W.html"' \
    "$(printf '%s\n' "$json" | grep -o '"url": "[^"]*ページ[^"]*", "url_bytes": "[^"]*"')"
check "json: only text that is not UTF-8 has a _bytes field" 1 "$(printf '%s\n' "$json" | grep -c '_bytes')"
check "tsv keeps the Shift-JIS bytes" "$sjis" "$("$cli" list "$work/sjis" | grep -a '\.html' | cut -f1 | grep -av '日本$')"

# Cache files of MS-IE 4.x lie in subfolders joined with "/", as in every other store.
check "msie4 cache files are joined with /" "0" \
    "$("$cli" list "$source_dir/samples/msie4" | tail -n +2 | cut -f6 | grep -c '\\\\')"
check "msie4 cache files name a subfolder" "yes" \
    "$("$cli" list "$source_dir/samples/msie4" | tail -n +2 | cut -f6 | grep -q '^[^/]*/[^/]*$' && echo yes)"

# tree indents at most 64 levels; deeper lines start with their depth and a tab.
mkdir -p "$work/deep"
deep=$(printf 'http://h/%s' "$(printf 's/%.0s' $(seq 1 98))f")
printf 'MCOM-Cache-file-allocation-table-format-1\r\n0\t0\t0\tf\t%s\t\t\t1\t\t\t\r\n' "$deep" >"$work/deep/trfat.db"
tree=$("$cli" tree "$work/deep")
check "tree lines up to 64 levels" "$(printf '%128ss/' '')" "$(printf '%s\n' "$tree" | sed -n 65p)"
check "tree lines deeper than 64 levels" "$(printf '%128s65\ts/' '')" "$(printf '%s\n' "$tree" | sed -n 66p)"
check "tree of a deep address: the file" "$(printf '%128s100\tf' '')" "$(printf '%s\n' "$tree" | tail -n 1)"

# Output that cannot be written is a failure, not a success.
if [ -w /dev/full ]; then
    "$cli" list "$work/mirror" >/dev/full 2>/dev/null; check "unwritable output" 1 "$?"
fi

# The settings file was never created.
check "no settings written" "" "$(find "$HOME" -type f)"

# Every demo cabinet lists without an error message.
for folder in "$source_dir"/samples/*/; do
    [ -d "$folder" ] || continue
    err=$("$cli" list "$folder" 2>&1 >/dev/null); rc=$?
    check "demo $(basename "$folder") lists cleanly" "0:" "$rc:$err"
    lines=$("$cli" list "$folder" | wc -l)
    [ "$lines" -gt 1 ] || check "demo $(basename "$folder") has files" "more than a header" "$lines lines"
done

echo "$pass passed, $fails failed"
[ "$fails" -eq 0 ]
