// The main window: start-up and shutdown, its menus and their rules, and the commands of the
// explorer pane, on the demo cabinets with a private registry file.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QProcess>
#include <QSplitter>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <memory>

#include "items/cab.h"
#include "items/clip.h"
#include "items/file.h"
#include "fileops/fileOP.h"
#include "support/uiSupport.h"
#include "ui/explor.h"
#include "ui/icons.h"
#include "ui/itemModel.h"
#include "ui/main.h"
#include "ui/seamQt.h"
#include "ui/status.h"

namespace {
QString U(const char *utf8) {
    return QString::fromUtf8(utf8);
}

std::unique_ptr<TMainForm> StartForm(const QStringList &arguments = {QStringLiteral("trawler")}) {
    auto form = std::make_unique<TMainForm>(arguments, QCoreApplication::applicationFilePath().toStdString());
    form->Start();
    return form;
}

TCabinet *CabinetNamed(TMainForm &form, const char *name) {
    for (const auto &cabinet : form.Cabinets().Cabinets())
        if (cabinet->Name() == name)
            return cabinet.get();
    return nullptr;
}

TTree *Child(TTree *parent, const char *name) {
    for (const auto &child : parent->Children())
        if (child->Name() == name)
            return child.get();
    return nullptr;
}

// Selects a row of the shown folder and gives the list the focus.
void SelectRow(TExplorer &explorer, const TTree *item) {
    int row = explorer.ListModel()->RowOf(item);
    QVERIFY(row >= 0);
    explorer.List()->setFocus();
    explorer.List()->selectionModel()->select(explorer.ListModel()->index(row, 0),
                                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void Settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}
} // namespace

class TMainTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void captionsAndHints_data();
    void captionsAndHints();
    void startupShowsTheDemoCabinets();
    void settingsSurviveARestart();
    void menuRules_data();
    void menuRules();
    void keyboardMenusKeepTheListSelection();
    void temporaryCabinets();
    void findStoresAndExportWarc();
    void newCabinet();
    void refreshFollowsTheDisk();
    void copyAndPasteIntoAPlainLog();
    void dragAndDrop();
    void renameAndDeleteInAPlainLog();
    void commandsOpenTheirWindows();
    void commandsWaitForACopy();
    void itemChangedReachesEveryWindow();
    void eraseSwitchErasesTheSettings();
    void secondStartRaisesTheFirst();

private:
    std::unique_ptr<TUiFixture> fixture;
};

void TMainTest::init() {
    fixture = std::make_unique<TUiFixture>();
    fixture->UseDemoCabinets();
    qputenv("XDG_DATA_HOME", (fixture->Folder() + QStringLiteral("/data")).toUtf8());
}

void TMainTest::cleanup() {
    fixture.reset();
}

void TMainTest::captionsAndHints_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("hint");
    auto row = [](const char *name, const char *caption, const char *hint) {
        QTest::newRow(name) << QString::fromLatin1(name) << U(caption) << U(hint);
    };
    row("mFileNewCabinet", "キャビネット (&C)", "新しいキャビネットを作ります。");
    row("mFileNewFolder", "フォルダ (&F)", "この場所に新しいフォルダを作ります。");
    row("mFileAuto", "キャッシュの自動検出", "キャッシュを検索し、新しいキャビネットに登録します。");
    row("mFileOpen", "キャッシュを開く (&O)", "一時キャビネットとして指定されたキャッシュを開きます。");
    row("mFileClose", "キャッシュを閉じる (&C)", "指定された一時キャビネット閉じます。");
    row("mFileFind", "キャッシュの検索 (&S)...",
        "指定フォルダの下にあるキャッシュをすべて探し、一時キャビネットとして開きます。");
    row("pmWarc", "WARC 形式で書き出す (&W)...",
        "指定オブジェクトの下のファイルを WARC ファイルに書き出します。");
    row("mFileBrowse", "開く (&B)", "指定フォルダを別のウィンドウで開きます。");
    row("mFileExit", "終了 (&X)", "トローラーを終了します。");
    row("mEditPaste", "貼り付け (&P)", "クリップボードの内容を指定された項目に貼り付けます。");
    row("mEditLink", "リンクチェック (&B)", "指定Htmlファイルのリンク先を一覧表示します。");
    row("mViewLargeIcon", "大きいアイコン &G)", "大きいアイコンで表示します。");
    row("mViewNew", "最新の情報に更新 (&R)", "データを最新の状態にします。");
    row("mToolAdd", "ツールの登録 (&A)", "トローラーで利用するツールを登録します。");
    row("mHelpIndex", "もくじ (&I)", "ヘルプのもくじを表示します。");
    row("pmOpen", "開く (&O)", "指定フォルダを別ウィンドウで開きます。");
    row("pmPaste", "貼り付け (&P)", "クリップボードの内容を指定位置に貼り付けます。");
    row("pmLink", "リンクチェック (&B)", "指定Htmlファイルのリンク先をチェックします。");
}

void TMainTest::captionsAndHints() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, hint);
    auto form = StartForm();
    auto *action = form->findChild<QAction *>(name);
    QVERIFY(action);
    QCOMPARE(action->text(), caption);
    QCOMPARE(action->statusTip(), hint);
    // A highlighted entry's hint shows in the status panel, and the resting text returns.
    QStatusTipEvent tip(hint);
    QCoreApplication::sendEvent(form.get(), &tip);
    QCOMPARE(form->Explorer()->Status()->Message(), u' ' + hint);
    QTRY_COMPARE_WITH_TIMEOUT(form->Explorer()->Status()->Message(),
                              u' ' + form->Explorer()->RestingText(), 3000);
}

void TMainTest::startupShowsTheDemoCabinets() {
    auto form = StartForm();
    TExplorer &explorer = *form->Explorer();
    QCOMPARE(form->windowTitle(), QStringLiteral("Trawler"));
    QCOMPARE(explorer.TreeModel()->TopCount(), 8);
    QCOMPARE(explorer.ShownItem(), form->Cabinets().Cabinets().front().get());
    QCOMPARE(explorer.Title()->text(), U(" 現在位置 ： デモ 通常ログ [  ]"));
    QCOMPARE(explorer.Status()->Message(), U(" 2 個のオブジェクト"));
    auto *button = form->findChild<QToolButton *>(QStringLiteral("SBtn2"));
    QCOMPARE(button->toolTip(), U("別「ウィンドウで開く"));
    // A first start shows large icons.
    QVERIFY(form->findChild<QToolButton *>(QStringLiteral("SBtn6"))->isChecked());
    QCOMPARE(form->Explorer()->GetViewStyle(), 0);
}

void TMainTest::settingsSurviveARestart() {
    int width = 0;
    {
        auto form = StartForm();
        form->resize(700, 400);
        form->mViewStyleClick(1, true);
        form->mViewToolClick();
        form->mViewStatusClick();
        form->Explorer()->Splitter()->setSizes({210, 400});
        width = form->Explorer()->GetTreeWidth();
        QVERIFY(form->close());
        form->FormDestroy();
    }
    QVERIFY(fixture->RegistryText().find("\"View Style\"=dword:00000001") != std::string::npos);
    auto form = StartForm();
    QCOMPARE(form->Explorer()->GetViewStyle(), 1);
    QVERIFY(form->findChild<QToolButton *>(QStringLiteral("SBtn7"))->isChecked());
    QVERIFY(form->findChild<QWidget *>(QStringLiteral("PanelBase"))->isHidden());
    QVERIFY(!form->Explorer()->GetStatusVisible());
    QCOMPARE(form->Explorer()->GetTreeWidth(), width);
    QCOMPARE(form->size(), QSize(700, 400));
    form->mViewClick();
    QVERIFY(!form->findChild<QAction *>(QStringLiteral("mViewTool"))->isChecked());
    QVERIFY(!form->findChild<QAction *>(QStringLiteral("mViewStatus"))->isChecked());
    QVERIFY(form->findChild<QAction *>(QStringLiteral("mViewSmallIcon"))->isChecked());
}

void TMainTest::menuRules_data() {
    QTest::addColumn<QString>("selection"); // none, cabinet, folder, file, html
    QTest::addColumn<bool>("clip");
    QTest::addColumn<QStringList>("enabled");
    QTest::addColumn<QStringList>("disabled");
    QTest::newRow("nothing selected")
        << "none" << false << QStringList{"mFileNewCabinet", "mFileExit"}
        << QStringList{"mFileBrowse", "mFileDel", "mEditCopy", "mEditALL", "mEditPaste", "pmCopy", "pmPaste"};
    QTest::newRow("cabinet in the tree, clipboard filled")
        << "cabinet" << true << QStringList{"mFileBrowse", "mFileDel", "mEditList", "mEditPaste", "mEditClip", "pmOpen", "pmPaste"}
        << QStringList{"mEditLink", "pmLink"};
    QTest::newRow("picture in the list")
        << "file" << false << QStringList{"mFileDel", "mFileRename", "mEditCopy", "mEditALL", "pmCopy", "pmTool"}
        << QStringList{"mFileBrowse", "mEditList", "mEditLink", "mEditPaste", "pmOpen", "pmList", "pmLink"};
    QTest::newRow("page in the list")
        << "html" << false << QStringList{"mEditLink", "pmLink"} << QStringList{"mFileBrowse", "pmOpen"};
}

void TMainTest::menuRules() {
    QFETCH(QString, selection);
    QFETCH(bool, clip);
    QFETCH(QStringList, enabled);
    QFETCH(QStringList, disabled);
    auto form = StartForm();
    TExplorer &explorer = *form->Explorer();
    TCabinet *cache = CabinetNamed(*form, "デモ Netscape 1.x");
    TTree *images = Child(Child(cache, "http://www.kestrel-valley.example"), "images");
    if (selection == u"none") {
        form->Explorer()->Title()->setFocus(); // neither view
        form->findChild<QWidget *>(QStringLiteral("PanelBase"))->setFocusPolicy(Qt::StrongFocus);
        form->findChild<QWidget *>(QStringLiteral("PanelBase"))->setFocus();
    } else if (selection == u"cabinet") {
        explorer.SelectItem(cache);
    } else {
        TTree *server = Child(cache, "http://www.kestrel-valley.example");
        explorer.SelectItem(selection == u"file" ? images : server);
        TTree *row = selection == u"file" ? images->Children().front().get() : Child(server, "events.html");
        SelectRow(explorer, row);
    }
    if (clip)
        ItemClip().Fill(*images, ClipCopy);
    else
        ItemClip().Clear(ClipEmpty);
    form->mFileClick();
    form->mEditClick();
    form->pmMenuPopup();
    for (const QString &name : enabled) {
        auto *action = form->findChild<QAction *>(name);
        QVERIFY2(action && action->isEnabled(), qPrintable(name));
    }
    for (const QString &name : disabled) {
        auto *action = form->findChild<QAction *>(name);
        QVERIFY2(action && !action->isEnabled(), qPrintable(name));
    }
    ItemClip().Clear(ClipEmpty);
}

void TMainTest::keyboardMenusKeepTheListSelection() {
    auto form = StartForm();
    TExplorer &explorer = *form->Explorer();
    TCabinet *cache = CabinetNamed(*form, "デモ Netscape 2.x～4.x");
    TTree *server = Child(cache, "http://www.kestrel-valley.example");
    explorer.SelectItem(server);
    TTree *page = Child(server, "RootPage.html");
    SelectRow(explorer, page);
    // Alt+E takes the focus to the menu bar; the entry's command still acts on the row, and
    // the focus coming back does not clear the selection.
    form->menuBar()->setFocus(Qt::MenuBarFocusReason);
    QCOMPARE(explorer.GetSelectedItem(), page);
    form->mEditClick();
    QVERIFY(form->findChild<QAction *>(QStringLiteral("mEditLink"))->isEnabled());
    explorer.List()->setFocus(Qt::MenuBarFocusReason);
    QCOMPARE(explorer.GetSelectedItem(), page);
}

void TMainTest::temporaryCabinets() {
    auto form = StartForm();
    TBoxAnswers boxes;
    QString folder = fixture->Folder() + QStringLiteral("/samples/netscape1");
    form->SelectFolder = [&](std::string &chosen, int topic) {
        chosen = folder.toStdString();
        return topic == 74;
    };
    form->mFileOpenClick();
    form->mFileOpenClick();
    const auto &cabinets = form->Cabinets().Cabinets();
    QCOMPARE(cabinets.size(), size_t{10});
    QCOMPARE(cabinets[8]->Name(), std::string("一時キャビネット1"));
    QCOMPARE(cabinets[9]->Name(), std::string("一時キャビネット2"));
    QVERIFY(cabinets[9]->Temporary && cabinets[9]->IndexRead && cabinets[9]->ChildCount() > 0);
    QCOMPARE(form->Explorer()->ShownItem(), cabinets[9].get());

    // A registered cabinet cannot be closed.
    form->Explorer()->SelectItem(cabinets[0].get());
    form->mFileCloseClick();
    QCOMPARE(boxes.Shown, std::vector<std::string>{"error: 一時キャビネット以外は指定できません。"});
    QCOMPARE(form->Cabinets().Cabinets().size(), size_t{10});

    form->Explorer()->SelectItem(cabinets[8].get());
    form->mFileCloseClick();
    QCOMPARE(form->Cabinets().Cabinets().size(), size_t{9});
    QCOMPARE(form->Explorer()->TreeModel()->TopCount(), 9);
    form->mFileOpenClick(); // a closed cabinet's number is not given again
    QCOMPARE(form->Cabinets().Cabinets().back()->Name(), std::string("一時キャビネット3"));
    form->close();
    form->FormDestroy();
    QVERIFY(fixture->RegistryText().find("一時キャビネット") == std::string::npos);
}

void TMainTest::findStoresAndExportWarc() {
    auto form = StartForm();
    TBoxAnswers boxes;
    QString disk = fixture->Folder() + QStringLiteral("/disk");
    QVERIFY(QDir().mkpath(disk + QStringLiteral("/Users/kim/Cache")));
    QVERIFY(QDir().mkpath(disk + QStringLiteral("/stray")));
    QVERIFY(QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-R"),
                                                     fixture->Folder() + QStringLiteral("/samples/netscape2/."),
                                                     disk + QStringLiteral("/Users/kim/Cache")}) == 0);
    QFile stray(disk + QStringLiteral("/stray/index.dat"));
    QVERIFY(stray.open(QIODevice::WriteOnly) && stray.write("not a cache") > 0);
    stray.close();
    std::string asked;
    form->SelectFolder = [&](std::string &chosen, int) {
        chosen = asked;
        return true;
    };

    // The registered demo caches are not opened twice; a folder without stores says so.
    asked = (fixture->Folder() + QStringLiteral("/samples")).toStdString();
    form->mFileFindClick();
    QCOMPARE(form->Cabinets().Cabinets().size(), size_t{8});
    QVERIFY(form->Explorer()->Status()->Message().contains(U("登録済み")));
    asked = (disk + QStringLiteral("/stray")).toStdString();
    form->mFileFindClick();
    QCOMPARE(boxes.Shown, std::vector<std::string>{"warning: 指定フォルダの下にキャッシュは見つかりませんでした。"});

    asked = disk.toStdString();
    form->mFileFindClick();
    QCOMPARE(form->Cabinets().Cabinets().size(), size_t{9});
    TCabinet *found = form->Cabinets().Cabinets().back().get();
    QCOMPARE(found->Name(), std::string("kim/Cache"));
    QVERIFY(found->Temporary && found->Kind == KindNetscape2 && found->ChildCount() > 0);
    QCOMPARE(form->Explorer()->GetSelectedItem(), found);
    QVERIFY(form->Explorer()->Status()->CancelButton()->isHidden());

    // The found cache goes out as a WARC file; the report box tells how many files it holds.
    QString warc = fixture->Folder() + QStringLiteral("/out.warc.gz");
    form->AskSaveFile = [&](std::string &path) {
        path = warc.toStdString();
        return true;
    };
    form->Explorer()->Tree()->setFocus();
    form->mFileWarcClick();
    QFile written(warc);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.read(2), QByteArray("\x1f\x8b"));
    auto *report = form->findChild<QMessageBox *>(QStringLiteral("ReportBox"));
    QVERIFY(report);
    QVERIFY(report->text().contains(U("WARC ファイルに書き出しました")));
    report->close();
}

void TMainTest::newCabinet() {
    auto form = StartForm();
    TBoxAnswers boxes;
    QString folder = fixture->Folder() + QStringLiteral("/samples/msie4");
    form->SelectFolder = [&](std::string &chosen, int topic) {
        chosen = folder.toStdString();
        return topic == 81;
    };
    boxes.CabinetAnswer = false;
    form->mFileNewCabinetClick();
    QCOMPARE(form->Cabinets().Cabinets().size(), size_t{8});
    boxes.CabinetAnswer = true;
    form->mFileNewCabinetClick();
    QCOMPARE(boxes.Dialogs, (std::vector<std::string>{"cabinet: 新規キャビネット", "cabinet: 新規キャビネット"}));
    TCabinet *made = form->Cabinets().Cabinets().back().get();
    QCOMPARE(made->Kind, uint8_t{KindMsie4});
    QCOMPARE(form->Explorer()->ShownItem(), made);
    QCOMPARE(form->Explorer()->TreeModel()->TopCount(), 9);
}

void TMainTest::refreshFollowsTheDisk() {
    auto form = StartForm();
    TCabinet *plain = CabinetNamed(*form, "デモ 通常ログ");
    QString folder = fixture->Folder() + QStringLiteral("/samples/plain-log/");
    QDir().mkpath(folder + QStringLiteral("added"));
    QFile file(folder + QStringLiteral("note.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
    file.close();
    form->Explorer()->SelectItem(plain);
    form->mViewNewClick();
    QVERIFY(Child(plain, "note.txt"));
    QVERIFY(form->Explorer()->ListModel()->RowOf(Child(plain, "note.txt")) >= 0);
    QVERIFY(form->Explorer()->TreeModel()->IndexOf(Child(plain, "added")).isValid());
    QVERIFY(QDir(folder + QStringLiteral("added")).removeRecursively());
    form->mViewNewClick();
    QVERIFY(!Child(plain, "added"));
    QCOMPARE(form->Explorer()->ListModel()->Count(), 3);
}

void TMainTest::copyAndPasteIntoAPlainLog() {
    auto form = StartForm();
    TBoxAnswers boxes;
    TExplorer &explorer = *form->Explorer();
    TCabinet *cache = CabinetNamed(*form, "デモ Netscape 1.x");
    TCabinet *plain = CabinetNamed(*form, "デモ 通常ログ");
    TTree *images = Child(Child(cache, "http://www.kestrel-valley.example"), "images");
    explorer.SelectItem(images);
    SelectRow(explorer, images->Children().front().get());
    std::string name = images->Children().front()->Name();
    form->mEditCopyClick();
    QCOMPARE(ItemClip().Count(), size_t{1});
    explorer.SelectItem(plain);
    form->mEditPasteClick();
    Settle();
    QVERIFY(Child(plain, name.c_str()));
    QVERIFY(QFile::exists(fixture->Folder() + QStringLiteral("/samples/plain-log/") + QString::fromStdString(name)));
    QVERIFY(explorer.ListModel()->RowOf(Child(plain, name.c_str())) >= 0);
    QVERIFY(boxes.Shown.empty());

    // Cut and paste within the log moves the file on disk and in the tree.
    TTree *copied = Child(plain, name.c_str());
    TTree *target = Child(Child(plain, "http=www.kestrel-valley.example"), "members");
    SelectRow(explorer, copied);
    form->mEditCutClick();
    QCOMPARE(ItemClip().Mode, uint8_t{ClipMove});
    QVERIFY(explorer.ListModel()->index(explorer.ListModel()->RowOf(copied), 0).data(CutRole).toBool());
    explorer.SelectItem(target);
    form->mEditPasteClick();
    Settle();
    QString base = fixture->Folder() + QStringLiteral("/samples/plain-log/");
    QVERIFY(!QFile::exists(base + QString::fromStdString(name)));
    QVERIFY(QFile::exists(base + QStringLiteral("http=www.kestrel-valley.example/members/") +
                          QString::fromStdString(name)));
    QVERIFY(!Child(plain, name.c_str()));
    QVERIFY(Child(target, name.c_str()));
    QVERIFY(explorer.ListModel()->RowOf(Child(target, name.c_str())) >= 0);
    QVERIFY(boxes.Shown.empty());
    ItemClip().Clear(ClipEmpty);
}

void TMainTest::dragAndDrop() {
    auto form = StartForm();
    TBoxAnswers boxes;
    TExplorer &explorer = *form->Explorer();
    TCabinet *cache = CabinetNamed(*form, "デモ Netscape 1.x");
    TCabinet *plain = CabinetNamed(*form, "デモ 通常ログ");
    TTree *server = Child(cache, "http://www.kestrel-valley.example");
    explorer.SelectItem(server);
    TItemListModel &list = *explorer.ListModel();
    int page = list.RowOf(Child(server, "events.html"));
    int folder = list.RowOf(Child(server, "images"));
    std::unique_ptr<QMimeData> drag(list.mimeData({list.index(page, 0), list.index(page, 2)}));
    QVERIFY(drag);
    // Onto a file row: refused; onto a cache folder: the paste rule says why.
    QVERIFY(!list.canDropMimeData(drag.get(), Qt::CopyAction, -1, 0, list.index(page, 0)));
    QVERIFY(!list.dropMimeData(drag.get(), Qt::CopyAction, -1, 0, list.index(folder, 0)));
    QCOMPARE(boxes.Shown, std::vector<std::string>{"error: キャッシュ内の項目に貼り付けはできません。"});
    // Onto the plain log's node: copied there, and the views follow.
    QModelIndex node = explorer.TreeModel()->IndexOf(plain);
    QVERIFY(explorer.TreeModel()->dropMimeData(drag.get(), Qt::CopyAction, -1, 0, node));
    Settle();
    QVERIFY(Child(plain, "events.html"));
    QVERIFY(QFile::exists(fixture->Folder() + QStringLiteral("/samples/plain-log/events.html")));
    // A drag from the tree carries the node's folder.
    std::unique_ptr<QMimeData> folderDrag(explorer.TreeModel()->mimeData({explorer.TreeModel()->IndexOf(Child(server, "images"))}));
    QVERIFY(explorer.TreeModel()->dropMimeData(folderDrag.get(), Qt::CopyAction, -1, 0, node));
    QVERIFY(Child(plain, "images") && Child(plain, "images")->ChildCount() > 0);
}

void TMainTest::renameAndDeleteInAPlainLog() {
    auto form = StartForm();
    TBoxAnswers boxes;
    TExplorer &explorer = *form->Explorer();
    TCabinet *plain = CabinetNamed(*form, "デモ 通常ログ");
    TTree *server = Child(plain, "http=www.kestrel-valley.example");
    explorer.SelectItem(server);
    TItemListModel &list = *explorer.ListModel();
    int row = list.RowOf(Child(server, "members"));
    QVERIFY(list.setData(list.index(row, 0), U("会員"), Qt::EditRole));
    Settle();
    QString base = fixture->Folder() + QStringLiteral("/samples/plain-log/http=www.kestrel-valley.example/");
    QVERIFY(QDir(base + U("会員")).exists());
    QVERIFY(!QDir(base + QStringLiteral("members")).exists());
    QModelIndex node = explorer.TreeModel()->IndexOf(Child(server, "会員"));
    QCOMPARE(node.data().toString(), U("会員"));

    // Deleting a file asks once, then the trash takes it and the row goes.
    TTree *page = Child(server, "events.html");
    SelectRow(explorer, page);
    form->mFileDelClick();
    Settle();
    QCOMPARE(boxes.Shown.size(), size_t{1});
    QVERIFY(boxes.Shown.front().rfind("question: ", 0) == 0);
    QVERIFY(!QFile::exists(base + QStringLiteral("events.html")));
    QVERIFY(!Child(server, "events.html"));
    QCOMPARE(list.RowOf(page), -1);

    // Refusing the question keeps the file and the item.
    boxes.DefaultAnswer = TAnswer::No;
    TTree *gallery = Child(server, "gallery.html");
    SelectRow(explorer, gallery);
    form->mFileDelClick();
    Settle();
    QVERIFY(QFile::exists(base + QStringLiteral("gallery.html")));
    QVERIFY(Child(server, "gallery.html"));
}

void TMainTest::commandsOpenTheirWindows() {
    auto form = StartForm();
    TExplorer &explorer = *form->Explorer();
    TCabinet *cache = CabinetNamed(*form, "デモ Netscape 2.x～4.x");
    TTree *server = Child(cache, "http://www.kestrel-valley.example");
    auto windows = [](const char *name) {
        int count = 0;
        for (QWidget *window : QApplication::topLevelWidgets())
            count += window->objectName() == QString::fromLatin1(name) && window->isVisible();
        return count;
    };
    explorer.SelectItem(server);
    form->mFileBrowseClick();
    form->mEditListClick();
    QCOMPARE(windows("TFormDetail"), 1);
    QCOMPARE(windows("TFormList"), 1);
    SelectRow(explorer, Child(server, "events.html"));
    form->mEditLinkClick();
    form->mEditListClick(); // not for a file
    QTRY_COMPARE(windows("TFormLink"), 1);
    QCOMPARE(windows("TFormList"), 1);
    // They close with the main window.
    QVERIFY(form->close());
    form->FormDestroy();
    form.reset();
    Settle();
    QCOMPARE(windows("TFormDetail") + windows("TFormList") + windows("TFormLink"), 0);
}

void TMainTest::commandsWaitForACopy() {
    auto form = StartForm();
    TBoxAnswers boxes;
    TExplorer &explorer = *form->Explorer();
    TCabinet *plain = CabinetNamed(*form, "デモ 通常ログ");
    TTree *server = Child(plain, "http=www.kestrel-valley.example");
    explorer.SelectItem(server);
    SelectRow(explorer, Child(server, "events.html"));
    TFormFileOP running;
    FileOpWindow = &running;
    form->mFileDelClick();
    form->mFileRenameClick();
    QVERIFY(boxes.Shown.empty());
    QVERIFY(Child(server, "events.html"));
    QCOMPARE(explorer.Status()->Message(), U(" コピーが終わるまでお待ちください。"));
    QFile added(fixture->Folder() + QStringLiteral("/samples/plain-log/late.txt"));
    QVERIFY(added.open(QIODevice::WriteOnly));
    added.close();
    form->mViewNewClick(); // runs once the copy has ended
    QTest::qWait(250);
    QVERIFY(!Child(plain, "late.txt"));
    QVERIFY(!form->close());
    FileOpWindow = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT(Child(plain, "late.txt"), 2000);
}

void TMainTest::itemChangedReachesEveryWindow() {
    class TCounter : public QWidget {
    public:
        int Seen = 0;
        TItemRef Last;
        bool event(QEvent *event) override {
            if (event->type() == TItemChangedEvent::Kind()) {
                ++Seen;
                Last = static_cast<TItemChangedEvent *>(event)->Item;
                return true;
            }
            return QWidget::event(event);
        }
    };
    auto form = StartForm();
    TCounter other;
    RegisterItemWindow(&other);
    TCabinet *plain = CabinetNamed(*form, "デモ 通常ログ");
    plain->Rename("名前を変えたログ");
    NotifyItemChanged(plain);
    QCOMPARE(other.Seen, 0); // posted, not sent
    Settle();
    QCOMPARE(other.Seen, 1);
    QCOMPARE(other.Last.Get(), plain);
    QCOMPARE(form->Explorer()->TreeModel()->ExistingIndexOf(plain).data().toString(), U("名前を変えたログ"));
}

void TMainTest::eraseSwitchErasesTheSettings() {
    {
        auto form = StartForm();
        form->close();
        form->FormDestroy();
    }
    QVERIFY(fixture->RegistryText().find("Kestrelware\\Trawler\\Config") != std::string::npos);
    TMainForm form({QStringLiteral("trawler"), QStringLiteral("/r")},
                   QCoreApplication::applicationFilePath().toStdString());
    QVERIFY(form.Uninstalling());
    QCOMPARE(form.Cabinets().Cabinets().size(), size_t{0});
    form.FormDestroy();
    QVERIFY(fixture->RegistryText().find("Kestrelware\\Trawler") == std::string::npos);
}

void TMainTest::secondStartRaisesTheFirst() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QString runtime = fixture->Folder() + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(QStringLiteral(TRAWLER_BINARY), {});
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(!QDir(runtime).entryList({QStringLiteral("trawler-*.socket")}, QDir::System).isEmpty(), 10000);
    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(TRAWLER_BINARY), {});
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);
    first.terminate();
    QVERIFY(first.waitForFinished(10000));
}

int main(int argc, char **argv) {
    PrepareUiEnvironment();
    QApplication app(argc, argv);
    InitUiResources();
    TMainTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "main_test.moc"
