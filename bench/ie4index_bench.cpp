// Reading an MS-IE 4.x cache index of 20 000 and of 200 000 entries (200 servers, at most 500
// entries per folder), from its image in memory: time per entry, which must stay level as the
// index grows.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "items/cab.h"
#include "stores/ie4Index.h"

namespace {
constexpr size_t Block = 128;
constexpr size_t EntriesPerTable = 500;

void Put32(std::string &image, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        image[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i) & 0xFF);
}

size_t RoundUp(size_t n) {
    return (n + Block - 1) / Block * Block;
}

// Four subfolders, a chain of hash tables of 500 entries each, one record per entry.
std::string MakeIndex(int entries) {
    const std::string headers =
        "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 1234\r\n\r\n";
    std::vector<std::string> urls, names;
    for (int i = 0; i < entries; ++i) {
        urls.push_back("http://www" + std::to_string(i % 200) + ".example.com/dir" +
                       std::to_string(i / 200 / 500) + "/page" + std::to_string(i) + ".html");
        names.push_back("page" + std::to_string(i) + "[1].htm");
    }
    const size_t tables = (static_cast<size_t>(entries) + EntriesPerTable - 1) / EntriesPerTable;
    const size_t tableSize = RoundUp(16 + 8 * (EntriesPerTable + 1));
    size_t at = Block + tables * tableSize;
    std::vector<size_t> records;
    for (int i = 0; i < entries; ++i) {
        records.push_back(at);
        at += RoundUp(104 + urls[i].size() + names[i].size() + headers.size() + 3);
    }
    std::string image(IE4IndexSignature);
    image.resize(at, '\0');
    Put32(image, 32, static_cast<uint32_t>(Block));
    Put32(image, 72, 4);
    for (size_t f = 0; f < 4; ++f)
        image.replace(76 + 12 * f + 4, 8, "FOLDER0" + std::to_string(f));
    const uint64_t fileTime = (852076800ull + 11644473600ull) * 10000000ull;
    for (size_t t = 0; t < tables; ++t) {
        const size_t table = Block + t * tableSize;
        image.replace(table, 4, "HASH");
        Put32(image, table + 8, t + 1 < tables ? static_cast<uint32_t>(table + tableSize) : 0);
        for (size_t e = 0; e < EntriesPerTable; ++e) {
            const size_t i = t * EntriesPerTable + e;
            if (i >= records.size())
                break;
            Put32(image, table + 16 + 8 * e + 4, static_cast<uint32_t>(records[i]));
        }
    }
    for (size_t i = 0; i < records.size(); ++i) {
        const size_t base = records[i];
        image.replace(base, 4, "URL ");
        for (size_t field : {8, 16}) {
            Put32(image, base + field, static_cast<uint32_t>(fileTime));
            Put32(image, base + field + 4, static_cast<uint32_t>(fileTime >> 32));
        }
        Put32(image, base + 32, 1234);
        Put32(image, base + 60, static_cast<uint32_t>(i % 4));
        size_t text = 104;
        for (auto [field, value] : {std::pair<size_t, const std::string *>{56, &urls[i]},
                                    {64, &names[i]},
                                    {72, &headers}}) {
            Put32(image, base + field, static_cast<uint32_t>(text));
            image.replace(base + text, value->size(), *value);
            text += value->size() + 1;
        }
    }
    return image;
}
} // namespace

static void BM_ReadIE4Index(benchmark::State &state) {
    const int entries = static_cast<int>(state.range(0));
    const std::string image = MakeIndex(entries);
    for (auto _ : state) {
        TCabinetRoot root;
        TCabinet *cabinet = root.AddCabinet(KindMsie4, "/nonexistent/bench/", "ie4");
        if (!ReadIE4IndexImage(*cabinet, image, "index.dat") || cabinet->GetFileCount() != entries)
            state.SkipWithError("index not read whole");
        state.PauseTiming();
        root.Clear();
        state.ResumeTiming();
    }
    state.counters["per_entry"] = benchmark::Counter(static_cast<double>(entries),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReadIE4Index)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
