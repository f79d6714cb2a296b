#include "ui/common.h"

#include <QPointer>
#include <QStringDecoder>
#include <QWidget>
#include <memory>

#include "config/tools.h"
#include "items/cab.h"
#include "items/fileDB.h"

namespace {
QPointer<QWidget> mainWindow;
TFileDb *fileDb = nullptr;
TCabinetRoot *cabinetRoot = nullptr;
TTools *toolList = nullptr;

bool IsValidUtf8(const std::string &bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return !decoder.hasError();
}
} // namespace

QString FromBytes(const std::string &bytes) {
    QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(view);
    QStringDecoder shiftJis("CP932");
    if (shiftJis.isValid())
        return shiftJis.decode(view);
    return QString::fromLatin1(view);
}

std::string ToBytes(const QString &text) {
    return text.toUtf8().toStdString();
}

QWidget *MainWindow() {
    return mainWindow.data();
}

void SetMainWindow(QWidget *window) {
    mainWindow = window;
}

void PlaceBesideMain(QWidget *window) {
    if (!mainWindow || !window || window == mainWindow)
        return;
    window->move(mainWindow->frameGeometry().topLeft() + QPoint(30, 30));
}

TFileDb &FileDb() {
    if (!fileDb) {
        static TFileDb own;
        return own;
    }
    return *fileDb;
}

void SetFileDb(TFileDb *database) {
    fileDb = database;
}

TCabinetRoot &Cabinets() {
    if (!cabinetRoot) {
        static TCabinetRoot own;
        return own;
    }
    return *cabinetRoot;
}

void SetCabinets(TCabinetRoot *root) {
    cabinetRoot = root;
}

TTools &ToolList() {
    if (!toolList) {
        static TTools own;
        return own;
    }
    return *toolList;
}

void SetToolList(TTools *tools) {
    toolList = tools;
}
