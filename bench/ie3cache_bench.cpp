// Loading an MS-IE 3.x cache of 20 000 and of 200 000 entries (about 200 servers, 500 entries
// per folder at the larger size), spread over 8 subfolders with both index files each: time
// per entry, which must stay level as the cache grows.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "items/cab.h"
#include "platform/fs.h"
#include "stores/cache.h"
#include "stores/ie3Cache.h"

namespace {
constexpr int Subfolders = 8;

void Put32(std::string &image, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        image[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i) & 0xFF);
}

struct TEntry {
    std::string url, file, headers;
};

// One index file: the records in a complete binary tree (record i heads 2i+1 and 2i+2).
std::string IndexImage(const std::vector<TEntry> &entries) {
    std::vector<size_t> offsets;
    size_t at = 64;
    for (const TEntry &e : entries) {
        offsets.push_back(at);
        at += 80 + e.url.size() + e.file.size() + e.headers.size() + 4 + 1;
    }
    std::string image(IE3Signature);
    image.resize(at, '\0');
    auto ref = [&](size_t i) {
        return i < entries.size() ? static_cast<uint32_t>(offsets[i] + 4) : 0u;
    };
    Put32(image, 32, ref(0));
    Put32(image, 40, static_cast<uint32_t>(entries.size()));
    const uint64_t fileTime = (852076800ull + 11644473600ull) * 10000000ull;
    for (size_t i = 0; i < entries.size(); ++i) {
        const TEntry &e = entries[i];
        const size_t base = offsets[i];
        Put32(image, base + 4, ref(2 * i + 1));
        Put32(image, base + 8, ref(2 * i + 2));
        Put32(image, base + 32, 1234);
        for (size_t field : {40, 48}) {
            Put32(image, base + field, static_cast<uint32_t>(fileTime));
            Put32(image, base + field + 4, static_cast<uint32_t>(fileTime >> 32));
        }
        Put32(image, base + 64, e.headers.empty() ? 1 : 0);
        size_t text = 80;
        for (auto [field, value] : {std::pair<size_t, const std::string *>{20, &e.url},
                                    {24, &e.file},
                                    {68, &e.headers}}) {
            Put32(image, base + field, static_cast<uint32_t>(text));
            image.replace(base + text, value->size(), *value);
            text += value->size() + 1;
        }
        Put32(image, base + 76, static_cast<uint32_t>(text));
        image.replace(base + text, 3, "htm");
    }
    return image;
}

std::string MakeCache(int entries) {
    std::string dir = std::filesystem::temp_directory_path().string() + "/trawler-bench-ie3-" +
                      std::to_string(::getpid()) + "-" + std::to_string(entries) + "/";
    std::filesystem::create_directories(dir);
    fs::WriteFileAtomic(dir + "DESKTOP.INI", "");
    std::vector<TEntry> files[Subfolders][2];
    for (int i = 0; i < entries; ++i) {
        std::string server = "www" + std::to_string(i % 200) + ".example.com";
        std::string path =
            "dir" + std::to_string(i / 200 % 2) + "/page" + std::to_string(i) + ".html";
        TEntry e{"http://" + server + "/" + path, "page" + std::to_string(i) + ".htm", {}};
        if (i % 4 == 0)
            e.headers = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 1234\r\n";
        files[i % Subfolders][i / Subfolders % 2].push_back(std::move(e));
    }
    for (int s = 0; s < Subfolders; ++s) {
        std::string sub = dir + "CACHE" + std::to_string(s) + "/";
        std::filesystem::create_directories(sub);
        fs::WriteFileAtomic(sub + "MM256.DAT", IndexImage(files[s][0]));
        fs::WriteFileAtomic(sub + "MM2048.DAT", IndexImage(files[s][1]));
    }
    return dir;
}
} // namespace

static void BM_LoadIE3(benchmark::State &state) {
    const int entries = static_cast<int>(state.range(0));
    const std::string folder = MakeCache(entries);
    int64_t files = 0;
    for (auto _ : state) {
        TCabinetRoot root;
        TCabinet *cabinet = root.AddCabinet(KindUnknown, folder, "ie3");
        LoadCabinet(*cabinet);
        state.PauseTiming();
        files = cabinet->GetFileCount();
        root.Clear();
        state.ResumeTiming();
    }
    std::filesystem::remove_all(folder);
    state.counters["files"] = static_cast<double>(files);
    state.counters["per_entry"] = benchmark::Counter(static_cast<double>(entries),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}
BENCHMARK(BM_LoadIE3)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
