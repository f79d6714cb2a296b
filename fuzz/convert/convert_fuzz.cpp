// Converts the input as a cached page (http://h/d/x.html) into a mirror log, in a small tree
// of a cache, a second cache and the mirror laid out in a temporary folder. The copy must
// succeed, end with exactly one reload footer, and collect only files.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "config/settings.h"
#include "fileops/convert.h"
#include "fileops/fileOP.h"
#include "items/cab.h"
#include "items/clip.h"
#include "platform/program.h"
#include "platform/seam.h"
#include "stores/cache.h"

namespace {

class TFailures final : public TMessages {
public:
    int Count = 0;
    void ErrorBox(const std::string &) override { ++Count; }
    void WarningBox(const std::string &) override { ++Count; }
};

struct TWorld {
    std::filesystem::path folder;
    TCabinetRoot root;
    TCabinet *cache = nullptr;
    TCabinet *mirror = nullptr;
    TFile *page = nullptr;
    TFile *target = nullptr;
    TClip batch;
    TFormFileOP window;
    TFailures failures;
    int files = 0;

    TFile *Add(TCabinet *cabinet, const std::string &url) {
        TFileData data;
        data.URL = url;
        data.ContentType = "text/html";
        if (IsLogKind(cabinet->Kind)) {
            TFile *file = AddURL(*cabinet, url, data);
            std::filesystem::create_directories(
                std::filesystem::path(file->GetLocalPath()).parent_path());
            std::ofstream(file->GetLocalPath(), std::ios::binary) << "x";
            return file;
        }
        data.CacheFile = std::string("F").append(std::to_string(++files));
        std::ofstream(cabinet->Path + data.CacheFile, std::ios::binary) << "x";
        return AddURL(*cabinet, url, data);
    }

    TWorld() {
        folder = std::filesystem::temp_directory_path() /
                 ("trawler-fuzz-convert-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder);
        std::string base = folder.string() + "/";
        for (const char *name : {"cache", "other", "mirror"})
            std::filesystem::create_directories(base + name);
        cache = root.AddCabinet(KindNetscape1, base + "cache/", "cache");
        TCabinet *other = root.AddCabinet(KindNetscape2, base + "other/", "other");
        mirror = root.AddCabinet(KindMirrorLog, base + "mirror/", "mirror");
        page = Add(cache, "http://h/d/x.html");
        TFile *together = Add(cache, "http://h/d/sub/p.html");
        for (const char *url : {"http://h/q.gif", "http://h/d/", "http://h/d/sub/deep.html"})
            Add(cache, url);
        for (const char *url : {"http://h/d/o.html", "http://h2/b.gif", "http://h/d/A.class"})
            Add(other, url);
        Add(mirror, "http://h/d/m.html");
        TFileData data = page->Data();
        target = AddURL(*mirror, "http://h/d/x.html", data);
        batch.Fill(std::vector<TTree *>{page, together}, ClipCopy);
        window.Clip = &batch;
        window.LinkPrefix = "file:///" + PathToURL(mirror->Path);
        FileOpWindow = &window;
        Settings().OpMirrorLink = true;
        SetProgramFolder("/opt/trawler/");
        seam::SetMessages(&failures);
    }
    ~TWorld() {
        seam::SetMessages(nullptr);
        FileOpWindow = nullptr;
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }
};

TWorld &World() {
    static TWorld world;
    return world;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    TWorld &world = World();
    {
        std::ofstream page(world.page->GetLocalPath(), std::ios::binary | std::ios::trunc);
        page.write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
    }
    AddedFiles().Clear(ClipAdded);
    int failuresBefore = world.failures.Count;
    ConvertingCopy(*world.page, *world.target);
    if (world.failures.Count != failuresBefore)
        std::abort();

    std::ifstream in(world.target->GetLocalPath(), std::ios::binary);
    std::stringstream copied;
    copied << in.rdbuf();
    std::string out = copied.str();
    std::string footer = ReloadFooter(world.page->GetURL());
    if (out.size() < footer.size() ||
        out.compare(out.size() - footer.size(), footer.size(), footer))
        std::abort();
    for (size_t i = 0; i < AddedFiles().Count(); ++i) {
        TTree *item = AddedFiles().Item(i);
        if (!item || !item->IsFile())
            std::abort();
    }
    return 0;
}
