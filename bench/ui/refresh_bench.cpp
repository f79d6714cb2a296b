// The refresh command over a mirror log of 200 000 entries (200 servers, two folders each,
// 500 entries per folder, the cached files absent) while a node of it is shown in details
// view: the index written back, reloaded, the items that were not met swept, both views
// brought up to date. Each iteration runs mViewNewClick and then the event loop until the
// list has painted and nothing is left to do; that whole time is reported. Counter
// command_ms: mViewNewClick alone.
//   shown:0   the cabinet's node is shown (200 server rows)
//   shown:1   the folder http://www0.example.com/dir0 is shown (500 file rows, each looked up
//             on disk)
//   status:0  the status panel hidden (View > Status bar), so no progress is drawn
// One refresh per iteration; repetitions give the spread. BM_RefreshSteps runs the steps of the
// command one by one, with the same arguments, and reports each step's time: write_ms (index written back), reset_ms, load_ms (index read, entries met
// again), sweep_ms, views_ms (RefreshAll), settle_ms (event loop until painted).
#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "items/cab.h"
#include "items/tree.h"
#include "stores/cache.h"
#include "ui/explor.h"
#include "ui/icons.h"
#include "ui/itemModel.h"
#include "ui/main.h"
#include "uiBench.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr int Entries = 200000;

TMainForm *form = nullptr;
TPrintedBoxes boxes;

TTree *Child(TTree *parent, const char *name) {
    for (const auto &child : parent->Children())
        if (child->Name() == name)
            return child.get();
    return nullptr;
}

TTree *ShownNode(TCabinet *cabinet, int64_t which) {
    if (which == 0)
        return cabinet;
    TTree *server = Child(cabinet, "http://www0.example.com");
    return server ? Child(server, "dir0") : nullptr;
}

// Shows the node in details view with the status panel as asked; nullptr when it is missing.
TTree *Prepare(benchmark::State &state, int64_t which, bool status) {
    form->mViewStyleClick(3, true);
    if (form->Explorer()->GetStatusVisible() != status)
        form->mViewStatusClick();
    TCabinet *cabinet = form->Cabinets().Cabinets().front().get();
    TTree *shown = ShownNode(cabinet, which);
    if (!shown) {
        state.SkipWithError("the generated folder is missing");
        return nullptr;
    }
    form->Explorer()->SelectItem(shown);
    return shown;
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}
} // namespace

static void BM_Refresh(benchmark::State &state) {
    TExplorer &explorer = *form->Explorer();
    if (!Prepare(state, state.range(0), state.range(1) != 0))
        return;
    TPaintCounter painted(explorer.List()->viewport());
    SettleAfterPaint(painted, painted.Paints, 2000);
    double commandMs = 0;
    for (auto _ : state) {
        int before = painted.Paints;
        auto start = Clock::now();
        form->mViewNewClick();
        auto refreshed = Clock::now();
        if (!SettleAfterPaint(painted, before))
            state.SkipWithError("the list never painted");
        auto settled = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(settled - start).count());
        commandMs += Ms(refreshed - start);
    }
    state.counters["command_ms"] = benchmark::Counter(commandMs, benchmark::Counter::kAvgIterations);
    state.counters["rows"] = explorer.ListModel()->Count();
    state.counters["files"] =
        static_cast<double>(form->Cabinets().Cabinets().front()->GetFileCount());
}
BENCHMARK(BM_Refresh)
    ->ArgNames({"shown", "status"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({1, 0})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

static void BM_RefreshSteps(benchmark::State &state) {
    TExplorer &explorer = *form->Explorer();
    if (!Prepare(state, state.range(0), state.range(1) != 0))
        return;
    TPaintCounter painted(explorer.List()->viewport());
    SettleAfterPaint(painted, painted.Paints, 2000);
    TCabinet &cabinet = *form->Cabinets().Cabinets().front();
    double steps[6] = {};
    for (auto _ : state) {
        int before = painted.Paints;
        Clock::time_point at[7];
        at[0] = Clock::now();
        UpdateCabinetIndex(cabinet);
        at[1] = Clock::now();
        ResetFound(cabinet, true);
        at[2] = Clock::now();
        LoadCabinet(cabinet);
        at[3] = Clock::now();
        SweepNotFound(cabinet);
        at[4] = Clock::now();
        explorer.RefreshAll();
        at[5] = Clock::now();
        if (!SettleAfterPaint(painted, before))
            state.SkipWithError("the list never painted");
        at[6] = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(at[6] - at[0]).count());
        for (int i = 0; i < 6; ++i)
            steps[i] += Ms(at[i + 1] - at[i]);
    }
    const char *names[6] = {"write_ms", "reset_ms", "load_ms", "sweep_ms", "views_ms", "settle_ms"};
    for (int i = 0; i < 6; ++i)
        state.counters[names[i]] = benchmark::Counter(steps[i], benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_RefreshSteps)
    ->ArgNames({"shown", "status"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({1, 0})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
    QTemporaryDir folder;
    PrepareEnvironment(folder.path());
    const std::string mirror = folder.path().toStdString() + "/mirror/";
    WriteGeneratedCache(KindMirrorLog, mirror, Entries);
    WriteRegistryFile(qEnvironmentVariable("TRAWLER_REGISTRY").toStdString(),
                      {{"mirror200k", mirror, KindMirrorLog, true}});

    return RunWithMainForm(argc, argv, boxes, form);
}
