// Pasting 20 000 small cached files (100 servers, two folders each) into an empty mirror log
// through the item clipboard and the copy engine: files per second. One case copies pictures
// byte for byte, the other pages whose links are rewritten.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "fileops/fileOP.h"
#include "items/cab.h"
#include "items/clip.h"
#include "items/file.h"
#include "platform/fs.h"
#include "stores/cache.h"

namespace {
constexpr int Files = 20000;

std::string Page(int i) {
    std::string page = "<HTML><HEAD><TITLE>Page ";
    page += std::to_string(i);
    page += "</TITLE></HEAD><BODY>\r\n<P><A HREF=\"page";
    page += std::to_string(i + 1);
    page += ".html\">next</A> <IMG SRC=\"../pic.gif\"> <A HREF=\"http://elsewhere.example/\">";
    page += "out</A></P>\r\n";
    page.append(300, 'x');
    page += "\r\n</BODY></HTML>\r\n";
    return page;
}

// A cache folder with its files on disk, and the tree a reader would file for it.
struct TSource {
    std::string folder;
    bool pages;
    TSource(const std::string &name, bool html) : pages(html) {
        folder = std::filesystem::temp_directory_path().string() + "/trawler-bench-" + name + "-" +
                 std::to_string(::getpid()) + "/";
        std::filesystem::create_directories(folder);
        for (int i = 0; i < Files; ++i)
            std::ofstream(folder + 'M' + std::to_string(i), std::ios::binary)
                << (pages ? Page(i) : std::string(600, static_cast<char>('a' + i % 26)));
    }
    ~TSource() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    void File(TCabinet &cabinet) const {
        for (int i = 0; i < Files; ++i) {
            TFileData data;
            data.CacheFile = 'M';
            data.CacheFile += std::to_string(i);
            data.ContentType = pages ? "text/html" : "image/gif";
            data.Size = 600;
            std::string url = "http://www";
            url += std::to_string(i % 100);
            url += ".example/dir";
            url += std::to_string(i / 100 % 2);
            url += pages ? "/page" : "/pic";
            url += std::to_string(i);
            url += pages ? ".html" : ".gif";
            data.URL = url;
            AddURL(cabinet, url, data);
        }
    }
};

void Paste(benchmark::State &state, bool pages) {
    TSource source(pages ? "pages" : "pictures", pages);
    // Beside the cache (a folder inside it would count as a subfolder of every cached item),
    // one fresh mirror per round, all removed at the end: removing 20 000 files between rounds
    // would make the file system's inode allocation the thing measured.
    std::string mirrors = source.folder.substr(0, source.folder.size() - 1) + "-mirrors/";
    InstallCopyEngine();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::string mirrorFolder = mirrors + std::to_string(++round) + "/";
        std::filesystem::create_directories(mirrorFolder);
        TCabinetRoot root;
        TCabinet *cache = root.AddCabinet(KindNetscape2, source.folder, "cache");
        TCabinet *mirror = root.AddCabinet(KindMirrorLog, mirrorFolder, "mirror");
        source.File(*cache);
        TClip clip;
        clip.Fill(*cache, ClipCopy);
        state.ResumeTiming();
        clip.Paste(*mirror);
        state.PauseTiming();
        int64_t copied = 0;
        ForEachDescendant(*mirror, [&](const TTree &t) { copied += t.IsFile(); });
        if (copied != Files) {
            std::string why = "only " + std::to_string(copied) + " files arrived";
            state.SkipWithError(why.c_str());
            break;
        }
        state.ResumeTiming();
    }
    std::error_code ec;
    std::filesystem::remove_all(mirrors, ec);
    state.counters["files_per_second"] =
        benchmark::Counter(Files, benchmark::Counter::kIsIterationInvariantRate);
}
} // namespace

static void BM_PastePictures20k(benchmark::State &state) {
    Paste(state, false);
}
static void BM_PastePages20k(benchmark::State &state) {
    Paste(state, true);
}
BENCHMARK(BM_PastePictures20k)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_PastePages20k)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_MAIN();
