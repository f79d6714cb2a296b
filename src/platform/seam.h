#pragma once
// The desktop seam: everything the core hands to a window or a desktop service goes
// through these interfaces. The desktop program installs Qt implementations at start-up,
// trawler-cli installs its own, tests install recording fakes. When nothing is installed,
// quiet defaults answer (no window, no progress, no type names).
#include <cstdint>
#include <string>
#include <vector>

class TTree;
class TCabinet;
class TDir;
class TFile;
class TItemRef;

// Message boxes with an OK button, with the exact texts of the program.
class TMessages {
public:
    virtual ~TMessages() = default;
    virtual void ErrorBox(const std::string &text) = 0;
    virtual void WarningBox(const std::string &text) = 0;
};

// The status text and progress bar of the explorer pane, and the event-loop turn.
// Implementations must not throw; callers swallow failures anyway.
class TProgress {
public:
    virtual ~TProgress() = default;
    virtual void SetStatusText(const std::string &text) = 0;
    virtual void StartProgress(int64_t minimum, int64_t maximum) = 0;
    virtual void StepProgress(int64_t count) = 0;
    virtual void ResetProgress() = 0;
    // Lets the event loop run; cheap to call often (the GUI side throttles itself).
    virtual void ProcessEvents() = 0;
};

// What the desktop knows about a file type: its type name and an icon name. The icon name
// is a freedesktop icon-theme name (empty when the desktop has no icon for the type).
struct TTypeInfo {
    std::string TypeName;
    std::string IconName;
};

class TShell {
public:
    virtual ~TShell() = default;
    // Type name and icon for the existing file at path.
    virtual TTypeInfo FileTypeInfo(const std::string &path) = 0;
    // The icon associated with a program file (a default icon when the file is missing).
    virtual std::string ProgramIcon(const std::string &path) = 0;
};

// Dialogs the items open.
class TItemDialogs {
public:
    virtual ~TItemDialogs() = default;
    // True when the user pressed OK (the cabinet may have changed).
    virtual bool ShowCabinetProperties(TCabinet &cabinet) = 0;
    virtual void ShowDirProperties(TDir &dir) = 0;
    virtual void ShowFileProperties(TFile &file) = 0;
};

// The item-changed notification to every open window. Posted, not sent: the receiver acts
// after the current command has returned, and resolves the reference before use.
class TNotifier {
public:
    virtual ~TNotifier() = default;
    virtual void ItemChanged(const TItemRef &item) = 0;
};

namespace seam {
TMessages &Messages();
TProgress &Progress();
TShell &Shell();
TItemDialogs &Dialogs();
TNotifier &Notifier();

// Install an implementation (nullptr restores the quiet default). Not owned.
void SetMessages(TMessages *impl);
void SetProgress(TProgress *impl);
void SetShell(TShell *impl);
void SetDialogs(TItemDialogs *impl);
void SetNotifier(TNotifier *impl);

// The progress contract of the loaders: failures inside the four operations are swallowed.
void SetStatusText(const std::string &text) noexcept;
void StartProgress(int64_t minimum, int64_t maximum) noexcept;
void StepProgress(int64_t count) noexcept;
void ResetProgress() noexcept;
void ProcessEvents() noexcept;
} // namespace seam
