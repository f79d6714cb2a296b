// Reading an MS-IE 5-9 cache index of 20 000 and of 200 000 records (four subfolders, stored
// headers, redirect and leak records between them), written by the test generator
// tests/tools/ie5index_gen.py, from its image in memory: time per record, which must stay
// level as the index grows.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "items/cab.h"
#include "platform/fs.h"
#include "stores/ie5Index.h"

namespace {
const std::string &Index(int records) {
    static std::map<int, std::string> images;
    std::string &image = images[records];
    if (image.empty()) {
        const std::string path = (std::filesystem::temp_directory_path() /
                                  ("trawler-ie5-bench-" + std::to_string(records) + ".dat"))
                                     .string();
        const std::string command = "python3 '" TRAWLER_SOURCE_DIR
                                    "/tests/tools/ie5index_gen.py' '" +
                                    path + "' " + std::to_string(records);
        if (std::system(command.c_str()) != 0 || !fs::ReadWholeFile(path, image))
            std::abort();
        std::filesystem::remove(path);
    }
    return image;
}

void BM_ReadIE5Index(benchmark::State &state) {
    const int records = static_cast<int>(state.range(0));
    const std::string &image = Index(records);
    for (auto _ : state) {
        TCabinetRoot root;
        TCabinet *cabinet = root.AddCabinet(KindMsie5, "/nonexistent/", "ie5");
        if (!ReadIE5IndexImage(*cabinet, image, "/nonexistent/index.dat"))
            state.SkipWithError("the generated index is not read completely");
        benchmark::DoNotOptimize(cabinet->GetFileCount());
    }
    state.SetItemsProcessed(state.iterations() * records);
    state.counters["per_record"] = benchmark::Counter(
        static_cast<double>(records),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReadIE5Index)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
