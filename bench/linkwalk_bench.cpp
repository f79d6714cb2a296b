// The link walk over a generated page of 50 MB with 500 000 links: bytes per second of the
// walk alone (goal: at least 200 MB/s, event-loop turns included), and of the whole link
// list (walk, resolution, one entry per address, lookups in a loaded cabinet).
#include <benchmark/benchmark.h>

#include <string>

#include "html/link.h"
#include "html/token.h"
#include "items/cab.h"
#include "items/file.h"
#include "platform/seam.h"
#include "stores/cache.h"

namespace {

constexpr size_t PageLinks = 500000;

// Table rows of about 100 bytes, each with one link in one of the usual forms; the page
// addresses repeat every 50 000 links, so the list holds 50 000 + 1 entries.
const std::string &Page() {
    static const std::string page = [] {
        std::string text = "<HTML><HEAD><TITLE>Generated</TITLE></HEAD>\r\n<BODY>\r\n<TABLE>\r\n";
        text.reserve(PageLinks * 100 + 1024);
        for (size_t i = 0; i < PageLinks; ++i) {
            std::string n = std::to_string(i % 50000);
            switch (i % 4) {
            case 0:
                text += "<TR><TD>Row " + n + " of the walk list</TD><TD><A HREF=\"dir/page" + n +
                        ".html\">page</A></TD></TR>\r\n";
                break;
            case 1:
                text += "<P>A kestrel hovering over the ridge <IMG SRC=\"../img/" + n +
                        ".gif\" WIDTH=24 HEIGHT=16 ALT=\"bird\"></P>\r\n";
                break;
            case 2:
                text += "<TD>the text of a cell, then <a href='http://other.example/x" + n +
                        ".html'>there</a> </TD>\r\n";
                break;
            default:
                text += "<LI>an unquoted link to <A HREF=/top/" + n +
                        ".html>the top</A> and some words</LI>\r\n";
                break;
            }
            while (text.size() < (i + 1) * 100)
                text += ' ';
        }
        text += "</TABLE></BODY></HTML>\r\n";
        return text;
    }();
    return page;
}

// Counts the event-loop turns as the desktop would receive them.
class TCountingProgress final : public TProgress {
public:
    int64_t Turns = 0;
    void SetStatusText(const std::string &) override {}
    void StartProgress(int64_t, int64_t) override {}
    void StepProgress(int64_t) override {}
    void ResetProgress() override {}
    void ProcessEvents() override { ++Turns; }
};

void BM_LinkWalk(benchmark::State &state) {
    const std::string &page = Page();
    TCountingProgress progress;
    seam::SetProgress(&progress);
    size_t links = 0;
    for (auto _ : state) {
        TLinkWalk walk(page);
        TLinkValue value;
        links = 0;
        while (walk.Next(value))
            ++links;
        benchmark::DoNotOptimize(links);
    }
    seam::SetProgress(nullptr);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
    state.counters["links"] = static_cast<double>(links);
    state.counters["turns_per_walk"] =
        static_cast<double>(progress.Turns) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_LinkWalk)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_CollectLinks(benchmark::State &state) {
    const std::string &page = Page();
    TCabinetRoot root;
    TCabinet *cabinet = root.AddCabinet(KindNetscape2, "/nonexistent/bench/", "cache");
    TFileData data;
    for (size_t i = 0; i < 50000; i += 2) {
        std::string n = std::to_string(i);
        AddURL(*cabinet, "http://h/d/dir/page" + n + ".html", data);
        AddURL(*cabinet, "http://h/img/" + n + ".gif", data);
    }
    TFile *html = AddURL(*cabinet, "http://h/d/index.html", data);
    size_t entries = 0;
    for (auto _ : state) {
        TURLs links;
        CollectLinks(*html, page, links);
        entries = links.Count();
        benchmark::DoNotOptimize(entries);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
    state.counters["entries"] = static_cast<double>(entries);
}
BENCHMARK(BM_CollectLinks)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace

BENCHMARK_MAIN();
