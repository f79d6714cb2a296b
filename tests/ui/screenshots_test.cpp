// Pictures of the windows on the demo cabinets, saved under the build's screenshot folder
// for a person to look at.
#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QTabWidget>
#include <QTest>
#include <QSplitter>
#include <QTreeView>

#include "config/tools.h"
#include "items/cab.h"
#include "items/clip.h"
#include "items/file.h"
#include "platform/seam.h"
#include "ui/clipForm.h"
#include "ui/common.h"
#include "ui/detail.h"
#include "ui/diskTools.h"
#include "ui/fileList.h"
#include "ui/linkForm.h"
#include "ui/opt.h"
#include "ui/status.h"
#include "ui/tools.h"
#include "ui/fileOpForm.h"
#include "ui/help.h"
#include "ui/overwrite.h"
#include "ui/props.h"
#include "ui/selFolder.h"
#include "support/uiSupport.h"
#include "ui/explor.h"
#include "ui/icons.h"
#include "ui/itemModel.h"
#include "ui/main.h"

using namespace Qt::StringLiterals;

class TScreenshots : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void mainWindowInEveryStyle();
    void dialogs();
    void windows();
};

void TScreenshots::mainWindowInEveryStyle() {
    TUiFixture fixture;
    fixture.UseDemoCabinets();
    TMainForm form({QStringLiteral("trawler")}, QCoreApplication::applicationFilePath().toStdString());
    form.Start();
    form.resize(860, 520);
    TExplorer *explorer = form.Explorer();
    QCOMPARE(explorer->TreeModel()->TopCount(), 8);
    // The Netscape 2.x cache's server folder holds pages, pictures and a folder.
    TCabinet *cabinet = form.Cabinets().Cabinets().at(3).get();
    TTree *server = cabinet->Children().back().get();
    explorer->SelectItem(server);
    explorer->Tree()->expandAll();
    explorer->Splitter()->setSizes({230, 630});
    static const char *const names[] = {"main-large-icons", "main-small-icons", "main-list",
                                        "main-details"};
    for (int style = 0; style < 4; ++style) {
        form.mViewStyleClick(style, true);
        QTest::qWait(50);
        SaveScreenshot(&form, QString::fromLatin1(names[style]));
    }
    {
        // A search for caches below a folder, under way: its progress and the Cancel button.
        TCancelHold hold(*explorer);
        explorer->SetStatusText(QString::fromUtf8("キャッシュを検索しています（1204 フォルダ、3 個）: /media/old-disk/WINDOWS/Temporary Internet Files"));
        explorer->StartProgress(0, 10);
        explorer->StepProgress(4);
        SaveScreenshot(&form, u"main-searching"_s);
        explorer->ResetProgress();
    }
    form.close();
}

void TScreenshots::dialogs() {
    TUiFixture fixture;
    fixture.UseDemoCabinets();
    TMainForm form({QStringLiteral("trawler")}, QCoreApplication::applicationFilePath().toStdString());
    form.Start();
    const auto &cabinets = form.Cabinets().Cabinets();
    TCabinet *plain = cabinets.at(0).get();
    TCabinet *cache = cabinets.at(3).get();
    auto *server = static_cast<TDir *>(cache->Children().back().get());
    TFile *page = nullptr;
    for (const auto &child : server->Children())
        if (child->IsFile() && !page)
            page = static_cast<TFile *>(child.get());
    QVERIFY(page);

    TFormCabinet cabinetForm(*cache);
    SaveScreenshot(&cabinetForm, u"cabinet-properties"_s);
    TFormDir dirForm(*static_cast<TDir *>(plain->Children().front().get()));
    SaveScreenshot(&dirForm, u"folder-properties"_s);
    TFormFile fileForm(*page);
    SaveScreenshot(&fileForm, u"file-properties"_s);

    ItemClip().Fill(*server, ClipCopy);
    ItemClip().SetRoot(cache);
    TFormClip clipForm(ItemClip());
    SaveScreenshot(&clipForm, u"clipboard"_s);
    ItemClip().Clear(ClipEmpty);

    TOverwriteQuestion question{page->Name(), page->GetLocalPath(), "1,024.0 KByte  (1048576 Byte)",
                                "97/05/02 18:10", "812 Byte", "97/04/30 09:15"};
    TFormOverWrite overwrite(question);
    SaveScreenshot(&overwrite, u"overwrite"_s);

    TFileOpWindow copyWindow;
    copyWindow.SetCaption("ファイルのコピー");
    copyWindow.SetHeader(page->GetLocalPath(), page->Name() + "  を", page->GetLocalPath() + "  から",
                         plain->Path + page->Name() + "  へ");
    copyWindow.SetRange(100);
    copyWindow.Step(40);
    SaveScreenshot(&copyWindow, u"copy-progress"_s);

    TSelFolderDlg folderDialog(&form, (fixture.Folder() + u"/samples"_s).toStdString(), 81);
    folderDialog.show();
    QTest::qWait(20);
    SaveScreenshot(&folderDialog, u"select-folder"_s);
    folderDialog.reject();

    ShowHelpTopic(67);
    QWidget *help = nullptr;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->objectName() == u"THelpWindow")
            help = window;
    QVERIFY(help);
    help->resize(640, 480);
    QTest::qWait(20);
    SaveScreenshot(help, u"help"_s);
    help->close();
    form.close();
}

// The windows the main window opens beside itself: the file list, the link check, a folder
// window, the options dialog on each tab and the tool registration dialog. Two tools are
// registered first, so the tool areas and tool menus of the windows are not empty.
void TScreenshots::windows() {
    TUiFixture fixture;
    fixture.UseDemoCabinets();
    TMainForm form({QStringLiteral("trawler")}, QCoreApplication::applicationFilePath().toStdString());
    form.Start();
    form.show();
    const auto &cabinets = form.Cabinets().Cabinets();
    QCOMPARE(cabinets.size(), size_t(8));
    TCabinet *mirror = cabinets.at(1).get();
    TCabinet *cache = cabinets.at(3).get();
    TTree *server = cache->Children().back().get();
    QVERIFY(server->IsFolder());
    TFile *rootPage = nullptr;
    for (const auto &child : server->Children())
        if (child->IsFile() && child->Name() == "RootPage.html")
            rootPage = static_cast<TFile *>(child.get());
    QVERIFY(rootPage);

    QStringList programs;
    for (const QString &path : {u"/usr/bin/xdg-open"_s, u"/bin/ls"_s, u"/bin/cat"_s, u"/bin/sh"_s})
        if (programs.size() < 2 && QFileInfo(path).isExecutable())
            programs << path;
    QCOMPARE(programs.size(), 2);
    TTools &tools = ToolList();
    tools.Clear();
    for (const QString &path : programs)
        tools.Add(QFileInfo(path).fileName().toStdString(), path.toStdString());

    QPointer<TFormList> list = OpenFileList(*mirror);
    QVERIFY(list);
    QVERIFY(list->Model()->Count() > 0);
    // The status panel tells the selection once the window has been open for a while.
    QTRY_VERIFY_WITH_TIMEOUT(list->Status()->Message().contains(u"全オブジェクト数"_s), 5000);
    SaveScreenshot(list, u"file-list"_s);
    list->close();

    OpenLinkCheck(*rootPage);
    QPointer<TFormLink> link;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *found = qobject_cast<TFormLink *>(window); found && found->isVisible())
            link = found;
    QVERIFY(link);
    // The scan has filled the list, and the counts have replaced the scan's status text.
    QTRY_VERIFY_WITH_TIMEOUT(link && !link->Busy() && link->Model()->Count() > 0, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(link && link->Status()->Message().contains(u"発見したリンク先"_s), 5000);
    SaveScreenshot(link, u"link-check"_s);
    link->close();

    QPointer<TFormDetail> folder = OpenFolderWindow(*server);
    QVERIFY(folder);
    QTest::qWait(50);
    SaveScreenshot(folder, u"folder-window"_s);
    folder->close();

    TFormOption options(&form);
    options.show();
    auto *pages = options.findChild<QTabWidget *>(u"Pages"_s);
    QVERIFY(pages);
    QCOMPARE(pages->count(), 3);
    static const char *const tabNames[] = {"options-log", "options-mirror", "options-other"};
    for (int tab = 0; tab < 3; ++tab) {
        pages->setCurrentIndex(tab);
        QTest::qWait(20);
        SaveScreenshot(&options, QString::fromLatin1(tabNames[tab]));
    }
    options.reject();

    TToolForm toolForm(tools, &form);
    toolForm.show();
    QTest::qWait(20);
    SaveScreenshot(&toolForm, u"tools"_s);
    toolForm.reject();

    tools.Clear();
    form.close();
}

int main(int argc, char **argv) {
    PrepareUiEnvironment();
    QApplication app(argc, argv);
    InitUiResources();
    TScreenshots test;
    return QTest::qExec(&test, argc, argv);
}

#include "screenshots_test.moc"
