// Reading an MS-IE 2.x cache index of 20 000 and of 200 000 lines (200 servers, at most 500
// entries per folder), from its image in memory: time per entry, which must stay level as the
// index grows.
#include <benchmark/benchmark.h>

#include <string>

#include "items/cab.h"
#include "stores/ie2Index.h"

namespace {
std::string MakeIndex(int entries) {
    std::string text = std::string(IE2IndexSignature) + "\r\n";
    const std::string packed = "2094076100";
    for (int i = 0; i < entries; ++i) {
        const std::string name = std::to_string(i);
        text += name + ",http://www" + std::to_string(i % 200) + ".example.com/dir" +
                std::to_string(i / 200 / 500) + "/page" + name + ".html,1234," + packed +
                ",0,0,0," + packed + ",0,text/html,C:\\WINDOWS\\Cache\\P" + name + ".HTM,0\r\n";
    }
    return text;
}
} // namespace

static void BM_ReadIE2Index(benchmark::State &state) {
    const int entries = static_cast<int>(state.range(0));
    const std::string image = MakeIndex(entries);
    for (auto _ : state) {
        TCabinetRoot root;
        TCabinet *cabinet = root.AddCabinet(KindMsie2, "/nonexistent/bench/", "ie2");
        if (!ReadIE2IndexImage(*cabinet, image, "iexplore.cif") ||
            cabinet->GetFileCount() != entries)
            state.SkipWithError("index not read whole");
        state.PauseTiming();
        root.Clear();
        state.ResumeTiming();
    }
    state.counters["per_entry"] = benchmark::Counter(static_cast<double>(entries),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReadIE2Index)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
