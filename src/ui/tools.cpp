#include "ui/tools.h"

#include <QAction>
#include <QBoxLayout>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QUrl>
#include <QWidget>
#include <algorithm>

#include "config/tools.h"
#include "platform/fs.h"
#include "platform/seam.h"
#include "ui/common.h"
#include "ui/help.h"
#include "ui/icons.h"

using namespace Qt::StringLiterals;

namespace {
// Marks what these functions made, so that removing leaves everything else alone.
constexpr const char *ToolProperty = "trawlerTool";

constexpr int ToolFormTopic = 57;
constexpr int ToolFormWidth = 378;
constexpr int ToolFormHeight = 222;
constexpr int LargeIconSize = 32;

const char *const NotAFileText = "フォルダは登録できません。";

std::string LocalPath(const QString &path) {
    return QFile::encodeName(path).toStdString();
}
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

// ---- registration dialog ----

TToolForm::TToolForm(TTools &tools, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_tools(tools) {
    setObjectName(u"TToolForm"_s);
    setWindowTitle(Text("ツール"));
    setFixedSize(ToolFormWidth, ToolFormHeight);
    setAcceptDrops(true);

    m_list = new QListWidget;
    m_list->setObjectName(u"ToolList"_s);
    m_list->setViewMode(QListView::IconMode);
    m_list->setIconSize(QSize(LargeIconSize, LargeIconSize));
    m_list->setGridSize(QSize(86, 72));
    m_list->setWordWrap(true);
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    // Rows stay where they are, and files dropped on the list go to the dialog.
    m_list->setMovement(QListView::Static);
    m_list->setDragEnabled(false);
    m_list->setAcceptDrops(false);
    m_list->viewport()->setAcceptDrops(false);
    connect(m_list, &QListWidget::itemChanged, this, &TToolForm::Renamed);

    auto button = [this](const char *caption, const char *hint, const QString &name) {
        auto *pushButton = new QPushButton(Text(caption));
        pushButton->setObjectName(name);
        if (hint)
            pushButton->setToolTip(Text(hint));
        return pushButton;
    };
    m_addButton = button("追加 (&A)", "ツールの追加", u"AddButton"_s);
    m_deleteButton = button("削除 (&D)", "ツールを削除", u"DeleteButton"_s);
    m_editButton = button("編集 (&E)", "ツール名の変更", u"EditButton"_s);
    QPushButton *ok = button("OK", nullptr, u"OkButton"_s);
    QPushButton *cancel = button("Cancel", nullptr, u"CancelButton"_s);
    ok->setDefault(true);
    connect(m_addButton, &QPushButton::clicked, this, &TToolForm::AddClick);
    connect(m_deleteButton, &QPushButton::clicked, this, &TToolForm::DeleteClick);
    connect(m_editButton, &QPushButton::clicked, this, &TToolForm::EditClick);
    connect(ok, &QPushButton::clicked, this, &TToolForm::accept);
    connect(cancel, &QPushButton::clicked, this, &TToolForm::reject);

    auto *column = new QVBoxLayout;
    column->addWidget(m_addButton);
    column->addWidget(m_deleteButton);
    column->addWidget(m_editButton);
    column->addStretch(1);
    column->addWidget(ok);
    column->addWidget(cancel);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(m_list, 1);
    layout->addLayout(column);

    EnableButtons(false);
    for (const TTool *tool : tools.Tools())
        AddTool(tool->Path, tool->Name);

    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [] { ShowHelpTopic(ToolFormTopic); });
}

TToolForm::~TToolForm() = default;

void TToolForm::EnableButtons(bool enabled) {
    m_deleteButton->setEnabled(enabled);
    m_editButton->setEnabled(enabled);
}

void TToolForm::AddTool(const std::string &path, const std::string &name) {
    m_working.push_back(std::make_unique<TTool>(name, path, seam::Shell().ProgramIcon(path)));
    auto *item = new QListWidgetItem(IconFor(m_working.back()->Icon), FromBytes(name));
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    m_filling = true;
    m_list->addItem(item);
    m_filling = false;
    if (m_list->selectedItems().isEmpty())
        m_list->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    EnableButtons(true);
}

void TToolForm::AddClick() {
    QString chosen = QFileDialog::getOpenFileName(this, Text("開く"));
    if (chosen.isEmpty())
        return;
    std::string path = LocalPath(chosen);
    AddTool(path, path);
}

void TToolForm::DeleteClick() {
    int highest = -1;
    for (int row = m_list->count() - 1; row >= 0; --row) {
        if (!m_list->item(row)->isSelected())
            continue;
        if (highest < 0)
            highest = row;
        m_filling = true;
        delete m_list->takeItem(row);
        m_filling = false;
        m_working.erase(m_working.begin() + row);
    }
    if (highest < 0)
        return;
    m_list->clearSelection();
    if (m_list->count() == 0) {
        EnableButtons(false);
        return;
    }
    if (highest > 0)
        m_list->setCurrentRow(std::min(highest, m_list->count() - 1),
                              QItemSelectionModel::ClearAndSelect);
}

void TToolForm::EditClick() {
    QListWidgetItem *item = m_list->currentItem();
    if (!item || !item->isSelected()) {
        const auto selected = m_list->selectedItems();
        item = nullptr;
        for (QListWidgetItem *candidate : selected)
            if (!item || m_list->row(candidate) < m_list->row(item))
                item = candidate;
    }
    if (!item)
        return;
    m_list->setFocus();
    m_list->scrollToItem(item);
    m_list->editItem(item);
}

void TToolForm::Renamed(QListWidgetItem *item) {
    int row = m_list->row(item);
    if (m_filling || row < 0 || row >= static_cast<int>(m_working.size()))
        return;
    TTool &tool = *m_working[static_cast<size_t>(row)];
    QString text = item->text();
    if (text == FromBytes(tool.Name))
        return; // not edited: the name keeps its bytes
    if (text.trimmed().isEmpty()) {
        // A tool without a name would give an empty menu entry and tooltip.
        m_filling = true;
        item->setText(FromBytes(tool.Name));
        m_filling = false;
        return;
    }
    tool.Name = ToBytes(text);
}

void TToolForm::dragEnterEvent(QDragEnterEvent *event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TToolForm::dragMoveEvent(QDragMoveEvent *event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TToolForm::dropEvent(QDropEvent *event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty())
        return;
    // Only the first of several files counts; the whole path does, however long.
    const QUrl &first = urls.front();
    std::string path = first.isLocalFile() ? LocalPath(first.toLocalFile()) : std::string();
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (!path.empty() && fs::FileExists(path)) {
        AddTool(path, path);
        return;
    }
    // Shown once the drop is over: a box inside the drop would keep the file manager waiting
    // for its answer.
    QMetaObject::invokeMethod(
        this, [] { seam::Messages().ErrorBox(NotAFileText); }, Qt::QueuedConnection);
}

void TToolForm::accept() {
    m_tools.Clear();
    for (const auto &tool : m_working)
        m_tools.Add(tool->Name, tool->Path);
    QDialog::accept();
}

bool EditTools(TTools &tools, QWidget *parent) {
    TToolForm form(tools, parent);
    PlaceBesideMain(&form);
    return form.exec() == QDialog::Accepted;
}
