#pragma once
// Recording fakes of the desktop seam for the core tests. A TFakeDesktop installs itself on
// construction and restores the quiet defaults on destruction.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "items/copySeam.h"
#include "items/tree.h"
#include "platform/seam.h"

class TFakeDesktop final : public TMessages,
                           public TProgress,
                           public TShell,
                           public TItemDialogs,
                           public TNotifier {
public:
    TFakeDesktop();
    ~TFakeDesktop() override;

    // Messages in order, as "error: TEXT" or "warning: TEXT".
    std::vector<std::string> Shown;
    // Progress calls in order: "status:TEXT", "start:MIN:MAX", "step:N", "reset", and the sum
    // of every step since the last start.
    std::vector<std::string> ProgressLog;
    int64_t Stepped = 0;
    int EventTurns = 0;
    // Type information per extension (with the dot, any case); unknown ones get
    // TypeName "EXT file" and icon "icon-ext".
    std::map<std::string, TTypeInfo> Types;
    int TypeQueries = 0;
    std::vector<std::string> ProgramIconQueries;
    std::vector<TItemRef> Changed;
    bool CabinetDialogAnswer = false;
    std::vector<std::string> DialogsShown;

    void ErrorBox(const std::string &text) override { Shown.push_back("error: " + text); }
    void WarningBox(const std::string &text) override { Shown.push_back("warning: " + text); }
    void SetStatusText(const std::string &text) override {
        ProgressLog.push_back("status:" + text);
    }
    void StartProgress(int64_t minimum, int64_t maximum) override;
    void StepProgress(int64_t count) override;
    void ResetProgress() override { ProgressLog.push_back("reset"); }
    void ProcessEvents() override { ++EventTurns; }
    TTypeInfo FileTypeInfo(const std::string &path) override;
    std::string ProgramIcon(const std::string &path) override;
    bool ShowCabinetProperties(TCabinet &cabinet) override;
    void ShowDirProperties(TDir &dir) override;
    void ShowFileProperties(TFile &file) override;
    void ItemChanged(const TItemRef &item) override { Changed.push_back(item); }
};

// A copy engine that records what it is asked and answers overwrite questions as told.
class TFakeCopyEngine final : public TCopyEngine {
public:
    TFakeCopyEngine();
    ~TFakeCopyEngine() override;
    std::vector<std::string> Copies; // "SOURCE-URL -> TARGET-LOCAL-PATH"
    std::vector<std::string> Questions;
    bool OverwriteAnswer = false;
    // Throw TAbort on the copy with this number (1-based); 0 = never.
    int AbortAt = 0;
    void CopyFileData(TFile &source, TFile &target) override;
    bool OverwriteCheck(TFile &source, TFile &existing) override;
};

// A fresh folder below the system's temporary folder, removed with its contents at the end.
class TTempFolder {
public:
    TTempFolder();
    ~TTempFolder();
    const std::string &Path() const { return path; } // ends with "/"
    // Writes a file (creating parent folders) below the folder; returns its full path.
    std::string Write(const std::string &relative, const std::string &bytes) const;

private:
    std::string path;
};
