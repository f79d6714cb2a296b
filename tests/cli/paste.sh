#!/usr/bin/env bash
# trawler-cli paste: the demo site pasted from the demo caches into a mirror log and a plain
# log, where the files land, the mirror's index, moves, overwrite answers and refusals.
set -u
source "$2/tests/cli/lib/harness.sh"
www=http://www.kestrel-valley.example
photos=http://photos.kestrel-valley.example
fresh() { # name: empty mirror and plain log, fresh copies of the caches
    rm -rf "$work/mirror" "$work/plain" "$work/ns1" "$work/tap"
    mkdir -p "$work/mirror" "$work/plain"
    cp -r "$source_dir/samples/netscape1" "$work/ns1"
    cp -r "$source_dir/samples/tapline" "$work/tap"
}
files_below() { (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }

# A server copied from a Netscape cache into a mirror lands at its own path; the index lists it.
fresh
out=$("$cli" paste --cabinet "$work/ns1" --cabinet "$work/mirror:2" --into 2: "1:$www/"); rc=$?
check "copy into a mirror: exit status" 0 "$rc"
expected="http=www.kestrel-valley.example/RootPage.html
http=www.kestrel-valley.example/events.html
http=www.kestrel-valley.example/gallery.html
http=www.kestrel-valley.example/images/logo.gif
http=www.kestrel-valley.example/members/roster.html
trfat.db"
check "copy into a mirror: files" "$expected" "$(files_below "$work/mirror")"
check "copy into a mirror: printed paths" \
    "$(files_below "$work/mirror" | grep -v trfat.db | sed "s|^|$work/mirror/|")" \
    "$(printf '%s\n' "$out" | LC_ALL=C sort)"
check "the mirror's index lists the copies" \
    "$(printf '%s\n' "$www/" "$www/events.html" "$www/gallery.html" "$www/images/logo.gif" \
        "$www/members/roster.html")" \
    "$("$cli" list "$work/mirror" | tail -n +2 | cut -f1 | LC_ALL=C sort)"
check "pages pasted into a mirror are converted" 1 \
    "$(grep -c 'Reload' "$work/mirror/http=www.kestrel-valley.example/events.html")"
check "pictures are copied byte for byte" "" \
    "$(cmp "$work/ns1/M0A1B2C7.gif" "$work/mirror/http=www.kestrel-valley.example/images/logo.gif" 2>&1)"

# Pasted into a subfolder of the mirror, a file still lands at its own path.
"$cli" paste --cabinet "$work/ns1" --cabinet "$work/mirror:2" --answer no \
    --into "2:$www/members/" "1:$photos/1997/kestrel.gif" >/dev/null
check "any folder of a mirror" 1 \
    "$(files_below "$work/mirror" | grep -c '^http=photos.kestrel-valley.example/1997/kestrel.gif$')"

# Linked pages in other servers are collected when the options say so.
fresh
out=$("$cli" paste --cabinet "$work/ns1" --cabinet "$work/mirror:2" --set OpMirrorLink=1 \
    --into 2: "1:$www/gallery.html")
check "collected files are copied after the page" \
    "$(printf '%s\n' "$work/mirror/http=www.kestrel-valley.example/gallery.html" \
        "$work/mirror/http=photos.kestrel-valley.example/1997/kestrel.gif" \
        "$work/mirror/http=photos.kestrel-valley.example/1997/spring.html" \
        "$work/mirror/http=www.kestrel-valley.example/RootPage.html" | LC_ALL=C sort)" \
    "$(printf '%s\n' "$out" | LC_ALL=C sort)"
check "the page is written first" "$work/mirror/http=www.kestrel-valley.example/gallery.html" \
    "$(printf '%s\n' "$out" | head -1)"

# A plain log: without a root a file lands in the target folder itself; with the list's root
# the folders between come along. Pages stay unconverted unless OpCopyConv is on.
fresh
"$cli" paste --cabinet "$work/ns1" --cabinet "$work/plain:1" --into 2: \
    "1:$www/members/roster.html" >/dev/null
check "plain log without a root" "roster.html" "$(files_below "$work/plain")"
check "plain copies are byte for byte" "" "$(cmp "$work/ns1/M0A1B2C5.html" "$work/plain/roster.html" 2>&1)"
check "a plain log gets no index" "" "$(ls "$work/plain" | grep -i trfat)"
mkdir -p "$work/plain/T"
out=$("$cli" paste --cabinet "$work/ns1" --cabinet "$work/plain:1" --root "1:$www/" \
    --set OpCopyConv=1 --into 2:T/ "1:$www/members/roster.html")
check "plain log with the server as root" "$work/plain/T/members/roster.html" "$out"
check "OpCopyConv converts pages for plain logs" 1 "$(grep -c Reload "$work/plain/T/members/roster.html")"

# Overwrite answers.
printf 'edited' >"$work/plain/roster.html"
out=$("$cli" paste --cabinet "$work/ns1" --cabinet "$work/plain:1" --into 2: "1:$www/members/roster.html"); rc=$?
check "answer no (the default) keeps the file" "edited" "$(cat "$work/plain/roster.html")"
check "answer no writes nothing" "" "$out"
check "answer no is not an error" 0 "$rc"
out=$("$cli" paste --cabinet "$work/ns1" --cabinet "$work/plain:1" --answer cancel --into 2: \
    "1:$www/members/roster.html" "1:$www/events.html"); rc=$?
check "answer cancel keeps the file" "edited" "$(cat "$work/plain/roster.html")"
check "answer cancel ends the batch" "" "$(ls "$work/plain" | grep events)"
check "a cancel is not an error" 0 "$rc"
out=$("$cli" paste --cabinet "$work/ns1" --cabinet "$work/plain:1" --answer yes --into 2: \
    "1:$www/members/roster.html")
check "answer yes overwrites" "" "$(cmp "$work/ns1/M0A1B2C5.html" "$work/plain/roster.html" 2>&1)"
check "answer yes prints the file" "$work/plain/roster.html" "$out"
printf 'edited' >"$work/plain/roster.html"
printf 'edited' >"$work/plain/events.html"
out=$("$cli" paste --cabinet "$work/ns1" --cabinet "$work/plain:1" --answer all --into 2: \
    "1:$www/members/roster.html" "1:$www/events.html")
check "answer all overwrites every conflict of the batch" \
    "$(printf '%s\n' "$work/plain/roster.html" "$work/plain/events.html")" "$out"
check "answer all: the second file too" "" "$(cmp "$work/ns1/M0A1B2C4.html" "$work/plain/events.html" 2>&1)"

# Moves: the Tapline cache (deletable) loses the moved files and its index the entries.
fresh
out=$("$cli" paste --cabinet "$work/tap" --cabinet "$work/plain:1" --move --into 2: \
    "1:$photos/"); rc=$?
check "move: exit status" 0 "$rc"
check "move: the files arrive" \
    "$(printf '%s\n' http=photos.kestrel-valley.example/1997/kestrel.gif http=photos.kestrel-valley.example/1997/spring.html)" \
    "$(files_below "$work/plain")"
check "move: the cached files are gone" "" "$(files_below "$work/tap" | grep photos)"
check "move: the cache index forgets them" 0 "$("$cli" list "$work/tap" | grep -c photos)"
check "move: the rest of the cache stays" 5 "$("$cli" list "$work/tap" | tail -n +2 | wc -l)"

# A Netscape cache cannot be cut; a cache cannot be pasted into.
err=$("$cli" paste --cabinet "$work/ns1" --cabinet "$work/plain:1" --move --into 2: \
    "1:$www/events.html" 2>&1 >/dev/null); rc=$?
check "cut refused: message" "error: 指定された項目は切取れません。" "$err"
check "cut refused: exit status" 1 "$rc"
check "cut refused: nothing moved" 1 "$(ls "$work/ns1" | grep -c M0A1B2C4)"
err=$("$cli" paste --cabinet "$work/ns1" --cabinet "$work/tap" --into "2:$www/" \
    "1:$www/events.html" 2>&1 >/dev/null); rc=$?
check "paste into a cache: message" "error: キャッシュ内の項目に貼り付けはできません。" "$err"
check "paste into a cache: exit status" 1 "$rc"
err=$("$cli" paste --cabinet "$work/plain:1" --into "1:http=photos.kestrel-valley.example/1997/spring.html" \
    "1:http=photos.kestrel-valley.example/1997/kestrel.gif" 2>&1 >/dev/null)
check "paste onto a file" "error: ファイルに貼り付けはできません。" "$err"

# A plain or mirror log named on the command line is made when its folder is missing; its
# index takes the MS-IE 4.x cache files' "/" as every other path.
cp -r "$source_dir/samples/msie4" "$work/ie4"
out=$("$cli" paste --cabinet "$work/ie4" --cabinet "$work/new/mirror:2" --into 2: "1:$www/"); rc=$?
check "paste into a new mirror: exit status" 0 "$rc"
check "paste into a new mirror: its index" yes "$([ -f "$work/new/mirror/trfat.db" ] && echo yes)"
check "paste into a new mirror: no backslash in its index" 0 "$(grep -c '\\' "$work/new/mirror/trfat.db")"
check "paste into a new mirror: nothing but copies and the index" \
    "$(printf '%s\n' "$out" | sed "s|^$work/new/mirror/||" | LC_ALL=C sort; echo trfat.db)" \
    "$(files_below "$work/new/mirror")"
"$cli" paste --cabinet "$work/ie4" --cabinet "$work/new2/plain:1" --into 2: "1:$www/" >/dev/null
check "paste into a new plain log" 0 "$?"
"$cli" paste --cabinet "$work/missing-cache:3" --cabinet "$work/plain:1" --into 2: "1:$www/" 2>/dev/null
check "a missing cache folder is still missing" "2:no" "$?:$([ -e "$work/missing-cache" ] && echo yes || echo no)"

# Wrong usage.
"$cli" paste --cabinet "$work/ns1" "1:$www/events.html" 2>/dev/null
check "no target" 2 "$?"
"$cli" paste --cabinet "$work/ns1" --cabinet "$work/plain:1" --into 2: "1:$www/nothing.html" 2>/dev/null
check "no such item" 2 "$?"
"$cli" paste --cabinet "$work/ns1" --cabinet "$work/plain:1" --answer maybe --into 2: "1:$www/" 2>/dev/null
check "bad answer" 2 "$?"
"$cli" paste --cabinet "$work/ns1" --into 1: 2>/dev/null
check "no items" 2 "$?"

printf '%d passed, %d failed\n' "$pass" "$fails"
[ "$fails" -eq 0 ]
