#pragma once
// Recording fakes of the desktop seam for the core tests. A TFakeDesktop installs itself on
// construction and restores the quiet defaults on destruction.
#include <cstdint>
#include <deque>
#include <functional>
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
                           public TNotifier,
                           public TQuestions,
                           public TFileOpDialogs,
                           public TCopyWindow {
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
    // Documents opened and programs started, in order: "open: DOCUMENT" and
    // "start: PROGRAM | ARGUMENT"; each answers StartAnswer.
    std::vector<std::string> Started;
    bool StartAnswer = true;
    bool OpenDocument(const std::string &document) override {
        Started.push_back("open: " + document);
        return StartAnswer;
    }
    bool StartProgram(const std::string &program, const std::string &argument) override {
        Started.push_back("start: " + program + " | " + argument);
        return StartAnswer;
    }
    bool ShowCabinetProperties(TCabinet &cabinet) override;
    void ShowDirProperties(TDir &dir) override;
    void ShowFileProperties(TFile &file) override;
    void ItemChanged(const TItemRef &item) override { Changed.push_back(item); }

    // Questions and overwrite questions take their answers from NextAnswers, first to last;
    // when it is empty they answer DefaultAnswer. Each question is recorded in Asked as
    // "question: TEXT" or "overwrite: NAME IN-SIZE IN-DATE | EX-SIZE EX-DATE".
    std::deque<TAnswer> NextAnswers;
    TAnswer DefaultAnswer = TAnswer::No;
    std::vector<std::string> Asked;
    TAnswer Ask(const std::string &caption, const std::string &text,
                const std::vector<TAnswer> &buttons) override;
    TAnswer AskOverwrite(const TOverwriteQuestion &question) override;

    // The copy window: "open", "caption:TEXT", "header:NAME|SOURCE|TARGET", "range:N",
    // "close" in order; bar steps are summed in WindowSteps (and counted in StepCalls).
    std::vector<std::string> WindowLog;
    int64_t WindowSteps = 0;
    int StepCalls = 0;
    int Headers = 0;
    // Called after each header is shown with its number (1-based): a test presses Cancel
    // here.
    std::function<void(int)> OnHeader;
    TCopyWindow &CopyWindow() override { return *this; }
    void Open() override { WindowLog.push_back("open"); }
    void SetCaption(const std::string &caption) override {
        WindowLog.push_back("caption:" + caption);
    }
    void SetHeader(const std::string &iconPath, const std::string &nameLine,
                   const std::string &sourceLine, const std::string &targetLine) override;
    void SetRange(int64_t maximum) override {
        WindowLog.push_back("range:" + std::to_string(maximum));
    }
    void Step(int64_t count) override {
        WindowSteps += count;
        ++StepCalls;
    }
    void Close() override { WindowLog.push_back("close"); }

    // Paths handed to the trash, in order. With TrashAccepts they are really removed.
    std::vector<std::string> Trashed;
    bool TrashAccepts = false;
    void MoveToTrash(const std::vector<std::string> &paths) override;
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
    // What every copy answers (false: as if the file could not be written).
    bool CopyResult = true;
    bool CopyFileData(TFile &source, TFile &target) override;
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
