// The link check of a 5 MB page with 50 000 links against eight cabinets. The main window is
// shown offscreen (1024 × 768) on a registry of eight generated caches of 25 000 entries each
// (cabinet c: 25 servers "wwwS.cabC.example.com", two folders each, 500 entries per folder),
// mirror logs and Netscape 1.x caches alternately, 200 000 entries in all. The page is the
// cached file of http://www0.cab0.example.com/dir0/page0.html in the first mirror log: table
// rows of about 100 bytes, one link each (quoted A HREF, IMG SRC, unquoted a href), the links
// going to the eight cabinets in turn:
//   - into the page's own cabinet: relative ("page.html", "../dir1/page.html") and
//     server-relative ("/dir1/page.html") links to the page's server, 1 000 addresses in all;
//   - into each other cabinet: absolute links to 6 250 distinct addresses, one in seven with
//     a fragment;
//   - one link in ten names a file that no cabinet holds (the server and folder exist).
// The cached files of the held links are present on disk (empty), as they are in a cache.
//
// BM_LinkCheck/status:S: OpenLinkCheck on the page (window made and shown, the page read and
// walked with the event loop turning, every address resolved and looked up, the list filled),
// then the event loop until the list has painted and nothing is left to do; that is the time
// reported. The window is destroyed after each round, untimed. Counters: open_ms
// (OpenLinkCheck alone, which returns once the list is filled), links (distinct addresses),
// found (counted as found under the window's scope, the page's folder), held (held by some
// cabinet), page_bytes, bar_paints (paints of the status panel's progress bar). status:1
// shows the window's status panel (the setting, as the user leaves it by default), so the
// scan and the fill draw their progress; status:0 hides it.
//
// BM_LinkCheckSteps: the same work without a window, step by step: read_ms (the page read
// whole), collect_ms (the walk, resolution and lookups, event-loop turns included), fill_ms
// (the rows marked and given their pictures: a look at each held file on disk).
#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QTemporaryDir>
#include <QTreeView>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "config/settings.h"
#include "html/check.h"
#include "html/link.h"
#include "items/cab.h"
#include "items/file.h"
#include "platform/fs.h"
#include "ui/linkForm.h"
#include "ui/main.h"
#include "uiBench.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr int CabinetCount = 8;
constexpr int EntriesPerCabinet = 25000;
constexpr int Servers = 25;
constexpr int PageLinks = 50000;
constexpr size_t LineBytes = 100;
constexpr int OwnAddresses = 1000; // the files of the page's own server

TMainForm *form = nullptr;
TPrintedBoxes boxes;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

std::string Host(int cabinet, int entry) {
    return "www" + std::to_string(entry % Servers) + ".cab" + std::to_string(cabinet) +
           ".example.com";
}

int Dir(int entry) {
    return entry / Servers % 2;
}

std::string Address(int cabinet, int entry) {
    return "http://" + Host(cabinet, entry) + "/dir" + std::to_string(Dir(entry)) + "/page" +
           std::to_string(entry) + ".html";
}

int KindOf(int cabinet) {
    return cabinet % 2 == 0 ? KindMirrorLog : KindNetscape1;
}

// One generated cache in the layout above, its cached files absent.
void WriteCabinet(int cabinet, const std::string &folder) {
    std::filesystem::create_directories(folder);
    std::string text = "MCOM-Cache-file-allocation-table-format-1\r\n";
    text.reserve(static_cast<size_t>(EntriesPerCabinet) * 160);
    const bool mirror = KindOf(cabinet) == KindMirrorLog;
    for (int e = 0; e < EntriesPerCabinet; ++e) {
        std::string path = "dir" + std::to_string(Dir(e)) + "/page" + std::to_string(e) + ".html";
        std::string cacheFile = mirror ? "http=" + Host(cabinet, e) + "/" + path
                                       : "C:\\NETSCAPE\\CACHE\\M" + std::to_string(e) + ".html";
        text += "0\t852076800\t852076900\t" + cacheFile + "\thttp://" + Host(cabinet, e) + "/" +
                path + "\ttext/html\t\t1234\t\t\t\r\n";
    }
    fs::WriteFileAtomic(folder + (mirror ? "trfat.db" : "fat"), text);
}

// A link the page holds: its text in the page and the address a cabinet holds it under
// (empty when no cabinet does).
struct TPageLink {
    std::string Text;
    int Cabinet = 0;
    std::string Held;
};

TPageLink MakeLink(int i) {
    const int cabinet = i % CabinetCount;
    const int k = i / CabinetCount;
    const bool missing = k % 10 == 9;
    TPageLink link;
    link.Cabinet = cabinet;
    if (cabinet == 0) {
        // The page's own server (entries 0, 25, 50, ...): relative to the page's folder dir0.
        const int entry = Servers * (k * 7919 % OwnAddresses);
        const int dir = Dir(entry);
        const std::string name = "page" + std::to_string(entry) + (missing ? "-old.html" : ".html");
        if (dir == 0)
            link.Text = (k % 2 ? "" : "../dir0/") + name;
        else
            link.Text = (k % 2 ? "../dir1/" : "/dir1/") + name;
        if (!missing)
            link.Held = Address(0, entry);
        return link;
    }
    const int entry = (k * 7919 + cabinet * 131) % EntriesPerCabinet;
    std::string address = Address(cabinet, entry);
    if (missing)
        address.insert(address.size() - 5, "-old");
    else
        link.Held = address;
    link.Text = address;
    if (k % 7 == 3)
        link.Text += "#part" + std::to_string(k % 50);
    return link;
}

// The page: a table row of LineBytes bytes (longer when the link needs it) per link.
std::string MakePage() {
    std::string text = "<HTML><HEAD><TITLE>Link index</TITLE></HEAD>\r\n<BODY>\r\n<TABLE>\r\n";
    text.reserve(static_cast<size_t>(PageLinks) * LineBytes + 1024);
    for (int i = 0; i < PageLinks; ++i) {
        const std::string link = MakeLink(i).Text;
        const std::string n = std::to_string(i);
        switch (i % 3) {
        case 0:
            text += "<TR><TD>Row " + n + "</TD><TD><A HREF=\"" + link + "\">entry</A></TD></TR>";
            break;
        case 1:
            text += "<TR><TD><IMG SRC=\"" + link + "\" WIDTH=16 HEIGHT=16 ALT=\"mark\"></TD></TR>";
            break;
        default:
            text += "<LI>see <a href=" + link + ">this page</a></LI>";
            break;
        }
        while (text.size() + 2 < (static_cast<size_t>(i) + 1) * LineBytes)
            text += ' ';
        text += "\r\n";
    }
    text += "</TABLE></BODY></HTML>\r\n";
    return text;
}

TFile *page = nullptr;
size_t pageBytes = 0;

// Once: the page written as the cached file of its item, and an empty cached file for every
// file a link of it reaches. nullptr when the cabinets did not load as generated.
TFile *Prepare() {
    if (page)
        return page;
    const auto &cabinets = form->Cabinets().Cabinets();
    if (cabinets.size() != CabinetCount)
        return nullptr;
    TTree *item = FindByURL(cabinets[0].get(), Address(0, 0));
    if (!item || !item->IsFile())
        return nullptr;
    std::vector<std::string> files;
    for (int i = 0; i < PageLinks; ++i) {
        TPageLink link = MakeLink(i);
        if (link.Held.empty())
            continue;
        TTree *held = FindByURL(cabinets[static_cast<size_t>(link.Cabinet)].get(), link.Held);
        if (!held)
            return nullptr;
        files.push_back(held->GetLocalPath());
    }
    for (const std::string &path : files) {
        std::filesystem::path file(path);
        std::filesystem::create_directories(file.parent_path());
        std::ofstream{file};
    }
    const std::string text = MakePage();
    pageBytes = text.size();
    if (!fs::WriteFileAtomic(item->GetLocalPath(), text))
        return nullptr;
    page = static_cast<TFile *>(item);
    return page;
}

TFormLink *OpenWindow() {
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *window = qobject_cast<TFormLink *>(widget))
            return window;
    return nullptr;
}
} // namespace

static void BM_LinkCheck(benchmark::State &state) {
    TFile *checked = Prepare();
    if (!checked) {
        state.SkipWithError("the generated cabinets did not load as written");
        return;
    }
    Settings().StatusBar = state.range(0) != 0;
    TProgressPaints bars;
    double openMs = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        OpenLinkCheck(*checked);
        auto opened = Clock::now();
        TFormLink *window = OpenWindow();
        if (!window) {
            state.SkipWithError("no window");
            break;
        }
        // The fill resets the list's model last: its paint is still to come.
        TPaintCounter painted(window->List()->viewport());
        if (!SettleAfterPaint(painted, 0))
            state.SkipWithError("the list never painted");
        auto settled = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(settled - start).count());
        openMs += Ms(opened - start);
        state.counters["links"] = static_cast<double>(window->Check().Count());
        state.counters["found"] = static_cast<double>(window->FoundCount());
        state.counters["held"] = static_cast<double>(window->Check().FoundCount(ScopeAll));
        state.counters["rows"] = window->Model()->Count();
        // UIBENCH_SCREENSHOT=FOLDER keeps a picture of the window for a look.
        if (QString shots = qEnvironmentVariable("UIBENCH_SCREENSHOT"); !shots.isEmpty())
            window->grab().save(shots + QStringLiteral("/link-check.png"));
        delete window;
        QCoreApplication::processEvents();
    }
    state.counters["open_ms"] = benchmark::Counter(openMs, benchmark::Counter::kAvgIterations);
    state.counters["page_bytes"] = static_cast<double>(pageBytes);
    state.counters["bar_paints"] =
        benchmark::Counter(bars.Paints, benchmark::Counter::kAvgIterations);
    Settings().StatusBar = true;
}
BENCHMARK(BM_LinkCheck)
    ->ArgName("status")
    ->Arg(1)
    ->Arg(0)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

static void BM_LinkCheckSteps(benchmark::State &state) {
    TFile *checked = Prepare();
    if (!checked) {
        state.SkipWithError("the generated cabinets did not load as written");
        return;
    }
    double readMs = 0, collectMs = 0, fillMs = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        auto check = std::make_shared<TLinkCheck>(*checked);
        std::string data;
        if (!fs::ReadWholeFile(check->Path(), data)) {
            state.SkipWithError("the page cannot be read");
            break;
        }
        auto read = Clock::now();
        check->Collect(data);
        auto collected = Clock::now();
        TLinkListModel model(check);
        size_t found = model.Fill(ScopeDirectory);
        auto filled = Clock::now();
        benchmark::DoNotOptimize(found);
        state.SetIterationTime(std::chrono::duration<double>(filled - start).count());
        readMs += Ms(read - start);
        collectMs += Ms(collected - read);
        fillMs += Ms(filled - collected);
        state.counters["links"] = static_cast<double>(check->Count());
    }
    state.counters["read_ms"] = benchmark::Counter(readMs, benchmark::Counter::kAvgIterations);
    state.counters["collect_ms"] =
        benchmark::Counter(collectMs, benchmark::Counter::kAvgIterations);
    state.counters["fill_ms"] = benchmark::Counter(fillMs, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_LinkCheckSteps)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
    QTemporaryDir folder;
    PrepareEnvironment(folder.path());
    std::vector<TRegistered> registered;
    for (int c = 0; c < CabinetCount; ++c) {
        const std::string path = folder.path().toStdString() + "/cab" + std::to_string(c) + "/";
        WriteCabinet(c, path);
        registered.push_back(
            {"cab" + std::to_string(c), path, KindOf(c), KindOf(c) == KindMirrorLog});
    }
    WriteRegistryFile(qEnvironmentVariable("TRAWLER_REGISTRY").toStdString(), registered);
    return RunWithMainForm(argc, argv, boxes, form);
}
