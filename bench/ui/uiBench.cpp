#include "uiBench.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QStringList>
#include <benchmark/benchmark.h>
#include <memory>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QProgressBar>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "platform/fs.h"
#include "platform/seam.h"
#include "ui/icons.h"
#include "ui/main.h"

void TPrintedBoxes::ErrorBox(const std::string &text) {
    ++Count;
    std::fprintf(stderr, "error box: %s\n", text.c_str());
}

void TPrintedBoxes::WarningBox(const std::string &text) {
    ++Count;
    std::fprintf(stderr, "warning box: %s\n", text.c_str());
}

TPaintCounter::TPaintCounter(QWidget *widget) {
    widget->installEventFilter(this);
}

bool TPaintCounter::eventFilter(QObject *, QEvent *event) {
    if (event->type() == QEvent::Paint)
        ++Paints;
    return false;
}

TProgressPaints::TProgressPaints() {
    QCoreApplication::instance()->installEventFilter(this);
}

TProgressPaints::~TProgressPaints() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool TProgressPaints::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Paint && qobject_cast<QProgressBar *>(watched))
        ++Paints;
    return false;
}

bool SettleAfterPaint(const TPaintCounter &counter, int after, int timeoutMs) {
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    QElapsedTimer clock;
    clock.start();
    int idleTurns = 0;
    while (clock.elapsed() < timeoutMs) {
        QCoreApplication::sendPostedEvents();
        bool busy = dispatcher->processEvents(QEventLoop::AllEvents);
        if (busy) {
            idleTurns = 0;
            continue;
        }
        // Before the paint, an idle turn only means the update timer has not fired yet.
        if (counter.Paints > after && ++idleTurns >= 2)
            return true;
    }
    return false;
}

namespace {
QtMessageHandler standardMessages = nullptr;

void QuietMessages(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    if (text.contains(QStringLiteral("does not support propagateSizeHints")))
        return;
    standardMessages(type, context, text);
}
} // namespace

void InstallQuietMessages() {
    if (!standardMessages)
        standardMessages = qInstallMessageHandler(QuietMessages);
}

void PrepareEnvironment(const QString &folder) {
    InstallQuietMessages();
    QDir().mkpath(folder);
    auto setIfEmpty = [](const char *name, const QByteArray &value) {
        if (qEnvironmentVariableIsEmpty(name))
            qputenv(name, value);
    };
    setIfEmpty("QT_QPA_PLATFORM", "offscreen");
    setIfEmpty("TRAWLER_REGISTRY", (folder + QStringLiteral("/registry.reg")).toUtf8());
    setIfEmpty("XDG_DATA_HOME", (folder + QStringLiteral("/data")).toUtf8());
    setIfEmpty("XDG_RUNTIME_DIR", (folder + QStringLiteral("/runtime")).toUtf8());
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                       QFileDevice::ExeOwner);
}

long PeakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

double MillisecondsSinceLaunch() {
    if (const char *launch = std::getenv("UIBENCH_LAUNCH_US"); launch && *launch) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        double nowUs = static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
        return (nowUs - std::strtod(launch, nullptr)) / 1e3;
    }
    // Field 22 of /proc/self/stat: the start time in clock ticks since boot.
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    size_t close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    unsigned long long startTicks = 0;
    const char *at = text.c_str() + close + 2;
    for (int field = 3; field < 22 && *at; ++field) {
        at = std::strchr(at, ' ');
        if (!at)
            return -1;
        ++at;
    }
    startTicks = std::strtoull(at, nullptr, 10);
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    double nowMs = static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
    return nowMs - static_cast<double>(startTicks) * 1e3 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void WriteRegistryFile(const std::string &path, const std::vector<TRegistered> &cabinets) {
    std::string text = "REGEDIT4\r\n\r\n";
    for (size_t i = 0; i < cabinets.size(); ++i) {
        const TRegistered &c = cabinets[i];
        char number[64];
        text += "[HKEY_CURRENT_USER\\Software\\Kestrelware\\Trawler\\Cabinets\\Cab" +
                std::to_string(i) + "]\r\n";
        text += "\"Name\"=\"" + c.Name + "\"\r\n\"Path\"=\"" + c.Path + "\"\r\n";
        std::snprintf(number, sizeof number, "\"Attribute\"=dword:%08x\r\n", c.Kind);
        text += number;
        text += "\"Program\"=\"\"\r\n\"User\"=\"\"\r\n";
        std::snprintf(number, sizeof number, "\"Delete\"=dword:%08x\r\n\r\n", c.Deletable ? 1 : 0);
        text += number;
    }
    fs::WriteFileAtomic(path, text);
}

void WriteGeneratedCache(int kind, const std::string &folder, int entries) {
    std::filesystem::create_directories(folder);
    std::string text = "MCOM-Cache-file-allocation-table-format-1\r\n";
    text.reserve(static_cast<size_t>(entries) * 160);
    for (int i = 0; i < entries; ++i) {
        std::string server = "www" + std::to_string(i % 200) + ".example.com";
        std::string path = "dir" + std::to_string(i / 200 % 2) + "/page" + std::to_string(i) + ".html";
        std::string cacheFile = kind == 3 ? "C:\\NETSCAPE\\CACHE\\M" + std::to_string(i) + ".html"
                                          : "http=" + server + "/" + path;
        text += "0\t852076800\t852076900\t" + cacheFile + "\thttp://" + server + "/" + path +
                "\ttext/html\t\t1234\t\t\t\r\n";
    }
    std::string name = folder;
    if (!name.empty() && name.back() != '/')
        name += '/';
    name += kind == 3 ? "fat" : "trfat.db";
    fs::WriteFileAtomic(name, text);
}

int RunWithMainForm(int argc, char **argv, TPrintedBoxes &boxes, TMainForm *&form) {
    benchmark::Initialize(&argc, argv);
    QApplication app(argc, argv);
    InitUiResources();
    auto window = std::make_unique<TMainForm>(QStringList{QStringLiteral("trawler")},
                                              QCoreApplication::applicationFilePath().toStdString());
    form = window.get();
    seam::SetMessages(&boxes);
    form->Start();
    form->resize(1024, 768);
    QCoreApplication::processEvents();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    window->FormDestroy();
    window.reset();
    form = nullptr;
    std::printf("peak resident: %ld KiB; message boxes: %d\n", PeakResidentKiB(), boxes.Count);
    return boxes.Count == 0 ? 0 : 1;
}

