// The link-check window on in-memory caches whose pages lie on disk: its texts, the scopes,
// found items and pages that vanish, windows that end in the middle of a scan, two checks at
// once; and pictures of it on the demo caches.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStatusTipEvent>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <memory>
#include <tuple>
#include <utility>

#include "config/tools.h"
#include "items/cab.h"
#include "items/file.h"
#include "items/fileDB.h"
#include "stores/cache.h"
#include "support/fakes.h"
#include "support/uiSupport.h"
#include "ui/common.h"
#include "ui/icons.h"
#include "ui/linkForm.h"
#include "ui/seamQt.h"
#include "ui/status.h"

using namespace Qt::StringLiterals;

namespace {
QString U(const char *utf8) {
    return QString::fromUtf8(utf8);
}

// Calls OnTurn at every turn of the event loop that the core gives, then lets Qt run.
class TTurnHook final : public TProgress {
public:
    explicit TTurnHook(std::function<void(int)> onTurn)
        : OnTurn(std::move(onTurn)), previous(&seam::Progress()) {
        seam::SetProgress(this);
    }
    ~TTurnHook() override { seam::SetProgress(previous); }
    std::function<void(int)> OnTurn;
    int Turns = 0;
    void SetStatusText(const std::string &) override {}
    void StartProgress(int64_t, int64_t) override {}
    void StepProgress(int64_t) override {}
    void ResetProgress() override {}
    void ProcessEvents() override {
        OnTurn(++Turns);
        QCoreApplication::processEvents();
    }

private:
    TProgress *previous;
};

QString Cell(TFormLink &form, int row, int column) {
    return form.Model()->index(row, column).data().toString();
}

std::string PaddedLinks(const char *link, int count) {
    std::string html;
    for (int i = 0; i < count; ++i)
        html +=
            "<A HREF=\"" + std::string(link) + std::to_string(i) + "\">" + std::string(200, '.');
    return html;
}
} // namespace

class TLinkFormTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void texts();
    void scopes_data();
    void scopes();
    void vanishingItems();
    void endingInTheMiddle_data();
    void endingInTheMiddle();
    void twoChecksAtOnce();
    void pictures();

private:
    TFile *Add(TCabinet *cabinet, const std::string &url, const std::string &bytes);
    TFormLink *Open(TFile &subject) {
        auto *form = new TFormLink(subject);
        form->show();
        form->Run();
        return form;
    }

    std::unique_ptr<TFakeDesktop> desktop;
    std::unique_ptr<TTempFolder> temp;
    std::unique_ptr<TCabinetRoot> root;
    TCabinet *own = nullptr;
    TFile *page = nullptr;
};

TFile *TLinkFormTest::Add(TCabinet *cabinet, const std::string &url, const std::string &bytes) {
    TFileData data;
    data.URL = url;
    data.CacheFile = url.substr(url.rfind('/') + 1);
    temp->Write(cabinet->Name() + "/" + data.CacheFile, bytes);
    return AddURL(*cabinet, url, data);
}

// http://h/d/page.html in the cache "own" links to a picture beside it (twice), a page on its
// server, one on another server of its cabinet, one only in the cache "other", one nowhere
// and an existing local file.
void TLinkFormTest::init() {
    desktop = std::make_unique<TFakeDesktop>();
    temp = std::make_unique<TTempFolder>();
    root = std::make_unique<TCabinetRoot>();
    own = root->AddCabinet(KindNetscape2, temp->Path() + "own", "own");
    TCabinet *other = root->AddCabinet(KindMsie4, temp->Path() + "other", "other");
    page = Add(own, "http://h/d/page.html",
               "<IMG SRC=\"a.gif\"><A HREF=\"../up.html\"><A HREF=\"http://o/x.html\"><A "
               "HREF=\"far.html\"><A HREF=\"no.html\"><A HREF=\"file:///" +
                   PathToURL(temp->Write("notes.txt", "")) + "\"><IMG SRC=\"A.GIF\">");
    for (const char *url : {"http://h/d/a.gif", "http://h/up.html", "http://o/x.html"})
        Add(own, url, "x");
    Add(other, "http://h/d/far.html", "x");
}

void TLinkFormTest::cleanup() {
    QList<QPointer<TFormLink>> forms;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *form = qobject_cast<TFormLink *>(window))
            forms << form;
    qDeleteAll(forms);
    ToolList().Clear();
    root.reset();
    temp.reset();
    desktop.reset();
}

void TLinkFormTest::texts() {
    TFormLink *form = Open(*page);
    QCOMPARE(form->windowTitle(), U("リンクチェック - page.html"));
    QCOMPARE(form->Title()->text(), U(" 現在位置 ： own [ http://h/d/ ]"));
    QStringList texts;
    for (int column = 0; column < 3; ++column)
        texts << form->Model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    for (QAction *menu : form->menuBar()->actions())
        texts << menu->text();
    for (const char *name : {"mFileClose", "mViewTool", "mViewStatus", "mViewAll", "mViewCabinet",
                             "mViewServer", "mViewDir"}) {
        auto *action = form->findChild<QAction *>(QString::fromLatin1(name));
        texts << action->text() + u'|' + action->statusTip();
    }
    QCOMPARE(texts,
             QStringList({U("検索するリンク"), U("キャビネット"), U("ＵＲＬアドレス"),
                          U("ファイル (&F)"), U("表示 (&V)"), U("ツール (&T)"),
                          U("閉じる (&X)|このウィンドウを閉じます。"),
                          U("ツールバー (&T)|ツールバーの表示・非表示を切り替えます。"),
                          U("ステータスバー (&S)|ステータスバーの表示・非表示を切り替えます。"),
                          U("すべて|すべてのキャッシュを検索します。"),
                          U("現在のキャビネット内|現在のキャビネットのみを検索します。"),
                          U("現在のサーバー内|現在のサーバのみを検索します。"),
                          U("現在のディレクトリ内|現在のディレクトリ内のみを検索します。")}));
    // The count follows a second after the window opened, and a second after each hint.
    QCOMPARE(form->Status()->Message(), U(" 表示中..."));
    const QString count = U(" 発見したリンク先 ： 1 個 ( 全リンク先 ： 6 個)");
    QTRY_COMPARE(form->Status()->Message(), count);
    QStatusTipEvent hint(U("このウィンドウを閉じます。"));
    QApplication::sendEvent(form, &hint);
    QCOMPARE(form->Status()->Message(), U(" このウィンドウを閉じます。"));
    QTRY_COMPARE(form->Status()->Message(), count);

    TFile *lost = Add(own, "http://h/d/lost.html", "");
    QFile::remove(QString::fromStdString(lost->GetLocalPath()));
    TFormLink *empty = Open(*lost);
    QCOMPARE(desktop->Shown, std::vector<std::string>{"error: ファイル (" + lost->GetLocalPath() +
                                                      "が開けません。"});
    QCOMPARE(empty->CountText(), U("発見したリンク先 ： 0 個 ( 全リンク先 ： 0 個)"));
}

void TLinkFormTest::scopes_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("found");
    // Rows a.gif, ../up.html, http://o/x.html, far.html, no.html, the local file: F found and
    // counted, O found outside the scope, E an existing local file, M missing.
    QTest::addColumn<QString>("marks");
    QTest::newRow("all") << "mViewAll" << 4 << "FFFFME";
    QTest::newRow("cabinet") << "mViewCabinet" << 3 << "FFFOME";
    QTest::newRow("server") << "mViewServer" << 2 << "FFOOME";
    QTest::newRow("directory, where it starts") << "mViewDir" << 1 << "FOOOME";
}

void TLinkFormTest::scopes() {
    QFETCH(QString, action);
    QFETCH(int, found);
    QFETCH(QString, marks);
    TFormLink *form = Open(*page);
    form->HintTimer()->stop();
    form->findChild<QAction *>(u"mViewAll"_s)->trigger(); // from another scope
    form->findChild<QAction *>(action)->trigger();
    QCOMPARE(form->Status()->Message(),
             U(" 発見したリンク先 ： ") + QString::number(found) + U(" 個 ( 全リンク先 ： 6 個)"));
    QString shown;
    for (int row = 0; row < form->Model()->Count(); ++row)
        shown += u"FOEM"_s.at(static_cast<int>(form->Model()->MarkAt(row)));
    QCOMPARE(shown, marks);
    // Columns: the text seen first, the cabinet ("File" for a local file), the address.
    QCOMPARE(Cell(*form, 0, 0) + Cell(*form, 0, 1) + Cell(*form, 0, 2),
             u"a.gifownhttp://h/d/a.gif"_s);
    QCOMPARE(Cell(*form, 3, 1) + Cell(*form, 4, 1) + Cell(*form, 4, 2) + Cell(*form, 5, 1),
             u"otherFile"_s);
    QCOMPARE(form->List()->currentIndex().row(), 0);
}

void TLinkFormTest::vanishingItems() {
    ToolList().Add("viewer", "/usr/bin/viewer");
    TFormLink *form = Open(*page);
    QPointer<TFormLink> guard(form);
    QVERIFY(!form->ToolPanel()->isHidden());
    QAction *tool = form->findChild<QMenu *>(u"mTool"_s)->actions().value(0);
    // Enter and the tool act on the found item of the selected row.
    form->List()->setCurrentIndex(form->Model()->index(3, 0));
    const std::string far = form->Model()->ItemAt(3)->GetLocalPath();
    QTest::keyClick(form->List(), Qt::Key_Return);
    tool->trigger();
    QCOMPARE(desktop->Started,
             (std::vector<std::string>{"open: " + far, "start: /usr/bin/viewer | " + far}));
    // Once it is destroyed the row shows it no more and neither opens nor runs anything.
    TTree *item = form->Model()->ItemAt(3);
    item->Parent()->DestroyChild(item);
    QCOMPARE(form->Model()->MarkAt(3), TLinkMark::Missing);
    QCOMPARE(Cell(*form, 3, 0) + Cell(*form, 3, 1) + Cell(*form, 3, 2), u"far.html"_s);
    QTest::keyClick(form->List(), Qt::Key_Return);
    tool->trigger();
    QCOMPARE(desktop->Started.size(), 2u);
    // The page goes: the next activation says so, once, and the window closes.
    page->Parent()->DestroyChild(page);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(form, &activate);
    QApplication::sendEvent(form, &activate);
    QCOMPARE(desktop->Shown, std::vector<std::string>{std::string("error: ") + MsgSubjectGone});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(guard.isNull());
}

void TLinkFormTest::endingInTheMiddle_data() {
    QTest::addColumn<int>("how");
    QTest::addColumn<int>("messages");
    QTest::newRow("window closed") << 0 << 0;
    QTest::newRow("page destroyed") << 1 << 1;
    QTest::newRow("its cabinet removed") << 2 << 1;
}

void TLinkFormTest::endingInTheMiddle() {
    QFETCH(int, how);
    QFETCH(int, messages);
    TFile *big = Add(own, "http://h/d/big.html", PaddedLinks("p", 5000)); // 1 MB: many turns
    auto *form = new TFormLink(*big);
    QPointer<TFormLink> guard(form);
    form->show();
    TTurnHook hook([&](int turn) {
        if (turn == 3 && how == 0)
            form->close();
        else if (turn == 3 && how == 1)
            big->Parent()->DestroyChild(big);
        else if (turn == 3)
            root->RemoveCabinet(own);
    });
    form->Run();
    QVERIFY(hook.Turns < 10); // the scan ended right after
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(guard.isNull());
    QCOMPARE(static_cast<int>(desktop->Shown.size()), messages);
}

void TLinkFormTest::twoChecksAtOnce() {
    TFile *second = Add(own, "http://h/e/second.html", PaddedLinks("../d/a.gif#", 100));
    TTurnHook hook([&](int turn) {
        if (turn == 2) // while the first scans
            OpenLinkCheck(*page);
    });
    OpenLinkCheck(*second);
    QList<TFormLink *> forms;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *form = qobject_cast<TFormLink *>(window); form && form->isVisible())
            forms << form;
    QCOMPARE(forms.size(), 2);
    if (forms[0]->Model()->Count() > forms[1]->Model()->Count())
        std::swap(forms[0], forms[1]);
    QCOMPARE(forms[0]->windowTitle() + Cell(*forms[0], 0, 2),
             U("リンクチェック - second.htmlhttp://h/d/a.gif"));
    QCOMPARE(forms[1]->windowTitle(), U("リンクチェック - page.html"));
    QCOMPARE(forms[1]->Model()->Count(), 6);
    forms[0]->mFileCloseClick();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(forms[1]->Model()->Count(), 6);
}

void TLinkFormTest::pictures() {
    // The demo site's gallery page in the Netscape 2.x cache and in the plain log, checked
    // against the demo caches with the desktop's own file-type icons.
    desktop.reset();
    TUiFixture fixture;
    fixture.UseDemoCabinets();
    TQtDesktop qtDesktop;
    TBoxAnswers answers;
    TFileDb types; // not the one the fake desktop's types were filed in
    SetFileDb(&types);
    TCabinetRoot demo;
    const std::pair<uint8_t, const char *> demos[] = {
        {KindPlainLog, "plain-log|デモ 通常ログ"},
        {KindNetscape2, "netscape2|デモ Netscape 2.x～4.x"},
        {KindMsie4, "msie4|デモ MS-IE 4.x"}};
    for (const auto &[kind, folderAndName] : demos) {
        QStringList parts = U(folderAndName).split(u'|');
        TCabinet *cabinet = demo.AddCabinet(
            kind, ToBytes(fixture.Folder() + u"/samples/"_s + parts[0]), ToBytes(parts[1]));
        LoadCabinet(*cabinet);
    }
    for (const auto &[cabinet, scope, name] : {std::tuple{1, ScopeDirectory, "link-check"},
                                               std::tuple{0, ScopeAll, "link-check-plain-log"}}) {
        TTree *gallery = nullptr;
        ForEachDescendant(*demo.Cabinets().at(cabinet), [&](const TTree &item) {
            if (item.Name() == "gallery.html")
                gallery = const_cast<TTree *>(&item);
        });
        QVERIFY(gallery);
        TFormLink *form = Open(*static_cast<TFile *>(gallery));
        form->resize(560, 300);
        form->SetScope(scope);
        QCOMPARE(form->Model()->Count(), 3);
        QTRY_VERIFY(form->Status()->Message().startsWith(U(" 発見したリンク先")));
        SaveScreenshot(form, QString::fromLatin1(name));
        delete form;
    }
    SetFileDb(nullptr);
}

int main(int argc, char **argv) {
    PrepareUiEnvironment();
    QApplication app(argc, argv);
    InitUiResources();
    TLinkFormTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "linkForm_test.moc"
