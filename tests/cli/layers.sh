#!/usr/bin/env bash
# The core's folders include one another top-down only, and never Qt or zlib:
#   platform ← items ← stores
#            ← items ← config
#            ← items ← html ← fileops (fileops also uses config) ← cli, ui
# config/settings.h is the one header of config below items: it includes nothing of ours.
# Inside platform, stores, config and html no two modules include each other (the readers of
# stores never include the loader); in items and fileops neighbouring modules use each other.
set -u
src=$2/src
fails=0
edges=$(mktemp)
trap 'rm -f "$edges"' EXIT

allowed() { # folder → the folders its files may include
    case $1 in
    platform) echo "platform" ;;
    items) echo "platform items" ;;
    stores) echo "platform items stores" ;;
    config) echo "platform items config" ;;
    html) echo "platform items html" ;;
    fileops) echo "platform items config html fileops" ;;
    esac
}

for layer in platform items stores config html fileops; do
    for file in "$src/$layer"/*.h "$src/$layer"/*.cpp; do
        name=${file#"$src"/}
        while IFS= read -r line; do
            header=${line#*\"}
            header=${header%%\"*}
            folder=${header%%/*}
            ok=0
            [ "$header" == config/settings.h ] && [ "$name" != config/settings.h ] &&
                [ "$name" != config/settings.cpp ] && ok=1
            for a in $(allowed "$layer"); do
                [ "$folder" == "$a" ] && ok=1
            done
            case $layer in platform | stores | config | html)
                [ "$folder" == $layer ] && [ "${name%.*}" != "${header%.*}" ] &&
                    echo "${name%.*} ${header%.*}" >>"$edges" ;;
            esac
            if [ $ok == 0 ]; then
                echo "FAIL $name includes $header"
                fails=$((fails + 1))
            fi
        done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file")
        if grep -qE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(Q|zlib)' "$file"; then
            echo "FAIL $name includes Qt or zlib"
            fails=$((fails + 1))
        fi
    done
done
# Inside these folders, no module (a file and its header) reaches itself again.
if ! tsort "$edges" >/dev/null 2>"$edges.loop"; then
    echo "FAIL modules include each other:"
    grep -v 'input contains a loop' "$edges.loop"
    fails=$((fails + 1))
fi
rm -f "$edges.loop"
[ $fails == 0 ] && echo "layers: ok"
exit $((fails > 0))
