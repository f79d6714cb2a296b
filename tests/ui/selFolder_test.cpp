#include "ui/selFolder.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "support/fakes.h"
#include "ui/common.h"

using namespace Qt::StringLiterals;

namespace {
const char *const ForbiddenMessage = "名前に使用できない文字 \\/:*?\"<>| が含まれています。";
const char *const DuplicateMessage = "同じ名前がすでに使用されています。";
const char *const CannotCreateMessage = "指定された名前のフォルダを作成できません";

std::string Bytes(const QString &path) {
    return QFile::encodeName(path).toStdString();
}

void MakeFile(const QString &path, size_t size) {
    std::ofstream(Bytes(path)) << std::string(size, 'x');
}

QTreeView *List(QWidget &dialog) {
    return dialog.findChild<QTreeView *>(u"FolderList"_s);
}

QLineEdit *Field(QWidget &dialog) {
    return dialog.findChild<QLineEdit *>(u"FolderEdit"_s);
}

void Click(QWidget &dialog, const QString &button) {
    QTest::mouseClick(dialog.findChild<QAbstractButton *>(button), Qt::LeftButton);
}

QStringList Captions(QWidget &dialog) {
    QStringList captions;
    for (int row = 0; row < List(dialog)->model()->rowCount(); ++row)
        captions << List(dialog)->model()->index(row, 0).data().toString();
    return captions;
}

QModelIndex RowOf(QWidget &dialog, const QString &caption) {
    return List(dialog)->model()->index(static_cast<int>(Captions(dialog).indexOf(caption)), 0);
}

// One row of a data table: its name, then the values of its columns in order.
template <typename... Values> void Row(const char *name, const Values &...values) {
    (QTest::newRow(name) << ... << values);
}
} // namespace

class TSelFolderTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        desktop = std::make_unique<TFakeDesktop>();
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath(u"a"_s) && QDir(dir.path()).mkpath(u"b"_s));
        MakeFile(dir.path() + u"/f.txt"_s, 1);
    }
    void cleanup() {
        desktop.reset();
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
    }

    void folderField_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("message");
        Row("sibling that exists", "../b", "@/b/", "");
        Row("sibling is created", "../x", "@/x/", "");
        Row("dot and missing levels", "./c/d", "@/a/c/d/", "");
        Row("dot-dot inside", "c/../e/.", "@/a/e/", "");
        Row("absolute", "@/y/z", "@/y/z/", "");
        Row("absolute with dot-dot", "@/a/../b/", "@/b/", "");
        Row("home", "~", QDir::homePath() + u"/"_s, "");
        Row("above the root", QString(u"../"_s).repeated(64), "/", "");
        Row("below a file", "../f.txt/sub", "@/a/", CannotCreateMessage);
    }
    void folderField() {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QFETCH(QString, message);
        TSelFolderDlg dialog(nullptr, Bytes(dir.path() + u"/a"_s), 0);
        dialog.show();
        Field(dialog)->setText(Expand(typed));
        QTest::keyClick(Field(dialog), Qt::Key_Return);

        expected = Expand(expected);
        QCOMPARE(FromBytes(dialog.CurrentFolder()), expected);
        QCOMPARE(Field(dialog)->text(), message.isEmpty() ? expected : Expand(typed));
        QVERIFY(QFileInfo(expected).isDir());
        QVERIFY2(dialog.isVisible() && dialog.result() == 0, "Enter closed the dialog");
        QCOMPARE(Shown(), Expected(message));
    }

    // The second new folder is numbered; Enter ends the edit of its caption and does not open
    // the row being edited.
    void newFolder() {
        TSelFolderDlg dialog(nullptr, Bytes(dir.path()), 0);
        dialog.show();
        Click(dialog, u"NewFolderButton"_s);
        Click(dialog, u"NewFolderButton"_s);
        const QString first = Text("新しいフォルダ");
        QLineEdit *editor = List(dialog)->viewport()->findChildren<QLineEdit *>().last();
        QCOMPARE(editor->text(), Text("新しいフォルダ1"));
        editor->setText(u"named"_s);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(FromBytes(dialog.CurrentFolder()), dir.path() + u"/"_s);
        QVERIFY(dialog.isVisible());
        QVERIFY(Captions(dialog).contains(first) && Captions(dialog).contains(u"named"_s));
        QVERIFY(QFileInfo(dir.path() + u"/named"_s).isDir());
        QVERIFY(Shown().isEmpty());
    }

    // Where nothing can be created the attempts stop rather than run on.
    void newFolderWhereNothingCanBeMade() {
        if (!QFileInfo(u"/proc/self"_s).exists())
            QSKIP("no /proc");
        TSelFolderDlg dialog(nullptr, "/proc/", 0);
        int rows = List(dialog)->model()->rowCount();
        Click(dialog, u"NewFolderButton"_s);
        QCOMPARE(List(dialog)->model()->rowCount(), rows);
    }

    void rename_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("message");
        Row("own name in other case", "A", "a", "");
        Row("other row in other case", "B", "a", DuplicateMessage);
        Row("empty", "", "a", "");
        Row("plain", "neu", "neu", "");
        Row("japanese", Text("資料"), Text("資料"), "");
        Row("entry made after the listing", "late", "a", DuplicateMessage);
        for (QChar c : u"\\/:*?\"<>|"_s)
            Row(qPrintable(u"forbidden "_s + c), u"x"_s + c + u"y"_s, "a", ForbiddenMessage);
    }
    void rename() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, message);
        TSelFolderDlg dialog(nullptr, Bytes(dir.path()), 0);
        MakeFile(dir.path() + u"/late"_s, 5); // not listed; must not be replaced
        QModelIndex row = RowOf(dialog, u"a"_s);
        QCOMPARE(List(dialog)->model()->setData(row, name, Qt::EditRole), caption != u"a"_s);

        QCOMPARE(row.data().toString(), caption);
        QVERIFY(QFileInfo(dir.path() + u"/"_s + caption).isDir());
        QCOMPARE(QFileInfo(dir.path() + u"/a"_s).exists(), caption == u"a"_s);
        QCOMPARE(QFileInfo(dir.path() + u"/late"_s).size(), 5);
        QCOMPARE(Shown(), Expected(message));
    }

    void navigate_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("key"); // "Up" stands for the button
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("expected");
        Row("up at the root", "/", "Up", "", "/");
        Row("backspace at the root", "/", "Backspace", "", "/");
        Row("up", "@/a/", "Up", "", "@/");
        Row("backspace", "@/a/", "Backspace", "", "@/");
        Row("enter on a folder", "@/", "Return", "b", "@/b/");
        Row("enter on a file", "@/", "Return", "f.txt", "@/");
    }
    void navigate() {
        QFETCH(QString, start);
        QFETCH(QString, key);
        QFETCH(QString, row);
        QFETCH(QString, expected);
        TSelFolderDlg dialog(nullptr, Bytes(Expand(start)), 0);
        dialog.show();
        List(dialog)->setCurrentIndex(RowOf(dialog, row));
        if (key == u"Up")
            Click(dialog, u"UpButton"_s);
        else
            QTest::keyClick(List(dialog), key == u"Return" ? Qt::Key_Return : Qt::Key_Backspace);
        QCOMPARE(FromBytes(dialog.CurrentFolder()), Expand(expected));
        QCOMPARE(Field(dialog)->text(), Expand(expected));
        QVERIFY(dialog.isVisible());
    }

    void sortByHeader_data() {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QString>("order");
        Row("listed", QList<int>{}, "a b c.aaa f.txt x.dat");
        Row("name once", QList<int>{0}, "a b c.aaa f.txt x.dat");
        Row("name twice: folders last", QList<int>{0, 0}, "x.dat f.txt c.aaa b a");
        Row("size", QList<int>{1}, "a b c.aaa x.dat f.txt");
        Row("size twice", QList<int>{1, 1}, "f.txt x.dat c.aaa b a");
        Row("type: folders too", QList<int>{2}, "c.aaa a b x.dat f.txt");
        Row("date", QList<int>{3}, "a b c.aaa x.dat f.txt");
        Row("attributes do not sort", QList<int>{1, 4}, "a b c.aaa x.dat f.txt");
    }
    void sortByHeader() {
        QFETCH(QList<int>, clicks);
        QFETCH(QString, order);
        QDir(dir.path()).mkdir(u"c.aaa"_s); // the fake desktop names its type "aaa file"
        MakeFile(dir.path() + u"/f.txt"_s, 5000);
        MakeFile(dir.path() + u"/x.dat"_s, 10);
        std::filesystem::last_write_time(Bytes(dir.path() + u"/x.dat"_s),
                                         std::filesystem::file_time_type::clock::now() -
                                             std::chrono::hours(48));
        TSelFolderDlg dialog(nullptr, Bytes(dir.path()), 0);
        Click(dialog, u"DetailButton"_s);
        for (int column : clicks)
            emit List(dialog)->header()->sectionClicked(column);
        QCOMPARE(Captions(dialog).join(u' '), order);
    }

    // A root that is not there asks until the user gives up; the drive list then shows the
    // root of the current folder again.
    void missingRoot() {
        const QString root = dir.path() + u"/root/"_s;
        desktop->NextAnswers = {TAnswer::Retry, TAnswer::Cancel};
        TSelFolderDlg dialog(nullptr, Bytes(dir.path() + u"/a"_s), 0);
        dialog.SetRoots({Bytes(root)});
        auto *drives = dialog.findChild<QComboBox *>(u"DriveList"_s);
        drives->setCurrentIndex(drives->findText(root));
        emit drives->activated(drives->currentIndex());

        QCOMPARE(FromBytes(dialog.CurrentFolder()), dir.path() + u"/a/"_s);
        QCOMPARE(drives->currentText(), u"/"_s);
        const std::string question =
            "question: " + Bytes(root) + "にアクセスできません。\nデバイスの準備ができていません。";
        QCOMPARE(desktop->Asked, std::vector<std::string>(2, question));
    }

    void execute_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("confirmed");
        Row("OK returns the field unchecked", "@", "OkButton", true);
        Row("cancel", "@", "CancelButton", false);
        Row("escape", "@", "Escape", false);
        Row("missing start folder", "@/none", "OkButton", true);
    }
    void execute() {
        QFETCH(QString, start);
        QFETCH(QString, action);
        QFETCH(bool, confirmed);
        std::string folder = Bytes(Expand(start));
        const std::string before = folder;
        QString shownAtStart;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<TSelFolderDlg *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            shownAtStart = Field(*dialog)->text();
            Field(*dialog)->setText(u"/not/checked"_s);
            if (action == u"Escape")
                QTest::keyClick(dialog, Qt::Key_Escape);
            else
                Click(*dialog, action);
        });
        QCOMPARE(ExecuteSelectFolder(nullptr, folder, 0), confirmed);
        QCOMPARE(folder, confirmed ? std::string("/not/checked") : before);
        QCOMPARE(shownAtStart, (start == u"@" ? dir.path() : QDir::currentPath()) + u"/"_s);
    }

private:
    // "@" in test data stands for the temporary folder (without its trailing "/").
    QString Expand(QString text) const { return text.replace(u"@"_s, dir.path()); }
    // The messages shown, without their "error: " prefixes.
    QStringList Shown() const {
        QStringList texts;
        for (const std::string &text : desktop->Shown)
            texts << FromBytes(text).remove(0, 7);
        return texts;
    }
    static QStringList Expected(const QString &message) {
        return message.isEmpty() ? QStringList() : QStringList{message};
    }

    QTemporaryDir dir;
    std::unique_ptr<TFakeDesktop> desktop;
};

QTEST_MAIN(TSelFolderTest)
#include "selFolder_test.moc"
