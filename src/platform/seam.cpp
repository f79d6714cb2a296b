#include "platform/seam.h"

namespace {
class TQuietMessages final : public TMessages {
public:
    void ErrorBox(const std::string &) override {}
    void WarningBox(const std::string &) override {}
};
class TQuietProgress final : public TProgress {
public:
    void SetStatusText(const std::string &) override {}
    void StartProgress(int64_t, int64_t) override {}
    void StepProgress(int64_t) override {}
    void ResetProgress() override {}
    void ProcessEvents() override {}
};
class TQuietShell final : public TShell {
public:
    TTypeInfo FileTypeInfo(const std::string &) override { return {}; }
    std::string ProgramIcon(const std::string &) override { return {}; }
    bool OpenDocument(const std::string &) override { return false; }
    bool StartProgram(const std::string &, const std::string &) override { return false; }
};
class TQuietDialogs final : public TItemDialogs {
public:
    bool ShowCabinetProperties(TCabinet &) override { return false; }
    void ShowDirProperties(TDir &) override {}
    void ShowFileProperties(TFile &) override {}
};
class TQuietNotifier final : public TNotifier {
public:
    void ItemChanged(const TItemRef &) override {}
};

// Without a desktop nobody can answer: Cancel when offered, else No, else the last button.
class TQuietQuestions final : public TQuestions {
public:
    TAnswer Ask(const std::string &, const std::string &,
                const std::vector<TAnswer> &buttons) override {
        for (TAnswer wanted : {TAnswer::Cancel, TAnswer::No})
            for (TAnswer offered : buttons)
                if (offered == wanted)
                    return wanted;
        return buttons.empty() ? TAnswer::Cancel : buttons.back();
    }
};
class TQuietCopyWindow final : public TCopyWindow {
public:
    void Open() override {}
    void SetCaption(const std::string &) override {}
    void SetHeader(const std::string &, const std::string &, const std::string &,
                   const std::string &) override {}
    void SetRange(int64_t) override {}
    void Step(int64_t) override {}
    void Close() override {}
};
// Existing files are kept, and nothing is moved to a trash nobody could open.
class TQuietFileOpDialogs final : public TFileOpDialogs {
public:
    TAnswer AskOverwrite(const TOverwriteQuestion &) override { return TAnswer::No; }
    TCopyWindow &CopyWindow() override { return window; }
    void MoveToTrash(const std::vector<std::string> &) override {}

private:
    TQuietCopyWindow window;
};

TQuietMessages quietMessages;
TQuietQuestions quietQuestions;
TQuietFileOpDialogs quietFileOpDialogs;
TQuietProgress quietProgress;
TQuietShell quietShell;
TQuietDialogs quietDialogs;
TQuietNotifier quietNotifier;

TMessages *messages = &quietMessages;
TProgress *progress = &quietProgress;
TShell *shell = &quietShell;
TItemDialogs *dialogs = &quietDialogs;
TNotifier *notifier = &quietNotifier;
TQuestions *questions = &quietQuestions;
TFileOpDialogs *fileOpDialogs = &quietFileOpDialogs;
} // namespace

namespace seam {
TMessages &Messages() {
    return *messages;
}
TProgress &Progress() {
    return *progress;
}
TShell &Shell() {
    return *shell;
}
TItemDialogs &Dialogs() {
    return *dialogs;
}
TNotifier &Notifier() {
    return *notifier;
}
TQuestions &Questions() {
    return *questions;
}
TFileOpDialogs &FileOpDialogs() {
    return *fileOpDialogs;
}

void SetMessages(TMessages *impl) {
    messages = impl ? impl : &quietMessages;
}
void SetProgress(TProgress *impl) {
    progress = impl ? impl : &quietProgress;
}
void SetShell(TShell *impl) {
    shell = impl ? impl : &quietShell;
}
void SetDialogs(TItemDialogs *impl) {
    dialogs = impl ? impl : &quietDialogs;
}
void SetNotifier(TNotifier *impl) {
    notifier = impl ? impl : &quietNotifier;
}
void SetQuestions(TQuestions *impl) {
    questions = impl ? impl : &quietQuestions;
}
void SetFileOpDialogs(TFileOpDialogs *impl) {
    fileOpDialogs = impl ? impl : &quietFileOpDialogs;
}

void SetStatusText(const std::string &text) noexcept {
    try {
        progress->SetStatusText(text);
    } catch (...) {
    }
}
void StartProgress(int64_t minimum, int64_t maximum) noexcept {
    try {
        progress->StartProgress(minimum, maximum);
    } catch (...) {
    }
}
void StepProgress(int64_t count) noexcept {
    try {
        progress->StepProgress(count);
    } catch (...) {
    }
}
void ResetProgress() noexcept {
    try {
        progress->ResetProgress();
    } catch (...) {
    }
}
void ProcessEvents() noexcept {
    try {
        progress->ProcessEvents();
    } catch (...) {
    }
}
} // namespace seam
