// The options dialog: its texts, the enabling of the log tab's groups, OK and Cancel, and the
// options' way through the registry file.
#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>

#include "config/persist.h"
#include "config/registry.h"
#include "config/settings.h"
#include "config/tools.h"
#include "items/cab.h"
#include "items/file.h"
#include "support/fakes.h"
#include "support/uiSupport.h"
#include "ui/help.h"
#include "ui/icons.h"
#include "ui/opt.h"

using namespace Qt::StringLiterals;

namespace {
template <class T = QWidget> T *Find(const QWidget &parent, const QString &name) {
    T *found = parent.findChild<T *>(name);
    if (!found)
        qFatal("no widget %s", qPrintable(name));
    return found;
}

void Click(const QWidget &form, const QStringList &names) {
    for (const QString &name : names)
        Find<QAbstractButton>(form, name)->click();
}

// conv link dir delay | mirror link, delay | browser list tree warning | extensions
QString Options(const TSettings &s) {
    return u"%1%2%3%4 %5%6 %7%8%9%10 "_s.arg(s.OpCopyConv)
               .arg(s.OpCopyLink)
               .arg(s.OpCopyDir)
               .arg(s.OpCopyDelay)
               .arg(s.OpMirrorLink)
               .arg(s.OpMirrorDelay)
               .arg(s.OpBrowser)
               .arg(s.OpListAutoScroll)
               .arg(s.OpTreeAutoScroll)
               .arg(s.Warning) +
           QString::fromStdString(s.HtmlFileExt);
}
} // namespace

class OptionsTest : public QObject {
    Q_OBJECT
    TSettings saved = Settings();

private slots:
    void initTestCase() {
        PrepareUiEnvironment();
        InitUiResources();
    }
    void cleanup() { Settings() = saved; }

    // A group's title, then its choices in the order shown.
    void texts_data() {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("texts");
        auto row = [](const char *group, const char *texts) {
            QTest::newRow(group) << QString::fromUtf8(group) << QString::fromUtf8(texts);
        };
        row("CopyConvGroup", "Ｈｔｍｌファイル内のリンク先の変換|行わない|行う");
        row("CopyLinkGroup", "コピー対象ファイル以外へのリンクの処理|何もしない|"
                             "リンク先のファイルが見つかれば、追加する");
        row("CopyDirGroup",
            "追加されたファイルを保存する場所|コピー先のキャビネット|コピー先のディレクトリ");
        row("CopyDelayGroup",
            "追加されたファイルがコピー先に存在する場合の処理|上書きしない|上書きする|"
            "ダイアログで問い合わせる");
        row("MirrorLinkGroup",
            "コピー対象ファイル以外へのリンク|何もしない|リンク先のファイルが見つかれば追加する");
        row("MirrorDelayGroup",
            "追加されたファイルがコピー先に存在する場合の処理|上書きしない|上書きする|"
            "ダイアログで問い合わせる|更新日時が新しい場合のみ、上書きする");
        row("HtmlExtGroup", "Ｈｔｍｌファイルの拡張子|(セミコロンで区切ったもの）");
        row("BrowserGroup", "ダブルクリックで起動するアプリケーション|"
                            "常にキャビネットに登録されたアプリケーション|"
                            "Ｈｔｍｌファイル以外は関連づけられたアプリケーション");
        row("AutoScrollGroup",
            "ドラッグ時のオートスクロール|リスト表示部|行う|行わない|ツリー表示部|行う|行わない");
        row("WarningGroup", "キャッシュ読み込み時の警告の表示|行う|行わない");
    }
    void texts() {
        QFETCH(QString, group);
        QFETCH(QString, texts);
        TFormOption form;
        auto *box = Find<QGroupBox>(form, group);
        QStringList shown{box->title()};
        for (QWidget *child : box->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (auto *button = qobject_cast<QAbstractButton *>(child))
                shown << button->text();
            else if (auto *label = qobject_cast<QLabel *>(child))
                shown << label->text();
        }
        QCOMPARE(shown.join(u'|'), texts);
    }

    void frame() {
        TFormOption form;
        form.show();
        QCOMPARE(form.windowTitle(), u"オプション"_s);
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QVERIFY(!(form.windowFlags() & Qt::WindowMinMaxButtonsHint));
        QCOMPARE(Find<QAbstractButton>(form, u"OkButton"_s)->text(), u"OK"_s);
        QCOMPARE(Find<QAbstractButton>(form, u"CancelButton"_s)->text(), u"Cancel"_s);
        auto *pages = Find<QTabWidget>(form, u"Pages"_s);
        const QString names[] = {u"options-log"_s, u"options-mirror"_s, u"options-other"_s};
        QStringList tabs;
        for (int i = 0; i < pages->count(); ++i)
            tabs << pages->tabText(i);
        QCOMPARE(tabs.join(u'|'), u"ログの作成|ミラーの作成|その他"_s);
        QCOMPARE(pages->currentIndex(), 2);
        for (int i = 2; i >= 0; --i) {
            pages->setCurrentIndex(i);
            SaveScreenshot(&form, names[i]);
        }
    }

    // Overwrite values outside the choices select none and come back unchanged from OK.
    void opening_data() {
        QTest::addColumn<int>("copyDelay");
        QTest::addColumn<int>("mirrorDelay");
        QTest::addColumn<bool>("copyShown");
        QTest::addColumn<bool>("mirrorShown");
        QTest::newRow("keep, keep if newer") << 0 << 3 << true << true;
        QTest::newRow("mirror-only value in the log group") << 3 << 2 << false << true;
        QTest::newRow("out of range") << -1 << 4 << false << false;
    }
    void opening() {
        QFETCH(int, copyDelay);
        QFETCH(int, mirrorDelay);
        QFETCH(bool, copyShown);
        QFETCH(bool, mirrorShown);
        Settings().OpCopyDelay = copyDelay;
        Settings().OpMirrorDelay = mirrorDelay;
        TFormOption form;
        auto checked = [&](const QString &name) {
            auto *button = form.findChild<QAbstractButton *>(name);
            return button && button->isChecked();
        };
        QCOMPARE(checked(u"CopyDelay%1"_s.arg(copyDelay)), copyShown);
        QCOMPARE(checked(u"MirrorDelay%1"_s.arg(mirrorDelay)), mirrorShown);
        Click(form, {u"OkButton"_s});
        QCOMPARE(Settings().OpCopyDelay, copyDelay);
        QCOMPARE(Settings().OpMirrorDelay, mirrorDelay);
    }

    void enabling_data() {
        QTest::addColumn<bool>("conv");
        QTest::addColumn<bool>("link");
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("enabled"); // groups 2, 3 and 4
        QTest::newRow("no conversion") << false << true << QStringList{} << u"000"_s;
        QTest::newRow("conversion, no links") << true << false << QStringList{} << u"100"_s;
        QTest::newRow("conversion and links") << true << true << QStringList{} << u"111"_s;
        QTest::newRow("conversion on, links stood on")
            << false << true << QStringList{u"CopyConv1"_s} << u"111"_s;
        QTest::newRow("conversion on, links stood off")
            << false << false << QStringList{u"CopyConv1"_s} << u"100"_s;
        QTest::newRow("conversion off") << true << true << QStringList{u"CopyConv0"_s} << u"000"_s;
        QTest::newRow("links off") << true << true << QStringList{u"CopyLink0"_s} << u"100"_s;
        QTest::newRow("links on") << true << false << QStringList{u"CopyLink1"_s} << u"111"_s;
    }
    void enabling() {
        QFETCH(bool, conv);
        QFETCH(bool, link);
        QFETCH(QStringList, clicks);
        QFETCH(QString, enabled);
        Settings().OpCopyConv = conv;
        Settings().OpCopyLink = link;
        TFormOption form;
        Click(form, clicks);
        QString got;
        for (const char *group : {"CopyLinkGroup", "CopyDirGroup", "CopyDelayGroup"})
            got += Find(form, QString::fromLatin1(group))->isEnabled() ? u'1' : u'0';
        QCOMPARE(got, enabled);
        QCOMPARE(Find(form, u"CopyDelay2"_s)->isEnabled(), enabled.endsWith(u'1'));
    }

    // A first start, the dialog, the end of the program and the next start; the settings the
    // dialog does not show stay as they were.
    void roundTrip_data() {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("ext");
        QTest::addColumn<QString>("options");
        QTest::newRow("defaults") << QStringList{} << u".HTML;.HTM;.ASP"_s
                                  << u"0002 02 0011 .HTML;.HTM;.ASP"_s;
        QTest::newRow("everything switched")
            << QStringList{u"CopyConv1"_s,  u"CopyLink1"_s,       u"CopyDir1"_s,
                           u"CopyDelay1"_s, u"MirrorLink1"_s,     u"MirrorDelay3"_s,
                           u"Browser1"_s,   u"ListAutoScroll1"_s, u"TreeAutoScroll0"_s,
                           u"Warning0"_s}
            << u".htm;.shtml;.Php3"_s << u"1111 13 1100 .HTM;.SHTML;.PHP3"_s;
        QTest::newRow("keep; full-width letters stay")
            << QStringList{u"CopyConv1"_s, u"CopyLink1"_s, u"CopyDelay0"_s, u"MirrorDelay0"_s}
            << u".ｈｔｍ;.xml"_s << u"1100 00 0011 .ｈｔｍ;.XML"_s;
        // An empty list would recognise no HTML file until the next start takes the default.
        QTest::newRow("empty list: the default")
            << QStringList{} << u""_s << u"0002 02 0011 .HTML;.HTM;.ASP"_s;
    }
    void roundTrip() {
        QFETCH(QStringList, clicks);
        QFETCH(QString, ext);
        QFETCH(QString, options);
        TFakeDesktop desktop;
        TTempFolder folder;
        const std::string path = folder.Path() + "registry.reg";
        TTools tools;
        TCabinetRoot root;
        Settings() = TSettings{};
        QVERIFY(ReadRegistry(*std::make_unique<TRegistry>(path), tools, root, "/t").FirstStart);
        Settings().OpDelete = true;
        Settings().OpDeleteDB = false;
        Settings().ListMode = 2;
        TFormOption form;
        Click(form, clicks);
        Find<QLineEdit>(form, u"HtmlExtEdit"_s)->setText(ext);
        Click(form, {u"OkButton"_s});
        QCOMPARE(Options(Settings()), options);
        WriteRegistry(*std::make_unique<TRegistry>(path), tools, root, true);
        Settings() = TSettings{};
        TReadResult read = ReadRegistry(*std::make_unique<TRegistry>(path), tools, root, "/t");
        QVERIFY(read.Ok && !read.FirstStart);
        QCOMPARE(Options(Settings()), options);
        QVERIFY(Settings().OpDelete && !Settings().OpDeleteDB && Settings().ListMode == 2);
    }

    // Lower-case extensions make files HTML files at once, whatever their case.
    void extensionsAtOnce_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("html");
        QTest::newRow("lower case") << u"page.shtml"_s << true;
        QTest::newRow("upper case") << u"PAGE.SHTML"_s << true;
        QTest::newRow("no longer listed") << u"page.htm"_s << false;
    }
    void extensionsAtOnce() {
        QFETCH(QString, name);
        QFETCH(bool, html);
        TFormOption form;
        Find<QLineEdit>(form, u"HtmlExtEdit"_s)->setText(u".shtml;.php3"_s);
        Click(form, {u"OkButton"_s});
        TCabinetRoot root;
        TCabinet *cabinet = root.AddCabinet(KindMsie3, "/nonexistent/cab/", "c");
        TFile *file = TFile::Create(*TDir::Create(*cabinet, "http://h"), {}, name.toStdString());
        QCOMPARE(IsHtml(*file), html);
    }

    // Cancel, Escape and the close box after every group changed leave every option.
    void cancel_data() {
        QTest::addColumn<int>("way");
        QTest::newRow("Cancel") << 0;
        QTest::newRow("Escape") << 1;
        QTest::newRow("close box") << 2;
    }
    void cancel() {
        QFETCH(int, way);
        Settings().OpCopyConv = Settings().OpCopyLink = true;
        const QString before = Options(Settings());
        TFormOption form;
        Click(form, {u"CopyDir1"_s, u"CopyDelay0"_s, u"CopyLink0"_s, u"CopyConv0"_s,
                     u"MirrorLink1"_s, u"MirrorDelay3"_s, u"Browser1"_s, u"ListAutoScroll1"_s,
                     u"TreeAutoScroll0"_s, u"Warning0"_s});
        Find<QLineEdit>(form, u"HtmlExtEdit"_s)->setText(u".txt"_s);
        form.show();
        if (way == 0)
            Click(form, {u"CancelButton"_s});
        else if (way == 1)
            QTest::keyClick(&form, Qt::Key_Escape);
        else
            form.close();
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(Options(Settings()), before);
    }

    // F1 shows the topic of the tab a control belongs to, else the dialog's.
    void help_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("topic");
        QTest::newRow("log tab") << 0 << u"CopyConv0"_s << 59;
        QTest::newRow("mirror tab") << 1 << u"MirrorDelay2"_s << 87;
        QTest::newRow("other tab") << 2 << u"HtmlExtEdit"_s << 88;
        QTest::newRow("OK button") << 2 << u"OkButton"_s << 60;
    }
    void help() {
        QFETCH(int, tab);
        QFETCH(QString, focus);
        QFETCH(int, topic);
        TFormOption form;
        Find<QTabWidget>(form, u"Pages"_s)->setCurrentIndex(tab);
        form.show();
        Find(form, focus)->setFocus();
        QShortcut *f1 = form.findChild<QShortcut *>();
        QVERIFY(f1 && f1->key() == QKeySequence(Qt::Key_F1));
        emit f1->activated();
        QTextBrowser *browser = nullptr;
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window->objectName() == u"THelpWindow")
                browser = window->findChild<QTextBrowser *>(u"HelpBrowser"_s);
        QVERIFY(browser);
        QCOMPARE(browser->source(), HelpTopicUrl(topic));
    }
};

QTEST_MAIN(OptionsTest)
#include "opt_test.moc"
