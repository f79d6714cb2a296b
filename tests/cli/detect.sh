#!/usr/bin/env bash
# trawler-cli detect: caches found through a registry file, cabinets registered by hand kept
# and completed, the registry file never written, usage errors, and the demo caches found
# through detection.
set -u
source "$2/tests/cli/lib/harness.sh"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" TRAWLER_REGISTRY="$work/home/own.reg"

# The browsers of the shared fixture, with their profile folders.
r="$work/root"
data="$source_dir/tests/data/detect"
mkdir -p "$r/users/alice/NScache" "$r/users/bob" "$r/users/carol" "$r/nn3/cache" "$r/tapline"
sed "s|@ROOT@|$r|g" "$data/alice-prefs.js" >"$r/users/alice/Prefs.js"
sed "s|@ROOT@|$r|g" "$data/bob-prefs.js" >"$r/users/bob/Prefs.js"
sed "s|@ROOT@|$r|g" "$data/browsers.reg" >"$work/browsers.reg"
cp "$work/browsers.reg" "$work/browsers.orig"
touch -d '2001-01-01 00:00' "$work/browsers.reg"

out=$("$cli" detect --registry "$work/browsers.reg" --cabinet "$r/nn3/cache:4" 2>/dev/null)
expected=$(printf '%s\n' \
    "cache	4	$r/nn3/cache/	$r/nn3/Program/Netscape.exe	" \
    "Cache NN4.05 (ja) - alice	4	$r/users/alice/NScache/	$r/nn4/Program/Netscape.exe	alice" \
    "Cache NN4.05 (ja) - bob	4	$r/users/bob/Cache/	$r/nn4/Program/Netscape.exe	bob" \
    "Cache IE4	8	$r/ie/Temporary Internet Files/	$r/ie/IEXPLORE.EXE	" \
    "Tapline	7	$r/tapline/		")
check "detected cabinets after the one given" "$expected" "$out"
check "the registry file is not written" "" "$(cmp "$work/browsers.orig" "$work/browsers.reg" 2>&1)"
check "the registry file is not touched" "2001-01-01" "$(date -r "$work/browsers.reg" +%F)"

# Only Tapline, with a broken index: its read error is shown and the status is 1.
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Kestrelware\\Tapline\\Config]\n"Cache Path"="%s"\n' \
    "$r/tapline" >"$work/tapline.reg"
"$cli" detect --registry "$work/tapline.reg" >/dev/null 2>&1
check "tapline without an index loads empty" 0 "$?"
printf 'MCOM-Cache-file-allocation-table-format-1\r\n0\tnope\t0\tx\thttp://h/x\t\t\t1\t\t\t\r\n' \
    >"$r/tapline/Cache.db"
err=$("$cli" detect --registry "$work/tapline.reg" 2>&1 >/dev/null)
check "a read error gives status 1" 1 "$?"
check "the read error is shown" "error: ファイル内のキャッシュデータが読めません。\\r\\nFile : $r/tapline/Cache.db" "$err"

# An empty registry finds nothing; wrong usage gives status 2.
: >"$work/empty.reg"
check "nothing in an empty registry" "0:" "$("$cli" detect --registry "$work/empty.reg"; echo "$?:")"
"$cli" detect 2>/dev/null; check "registry missing from the command" 2 "$?"
"$cli" detect --registry "$work/none.reg" 2>/dev/null; check "missing registry file" 2 "$?"
"$cli" detect --registry "$work/empty.reg" --cabinet "$work/none" 2>/dev/null
check "missing cabinet folder" 2 "$?"
"$cli" detect --registry "$work/empty.reg" --bogus 2>/dev/null; check "unknown option" 2 "$?"
check "the user's own registry is never created" "" "$(find "$HOME" -type f)"

# The demo caches that exist are found through the keys of their browsers and load cleanly.
s="$source_dir/samples"
demo() { # registry text; expected lines
    printf 'REGEDIT4\n\n%s' "$1" >"$work/demo.reg"
    out=$("$cli" detect --registry "$work/demo.reg" 2>"$work/demo.err"); rc=$?
    check "demo caches load cleanly" "0:" "$rc:$(cat "$work/demo.err")"
    check "demo caches found" "$2" "$out"
}
ie='[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\IEXPLORE.EXE]
@="/opt/ie/iexplore.exe"
'
paths='[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Internet Settings\Cache\Paths]'
reg="" want=""
if [ -d "$s/netscape2" ]; then
    reg+='[HKEY_LOCAL_MACHINE\SOFTWARE\Netscape\Netscape Navigator\3.04]
[HKEY_CURRENT_USER\Software\Netscape\Netscape Navigator\Main]
"Install Directory"="/opt/netscape"
[HKEY_CURRENT_USER\Software\Netscape\Netscape Navigator\Cache]
"Cache Dir"="'"$s/netscape2"'"
'
    want+="Cache NN3.04	4	$s/netscape2/	/opt/netscape/Program/Netscape.exe	"$'\n'
fi
version='   ' iver='   '
if [ -d "$s/msie4" ]; then
    version=4.72
    reg+="$paths"$'\n''"Directory"="'"$s/msie4"'"'$'\n'
    want+="Cache IE4	8	$s/msie4/	/opt/ie/iexplore.exe	"$'\n'
fi
if [ -d "$s/msie2" ]; then
    iver=102
    reg+='[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Internet Explorer\Main]
"Cache_Directory"="'"$s/msie2"'"
'
    want+="Cache IE2	5	$s/msie2/	/opt/ie/iexplore.exe	"$'\n'
fi
reg+='[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Internet Explorer]
"Version"="'"$version"'"
"IVer"="'"$iver"'"
'"$ie"
if [ -d "$s/tapline" ]; then
    reg+='[HKEY_CURRENT_USER\Software\Kestrelware\Tapline\Config]
"Cache Path"="'"$s/tapline"'"
'
    want+="Tapline	7	$s/tapline/		"$'\n'
fi
demo "$reg" "${want%$'\n'}"
if [ -d "$s/msie3" ]; then
    demo '[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Internet Explorer]
"Version"="3.02"
"IVer"="103"
'"$ie$paths"'
"Directory"="'"$s/msie3"'"
' "Cache IE3	6	$s/msie3/	/opt/ie/iexplore.exe	"
fi

echo "$pass passed, $fails failed"
[ "$fails" -eq 0 ]
