#!/usr/bin/env bash
# Builds the desktop-program benchmarks (release) and prints their figures:
#   1. a folder of 50 000 files shown in details view        (ui_folderView_bench, offscreen)
#   2. start-up to the first painted window, eight demo cabinets   (ui_startup_bench)
#   3. the same with one generated cache of 200 000 entries: a mirror log and a Netscape 1.x
#      cache; the mirror log also with the status panel hidden
#   4. the refresh command over the 200 000-entry mirror log (ui_refresh_bench, offscreen)
#   5. the file list window over a cabinet of 200 000 files: opened and filled, and each
#      filter switched to (ui_fileList_bench, offscreen)
#   6. the link check of a 5 MB page with 50 000 links against eight cabinets
#      (ui_linkCheck_bench, offscreen)
#   7. a folder window opened on a folder of 50 000 files (ui_folderWindow_bench, offscreen)
# Start-up is one process per run, timed from just before its exec; it runs on the offscreen
# platform and, when Xvfb is installed, on a virtual X display too. Every start-up set begins
# with one uncounted run that writes the settings (later runs then start from the same
# registry file) and warms the file cache; medians of the counted runs are printed.
#
# usage: bench/ui/run.sh [BUILD_DIR]            (default: build/uibench)
# environment: RUNS (demo start-ups, default 10), BIG_RUNS (large-cache start-ups, default 5),
#              REPS (repetitions of the Google Benchmark programs, default 3),
#              NO_XVFB=1 (offscreen only)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build/uibench}"
runs="${RUNS:-10}"
bigRuns="${BIG_RUNS:-5}"
reps="${REPS:-3}"

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRAWLER_TESTS=OFF \
        -DTRAWLER_BENCH=ON >/dev/null
fi
if ! cmake --build "$build" --target ui_folderView_bench ui_refresh_bench ui_startup_bench \
        ui_make_cache ui_fileList_bench ui_linkCheck_bench ui_folderWindow_bench -j2 \
        >"$build/uibench-build.log" 2>&1; then
    tail -40 "$build/uibench-build.log"
    exit 1
fi
bin="$build/bench/ui"

work="$(mktemp -d)"
xvfb=""
cleanup() {
    if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/runtime" "$work/data"
chmod 700 "$work/runtime"

display=""
if [ -z "${NO_XVFB:-}" ] && command -v Xvfb >/dev/null; then
    Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$work/display" 2>/dev/null &
    xvfb=$!
    for _ in $(seq 50); do
        if [ -s "$work/display" ]; then break; fi
        sleep 0.1
    done
    if [ -s "$work/display" ]; then display=":$(head -1 "$work/display")"; fi
fi

echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the start"
echo

# The median, lowest and highest value of KEY over the lines of FILE.
figures() {
    grep -oE "(^| )$2=[-0-9.]+" "$1" | sed 's/.*=//' | sort -g | awk '
        { v[NR] = $1 }
        END {
            if (NR == 0) { print "- - -"; exit }
            m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
            printf "%.1f %.1f %.1f\n", m, v[1], v[NR]
        }'
}

median() {
    figures "$1" "$2" | cut -d' ' -f1
}

whole() {
    median "$1" "$2" | awk '{ if ($1 == "-") print "-"; else printf "%.0f", $1 }'
}

# One start-up: PLATFORM (offscreen or xcb), the registry file to copy in, the output file.
start_once() {
    local platform=$1 registry=$2 out=$3
    cp "$registry" "$work/run.reg"
    local begin=${EPOCHREALTIME/./}
    local line
    line=$(
        export TRAWLER_REGISTRY="$work/run.reg" XDG_RUNTIME_DIR="$work/runtime" \
            XDG_DATA_HOME="$work/data" QT_QPA_PLATFORM="$platform"
        if [ "$platform" = xcb ]; then export DISPLAY="$display"; fi
        export UIBENCH_LAUNCH_US=${EPOCHREALTIME/./}
        if [ -x /usr/bin/time ]; then
            exec /usr/bin/time -f "process_peak_kib=%M" -o "$work/peak" "$bin/ui_startup_bench"
        else
            exec "$bin/ui_startup_bench"
        fi
    )
    local end=${EPOCHREALTIME/./}
    local peak=""
    if [ -x /usr/bin/time ]; then peak=" $(tail -1 "$work/peak")"; fi
    echo "$line whole_process=$(((end - begin) / 1000))$peak" >>"$out"
}

# A set of start-ups: LABEL, the registry file, the number of counted runs, the platform.
# Prints the figures; leaves the registry as the program wrote it in $work/settled.reg.
startup_set() {
    local label=$1 registry=$2 count=$3 platform=$4
    local out="$work/out.txt"
    : >"$work/warm.txt"
    start_once "$platform" "$registry" "$work/warm.txt"
    cp "$work/run.reg" "$work/settled.reg"
    : >"$out"
    for _ in $(seq "$count"); do start_once "$platform" "$work/settled.reg" "$out"; done
    read -r med low high < <(figures "$out" launch_to_painted)
    printf '  %-46s %7.1f ms median (%.1f to %.1f), %d runs\n' "$label, $platform:" "$med" "$low" \
        "$high" "$count"
    printf '      steps: form %s, start %s, settle %s, grab %s ms; whole process %s ms\n' \
        "$(median "$out" form)" "$(median "$out" start)" "$(median "$out" settle)" \
        "$(median "$out" grab)" "$(whole "$out" whole_process)"
    printf '      peak resident %s KiB at the paint, %s KiB whole process; progress-bar paints %s\n' \
        "$(whole "$out" peak_kib)" "$(whole "$out" process_peak_kib)" "$(whole "$out" bar_paints)"
    if grep -q "boxes=[1-9]" "$out"; then echo "  (message boxes were shown: see above)"; fi
}

platforms=(offscreen)
if [ -n "$display" ]; then platforms+=(xcb); fi

echo "1. A folder of 50 000 files shown in details view (offscreen, window 1024 x 768);"
echo "   Time: select until laid out, painted and idle; counters in ms (median of $reps runs of 5)"
"$bin/ui_folderView_bench" --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true \
    2>&1 | grep -E "_median|peak resident" | sed 's/^/  /'
echo

echo "2. Start-up to the first painted window, the eight demo cabinets"
bash "$root/scripts/make-demo.sh" --fresh "$work/demo" >/dev/null
for platform in "${platforms[@]}"; do
    startup_set "demo caches" "$work/demo/registry.reg" "$runs" "$platform"
done
echo

echo "3. Start-up with one cache of 200 000 entries (200 servers, 500 entries per folder)"
"$bin/ui_make_cache" 2 "$work/mirror" 200000 "$work/mirror.reg"
"$bin/ui_make_cache" 3 "$work/netscape1" 200000 "$work/netscape1.reg"
for platform in "${platforms[@]}"; do
    startup_set "mirror log" "$work/mirror.reg" "$bigRuns" "$platform"
    sed 's/"Status Bar"=dword:00000001/"Status Bar"=dword:00000000/' "$work/settled.reg" \
        >"$work/mirror-hidden.reg"
    startup_set "mirror log, status panel hidden" "$work/mirror-hidden.reg" "$bigRuns" "$platform"
    startup_set "Netscape 1.x" "$work/netscape1.reg" "$bigRuns" "$platform"
done
echo

echo "4. Refresh of the 200 000-entry mirror log while a node of it is shown (details view,"
echo "   offscreen); Time: mViewNewClick until painted and idle (median of $reps refreshes)"
"$bin/ui_refresh_bench" --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true \
    2>&1 | grep -E "_median|peak resident" | sed 's/^/  /'
echo

echo "5. The file list window over a cabinet of 200 000 files (offscreen); Time: OpenFileList,"
echo "   or the filter command (mode 0 all, 1 week, 2 day, 3 since the previous start), until"
echo "   painted and idle; status:0 with the status panel hidden (median of $reps runs)"
"$bin/ui_fileList_bench" --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true \
    2>&1 | grep -E "_median|peak resident" | sed 's/^/  /'
echo

echo "6. Link check of a 5 MB page with 50 000 links against eight cabinets of 25 000 entries"
echo "   (offscreen); Time: OpenLinkCheck until the filled list has painted and is idle"
echo "   (median of $reps runs)"
"$bin/ui_linkCheck_bench" --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true \
    2>&1 | grep -E "_median|peak resident" | sed 's/^/  /'
echo

echo "7. A folder window opened on a folder of 50 000 files (offscreen, details view); Time:"
echo "   OpenFolderWindow until the list has painted and is idle (median of $reps runs)"
"$bin/ui_folderWindow_bench" --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true \
    2>&1 | grep -E "_median|peak resident" | sed 's/^/  /'
