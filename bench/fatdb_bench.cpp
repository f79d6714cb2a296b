// Reading a Netscape 2.x cache database (fat.db) of n entries from its in-memory image:
// time per entry at 20 000 and 200 000 entries (loading must stay linear), and the reader's
// own share next to filing the entries (the image is parsed once, without copies).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <malloc.h>
#include <string>
#include <vector>

#include "items/cab.h"
#include "stores/fatDb.h"

namespace {
constexpr uint32_t PageSize = 4096;

void Put16(std::string &s, size_t at, uint32_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8 & 0xFF);
}
void Put32(std::string &s, size_t at, uint32_t v, bool bigEndian = false) {
    for (size_t i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>(v >> (8 * (bigEndian ? 3 - i : i)) & 0xFF);
}
std::string Counted(const std::string &text) {
    std::string out(4, '\0');
    Put32(out, 0, static_cast<uint32_t>(text.size()));
    return out + text;
}

// A hash file laid out as the library writes one without overflow: every page a bucket,
// its pairs from the page end downwards. About 200 servers of 500 entries per folder.
std::string MakeDatabase(int entries) {
    std::string file(PageSize, '\0');
    Put32(file, 0, 0x061561, true);
    Put32(file, 4, 2, true);
    Put32(file, 8, 1234, true);
    Put32(file, 12, PageSize, true);
    Put32(file, 60, 1, true);
    std::string page;
    std::vector<uint16_t> words;
    size_t top = PageSize;
    auto flush = [&] {
        if (words.empty())
            return;
        Put16(page, 0, static_cast<uint32_t>(words.size()));
        for (size_t i = 0; i < words.size(); ++i)
            Put16(page, 2 + 2 * i, words[i]);
        file += page;
        words.clear();
    };
    for (int i = 0; i < entries; ++i) {
        std::string server = "www" + std::to_string(i % 200) + ".example.com";
        std::string url = "http://" + server + "/dir" + std::to_string(i / 100000) + "/page" +
                          std::to_string(i) + ".html";
        std::string key = std::string(4, '\0') + Counted(url);
        std::string data(29, '\0');
        Put32(data, 8, 852076800 + static_cast<uint32_t>(i));
        Put32(data, 12, 852076900 + static_cast<uint32_t>(i));
        Put32(data, 20, 1234);
        data += Counted("cache" + std::to_string(i) + ".html") + std::string(29, '\0') +
                Counted("") + Counted("text/html");
        if (words.empty() || top < key.size() + data.size() + 2 * (words.size() + 6)) {
            flush();
            page.assign(PageSize, '\0');
            top = PageSize;
        }
        top -= key.size();
        page.replace(top, key.size(), key);
        words.push_back(static_cast<uint16_t>(top));
        top -= data.size();
        page.replace(top, data.size(), data);
        words.push_back(static_cast<uint16_t>(top));
    }
    flush();
    Put32(file, 40, static_cast<uint32_t>(file.size() / PageSize - 2), true);
    return file;
}
} // namespace

static void BM_ReadFatDb(benchmark::State &state) {
    const int entries = static_cast<int>(state.range(0));
    const std::string image = MakeDatabase(entries);
    int64_t files = 0;
    for (auto _ : state) {
        TCabinetRoot root;
        TCabinet *cabinet = root.AddCabinet(KindNetscape2, "/nonexistent/ns/", "ns");
        ReadFatDbImage(*cabinet, image, "/nonexistent/ns/fat.db");
        state.PauseTiming();
        files = cabinet->GetFileCount();
        root.Clear();
        state.ResumeTiming();
    }
    state.counters["files"] = static_cast<double>(files);
    state.counters["ns_per_entry"] = benchmark::Counter(
        static_cast<double>(entries),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReadFatDb)->Arg(20000)->Arg(200000)->MinTime(2.0)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
