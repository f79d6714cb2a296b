#!/usr/bin/env bash
# trawler-cli find: the demo caches spread over a disk-like tree (stores inside stores, marker
# names in other letter cases, a deep chain of folders, a link loop, stray index files) are
# found exactly where GNU find lists their marker files, with the entry counts and access times
# that `list` gives; warnings and usage errors.
set -u
source "$2/tests/cli/lib/harness.sh"

bash "$source_dir/scripts/make-demo.sh" "$work/demo" >/dev/null
s="$work/demo/samples"
t="$work/disk"
mkdir -p "$t/home/u/.netscape" "$t/win" "$t/docs" "$t/deep"
cp -R "$s/netscape2" "$t/home/u/.netscape/cache"
cp -R "$s/netscape1" "$t/home/u/old-nn1"
mv "$t/home/u/old-nn1/fat" "$t/home/u/old-nn1/FAT"
cp -R "$s/msie4" "$t/win/Temporary Internet Files"
cp -R "$s/msie4" "$t/win/Temporary Internet Files/History"
mv "$t/win/Temporary Internet Files/History/index.dat" "$t/win/Temporary Internet Files/History/INDEX.DAT"
cp -R "$s/msie3" "$t/win/IE3 Cache"
cp -R "$s/msie2" "$t/win/ie2"
cp -R "$s/tapline" "$t/tapline"
cp -R "$s/mirror-log" "$t/mirror"
cp -R "$s/netscape1" "$t/mirror/nn1-inside"
cp -R "$s/plain-log" "$t/plain"
# Not caches: a page saved as "fat", an "index.dat" of another program, a folder's desktop.ini.
printf '<HTML>fat</HTML>\n' >"$t/mirror/http=www.kestrel-valley.example/fat"
printf 'not an index\n' >"$t/docs/index.dat"
printf '[.ShellClassInfo]\r\n' >"$t/docs/desktop.ini"
ln -s .. "$t/win/ie2/up"
# A chain of folders 257 levels below the disk, stores at its levels 256 and 257.
chain="$t/deep"
for i in $(seq 2 256); do chain="$chain/d"; done
mkdir -p "$chain/d"
cp "$s/netscape1/fat" "$chain/fat"
cp "$s/netscape1/fat" "$chain/d/fat"

out=$("$cli" find "$t" 2>"$work/err"); rc=$?
check "find exit status" 0 "$rc"

# The stores GNU find lists by their marker files, the strays left out, as "kind TAB folder/".
expected=$(find "$t" -maxdepth 257 -type f \( -iname fat -o -iname fat.db -o -iname index.dat \
        -o -iname desktop.ini -o -iname iexplore.cif -o -iname trfat.db -o -iname cache.db \) |
    grep -v -x -e "$t/mirror/http=www.kestrel-valley.example/fat" -e "$t/docs/index.dat" \
        -e "$t/docs/desktop.ini" |
    while read -r path; do
        case "$(basename "$path" | tr 'A-Z' 'a-z')" in
        trfat.db) k=2 ;; fat) k=3 ;; fat.db) k=4 ;; iexplore.cif) k=5 ;; desktop.ini) k=6 ;;
        cache.db) k=7 ;; index.dat) k=8 ;;
        esac
        printf '%s\t%s/\n' "$k" "$(dirname "$path")"
    done | LC_ALL=C sort -t "$(printf '\t')" -k2,2)
check "the stores GNU find lists, sorted by folder" "$expected" "$(cut -f1,3 <<<"$out")"
check "ten stores" 10 "$(wc -l <<<"$out")"

# Each line's name, count and times against `kind` and `list` of the same folder (empty
# fields kept: a tab is a blank to `read`).
while IFS='|' read -r kind name folder entries earliest latest; do
    check "kind name of $folder" "$("$cli" kind "$folder")" "$kind	$name"
    listed=$("$cli" list "$folder" | tail -n +2)
    check "entries of $folder" "$(grep -c . <<<"$listed")" "$entries"
    times=$(cut -f4 <<<"$listed" | grep . | LC_ALL=C sort)
    check "access times of $folder" "$(head -n 1 <<<"$times") $(tail -n 1 <<<"$times")" \
        "$earliest $latest"
done < <(tr '\t' '|' <<<"$out")

check "warnings" "warning: folders more than 256 levels deep are not searched: $chain/
warning: not a cache index, skipped: $t/docs/index.dat
warning: not a cache index, skipped: $t/mirror/http=www.kestrel-valley.example/fat
warning: symbolic link loop, not followed: $t/win/ie2/up" "$(LC_ALL=C sort "$work/err")"

# A broken index is a read error: the line is still printed, the status is 1.
printf 'MCOM-Cache-file-allocation-table-format-1\r\n0\tnope\r\n' >"$t/tapline/Cache.db"
out=$("$cli" find "$t/tapline" 2>"$work/err"); rc=$?
check "read error status" 1 "$rc"
check "read error line" "7		$t/tapline/	0		" "$out"
check "read error message" "error: ファイル内のキャッシュデータが読めません。\\r\\nFile : $t/tapline/Cache.db" \
    "$(cat "$work/err")"

if [ "$(id -u)" != 0 ]; then
    mkdir -p "$work/locked/in"
    chmod 000 "$work/locked/in"
    err=$("$cli" find "$work/locked" 2>&1 >/dev/null)
    check "an unreadable folder is named" "warning: cannot read folder $work/locked/in/: Permission denied" "$err"
    chmod 700 "$work/locked/in"
fi

"$cli" find 2>/dev/null; check "folder missing from the command" 2 "$?"
"$cli" find "$work/none" 2>/dev/null; check "missing folder" 2 "$?"
"$cli" find "$t" "$t" 2>/dev/null; check "two folders" 2 "$?"
"$cli" find --bogus "$t" 2>/dev/null; check "unknown option" 2 "$?"

echo "find: $pass passed, $fails failed"
[ "$fails" = 0 ]
