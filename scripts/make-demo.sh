#!/usr/bin/env bash
# Makes a private demo set-up in FOLDER: a copy of the demo caches of samples/ (so that what
# the program writes back, such as the mirror log's index, never touches the repository) and
# the registry file "registry.reg" that registers them as cabinets. An existing copy is kept,
# so what a user did in an earlier demo run is still there; --fresh starts over.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
fresh=0
if [ "${1:-}" = "--fresh" ]; then fresh=1; shift; fi
dest="${1:?usage: make-demo.sh [--fresh] FOLDER}"
mkdir -p "$dest"
dest="$(cd "$dest" && pwd)"
if [ "$fresh" = 1 ]; then rm -rf "$dest/samples" "$dest/registry.reg"; fi
if [ ! -d "$dest/samples" ]; then
    cp -R "$root/samples" "$dest/samples"
    rm -f "$dest/samples/README.md"
fi
if [ ! -f "$dest/registry.reg" ]; then
    {
        printf 'REGEDIT4\r\n\r\n'
        n=0
        while IFS='|' read -r folder kind name; do
            printf '[HKEY_CURRENT_USER\\Software\\Kestrelware\\Trawler\\Cabinets\\Cab%d]\r\n' "$n"
            printf '"Name"="%s"\r\n"Path"="%s/samples/%s/"\r\n' "$name" "$dest" "$folder"
            printf '"Attribute"=dword:%08x\r\n"Program"=""\r\n"User"=""\r\n' "$kind"
            if [ "$kind" = 1 ] || [ "$kind" = 2 ] || [ "$kind" = 7 ]; then d=1; else d=0; fi
            printf '"Delete"=dword:%08x\r\n\r\n' "$d"
            n=$((n + 1))
        done <<'LIST'
plain-log|1|デモ 通常ログ
mirror-log|2|デモ ミラーログ
netscape1|3|デモ Netscape 1.x
netscape2|4|デモ Netscape 2.x～4.x
msie2|5|デモ MS-IE 2.x
msie3|6|デモ MS-IE 3.x
tapline|7|デモ Tapline
msie4|8|デモ MS-IE 4.x
LIST
    } > "$dest/registry.reg"
fi
echo "$dest/registry.reg"
