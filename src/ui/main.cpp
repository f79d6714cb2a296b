#include "ui/main.h"
#include <QApplication>
#include "ui/icons.h"
int RunTrawler(int argc, char **argv) {
    QApplication app(argc, argv);
    InitUiResources();
    return 0;
}
