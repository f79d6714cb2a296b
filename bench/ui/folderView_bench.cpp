// Showing a folder of n files in details view: the main window shown offscreen (1024 × 768),
// a cabinet whose one folder holds n files filed through AddURL in scrambled order. Each
// iteration selects the folder's tree node (the list had shown the cabinet) and runs the
// event loop until the list has been laid out and painted and nothing is left to do; that is
// the time reported. Counters: select_ms (SelectItem alone: rows made and sorted), grab_ms (one
// full repaint of the list viewport through grab()), rows, scroll_max.
#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QPixmap>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTreeView>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "items/cab.h"
#include "items/file.h"
#include "stores/cache.h"
#include "ui/explor.h"
#include "ui/icons.h"
#include "ui/itemModel.h"
#include "ui/main.h"
#include "uiBench.h"

namespace {
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

TMainForm *form = nullptr;
TPrintedBoxes boxes;

// The folder "www.example.com/files/" of a fresh cabinet, holding n files.
TTree *MakeFolder(int64_t n, TCabinet *&cabinet) {
    static int made = 0;
    cabinet = form->Cabinets().AddCabinet(KindPlainLog, "/nonexistent/uibench/" +
                                                            std::to_string(made) + "/",
                                          "bench" + std::to_string(made));
    ++made;
    TFileData data;
    data.Size = 1234;
    data.Modified = 35431.5;
    data.Accessed = 35432.25;
    data.ContentType = "text/html";
    TFile *file = nullptr;
    for (int64_t i = 0; i < n; ++i) {
        std::string url =
            "http://www.example.com/files/page" + std::to_string(i * 7919 % n) + ".html";
        data.URL = url;
        file = AddURL(*cabinet, url, data);
    }
    form->Explorer()->AddCabinet(*cabinet);
    return file->Parent();
}
} // namespace

static void BM_ShowFolderDetails(benchmark::State &state) {
    const int64_t n = state.range(0);
    TExplorer &explorer = *form->Explorer();
    form->mViewStyleClick(3, true);
    TCabinet *cabinet = nullptr;
    TTree *folder = MakeFolder(n, cabinet);
    auto *view = explorer.List();
    TPaintCounter painted(view->viewport());
    double selectMs = 0, grabMs = 0;
    for (auto _ : state) {
        // The list shows the cabinet (one row) before each round.
        explorer.SelectItem(cabinet);
        SettleAfterPaint(painted, painted.Paints);
        int before = painted.Paints;

        auto start = Clock::now();
        explorer.SelectItem(folder);
        auto selected = Clock::now();
        if (!SettleAfterPaint(painted, before))
            state.SkipWithError("the list never painted");
        auto settled = Clock::now();
        QPixmap picture = view->viewport()->grab();
        auto grabbed = Clock::now();
        benchmark::DoNotOptimize(picture);

        state.SetIterationTime(std::chrono::duration<double>(settled - start).count());
        selectMs += Ms(selected - start);
        grabMs += Ms(grabbed - settled);
    }
    state.counters["select_ms"] = benchmark::Counter(selectMs, benchmark::Counter::kAvgIterations);
    state.counters["grab_ms"] = benchmark::Counter(grabMs, benchmark::Counter::kAvgIterations);
    state.counters["rows"] = explorer.ListModel()->Count();
    state.counters["scroll_max"] = view->verticalScrollBar()->maximum();
    state.counters["paints"] = painted.Paints;
    // UIBENCH_SCREENSHOT=FOLDER keeps a picture of the window for a look.
    if (QString shots = qEnvironmentVariable("UIBENCH_SCREENSHOT"); !shots.isEmpty())
        form->grab().save(shots + QStringLiteral("/folder-%1.png").arg(n));
}
BENCHMARK(BM_ShowFolderDetails)
    ->Arg(5000)
    ->Arg(50000)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
    QTemporaryDir folder;
    PrepareEnvironment(folder.path());
    return RunWithMainForm(argc, argv, boxes, form);
}
