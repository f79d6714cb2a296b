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
    // Opens a document (a local path or a URL) in the application the desktop associates
    // with it, without waiting for it. False when nothing could be started.
    virtual bool OpenDocument(const std::string &document) = 0;
    // Starts a program with one argument, without waiting for it. False when it could not be
    // started.
    virtual bool StartProgram(const std::string &program, const std::string &argument) = 0;
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

// The buttons of a question box, and the one the user pressed.
enum class TAnswer : uint8_t { Ok, Yes, No, All, Cancel, Retry };

// Question boxes with the program's exact texts and the buttons given, in that order.
class TQuestions {
public:
    virtual ~TQuestions() = default;
    // Shown modally; answers one of the buttons offered.
    virtual TAnswer Ask(const std::string &caption, const std::string &text,
                        const std::vector<TAnswer> &buttons) = 0;
};

// What the overwrite question shows: the incoming file ("送り側") against the existing one
// ("受け側"). Sizes and dates come already formatted.
struct TOverwriteQuestion {
    std::string FileName;     // the incoming file's Name
    std::string IncomingPath; // its local path, for the large type icon
    std::string IncomingSize;
    std::string IncomingDate;
    std::string ExistingSize;
    std::string ExistingDate;
};

// The copy progress window: on top, not modal, no system buttons. Its "Cancel" button sets
// the copy engine's CancelRequested flag (fileops/fileOP.h); the engine looks at it after
// each file.
class TCopyWindow {
public:
    virtual ~TCopyWindow() = default;
    virtual void Open() = 0;
    virtual void SetCaption(const std::string &caption) = 0;
    // The icon is the large type icon of the file at iconPath; the three text lines are
    // shown as given. The bar returns to 0.
    virtual void SetHeader(const std::string &iconPath, const std::string &nameLine,
                           const std::string &sourceLine, const std::string &targetLine) = 0;
    // The bar runs from 0 to maximum; Step advances it by count.
    virtual void SetRange(int64_t maximum) = 0;
    virtual void Step(int64_t count) = 0;
    virtual void Close() = 0;
};

// Dialogs and services of copying and deleting.
class TFileOpDialogs {
public:
    virtual ~TFileOpDialogs() = default;
    // The modal dialog "ファイルの上書き"; answers Yes, No, All or Cancel.
    virtual TAnswer AskOverwrite(const TOverwriteQuestion &question) = 0;
    // The progress window of a copy batch (one at a time); owned by the implementation and
    // valid until its Close.
    virtual TCopyWindow &CopyWindow() = 0;
    // Deleting that the user can undo: one confirmation question, then the paths go to the
    // desktop's trash. The user may refuse; callers look at the disk afterwards.
    virtual void MoveToTrash(const std::vector<std::string> &paths) = 0;
};

namespace seam {
TMessages &Messages();
TProgress &Progress();
TShell &Shell();
TItemDialogs &Dialogs();
TNotifier &Notifier();
TQuestions &Questions();
TFileOpDialogs &FileOpDialogs();

// Install an implementation (nullptr restores the quiet default). Not owned.
void SetMessages(TMessages *impl);
void SetProgress(TProgress *impl);
void SetShell(TShell *impl);
void SetDialogs(TItemDialogs *impl);
void SetNotifier(TNotifier *impl);
void SetQuestions(TQuestions *impl);
void SetFileOpDialogs(TFileOpDialogs *impl);

// The progress contract of the loaders: failures inside the four operations are swallowed.
void SetStatusText(const std::string &text) noexcept;
void StartProgress(int64_t minimum, int64_t maximum) noexcept;
void StepProgress(int64_t count) noexcept;
void ResetProgress() noexcept;
void ProcessEvents() noexcept;
} // namespace seam
