// Start-up of the desktop program to its first painted window, one process per run: the
// steps of the program's entry (application, resources, main window, Start: window shown,
// every registered cabinet loaded, the first one shown), the event loop run until the list
// has painted and nothing is left to do, then one grab() of the whole window. The
// one-instance check of the entry (a failed connect to a local socket and a lock file) is left
// out. The cabinets are those of the registry file that TRAWLER_REGISTRY names.
//
// Prints one line of key=value figures, milliseconds unless told:
//   launch_to_painted  from the exec (UIBENCH_LAUNCH_US, set by the caller) to the window
//                      painted with the cabinets loaded: the figure that counts
//   launch_to_main     exec, dynamic linking and static initialisation
//   app, resources, form, start, settle, grab  the steps in order
//   peak_kib           peak resident memory at that moment (VmHWM)
//   bar_paints         paint events of the status panel's progress bar during all that
// then the window is destroyed as the program's end does (settings written, items freed).
#include <QAbstractItemView>
#include <QApplication>
#include <QLocale>
#include <QPixmap>
#include <QProgressBar>
#include <chrono>
#include <cstdio>
#include <memory>

#include "items/cab.h"
#include "ui/explor.h"
#include "ui/icons.h"
#include "ui/itemModel.h"
#include "ui/main.h"
#include "ui/status.h"
#include "uiBench.h"

namespace {
using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}
} // namespace

int main(int argc, char **argv) {
    const double launchToMain = MillisecondsSinceLaunch();
    const auto t0 = Clock::now();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    InstallQuietMessages();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trawler"));
    QApplication::setApplicationDisplayName(QStringLiteral("Trawler"));
    QApplication::setDesktopFileName(QStringLiteral("trawler"));
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    const auto t1 = Clock::now();
    InitUiResources();
    const auto t2 = Clock::now();

    QStringList arguments = QCoreApplication::arguments();
    auto form = std::make_unique<TMainForm>(arguments,
                                            QCoreApplication::applicationFilePath().toStdString());
    TPrintedBoxes boxes;
    seam::SetMessages(&boxes);
    const auto t3 = Clock::now();
    TPaintCounter painted(form->Explorer()->List()->viewport());
    auto *bar = form->Explorer()->Status()->findChild<QProgressBar *>();
    TPaintCounter barPainted(bar ? static_cast<QWidget *>(bar) : form.get());
    form->Start();
    const auto t4 = Clock::now();
    bool settled = SettleAfterPaint(painted, 0);
    const auto t5 = Clock::now();
    QPixmap picture = form->grab();
    const auto t6 = Clock::now();
    const double launchToPainted = MillisecondsSinceLaunch();
    const long peak = PeakResidentKiB();

    size_t cabinets = form->Cabinets().Cabinets().size();
    int rows = form->Explorer()->ListModel()->Count();
    std::printf("launch_to_painted=%.1f launch_to_main=%.1f app=%.1f resources=%.1f form=%.1f "
                "start=%.1f settle=%.1f grab=%.1f peak_kib=%ld cabinets=%zu rows=%d bar_paints=%d boxes=%d\n",
                launchToPainted, launchToMain, Ms(t0, t1), Ms(t1, t2), Ms(t2, t3), Ms(t3, t4),
                Ms(t4, t5), Ms(t5, t6), peak, cabinets, rows, bar ? barPainted.Paints : -1, boxes.Count);
    std::fflush(stdout);
    // UIBENCH_SCREENSHOT=FILE keeps the picture for a look.
    if (QString shot = qEnvironmentVariable("UIBENCH_SCREENSHOT"); !shot.isEmpty())
        picture.save(shot);

    form->FormDestroy();
    form.reset();
    return settled && !picture.isNull() && boxes.Count == 0 ? 0 : 1;
}
