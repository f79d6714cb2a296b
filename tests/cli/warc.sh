#!/usr/bin/env bash
# trawler-cli warc: the demo cabinets exported as one WARC file, read back and checked by an
# independent WARC parser (warcio.js, set up in tests/warc by scripts/test.sh).
set -u
source "$2/tests/cli/lib/harness.sh"
validator=$source_dir/tests/warc/validate.mjs
if [ ! -d "$source_dir/tests/warc/node_modules/warcio" ]; then
    echo "the validator is not set up: run npm ci --prefix tests/warc (scripts/test.sh does)"
    exit 1
fi
bash "$source_dir/scripts/make-demo.sh" "$work/demo" >/dev/null
samples=$work/demo/samples
kinds="plain-log mirror-log netscape1 netscape2 msie2 msie3 tapline msie4"

# expected FOLDER...: address and local path of every file of the cabinets, in order.
expected() {
    for folder in "$@"; do "$cli" list "$folder" | tail -n +2 | cut -f1,8; done
}

# Every demo cabinet, whole: every file once, in cabinet and tree order.
args=()
names=()
folders=()
n=0
for kind in $kinds; do
    n=$((n + 1))
    args+=(--cabinet "$samples/$kind")
    names+=("$n:")
    folders+=("$samples/$kind")
done
expected "${folders[@]}" >"$work/all.tsv"
total=$(wc -l <"$work/all.tsv")
err=$("$cli" warc "${args[@]}" --output "$work/all.warc.gz" "${names[@]}" 2>&1); rc=$?
check "all: exit status" 0 "$rc"
check "all: summary" "warc: $total records" "$(echo "$err" | grep -o '^warc: [0-9]* records')"
out=$(node "$validator" "$work/all.warc.gz" "$work/all.tsv"); rc=$?
check "all: the validator agrees" 0 "$rc"
[ "$rc" = 0 ] || echo "$out"
check "all: no temporary left" "all.warc.gz" "$(ls "$work" | grep warc)"

# A folder, a file inside it and the folder again: each file once. To standard output.
site=http://www.kestrel-valley.example
"$cli" list "$samples/msie4" | tail -n +2 | cut -f1,8 | grep "^$site/" >"$work/site.tsv"
"$cli" warc --cabinet "$samples/msie4" "1:$site/events.html" "1:$site/" "1:$site/" \
    >"$work/site.warc.gz" 2>/dev/null
check "overlapping items: exit status" 0 "$?"
node "$validator" "$work/site.warc.gz" "$work/site.tsv" >/dev/null
check "overlapping items: each file once" 0 "$?"

# A missing cached copy is counted and named, not written; the rest is.
missing=$(grep -m1 "events.html" "$work/site.tsv" | cut -f2)
rm "$missing"
expected "$samples/msie4" >"$work/msie4.tsv"
err=$("$cli" warc --cabinet "$samples/msie4" --output "$work/msie4.warc.gz" 1: 2>&1); rc=$?
check "missing: exit status" 0 "$rc"
check "missing: summary" "warc: $(($(wc -l <"$work/msie4.tsv") - 1)) records" \
    "$(echo "$err" | grep -o '^warc: [0-9]* records')"
check "missing: counted" "1 missing" "$(echo "$err" | grep -o '[0-9]* missing$')"
check "missing: named" "warning: no cached copy: $site/events.html" "$(echo "$err" | grep '^warning')"
node "$validator" "$work/msie4.warc.gz" "$work/msie4.tsv" >/dev/null
check "missing: the others are written" 0 "$?"

# An output that cannot be written: exit status 1, nothing left behind; usage errors: 2.
"$cli" warc --cabinet "$samples/msie4" --output "$work/no/such/folder/x.warc.gz" 1: 2>/dev/null
check "unwritable: exit status" 1 "$?"
check "unwritable: nothing written" "" "$(ls "$work/no" 2>/dev/null)"
"$cli" warc --cabinet "$samples/msie4" "1:$site/nothing.html" 2>/dev/null
check "no such item" 2 "$?"
"$cli" warc --cabinet "$samples/msie4" 2>/dev/null
check "no item" 2 "$?"

printf '%d passed, %d failed\n' "$pass" "$fails"
[ "$fails" -eq 0 ]
