#pragma once
// What the window tests share: a private registry file and runtime folder, the demo
// cabinets, a stand-in that answers message and question boxes, and screenshots.
#include <QString>
#include <QTemporaryDir>
#include <deque>
#include <string>
#include <vector>

#include "platform/seam.h"

class QWidget;

// A temporary folder holding the registry file that TRAWLER_REGISTRY names for the test.
class TUiFixture {
public:
    TUiFixture();
    ~TUiFixture();
    QString Folder() const { return dir.path(); }
    QString RegistryPath() const { return dir.path() + QStringLiteral("/registry.reg"); }
    // Copies the demo caches into the folder and registers them in the registry file.
    void UseDemoCabinets();
    // The registry file's text.
    std::string RegistryText() const;

private:
    QTemporaryDir dir;
    QByteArray previousRegistry;
};

// Answers boxes instead of a person while it lives: every box is recorded as
// "error: TEXT", "warning: TEXT" or "question: TEXT"; questions take NextAnswers first to
// last, then DefaultAnswer. The cabinet property dialog is answered by CabinetAnswer.
// Overwrite questions are answered by OverwriteAnswer and recorded as "overwrite: NAME"; the
// copy window and the trash stay the program's own.
class TBoxAnswers final : public TMessages,
                          public TQuestions,
                          public TItemDialogs,
                          public TFileOpDialogs {
public:
    TBoxAnswers();
    ~TBoxAnswers() override;
    std::vector<std::string> Shown;
    std::deque<TAnswer> NextAnswers;
    TAnswer DefaultAnswer = TAnswer::Yes;
    bool CabinetAnswer = true;
    std::vector<std::string> Dialogs;

    void ErrorBox(const std::string &text) override { Shown.push_back("error: " + text); }
    void WarningBox(const std::string &text) override { Shown.push_back("warning: " + text); }
    TAnswer Ask(const std::string &caption, const std::string &text,
                const std::vector<TAnswer> &buttons) override;
    bool ShowCabinetProperties(TCabinet &cabinet) override;
    void ShowDirProperties(TDir &dir) override;
    void ShowFileProperties(TFile &file) override;
    TAnswer OverwriteAnswer = TAnswer::No;
    TAnswer AskOverwrite(const TOverwriteQuestion &question) override;
    TCopyWindow &CopyWindow() override { return previousFileOps->CopyWindow(); }
    void MoveToTrash(const std::vector<std::string> &paths) override {
        previousFileOps->MoveToTrash(paths);
    }

private:
    TMessages *previousMessages;
    TQuestions *previousQuestions;
    TItemDialogs *previousDialogs;
    TFileOpDialogs *previousFileOps;
};

// Saves a picture of the widget as NAME.png in the screenshot folder of the build.
void SaveScreenshot(QWidget *widget, const QString &name);
// The test program's environment: the runtime folder exists and is private.
void PrepareUiEnvironment();
