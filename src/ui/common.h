#pragma once
// What every window of the desktop program shares: the decoding of the core's byte strings,
// the main window that secondary windows are placed against, and the file-type database.
#include <QString>
#include <string>

class QWidget;
class TCabinetRoot;
class TFileDb;
class TTools;

// A name, address or path of the core for display: UTF-8 when it is valid UTF-8, else
// Shift-JIS (CP932), as old Japanese caches wrote them.
QString FromBytes(const std::string &bytes);
// Text the user typed, as the core keeps it: UTF-8.
std::string ToBytes(const QString &text);
// One of the program's own texts (UTF-8 in the source).
inline QString Text(const char *utf8) {
    return QString::fromUtf8(utf8);
}

// The main window; nullptr before it exists and after it is gone.
QWidget *MainWindow();
void SetMainWindow(QWidget *window);
// Puts a secondary window 30 pixels right of and below the main window's top-left corner
// (nothing happens without a main window).
void PlaceBesideMain(QWidget *window);

// The file-type database of the running program (owned by the main window). Windows that
// are used without a main window (tests) get one of their own.
TFileDb &FileDb();
void SetFileDb(TFileDb *database);

// The cabinet root and the tool list of the running program (owned by the main window). Used
// without a main window (tests), each is an empty one of its own.
TCabinetRoot &Cabinets();
void SetCabinets(TCabinetRoot *root);
TTools &ToolList();
void SetToolList(TTools *tools);
