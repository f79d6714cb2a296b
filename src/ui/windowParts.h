#pragma once
// What the program's windows build the same way: menu entries with their hints, and the keys
// of commands that work wherever the focus is in the window.
#include <QKeySequence>
#include <initializer_list>

class QAction;
class QMenu;
class QObject;
class QWidget;

// Appends an entry to a menu: the caption as quoted (with its "&"), objectName name, and as
// status tip the hint's status text (the part after "|" when the hint has one). The entry
// belongs to owner.
QAction *AddMenuAction(QObject *owner, QMenu *menu, const char *name, const char *caption,
                       const char *hint);

// A key for the window's entry of that objectName.
struct TWindowShortcut {
    const char *Action;
    QKeySequence Keys;
};
// Gives the window's entries their keys, working wherever the focus is in the window; names
// the window does not have are passed over.
void AddWindowShortcuts(QWidget *window, std::initializer_list<TWindowShortcut> shortcuts);
