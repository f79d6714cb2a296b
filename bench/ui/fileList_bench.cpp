// The file list window over a cabinet of 200 000 files: a generated mirror log (200 servers,
// two folders each, 500 entries per folder, the cached files absent) whose access times are
// spread evenly, in scrambled order, over the 28 days before the run; the previous start is
// taken as three days ago and the previous end as 2.9 days ago, so every filter lists some of
// the files. The main window is shown offscreen (1024 × 768) with the cabinet loaded.
//
// BM_OpenFileList/status:S: OpenFileList on the cabinet (window made, shown, painted, every
// file walked and listed with the filter "all"), then the event loop until the list has been
// laid out and painted and nothing is left to do; that is the time reported. The window is
// destroyed after each round, untimed. Counter open_ms: OpenFileList alone.
//
// BM_FileListFilter/mode:M/status:S: one window stays open (opened with filter M); each round
// first switches it, untimed, to another filter ("week" before "all", "all" before the
// others), then times mViewModeClick(M) until the list has painted and the event loop is
// idle. Counter command_ms: mViewModeClick alone. Modes: 0 all, 1 a week, 2 a day, 3 since
// the previous start.
//
// status:1 shows the window's status panel (the setting, as the user leaves it by default), so
// the fill draws its progress; status:0 opens the window with the panel hidden.
//
// BM_FileListSteps/mode:M: the fill's parts without a window: the count of the files below the
// cabinet (count_ms) and the rows collected for the filter (collect_ms). It runs first, on the
// heap as the load left it: run after six windows had each listed and freed 200 000 rows, the
// same collect of 200 000 rows took over twice as long (96 instead of 38 ms), while the
// windows' own fills did not slow down.
//
// Counters everywhere: rows (rows listed), total (files below the cabinet); for the windows
// also bar_paints (paints of the status panel's progress bar per round).
#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "config/settings.h"
#include "fileops/list.h"
#include "items/cab.h"
#include "platform/datetime.h"
#include "platform/fs.h"
#include "ui/fileList.h"
#include "ui/main.h"
#include "uiBench.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr int Entries = 200000;
constexpr int SpreadDays = 28;

TMainForm *form = nullptr;
TPrintedBoxes boxes;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// A mirror log in the generator's layout (as WriteGeneratedCache writes one) whose access
// times reach back SpreadDays days from now, each entry at its own scrambled place.
void WriteTimedMirrorLog(const std::string &folder, int entries) {
    const long now = static_cast<long>(std::time(nullptr));
    const long spread = SpreadDays * 86400L;
    std::string text = "MCOM-Cache-file-allocation-table-format-1\r\n";
    text.reserve(static_cast<size_t>(entries) * 160);
    for (int i = 0; i < entries; ++i) {
        const long place = static_cast<long>(static_cast<long long>(i) * 7919 % entries);
        const long accessed = now - 60 - place * spread / entries;
        std::string server = "www" + std::to_string(i % 200) + ".example.com";
        std::string path =
            "dir" + std::to_string(i / 200 % 2) + "/page" + std::to_string(i) + ".html";
        text += "0\t" + std::to_string(accessed - 86400) + "\t" + std::to_string(accessed) +
                "\thttp=" + server + "/" + path + "\thttp://" + server + "/" + path +
                "\ttext/html\t\t1234\t\t\t\r\n";
    }
    fs::WriteFileAtomic(folder + "trfat.db", text);
}

TCabinet &Cabinet() {
    return *form->Cabinets().Cabinets().front();
}

// A previous run that started three days ago and ended 2.9 days ago; read by each window
// when it is made.
void SetPreviousRun() {
    const double now = NowDateTime();
    Settings().Exec = now - 3;
    Settings().Terminate = now - 2.9;
}

void SetCounters(benchmark::State &state, const TFormList &window) {
    state.counters["rows"] = window.Model()->Count();
    state.counters["total"] = static_cast<double>(window.TotalCount());
}
} // namespace

static void BM_FileListSteps(benchmark::State &state) {
    const auto mode = static_cast<int32_t>(state.range(0));
    const double now = NowDateTime();
    const TListTimes times = MakeListTimes(now, now - 3, now - 2.9);
    const TTree &root = Cabinet();
    double countMs = 0, collectMs = 0;
    size_t rows = 0;
    int64_t total = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        total = CountListFiles(root);
        auto counted = Clock::now();
        std::vector<TListRow> collected = CollectListRows(
            root, mode, times, [] {}, static_cast<size_t>(total));
        auto done = Clock::now();
        rows = collected.size();
        benchmark::DoNotOptimize(collected.data());
        state.SetIterationTime(std::chrono::duration<double>(done - start).count());
        countMs += Ms(counted - start);
        collectMs += Ms(done - counted);
    }
    state.counters["count_ms"] = benchmark::Counter(countMs, benchmark::Counter::kAvgIterations);
    state.counters["collect_ms"] =
        benchmark::Counter(collectMs, benchmark::Counter::kAvgIterations);
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["total"] = static_cast<double>(total);
}
BENCHMARK(BM_FileListSteps)
    ->ArgName("mode")
    ->DenseRange(ListAll, ListNew)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

static void BM_OpenFileList(benchmark::State &state) {
    SetPreviousRun();
    Settings().ListMode = ListAll;
    Settings().StatusBar = state.range(0) != 0;
    TProgressPaints bars;
    double openMs = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        TFormList *window = OpenFileList(Cabinet());
        auto opened = Clock::now();
        if (!window) {
            state.SkipWithError("no window");
            break;
        }
        // The fill resets the model last, so the list's paint is still to come.
        TPaintCounter painted(window->ListView()->viewport());
        if (!SettleAfterPaint(painted, 0))
            state.SkipWithError("the list never painted");
        auto settled = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(settled - start).count());
        openMs += Ms(opened - start);
        SetCounters(state, *window);
        // UIBENCH_SCREENSHOT=FOLDER keeps a picture of the window for a look.
        if (QString shots = qEnvironmentVariable("UIBENCH_SCREENSHOT"); !shots.isEmpty())
            window->grab().save(shots + QStringLiteral("/file-list.png"));
        delete window;
        QCoreApplication::processEvents();
    }
    state.counters["open_ms"] = benchmark::Counter(openMs, benchmark::Counter::kAvgIterations);
    state.counters["bar_paints"] =
        benchmark::Counter(bars.Paints, benchmark::Counter::kAvgIterations);
    Settings().StatusBar = true;
}
BENCHMARK(BM_OpenFileList)
    ->ArgName("status")
    ->Arg(1)
    ->Arg(0)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

static void BM_FileListFilter(benchmark::State &state) {
    const auto mode = static_cast<int32_t>(state.range(0));
    const int32_t other = mode == ListAll ? ListWeek : ListAll;
    SetPreviousRun();
    Settings().ListMode = mode;
    Settings().StatusBar = state.range(1) != 0;
    TFormList *window = OpenFileList(Cabinet());
    if (!window) {
        state.SkipWithError("no window");
        return;
    }
    TPaintCounter painted(window->ListView()->viewport());
    SettleAfterPaint(painted, 0);
    TProgressPaints bars;
    double commandMs = 0;
    int barPaints = 0;
    for (auto _ : state) {
        window->mViewModeClick(other);
        SettleAfterPaint(painted, painted.Paints);
        int before = painted.Paints;
        int barsBefore = bars.Paints;

        auto start = Clock::now();
        window->mViewModeClick(mode);
        auto switched = Clock::now();
        if (!SettleAfterPaint(painted, before))
            state.SkipWithError("the list never painted");
        auto settled = Clock::now();
        barPaints += bars.Paints - barsBefore;
        state.SetIterationTime(std::chrono::duration<double>(settled - start).count());
        commandMs += Ms(switched - start);
    }
    state.counters["command_ms"] =
        benchmark::Counter(commandMs, benchmark::Counter::kAvgIterations);
    state.counters["bar_paints"] =
        benchmark::Counter(barPaints, benchmark::Counter::kAvgIterations);
    SetCounters(state, *window);
    delete window;
    QCoreApplication::processEvents();
    Settings().ListMode = ListAll;
    Settings().StatusBar = true;
}
BENCHMARK(BM_FileListFilter)
    ->ArgNames({"mode", "status"})
    ->ArgsProduct({{ListAll, ListWeek, ListDay, ListNew}, {1, 0}})
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
    QTemporaryDir folder;
    PrepareEnvironment(folder.path());
    const std::string mirror = folder.path().toStdString() + "/mirror/";
    std::filesystem::create_directories(mirror);
    WriteTimedMirrorLog(mirror, Entries);
    WriteRegistryFile(qEnvironmentVariable("TRAWLER_REGISTRY").toStdString(),
                      {{"mirror200k", mirror, KindMirrorLog, true}});
    return RunWithMainForm(argc, argv, boxes, form);
}
