// The tool registration dialog (opening, adding, dropping, renaming, deleting, OK and
// Cancel) and the tool buttons of a tool area.
#include <QApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <memory>

#include "config/tools.h"
#include "support/fakes.h"
#include "support/uiSupport.h"
#include "ui/icons.h"
#include "ui/tools.h"

using namespace Qt::StringLiterals;

namespace {
QPushButton *Button(const QWidget &form, const QString &name) {
    auto *button = form.findChild<QPushButton *>(name);
    if (!button)
        qFatal("no button %s", qPrintable(name));
    return button;
}

QListWidget *List(const QWidget &form) {
    return form.findChild<QListWidget *>(u"ToolList"_s);
}

// The rows as "caption" with "*" for a selected one, and "+" when 削除 and 編集 are enabled.
QString Rows(const QWidget &form) {
    QStringList rows;
    for (int row = 0; row < List(form)->count(); ++row) {
        const QListWidgetItem *item = List(form)->item(row);
        rows << item->text() + (item->isSelected() ? u"*"_s : QString());
    }
    bool enabled = Button(form, u"DeleteButton"_s)->isEnabled();
    if (enabled != Button(form, u"EditButton"_s)->isEnabled())
        qFatal("削除 and 編集 differ");
    return rows.join(u' ') + (enabled ? u"+"_s : QString());
}

// "name=path" of every tool.
QString Entries(const TTools &tools) {
    QStringList entries;
    for (const TTool *tool : tools.Tools())
        entries << QString::fromStdString(tool->Name + "=" + tool->Path);
    return entries.join(u' ');
}

void Fill(TTools &tools, const QString &names) {
    for (const QString &name : names.split(u' ', Qt::SkipEmptyParts))
        tools.Add(name.toStdString(), "/opt/" + name.toStdString());
}

// Answers the next file-open dialog with path, typed as a person would, or cancels it.
void AnswerFileDialog(const QString &path, int attempts = 200) {
    QTimer::singleShot(10, [path, attempts] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog && attempts > 0)
            AnswerFileDialog(path, attempts - 1);
        if (!dialog)
            return;
        if (path.isEmpty())
            return dialog->reject();
        dialog->findChild<QLineEdit *>(u"fileNameEdit"_s)->setText(path);
        static_cast<QDialog *>(dialog)->accept();
    });
}
} // namespace

class ToolsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TFakeDesktop> desktop;
    std::unique_ptr<TTempFolder> folder;

private slots:
    void initTestCase() {
        PrepareUiEnvironment();
        InitUiResources();
    }
    void init() {
        desktop = std::make_unique<TFakeDesktop>();
        folder = std::make_unique<TTempFolder>();
    }
    void cleanup() {
        folder.reset();
        desktop.reset();
    }

    void frame() {
        TTools tools;
        Fill(tools, u"テキストエディタ viewer"_s);
        tools.Add("/usr/lib/libreoffice/program/soffice", "/usr/lib/libreoffice/program/soffice");
        TToolForm form(tools);
        form.show();
        QCOMPARE(form.windowTitle(), u"ツール"_s);
        QCOMPARE(form.size(), QSize(378, 222));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QVERIFY(!(form.windowFlags() & Qt::WindowMinMaxButtonsHint));
        QCOMPARE(List(form)->viewMode(), QListView::IconMode);
        QCOMPARE(List(form)->iconSize(), QSize(32, 32));
        QCOMPARE(List(form)->selectionMode(), QAbstractItemView::ExtendedSelection);
        QStringList buttons;
        for (const QString &name :
             {u"AddButton"_s, u"DeleteButton"_s, u"EditButton"_s, u"OkButton"_s, u"CancelButton"_s})
            buttons << Button(form, name)->text() + u'/' + Button(form, name)->toolTip();
        QCOMPARE(buttons.join(u' '), u"追加 (&A)/ツールの追加 削除 (&D)/ツールを削除 "
                                     "編集 (&E)/ツール名の変更 OK/ Cancel/"_s);
        QVERIFY(Button(form, u"OkButton"_s)->isDefault());
        SaveScreenshot(&form, u"tools"_s);
    }

    // "追加 (&A)" registers the chosen file with its full path as its name.
    void add_data() {
        QTest::addColumn<QString>("tools");
        QTest::addColumn<bool>("clearSelection");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("rows"); // P: the chosen path
        QTest::newRow("into an empty list") << u""_s << false << false << u"P*+"_s;
        QTest::newRow("selection stays") << u"a b"_s << false << false << u"a* b P+"_s;
        QTest::newRow("none selected: the first") << u"a b"_s << true << false << u"a* b P+"_s;
        QTest::newRow("dialog cancelled") << u""_s << false << true << u""_s;
    }
    void add() {
        QFETCH(QString, tools);
        QFETCH(bool, clearSelection);
        QFETCH(bool, cancel);
        QFETCH(QString, rows);
        TTools real;
        Fill(real, tools);
        const QString program = QString::fromStdString(folder->Write("bin/my tool", "#!/bin/sh"));
        TToolForm form(real);
        form.show();
        if (clearSelection)
            List(form)->clearSelection();
        AnswerFileDialog(cancel ? QString() : program);
        Button(form, u"AddButton"_s)->click();
        QCOMPARE(Rows(form), QString(rows).replace(u"P"_s, program));
        Button(form, u"OkButton"_s)->click();
        QCOMPARE(Entries(real).endsWith(program + u'=' + program), !cancel);
    }

    // Only the first dropped file counts, and only when it is an existing file.
    void drop_data() {
        QTest::addColumn<QStringList>("dropped"); // below the temporary folder, or a URL
        QTest::addColumn<QString>("added");
        const QString longName = QString(120, u'd') + u'/' + QString(120, u'e') + u"/tool"_s;
        QTest::newRow("a file") << QStringList{u"tool"_s} << u"tool"_s;
        QTest::newRow("a folder") << QStringList{u"dir"_s} << u""_s;
        QTest::newRow("a missing file") << QStringList{u"gone"_s} << u""_s;
        QTest::newRow("a web address") << QStringList{u"http://example.invalid/tool"_s} << u""_s;
        QTest::newRow("file, then folder") << QStringList{u"tool"_s, u"dir"_s} << u"tool"_s;
        QTest::newRow("folder, then file") << QStringList{u"dir"_s, u"tool"_s} << u""_s;
        QTest::newRow("two files") << QStringList{u"other"_s, u"tool"_s} << u"other"_s;
        QTest::newRow("path over 256 characters") << QStringList{longName} << longName;
    }
    void drop() {
        QFETCH(QStringList, dropped);
        QFETCH(QString, added);
        const QString base = QString::fromStdString(folder->Path());
        for (const QString &name : {u"tool"_s, u"other"_s, u"dir/inside"_s, added})
            if (!name.isEmpty())
                folder->Write(name.toStdString(), "x");
        QList<QUrl> urls;
        for (const QString &name : dropped)
            urls << (name.contains(u':') ? QUrl(name) : QUrl::fromLocalFile(base + name));
        TTools real;
        TToolForm form(real);
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter({40, 40}, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop({40, 40}, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &drop);
        QCoreApplication::processEvents();
        QCOMPARE(Rows(form), added.isEmpty() ? u""_s : base + added + u"*+"_s);
        std::vector<std::string> boxes;
        if (added.isEmpty())
            boxes.push_back("error: フォルダは登録できません。");
        QCOMPARE(desktop->Shown, boxes);
    }

    // "編集 (&E)" edits the selected row's caption in place; the text becomes the name.
    void rename_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("entries");
        QTest::newRow("first row") << 0 << u"Editor"_s << u"Editor=/opt/a b=/opt/b"_s;
        QTest::newRow("second row, Japanese") << 1 << u"画像"_s << u"a=/opt/a 画像=/opt/b"_s;
        QTest::newRow("none selected: no editor") << -1 << u"x"_s << u"a=/opt/a b=/opt/b"_s;
        // A tool without a name would give an empty menu entry: the old name stays.
        QTest::newRow("emptied") << 0 << u""_s << u"a=/opt/a b=/opt/b"_s;
        QTest::newRow("blanks only") << 1 << u"  "_s << u"a=/opt/a b=/opt/b"_s;
    }
    void rename() {
        QFETCH(int, row);
        QFETCH(QString, typed);
        QFETCH(QString, entries);
        TTools real;
        Fill(real, u"a b"_s);
        TToolForm form(real);
        form.show();
        List(form)->clearSelection();
        if (row >= 0)
            List(form)->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
        Button(form, u"EditButton"_s)->click();
        auto *editor = List(form)->findChild<QLineEdit *>();
        QCOMPARE(editor != nullptr, row >= 0);
        if (editor) {
            QCOMPARE(editor->text(), List(form)->item(row)->text());
            editor->setText(typed);
            QTest::keyClick(editor, Qt::Key_Return);
            QCoreApplication::processEvents(); // the delegate commits after the key
        }
        Button(form, u"OkButton"_s)->click();
        QCOMPARE(Entries(real), entries);
        QCOMPARE(Rows(form).remove(u'*'),
                 QString(entries).remove(QRegularExpression(u"=\\S*"_s)) + u'+');
    }

    // "削除 (&D)" removes the selected rows and selects the row at the position of the highest
    // one removed (the last row past the end), none when that was the first.
    void remove_data() {
        QTest::addColumn<QString>("rows"); // before: * selected
        QTest::addColumn<QString>("after");
        QTest::newRow("middle") << u"A B* C"_s << u"A C*+"_s;
        QTest::newRow("last") << u"A B C*"_s << u"A B*+"_s;
        QTest::newRow("first: none selected") << u"A* B C"_s << u"B C+"_s;
        QTest::newRow("two in the middle") << u"A B* C* D"_s << u"A D*+"_s;
        QTest::newRow("first and third") << u"A* B C* D"_s << u"B D*+"_s;
        QTest::newRow("second and fourth") << u"A B* C D*"_s << u"A C*+"_s;
        QTest::newRow("every row") << u"A* B* C*"_s << u""_s;
        QTest::newRow("none selected: none removed") << u"A B"_s << u"A B+"_s;
    }
    void remove() {
        QFETCH(QString, rows);
        QFETCH(QString, after);
        TTools real;
        Fill(real, QString(rows).remove(u'*'));
        TToolForm form(real);
        List(form)->clearSelection();
        const QStringList names = rows.split(u' ');
        for (int row = 0; row < names.size(); ++row)
            List(form)->item(row)->setSelected(names[row].endsWith(u'*'));
        Button(form, u"DeleteButton"_s)->click();
        QCOMPARE(Rows(form), after);
        // The working copy lost the same tools as the list.
        Button(form, u"OkButton"_s)->click();
        QString left = QString(after).remove(u'*').remove(u'+');
        QCOMPARE(Entries(real), left.replace(QRegularExpression(u"(\\w)"_s), u"\\1=/opt/\\1"_s));
    }

    // OK replaces the real list with copies (icons asked again); Cancel and the close box keep
    // it. Buttons made afterwards follow the list.
    void confirm_data() {
        QTest::addColumn<int>("way"); // 0 OK, 1 Cancel, 2 close box
        QTest::addColumn<bool>("deleteAll");
        QTest::addColumn<QString>("entries");
        QTest::newRow("OK") << 0 << false << u"b=/opt/b new=/usr/bin/new"_s;
        QTest::newRow("Cancel") << 1 << false << u"a=/opt/a b=/opt/b"_s;
        QTest::newRow("close box") << 2 << false << u"a=/opt/a b=/opt/b"_s;
        QTest::newRow("OK, every row deleted") << 0 << true << u""_s;
        QTest::newRow("Cancel, every row deleted") << 1 << true << u"a=/opt/a b=/opt/b"_s;
    }
    void confirm() {
        QFETCH(int, way);
        QFETCH(bool, deleteAll);
        QFETCH(QString, entries);
        TTools real;
        Fill(real, u"a b"_s);
        TToolForm form(real);
        form.show();
        if (deleteAll)
            List(form)->selectAll();
        else
            form.AddTool("/usr/bin/new", "new");
        Button(form, u"DeleteButton"_s)->click();
        desktop->ProgramIconQueries.clear();
        if (way == 2)
            form.close();
        else
            Button(form, way == 0 ? u"OkButton"_s : u"CancelButton"_s)->click();
        QCOMPARE(form.result(), way == 0 ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(Entries(real), entries);
        std::vector<std::string> asked;
        for (const TTool *tool : real.Tools())
            if (way == 0)
                asked.push_back(tool->Path);
        QCOMPARE(desktop->ProgramIconQueries, asked);
        QWidget area;
        AddToolButtons(&area, real, [](const std::string &) {});
        QCOMPARE(area.findChildren<QToolButton *>().size(), qsizetype(real.Count()));
    }

    // The n-th tool button sits at n * 26 + 2; other controls of the area stay.
    void toolButtons_data() {
        QTest::addColumn<QString>("tools");
        QTest::addColumn<QRect>("last");
        QTest::newRow("one tool") << u"a"_s << QRect(2, 3, 24, 25);
        QTest::newRow("three tools") << u"a b c"_s << QRect(54, 3, 24, 25);
    }
    void toolButtons() {
        QFETCH(QString, tools);
        QFETCH(QRect, last);
        TTools list;
        Fill(list, tools);
        QWidget area;
        auto *own = new QToolButton(&area);
        std::vector<std::string> ran;
        auto run = [&](const std::string &program) { ran.push_back(program); };
        AddToolButtons(&area, list, run);
        AddToolButtons(&area, list, run);
        auto buttons = area.findChildren<QToolButton *>(Qt::FindDirectChildrenOnly);
        QCOMPARE(buttons.size(), qsizetype(list.Count() + 1));
        QCOMPARE(buttons.last()->geometry(), last);
        QCOMPARE(buttons.last()->toolTip().toStdString(), list.Tools().back()->Name);
        buttons.last()->click();
        QCOMPARE(ran, std::vector<std::string>{list.Tools().back()->Path});
        RemoveToolButtons(&area);
        QCOMPARE(area.findChildren<QToolButton *>(), QList<QToolButton *>{own});
    }
};

QTEST_MAIN(ToolsTest)
#include "tools_test.moc"
