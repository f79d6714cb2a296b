#include "ui/detail.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QShortcut>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "config/settings.h"
#include "fileops/dde.h"
#include "items/clip.h"
#include "items/file.h"
#include "ui/clipForm.h"
#include "ui/common.h"
#include "ui/explor.h"
#include "ui/help.h"
#include "ui/icons.h"
#include "ui/itemModel.h"
#include "ui/seamQt.h"
#include "ui/tools.h"
#include "ui/windowParts.h"

using namespace Qt::StringLiterals;

std::function<void(TTree &)> FolderWindowOpenList;
std::function<void(TFile &)> FolderWindowOpenLinkCheck;

namespace {
constexpr int HintDelay = 1000;
constexpr int TreeWidth = 150;
constexpr int RetryDelay = 200;

bool IsFolder(const TTree *item) {
    return item && item->IsFolder();
}

bool IsHtmlFile(const TTree *item) {
    return item && item->IsFile() && IsHtml(*static_cast<const TFile *>(item));
}

// Posted by the window to itself each time it becomes active.
QEvent::Type CheckItemKind() {
    static const auto kind = static_cast<QEvent::Type>(QEvent::registerEventType());
    return kind;
}
} // namespace

TFormDetail::TFormDetail(TTree &folder) : QMainWindow(nullptr), m_item(&folder) {
    setObjectName(u"TFormDetail"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    // The main window alone decides when the program ends.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowIcon(ProgramIconPicture());
    setWindowTitle(u"TR - "_s +
                   FromBytes(folder.IsCabinet() ? folder.GetCabinetName() : folder.GetURL()));
    resize(498, 300);
    PlaceBesideMain(this);

    hintTimer = new QTimer(this);
    hintTimer->setObjectName(u"HintTimer"_s);
    hintTimer->setSingleShot(true);
    hintTimer->setInterval(HintDelay);
    connect(hintTimer, &QTimer::timeout, this, [this] {
        hintTimer->stop();
        m_explorer->RestoreStatusText();
    });

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);
    BuildMenus();
    BuildToolbar();
    layout->addWidget(pTool);

    m_explorer = new TExplorer(central, TreeWidth);
    layout->addWidget(m_explorer, 1);
    m_explorer->SetViewStyle(3);
    if (QAbstractButton *button = m_styleButtons->button(3))
        button->setChecked(true);
    pTool->setVisible(Settings().ToolBar);
    m_explorer->SetStatusVisible(Settings().StatusBar);
    BuildToolButtons();

    RegisterItemWindow(this);
    // The program ends with the main window, and every folder window with it.
    if (QWidget *main = MainWindow()) {
        main->installEventFilter(this);
        connect(main, &QObject::destroyed, this, [this] { delete this; });
    }
}

TFormDetail::~TFormDetail() {
    if (m_explorer)
        m_explorer->StopTimers();
}

void TFormDetail::BuildMenus() {
    QMenuBar *bar = menuBar();
    bar->setObjectName(u"MainMenu"_s);

    mFile = bar->addMenu(Text("ファイル (&F)"));
    mFile->setObjectName(u"mFile"_s);
    QMenu *newMenu = mFile->addMenu(Text("新規作成 (&N)"));
    newMenu->setObjectName(u"mFileNew"_s);
    newMenu->menuAction()->setObjectName(u"mFileNew"_s);
    newMenu->menuAction()->setStatusTip(Text("新しいオブジェクトを作成します。"));
    connect(AddMenuAction(this, newMenu, "mFileNewDir", "フォルダ",
                          "この場所に新しいフォルダを作ります。"),
            &QAction::triggered, this, &TFormDetail::mFileNewDirClick);
    mFile->addSeparator();
    connect(AddMenuAction(this, mFile, "mFileBrowse", "開く (&O)",
                          "指定フォルダを新しいウィンドウで開きます。"),
            &QAction::triggered, this, &TFormDetail::mFileBrowseClick);
    connect(
        AddMenuAction(this, mFile, "mFileDelete", "削除 (&D)", "指定オブジェクトを削除します。"),
        &QAction::triggered, this, &TFormDetail::mFileDeleteClick);
    connect(AddMenuAction(this, mFile, "mFileRename", "名前の変更 (&M)",
                          "指定オブジェクトの名前を変更します。"),
            &QAction::triggered, this, &TFormDetail::mFileRenameClick);
    connect(AddMenuAction(this, mFile, "mFileProperty", "プロパティ (&R)",
                          "指定オブジェクトのプロパティを表示します。"),
            &QAction::triggered, this, &TFormDetail::mFilePropertyClick);
    mFile->addSeparator();
    connect(AddMenuAction(this, mFile, "mFileExit", "閉じる (&C)", "このウィンドウを閉じます。"),
            &QAction::triggered, this, &TFormDetail::mFileExitClick);

    mEdit = bar->addMenu(Text("編集 (&E)"));
    mEdit->setObjectName(u"mEdit"_s);
    connect(AddMenuAction(this, mEdit, "mEditCut", "切り取り (&T)",
                          "指定オブジェクトをクリップボードに切り取ります。"),
            &QAction::triggered, this, &TFormDetail::mEditCutClick);
    connect(AddMenuAction(this, mEdit, "mEditCopy", "コピー (&C)",
                          "指定オブジェクトをクリップボードにコピーします。"),
            &QAction::triggered, this, &TFormDetail::mEditCopyClick);
    connect(AddMenuAction(this, mEdit, "mEditPaste", "貼り付け (&P)",
                          "クリップボードの内容を指定オブジェクトに貼り付けます。"),
            &QAction::triggered, this, &TFormDetail::mEditPasteClick);
    connect(AddMenuAction(this, mEdit, "mEditClip", "クリップボードの内容 (&V)",
                          "現在のクリップボードの内容を表示します。"),
            &QAction::triggered, this, &TFormDetail::mEditClipClick);
    mEdit->addSeparator();
    connect(AddMenuAction(this, mEdit, "mEditList", "一覧  (&B)",
                          "指定フォルダの内容を一覧表示します。"),
            &QAction::triggered, this, &TFormDetail::mEditListClick);
    connect(AddMenuAction(this, mEdit, "mEditLink", "リンクチェック (&L)",
                          "指定Ｈｔｍｌファイルのリンク先を一覧表示します。"),
            &QAction::triggered, this, &TFormDetail::mEditLinkClick);
    mEdit->addSeparator();
    connect(AddMenuAction(this, mEdit, "mEditAll", "すべてを選択 (&A)",
                          "すべてのオブジェクトを選択状態にします。"),
            &QAction::triggered, this, &TFormDetail::mEditAllClick);
    connect(mEdit, &QMenu::aboutToShow, this, &TFormDetail::mEditClick);

    mView = bar->addMenu(Text("表示 (&V)"));
    mView->setObjectName(u"mView"_s);
    QAction *toolBar = AddMenuAction(this, mView, "mViewTool", "ツールバー (&T)",
                                     "ツールバーの表示・非表示を切り替えます。");
    toolBar->setCheckable(true);
    connect(toolBar, &QAction::triggered, this, &TFormDetail::mViewToolClick);
    QAction *statusBar = AddMenuAction(this, mView, "mViewStatus", "ステータスバー (&S)",
                                       "ステータスバーの表示・非表示を切り替えます。");
    statusBar->setCheckable(true);
    connect(statusBar, &QAction::triggered, this, &TFormDetail::mViewStatusClick);
    mView->addSeparator();
    m_styleActions = new QActionGroup(this);
    m_styleActions->setExclusive(true);
    static const char *const styleNames[] = {"mViewLargeIcon", "mViewSmallIcon", "mViewList",
                                             "mViewReport"};
    static const char *const styleCaptions[] = {"大きいアイコン (&G)", "小さいアイコン (&M)",
                                                "一覧  (&L)", "詳細 (&D)"};
    static const char *const styleHints[] = {"大きいアイコンで表示します。",
                                             "小さいアイコンで表示します。", "一覧表示します。",
                                             "詳細表示します。"};
    for (int style = 0; style < 4; ++style) {
        QAction *entry =
            AddMenuAction(this, mView, styleNames[style], styleCaptions[style], styleHints[style]);
        entry->setCheckable(true);
        m_styleActions->addAction(entry);
        connect(entry, &QAction::triggered, this, [this, style] { mViewStyleClick(style, true); });
    }
    connect(mView, &QMenu::aboutToShow, this, &TFormDetail::mViewClick);

    mTool = bar->addMenu(Text("ツール (&T)"));
    mTool->setObjectName(u"mTool"_s);

    mHelp = bar->addMenu(Text("ヘルプ (&H)"));
    mHelp->setObjectName(u"mHelp"_s);
    connect(AddMenuAction(this, mHelp, "mHelpIndex", "もくじ", "ヘルプの目次を表示します。"),
            &QAction::triggered, this, &TFormDetail::mHelpIndexClick);
    // F1 opens the page about this window.
    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [] { ShowHelpTopic(67); });

    pmMenu = new QMenu(this);
    pmMenu->setObjectName(u"pmMenu"_s);
    connect(AddMenuAction(this, pmMenu, "pmOpen", "開く (&O)",
                          "指定フォルダを別ウィンドウで開きます。"),
            &QAction::triggered, this, &TFormDetail::mFileBrowseClick);
    pmMenu->addSeparator();
    pmTool = pmMenu->addMenu(Text("ツール"));
    pmTool->setObjectName(u"pmTool"_s);
    pmTool->menuAction()->setObjectName(u"pmTool"_s);
    pmMenu->addSeparator();
    connect(AddMenuAction(this, pmMenu, "pmCopy", "コピー (&C)",
                          "指定オブジェクトをクリップボードにコピーします。"),
            &QAction::triggered, this, &TFormDetail::mEditCopyClick);
    connect(AddMenuAction(this, pmMenu, "pmCut", "切り取り (&T)",
                          "指定オブジェクトをクリップボードに切り取ります。"),
            &QAction::triggered, this, &TFormDetail::mEditCutClick);
    connect(AddMenuAction(this, pmMenu, "pmPaste", "貼り付け (&P)",
                          "クリップボードの内容を指定オブジェクトに貼り付けます。"),
            &QAction::triggered, this, &TFormDetail::mEditPasteClick);
    connect(
        AddMenuAction(this, pmMenu, "pmList", "一覧 (&B)", "指定フォルダの内容を一覧表示します。"),
        &QAction::triggered, this, &TFormDetail::mEditListClick);
    connect(AddMenuAction(this, pmMenu, "pmLink", "リンクチェック (&L)",
                          "指定Ｈｔｍｌファイルのリンク先をチェックします。"),
            &QAction::triggered, this, &TFormDetail::mEditLinkClick);
    pmMenu->addSeparator();
    connect(AddMenuAction(this, pmMenu, "pmDelete", "削除 (&D)", "指定オブジェクトを削除します。"),
            &QAction::triggered, this, &TFormDetail::mFileDeleteClick);
    connect(AddMenuAction(this, pmMenu, "pmRename", "名前の変更 (&M)",
                          "指定オブジェクトの名前を変更します。"),
            &QAction::triggered, this, &TFormDetail::mFileRenameClick);
    pmMenu->addSeparator();
    connect(AddMenuAction(this, pmMenu, "pmProperty", "プロパティ (&R)",
                          "指定オブジェクトのプロパティを表示します。"),
            &QAction::triggered, this, &TFormDetail::mFilePropertyClick);
    connect(pmMenu, &QMenu::aboutToShow, this, &TFormDetail::pmMenuPopup);

    // The keys of the pane's commands work wherever the focus is in the window.
    AddWindowShortcuts(this, {{"mEditCut", QKeySequence::Cut},
                              {"mEditCopy", QKeySequence::Copy},
                              {"mEditPaste", QKeySequence::Paste},
                              {"mEditAll", QKeySequence::SelectAll},
                              {"mFileDelete", QKeySequence::Delete},
                              {"mFileRename", QKeySequence(Qt::Key_F2)},
                              {"mFileProperty", QKeySequence(Qt::ALT | Qt::Key_Return)}});
}

void TFormDetail::BuildToolbar() {
    pTool = new QWidget(centralWidget());
    pTool->setObjectName(u"PTool"_s);
    pTool->setFixedHeight(30);
    auto *row = new QHBoxLayout(pTool);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto *pToolFix = new QWidget(pTool);
    pToolFix->setObjectName(u"PToolFix"_s);
    pToolFix->setFixedWidth(225);
    pToolMove = new QWidget(pTool);
    pToolMove->setObjectName(u"PToolMove"_s);
    row->addWidget(pToolFix);
    row->addWidget(pToolMove, 1);

    // The pictures are those of the main window's buttons with the same command.
    struct TButton {
        const char *Name;
        int X;
        const char *Tip;
        const char *Picture;
    };
    static const TButton buttons[] = {
        {"SBtn1", 2, "別ウィンドウで開く", "SBtn2"},
        {"SBtn2", 32, "切り取り", "SBtn3"},
        {"SBtn3", 58, "コピー", "SBtn4"},
        {"SBtn4", 84, "貼り付け", "SBtn5"},
        {"SBtn5", 114, "大きいアイコン", "SBtn6"},
        {"SBtn6", 140, "小さいアイコン", "SBtn7"},
        {"SBtn7", 166, "一覧表示", "SBtn8"},
        {"SBtn8", 192, "詳細表示", "SBtn9"},
    };
    m_styleButtons = new QButtonGroup(this);
    m_styleButtons->setExclusive(true);
    for (int i = 0; i < 8; ++i) {
        auto *button = new QToolButton(pToolFix);
        button->setObjectName(QString::fromLatin1(buttons[i].Name));
        button->setGeometry(buttons[i].X, 3, 24, 24);
        button->setIcon(ToolbarIcon(QString::fromLatin1(buttons[i].Picture)));
        button->setIconSize(QSize(18, 18));
        button->setToolTip(Text(buttons[i].Tip));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        if (i >= 4) {
            button->setCheckable(true);
            m_styleButtons->addButton(button, i - 4);
        }
    }
    auto find = [this](const char *name) {
        return findChild<QToolButton *>(QString::fromLatin1(name));
    };
    connect(find("SBtn1"), &QToolButton::clicked, this, &TFormDetail::mFileBrowseClick);
    connect(find("SBtn2"), &QToolButton::clicked, this, &TFormDetail::mEditCutClick);
    connect(find("SBtn3"), &QToolButton::clicked, this, &TFormDetail::mEditCopyClick);
    connect(find("SBtn4"), &QToolButton::clicked, this, &TFormDetail::mEditPasteClick);
    connect(m_styleButtons, &QButtonGroup::idClicked, this,
            [this](int style) { mViewStyleClick(style, false); });
}

void TFormDetail::BuildToolButtons() {
    TToolRunner run = [this](const std::string &program) { ExecTool(program); };
    AddToolButtons(pToolMove, ToolList(), run);
    AddToolMenus(mTool, ToolList(), run);
    AddToolMenus(pmTool, ToolList(), run);
}

// ---- events ----

bool TFormDetail::event(QEvent *event) {
    if (event->type() == TItemChangedEvent::Kind()) {
        if (!m_closing) {
            m_explorer->ItemChanged(static_cast<TItemChangedEvent *>(event)->Item);
            if (!m_item)
                QCoreApplication::postEvent(this, new QEvent(CheckItemKind()));
        }
        return true;
    }
    if (event->type() == CheckItemKind()) {
        CheckItem();
        return true;
    }
    if (event->type() == QEvent::StatusTip) {
        DisplayHint(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QMainWindow::event(event);
}

bool TFormDetail::eventFilter(QObject *watched, QEvent *event) {
    // The main window hidden by closing it (not minimised): the program is ending.
    if (watched == MainWindow() && event->type() == QEvent::Hide && !event->spontaneous() &&
        !static_cast<QWidget *>(watched)->isVisible())
        close();
    return QMainWindow::eventFilter(watched, event);
}

void TFormDetail::FormActivate() {
    if (m_closing)
        return;
    BuildToolButtons();
    update();
    QCoreApplication::postEvent(this, new QEvent(CheckItemKind()));
}

bool TFormDetail::Busy() {
    return BatchRunning() || TInputHold::Active() || QApplication::activeModalWidget();
}

void TFormDetail::CheckItem() {
    if (m_closing || m_item)
        return;
    // Closing under a dialog or a copy would delete the window beneath a command that runs.
    if (Busy()) {
        QTimer::singleShot(RetryDelay, this, &TFormDetail::CheckItem);
        return;
    }
    m_closing = true;
    QPointer<TFormDetail> alive(this);
    seam::Messages().ErrorBox("対象が削除されたので表示を終了します。");
    if (alive)
        close();
}

void TFormDetail::DisplayHint(const QString &text) {
    hintTimer->stop();
    m_explorer->SetStatusText(text);
    hintTimer->start();
}

void TFormDetail::closeEvent(QCloseEvent *event) {
    // A running copy or load holds items and may have begun in this window.
    if (BatchRunning() || TInputHold::Active()) {
        event->ignore();
        return;
    }
    hintTimer->stop();
    m_explorer->StopTimers();
    event->accept();
}

void TFormDetail::contextMenuEvent(QContextMenuEvent *event) {
    pmMenu->popup(event->globalPos());
}

// ---- enabling rules ----

void TFormDetail::mEditClick() {
    TTree *selected = m_explorer->GetSelectedItem();
    bool clip = ItemClip().Count() > 0;
    auto set = [this](const char *name, bool on) {
        findChild<QAction *>(QString::fromLatin1(name))->setEnabled(on);
    };
    set("mEditPaste", clip);
    set("mEditClip", clip);
    set("mEditCopy", selected != nullptr);
    set("mEditCut", selected != nullptr);
    set("mEditAll", selected != nullptr);
    set("mEditList", IsFolder(selected));
    set("mEditLink", IsHtmlFile(selected));
}

void TFormDetail::mViewClick() {
    findChild<QAction *>(u"mViewTool"_s)->setChecked(!pTool->isHidden());
    findChild<QAction *>(u"mViewStatus"_s)->setChecked(m_explorer->GetStatusVisible());
    m_styleActions->actions().at(m_explorer->GetViewStyle())->setChecked(true);
}

void TFormDetail::pmMenuPopup() {
    TTree *selected = m_explorer->GetSelectedItem();
    for (QAction *action : pmMenu->actions())
        if (!action->isSeparator())
            action->setEnabled(false);
    auto set = [this](const char *name, bool on) {
        findChild<QAction *>(QString::fromLatin1(name))->setEnabled(on);
    };
    if (selected) {
        for (const char *name : {"pmCopy", "pmCut", "pmDelete", "pmRename", "pmProperty"})
            set(name, true);
        if (selected->IsFile()) {
            pmTool->menuAction()->setEnabled(true);
            set("pmLink", IsHtmlFile(selected));
        } else {
            set("pmOpen", true);
            set("pmList", true);
        }
    }
    set("pmPaste", ItemClip().Count() > 0);
}

// ---- commands ----

void TFormDetail::mFileNewDirClick() {
    m_explorer->NewFolder();
}

void TFormDetail::mFileBrowseClick() {
    TTree *selected = m_explorer->GetSelectedItem();
    if (IsFolder(selected))
        OpenFolderWindow(*selected);
}

void TFormDetail::mFileDeleteClick() {
    m_explorer->DeleteSelection();
}

void TFormDetail::mFileRenameClick() {
    m_explorer->RenameSelection();
}

void TFormDetail::mFilePropertyClick() {
    m_explorer->PropertiesOfSelection();
}

void TFormDetail::mFileExitClick() {
    close();
}

void TFormDetail::mEditCutClick() {
    m_explorer->CutSelection();
}

void TFormDetail::mEditCopyClick() {
    m_explorer->CopySelection();
}

void TFormDetail::mEditPasteClick() {
    m_explorer->PasteIntoSelection();
}

void TFormDetail::mEditClipClick() {
    ShowClipDialog(ItemClip());
}

void TFormDetail::mEditListClick() {
    TTree *selected = m_explorer->GetSelectedItem();
    if (IsFolder(selected) && FolderWindowOpenList)
        FolderWindowOpenList(*selected);
}

void TFormDetail::mEditLinkClick() {
    TTree *selected = m_explorer->GetSelectedItem();
    if (IsHtmlFile(selected) && FolderWindowOpenLinkCheck)
        FolderWindowOpenLinkCheck(*static_cast<TFile *>(selected));
}

void TFormDetail::mEditAllClick() {
    m_explorer->SelectAll();
}

void TFormDetail::mViewToolClick() {
    pTool->setVisible(pTool->isHidden());
}

void TFormDetail::mViewStatusClick() {
    m_explorer->SetStatusVisible(!m_explorer->GetStatusVisible());
}

void TFormDetail::mViewStyleClick(int style, bool fromMenu) {
    m_explorer->SetViewStyle(style);
    if (fromMenu)
        if (QAbstractButton *button = m_styleButtons->button(style))
            button->setChecked(true);
}

void TFormDetail::ExecTool(const std::string &program) {
    std::string path = m_explorer->GetSelectedFilePath();
    if (!path.empty())
        RunTool(program, path);
}

void TFormDetail::mHelpIndexClick() {
    ShowHelpContents();
}

// ---- opening ----

TFormDetail *OpenFolderWindow(TTree &folder) {
    if (!folder.IsFolder())
        return nullptr;
    auto *window = new TFormDetail(folder);
    window->show();
    window->Explorer()->AddCabinet(folder);
    window->Explorer()->SelectItem(&folder);
    return window;
}
