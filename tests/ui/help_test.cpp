// The help window, the topic map, the help pages' links and the program's pictures.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>

#include "platform/program.h"
#include "ui/help.h"
#include "ui/icons.h"

using namespace Qt::StringLiterals;

namespace {
QString ReadText(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool WriteText(const QString &path, const QString &text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) == text.toUtf8().size();
}

QList<QWidget *> HelpWindows() {
    QList<QWidget *> found;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->objectName() == u"THelpWindow")
            found << widget;
    return found;
}

QTextBrowser *Browser() {
    QList<QWidget *> windows = HelpWindows();
    return windows.size() == 1 ? windows[0]->findChild<QTextBrowser *>(u"HelpBrowser"_s) : nullptr;
}
} // namespace

class THelpTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        InitUiResources();
        qunsetenv("TRAWLER_HELP_DIR");
    }

    void topicPage_data() {
        QTest::addColumn<int>("topic");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("anchor");
        QTest::newRow("main window") << 67 << u"mainwindow.html"_s << QString();
        QTest::newRow("new cabinet folder") << 81 << u"cabinet.html"_s << u"new"_s;
        QTest::newRow("temporary cabinet folder") << 74 << u"cabinet.html"_s << u"temporary"_s;
        QTest::newRow("options") << 60 << u"options.html"_s << QString();
        QTest::newRow("options log tab") << 59 << u"options.html"_s << u"log"_s;
        QTest::newRow("options mirror tab") << 87 << u"options.html"_s << u"mirror"_s;
        QTest::newRow("options other tab") << 88 << u"options.html"_s << u"other"_s;
        QTest::newRow("tools") << 57 << u"tools.html"_s << QString();
        QTest::newRow("unknown") << 12345 << u"index.html"_s << QString();
        QTest::newRow("none") << 0 << u"index.html"_s << QString();
    }
    void topicPage() {
        QFETCH(int, topic);
        QFETCH(QString, page);
        QFETCH(QString, anchor);
        QUrl url = HelpTopicUrl(topic);
        QCOMPARE(url.toLocalFile(), HelpFolder() + page);
        QCOMPARE(url.fragment(), anchor);
        QString text = ReadText(url.toLocalFile());
        QVERIFY(!text.isEmpty());
        if (!anchor.isEmpty())
            QVERIFY(text.contains(u"id=\""_s + anchor + u'"'));
    }

    void helpFolder_data() {
        QTest::addColumn<QStringList>("folders"); // folders holding an index.html
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("expected"); // empty: the source tree's pages
        const QString installed = u"share/trawler/help"_s, beside = u"bin/help"_s;
        QTest::newRow("installed") << QStringList{installed} << QString() << installed;
        QTest::newRow("beside program") << QStringList{beside} << QString() << beside;
        QTest::newRow("installed first")
            << QStringList{beside, installed} << QString() << installed;
        QTest::newRow("source tree") << QStringList{u"elsewhere"_s} << QString() << QString();
        QTest::newRow("environment") << QStringList{installed, u"own"_s} << u"own"_s << u"own"_s;
    }
    void helpFolder() {
        QFETCH(QStringList, folders);
        QFETCH(QString, environment);
        QFETCH(QString, expected);
        QTemporaryDir root;
        for (const QString &folder : folders) {
            QVERIFY(QDir(root.path()).mkpath(folder));
            QVERIFY(WriteText(root.filePath(folder + u"/index.html"_s), u"<p>x</p>"_s));
        }
        QVERIFY(QDir(root.path()).mkpath(u"bin"_s));
        SetProgramFolder(root.filePath(u"bin"_s).toStdString());
        if (!environment.isEmpty())
            qputenv("TRAWLER_HELP_DIR", root.filePath(environment).toUtf8());
        QString found = HelpFolder();
        SetProgramFolder({});
        qunsetenv("TRAWLER_HELP_DIR");
        QString source = QString::fromUtf8(TRAWLER_SOURCE_DIR "/docs/help");
        QString want = expected.isEmpty() ? source : root.filePath(expected);
        QCOMPARE(found, QFileInfo(want).canonicalFilePath() + u'/');
    }

    void pageLinks_data() {
        QTest::addColumn<QString>("page");
        const QStringList pages = QDir(HelpFolder()).entryList({u"*.html"_s}, QDir::Files);
        QVERIFY(pages.size() > 10);
        for (const QString &page : pages)
            QTest::newRow(qPrintable(page)) << page;
    }
    void pageLinks() {
        QFETCH(QString, page);
        QString text = ReadText(HelpFolder() + page);
        QVERIFY(text.contains(u"<meta charset=\"utf-8\">"_s));
        // Qt applies a linked style sheet only when its type is given.
        QVERIFY(text.contains(u"rel=\"stylesheet\" type=\"text/css\" href=\"style.css\""_s));
        if (page != u"index.html") {
            QVERIFY(text.contains(u"href=\"index.html\""_s));
            QVERIFY2(ReadText(HelpFolder() + u"index.html"_s).contains(u"href=\""_s + page),
                     "not reachable from the contents");
        }
        static const QRegularExpression link(u"(?:href|src)=\"([^\"]*)\""_s);
        for (const auto &match : link.globalMatch(text)) {
            QUrl url(match.captured(1));
            if (!url.scheme().isEmpty())
                continue;
            QString target = url.path().isEmpty() ? page : url.path();
            QString targetText = ReadText(HelpFolder() + target);
            QVERIFY2(!targetText.isEmpty(), qPrintable(match.captured(1)));
            if (url.hasFragment())
                QVERIFY2(targetText.contains(u"id=\""_s + url.fragment() + u'"'),
                         qPrintable(match.captured(1)));
        }
    }

    void oneWindow() {
        ShowHelpTopic(67);
        QCOMPARE(HelpWindows().size(), 1);
        QWidget *window = HelpWindows()[0];
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowTitle(), u"Trawler ヘルプ"_s);
        QCOMPARE(Browser()->source(), HelpTopicUrl(67));
        ShowHelpTopic(87);
        QCOMPARE(HelpWindows(), QList<QWidget *>{window});
        QCOMPARE(Browser()->source(), HelpTopicUrl(87));
        ShowHelpContents();
        QCOMPARE(HelpWindows(), QList<QWidget *>{window});
        QCOMPARE(Browser()->source(), HelpTopicUrl(0));
    }

    void linkClick_data() {
        QTest::addColumn<QString>("href");
        QTest::addColumn<bool>("follows");
        QTest::newRow("http") << u"http://www.example.invalid/"_s << false;
        QTest::newRow("https") << u"https://www.example.invalid/a.html"_s << false;
        QTest::newRow("ftp") << u"ftp://ftp.example.invalid/"_s << false;
        QTest::newRow("mailto") << u"mailto:someone@example.invalid"_s << false;
        QTest::newRow("help page") << u"other.html"_s << true;
    }
    void linkClick() {
        QFETCH(QString, href);
        QFETCH(bool, follows);
        QTemporaryDir folder;
        QVERIFY(WriteText(folder.filePath(u"index.html"_s),
                          u"<p><a href=\""_s + href + u"\">LINK</a></p>"_s));
        QVERIFY(WriteText(folder.filePath(u"other.html"_s), u"<p>OTHER</p>"_s));
        qputenv("TRAWLER_HELP_DIR", folder.path().toUtf8());
        ShowHelpContents();
        qunsetenv("TRAWLER_HELP_DIR");
        QTextBrowser *browser = Browser();
        QVERIFY(browser);
        QUrl before = browser->source();
        QTextCursor cursor = browser->document()->find(u"LINK"_s);
        QVERIFY(!cursor.isNull());
        cursor.setPosition(cursor.selectionStart() + 2);
        QPoint point = browser->cursorRect(cursor).center();
        QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, point);
        QCOMPARE(browser->source() != before, follows);
        QCOMPARE(browser->toPlainText().contains(u"OTHER"_s), follows);
    }

    void pictures_data() {
        QTest::addColumn<QString>("resource");
        QString qrc = ReadText(QString::fromUtf8(TRAWLER_SOURCE_DIR "/src/ui/trawler.qrc"));
        static const QRegularExpression file(u"<file>(icons/[^<]+\\.svg)</file>"_s);
        for (const auto &match : file.globalMatch(qrc))
            QTest::newRow(qPrintable(match.captured(1))) << u":/"_s + match.captured(1);
        // The names the image provider asks for.
        const QStringList names =
            u"unknown cabinet cabinet-open folder folder-open state-accessed-since-end "
            "state-accessed-last-run state-found state-missing state-plain-log state-cache "
            "state-mirror open-cache new-window cut copy paste view-large view-small view-list "
            "view-details program"_s.split(u' ');
        for (const QString &name : names)
            QVERIFY2(qrc.contains(u"icons/trawler-"_s + name + u".svg<"_s), qPrintable(name));
    }
    void pictures() {
        QFETCH(QString, resource);
        QIcon icon(resource);
        QVERIFY(!icon.isNull());
        QImage image = icon.pixmap(16, 16).toImage();
        QCOMPARE(image.size(), QSize(16, 16));
        QImage blank(image.size(), image.format());
        blank.fill(Qt::transparent);
        QVERIFY(image != blank);
    }
};

QTEST_MAIN(THelpTest)
#include "help_test.moc"
