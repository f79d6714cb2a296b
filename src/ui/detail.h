#pragma once
// The folder window: one cabinet or folder in a window of its own, in an explorer pane like the
// main window's but rooted at that item. The user opens it with "開く" on a folder or cabinet,
// from the main window or from another folder window, and may keep several open at once. Each
// has its own taskbar entry, works on the same item tree and clipboards as the main window,
// follows the changes made in any window and closes itself when its item is destroyed.
#include <QMainWindow>
#include <functional>
#include <string>

#include "items/tree.h"

class QAction;
class QActionGroup;
class QButtonGroup;
class QMenu;
class QTimer;
class TExplorer;
class TFile;

class TFormDetail final : public QMainWindow {
    Q_OBJECT
public:
    // A top-level window without a parent (its own taskbar entry), deleted when it closes.
    // folder must be a cabinet or a folder. Use OpenFolderWindow to open one for the user.
    explicit TFormDetail(TTree &folder);
    ~TFormDetail() override;

    // The item shown; nullptr once it has been destroyed.
    TTree *Item() const { return m_item.Get(); }
    TExplorer *Explorer() const { return m_explorer; }
    QMenu *ContextMenu() const { return pmMenu; }

    // The commands.
    void mFileNewDirClick();
    void mFileBrowseClick();
    void mFileDeleteClick();
    void mFileRenameClick();
    void mFilePropertyClick();
    void mFileExitClick();
    void mEditCutClick();
    void mEditCopyClick();
    void mEditPasteClick();
    void mEditClipClick();
    void mEditListClick();
    void mEditLinkClick();
    void mEditAllClick();
    void mViewToolClick();
    void mViewStatusClick();
    void mViewStyleClick(int style, bool fromMenu);
    void ExecTool(const std::string &program);
    void mHelpIndexClick();

    // The enabling rules, run each time a menu opens.
    void mEditClick();
    void mViewClick();
    void pmMenuPopup();

    // What happens each time the window becomes active: the tool buttons and tool entries are
    // made again from the tool list, and a check of the item is posted to the window.
    void FormActivate();
    // Closes the window, after saying why, when its item no longer exists. While a dialog,
    // a copy or a load is under way the check is repeated a little later instead.
    void CheckItem();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void BuildMenus();
    void BuildToolbar();
    void BuildToolButtons();
    void DisplayHint(const QString &text);

    // Busy: a dialog, a copy or a load runs, and a window deleted now could be under it.
    static bool Busy();

    TItemRef m_item;
    bool m_closing = false;
    TExplorer *m_explorer = nullptr;
    QButtonGroup *m_styleButtons = nullptr;
    QActionGroup *m_styleActions = nullptr;
    QTimer *hintTimer = nullptr;
    QWidget *pTool = nullptr;
    QWidget *pToolMove = nullptr;
    QMenu *mFile = nullptr;
    QMenu *mEdit = nullptr;
    QMenu *mView = nullptr;
    QMenu *mTool = nullptr;
    QMenu *mHelp = nullptr;
    QMenu *pmMenu = nullptr;
    QMenu *pmTool = nullptr;
};

// Opens a folder window for a cabinet or folder: shown beside the main window, its caption
// "TR - " and the cabinet's name or the folder's address, the item its pane's only top node,
// selected and shown. nullptr for a file. The window belongs to the application.
TFormDetail *OpenFolderWindow(TTree &folder);

// The file list window of a folder and the link check window of an HTML file, as the folder
// windows open them. They do nothing until the program points them at those windows.
extern std::function<void(TTree &)> FolderWindowOpenList;
extern std::function<void(TFile &)> FolderWindowOpenLinkCheck;
