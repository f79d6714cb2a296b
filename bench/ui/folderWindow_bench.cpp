// Opening a folder window on a folder of n files: the main window shown offscreen (1024 × 768),
// a cabinet whose one folder holds n files filed through AddURL in scrambled order (the same
// folder as ui_folderView_bench's). Each round calls OpenFolderWindow on the folder (window
// made and shown, its pane rooted at the folder, the folder selected: n rows made and sorted
// by name, in details view) and runs the event loop until the window's list has been laid out
// and painted and nothing is left to do; that is the time reported. The window is destroyed
// after each round, untimed. Counters: open_ms (OpenFolderWindow alone), grab_ms (one full
// repaint of the list viewport through grab()), rows, paints (of the list viewport).
#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <string>

#include "items/cab.h"
#include "items/file.h"
#include "stores/cache.h"
#include "ui/detail.h"
#include "ui/explor.h"
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
TTree *MakeFolder(int64_t n) {
    static int made = 0;
    TCabinet *cabinet = form->Cabinets().AddCabinet(
        KindPlainLog, "/nonexistent/uibench/" + std::to_string(made) + "/",
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

static void BM_OpenFolderWindow(benchmark::State &state) {
    const int64_t n = state.range(0);
    TTree *folder = MakeFolder(n);
    double openMs = 0, grabMs = 0;
    int rows = 0, paints = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        TFormDetail *window = OpenFolderWindow(*folder);
        auto opened = Clock::now();
        if (!window) {
            state.SkipWithError("no window");
            break;
        }
        // The folder was selected after the window was shown: the list's paint is to come.
        QWidget *viewport = window->Explorer()->List()->viewport();
        TPaintCounter painted(viewport);
        if (!SettleAfterPaint(painted, 0))
            state.SkipWithError("the list never painted");
        auto settled = Clock::now();
        QPixmap picture = viewport->grab();
        auto grabbed = Clock::now();
        benchmark::DoNotOptimize(picture);

        state.SetIterationTime(std::chrono::duration<double>(settled - start).count());
        openMs += Ms(opened - start);
        grabMs += Ms(grabbed - settled);
        rows = window->Explorer()->ListModel()->Count();
        paints = painted.Paints;
        // UIBENCH_SCREENSHOT=FOLDER keeps a picture of the window for a look.
        if (QString shots = qEnvironmentVariable("UIBENCH_SCREENSHOT"); !shots.isEmpty())
            window->grab().save(shots + QStringLiteral("/folder-window-%1.png").arg(n));
        delete window;
        QCoreApplication::processEvents();
    }
    state.counters["open_ms"] = benchmark::Counter(openMs, benchmark::Counter::kAvgIterations);
    state.counters["grab_ms"] = benchmark::Counter(grabMs, benchmark::Counter::kAvgIterations);
    state.counters["rows"] = rows;
    state.counters["paints"] = paints;
}
BENCHMARK(BM_OpenFolderWindow)
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
