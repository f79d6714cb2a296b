// The item property dialogs, the clipboard-contents window, the overwrite question and the
// copy progress window.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <climits>
#include <map>
#include <memory>
#include <sys/time.h>
#include <vector>

#include "config/settings.h"
#include "fileops/fileOP.h"
#include "items/cab.h"
#include "items/clip.h"
#include "items/file.h"
#include "stores/cache.h"
#include "support/fakes.h"
#include "ui/clipForm.h"
#include "ui/fileOpForm.h"
#include "ui/overwrite.h"
#include "ui/props.h"

using namespace Qt::StringLiterals;

namespace {

template <class T> T *Find(const QWidget &parent, const QString &name) {
    T *found = parent.findChild<T *>(name);
    if (!found)
        qFatal("no widget %s", qPrintable(name));
    return found;
}

// The kind whose radio button is checked; 0 when none is.
int CheckedKind(const TFormCabinet &form) {
    for (int kind = 1; kind <= 8; ++kind)
        if (Find<QRadioButton>(form, u"Kind%1"_s.arg(kind))->isChecked())
            return kind;
    return 0;
}

// The lines of a folder or file page as "caption|value", top to bottom.
QStringList Lines(const QDialog &dialog) {
    auto *grid = qobject_cast<QGridLayout *>(Find<QWidget>(dialog, u"Page"_s)->layout());
    QStringList lines;
    for (int row = 0; row < grid->rowCount(); ++row) {
        QLayoutItem *caption = grid->itemAtPosition(row, 0);
        QLayoutItem *value = grid->itemAtPosition(row, 1);
        if (!caption || !value || caption == value)
            continue; // a rule across both columns
        auto *label = qobject_cast<QLabel *>(caption->widget());
        QString text;
        if (auto *valueLabel = qobject_cast<QLabel *>(value->widget()))
            text = valueLabel->text();
        else if (auto *memo = qobject_cast<QPlainTextEdit *>(value->widget()))
            text = memo->toPlainText();
        lines << (label ? label->text() : QString()) + u'|' + text;
    }
    return lines;
}

// The tree as "name(child child) name", each level in the order shown.
QString Dump(const QTreeWidgetItem *node) {
    QString text = node->text(0);
    if (node->childCount() == 0)
        return text;
    QStringList children;
    for (int i = 0; i < node->childCount(); ++i)
        children << Dump(node->child(i));
    return text + u'(' + children.join(u' ') + u')';
}

QString Dump(const QTreeWidget &tree) {
    QStringList top;
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        top << Dump(tree.topLevelItem(i));
    return top.join(u' ');
}

int Depth(const QTreeWidget &tree) {
    int deepest = 0;
    const QTreeWidgetItem *node = tree.topLevelItem(0);
    for (int depth = 1; node; ++depth, node = node->childCount() ? node->child(0) : nullptr)
        deepest = depth;
    return deepest;
}

// "ネット" in Shift-JIS: bytes that are not UTF-8.
const std::string ShiftJisName = "\x83\x6c\x83\x62\x83\x67";

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private:
    TSettings saved = Settings();
    std::unique_ptr<TFakeDesktop> desktop;
    std::unique_ptr<TTempFolder> folder;
    std::unique_ptr<TCabinetRoot> root;

    TCabinet *Cabinet(uint8_t kind) {
        TCabinet *cabinet = root->AddCabinet(kind, folder->Path() + "cab", "キャッシュ");
        cabinet->Program = "/opt/browser/bin/navigator";
        return cabinet;
    }

private slots:
    void init() {
        desktop = std::make_unique<TFakeDesktop>();
        folder = std::make_unique<TTempFolder>();
        root = std::make_unique<TCabinetRoot>();
        CancelRequested = false;
    }
    void cleanup() {
        root.reset();
        folder.reset();
        desktop.reset();
        Settings() = saved;
        CancelRequested = false;
    }

    // ---- cabinet ----

    void cabinetFill_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("deletable");
        QTest::addColumn<bool>("opDelete");
        QTest::addColumn<int>("checked");
        QTest::addColumn<QString>("kindLabel");
        QTest::newRow("new cabinet: no kind checked") << 0 << false << false << 0 << u""_s;
        QTest::newRow("mirror log, OpDelete on") << 2 << true << true << 2 << u"ミラーログ"_s;
        QTest::newRow("Netscape 2 cache, deletable from the settings")
            << 4 << true << false << 4 << u"Netscape V2.X～"_s;
    }
    void cabinetFill() {
        QFETCH(int, kind);
        QFETCH(bool, deletable);
        QFETCH(bool, opDelete);
        Settings().OpDelete = opDelete;
        TCabinet *cabinet = Cabinet(static_cast<uint8_t>(kind));
        cabinet->Deletable = deletable;

        TFormCabinet form(*cabinet);
        QCOMPARE(form.windowTitle(), u"プロパティ"_s);
        QCOMPARE(Find<QLineEdit>(form, u"NameEdit"_s)->text(), u"キャッシュ"_s);
        auto *location = Find<QPlainTextEdit>(form, u"LocationMemo"_s);
        QCOMPARE(location->toPlainText(), QString::fromStdString(folder->Path() + "cab/"));
        QVERIFY(location->isReadOnly());
        QCOMPARE(Find<QLineEdit>(form, u"ProgramEdit"_s)->text(), u"/opt/browser/bin/navigator"_s);
        QTEST(CheckedKind(form), "checked");
        QTEST(Find<QLabel>(form, u"KindLabel"_s)->text(), "kindLabel");
        auto *check = Find<QCheckBox>(form, u"DeletableCheck"_s);
        QCOMPARE(check->text(), u"削除可能"_s);
        QCOMPARE(check->isChecked(), deletable);
        QCOMPARE(check->isEnabled(), opDelete);
    }

    void cabinetKind_data() {
        QTest::addColumn<bool>("indexRead");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("click"); // 0: no click
        QTest::addColumn<int>("stored");
        QTest::newRow("read: another kind is taken back") << true << 2 << 5 << 2;
        QTest::newRow("read: the own kind") << true << 6 << 6 << 6;
        QTest::newRow("new: OK without a choice keeps 0") << false << 0 << 0 << 0;
        QTest::newRow("new: the clicked kind") << false << 0 << 5 << 5;
        QTest::newRow("not read yet: a known kind may change") << false << 3 << 1 << 1;
    }
    void cabinetKind() {
        QFETCH(bool, indexRead);
        QFETCH(int, kind);
        QFETCH(int, click);
        QFETCH(int, stored);
        TCabinet *cabinet = Cabinet(static_cast<uint8_t>(kind));
        cabinet->IndexRead = indexRead;

        TFormCabinet form(*cabinet);
        if (click)
            Find<QRadioButton>(form, u"Kind%1"_s.arg(click))->click();
        QCOMPARE(CheckedKind(form), stored);
        Find<QPushButton>(form, u"OkButton"_s)->click();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(int(cabinet->Kind), stored);
    }

    void cabinetDeletable_data() {
        QTest::addColumn<bool>("opDelete");
        QTest::addColumn<bool>("before");
        QTest::addColumn<bool>("after");
        QTest::newRow("OpDelete on: cleared") << true << true << false;
        QTest::newRow("OpDelete on: set") << true << false << true;
        QTest::newRow("OpDelete off: never written") << false << true << true;
    }
    void cabinetDeletable() {
        QFETCH(bool, opDelete);
        QFETCH(bool, before);
        Settings().OpDelete = opDelete;
        TCabinet *cabinet = Cabinet(KindMsie4);
        cabinet->Deletable = before;

        TFormCabinet form(*cabinet);
        Find<QCheckBox>(form, u"DeletableCheck"_s)->setChecked(!before);
        Find<QPushButton>(form, u"OkButton"_s)->click();
        QTEST(cabinet->Deletable, "after");
    }

    void cabinetCancel() {
        Settings().OpDelete = true;
        TCabinet *cabinet = Cabinet(KindUnknown);
        TFormCabinet form(*cabinet);
        Find<QLineEdit>(form, u"NameEdit"_s)->setText(u"別名"_s);
        Find<QLineEdit>(form, u"ProgramEdit"_s)->setText(u"/usr/bin/other"_s);
        Find<QRadioButton>(form, u"Kind2"_s)->click();
        Find<QCheckBox>(form, u"DeletableCheck"_s)->setChecked(true);
        Find<QPushButton>(form, u"CancelButton"_s)->click();

        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(cabinet->Name(), std::string("キャッシュ"));
        QCOMPARE(cabinet->Program, std::string("/opt/browser/bin/navigator"));
        QCOMPARE(int(cabinet->Kind), int(KindUnknown));
        QVERIFY(!cabinet->Deletable);
    }

    // Pressing OK does not re-encode a Shift-JIS name or path that the user left alone.
    void cabinetKeepsBytesLeftAlone() {
        TCabinet *cabinet = Cabinet(KindPlainLog);
        cabinet->SetName(ShiftJisName);
        cabinet->Program = folder->Write(ShiftJisName, "#!/bin/sh\n");
        TFormCabinet form(*cabinet);
        QVERIFY2(!Find<QLabel>(form, u"ProgramIcon"_s)->pixmap().isNull(), "the file is found");
        form.accept();
        QCOMPARE(cabinet->Name(), ShiftJisName);
        QCOMPARE(cabinet->Program, folder->Path() + ShiftJisName);
    }

    void cabinetProgramIcon() {
        std::string program = folder->Write("bin/browser", "#!/bin/sh\n");
        TCabinet *cabinet = Cabinet(KindPlainLog);
        cabinet->Program = folder->Path() + "missing";
        TFormCabinet form(*cabinet);
        auto *icon = Find<QLabel>(form, u"ProgramIcon"_s);
        QVERIFY(icon->pixmap().isNull());

        Find<QLineEdit>(form, u"ProgramEdit"_s)->setText(QString::fromStdString(program));
        QVERIFY(!icon->pixmap().isNull());
        QCOMPARE(desktop->ProgramIconQueries.back(), program);

        Find<QLineEdit>(form, u"ProgramEdit"_s)->setText(QString::fromStdString(folder->Path()));
        QVERIFY2(icon->pixmap().isNull(), "a folder is not a program");
    }

    // ---- folder and file ----

    // Lines as "caption|value", joined by ";"; <cab> stands for the cabinet folder.
    void itemLines_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("file");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<bool>("picture");
        QTest::newRow("plain-log folder")
            << int(KindPlainLog) << false
            << u"|a;場所   ： |http=h/a/;サイズ ： |2.0 KByte  (2048 Byte);"
               u"内容   ：|フォルダ数 = 0 , ファイル数 = 1;属性   ： |通常ログ;"
               u"作成日時  ： |01/02/03 04:05;アクセス日 ：|"_s
            << true;
        QTest::newRow("cache folder: no date")
            << int(KindMsie3) << false
            << u"|a;場所   ： |http://h/a/;サイズ ： |2.0 KByte  (2048 Byte);"
               u"内容   ：|フォルダ数 = 0 , ファイル数 = 1;属性   ： |キャッシュ（MS-IE V3.0）;"
               u"作成日時  ： |不明;アクセス日 ：|"_s
            << true;
        QTest::newRow("plain-log file")
            << int(KindPlainLog) << true
            << u"|b.html;種類 ： |html file;|( text/html );場所 ： |http=h/a/b.html;"
               u"|<cab>http=h/a/b.html;サイズ ： |2.0 KByte  (2048 Byte);"
               u"作成日時 ： |98/07/24 12:00;アクセス日 ： |不明;属性 ： |通常ログ"_s
            << true;
        QTest::newRow("cache file that is missing")
            << int(KindMsie3) << true
            << u"|b.html;種類 ： |不明;|( text/html );場所 ： |http://h/a/b.html;"
               u"|<cab>M1/b.htm;サイズ ： |2.0 KByte  (2048 Byte);"
               u"作成日時 ： |98/07/24 12:00;アクセス日 ： |不明;属性 ： |キャッシュ（MS-IE V3.0）"_s
            << false;
    }
    void itemLines() {
        QFETCH(int, kind);
        QFETCH(bool, file);
        QFETCH(QString, lines);
        QFETCH(bool, picture);
        TCabinet *cabinet = Cabinet(static_cast<uint8_t>(kind));
        TFileData data{2048, 36000.5, 0, 0, "M1/b.htm", "", "text/html", 0, ""};
        TFile *page = AddURL(*cabinet, "http://h/a/b.html", data);
        if (kind == KindPlainLog) {
            folder->Write("cab/http=h/a/b.html", std::string(2048, 'x'));
            // 2001-02-03 04:05:06 in Tokyo.
            const timeval times[2] = {{981140706, 0}, {981140706, 0}};
            QCOMPARE(utimes((folder->Path() + "cab/http=h/a").c_str(), times), 0);
        }
        lines.replace(u"<cab>"_s, QString::fromStdString(cabinet->Path));

        std::unique_ptr<QDialog> form;
        if (file)
            form = std::make_unique<TFormFile>(*page);
        else
            form = std::make_unique<TFormDir>(static_cast<TDir &>(*page->Parent()));
        QCOMPARE(form->windowTitle(), u"プロパティ"_s);
        QCOMPARE(Lines(*form).join(u';'), lines);
        QCOMPARE(!Find<QLabel>(*form, u"Picture"_s)->pixmap().isNull(), picture);
        if (!file)
            QVERIFY2(!Find<QLabel>(*form, u"AccessedLabel"_s)->isEnabled(), "greyed");
    }

    // ---- clipboard contents ----

    void clipTree_data() {
        QTest::addColumn<bool>("withRoot");
        QTest::addColumn<QString>("entries");
        QTest::addColumn<bool>("destroyD");
        QTest::addColumn<QString>("tree");
        QTest::newRow("own chain below Root per entry")
            << true << u"f.html d"_s << false << u"a(b(f.html)) a(d(y(x.gif) a.gif b.gif))"_s;
        QTest::newRow("entry right below Root")
            << true << u"a"_s << false << u"a(b(f.html) d(y(x.gif) a.gif b.gif))"_s;
        QTest::newRow("no Root: entries at the top, folders first")
            << false << u"f.html d"_s << false << u"d(y(x.gif) a.gif b.gif) f.html"_s;
        QTest::newRow("destroyed entry left out")
            << true << u"f.html d"_s << true << u"a(b(f.html))"_s;
    }
    void clipTree() {
        QFETCH(bool, withRoot);
        QFETCH(QString, entries);
        QFETCH(bool, destroyD);
        TCabinet *cabinet = Cabinet(KindMsie3);
        TDir *server = TDir::Create(*cabinet, "http://h");
        TDir *a = TDir::Create(*server, "a");
        TFile *f = TFile::Create(*TDir::Create(*a, "b"), {}, "f.html");
        TDir *d = TDir::Create(*a, "d");
        TFile::Create(*d, {}, "b.gif");
        TFile::Create(*TDir::Create(*d, "y"), {}, "x.gif");
        TFile::Create(*d, {}, "a.gif");
        const std::map<QString, TTree *> items{{u"f.html"_s, f}, {u"d"_s, d}, {u"a"_s, a}};
        std::vector<TTree *> selected;
        for (const QString &name : entries.split(u' '))
            selected.push_back(items.at(name));
        TClip clip;
        clip.Fill(selected, ClipCopy);
        if (withRoot)
            clip.SetRoot(server);
        if (destroyD)
            a->DestroyChild(d);

        TFormClip form(clip);
        QCOMPARE(form.windowTitle(), u"Clipboard"_s);
        QTEST(Dump(*form.Tree()), "tree");
    }

    void clipTreeDepthIsBounded() {
        TCabinet *cabinet = Cabinet(KindMsie3);
        TDir *top = TDir::Create(*cabinet, "http://h");
        TTree *deepest = top;
        for (size_t i = 0; i < 2 * TFormClip::DepthLimit; ++i)
            deepest = TDir::Create(*deepest, "d");
        TClip clip;
        clip.Fill(std::vector<TTree *>{top, deepest}, ClipCopy);
        clip.SetRoot(cabinet);

        TFormClip form(clip);
        QCOMPARE(form.Tree()->topLevelItemCount(), 2);
        QCOMPARE(Depth(*form.Tree()), int(TFormClip::DepthLimit));
    }

    // ---- overwrite question ----

    void overwriteAnswers_data() {
        QTest::addColumn<QString>("button"); // empty: Escape
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("answer");
        QTest::newRow("yes") << u"YesButton"_s << u"はい (&Y)"_s << int(TAnswer::Yes);
        QTest::newRow("no") << u"NoButton"_s << u"いいえ (&N)"_s << int(TAnswer::No);
        QTest::newRow("all") << u"AllButton"_s << u"すべて (&A)"_s << int(TAnswer::All);
        QTest::newRow("cancel") << u"CancelButton"_s << u"キャンセル (&C)"_s
                                << int(TAnswer::Cancel);
        QTest::newRow("escape") << QString() << QString() << int(TAnswer::Cancel);
    }
    void overwriteAnswers() {
        QFETCH(QString, button);
        QFETCH(QString, caption);
        TFormOverWrite form(
            TOverwriteQuestion{"b.html", "", "10 Byte", "98/07/24 12:00", "20 Byte", "不明"});
        QVERIFY(!(form.windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(Find<QGroupBox>(form, u"Incoming"_s)->title(), u"送り側"_s);
        QCOMPARE(Find<QLabel>(form, u"IncomingSize"_s)->text(), u"10 Byte"_s);
        QCOMPARE(Find<QLabel>(form, u"ExistingDate"_s)->text(), u"不明"_s);
        if (button.isEmpty()) {
            QTest::keyClick(&form, Qt::Key_Escape);
        } else {
            auto *pressed = Find<QPushButton>(form, button);
            QCOMPARE(pressed->text(), caption);
            pressed->click();
        }
        QTEST(int(form.Answer()), "answer");
    }

    // ---- copy progress ----

    void copyWindowCancel_data() {
        QTest::addColumn<bool>("byButton");
        QTest::newRow("Cancel button") << true;
        QTest::newRow("window closed") << false;
    }
    void copyWindowCancel() {
        QFETCH(bool, byButton);
        TFileOpWindow window;
        QCOMPARE(window.objectName(), u"TFormFileOP"_s);
        QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!(window.windowFlags() & Qt::WindowCloseButtonHint));
        window.Open();
        QVERIFY(window.isVisible());
        QVERIFY(!window.isModal());
        if (byButton)
            Find<QPushButton>(window, u"CancelButton"_s)->click();
        else
            QVERIFY2(!window.close(), "the batch closes the window, not the user");
        QVERIFY(CancelRequested);
        window.Close();
        QVERIFY(!window.isVisible());
    }

    void copyWindowRange_data() {
        QTest::addColumn<qint64>("maximum");
        QTest::newRow("under one block") << qint64(0);
        QTest::newRow("three blocks") << qint64(3);
        QTest::newRow("INT_MAX") << qint64(INT_MAX);
        QTest::newRow("above INT_MAX") << qint64(INT_MAX) * 4 + 3;
        QTest::newRow("near INT64_MAX") << qint64(LLONG_MAX - 1);
    }
    void copyWindowRange() {
        QFETCH(qint64, maximum);
        TFileOpWindow window;
        auto *bar = Find<QProgressBar>(window, u"ProgressBar"_s);
        window.SetRange(maximum);
        QVERIFY2(bar->minimum() < bar->maximum(), "never the busy indicator");
        QCOMPARE(bar->value(), bar->minimum());

        window.Step(maximum / 2);
        if (maximum > 3)
            QVERIFY(qAbs(bar->value() - bar->maximum() / 2) <= 1);
        window.Step(maximum - maximum / 2);
        QCOMPARE(bar->value(), maximum ? bar->maximum() : bar->minimum());
        window.Step(LLONG_MAX); // past the end: stays there
        QCOMPARE(bar->value(), maximum ? bar->maximum() : bar->minimum());

        window.SetHeader("", "b.html  を", "/a/b.html  から", "/c/b.html  へ");
        QCOMPARE(bar->value(), bar->minimum());
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
