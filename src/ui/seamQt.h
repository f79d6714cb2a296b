#pragma once
// The Qt side of the desktop seam: message and question boxes, the status panel of the main
// window's explorer pane with a throttled event-loop turn, file types and icons from the
// desktop's MIME database, the item dialogs, the item-changed notification posted to every
// open window, the overwrite question, the copy progress window and the trash.
#include <QElapsedTimer>
#include <QEvent>
#include <QHash>
#include <QPointer>
#include <memory>

#include "items/tree.h"
#include "platform/seam.h"

class QWidget;
class TExplorer;
class TFileOpWindow;

// The item-changed notification as it reaches a window: posted, so it is handled after the
// command that caused it has returned. The item may be gone by then; resolve before use.
class TItemChangedEvent final : public QEvent {
public:
    explicit TItemChangedEvent(const TItemRef &item) : QEvent(Kind()), Item(item) {}
    static QEvent::Type Kind();
    TItemRef Item;
};

// Windows that handle the item-changed notification (main, folder and file list windows).
// A window registers itself when it is created; it is forgotten when destroyed.
void RegisterItemWindow(QWidget *window);
// How many windows receive the notification now.
int ItemWindowCount();

// While one lives, the event-loop turns of the core (loading, refreshing) repaint the windows
// but hold back mouse and keyboard input: a command started in the middle would destroy or
// file items under the loader. A running copy still takes input (its Cancel button).
class TInputHold {
public:
    TInputHold();
    ~TInputHold();
    TInputHold(const TInputHold &) = delete;
    TInputHold &operator=(const TInputHold &) = delete;
    static bool Active();
};

// The texts of the question buttons.
QString AnswerCaption(TAnswer answer);

class TQtDesktop final : public TMessages,
                         public TProgress,
                         public TShell,
                         public TItemDialogs,
                         public TNotifier,
                         public TQuestions,
                         public TFileOpDialogs {
public:
    // Installs itself as every part of the seam; the destructor restores the quiet defaults.
    TQtDesktop();
    ~TQtDesktop() override;
    TQtDesktop(const TQtDesktop &) = delete;
    TQtDesktop &operator=(const TQtDesktop &) = delete;

    // The pane whose status panel shows the loaders' texts and progress (the main window's).
    void SetStatusPane(TExplorer *pane);

    void ErrorBox(const std::string &text) override;
    void WarningBox(const std::string &text) override;

    void SetStatusText(const std::string &text) override;
    void StartProgress(int64_t minimum, int64_t maximum) override;
    void StepProgress(int64_t count) override;
    void ResetProgress() override;
    // Processes pending events at most once every 15 ms.
    void ProcessEvents() override;

    TTypeInfo FileTypeInfo(const std::string &path) override;
    std::string ProgramIcon(const std::string &path) override;
    bool OpenDocument(const std::string &document) override;
    bool StartProgram(const std::string &program, const std::string &argument) override;

    bool ShowCabinetProperties(TCabinet &cabinet) override;
    void ShowDirProperties(TDir &dir) override;
    void ShowFileProperties(TFile &file) override;

    void ItemChanged(const TItemRef &item) override;

    TAnswer Ask(const std::string &caption, const std::string &text,
                const std::vector<TAnswer> &buttons) override;

    TAnswer AskOverwrite(const TOverwriteQuestion &question) override;
    TCopyWindow &CopyWindow() override;
    void MoveToTrash(const std::vector<std::string> &paths) override;

private:
    QPointer<TExplorer> pane;
    QElapsedTimer sinceEvents;
    std::unique_ptr<TFileOpWindow> copyWindow;
    QHash<QString, QString> programIcons;
};
