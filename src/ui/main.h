#pragma once
// The main window: the program. Creating it builds every long-lived object in a fixed order
// (settings, cabinets, tools, clipboards, file-type database, explorer pane) and loads every
// registered cabinet; closing it saves the cabinets' own index files, the settings and the
// browsers' cache modes, and tears everything down in a fixed order. Every command of the
// program is reached from its menu bar, its toolbar or its context menu.
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>

#include "config/browserMode.h"
#include "config/persist.h"
#include "config/tools.h"
#include "items/cab.h"
#include "items/fileDB.h"
#include "ui/seamQt.h"

class QAction;
class QActionGroup;
class QButtonGroup;
class QMenu;
class QTimer;
class QToolButton;
class TExplorer;

class TMainForm final : public QMainWindow {
    Q_OBJECT
public:
    // Runs the steps of creation up to showing the window. With the erase switch as the first
    // argument only the switch is noted (Uninstalling) and nothing is read.
    TMainForm(const QStringList &arguments, const std::string &programPath);
    ~TMainForm() override;

    // Shows the window, loads every registered cabinet into the tree and shows the first.
    void Start();
    // What happens when the window is destroyed: the settings written and the browsers' modes
    // restored (or, after the erase switch, the settings erased), then everything torn down.
    // Runs once; the destructor calls it when nobody did.
    void FormDestroy();

    bool Uninstalling() const { return uninstalling; }
    TExplorer *Explorer() const { return explorer; }
    TCabinetRoot &Cabinets() { return root; }
    TTools &Tools() { return tools; }
    int TempCount() const { return tempCount; }

    // The commands.
    void mFileNewCabinetClick();
    void mFileNewFolderClick();
    void mFileAutoClick();
    void mFileFindClick();
    void mFileOpenClick();
    void mFileWarcClick();
    void mFileCloseClick();
    void mFileBrowseClick();
    void mFileDelClick();
    void mFileRenameClick();
    void mFilePropertyClick();
    void mFileExitClick();
    void mEditCutClick();
    void mEditCopyClick();
    void mEditPasteClick();
    void mEditClipClick();
    void mEditListClick();
    void mEditLinkClick();
    void mEditALLClick();
    void mViewToolClick();
    void mViewStatusClick();
    void mViewStyleClick(int style, bool fromMenu);
    void mViewNewClick();
    void mViewOptionClick();
    void mToolAddClick();
    void ExecTool(const std::string &program);
    void mHelpIndexClick();
    void mHelpAboutClick();

    // The enabling rules, run each time a menu opens.
    void mFileClick();
    void mEditClick();
    void mViewClick();
    void pmMenuPopup();
    QMenu *ContextMenu() const { return pmMenu; }

    // Called when the window has closed (the program then ends).
    std::function<void()> Closed;

    // The folder the select-folder dialog answers in tests (empty: the real dialog runs).
    std::function<bool(std::string &folder, int helpTopic)> SelectFolder;
    // The WARC file the save dialog answers in tests (empty: the real dialog runs).
    std::function<bool(std::string &path)> AskSaveFile;

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void BuildMenus();
    void BuildToolbar();
    void BuildToolButtons();
    void DisplayHint(const QString &text);
    void ApplyPlacement(bool placementRead);
    void StorePlacement();
    void LoadAndShow(const std::vector<TCabinet *> &cabinets);
    void RunRefresh();
    bool AskFolder(std::string &folder, int helpTopic);

    bool uninstalling = false;
    bool destroyed = false;
    bool refreshPending = false;
    bool cancelOnClose = false;
    int tempCount = 1;
    std::string programPath;
    TConfigStore store;
    TBrowserMode browserMode;
    TCabinetRoot root;
    TFileDb fileDb;
    TTools tools;
    std::unique_ptr<TQtDesktop> desktop;
    TExplorer *explorer = nullptr;
    QTimer *hintTimer = nullptr;
    QWidget *panelBase = nullptr;
    QWidget *panelTool = nullptr;
    QButtonGroup *styleButtons = nullptr;
    QMenu *mFile = nullptr;
    QMenu *mEdit = nullptr;
    QMenu *mView = nullptr;
    QMenu *mTool = nullptr;
    QMenu *mHelp = nullptr;
    QMenu *pmMenu = nullptr;
    QMenu *pmTool = nullptr;
    QActionGroup *styleActions = nullptr;
};

// The program: one instance per user, the main window and the event loop.
int RunTrawler(int argc, char **argv);
