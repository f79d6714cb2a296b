// The file list window over in-memory cabinets: its texts, the filters, the column sort, copy,
// cut and drag, opening and tools, following changes of the tree, and several lists at once.
#include <QAction>
#include <QApplication>
#include <QDataStream>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QStatusTipEvent>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <cmath>
#include <memory>

#include "config/settings.h"
#include "config/tools.h"
#include "items/cab.h"
#include "items/clip.h"
#include "items/file.h"
#include "items/texts.h"
#include "platform/datetime.h"
#include "stores/cache.h"
#include "support/fakes.h"
#include "support/uiSupport.h"
#include "ui/common.h"
#include "ui/fileList.h"
#include "ui/icons.h"
#include "ui/itemModel.h"
#include "ui/seamQt.h"
#include "ui/status.h"

using namespace Qt::StringLiterals;

namespace {
double Today() {
    return std::floor(NowDateTime());
}

TFile *File(TTree &parent, const std::string &url, double accessed, int32_t size = 1) {
    TFileData data;
    data.URL = url;
    data.Accessed = data.Modified = accessed;
    data.Size = size;
    return AddURL(parent, url, data);
}

QStringList Captions(const TFormList &list) {
    QStringList captions;
    for (int row = 0; row < list.Model()->Count(); ++row)
        captions << list.Model()->index(row, 0).data().toString();
    return captions;
}

void Select(TFormList &list, int row) {
    list.ListView()->selectionModel()->select(
        list.Model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void Settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QAction *Action(QWidget &window, const QString &name) {
    return window.findChild<QAction *>(name);
}

QString Selected(int count, int total) {
    return u" %1 個のオブジェクトを選択 (全オブジェクト数 ： %2 個)"_s.arg(count).arg(total);
}
} // namespace

class TFileListTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void captionsAndHints_data();
    void captionsAndHints();
    void filters_data();
    void filters();
    void headerClicks_data();
    void headerClicks();
    void copyAndCut_data();
    void copyAndCut();
    void dragCarriesTheListedFolder();
    void openAndTools();
    void followsTheTree_data();
    void followsTheTree();
    void deletedListRootClosesOnActivation();
    void twoListsAtOnce();
    void hintsGiveWayToTheSelection();

private:
    TFormList *Open(TTree &folder) {
        TFormList *list = OpenFileList(folder);
        windows.append(list);
        return list;
    }

    TSettings saved;
    std::unique_ptr<TQtDesktop> qtDesktop;
    std::unique_ptr<TFakeDesktop> desktop;
    std::unique_ptr<TCabinetRoot> root;
    TCabinet *cabinet = nullptr;
    TTree *server = nullptr;
    QList<QPointer<TFormList>> windows;
};

void TFileListTest::init() {
    saved = Settings();
    Settings().ListMode = ListAll;
    Settings().Exec = Today() - 5;
    Settings().Terminate = Today() - 4;
    // The fake answers the shell and the boxes; the item-changed notification is the
    // program's own, posted to every list window.
    qtDesktop = std::make_unique<TQtDesktop>();
    desktop = std::make_unique<TFakeDesktop>();
    seam::SetNotifier(qtDesktop.get());
    root = std::make_unique<TCabinetRoot>();
    cabinet = root->AddCabinet(KindNetscape2, "/nonexistent-trawler/cache/", "cache");
    File(*cabinet, "http://h/today.html", NowDateTime(), 2048);
    File(*cabinet, "http://h/sub/week.gif", Today() - 3, 10);
    File(*cabinet, "http://h/sub/run.css", Today() - 4.5, 3000);
    File(*cabinet, "http://h/sub/old.txt", Today() - 30, 0);
    File(*cabinet, "http://h/sub/deep/never.zip", 0, 1);
    server = cabinet->Children().front().get();
}

void TFileListTest::cleanup() {
    for (const QPointer<TFormList> &list : std::as_const(windows))
        if (list)
            list->close();
    windows.clear();
    Settle();
    ItemClip().Clear(ClipEmpty);
    root.reset();
    desktop.reset();
    qtDesktop.reset();
    Settings() = saved;
}

void TFileListTest::captionsAndHints_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("hint");
    static const char *const rows[][3] = {
        {"mFile", "ファイル (&F)", ""},
        {"mFileClose", "閉じる (&X)", "このウィンドウを閉じます。"},
        {"mEdit", "編集 (&E)", ""},
        {"mEditCut", "切り取り (&T)", "指定されたデータをクリップボードに切り取ります。"},
        {"mEditCopy", "コピー (&C)", "指定されたデータをクリップボードにコピーします。"},
        {"mEditPaste", "貼り付け (&P)", ""},
        {"mEditClip", "クリップボードの内容 (&V)", "現在のクリップボードの内容を表示します。"},
        {"mEditALL", "すべて選択 (&A)", "すべてのデータを選択状態にします。"},
        {"mView", "表示 (&V)", ""},
        {"mViewTool", "ツールバー (&T)", "ツールバーの表示・非表示を切り替えます。"},
        {"mViewStatus", "ステータスバー (&S)", "ステータスバーの表示・非表示を切り替えます。"},
        {"mViewAll", "全部", "すべてのデータを表示します。"},
        {"mViewWeek", "１週間以内", "１週間以内にアクセスしたデータのみを表示します。"},
        {"mViewDay", "１日以内", "1日以内にアクセスしたデータのみを表示します。"},
        {"mViewNew", "新着", "前回起動後にアクセスしたデータを表示します。"},
        {"mTool", "ツール (&T)", ""},
        {"pmCut", "切り取り (&T)", "指定されたデータをクリップボードに切り取ります。"},
        {"pmCopy", "コピー (&C)", "指定されたデータをクリップボードにコピーします。"},
        {"pmTool", "ツール", ""},
        {"LabelExec", "前回起動", ""},
        {"PTitle", " 現在位置 ： cache [ http://h/ ]", ""},
        {"header0", "URLアドレス", ""},
        {"header1", "タイプ", ""},
        {"header2", "サイズ", ""},
        {"header3", "アクセス日時", ""},
        {"header4", "更新日時", ""},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString::fromUtf8(row[1]) << QString::fromUtf8(row[2]);
}

void TFileListTest::captionsAndHints() {
    QFETCH(QString, caption);
    QFETCH(QString, hint);
    QString name = QString::fromLatin1(QTest::currentDataTag());
    TFormList *list = Open(*server);
    QString text, tip;
    if (name.startsWith(u"header"_s)) {
        text = list->Model()->headerData(name.back().digitValue(), Qt::Horizontal).toString();
    } else if (auto *menu = list->findChild<QMenu *>(name)) {
        text = menu->title();
    } else if (QAction *action = Action(*list, name)) {
        text = action->text();
        tip = action->statusTip();
    } else if (auto *label = list->findChild<QLabel *>(name)) {
        text = label->text();
    }
    QCOMPARE(text, caption);
    QCOMPARE(tip, hint);
}

void TFileListTest::filters_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<double>("exec");
    QTest::addColumn<QStringList>("rows");
    const QStringList week{u"today.html"_s, u"sub/week.gif"_s, u"sub/run.css"_s};
    QTest::newRow("all") << u"mViewAll"_s << Today() - 5
                         << (week + QStringList{u"sub/old.txt"_s, u"sub/deep/never.zip"_s});
    QTest::newRow("day") << u"mViewDay"_s << Today() - 5 << week.mid(0, 1);
    QTest::newRow("new since start") << u"mViewNew"_s << Today() - 3.5 << week.mid(0, 2);
    QTest::newRow("new, first start") << u"mViewNew"_s << 0.0 << QStringList{};
}

void TFileListTest::filters() {
    QFETCH(QString, action);
    QFETCH(double, exec);
    QFETCH(QStringList, rows);
    Settings().Exec = exec;
    TFormList *list = Open(*server);
    Action(*list, action)->trigger();
    QCOMPARE(Captions(*list), rows);
    QCOMPARE(Settings().ListMode, Action(*list, action)->data().toInt());
    // The total counts every file; the first row is selected, else the fill's word goes.
    QCOMPARE(list->TotalCount(), int64_t{5});
    QCOMPARE(list->Status()->Message(), rows.isEmpty() ? u" "_s : Selected(1, 5));
    QCOMPARE(list->ExecTime()->text(),
             exec > 0 ? FromBytes(" " + DateText(false, exec)) : QString(15, u' '));
}

void TFileListTest::headerClicks_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("firstUp");
    QTest::addColumn<QString>("firstDown");
    QTest::newRow("address") << 0 << u"sub/deep/never.zip"_s << u"today.html"_s;
    QTest::newRow("size") << 2 << u"sub/old.txt"_s << u"sub/run.css"_s;
    QTest::newRow("accessed") << 3 << u"sub/deep/never.zip"_s << u"today.html"_s;
}

void TFileListTest::headerClicks() {
    QFETCH(int, column);
    QFETCH(QString, firstUp);
    QFETCH(QString, firstDown);
    TFormList *list = Open(*server);
    QHeaderView *header = list->ListView()->header();
    QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, 5);
    TTree *selected = list->Model()->ItemAt(0);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(Captions(*list).front(), firstUp);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(Captions(*list).front(), firstDown);
    // Every column keeps its own direction; the selection stays on its file.
    for (int other = 0; other < ColumnCount; ++other)
        QCOMPARE(list->Direction(other), 1);
    QCOMPARE(list->SelectedRows().size(), size_t{1});
    QCOMPARE(list->Model()->ItemAt(list->SelectedRows().front()), selected);
}

void TFileListTest::copyAndCut_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("deletable");
    QTest::addColumn<bool>("focused");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("shown");
    QTest::newRow("copy") << u"mEditCopy"_s << false << true << int(ClipCopy) << QString();
    QTest::newRow("no focus") << u"mEditCopy"_s << false << false << int(ClipEmpty) << QString();
    QTest::newRow("cut") << u"mEditCut"_s << true << true << int(ClipMove) << QString();
    QTest::newRow("cut refused in a cache") << u"pmCut"_s << false << true << int(ClipEmpty)
                                            << u"error: 指定された項目は切取れません。"_s;
}

void TFileListTest::copyAndCut() {
    QFETCH(QString, command);
    QFETCH(bool, deletable);
    QFETCH(bool, focused);
    QFETCH(int, mode);
    QFETCH(QString, shown);
    cabinet->Deletable = deletable;
    TTree *sub = FindChild(*server, "sub");
    TFormList *list = Open(*sub);
    Select(*list, 1);
    QCOMPARE(list->Status()->Message(), Selected(2, 4));
    if (!focused)
        list->ExecTime()->setFocus();
    Action(*list, command)->trigger();
    QCOMPARE(int(ItemClip().Mode), mode);
    QCOMPARE(desktop->Shown.empty() ? QString() : QString::fromStdString(desktop->Shown.back()),
             shown);
    list->mEditClick();
    QVERIFY(!Action(*list, u"mEditPaste"_s)->isEnabled());
    QCOMPARE(Action(*list, u"mEditClip"_s)->isEnabled(), mode != ClipEmpty);
    if (mode == ClipEmpty)
        return;
    // The selected rows, top first; a paste recreates the folders below the listed one.
    QCOMPARE(ItemClip().Count(), size_t{2});
    QCOMPARE(ItemClip().Item(0)->Name() + ItemClip().Item(1)->Name(),
             std::string("week.gifrun.css"));
    QCOMPARE(ItemClip().Root(), sub);
    QCOMPARE(list->Model()->index(0, 0).data(CutRole).toBool(), mode == ClipMove);
    QVERIFY(!list->Model()->index(2, 0).data(CutRole).toBool());
}

void TFileListTest::dragCarriesTheListedFolder() {
    TTree *sub = FindChild(*server, "sub");
    TFormList *list = Open(*sub);
    TFileListModel &model = *list->Model();
    model.DragMode = ClipMove;
    std::unique_ptr<QMimeData> data(
        model.mimeData({model.index(2, 0), model.index(0, 3), model.index(0, 0)}));
    QDataStream stream(data->data(QString::fromLatin1(ItemDragMimeType)));
    quint8 fromTree = 9, mode = 0;
    quint64 rootSerial = 0, first = 0, second = 0;
    quint32 count = 0;
    stream >> fromTree >> mode >> rootSerial >> count >> first >> second;
    QCOMPARE(fromTree, quint8{0});
    QCOMPARE(mode, quint8{ClipMove});
    QCOMPARE(rootSerial, quint64{sub->Serial()});
    QCOMPARE(count, quint32{2});
    QCOMPARE(first, quint64{model.ItemAt(0)->Serial()});
    QCOMPARE(second, quint64{model.ItemAt(2)->Serial()});
}

void TFileListTest::openAndTools() {
    TTempFolder disk;
    TCabinet *log = root->AddCabinet(KindPlainLog, disk.Path(), "log");
    TFileData data;
    TDir *folder = TDir::Create(*log, "pages");
    TFile *page = TFile::Create(*folder, data, "index.html");
    TFile::Create(*folder, data, "missing.gif");
    disk.Write("pages/index.html", "<html></html>");
    ToolList().Add("viewer", "/usr/bin/trawler-test-viewer");
    TFormList *list = Open(*log);
    QCOMPARE(Captions(*list), (QStringList{u"pages/index.html"_s, u"pages/missing.gif"_s}));
    QCOMPARE(list->Model()->index(0, 1).data().toString(), u"html file"_s);
    QCOMPARE(list->Model()->index(1, 1).data().toString(), u"不明"_s);
    // Enter opens the current row's file in the desktop's application.
    QTest::keyClick(list->ListView(), Qt::Key_Return);
    QCOMPARE(desktop->Started, (std::vector<std::string>{"open: " + page->GetLocalPath()}));
    // A file that is gone opens nothing; this window's panel says so.
    list->OpenRow(1);
    QCOMPARE(desktop->Started.size(), size_t{1});
    QVERIFY(list->Status()->Message().contains(u"missing.gif"_s));
    // A tool runs on the selected row, file on disk or not, and on nothing without one.
    QAction *tool = list->findChild<QMenu *>(u"mTool"_s)->actions().value(0);
    QCOMPARE(tool->text(), u"viewer"_s);
    QVERIFY(list->ToolPanel()->findChild<QToolButton *>(u"ToolButton0"_s));
    list->ListView()->selectionModel()->clearSelection();
    tool->trigger();
    QCOMPARE(desktop->Started.size(), size_t{1});
    Select(*list, 1);
    tool->trigger();
    QCOMPARE(desktop->Started.back(),
             "start: /usr/bin/trawler-test-viewer | " + disk.Path() + "pages/missing.gif");
    ToolList().Clear();
}

void TFileListTest::followsTheTree_data() {
    QTest::addColumn<int>("change");
    QTest::addColumn<QStringList>("rows");
    // Listing "sub" with the week's filter.
    const QStringList before{u"week.gif"_s, u"run.css"_s, u"deep/seen.png"_s};
    QTest::newRow("a folder below is deleted") << 0 << before.mid(0, 2);
    QTest::newRow("a paste adds a file") << 1 << (before + QStringList{u"deep/new.png"_s});
    QTest::newRow("a paste adds a file the filter hides") << 2 << before;
    QTest::newRow("a refresh drops what it did not meet") << 3 << QStringList{u"run.css"_s};
    QTest::newRow("the listed folder is deleted") << 4 << QStringList{};
    QTest::newRow("a change beside the listed folder") << 5 << before;
}

void TFileListTest::followsTheTree() {
    QFETCH(int, change);
    QFETCH(QStringList, rows);
    Settings().ListMode = ListWeek;
    File(*cabinet, "http://h/sub/deep/seen.png", NowDateTime());
    TTree *sub = FindChild(*server, "sub");
    TFormList *list = Open(*sub);
    QCOMPARE(Captions(*list).size(), 3);
    if (change == 0) {
        sub->DestroyChild(FindChild(*sub, "deep"));
        NotifyItemChanged(sub);
    } else if (change <= 2) {
        File(*cabinet, "http://h/sub/deep/new.png", change == 1 ? NowDateTime() : 1000.0);
        NotifyItemChanged(FindChild(*sub, "deep"));
    } else if (change == 3) {
        // What a reload does: everything unmarked, the store's entries met again, the rest
        // destroyed, then every window told.
        ResetFound(*cabinet, true);
        File(*cabinet, "http://h/today.html", NowDateTime());
        File(*cabinet, "http://h/sub/run.css", Today() - 4.5);
        SweepNotFound(*cabinet);
        NotifyItemChanged(cabinet);
    } else if (change == 4) {
        server->DestroyChild(sub);
        NotifyItemChanged(server);
    } else {
        File(*cabinet, "http://h/elsewhere/x.html", NowDateTime());
        NotifyItemChanged(FindChild(*server, "elsewhere"));
    }
    QCOMPARE(Captions(*list).size(), 3); // nothing happens before the notification arrives
    Settle();
    QCOMPARE(Captions(*list), rows);
}

void TFileListTest::deletedListRootClosesOnActivation() {
    TTree *sub = FindChild(*server, "sub");
    QPointer<TFormList> list = Open(*sub);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(list, &activate);
    Settle();
    QVERIFY(list && desktop->Shown.empty());
    server->DestroyChild(sub);
    QApplication::sendEvent(list, &activate);
    Settle();
    QVERIFY(!list);
    QCOMPARE(desktop->Shown,
             (std::vector<std::string>{"error: 表示対象が削除されたので一覧表示を終了します。"}));
}

void TFileListTest::twoListsAtOnce() {
    TFormList *first = Open(*server);
    TFormList *second = Open(*cabinet);
    QVERIFY(first->isVisible() && second->isVisible());
    QCOMPARE(second->Title()->text(), u" 現在位置 ： cache"_s);
    QCOMPARE(Captions(*second).front(), u"http://h/today.html"_s);
    // The filter is shared, but the other list keeps its rows until it is filled again.
    Action(*first, u"mViewDay"_s)->trigger();
    QCOMPARE(Captions(*first).size(), 1);
    QCOMPARE(Captions(*second).size(), 5);
    second->FillList();
    QCOMPARE(Captions(*second), QStringList{u"http://h/today.html"_s});
    // Both follow the tree.
    File(*cabinet, "http://h/fresh.html", NowDateTime());
    NotifyItemChanged(server);
    Settle();
    QCOMPARE(Captions(*first).size(), 2);
    QCOMPARE(Captions(*second).size(), 2);
    Action(*first, u"mEditALL"_s)->trigger();
    QCOMPARE(first->Status()->Message(), Selected(2, 5));
    // The mark of a file accessed since the last end.
    QVERIFY(!first->Model()->index(0, 0).data(StateImageRole).value<QIcon>().isNull());
}

void TFileListTest::hintsGiveWayToTheSelection() {
    TFormList *list = Open(*server);
    const QString hint = u" １週間以内にアクセスしたデータのみを表示します。"_s;
    QStatusTipEvent enter(Action(*list, u"mViewWeek"_s)->statusTip());
    QApplication::sendEvent(list, &enter);
    QCOMPARE(list->Status()->Message(), hint);
    QCOMPARE(list->StatusTimer()->interval(), 2000);
    // Leaving the entry keeps the hint; the timer brings the selection back.
    QStatusTipEvent leave{QString()};
    QApplication::sendEvent(list, &leave);
    QCOMPARE(list->Status()->Message(), hint);
    list->StatusTimer()->start(1);
    QTRY_COMPARE(list->Status()->Message(), Selected(1, 5));
}

int main(int argc, char **argv) {
    PrepareUiEnvironment();
    QApplication app(argc, argv);
    InitUiResources();
    TFileListTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "fileList_test.moc"
