// Loading a mirror log of 200 000 entries: time, and heap bytes per entry beyond the bytes
// of the strings themselves.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <malloc.h>
#include <string>
#include <unistd.h>

#include "items/cab.h"
#include "items/file.h"
#include "platform/fs.h"
#include "stores/cache.h"
#include "stores/fatIndex.h"

namespace {
constexpr int Entries = 200000;

// A mirror log index of about 200 servers with 500 entries per folder.
std::string MakeIndex() {
    std::string text = "MCOM-Cache-file-allocation-table-format-1\r\n";
    for (int i = 0; i < Entries; ++i) {
        std::string server = "www" + std::to_string(i % 200) + ".example.com";
        std::string path =
            "dir" + std::to_string(i / 200 % 2) + "/page" + std::to_string(i) + ".html";
        text += "0\t852076800\t852076900\thttp=" + server + "/" + path + "\thttp://" + server +
                "/" + path + "\ttext/html\t\t1234\t\t\t\r\n";
    }
    return text;
}

std::string Folder() {
    static std::string folder = [] {
        std::string dir = std::filesystem::temp_directory_path().string() +
                          "/trawler-bench-mirror-" + std::to_string(::getpid()) + "/";
        std::filesystem::create_directories(dir);
        fs::WriteFileAtomic(dir + "trfat.db", MakeIndex());
        return dir;
    }();
    return folder;
}

// Heap bytes that strings hold outside their objects (long strings only).
size_t StringHeap(const std::string &s) {
    return s.capacity() > 15 ? s.capacity() + 1 : 0;
}
} // namespace

static void BM_LoadMirror200k(benchmark::State &state) {
    const std::string folder = Folder();
    double perEntry = 0;
    for (auto _ : state) {
        size_t before = mallinfo2().uordblks;
        TCabinetRoot root;
        TCabinet *cabinet = root.AddCabinet(KindUnknown, folder, "m");
        LoadCabinet(*cabinet);
        state.PauseTiming();
        size_t after = mallinfo2().uordblks;
        size_t strings = 0;
        int64_t items = 0;
        ForEachDescendant(*cabinet, [&](const TTree &t) {
            ++items;
            strings += StringHeap(t.Name()) + StringHeap(t.LocalName());
            if (t.IsFile()) {
                const auto &f = static_cast<const TFile &>(t);
                strings += StringHeap(f.URL) + StringHeap(f.CacheFile) + StringHeap(f.ContentType);
            }
        });
        perEntry = static_cast<double>(after - before - strings) / Entries;
        state.counters["items"] = static_cast<double>(items);
        root.Clear();
        state.ResumeTiming();
    }
    state.counters["bytes_per_entry_beyond_strings"] = perEntry;
}
BENCHMARK(BM_LoadMirror200k)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(Folder());
    return 0;
}
