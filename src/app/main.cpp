// The desktop program: builds the application and its main window.
#include <QApplication>

#include "ui/main.h"

int main(int argc, char **argv) {
    return RunTrawler(argc, argv);
}
