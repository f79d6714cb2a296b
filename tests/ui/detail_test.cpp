// The folder window: its caption and place, its menus and their rules, its commands on the
// demo cabinets beside a running main window, following changes made elsewhere, and closing
// itself when its item goes.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStatusTipEvent>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <algorithm>
#include <memory>

#include "config/settings.h"
#include "fileops/fileOP.h"
#include "items/cab.h"
#include "items/clip.h"
#include "items/file.h"
#include "support/uiSupport.h"
#include "ui/common.h"
#include "ui/detail.h"
#include "ui/explor.h"
#include "ui/icons.h"
#include "ui/itemModel.h"
#include "ui/main.h"
#include "ui/seamQt.h"
#include "ui/status.h"

using namespace Qt::StringLiterals;

namespace {
QString U(const char *utf8) {
    return QString::fromUtf8(utf8);
}

constexpr const char *GoneText = "error: 対象が削除されたので表示を終了します。";

TCabinet *CabinetNamed(TMainForm &form, const char *name) {
    for (const auto &cabinet : form.Cabinets().Cabinets())
        if (cabinet->Name() == name)
            return cabinet.get();
    return nullptr;
}

TTree *Child(TTree *parent, const char *name) {
    if (!parent)
        return nullptr;
    for (const auto &child : parent->Children())
        if (child->Name() == name)
            return child.get();
    return nullptr;
}

// Selects a row of the shown folder and gives the list the focus.
void SelectRow(TExplorer &pane, const TTree *item) {
    int row = pane.ListModel()->RowOf(item);
    QVERIFY(row >= 0);
    pane.List()->setFocus();
    pane.List()->selectionModel()->select(pane.ListModel()->index(row, 0),
                                          QItemSelectionModel::ClearAndSelect |
                                              QItemSelectionModel::Rows);
}

void Settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

QList<TFormDetail *> FolderWindows() {
    QList<TFormDetail *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *window = qobject_cast<TFormDetail *>(widget))
            windows.append(window);
    return windows;
}

int CountIn(const std::vector<std::string> &shown, const char *text) {
    return static_cast<int>(std::count(shown.begin(), shown.end(), std::string(text)));
}
} // namespace

class TDetailTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void opening_data();
    void opening();
    void captionsAndHints_data();
    void captionsAndHints();
    void hintReturnsToTheRestingText();
    void menuRules_data();
    void menuRules();
    void viewChangesStayInTheWindow();
    void openingFromAFolderWindow();
    void newFolderInAPlainLog();
    void listAndLinkCheck_data();
    void listAndLinkCheck();
    void followsChangesMadeElsewhere();
    void closesWhenItsItemGoes_data();
    void closesWhenItsItemGoes();
    void closingWaitsForACopy();
    void toolsRebuiltOnActivation();
    void toolRunsOnTheSelectedFile_data();
    void toolRunsOnTheSelectedFile();
    void closesWithTheMainWindow();
    void helpContents();
    void screenshot();

private:
    std::unique_ptr<TMainForm> StartForm();
    std::unique_ptr<TUiFixture> fixture;
};

void TDetailTest::init() {
    fixture = std::make_unique<TUiFixture>();
    fixture->UseDemoCabinets();
    qputenv("XDG_DATA_HOME", (fixture->Folder() + u"/data"_s).toUtf8());
}

void TDetailTest::cleanup() {
    for (TFormDetail *window : FolderWindows())
        delete window;
    ItemClip().Clear(ClipEmpty);
    FileOpWindow = nullptr;
    FolderWindowOpenList = nullptr;
    FolderWindowOpenLinkCheck = nullptr;
    fixture.reset();
}

std::unique_ptr<TMainForm> TDetailTest::StartForm() {
    auto form = std::make_unique<TMainForm>(QStringList{u"trawler"_s},
                                            QCoreApplication::applicationFilePath().toStdString());
    form->Start();
    return form;
}

void TDetailTest::opening_data() {
    QTest::addColumn<QString>("folder"); // a cabinet, or a cabinet's child after "/"
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("location");
    QTest::newRow("cabinet: its name")
        << U("デモ 通常ログ") << U("TR - デモ 通常ログ") << U(" 現在位置 ： デモ 通常ログ [  ]");
    QTest::newRow("folder: its address")
        << U("デモ Netscape 1.x/http://www.kestrel-valley.example")
        << U("TR - http://www.kestrel-valley.example/")
        << U(" 現在位置 ： デモ Netscape 1.x [ http://www.kestrel-valley.example/ ]");
}

void TDetailTest::opening() {
    QFETCH(QString, folder);
    QFETCH(QString, caption);
    QFETCH(QString, location);
    auto form = StartForm();
    TTree *item = CabinetNamed(*form, folder.section(u'/', 0, 0).toUtf8().constData());
    if (folder.contains(u'/'))
        item = Child(item, folder.section(u'/', 1).toUtf8().constData());
    QVERIFY(item);
    int windows = ItemWindowCount();
    TFormDetail *window = OpenFolderWindow(*item);
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), caption);
    QCOMPARE(window->size(), QSize(498, 300));
    QCOMPARE(window->frameGeometry().topLeft(), form->frameGeometry().topLeft() + QPoint(30, 30));
    // A window of the application (its own taskbar entry), not of the main window.
    QVERIFY(window->isWindow() && !window->parent());
    QVERIFY(window->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(ItemWindowCount(), windows + 1);

    TExplorer &pane = *window->Explorer();
    QCOMPARE(pane.TreeModel()->TopCount(), 1);
    QCOMPARE(pane.ShownItem(), item);
    QCOMPARE(pane.Title()->text(), location);
    QCOMPARE(pane.GetViewStyle(), 3);
    QCOMPARE(pane.GetTreeWidth(), 150);
    QVERIFY(pane.TreeFocused());
    QCOMPARE(pane.GetSelectedItem(), item);

    QStringList menus;
    for (QAction *menu : window->menuBar()->actions())
        menus << menu->text();
    QCOMPARE(menus, (QStringList{U("ファイル (&F)"), U("編集 (&E)"), U("表示 (&V)"),
                                 U("ツール (&T)"), U("ヘルプ (&H)")}));
    // The buttons, with the main window's picture for the same command; style 3 down.
    const int xs[] = {2, 32, 58, 84, 114, 140, 166, 192};
    for (int n = 1; n <= 8; ++n) {
        auto *button = window->findChild<QToolButton *>(u"SBtn%1"_s.arg(n));
        QCOMPARE(button->parentWidget()->objectName(), u"PToolFix"_s);
        QCOMPARE(button->geometry(), QRect(xs[n - 1], 3, 24, 24));
        QCOMPARE(button->icon().pixmap(18).toImage(),
                 ToolbarIcon(u"SBtn%1"_s.arg(n + 1)).pixmap(18).toImage());
        QCOMPARE(button->isChecked(), n == 8);
    }
    QCOMPARE(window->findChild<QWidget *>(u"PTool"_s)->height(), 30);
    QCOMPARE(window->findChild<QWidget *>(u"PToolFix"_s)->width(), 225);
}

void TDetailTest::captionsAndHints_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption"); // a button's tooltip
    QTest::addColumn<QString>("hint");
    auto row = [](const char *name, const char *caption, const char *hint) {
        QTest::newRow(name) << QString::fromLatin1(name) << U(caption) << U(hint);
    };
    row("mFileNew", "新規作成 (&N)", "新しいオブジェクトを作成します。");
    row("mFileNewDir", "フォルダ", "この場所に新しいフォルダを作ります。");
    row("mFileBrowse", "開く (&O)", "指定フォルダを新しいウィンドウで開きます。");
    row("mFileDelete", "削除 (&D)", "指定オブジェクトを削除します。");
    row("mFileRename", "名前の変更 (&M)", "指定オブジェクトの名前を変更します。");
    row("mFileProperty", "プロパティ (&R)", "指定オブジェクトのプロパティを表示します。");
    row("mFileExit", "閉じる (&C)", "このウィンドウを閉じます。");
    row("mEditCut", "切り取り (&T)", "指定オブジェクトをクリップボードに切り取ります。");
    row("mEditCopy", "コピー (&C)", "指定オブジェクトをクリップボードにコピーします。");
    row("mEditPaste", "貼り付け (&P)", "クリップボードの内容を指定オブジェクトに貼り付けます。");
    row("mEditClip", "クリップボードの内容 (&V)", "現在のクリップボードの内容を表示します。");
    row("mEditList", "一覧  (&B)", "指定フォルダの内容を一覧表示します。");
    row("mEditLink", "リンクチェック (&L)", "指定Ｈｔｍｌファイルのリンク先を一覧表示します。");
    row("mEditAll", "すべてを選択 (&A)", "すべてのオブジェクトを選択状態にします。");
    row("mViewTool", "ツールバー (&T)", "ツールバーの表示・非表示を切り替えます。");
    row("mViewStatus", "ステータスバー (&S)", "ステータスバーの表示・非表示を切り替えます。");
    row("mViewLargeIcon", "大きいアイコン (&G)", "大きいアイコンで表示します。");
    row("mViewSmallIcon", "小さいアイコン (&M)", "小さいアイコンで表示します。");
    row("mViewList", "一覧  (&L)", "一覧表示します。");
    row("mViewReport", "詳細 (&D)", "詳細表示します。");
    row("mHelpIndex", "もくじ", "ヘルプの目次を表示します。");
    row("pmOpen", "開く (&O)", "指定フォルダを別ウィンドウで開きます。");
    row("pmTool", "ツール", "");
    row("pmCopy", "コピー (&C)", "指定オブジェクトをクリップボードにコピーします。");
    row("pmCut", "切り取り (&T)", "指定オブジェクトをクリップボードに切り取ります。");
    row("pmPaste", "貼り付け (&P)", "クリップボードの内容を指定オブジェクトに貼り付けます。");
    row("pmList", "一覧 (&B)", "指定フォルダの内容を一覧表示します。");
    row("pmLink", "リンクチェック (&L)", "指定Ｈｔｍｌファイルのリンク先をチェックします。");
    row("pmDelete", "削除 (&D)", "指定オブジェクトを削除します。");
    row("pmRename", "名前の変更 (&M)", "指定オブジェクトの名前を変更します。");
    row("pmProperty", "プロパティ (&R)", "指定オブジェクトのプロパティを表示します。");
    // A button's hint is its tooltip and "|": no status text.
    row("SBtn1", "別ウィンドウで開く", "");
    row("SBtn2", "切り取り", "");
    row("SBtn3", "コピー", "");
    row("SBtn4", "貼り付け", "");
    row("SBtn5", "大きいアイコン", "");
    row("SBtn6", "小さいアイコン", "");
    row("SBtn7", "一覧表示", "");
    row("SBtn8", "詳細表示", "");
}

void TDetailTest::captionsAndHints() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, hint);
    auto form = StartForm();
    TFormDetail *window = OpenFolderWindow(*CabinetNamed(*form, "デモ 通常ログ"));
    if (auto *button = window->findChild<QToolButton *>(name)) {
        QCOMPARE(button->toolTip(), caption);
        QCOMPARE(button->statusTip(), hint);
        return;
    }
    auto *action = window->findChild<QAction *>(name);
    QVERIFY(action);
    QCOMPARE(action->text(), caption);
    QCOMPARE(action->statusTip(), hint);
}

void TDetailTest::hintReturnsToTheRestingText() {
    auto form = StartForm();
    TFormDetail *window = OpenFolderWindow(*CabinetNamed(*form, "デモ 通常ログ"));
    TExplorer &pane = *window->Explorer();
    QString hint = U("このウィンドウを閉じます。");
    QStatusTipEvent tip(hint);
    QCoreApplication::sendEvent(window, &tip);
    QCOMPARE(pane.Status()->Message(), u' ' + hint);
    QTest::qWait(600);
    QCOMPARE(pane.Status()->Message(), u' ' + hint);
    QTRY_COMPARE_WITH_TIMEOUT(pane.Status()->Message(), U(" 2 個のオブジェクト"), 3000);
    QVERIFY(form->Explorer()->Status()->Message() != u' ' + hint); // not the main window's
}

void TDetailTest::menuRules_data() {
    QTest::addColumn<QString>("selection"); // none, folder (tree), row:NAME (list)
    QTest::addColumn<bool>("clip");
    QTest::addColumn<QStringList>("enabled");
    QTest::addColumn<QStringList>("disabled");
    const QStringList file{"mFileNewDir", "mFileBrowse",   "mFileDelete",
                           "mFileRename", "mFileProperty", "mFileExit"};
    QTest::newRow("nothing selected: the file menu stays enabled")
        << "none" << false << file
        << QStringList{"mEditCut", "mEditCopy", "mEditPaste", "mEditClip", "mEditList", "mEditLink",
                       "mEditAll", "pmOpen",    "pmTool",     "pmCopy",    "pmCut",     "pmPaste",
                       "pmList",   "pmLink",    "pmDelete",   "pmRename",  "pmProperty"};
    QTest::newRow("folder in the tree, clipboard filled")
        << "folder" << true
        << file + QStringList{"mEditCut", "mEditCopy", "mEditPaste", "mEditClip", "mEditList",
                              "mEditAll", "pmOpen",    "pmList",     "pmCopy",    "pmCut",
                              "pmPaste",  "pmDelete",  "pmRename",   "pmProperty"}
        << QStringList{"mEditLink", "pmLink", "pmTool"};
    QTest::newRow("folder row in the list")
        << "row:images" << false
        << QStringList{"mEditList", "mEditCopy", "mEditAll", "pmOpen", "pmList"}
        << QStringList{"mEditLink", "mEditPaste", "mEditClip", "pmLink", "pmTool", "pmPaste"};
    QTest::newRow("page in the list")
        << "row:events.html" << false
        << file + QStringList{"mEditLink", "mEditCut", "pmLink", "pmTool", "pmDelete"}
        << QStringList{"mEditList", "pmOpen", "pmList", "pmPaste"};
    QTest::newRow("list focused, no row selected")
        << "row:" << true << QStringList{"mEditPaste", "mEditClip", "pmPaste"}
        << QStringList{"mEditCopy", "mEditAll", "mEditList", "pmCopy", "pmOpen", "pmDelete"};
}

void TDetailTest::menuRules() {
    QFETCH(QString, selection);
    QFETCH(bool, clip);
    QFETCH(QStringList, enabled);
    QFETCH(QStringList, disabled);
    auto form = StartForm();
    TTree *server =
        Child(CabinetNamed(*form, "デモ Netscape 1.x"), "http://www.kestrel-valley.example");
    TFormDetail *window = OpenFolderWindow(*server);
    TExplorer &pane = *window->Explorer();
    if (selection == u"none") {
        pane.Title()->setFocusPolicy(Qt::StrongFocus);
        pane.Title()->setFocus(); // neither view
    } else if (selection == u"row:") {
        pane.List()->setFocus();
    } else if (selection.startsWith(u"row:")) {
        SelectRow(pane, Child(server, selection.mid(4).toUtf8().constData()));
    }
    if (clip)
        ItemClip().Fill(*Child(server, "images"), ClipCopy);
    // The rules set every entry whatever it was before: run them from all enabled and from all
    // disabled. The file menu has no rules.
    QMenu *edit = window->findChild<QMenu *>(u"mEdit"_s);
    for (bool before : {true, false}) {
        for (QAction *action : edit->actions() + window->ContextMenu()->actions())
            action->setEnabled(before);
        Q_EMIT edit->aboutToShow();
        Q_EMIT window->ContextMenu()->aboutToShow();
        for (const QString &name : enabled)
            QVERIFY2(window->findChild<QAction *>(name)->isEnabled(), qPrintable(name));
        for (const QString &name : disabled)
            QVERIFY2(!window->findChild<QAction *>(name)->isEnabled(), qPrintable(name));
    }
}

void TDetailTest::viewChangesStayInTheWindow() {
    auto form = StartForm();
    int mainStyle = form->Explorer()->GetViewStyle();
    const TSettings saved = Settings();
    TFormDetail *window = OpenFolderWindow(*CabinetNamed(*form, "デモ 通常ログ"));
    auto checked = [&](const char *name) {
        window->mViewClick();
        return window->findChild<QAction *>(QString::fromLatin1(name))->isChecked();
    };
    QVERIFY(checked("mViewTool") && checked("mViewStatus") && checked("mViewReport"));
    // From the menu the style button follows; from a button the menu shows it.
    window->findChild<QAction *>(u"mViewSmallIcon"_s)->trigger();
    QCOMPARE(window->Explorer()->GetViewStyle(), 1);
    QVERIFY(window->findChild<QToolButton *>(u"SBtn6"_s)->isChecked());
    window->findChild<QToolButton *>(u"SBtn5"_s)->click();
    QCOMPARE(window->Explorer()->GetViewStyle(), 0);
    QVERIFY(checked("mViewLargeIcon") && !checked("mViewSmallIcon"));
    window->findChild<QAction *>(u"mViewTool"_s)->trigger();
    window->findChild<QAction *>(u"mViewStatus"_s)->trigger();
    QVERIFY(window->findChild<QWidget *>(u"PTool"_s)->isHidden());
    QVERIFY(!window->Explorer()->GetStatusVisible());
    QVERIFY(!checked("mViewTool") && !checked("mViewStatus"));

    // Neither the main window nor the settings changed.
    QCOMPARE(form->Explorer()->GetViewStyle(), mainStyle);
    QVERIFY(!form->findChild<QWidget *>(u"PanelBase"_s)->isHidden());
    QVERIFY(form->Explorer()->GetStatusVisible());
    QCOMPARE(Settings().ViewStyle, saved.ViewStyle);
    QCOMPARE(Settings().ToolBar, saved.ToolBar);
    QCOMPARE(Settings().StatusBar, saved.StatusBar);
    TFormDetail *next = OpenFolderWindow(*CabinetNamed(*form, "デモ 通常ログ"));
    QVERIFY(!next->findChild<QWidget *>(u"PTool"_s)->isHidden());
    QCOMPARE(next->Explorer()->GetViewStyle(), 3);
}

void TDetailTest::openingFromAFolderWindow() {
    auto form = StartForm();
    TCabinet *cache = CabinetNamed(*form, "デモ Netscape 1.x");
    TTree *server = Child(cache, "http://www.kestrel-valley.example");
    TFormDetail *first = OpenFolderWindow(*cache);
    first->move(first->pos() + QPoint(100, 70));
    first->Explorer()->SelectItem(server);
    SelectRow(*first->Explorer(), Child(server, "images"));
    first->findChild<QAction *>(u"mFileBrowse"_s)->trigger();
    QCOMPARE(FolderWindows().size(), 2);
    TFormDetail *second =
        FolderWindows().front() == first ? FolderWindows().back() : FolderWindows().front();
    QCOMPARE(second->Item(), Child(server, "images"));
    QCOMPARE(second->windowTitle(), U("TR - http://www.kestrel-valley.example/images/"));
    // Placed against the main window, not against the window it was opened from.
    QCOMPARE(second->frameGeometry().topLeft(), form->frameGeometry().topLeft() + QPoint(30, 30));
    // The button does the same; with a file selected nothing opens.
    first->findChild<QToolButton *>(u"SBtn1"_s)->click();
    QCOMPARE(FolderWindows().size(), 3);
    SelectRow(*first->Explorer(), Child(server, "events.html"));
    first->findChild<QToolButton *>(u"SBtn1"_s)->click();
    first->findChild<QAction *>(u"pmOpen"_s)->trigger();
    QCOMPARE(FolderWindows().size(), 3);
}

void TDetailTest::newFolderInAPlainLog() {
    auto form = StartForm();
    TBoxAnswers boxes;
    TCabinet *plain = CabinetNamed(*form, "デモ 通常ログ");
    QCOMPARE(form->Explorer()->ShownItem(), plain);
    TFormDetail *window = OpenFolderWindow(*plain);
    window->findChild<QAction *>(u"mFileNewDir"_s)->trigger();
    TTree *made = Child(plain, "新しいフォルダ");
    QVERIFY(made);
    QVERIFY(QDir(fixture->Folder() + U("/samples/plain-log/新しいフォルダ")).exists());
    auto *editor = window->Explorer()->List()->findChild<QLineEdit *>();
    QVERIFY(editor && editor->isVisible()); // named at once
    QCOMPARE(editor->text(), U("新しいフォルダ"));
    QTest::keyClick(editor, Qt::Key_Escape);
    Settle();
    QVERIFY(form->Explorer()->ListModel()->RowOf(made) >= 0); // the main window follows

    TCabinet *cache = CabinetNamed(*form, "デモ Netscape 1.x");
    size_t before = cache->ChildCount();
    OpenFolderWindow(*cache)->mFileNewDirClick(); // not in a cache
    QCOMPARE(cache->ChildCount(), before);
    QVERIFY(boxes.Shown.empty());
}

void TDetailTest::listAndLinkCheck_data() {
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("opened");
    QTest::newRow("list of a folder") << "images"
                                      << "mEditList"
                                      << "list:images";
    QTest::newRow("list of a page: nothing") << "events.html"
                                             << "pmList"
                                             << "";
    QTest::newRow("link check of a page") << "events.html"
                                          << "pmLink"
                                          << "link:events.html";
    QTest::newRow("link check of a folder: nothing") << "images"
                                                     << "mEditLink"
                                                     << "";
}

void TDetailTest::listAndLinkCheck() {
    QFETCH(QString, row);
    QFETCH(QString, command);
    QFETCH(QString, opened);
    auto form = StartForm();
    TTree *server =
        Child(CabinetNamed(*form, "デモ Netscape 1.x"), "http://www.kestrel-valley.example");
    TFormDetail *window = OpenFolderWindow(*server);
    QString seen;
    FolderWindowOpenList = [&](TTree &folder) { seen += u"list:"_s + FromBytes(folder.Name()); };
    FolderWindowOpenLinkCheck = [&](TFile &page) { seen += u"link:"_s + FromBytes(page.Name()); };
    SelectRow(*window->Explorer(), Child(server, row.toUtf8().constData()));
    window->findChild<QAction *>(command)->trigger();
    QCOMPARE(seen, opened);
}

void TDetailTest::followsChangesMadeElsewhere() {
    auto form = StartForm();
    TBoxAnswers boxes;
    TCabinet *plain = CabinetNamed(*form, "デモ 通常ログ");
    TTree *server = Child(plain, "http=www.kestrel-valley.example");
    TTree *images =
        Child(Child(CabinetNamed(*form, "デモ Netscape 1.x"), "http://www.kestrel-valley.example"),
              "images");
    TFormDetail *window = OpenFolderWindow(*server);
    TExplorer &pane = *window->Explorer();
    pane.Tree()->expandAll();
    TExplorer &main = *form->Explorer();
    main.SelectItem(server);

    // Copied in one folder window, pasted in another: the first and the main window follow.
    TFormDetail *from = OpenFolderWindow(*images);
    TTree *picture = images->Children().front().get();
    SelectRow(*from->Explorer(), picture);
    from->findChild<QToolButton *>(u"SBtn3"_s)->click();
    OpenFolderWindow(*server)->findChild<QToolButton *>(u"SBtn4"_s)->click();
    Settle();
    TTree *copied = Child(server, picture->Name().c_str());
    QVERIFY(copied);
    QVERIFY(pane.ListModel()->RowOf(copied) >= 0);
    QVERIFY(main.ListModel()->RowOf(copied) >= 0);

    // A folder renamed and a page deleted in the main window.
    TItemListModel &list = *main.ListModel();
    QVERIFY(
        list.setData(list.index(list.RowOf(Child(server, "members")), 0), U("会員"), Qt::EditRole));
    TTree *page = Child(server, "events.html");
    SelectRow(main, page);
    form->mFileDelClick();
    Settle();
    TTree *renamed = Child(server, "会員");
    QVERIFY(renamed && !Child(server, "events.html"));
    QCOMPARE(pane.TreeModel()->ExistingIndexOf(renamed).data().toString(), U("会員"));
    QCOMPARE(pane.ListModel()->index(pane.ListModel()->RowOf(renamed), 0).data().toString(),
             U("会員"));
    QCOMPARE(pane.ListModel()->Count(), static_cast<int>(server->ChildCount()));
    QVERIFY(window->isVisible());
}

void TDetailTest::closesWhenItsItemGoes_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("deleted in the main window's tree") << "main";
    QTest::newRow("its cabinet deleted in the main window") << "cabinet";
    QTest::newRow("deleted from its own tree") << "own";
    QTest::newRow("destroyed without notice: the next activation") << "silent";
}

void TDetailTest::closesWhenItsItemGoes() {
    QFETCH(QString, how);
    auto form = StartForm();
    TBoxAnswers boxes;
    TCabinet *plain = CabinetNamed(*form, "デモ 通常ログ");
    TTree *server = Child(plain, "http=www.kestrel-valley.example");
    TTree *members = Child(server, "members");
    int windows = ItemWindowCount();
    QPointer<TFormDetail> window = OpenFolderWindow(*members);
    QPointer<TFormDetail> other =
        OpenFolderWindow(*Child(plain, "http=photos.kestrel-valley.example"));
    Settle();
    TItemRef item(members), plainRef(plain);
    QEvent activate(QEvent::WindowActivate);
    if (how == u"main" || how == u"cabinet") {
        form->Explorer()->SelectItem(how == u"main" ? members : plain);
        form->mFileDelClick();
    } else if (how == u"own") {
        window->Explorer()->SelectItem(members);
        window->findChild<QAction *>(u"mFileDelete"_s)->trigger();
    } else {
        server->DestroyChild(members);
        QTest::qWait(50);
        QVERIFY(window && boxes.Shown.empty()); // nothing has told it yet
        QCoreApplication::sendEvent(window, &activate);
    }
    int gone = how == u"cabinet" ? 2 : 1;
    QTRY_VERIFY_WITH_TIMEOUT(!window && bool(other) == (gone == 1), 3000);
    QVERIFY(!item);
    QCOMPARE(CountIn(boxes.Shown, GoneText), gone);
    QCOMPARE(boxes.Shown.back(), std::string(GoneText));
    QCOMPARE(ItemWindowCount(), windows + 2 - gone);
    // Later notices and activations find nothing more to close.
    if (TTree *still = plainRef.Get())
        NotifyItemChanged(still);
    if (other)
        QCoreApplication::sendEvent(other, &activate);
    QTest::qWait(50);
    QCOMPARE(CountIn(boxes.Shown, GoneText), gone);
}

void TDetailTest::closingWaitsForACopy() {
    auto form = StartForm();
    TBoxAnswers boxes;
    TTree *server = Child(CabinetNamed(*form, "デモ 通常ログ"), "http=www.kestrel-valley.example");
    QPointer<TFormDetail> window = OpenFolderWindow(*Child(server, "members"));
    TFormFileOP running;
    FileOpWindow = &running;
    QVERIFY(!window->close());
    server->DestroyChild(Child(server, "members"));
    NotifyItemChanged(server);
    QTest::qWait(300);
    QVERIFY(window && boxes.Shown.empty());
    FileOpWindow = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT(!window, 3000);
    QCOMPARE(boxes.Shown, std::vector<std::string>{GoneText});
}

void TDetailTest::toolsRebuiltOnActivation() {
    auto form = StartForm();
    TFormDetail *window = OpenFolderWindow(*CabinetNamed(*form, "デモ 通常ログ"));
    Settle();
    auto *area = window->findChild<QWidget *>(u"PToolMove"_s);
    auto *tools = window->findChild<QMenu *>(u"mTool"_s);
    auto *context = window->findChild<QMenu *>(u"pmTool"_s);
    auto count = [&] {
        return QList<qsizetype>{area->findChildren<QToolButton *>().size(), tools->actions().size(),
                                context->actions().size()};
    };
    QCOMPARE(count(), (QList<qsizetype>{0, 0, 0}));
    form->Tools().Add("メモ帳", "/usr/bin/true");
    form->Tools().Add("画像", "/usr/bin/false");
    QCOMPARE(count(), (QList<qsizetype>{0, 0, 0})); // not before the next activation
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(window, &activate);
    QCOMPARE(count(), (QList<qsizetype>{2, 2, 2}));
    QCOMPARE(area->findChild<QToolButton *>(u"ToolButton1"_s)->toolTip(), U("画像"));
    QCOMPARE(tools->actions().front()->text(), U("メモ帳"));
    // Made anew each time: not added twice, and a removed tool goes.
    form->Tools().Clear();
    form->Tools().Add("画像", "/usr/bin/false");
    QCoreApplication::sendEvent(window, &activate);
    QCOMPARE(count(), (QList<qsizetype>{1, 1, 1}));
    form->Tools().Clear();
}

void TDetailTest::toolRunsOnTheSelectedFile_data() {
    QTest::addColumn<bool>("row");
    QTest::newRow("file row: run even though the file is missing") << true;
    QTest::newRow("tree focused: no file, nothing runs") << false;
}

void TDetailTest::toolRunsOnTheSelectedFile() {
    QFETCH(bool, row);
    auto form = StartForm();
    TTree *server = Child(CabinetNamed(*form, "デモ 通常ログ"), "http=www.kestrel-valley.example");
    TTree *page = Child(server, "events.html");
    QString path = FromBytes(page->GetLocalPath());
    QVERIFY(QFile::remove(path));
    form->Tools().Add("touch", "/usr/bin/touch"); // makes the missing file again
    TFormDetail *window = OpenFolderWindow(*server);
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(window, &activate);
    if (row)
        SelectRow(*window->Explorer(), page);
    window->findChild<QToolButton *>(u"ToolButton0"_s)->click();
    QTest::qWait(row ? 0 : 300);
    QTRY_COMPARE_WITH_TIMEOUT(QFile::exists(path), row, 3000);
    form->Tools().Clear();
}

void TDetailTest::closesWithTheMainWindow() {
    auto form = StartForm();
    QPointer<TFormDetail> first = OpenFolderWindow(*CabinetNamed(*form, "デモ 通常ログ"));
    QPointer<TFormDetail> second = OpenFolderWindow(*CabinetNamed(*form, "デモ Netscape 1.x"));
    QVERIFY(!first->testAttribute(Qt::WA_QuitOnClose)); // the main window ends the program
    form->showMinimized();
    QTest::qWait(50);
    QVERIFY(first && second);
    form->showNormal();
    QVERIFY(form->close());
    QTRY_VERIFY_WITH_TIMEOUT(!first && !second, 3000);
    form->show();
    QPointer<TFormDetail> third = OpenFolderWindow(*CabinetNamed(*form, "デモ 通常ログ"));
    third->findChild<QAction *>(u"mFileExit"_s)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!third, 3000);
    // Destroyed without being closed, the main window takes the windows with it.
    QPointer<TFormDetail> fourth = OpenFolderWindow(*CabinetNamed(*form, "デモ 通常ログ"));
    form.reset();
    QVERIFY(!fourth);
}

void TDetailTest::helpContents() {
    auto form = StartForm();
    OpenFolderWindow(*CabinetNamed(*form, "デモ 通常ログ"))
        ->findChild<QAction *>(u"mHelpIndex"_s)
        ->trigger();
    QWidget *help = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->objectName() == u"THelpWindow"_s && widget->isVisible())
            help = widget;
    QVERIFY(help);
    help->close();
}

void TDetailTest::screenshot() {
    auto form = StartForm();
    TCabinet *cache = CabinetNamed(*form, "デモ Netscape 1.x");
    TTree *server = Child(cache, "http://www.kestrel-valley.example");
    TFormDetail *window = OpenFolderWindow(*server);
    window->Explorer()->Tree()->expandAll();
    SelectRow(*window->Explorer(), Child(server, "events.html"));
    Settle();
    SaveScreenshot(window, u"folder-window"_s);
}

int main(int argc, char **argv) {
    PrepareUiEnvironment();
    QApplication app(argc, argv);
    InitUiResources();
    TDetailTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "detail_test.moc"
