#pragma once
// What the desktop-program benchmarks share: a private environment (platform, registry file,
// runtime and data folders), a stand-in for message boxes that would wait for a person,
// running the event loop until a view has painted and nothing is left to do, the process's
// peak memory, and generated caches.
#include <QObject>
#include <QString>
#include <string>
#include <vector>

#include "platform/seam.h"

class QWidget;

// Message boxes would stop an unattended run: they are printed and counted instead.
class TPrintedBoxes final : public TMessages {
public:
    void ErrorBox(const std::string &text) override;
    void WarningBox(const std::string &text) override;
    int Count = 0;
};

// Counts the paint events a widget receives (no parent: it may live on the stack).
class TPaintCounter final : public QObject {
public:
    explicit TPaintCounter(QWidget *widget);
    int Paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

// Counts the paint events of every progress bar of the application (the status panels'
// bars) while it lives, in whatever window, also in windows made after it.
class TProgressPaints final : public QObject {
public:
    TProgressPaints();
    ~TProgressPaints() override;
    int Paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

// Runs the event loop until the counter has seen more than `after` paints and two turns in a
// row found nothing to do. False when that took longer than timeoutMs.
bool SettleAfterPaint(const TPaintCounter &counter, int after, int timeoutMs = 30000);

// The offscreen platform reports, each time a window is shown, that it cannot pass size hints
// on; that line is dropped so it does not drown the figures.
void InstallQuietMessages();

// The offscreen platform unless one was chosen, a private runtime folder, the data folder and
// TRAWLER_REGISTRY below folder (only where they are not set already); quiet messages.
void PrepareEnvironment(const QString &folder);

// Peak resident memory of this process so far, in KiB (VmHWM); -1 when unknown.
long PeakResidentKiB();

// Milliseconds since this process was started: from the launch time the caller put in
// UIBENCH_LAUNCH_US (microseconds of the real-time clock, taken right before exec), else from
// the start time the kernel keeps (10 ms steps).
double MillisecondsSinceLaunch();

// One registered cabinet of a registry file.
struct TRegistered {
    std::string Name;
    std::string Path; // ends with "/"
    int Kind = 0;
    bool Deletable = false;
};
void WriteRegistryFile(const std::string &path, const std::vector<TRegistered> &cabinets);

// A generated cache in folder (created when missing): n entries over 200 servers, two
// folders each, 500 entries per folder, the cached files absent.
//   kind 2: a mirror log ("trfat.db");  kind 3: a Netscape 1.x cache ("fat").
void WriteGeneratedCache(int kind, const std::string &folder, int entries);

class TMainForm;
// Starts the main window on the registry file TRAWLER_REGISTRY names (boxes printed through
// boxes), sets form to it, runs the registered benchmarks, tears the window down and prints
// the peak memory. Exit status 1 when a box was shown.
int RunWithMainForm(int argc, char **argv, TPrintedBoxes &boxes, TMainForm *&form);

