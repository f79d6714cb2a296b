// Filing n addresses into one server folder through AddURL: the time per entry must stay
// flat as the folder grows (child lookups go through the folder's hash index).
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <string>
#include <vector>

#include "items/cab.h"
#include "items/file.h"
#include "stores/cache.h"

static void BM_AddURLOneFolder(benchmark::State &state) {
    const int64_t n = state.range(0);
    std::vector<std::string> urls;
    urls.reserve(static_cast<size_t>(n));
    for (int64_t i = 0; i < n; ++i)
        urls.push_back("http://www.example.com/page" + std::to_string(i * 7919 % n) + ".html");
    for (auto _ : state) {
        TCabinetRoot root;
        TCabinet *cabinet = root.AddCabinet(KindMirrorLog, "/nonexistent/m/", "m");
        TFileData data;
        for (const auto &url : urls) {
            data.URL = url;
            benchmark::DoNotOptimize(AddURL(*cabinet, url, data));
        }
        // A second pass meets every entry again, as a refresh does.
        for (const auto &url : urls)
            benchmark::DoNotOptimize(AddURL(*cabinet, url, data));
        state.PauseTiming();
        root.Clear();
        state.ResumeTiming();
    }
    state.counters["ns_per_entry"] = benchmark::Counter(
        static_cast<double>(n) * 2,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AddURLOneFolder)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(300000)
    ->MinTime(2.0)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
    // Keep freed memory in the process, so every size is timed on warm memory rather than
    // the largest ones paying the kernel for fresh pages on each run.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
