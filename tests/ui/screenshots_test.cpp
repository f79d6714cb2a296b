// Pictures of the windows on the demo cabinets, saved under the build's screenshot folder
// for a person to look at.
#include <QApplication>
#include <QTest>
#include <QSplitter>
#include <QTreeView>

#include "items/cab.h"
#include "support/uiSupport.h"
#include "ui/explor.h"
#include "ui/icons.h"
#include "ui/itemModel.h"
#include "ui/main.h"

class TScreenshots : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void mainWindowInEveryStyle();
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
