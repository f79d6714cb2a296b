#include "ui/main.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLocale>
#include <QLockFile>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QStatusTipEvent>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <unistd.h>

#include "config/detect.h"
#include "config/registry.h"
#include "config/settings.h"
#include "fileops/dde.h"
#include "fileops/fileOP.h"
#include "items/clip.h"
#include "items/file.h"
#include "platform/datetime.h"
#include "platform/error.h"
#include "platform/fs.h"
#include "platform/program.h"
#include "stores/cache.h"
#include "ui/clipForm.h"
#include "ui/common.h"
#include "ui/detail.h"
#include "ui/diskTools.h"
#include "ui/explor.h"
#include "ui/fileList.h"
#include "ui/help.h"
#include "ui/icons.h"
#include "ui/itemModel.h"
#include "ui/linkForm.h"
#include "ui/opt.h"
#include "ui/selFolder.h"
#include "ui/tools.h"
#include "ui/windowParts.h"

using namespace Qt::StringLiterals;

namespace {
constexpr int HintDelay = 1000;

// A command that needs the selection to fit does nothing otherwise.
bool IsFolder(const TTree *item) {
    return item && item->IsFolder();
}

bool IsHtmlFile(const TTree *item) {
    return item && item->IsFile() && IsHtml(*static_cast<const TFile *>(item));
}

class THourglass {
public:
    THourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~THourglass() { QApplication::restoreOverrideCursor(); }
    THourglass(const THourglass &) = delete;
    THourglass &operator=(const THourglass &) = delete;
};

std::string CurrentFolder() {
    return ToBytes(QDir::currentPath());
}
} // namespace

TMainForm::TMainForm(const QStringList &arguments, const std::string &programFile)
    : programPath(programFile) {
    setObjectName(u"TMainForm"_s);
    setWindowTitle(u"Trawler"_s);
    setWindowIcon(ProgramIconPicture());
    SetMainWindow(this);
    SetFileDb(&fileDb);
    SetCabinets(&root);
    SetToolList(&tools);
    RegisterItemWindow(this);
    FolderWindowOpenList = [](TTree &folder) { OpenFileList(folder); };
    FolderWindowOpenLinkCheck = [](TFile &page) { OpenLinkCheck(page); };

    // The program folder holds the pictures that converted pages refer to.
    SetProgramFolder(ToBytes(QFileInfo(QString::fromStdString(programPath)).absolutePath()));
    if (arguments.size() > 1 && IsEraseSwitch(ToBytes(arguments.at(1)))) {
        uninstalling = true;
        return;
    }
    ResetTimeZoneBias();
    browserMode = TBrowserMode{};
    tempCount = 1;
    desktop = std::make_unique<TQtDesktop>();
    InstallCopyEngine();

    TReadResult read = store.ReadRegistry(tools, root, programPath);
    {
        TRegistry registry(store.RegistryPath());
        SetBrowserMode(registry, browserMode);
    }

    hintTimer = new QTimer(this);
    hintTimer->setObjectName(u"HintTimer"_s);
    hintTimer->setSingleShot(true);
    hintTimer->setInterval(HintDelay);
    connect(hintTimer, &QTimer::timeout, this, [this] {
        hintTimer->stop();
        if (explorer)
            explorer->RestoreStatusText();
    });

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);
    BuildMenus();
    BuildToolbar();
    layout->addWidget(panelBase);
    BuildToolButtons();

    explorer = new TExplorer(central, Settings().Split);
    layout->addWidget(explorer, 1);
    desktop->SetStatusPane(explorer);
    explorer->SetViewStyle(Settings().ViewStyle);
    if (QAbstractButton *button = styleButtons->button(explorer->GetViewStyle()))
        button->setChecked(true);
    panelBase->setVisible(Settings().ToolBar);
    explorer->SetStatusVisible(Settings().StatusBar);
    ApplyPlacement(read.PlacementRead);

    // The program becomes active: a minimised main window comes back.
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive && isMinimized())
                    showNormal();
            });
}

TMainForm::~TMainForm() {
    FormDestroy();
}

void TMainForm::ApplyPlacement(bool placementRead) {
    const TWindowPlacement &p = Settings().Placement;
    int width = p.Right - p.Left;
    int height = p.Bottom - p.Top;
    if (placementRead && width >= 100 && height >= 80) {
        QRect wanted(p.Left, p.Top, width, height);
        // A placement from another screen layout is pulled back onto this one.
        if (QScreen *screen = QGuiApplication::screenAt(wanted.center()); !screen)
            wanted.moveTopLeft(QPoint(239, 94));
        setGeometry(wanted);
        if (p.ShowCmd == 3)
            setWindowState(Qt::WindowMaximized);
    } else {
        setGeometry(239, 94, 545, 348);
    }
}

void TMainForm::StorePlacement() {
    TWindowPlacement &p = Settings().Placement;
    QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    p.Left = normal.left();
    p.Top = normal.top();
    p.Right = normal.left() + normal.width();
    p.Bottom = normal.top() + normal.height();
    p.ShowCmd = isMaximized() ? 3 : isMinimized() ? 2 : 1;
}

void TMainForm::BuildMenus() {
    QMenuBar *bar = menuBar();
    bar->setObjectName(u"MainMenu"_s);

    mFile = bar->addMenu(Text("ファイル (&F)"));
    mFile->setObjectName(u"mFile"_s);
    QMenu *newMenu = mFile->addMenu(Text("新規作成 (&N)"));
    newMenu->setObjectName(u"mFileNew"_s);
    newMenu->menuAction()->setObjectName(u"mFileNew"_s);
    newMenu->menuAction()->setStatusTip(Text("新しいオブジェクトを作ります。"));
    connect(AddMenuAction(this, newMenu, "mFileNewCabinet", "キャビネット (&C)",
                          "新しいキャビネットを作ります。"),
            &QAction::triggered, this, &TMainForm::mFileNewCabinetClick);
    connect(AddMenuAction(this, newMenu, "mFileNewFolder", "フォルダ (&F)",
                          "この場所に新しいフォルダを作ります。"),
            &QAction::triggered, this, &TMainForm::mFileNewFolderClick);
    connect(AddMenuAction(this, mFile, "mFileAuto", "キャッシュの自動検出",
                          "キャッシュを検索し、新しいキャビネットに登録します。"),
            &QAction::triggered, this, &TMainForm::mFileAutoClick);
    connect(AddMenuAction(
                this, mFile, "mFileFind", "キャッシュの検索 (&S)...",
                "指定フォルダの下にあるキャッシュをすべて探し、一時キャビネットとして開きます。"),
            &QAction::triggered, this, &TMainForm::mFileFindClick);
    mFile->addSeparator();
    connect(AddMenuAction(this, mFile, "mFileOpen", "キャッシュを開く (&O)",
                          "一時キャビネットとして指定されたキャッシュを開きます。"),
            &QAction::triggered, this, &TMainForm::mFileOpenClick);
    connect(AddMenuAction(this, mFile, "mFileClose", "キャッシュを閉じる (&C)",
                          "指定された一時キャビネット閉じます。"),
            &QAction::triggered, this, &TMainForm::mFileCloseClick);
    connect(AddMenuAction(this, mFile, "mFileWarc", "WARC 形式で書き出す (&W)...",
                          "指定オブジェクトの下のファイルを WARC ファイルに書き出します。"),
            &QAction::triggered, this, &TMainForm::mFileWarcClick);
    mFile->addSeparator();
    connect(AddMenuAction(this, mFile, "mFileBrowse", "開く (&B)",
                          "指定フォルダを別のウィンドウで開きます。"),
            &QAction::triggered, this, &TMainForm::mFileBrowseClick);
    connect(AddMenuAction(this, mFile, "mFileDel", "削除 (&D)", "指定オブジェクトを削除します。"),
            &QAction::triggered, this, &TMainForm::mFileDelClick);
    connect(AddMenuAction(this, mFile, "mFileRename", "名前の変更 (&M)",
                          "指定オブジェクトの名前を変更します。"),
            &QAction::triggered, this, &TMainForm::mFileRenameClick);
    connect(AddMenuAction(this, mFile, "mFileProperty", "プロパティ (&R)",
                          "指定オブジェクトのプロパティを表示します。"),
            &QAction::triggered, this, &TMainForm::mFilePropertyClick);
    mFile->addSeparator();
    connect(AddMenuAction(this, mFile, "mFileExit", "終了 (&X)", "トローラーを終了します。"),
            &QAction::triggered, this, &TMainForm::mFileExitClick);
    connect(mFile, &QMenu::aboutToShow, this, &TMainForm::mFileClick);

    mEdit = bar->addMenu(Text("編集 (&E)"));
    mEdit->setObjectName(u"mEdit"_s);
    connect(AddMenuAction(this, mEdit, "mEditCut", "切り取り (&T)",
                          "指定されたオブジェクトをクリップボードに切り取ります。"),
            &QAction::triggered, this, &TMainForm::mEditCutClick);
    connect(AddMenuAction(this, mEdit, "mEditCopy", "コピー (&C)",
                          "指定されたオブジェクトをクリップボードにコピーします。"),
            &QAction::triggered, this, &TMainForm::mEditCopyClick);
    connect(AddMenuAction(this, mEdit, "mEditPaste", "貼り付け (&P)",
                          "クリップボードの内容を指定された項目に貼り付けます。"),
            &QAction::triggered, this, &TMainForm::mEditPasteClick);
    connect(AddMenuAction(this, mEdit, "mEditClip", "クリップボードの内容 (&V)",
                          "現在のクリップボードの内容を表示します。"),
            &QAction::triggered, this, &TMainForm::mEditClipClick);
    mEdit->addSeparator();
    connect(AddMenuAction(this, mEdit, "mEditLink", "リンクチェック (&B)",
                          "指定Htmlファイルのリンク先を一覧表示します。"),
            &QAction::triggered, this, &TMainForm::mEditLinkClick);
    connect(AddMenuAction(this, mEdit, "mEditList", "一覧 (&L)",
                          "指定フォルダの内容を一覧表示します。"),
            &QAction::triggered, this, &TMainForm::mEditListClick);
    mEdit->addSeparator();
    connect(AddMenuAction(this, mEdit, "mEditALL", "すべて選択 (&A)",
                          "すべてのオブジェクトを選択状態にします。"),
            &QAction::triggered, this, &TMainForm::mEditALLClick);
    connect(mEdit, &QMenu::aboutToShow, this, &TMainForm::mEditClick);

    mView = bar->addMenu(Text("表示 (&V)"));
    mView->setObjectName(u"mView"_s);
    QAction *toolBar = AddMenuAction(this, mView, "mViewTool", "ツールバー (&T)",
                                     "ツールバーの表示・非表示を切り替えます。");
    toolBar->setCheckable(true);
    connect(toolBar, &QAction::triggered, this, &TMainForm::mViewToolClick);
    QAction *statusBar = AddMenuAction(this, mView, "mViewStatus", "ステータスバー (&B)",
                                       "ステータスバーの表示・非表示を切り替えます。");
    statusBar->setCheckable(true);
    connect(statusBar, &QAction::triggered, this, &TMainForm::mViewStatusClick);
    mView->addSeparator();
    styleActions = new QActionGroup(this);
    styleActions->setExclusive(true);
    static const char *const styleNames[] = {"mViewLargeIcon", "mViewSmallIcon", "mViewList",
                                             "mViewReport"};
    static const char *const styleCaptions[] = {"大きいアイコン &G)", "小さいアイコン (&M)",
                                                "一覧 (&L)", "詳細 (&D)"};
    static const char *const styleHints[] = {"大きいアイコンで表示します。",
                                             "小さいアイコンで表示します。", "一覧表示します。",
                                             "詳細表示します。"};
    for (int style = 0; style < 4; ++style) {
        QAction *entry =
            AddMenuAction(this, mView, styleNames[style], styleCaptions[style], styleHints[style]);
        entry->setCheckable(true);
        styleActions->addAction(entry);
        connect(entry, &QAction::triggered, this, [this, style] { mViewStyleClick(style, true); });
    }
    mView->addSeparator();
    QAction *refresh = AddMenuAction(this, mView, "mViewNew", "最新の情報に更新 (&R)",
                                     "データを最新の状態にします。");
    refresh->setShortcut(QKeySequence(Qt::Key_F5));
    connect(refresh, &QAction::triggered, this, &TMainForm::mViewNewClick);
    connect(AddMenuAction(this, mView, "mViewOption", "オプション (&O)",
                          "トローラーの設定を変更します。"),
            &QAction::triggered, this, &TMainForm::mViewOptionClick);
    connect(mView, &QMenu::aboutToShow, this, &TMainForm::mViewClick);

    mTool = bar->addMenu(Text("ツール (&T)"));
    mTool->setObjectName(u"mTool"_s);
    connect(AddMenuAction(this, mTool, "mToolAdd", "ツールの登録 (&A)",
                          "トローラーで利用するツールを登録します。"),
            &QAction::triggered, this, &TMainForm::mToolAddClick);
    mTool->addSeparator();

    mHelp = bar->addMenu(Text("ヘルプ (&H)"));
    mHelp->setObjectName(u"mHelp"_s);
    connect(AddMenuAction(this, mHelp, "mHelpIndex", "もくじ (&I)", "ヘルプのもくじを表示します。"),
            &QAction::triggered, this, &TMainForm::mHelpIndexClick);
    // F1 opens the page about this window.
    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [] { ShowHelpTopic(67); });
    mHelp->addSeparator();
    connect(AddMenuAction(this, mHelp, "mHelpAbout", "バージョン情報 (&A)",
                          "トローラーのバージョンを表示します。"),
            &QAction::triggered, this, &TMainForm::mHelpAboutClick);

    pmMenu = new QMenu(this);
    pmMenu->setObjectName(u"pmMenu"_s);
    connect(AddMenuAction(this, pmMenu, "pmOpen", "開く (&O)",
                          "指定フォルダを別ウィンドウで開きます。"),
            &QAction::triggered, this, &TMainForm::mFileBrowseClick);
    pmMenu->addSeparator();
    pmTool = pmMenu->addMenu(Text("ツール"));
    pmTool->setObjectName(u"pmTool"_s);
    pmTool->menuAction()->setObjectName(u"pmTool"_s);
    pmMenu->addSeparator();
    connect(AddMenuAction(this, pmMenu, "pmCopy", "コピー (&C)",
                          "指定オブジェクトをクリップボードにコピーします。"),
            &QAction::triggered, this, &TMainForm::mEditCopyClick);
    connect(AddMenuAction(this, pmMenu, "pmCut", "切り取り (&T)",
                          "指定オブジェクトをクリップボードに切り取ります。"),
            &QAction::triggered, this, &TMainForm::mEditCutClick);
    connect(AddMenuAction(this, pmMenu, "pmPaste", "貼り付け (&P)",
                          "クリップボードの内容を指定位置に貼り付けます。"),
            &QAction::triggered, this, &TMainForm::mEditPasteClick);
    connect(
        AddMenuAction(this, pmMenu, "pmList", "一覧 (&L)", "指定フォルダの内容を一覧表示します。"),
        &QAction::triggered, this, &TMainForm::mEditListClick);
    connect(AddMenuAction(this, pmMenu, "pmLink", "リンクチェック (&B)",
                          "指定Htmlファイルのリンク先をチェックします。"),
            &QAction::triggered, this, &TMainForm::mEditLinkClick);
    connect(AddMenuAction(this, pmMenu, "pmWarc", "WARC 形式で書き出す (&W)...",
                          "指定オブジェクトの下のファイルを WARC ファイルに書き出します。"),
            &QAction::triggered, this, &TMainForm::mFileWarcClick);
    pmMenu->addSeparator();
    connect(AddMenuAction(this, pmMenu, "pmDelete", "削除 (&D)", "指定オブジェクトを削除します。"),
            &QAction::triggered, this, &TMainForm::mFileDelClick);
    connect(AddMenuAction(this, pmMenu, "pmRename", "名前の変更 (&M)",
                          "指定オブジェクトの名前を変更します。"),
            &QAction::triggered, this, &TMainForm::mFileRenameClick);
    pmMenu->addSeparator();
    connect(AddMenuAction(this, pmMenu, "pmProperty", "プロパティ (&R)",
                          "指定オブジェクトのプロパティを表示します。"),
            &QAction::triggered, this, &TMainForm::mFilePropertyClick);
    connect(pmMenu, &QMenu::aboutToShow, this, &TMainForm::pmMenuPopup);
    // A popped-up menu is a window of its own, so the hint of a highlighted entry is handed
    // to the status panel here rather than through the parent chain.
    for (QMenu *menu : {mFile, newMenu, mEdit, mView, mTool, mHelp, pmMenu, pmTool})
        connect(menu, &QMenu::hovered, this,
                [this](QAction *action) { DisplayHint(action->statusTip()); });

    // The keys of the pane's commands work wherever the focus is in the window.
    AddWindowShortcuts(this, {{"mEditCut", QKeySequence::Cut},
                              {"mEditCopy", QKeySequence::Copy},
                              {"mEditPaste", QKeySequence::Paste},
                              {"mEditALL", QKeySequence::SelectAll},
                              {"mFileDel", QKeySequence::Delete},
                              {"mFileRename", QKeySequence(Qt::Key_F2)},
                              {"mFileProperty", QKeySequence(Qt::ALT | Qt::Key_Return)}});
}

void TMainForm::BuildToolbar() {
    panelBase = new QWidget(centralWidget());
    panelBase->setObjectName(u"PanelBase"_s);
    panelBase->setFixedHeight(28);
    auto *row = new QHBoxLayout(panelBase);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto *panelL = new QWidget(panelBase);
    panelL->setObjectName(u"PanelL"_s);
    panelL->setFixedWidth(250);
    panelTool = new QWidget(panelBase);
    panelTool->setObjectName(u"PanelTool"_s);
    row->addWidget(panelL);
    row->addWidget(panelTool, 1);

    struct TButton {
        const char *Name;
        int X;
        const char *Tip;
    };
    static const TButton buttons[] = {
        {"SBtn1", 2, "キャッシュを開く"}, {"SBtn2", 32, "別「ウィンドウで開く"},
        {"SBtn3", 62, "切り取り"},        {"SBtn4", 88, "コピー"},
        {"SBtn5", 113, "貼り付け"},       {"SBtn6", 144, "大きいアイコン"},
        {"SBtn7", 170, "小さいアイコン"}, {"SBtn8", 196, "一覧表示"},
        {"SBtn9", 222, "詳細示"},
    };
    styleButtons = new QButtonGroup(this);
    styleButtons->setExclusive(true);
    for (int i = 0; i < 9; ++i) {
        auto *button = new QToolButton(panelL);
        QString name = QString::fromLatin1(buttons[i].Name);
        button->setObjectName(name);
        button->setGeometry(buttons[i].X, 3, 24, 24);
        button->setIcon(ToolbarIcon(name));
        button->setIconSize(QSize(18, 18));
        button->setToolTip(Text(buttons[i].Tip));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        if (i >= 5) {
            button->setCheckable(true);
            styleButtons->addButton(button, i - 5);
        }
    }
    auto find = [this](const char *name) {
        return findChild<QToolButton *>(QString::fromLatin1(name));
    };
    connect(find("SBtn1"), &QToolButton::clicked, this, &TMainForm::mFileOpenClick);
    connect(find("SBtn2"), &QToolButton::clicked, this, &TMainForm::mFileBrowseClick);
    connect(find("SBtn3"), &QToolButton::clicked, this, &TMainForm::mEditCutClick);
    connect(find("SBtn4"), &QToolButton::clicked, this, &TMainForm::mEditCopyClick);
    connect(find("SBtn5"), &QToolButton::clicked, this, &TMainForm::mEditPasteClick);
    connect(styleButtons, &QButtonGroup::idClicked, this,
            [this](int style) { mViewStyleClick(style, false); });
}

void TMainForm::BuildToolButtons() {
    TToolRunner run = [this](const std::string &program) { ExecTool(program); };
    AddToolButtons(panelTool, tools, run);
    AddToolMenus(mTool, tools, run);
    AddToolMenus(pmTool, tools, run);
}

void TMainForm::Start() {
    show();
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (uninstalling)
        return;
    std::vector<TCabinet *> cabinets;
    for (const auto &cabinet : root.Cabinets())
        cabinets.push_back(cabinet.get());
    LoadAndShow(cabinets);
}

void TMainForm::LoadAndShow(const std::vector<TCabinet *> &cabinets) {
    THourglass hourglass;
    TInputHold hold;
    std::vector<TItemRef> loaded;
    for (TCabinet *cabinet : cabinets)
        loaded.emplace_back(cabinet);
    for (const TItemRef &ref : loaded) {
        auto *cabinet = static_cast<TCabinet *>(ref.Get());
        if (!cabinet)
            continue;
        LoadCabinet(*cabinet);
        if (ref.Get())
            explorer->AddCabinet(*cabinet);
    }
    explorer->SelectItem(loaded.empty() ? nullptr : loaded.front().Get());
}

void TMainForm::FormDestroy() {
    if (destroyed)
        return;
    destroyed = true;
    if (hintTimer)
        hintTimer->stop();
    if (uninstalling) {
        store.EraseRegistry();
        return;
    }
    if (explorer) {
        Settings().ViewStyle = explorer->GetViewStyle();
        Settings().Split = explorer->GetTreeWidth();
    }
    StorePlacement();
    try {
        store.WriteRegistry(tools, root);
    } catch (const TError &error) {
        seam::Messages().ErrorBox(error.what());
    }
    try {
        TRegistry registry(store.RegistryPath());
        ResetBrowserMode(registry, browserMode);
    } catch (const TError &error) {
        seam::Messages().ErrorBox(error.what());
    }
    delete explorer;
    explorer = nullptr;
    ItemClip().Clear(ClipEmpty);
    DragClip().Clear(ClipEmpty);
    AddedFiles().Clear(ClipAdded);
    tools.Clear();
    root.Clear();
    SetFileDb(nullptr);
    SetCabinets(nullptr);
    SetToolList(nullptr);
}

bool TMainForm::event(QEvent *event) {
    if (event->type() == TItemChangedEvent::Kind()) {
        if (explorer)
            explorer->ItemChanged(static_cast<TItemChangedEvent *>(event)->Item);
        return true;
    }
    if (event->type() == QEvent::StatusTip) {
        DisplayHint(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TMainForm::DisplayHint(const QString &text) {
    if (!explorer || !hintTimer)
        return;
    hintTimer->stop();
    explorer->SetStatusText(text);
    hintTimer->start();
}

void TMainForm::closeEvent(QCloseEvent *event) {
    // A running copy or load holds items that closing would destroy.
    if (BatchRunning() || TInputHold::Active()) {
        event->ignore();
        return;
    }
    // A search or export that the user may stop is stopped first.
    if (TCancelHold::Active()) {
        cancelOnClose = true;
        event->ignore();
        return;
    }
    {
        THourglass hourglass;
        const auto &cabinets = root.Cabinets();
        for (auto cabinet = cabinets.rbegin(); cabinet != cabinets.rend(); ++cabinet)
            UpdateCabinetIndex(**cabinet);
        if (explorer)
            explorer->StopTimers();
    }
    event->accept();
    if (Closed)
        Closed();
}

void TMainForm::contextMenuEvent(QContextMenuEvent *event) {
    pmMenu->popup(event->globalPos());
}

// ---- enabling rules ----

void TMainForm::mFileClick() {
    TTree *item = explorer->GetSelectedItem();
    auto set = [this](const char *name, bool on) {
        findChild<QAction *>(QString::fromLatin1(name))->setEnabled(on);
    };
    set("mFileBrowse", item && !item->IsFile());
    set("mFileDel", item != nullptr);
    set("mFileProperty", item != nullptr);
    set("mFileRename", item != nullptr);
    set("mFileWarc", item != nullptr);
}

void TMainForm::mEditClick() {
    TTree *item = explorer->GetSelectedItem();
    bool clip = ItemClip().Count() > 0;
    auto set = [this](const char *name, bool on) {
        findChild<QAction *>(QString::fromLatin1(name))->setEnabled(on);
    };
    set("mEditPaste", clip);
    set("mEditClip", clip);
    set("mEditCopy", item != nullptr);
    set("mEditCut", item != nullptr);
    set("mEditALL", item != nullptr);
    set("mEditList", item && !item->IsFile());
    set("mEditLink", IsHtmlFile(item));
}

void TMainForm::mViewClick() {
    findChild<QAction *>(u"mViewTool"_s)->setChecked(!panelBase->isHidden());
    findChild<QAction *>(u"mViewStatus"_s)->setChecked(explorer->GetStatusVisible());
    styleActions->actions().at(explorer->GetViewStyle())->setChecked(true);
}

void TMainForm::pmMenuPopup() {
    TTree *item = explorer->GetSelectedItem();
    for (QAction *action : pmMenu->actions())
        if (!action->isSeparator())
            action->setEnabled(false);
    auto set = [this](const char *name, bool on) {
        findChild<QAction *>(QString::fromLatin1(name))->setEnabled(on);
    };
    if (item) {
        for (const char *name : {"pmCopy", "pmCut", "pmDelete", "pmRename", "pmProperty", "pmWarc"})
            set(name, true);
        if (item->IsFile()) {
            pmTool->menuAction()->setEnabled(true);
            set("pmLink", IsHtmlFile(item));
        } else {
            set("pmOpen", true);
            set("pmList", true);
        }
    }
    set("pmPaste", ItemClip().Count() > 0);
}

// ---- commands ----

bool TMainForm::AskFolder(std::string &folder, int helpTopic) {
    if (SelectFolder)
        return SelectFolder(folder, helpTopic);
    return ExecuteSelectFolder(this, folder, helpTopic);
}

void TMainForm::mFileNewCabinetClick() {
    explorer->SetStatusText(Text("新しいキャビネットにするフォルダを指定してください。"));
    std::string folder = CurrentFolder();
    if (!AskFolder(folder, 81))
        return;
    TCabinet *cabinet = root.AddCabinet(KindUnknown, folder, "新規キャビネット");
    if (!cabinet->ShowProperties()) {
        root.RemoveCabinet(cabinet);
        return;
    }
    LoadAndShow({cabinet});
}

void TMainForm::mFileNewFolderClick() {
    explorer->NewFolder();
}

void TMainForm::mFileAutoClick() {
    {
        TRegistry registry(store.RegistryPath());
        DetectBrowserCaches(registry, root);
    }
    std::vector<TCabinet *> unread;
    for (const auto &cabinet : root.Cabinets())
        if (!cabinet->IndexRead)
            unread.push_back(cabinet.get());
    if (!unread.empty())
        LoadAndShow(unread);
}

void TMainForm::mFileFindClick() {
    if (explorer->HeldBack() || TCancelHold::Active())
        return;
    explorer->SetStatusText(Text("キャッシュを探すフォルダを指定してください。"));
    std::string folder = CurrentFolder();
    if (!AskFolder(folder, 1001))
        return;
    std::vector<TFoundStore> found;
    int warnings = 0;
    int opened = 0;
    int registered = 0;
    bool stopped = false;
    std::vector<TItemRef> shown;
    {
        TCancelHold hold(*explorer);
        cancelOnClose = false;
        stopped = !SearchStores(*explorer, hold, folder, found, warnings);
        for (const TFoundStore &store : found) {
            if (stopped || hold.Cancelled() || cancelOnClose) {
                stopped = true;
                break;
            }
            if (FindCabinetByPath(root, store.Folder)) {
                ++registered;
                continue;
            }
            TCabinet *cabinet =
                root.AddCabinet(store.Kind, store.Folder, FoundStoreName(store.Folder));
            cabinet->MakeTemporary();
            TItemRef ref(cabinet);
            LoadCabinet(*cabinet);
            if (!ref.Get())
                continue;
            explorer->AddCabinet(*cabinet);
            shown.push_back(ref);
            ++opened;
        }
    }
    QString text = Text("%1 個のキャッシュを一時キャビネットとして開きました。").arg(opened);
    if (registered > 0)
        text += Text("（登録済み %1 個）").arg(registered);
    if (warnings > 0)
        text += Text("（警告 %1 件）").arg(warnings);
    if (stopped)
        text += Text("（中止しました）");
    explorer->SetStatusText(text);
    if (!shown.empty() && shown.front().Get())
        explorer->SelectItem(shown.front().Get());
    if (found.empty() && !stopped)
        seam::Messages().WarningBox("指定フォルダの下にキャッシュは見つかりませんでした。");
    if (cancelOnClose)
        close();
}

void TMainForm::mFileWarcClick() {
    if (explorer->HeldBack() || TCancelHold::Active())
        return;
    std::vector<TTree *> items = explorer->SelectedItems();
    if (items.empty())
        return;
    QString suggested = QDir::home().filePath(FromBytes(items.front()->Name()) + u".warc.gz"_s);
    std::string path;
    if (AskSaveFile) {
        if (!AskSaveFile(path))
            return;
    } else {
        QString chosen = QFileDialog::getSaveFileName(this, Text("WARC ファイルの保存"), suggested,
                                                      Text("WARC ファイル (*.warc.gz)"));
        if (chosen.isEmpty())
            return;
        path = ToBytes(chosen);
    }
    ExportItemsAsWarc(*explorer, items, path);
}

void TMainForm::mFileOpenClick() {
    explorer->SetStatusText(Text("一時キャビネットにするフォルダを指定してください。"));
    std::string folder = CurrentFolder();
    if (!AskFolder(folder, 74))
        return;
    TCabinet *cabinet =
        root.AddCabinet(KindUnknown, folder, "一時キャビネット" + std::to_string(tempCount));
    ++tempCount;
    cabinet->MakeTemporary();
    LoadAndShow({cabinet});
}

void TMainForm::mFileCloseClick() {
    if (explorer->HeldBack())
        return;
    if (TCabinet *cabinet = explorer->CloseTemporary()) {
        root.RemoveCabinet(cabinet);
        return;
    }
    seam::Messages().ErrorBox("一時キャビネット以外は指定できません。");
}

void TMainForm::mFileBrowseClick() {
    if (TTree *item = explorer->GetSelectedItem(); IsFolder(item))
        OpenFolderWindow(*item);
}

void TMainForm::mFileDelClick() {
    explorer->DeleteSelection();
}

void TMainForm::mFileRenameClick() {
    explorer->RenameSelection();
}

void TMainForm::mFilePropertyClick() {
    explorer->PropertiesOfSelection();
}

void TMainForm::mFileExitClick() {
    close();
}

void TMainForm::mEditCutClick() {
    explorer->CutSelection();
}

void TMainForm::mEditCopyClick() {
    explorer->CopySelection();
}

void TMainForm::mEditPasteClick() {
    explorer->PasteIntoSelection();
}

void TMainForm::mEditClipClick() {
    ShowClipDialog(ItemClip());
}

void TMainForm::mEditListClick() {
    if (TTree *item = explorer->GetSelectedItem(); IsFolder(item))
        OpenFileList(*item);
}

void TMainForm::mEditLinkClick() {
    if (TTree *item = explorer->GetSelectedItem(); IsHtmlFile(item))
        OpenLinkCheck(*static_cast<TFile *>(item));
}

void TMainForm::mEditALLClick() {
    explorer->SelectAll();
}

void TMainForm::mViewToolClick() {
    panelBase->setVisible(panelBase->isHidden());
    Settings().ToolBar = !panelBase->isHidden();
}

void TMainForm::mViewStatusClick() {
    explorer->SetStatusVisible(!explorer->GetStatusVisible());
    Settings().StatusBar = explorer->GetStatusVisible();
}

void TMainForm::mViewStyleClick(int style, bool fromMenu) {
    explorer->SetViewStyle(style);
    if (fromMenu)
        if (QAbstractButton *button = styleButtons->button(style))
            button->setChecked(true);
}

void TMainForm::mViewNewClick() {
    // A running copy holds its items: the refresh follows when it has ended.
    if (explorer->HeldBack()) {
        if (!refreshPending) {
            refreshPending = true;
            auto *wait = new QTimer(this);
            wait->setInterval(100);
            connect(wait, &QTimer::timeout, this, [this, wait] {
                if (BatchRunning())
                    return;
                wait->deleteLater();
                refreshPending = false;
                RunRefresh();
            });
            wait->start();
        }
        return;
    }
    RunRefresh();
}

void TMainForm::RunRefresh() {
    THourglass hourglass;
    TInputHold hold;
    std::vector<TItemRef> cabinets;
    for (const auto &cabinet : root.Cabinets())
        cabinets.emplace_back(cabinet.get());
    for (const TItemRef &ref : cabinets)
        if (auto *cabinet = static_cast<TCabinet *>(ref.Get()))
            RefreshCabinet(*cabinet);
    explorer->RefreshAll();
    // The other windows (folder windows, file lists) follow through the notification.
    for (const TItemRef &ref : cabinets)
        if (TTree *cabinet = ref.Get())
            NotifyItemChanged(cabinet);
}

void TMainForm::mViewOptionClick() {
    ShowOptions(this);
}

void TMainForm::mToolAddClick() {
    EditTools(tools, this);
    BuildToolButtons();
}

void TMainForm::ExecTool(const std::string &program) {
    std::string path = explorer->GetSelectedFilePath();
    if (path.empty() || !fs::FileExists(path))
        return;
    RunTool(program, path);
}

void TMainForm::mHelpIndexClick() {
    ShowHelpContents();
}

void TMainForm::mHelpAboutClick() {
    ShowAboutBox(this);
}

// ---- the program ----

namespace {
// One instance per user: the first start listens on a local socket in the user's runtime
// folder; a later start asks it to raise its window and ends.
class TSingleInstance {
public:
    TSingleInstance() {
        QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (folder.isEmpty())
            folder = QDir::tempPath();
        QDir().mkpath(folder);
        socketPath = folder + u"/trawler-%1.socket"_s.arg(getuid());
        lock = std::make_unique<QLockFile>(folder + u"/trawler-%1.lock"_s.arg(getuid()));
    }

    // True when another instance runs; it has been asked to show its window.
    bool AnotherRuns() {
        if (AskToRaise())
            return true;
        lock->setStaleLockTime(0);
        if (!lock->tryLock(200)) {
            // Another start holds the lock and is coming up: give it time to listen.
            for (int attempt = 0; attempt < 20; ++attempt) {
                if (AskToRaise())
                    return true;
                QThread::msleep(100);
            }
            return true;
        }
        return false;
    }

    void Listen(QWidget *window) {
        QLocalServer::removeServer(socketPath); // left by a start that crashed
        server = std::make_unique<QLocalServer>();
        server->setSocketOptions(QLocalServer::UserAccessOption);
        QObject::connect(server.get(), &QLocalServer::newConnection, window, [this, window] {
            while (QLocalSocket *peer = server->nextPendingConnection()) {
                QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
                if (window->isMinimized())
                    window->showNormal();
                window->show();
                window->raise();
                window->activateWindow();
            }
        });
        server->listen(socketPath);
    }

private:
    bool AskToRaise() {
        QLocalSocket socket;
        socket.connectToServer(socketPath);
        if (!socket.waitForConnected(500))
            return false;
        socket.write("raise\n");
        socket.waitForBytesWritten(500);
        socket.disconnectFromServer();
        return true;
    }

    QString socketPath;
    std::unique_ptr<QLockFile> lock;
    std::unique_ptr<QLocalServer> server;
};
} // namespace

int RunTrawler(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Trawler"_s);
    QApplication::setDesktopFileName(u"trawler"_s);
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    InitUiResources();

    TSingleInstance instance;
    if (instance.AnotherRuns())
        return 0;

    QStringList arguments = QCoreApplication::arguments();
    std::string programPath = ToBytes(QCoreApplication::applicationFilePath());
    auto form = std::make_unique<TMainForm>(arguments, programPath);
    if (form->Uninstalling()) {
        form->FormDestroy();
        return 0;
    }
    instance.Listen(form.get());
    // The program ends with its main window, whatever other windows are open.
    QApplication::setQuitOnLastWindowClosed(false);
    form->Closed = [&form] {
        const auto windows = QApplication::topLevelWidgets();
        for (QWidget *window : windows)
            if (window != form.get() && window->isVisible())
                window->close();
        QCoreApplication::quit();
    };
    form->Start();
    int result = QApplication::exec();
    form->FormDestroy();
    form.reset();
    return result;
}
