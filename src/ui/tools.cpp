#include "ui/tools.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>
#include <QWidget>

#include "config/tools.h"
#include "ui/common.h"
#include "ui/icons.h"

using namespace Qt::StringLiterals;

namespace {
// Marks what these functions made, so that removing leaves everything else alone.
constexpr const char *ToolProperty = "trawlerTool";
} // namespace

void RemoveToolButtons(QWidget *area) {
    if (!area)
        return;
    const auto buttons = area->findChildren<QToolButton *>(Qt::FindDirectChildrenOnly);
    for (QToolButton *button : buttons)
        if (button->property(ToolProperty).toBool())
            delete button;
}

void AddToolButtons(QWidget *area, const TTools &tools, const TToolRunner &run) {
    RemoveToolButtons(area);
    if (!area)
        return;
    int n = 0;
    for (const TTool *tool : tools.Tools()) {
        auto *button = new QToolButton(area);
        button->setObjectName(u"ToolButton%1"_s.arg(n));
        button->setProperty(ToolProperty, true);
        button->setGeometry(n * 26 + 2, 3, 24, 25);
        button->setIcon(IconFor(tool->Icon));
        button->setIconSize(QSize(20, 20));
        button->setToolTip(FromBytes(tool->Name));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->show();
        std::string program = tool->Path;
        QObject::connect(button, &QToolButton::clicked, button, [run, program] { run(program); });
        ++n;
    }
}

void RemoveToolMenus(QMenu *menu) {
    if (!menu)
        return;
    const auto actions = menu->actions();
    for (QAction *action : actions)
        if (action->property(ToolProperty).toBool())
            delete action;
}

void AddToolMenus(QMenu *menu, const TTools &tools, const TToolRunner &run) {
    RemoveToolMenus(menu);
    if (!menu)
        return;
    int n = 0;
    for (const TTool *tool : tools.Tools()) {
        QString name = FromBytes(tool->Name);
        auto *entry = new QAction(IconFor(tool->Icon), name, menu);
        entry->setObjectName(u"ToolMenu%1"_s.arg(n++));
        entry->setProperty(ToolProperty, true);
        entry->setStatusTip(name + Text("で選択されたファイルを開きます。"));
        std::string program = tool->Path;
        QObject::connect(entry, &QAction::triggered, entry, [run, program] { run(program); });
        menu->addAction(entry);
    }
}
