// The explorer pane on an in-memory cabinet: what a shown folder lists, the column sort, the
// key delay, auto-scroll while dragging, and addresses of any depth.
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QTest>
#include <QTreeView>
#include <memory>

#include "config/settings.h"
#include "items/cab.h"
#include "items/file.h"
#include "stores/cache.h"
#include "support/fakes.h"
#include "support/uiSupport.h"
#include "ui/explor.h"
#include "ui/icons.h"
#include "ui/itemModel.h"
#include "ui/status.h"

using namespace Qt::StringLiterals;

namespace {
void File(TTree &parent, const std::string &url, int32_t size, double accessed = 0) {
    TFileData data;
    data.URL = url;
    data.Size = size;
    data.Accessed = accessed;
    AddURL(parent, url, data);
}

QString Cell(TExplorer &pane, const TTree *item, int column) {
    TItemListModel &list = *pane.ListModel();
    return list.index(list.RowOf(item), column).data().toString();
}
} // namespace

class TExplorerTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void showingAFolder();
    void sizeColumn_data();
    void sizeColumn();
    void headerClicksAlternate();
    void arrowKeysWaitForAPause();
    void autoScrollWhileDragging();
    void veryDeepAddress();

private:
    std::unique_ptr<TFakeDesktop> desktop;
    std::unique_ptr<TCabinetRoot> root;
    TCabinet *cabinet = nullptr;
    std::unique_ptr<TExplorer> pane;
};

void TExplorerTest::init() {
    desktop = std::make_unique<TFakeDesktop>();
    root = std::make_unique<TCabinetRoot>();
    cabinet = root->AddCabinet(KindNetscape2, "/nonexistent-trawler/cache/", "cache");
    File(*cabinet, "http://h/a.html", 0, 36000.5);
    File(*cabinet, "http://h/b.gif", 1, 36001.5);
    File(*cabinet, "http://h/c.gif", 1024, 35999.5);
    File(*cabinet, "http://h/d.gif", 1025);
    File(*cabinet, "http://h/sub/e.html", 10);
    pane = std::make_unique<TExplorer>(nullptr, 150);
    pane->resize(640, 400);
    pane->AddCabinet(*cabinet);
    pane->SetViewStyle(3);
    pane->show();
}

void TExplorerTest::cleanup() {
    pane.reset();
    root.reset();
    desktop.reset();
}

void TExplorerTest::showingAFolder() {
    TTree *server = cabinet->Children().front().get();
    pane->SelectItem(server);
    QCOMPARE(pane->Title()->text(), u" 現在位置 ： cache [ http://h/ ]"_s);
    QCOMPARE(pane->Status()->Message(), u" 5 個のオブジェクト"_s);
    QCOMPARE(pane->ListModel()->Count(), 5);
    // The folder comes first in an ascending sort, then the files by name.
    QCOMPARE(pane->ListModel()->ItemAt(0)->Name(), std::string("sub"));
    QCOMPARE(Cell(*pane, pane->ListModel()->ItemAt(0), 1), u"Directory"_s);
    // A folder without children lists nothing and says nothing, but names its place.
    TTree *sub = server->Children().back().get();
    TTree *empty = TDir::Create(*sub, "empty");
    pane->SelectItem(empty);
    QCOMPARE(pane->ListModel()->Count(), 0);
    QCOMPARE(pane->Status()->Message(), u" "_s);
    QCOMPARE(pane->Title()->text(), u" 現在位置 ： cache [ http://h/sub/empty/ ]"_s);
}

void TExplorerTest::sizeColumn_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("size");
    QTest::newRow("0 bytes") << "a.html" << "0KB";
    QTest::newRow("1 byte") << "b.gif" << "1KB";
    QTest::newRow("1024 bytes") << "c.gif" << "1KB";
    QTest::newRow("1025 bytes") << "d.gif" << "2KB";
}

void TExplorerTest::sizeColumn() {
    QFETCH(QString, file);
    QFETCH(QString, size);
    TTree *server = cabinet->Children().front().get();
    pane->SelectItem(server);
    TTree *item = FindChild(*server, file.toStdString());
    QCOMPARE(Cell(*pane, item, ColumnSize), size);
}

void TExplorerTest::headerClicksAlternate() {
    TTree *server = cabinet->Children().front().get();
    pane->SelectItem(server);
    auto firstFile = [&] {
        for (int row = 0; row < pane->ListModel()->Count(); ++row)
            if (pane->ListModel()->ItemAt(row)->IsFile())
                return pane->ListModel()->ItemAt(row)->Name();
        return std::string();
    };
    auto *header = pane->findChild<QTreeView *>(u"ListViewDetails"_s)->header();
    Q_EMIT header->sectionClicked(ColumnAccessed);
    QCOMPARE(firstFile(), std::string("d.gif")); // no date first, then the oldest
    Q_EMIT header->sectionClicked(ColumnAccessed);
    QCOMPARE(firstFile(), std::string("b.gif"));
    QVERIFY(pane->ListModel()->ItemAt(pane->ListModel()->Count() - 1)->IsDir()); // folders last
    // Another folder keeps every column's direction.
    pane->SelectItem(server->Children().back().get());
    QCOMPARE(pane->ListModel()->Direction(ColumnAccessed), 1);
    QCOMPARE(pane->ListModel()->Direction(ColumnCaption), 1);
}

void TExplorerTest::arrowKeysWaitForAPause() {
    TTree *server = cabinet->Children().front().get();
    pane->SelectItem(cabinet);
    pane->Tree()->expandAll();
    QTest::keyClick(pane->Tree(), Qt::Key_Down);
    QCOMPARE(pane->Tree()->currentIndex().data().toString(), u"h"_s.prepend(u"http://"_s));
    QCOMPARE(pane->ShownItem(), cabinet);
    QTest::qWait(300);
    QTest::keyClick(pane->Tree(), Qt::Key_Down); // restarts the delay
    QTest::qWait(300);
    QCOMPARE(pane->ShownItem(), cabinet);
    QTRY_COMPARE_WITH_TIMEOUT(pane->ShownItem(), server->Children().back().get(), 1000);
}

void TExplorerTest::autoScrollWhileDragging() {
    TTree *server = cabinet->Children().front().get();
    for (int i = 0; i < 60; ++i)
        File(*server, "http://h/many" + std::to_string(100 + i) + ".gif", 5);
    pane->SelectItem(server);
    QAbstractItemView *list = pane->List();
    list->scrollToBottom();
    QModelIndex last = pane->ListModel()->index(pane->ListModel()->Count() - 1, 0);
    QPoint near = list->visualRect(last).center();
    // Near the top with the option off: nothing runs; on: the timer runs upwards.
    Settings().OpListAutoScroll = false;
    pane->AutoScroll(list, QPoint(near.x(), 2), true);
    QVERIFY(!pane->ScrollTimer()->isActive());
    Settings().OpListAutoScroll = true;
    pane->AutoScroll(list, QPoint(near.x(), 2), true);
    QVERIFY(pane->ScrollTimer()->isActive());
    QCOMPARE(pane->ScrollTimer()->Vertical, -1);
    // Each tick moves one row up until the first row, then the timer stops.
    pane->ScrollTimer()->Current = pane->ListModel()->index(3, 0);
    for (int tick = 0; tick < 3; ++tick)
        pane->ScrollTimer()->Tick();
    QCOMPARE(pane->ScrollTimer()->Current.row(), 0);
    pane->ScrollTimer()->Tick();
    QVERIFY(!pane->ScrollTimer()->isActive());
    // The middle of the list scrolls nothing.
    pane->AutoScroll(list, list->viewport()->rect().center(), true);
    QVERIFY(!pane->ScrollTimer()->isActive());
    Settings().OpListAutoScroll = false;
}

void TExplorerTest::veryDeepAddress() {
    std::string url = "http://deep";
    for (int i = 0; i < 100000; ++i)
        url += "/d";
    File(*cabinet, url + "/leaf.html", 1);
    TTree *deepest = cabinet->Children().back().get();
    while (!deepest->Children().front()->IsFile())
        deepest = deepest->Children().front().get();
    pane->SelectItem(deepest);
    QCOMPARE(pane->ShownItem(), deepest);
    QCOMPARE(pane->ListModel()->Count(), 1);
    root->RemoveCabinet(cabinet);
    pane->ItemChanged(TItemRef::FromSerial(1)); // any notification after the cabinet went
    pane->RefreshAll();
    QCOMPARE(pane->TreeModel()->TopCount(), 0);
    QCOMPARE(pane->ListModel()->Count(), 0);
}

int main(int argc, char **argv) {
    PrepareUiEnvironment();
    QApplication app(argc, argv);
    InitUiResources();
    TExplorerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "explor_test.moc"
