#!/usr/bin/env bash
# trawler-cli links: the links of one HTML file, looked up in every cabinet.
set -u
source "$2/tests/cli/lib/harness.sh"
samples=$source_dir/samples
header=$(printf 'link\turl\tcabinet\titem\texists')
site=http://www.kestrel-valley.example
photos=http://photos.kestrel-valley.example

# index LINE...: a mirror-log index of the lines given as "local-path url size".
index() {
    printf 'MCOM-Cache-file-allocation-table-format-1\r\n'
    for line in "$@"; do
        set -- $line
        printf '0\t862563600\t863344800\t%s\t%s\ttext/html\t\t%s\t\t\t\r\n' "$1" "$2" "$3"
    done
}

# A mirror log that holds only the gallery: its links are found in the other cabinets, the
# cabinet named last searched first.
mkdir -p "$work/one/http=www.kestrel-valley.example"
cp "$samples/mirror-log/http=www.kestrel-valley.example/gallery.html" "$work/one/http=www.kestrel-valley.example/"
index "http=www.kestrel-valley.example/gallery.html $site/gallery.html 438" >"$work/one/trfat.db"
expected=$(printf '%s\n' "$header" \
    "$photos/1997/kestrel.gif	$photos/1997/kestrel.gif	3	$photos/1997/kestrel.gif	0" \
    "$photos/1997/spring.html	$photos/1997/spring.html	3	$photos/1997/spring.html	0" \
    "./	$site/	3	$site/	0")
out=$("$cli" links --cabinet "$work/one" --cabinet "$samples/netscape1" \
    --cabinet "$samples/mirror-log" "1:$site/gallery.html"); rc=$?
check "gallery: exit status" 0 "$rc"
check "gallery: found in the cabinet named last" "$expected" "$out"
out=$("$cli" links --cabinet "$work/one" --cabinet "$samples/mirror-log" \
    --cabinet "$samples/netscape1" "1:$site/gallery.html" | cut -f3 | sort -u | tr '\n' ' ')
check "gallery: the order of the cabinets decides" "3 cabinet " "$out"

# A folder's address names its root page; relative links are found in the page's own
# cabinet first even when others hold them too.
expected=$(printf '%s\n' "$header" \
    "images/logo.gif	$site/images/logo.gif	1	$site/images/logo.gif	0" \
    "events.html	$site/events.html	1	$site/events.html	0" \
    "members/roster.html	$site/members/roster.html	1	$site/members/roster.html	0" \
    "gallery.html	$site/gallery.html	1	$site/gallery.html	0")
out=$("$cli" links --cabinet "$samples/netscape1" --cabinet "$samples/mirror-log" "1:$site/")
check "root page of the Netscape cache" "$expected" "$out"

# A page in a plain log links to files on disk: "file:///" addresses, found when the file
# exists.
plain=$(cd "$samples/plain-log" && pwd)
expected=$(printf '%s\n' "$header" \
    "../events.html	file://$plain/http=www.kestrel-valley.example/events.html			1" \
    "../	file://$plain/http=www.kestrel-valley.example/			0")
out=$("$cli" links --cabinet "$samples/plain-log:1" \
    "1:http=www.kestrel-valley.example/members/roster.html")
check "plain log: file links" "$expected" "$out"

# A page of our own: duplicates merged (the text seen first is kept), fragments cut for the
# lookup, "<BASE" changes the base of the links after it, fragments of the same page and
# empty values give no line, a tab in a link is escaped.
mkdir -p "$work/hand/http=h/d"
printf '<A HREF="a.html#x"><A HREF="A.HTML"><A href=#top><a href="">\r\n<BASE HREF="%s/">\r\n<IMG SRC="images/logo.gif"><A HREF="mailto:club@kestrel-valley.example">\r\n<A HREF="tab\there.html"><TD>the SRC of it</TD>\r\n' "$site" \
    >"$work/hand/http=h/d/p.html"
printf 'A\r\n' >"$work/hand/http=h/d/a.html"
index "http=h/d/p.html http://h/d/p.html 1" "http=h/d/a.html http://h/d/a.html 3" >"$work/hand/trfat.db"
expected=$(printf '%s\n' "$header" \
    "a.html#x	http://h/d/a.html	1	http://h/d/a.html	0" \
    "images/logo.gif	$site/images/logo.gif	2	$site/images/logo.gif	0" \
    "mailto:club@kestrel-valley.example	mailto:club@kestrel-valley.example			0" \
    "tab\\there.html	$site/tab\\there.html			0" \
    "of	$site/of			0")
out=$("$cli" links --cabinet "$work/hand" --cabinet "$samples/netscape1" "1:http://h/d/p.html"); rc=$?
check "own page: exit status" 0 "$rc"
check "own page: links" "$expected" "$out"

# A page without links gives the header alone.
printf '<HTML><BODY>no links</BODY></HTML>\r\n' >"$work/hand/http=h/d/a.html"
check "no links" "$header" "$("$cli" links --cabinet "$work/hand" "1:http://h/d/a.html")"

# A file that cannot be read: the message with the exact text, exit status 1.
rm "$work/hand/http=h/d/a.html"
err=$("$cli" links --cabinet "$work/hand" "1:http://h/d/a.html" 2>&1 >/dev/null); rc=$?
check "unreadable: exit status" 1 "$rc"
check "unreadable: message" "error: ファイル ($work/hand/http=h/d/a.htmlが開けません。" "$err"

# Items that are missing or no HTML file: exit status 1; a malformed name or no cabinet: 2.
"$cli" links --cabinet "$samples/netscape1" "1:$site/nothing.html" 2>/dev/null
check "missing item" 1 "$?"
"$cli" links --cabinet "$samples/netscape1" "2:$site/gallery.html" 2>/dev/null
check "no such cabinet" 1 "$?"
"$cli" links --cabinet "$samples/netscape1" "1:$site/images/logo.gif" 2>/dev/null
check "not an HTML file" 1 "$?"
"$cli" links --cabinet "$samples/netscape1" "1:$site/images/" 2>/dev/null
check "a folder without a root page" 1 "$?"
"$cli" links --cabinet "$samples/netscape1" "x:$site/gallery.html" 2>/dev/null
check "malformed name" 2 "$?"
"$cli" links "1:$site/gallery.html" 2>/dev/null
check "no cabinet" 2 "$?"
"$cli" links --cabinet "$samples/netscape1" 2>/dev/null
check "no item" 2 "$?"
# Options may come before the command word.
out=$("$cli" --cabinet "$samples/netscape1" links "1:$site/gallery.html" | wc -l)
check "options before the command word" 4 "$out"

printf '%d passed, %d failed\n' "$pass" "$fails"
[ "$fails" -eq 0 ]
