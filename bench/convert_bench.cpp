// The converting copy of a generated cached page of 50 MB with 500 000 links into a mirror
// log, against the plain copy of the same file: milliseconds per copy, and bytes per second.
// The links mix the cases of a real paste: files copied in the same paste (relative links),
// files of another cache (collected), files of the mirror (relative), and addresses that no
// cabinet holds (absolute). Each link stands for one of 5 000 files per case; in the second
// page every link also carries its own fragment, so that no two link values are the same.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "config/settings.h"
#include "fileops/convert.h"
#include "fileops/fileOP.h"
#include "items/cab.h"
#include "items/clip.h"
#include "platform/program.h"
#include "stores/cache.h"

namespace {

constexpr size_t PageLinks = 500000;
constexpr size_t Distinct = 5000; // addresses per kind of link

std::string PageText(bool distinct) {
    std::string text = "<HTML><HEAD><TITLE>Generated</TITLE></HEAD>\r\n<BODY>\r\n<TABLE>\r\n";
    text.reserve(PageLinks * 100 + 1024);
    for (size_t i = 0; i < PageLinks; ++i) {
        std::string n = std::to_string(i % Distinct);
        std::string f = distinct ? "#" + std::to_string(i) : std::string();
        switch (i % 4) {
        case 0: // pasted together
            text += "<TR><TD>Row " + n + " of the walk list</TD><TD><A HREF=\"walks/w" + n +
                    ".html" + f + "\">walk</A></TD></TR>\r\n";
            break;
        case 1: // another cache
            text += "<P>A kestrel over the ridge <IMG SRC=\"../img/" + n + ".gif" + f +
                    "\" WIDTH=24 HEIGHT=16 ALT=\"bird\"></P>\r\n";
            break;
        case 2: // the mirror
            text += "<TD>an older copy: <a href='old/o" + n + ".html" + f + "'>there</a> </TD>\r\n";
            break;
        default: // nowhere
            text += "<LI>an unquoted link to <A HREF=/top/" + n + ".html" + f +
                    ">the top</A> and some words</LI>\r\n";
            break;
        }
        while (text.size() < (i + 1) * 100)
            text += ' ';
    }
    text += "</TABLE></BODY></HTML>\r\n";
    return text;
}

struct TWorld {
    std::string folder;
    TCabinetRoot root;
    TFile *page = nullptr;
    TFile *target = nullptr;
    TClip batch;
    TFormFileOP window;

    explicit TWorld(bool distinct) {
        folder = (std::filesystem::temp_directory_path() /
                  ("trawler-convert-bench-" + std::to_string(::getpid()) + (distinct ? "d" : "")))
                     .string() +
                 "/";
        for (const char *name : {"cache", "other", "mirror"})
            std::filesystem::create_directories(folder + name);
        TCabinet *cache = root.AddCabinet(KindNetscape1, folder + "cache/", "cache");
        TCabinet *other = root.AddCabinet(KindNetscape2, folder + "other/", "other");
        TCabinet *mirror = root.AddCabinet(KindMirrorLog, folder + "mirror/", "mirror");
        std::string text = PageText(distinct);
        TFileData data;
        data.ContentType = "text/html";
        data.CacheFile = "page.html";
        data.Size = static_cast<int32_t>(text.size());
        page = AddURL(*cache, "http://h/d/x.html", data);
        std::ofstream(folder + "cache/page.html", std::ios::binary) << text;
        TTree *walks = nullptr;
        for (size_t i = 0; i < Distinct; ++i) {
            std::string n = std::to_string(i);
            TFileData item;
            item.CacheFile = "unused";
            walks = AddURL(*cache, "http://h/d/walks/w" + n + ".html", item)->Parent();
            AddURL(*other, "http://h/img/" + n + ".gif", item);
            AddURL(*mirror, "http://h/d/old/o" + n + ".html", item);
        }
        TFileData copy = page->Data();
        target = AddURL(*mirror, "http://h/d/x.html", copy);
        std::filesystem::create_directories(folder + "mirror/http=h/d");
        batch.Fill(std::vector<TTree *>{page, walks}, ClipCopy);
        window.Clip = &batch;
        window.LinkPrefix = "file:///" + PathToURL(mirror->Path);
        FileOpWindow = &window;
        Settings().OpMirrorLink = true;
        SetProgramFolder("/opt/trawler/");
    }
    ~TWorld() {
        FileOpWindow = nullptr;
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }
};

TWorld &World(bool distinct = false) {
    static TWorld repeated(false);
    if (!distinct)
        return repeated;
    static TWorld all(true);
    return all;
}

void BM_ConvertingCopy(benchmark::State &state) {
    TWorld &world = World(state.range(0) != 0);
    FileOpWindow = &world.window;
    for (auto _ : state) {
        AddedFiles().Clear(ClipAdded);
        ConvertingCopy(*world.page, *world.target);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * world.page->Size);
    state.counters["collected"] = static_cast<double>(AddedFiles().Count());
}

void BM_PlainCopy(benchmark::State &state) {
    TWorld &world = World();
    FileOpWindow = &world.window;
    for (auto _ : state)
        PlainCopy(*world.page, *world.target);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * world.page->Size);
}

} // namespace

BENCHMARK(BM_ConvertingCopy)
    ->ArgName("distinct")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_MAIN();
