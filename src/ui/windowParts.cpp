#include "ui/windowParts.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

#include "ui/common.h"

QAction *AddMenuAction(QObject *owner, QMenu *menu, const char *name, const char *caption,
                       const char *hint) {
    auto *action = new QAction(Text(caption), owner);
    action->setObjectName(QString::fromLatin1(name));
    QString tip = Text(hint);
    action->setStatusTip(tip.contains(u'|') ? tip.section(u'|', 1) : tip);
    menu->addAction(action);
    return action;
}

void AddWindowShortcuts(QWidget *window, std::initializer_list<TWindowShortcut> shortcuts) {
    for (const TWindowShortcut &shortcut : shortcuts) {
        auto *action = window->findChild<QAction *>(QString::fromLatin1(shortcut.Action));
        if (!action)
            continue;
        action->setShortcut(shortcut.Keys);
        action->setShortcutContext(Qt::WindowShortcut);
        window->addAction(action);
    }
}
