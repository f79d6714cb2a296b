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

TQuietMessages quietMessages;
TQuietProgress quietProgress;
TQuietShell quietShell;
TQuietDialogs quietDialogs;
TQuietNotifier quietNotifier;

TMessages *messages = &quietMessages;
TProgress *progress = &quietProgress;
TShell *shell = &quietShell;
TItemDialogs *dialogs = &quietDialogs;
TNotifier *notifier = &quietNotifier;
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
