#include "ui/explor.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "config/settings.h"
#include "fileops/dde.h"
#include "fileops/fileOP.h"
#include "items/cab.h"
#include "items/clip.h"
#include "items/file.h"
#include "platform/error.h"
#include "platform/fs.h"
#include "platform/seam.h"
#include "ui/common.h"
#include "ui/icons.h"
#include "ui/itemModel.h"
#include "ui/status.h"

using namespace Qt::StringLiterals;

namespace {
constexpr int KeyDelay = 500;
constexpr int ScrollDelay = 500;

QString CountText(size_t count, const char *suffix) {
    return QString::number(count) + Text(suffix);
}

// Posts the notification for an item that a command may just have destroyed.
void Notify(const TItemRef &item) {
    if (item.Serial() != 0)
        seam::Notifier().ItemChanged(item);
}

bool IsPaneKey(int key) {
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left ||
           key == Qt::Key_Right || key == Qt::Key_PageUp || key == Qt::Key_PageDown ||
           key == Qt::Key_Home || key == Qt::Key_End;
}

// The rows of a view's selection, top first, one per row.
QModelIndexList SelectedRowIndexes(const QAbstractItemView *view) {
    QModelIndexList rows;
    if (view->selectionModel())
        for (const QModelIndex &index : view->selectionModel()->selectedIndexes())
            if (index.column() == 0)
                rows.append(index);
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    return rows;
}

bool AllowRename(TExplorer &pane, const QModelIndex &index, bool isTree) {
    TTree *item = isTree ? pane.TreeModel()->ItemAt(index) : pane.ListModel()->ItemAt(index.row());
    if (!item || BatchRunning())
        return false;
    return CanRename(*item);
}

// A drag moves when Shift was held at the press, else it copies.
void RecordDragMode(QMouseEvent *event, bool isTree, TExplorer &pane) {
    uint8_t mode = (event->modifiers() & Qt::ShiftModifier) ? ClipMove : ClipCopy;
    if (isTree)
        pane.TreeModel()->DragMode = mode;
    else
        pane.ListModel()->DragMode = mode;
}

void StartItemDrag(QAbstractItemView *view, TExplorer &pane, bool isTree) {
    QModelIndexList rows = SelectedRowIndexes(view);
    if (isTree) {
        rows.clear();
        if (view->currentIndex().isValid())
            rows.append(view->currentIndex());
    }
    if (rows.isEmpty())
        return;
    QMimeData *data = view->model()->mimeData(rows);
    if (!data)
        return;
    uint8_t mode = isTree ? pane.TreeModel()->DragMode : pane.ListModel()->DragMode;
    auto *drag = new QDrag(view);
    drag->setMimeData(data);
    QIcon icon = rows.front().data(Qt::DecorationRole).value<QIcon>();
    QPixmap picture(rows.size() > 1 ? 40 : 32, rows.size() > 1 ? 40 : 32);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        if (rows.size() > 1)
            icon.paint(&painter, QRect(8, 8, 32, 32));
        icon.paint(&painter, QRect(0, 0, 32, 32));
    }
    drag->setPixmap(picture);
    drag->exec(Qt::CopyAction | Qt::MoveAction, mode == ClipMove ? Qt::MoveAction : Qt::CopyAction);
    pane.DragEnded(isTree);
}

Qt::DropAction DragAction(const QMimeData *data) {
    QByteArray bytes = data ? data->data(QString::fromLatin1(ItemDragMimeType)) : QByteArray();
    return bytes.size() > 1 && static_cast<uint8_t>(bytes[1]) == ClipMove ? Qt::MoveAction
                                                                          : Qt::CopyAction;
}

// The node or row a drop at position would land on; invalid when it is refused.
QModelIndex DropIndexAt(QAbstractItemView *view, const QMimeData *data, const QPoint &position) {
    QModelIndex at = view->indexAt(position);
    if (at.isValid())
        at = at.siblingAtColumn(0);
    if (!at.isValid() || !view->model()->canDropMimeData(data, DragAction(data), -1, 0, at))
        return {};
    return at;
}

void DragEnter(QDragEnterEvent *event, TExplorer &pane) {
    pane.DragPassed();
    if (event->mimeData()->hasFormat(QString::fromLatin1(ItemDragMimeType))) {
        event->setDropAction(DragAction(event->mimeData()));
        event->accept();
    } else {
        event->ignore();
    }
}

void DragMove(QAbstractItemView *view, TPaneView &paneView, QDragMoveEvent *event, TExplorer &pane,
              bool isList) {
    pane.DragPassed();
    QPoint position = event->position().toPoint();
    pane.AutoScroll(view, position, isList);
    QModelIndex target = DropIndexAt(view, event->mimeData(), position);
    if (QPersistentModelIndex(target) != paneView.DropIndex) {
        paneView.DropIndex = target;
        view->viewport()->update();
    }
    if (target.isValid()) {
        event->setDropAction(DragAction(event->mimeData()));
        event->accept();
    } else {
        event->ignore();
    }
}

void DragLeave(QAbstractItemView *view, TPaneView &paneView, TExplorer &pane) {
    pane.StopAutoScroll(view);
    paneView.DropIndex = QPersistentModelIndex();
    view->viewport()->update();
}

void Drop(QAbstractItemView *view, TPaneView &paneView, QDropEvent *event, TExplorer &pane) {
    pane.StopAutoScroll(view);
    QModelIndex target = DropIndexAt(view, event->mimeData(), event->position().toPoint());
    paneView.DropIndex = QPersistentModelIndex();
    view->viewport()->update();
    if (!target.isValid()) {
        event->ignore();
        return;
    }
    event->setDropAction(DragAction(event->mimeData()));
    event->accept();
    // The paste runs after the drag has ended, so the source's drag loop is not kept open
    // for the whole copy.
    QMimeData *copy = new QMimeData;
    copy->setData(QString::fromLatin1(ItemDragMimeType),
                  event->mimeData()->data(QString::fromLatin1(ItemDragMimeType)));
    QPersistentModelIndex where(target);
    QPointer<QAbstractItemView> guard(view);
    QTimer::singleShot(0, view, [guard, copy, where] {
        if (guard && where.isValid())
            guard->model()->dropMimeData(copy, DragAction(copy), -1, 0, where);
        delete copy;
    });
}

void ConfigureView(QAbstractItemView *view) {
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::EditKeyPressed);
    view->setDragEnabled(true);
    view->setAcceptDrops(true);
    view->viewport()->setAcceptDrops(true);
    view->setDropIndicatorShown(false);
    view->setAutoScroll(false);
    view->setDragDropMode(QAbstractItemView::DragDrop);
}
} // namespace

// ---- scroll timer ----

TScrollTimer::TScrollTimer(QObject *parent) : QTimer(parent) {
    setObjectName(u"SCtimer"_s);
    setInterval(ScrollDelay);
    connect(this, &QTimer::timeout, this, &TScrollTimer::Tick);
}

void TScrollTimer::Tick() {
    QAbstractItemView *view = View.data();
    if (!view || !Current.isValid()) {
        stop();
        return;
    }
    QModelIndex from = Current;
    QModelIndex next;
    if (auto *treeView = qobject_cast<QTreeView *>(view)) {
        if (Vertical != 0)
            next = Vertical < 0 ? treeView->indexAbove(from) : treeView->indexBelow(from);
    } else if (Vertical != 0 || Horizontal != 0) {
        QRect rect = view->visualRect(from);
        QModelIndex beside = from;
        if (Horizontal != 0) {
            QModelIndex probe = view->indexAt(
                rect.center() + QPoint(Horizontal < 0 ? -rect.width() : rect.width(), 0));
            if (probe.isValid())
                beside = probe;
        }
        next = beside;
        if (Vertical != 0) {
            QRect at = view->visualRect(beside);
            next =
                view->indexAt(at.center() + QPoint(0, Vertical < 0 ? -at.height() : at.height()));
        }
    }
    if (!next.isValid() || next == from) {
        stop();
        view->viewport()->update();
        return;
    }
    view->scrollTo(next, QAbstractItemView::EnsureVisible);
    Current = next;
    view->viewport()->update();
}

// ---- delegate ----

void TItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const {
    painter->save();
    const auto *paneView = dynamic_cast<const TPaneView *>(option.widget);
    if (paneView && paneView->DropIndex.isValid() && paneView->DropIndex.row() == index.row() &&
        paneView->DropIndex.parent() == index.parent()) {
        painter->fillRect(option.rect, option.palette.color(QPalette::Highlight).lighter(160));
    }
    if (index.data(CutRole).toBool())
        painter->setOpacity(0.45);
    QStyledItemDelegate::paint(painter, option, index);
    QIcon state = index.data(StateImageRole).value<QIcon>();
    if (!state.isNull()) {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QWidget *widget = option.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        QRect icon = style->subElementRect(QStyle::SE_ItemViewItemDecoration, &opt, widget);
        int side = std::max(8, icon.height() / 2 + 2);
        state.paint(painter, QRect(icon.left() - 1, icon.bottom() - side + 2, side, side));
    }
    painter->restore();
}

// ---- views ----

template <class View>
TExplorerView<View>::TExplorerView(TExplorer &pane, QWidget *parent, bool isTree)
    : View(parent), TPaneView(pane, isTree) {
    ConfigureView(this);
    this->setItemDelegate(new TItemDelegate(this));
}

template <class View>
bool TExplorerView<View>::edit(const QModelIndex &index, QAbstractItemView::EditTrigger trigger,
                               QEvent *event) {
    // Only the rename command and its key start an edit, and only where the item's rule allows.
    if (trigger != QAbstractItemView::AllEditTriggers &&
        trigger != QAbstractItemView::EditKeyPressed)
        return false;
    QModelIndex name = index.siblingAtColumn(0);
    if (this->state() != QAbstractItemView::EditingState && !AllowRename(pane, name, isTree))
        return false;
    return View::edit(name, trigger, event);
}

template <class View> void TExplorerView<View>::mousePressEvent(QMouseEvent *event) {
    RecordDragMode(event, isTree, pane);
    View::mousePressEvent(event);
}

template <class View> void TExplorerView<View>::keyPressEvent(QKeyEvent *event) {
    if (isTree) {
        View::keyPressEvent(event);
        if (IsPaneKey(event->key()))
            pane.TreeKeyMoved();
        return;
    }
    if (event->key() == Qt::Key_Backspace && this->state() != QAbstractItemView::EditingState) {
        pane.ListBackspace();
        return;
    }
    View::keyPressEvent(event);
}

template <class View> void TExplorerView<View>::startDrag(Qt::DropActions) {
    StartItemDrag(this, pane, isTree);
}

template <class View> void TExplorerView<View>::dragEnterEvent(QDragEnterEvent *event) {
    DragEnter(event, pane);
}

template <class View> void TExplorerView<View>::dragMoveEvent(QDragMoveEvent *event) {
    DragMove(this, *this, event, pane, !isTree);
}

template <class View> void TExplorerView<View>::dragLeaveEvent(QDragLeaveEvent *) {
    DragLeave(this, *this, pane);
}

template <class View> void TExplorerView<View>::dropEvent(QDropEvent *event) {
    Drop(this, *this, event, pane);
}

template class TExplorerView<QTreeView>;
template class TExplorerView<QListView>;

// ---- the pane ----

TExplorer::TExplorer(QWidget *owner, int treeWidth) : QWidget(owner), initialTreeWidth(treeWidth) {
    setObjectName(u"TExplorer"_s);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    title = new QLabel(this);
    title->setObjectName(u"PTitle"_s);
    title->setFixedHeight(18);
    title->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    title->setTextFormat(Qt::PlainText);
    layout->addWidget(title);

    splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(u"Splitter"_s);
    splitter->setHandleWidth(2);
    splitter->setOpaqueResize(false);
    splitter->setChildrenCollapsible(false);
    layout->addWidget(splitter, 1);

    treeModel = new TItemTreeModel(this);
    listModel = new TItemListModel(this);

    tree = new TExplorerTree(*this, splitter, true);
    tree->setObjectName(u"VTree"_s);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->setHeaderHidden(true);
    tree->setUniformRowHeights(true);
    tree->setTextElideMode(Qt::ElideNone);
    // Long names scroll sideways instead of being cut short.
    tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tree->header()->setStretchLastSection(false);
    connect(tree, &QTreeView::clicked, this,
            [this](const QModelIndex &index) { TreeClicked(index); });
    tree->setModel(treeModel);
    listPane = new QStackedWidget(splitter);
    listPane->setObjectName(u"ListView"_s);

    icons = new TExplorerIcons(*this, listPane, false);
    icons->setObjectName(u"ListViewIcons"_s);
    icons->setUniformItemSizes(true);
    icons->setLayoutMode(QListView::Batched);
    icons->setBatchSize(2000);
    connect(icons, &QListView::activated, this, [this] { OpenSelected(); });

    details = new TExplorerDetails(*this, listPane, false);
    details->setObjectName(u"ListViewDetails"_s);
    details->setRootIsDecorated(false);
    details->setItemsExpandable(false);
    details->setUniformRowHeights(true);
    details->setAllColumnsShowFocus(true);
    details->setSortingEnabled(false);
    details->header()->setSectionsClickable(true);
    details->header()->setStretchLastSection(false);
    connect(details, &QTreeView::activated, this, [this] { OpenSelected(); });
    icons->setModel(listModel);
    details->setModel(listModel);
    details->setSelectionModel(icons->selectionModel());
    listPane->addWidget(icons);
    listPane->addWidget(details);
    splitter->addWidget(tree);
    splitter->addWidget(listPane);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->handle(1)->setObjectName(u"PSplit"_s);
    splitter->handle(1)->setCursor(Qt::SplitHCursor);

    // The columns' widths, widened where this desktop's font needs more room for a date.
    QFontMetrics metrics(details->font());
    int date = metrics.horizontalAdvance(u"88/88/88 88:88"_s) + 16;
    const int widths[] = {150,
                          std::max(80, metrics.horizontalAdvance(Text("HTML ドキュメント")) + 14),
                          std::max(60, metrics.horizontalAdvance(u"88888KB"_s) + 14),
                          std::max(90, date), std::max(90, date)};
    for (int column = 0; column < 5; ++column)
        details->setColumnWidth(column, widths[column]);
    connect(details->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { listModel->ClickColumn(column); });

    status = new TIeStatus(this);
    layout->addWidget(status);

    keyTimer = new QTimer(this);
    keyTimer->setObjectName(u"KeyTimer"_s);
    keyTimer->setSingleShot(true);
    keyTimer->setInterval(KeyDelay);
    connect(keyTimer, &QTimer::timeout, this, [this] {
        keyTimer->stop();
        VTreeChange(SelectedNode());
    });
    scrollTimer = new TScrollTimer(this);

    connect(icons->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { ListSelectionChanged(); });
    treeModel->Renamed = [](TTree &item) { NotifyItemChanged(&item); };
    listModel->Renamed = [this](TTree &item) {
        if (item.IsFolder())
            NotifyItemChanged(ShownItem());
    };
    for (QWidget *view : {static_cast<QWidget *>(tree), static_cast<QWidget *>(icons),
                          static_cast<QWidget *>(details)})
        view->installEventFilter(this);
    OpenFile = [](TFile &file) { ::OpenFile(file); };
    SetViewStyle(3);
}

TExplorer::~TExplorer() {
    StopTimers();
}

void TExplorer::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (placed)
        return;
    placed = true;
    int total = std::max(1, splitter->width());
    int width = initialTreeWidth > total ? total / 2 : initialTreeWidth;
    splitter->setSizes({width, std::max(1, total - width)});
}

QAbstractItemView *TExplorer::List() const {
    return viewStyle == 3 ? static_cast<QAbstractItemView *>(details)
                          : static_cast<QAbstractItemView *>(icons);
}

QWidget *TExplorer::FocusedWidget() const {
    QWidget *focus = window()->focusWidget();
    // While the keyboard works the menu bar, the view it came from still counts as focused.
    if (!focus || qobject_cast<QMenuBar *>(focus) || qobject_cast<QMenu *>(focus))
        return lastFocused.data();
    return focus;
}

bool TExplorer::TreeFocused() const {
    QWidget *focus = FocusedWidget();
    return focus && (focus == tree || tree->isAncestorOf(focus));
}

bool TExplorer::ListFocused() const {
    QWidget *focus = FocusedWidget();
    return focus && (focus == icons || focus == details || icons->isAncestorOf(focus) ||
                     details->isAncestorOf(focus));
}

bool TExplorer::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::FocusIn && !stopped) {
        auto reason = static_cast<QFocusEvent *>(event)->reason();
        lastFocused = qobject_cast<QWidget *>(watched);
        // Focus that comes back from a menu, the menu bar, a dialog or another window is no
        // move.
        bool moved = reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason &&
                     reason != Qt::MenuBarFocusReason;
        if (moved && watched == tree) {
            if (TTree *item = treeModel->ItemAt(SelectedNode()))
                SetResting(CountText(item->ChildCount(), " 個のオブジェクト"));
        } else if (moved && (watched == icons || watched == details)) {
            icons->selectionModel()->clearSelection();
            SetStatusText({});
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TExplorer::SetResting(const QString &text) {
    resting = text;
    SetStatusText(text);
}

void TExplorer::ListSelectionChanged() {
    if (stopped)
        return;
    SetResting(CountText(SelectedRows().size(), " 個のオブジェクトを選択"));
}

std::vector<int> TExplorer::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex &index : SelectedRowIndexes(icons))
        rows.push_back(index.row());
    return rows;
}

QModelIndex TExplorer::SelectedNode() const {
    QModelIndex current = tree->currentIndex();
    if (current.isValid() && tree->selectionModel()->isSelected(current))
        return current;
    return current;
}

void TExplorer::AddCabinet(TTree &item) {
    treeModel->AddTop(item);
}

void TExplorer::Reveal(const QModelIndex &node) {
    // The tree view lays out expanded levels recursively, one stack frame per level: a node
    // deeper than this is selected and shown without opening its ancestors.
    constexpr int RevealDepth = 1000;
    int depth = 0;
    for (QModelIndex up = node.parent(); up.isValid() && depth <= RevealDepth; up = up.parent())
        ++depth;
    if (depth <= RevealDepth) {
        for (QModelIndex up = node.parent(); up.isValid(); up = up.parent())
            tree->expand(up);
        tree->setCurrentIndex(node);
        tree->scrollTo(node);
    } else {
        tree->selectionModel()->setCurrentIndex(node, QItemSelectionModel::ClearAndSelect);
    }
}

void TExplorer::SelectItem(TTree *item) {
    QModelIndex node = item ? treeModel->IndexOf(item) : treeModel->index(0, 0);
    if (node.isValid())
        Reveal(node);
    tree->setFocus(Qt::OtherFocusReason);
    VTreeChange(node);
}

void TExplorer::ShowLocation(const TTree *item) {
    if (!item) {
        title->clear();
        return;
    }
    title->setText(Text(" 現在位置 ： ") + FromBytes(item->GetCabinetName()) + Text(" [ ") +
                   FromBytes(item->GetURL()) + Text(" ]"));
}

void TExplorer::VTreeChange(const QModelIndex &node) {
    if (QPersistentModelIndex(node) == shown && (node.isValid() || !shownRef))
        return;
    shown = node;
    TTree *item = treeModel->ItemAt(node);
    shownRef = TItemRef(item);
    title->clear();
    SetStatusText({});
    if (!item) {
        listModel->Fill(nullptr);
        return;
    }
    ShowLocation(item);
    listModel->Fill(item);
    if (item->ChildCount() > 0)
        SetResting(CountText(item->ChildCount(), " 個のオブジェクト"));
}

TTree *TExplorer::GetSelectedItem() const {
    if (ListFocused()) {
        std::vector<int> rows = SelectedRows();
        return rows.empty() ? nullptr : listModel->ItemAt(rows.front());
    }
    if (TreeFocused())
        return treeModel->ItemAt(SelectedNode());
    return nullptr;
}

std::string TExplorer::GetSelectedFilePath() const {
    if (!ListFocused())
        return {};
    std::vector<int> rows = SelectedRows();
    TTree *item = rows.empty() ? nullptr : listModel->ItemAt(rows.front());
    return item && item->IsFile() ? item->GetLocalPath() : std::string();
}

void TExplorer::SetViewStyle(int style) {
    style = std::clamp(style, 0, 3);
    bool hadFocus = ListFocused();
    viewStyle = style;
    if (style == 3) {
        listPane->setCurrentWidget(details);
    } else {
        icons->setViewMode(style == 0 ? QListView::IconMode : QListView::ListMode);
        icons->setIconSize(style == 0 ? QSize(32, 32) : QSize(16, 16));
        icons->setFlow(style == 2 ? QListView::TopToBottom : QListView::LeftToRight);
        icons->setWrapping(true);
        icons->setResizeMode(QListView::Adjust);
        icons->setMovement(QListView::Static);
        icons->setWordWrap(style == 0);
        icons->setGridSize(style == 0 ? QSize(92, 76) : style == 1 ? QSize(160, 20) : QSize());
        icons->setSpacing(style == 2 ? 1 : 0);
        listPane->setCurrentWidget(icons);
    }
    if (hadFocus)
        List()->setFocus(Qt::OtherFocusReason);
}

int TExplorer::GetTreeWidth() const {
    return tree->width();
}

void TExplorer::SetStatusVisible(bool visible) {
    status->setVisible(visible);
}

bool TExplorer::GetStatusVisible() const {
    return !status->isHidden();
}

void TExplorer::SetStatusText(const QString &text) {
    status->SetMessage(text);
}

void TExplorer::StartProgress(int64_t minimum, int64_t maximum) {
    status->StartProgress(minimum, maximum);
}

void TExplorer::StepProgress(int64_t n) {
    status->StepProgress(n);
}

void TExplorer::ResetProgress() {
    status->ResetProgress();
}

void TExplorer::RestoreStatusText() {
    SetStatusText(resting);
}

// ---- commands ----

bool TExplorer::HeldBack() {
    if (!BatchRunning())
        return false;
    SetStatusText(Text("コピーが終わるまでお待ちください。"));
    return true;
}

void TExplorer::PropertiesOfSelection() {
    if (TreeFocused()) {
        QModelIndex node = SelectedNode();
        TItemRef item = treeModel->RefAt(node);
        if (!item)
            return;
        item.Get()->ShowProperties();
        if (TTree *still = item.Get(); still && still->IsCabinet())
            treeModel->RefreshNode(node);
        if (shownRef == item)
            ShowLocation(item.Get());
    } else if (ListFocused()) {
        if (TTree *item = GetSelectedItem())
            item->ShowProperties();
    }
}

void TExplorer::RenameSelection() {
    if (HeldBack())
        return;
    if (TreeFocused()) {
        QModelIndex node = SelectedNode();
        if (node.isValid())
            tree->edit(node);
    } else if (ListFocused()) {
        std::vector<int> rows = SelectedRows();
        if (!rows.empty())
            EditRow(rows.front());
    }
}

void TExplorer::EditRow(int row) {
    QModelIndex index = listModel->index(row, 0);
    List()->setCurrentIndex(index);
    List()->scrollTo(index);
    List()->edit(index);
}

void TExplorer::DeleteSelection() {
    if (HeldBack())
        return;
    if (TreeFocused()) {
        QModelIndex node = SelectedNode();
        TItemRef item = treeModel->RefAt(node);
        if (!item || !CanDelete(*item.Get()))
            return;
        if (item.Get() && item.Get()->IsDir())
            DeleteFiles(DeleteList(*item.Get()) + '\0', true);
        if (TTree *still = item.Get())
            still->Remove();
        Notify(item);
    } else if (ListFocused()) {
        std::vector<int> rows = SelectedRows();
        if (rows.empty())
            return;
        TTree *first = listModel->ItemAt(rows.front());
        if (!first || !CanDelete(*first))
            return;
        std::vector<TItemRef> items;
        std::string paths;
        for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
            items.push_back(listModel->RefAt(*row));
            if (TTree *item = items.back().Get())
                paths += DeleteList(*item);
        }
        DeleteFiles(paths + '\0', true);
        for (const TItemRef &item : items)
            if (TTree *still = item.Get())
                still->Remove();
        Notify(shownRef);
    }
}

void TExplorer::CutSelection() {
    bool fromTree = TreeFocused() && SelectedNode().isValid();
    bool fromList = !fromTree && ListFocused() && !SelectedRows().empty();
    TTree *folder = treeModel->ItemAt(SelectedNode());
    if ((!fromTree && !fromList) || !folder || !CanCut(*folder))
        return;
    if (fromTree) {
        ItemClip().Fill(*folder, ClipMove);
        listModel->SetCutRows({});
        return;
    }
    std::vector<TTree *> items;
    std::vector<int> rows = SelectedRows();
    for (int row : rows)
        items.push_back(listModel->ItemAt(row));
    ItemClip().Fill(items, ClipMove);
    listModel->SetCutRows(rows);
}

std::vector<TTree *> TExplorer::SelectedItems() const {
    std::vector<TTree *> items;
    if (ListFocused() && !SelectedRows().empty()) {
        for (int row : SelectedRows())
            if (TTree *item = listModel->ItemAt(row))
                items.push_back(item);
        return items;
    }
    if (TTree *folder = treeModel->ItemAt(SelectedNode()))
        items.push_back(folder);
    return items;
}

void TExplorer::CopySelection() {
    bool fromTree = TreeFocused() && SelectedNode().isValid();
    bool fromList = !fromTree && ListFocused() && !SelectedRows().empty();
    TTree *folder = treeModel->ItemAt(SelectedNode());
    if ((!fromTree && !fromList) || !folder || !CanCopy(*folder))
        return;
    listModel->SetCutRows({});
    if (fromTree) {
        ItemClip().Fill(*folder, ClipCopy);
        return;
    }
    std::vector<TTree *> items;
    for (int row : SelectedRows())
        items.push_back(listModel->ItemAt(row));
    ItemClip().Fill(items, ClipCopy);
}

void TExplorer::PasteIntoSelection() {
    if (HeldBack())
        return;
    TTree *target = nullptr;
    if (ListFocused()) {
        std::vector<int> rows = SelectedRows();
        target = rows.empty() ? treeModel->ItemAt(SelectedNode()) : listModel->ItemAt(rows.front());
    } else if (TreeFocused()) {
        target = treeModel->ItemAt(SelectedNode());
    }
    if (!target || !CanPaste(*target))
        return;
    TTree *folder = treeModel->ItemAt(SelectedNode());
    TItemRef cabinet(folder ? folder->GetCabinet() : nullptr);
    TItemRef folderRef(folder);
    TTree *returned = nullptr;
    try {
        returned = ItemClip().Paste(*target);
    } catch (const TError &error) {
        seam::Messages().ErrorBox(error.what());
    }
    TItemRef returnedRef(returned);
    listModel->SetCutRows({});
    Notify(cabinet);
    Notify(folderRef);
    if (returnedRef)
        Notify(returnedRef);
}

void TExplorer::SelectAll() {
    if (listModel->Count() == 0)
        return;
    List()->setFocus(Qt::OtherFocusReason);
    List()->selectAll();
}

void TExplorer::NewFolder() {
    QModelIndex node = SelectedNode();
    TTree *parent = treeModel->ItemAt(node);
    if (!parent || parent->GetKind() != KindPlainLog)
        return;
    VTreeChange(node);
    List()->setFocus(Qt::OtherFocusReason);
    TTree *made = AddNewFolder(*parent);
    if (!made)
        return;
    int row = listModel->RowOf(made);
    if (row < 0)
        row = listModel->AddRow(*made).row();
    NotifyItemChanged(parent);
    EditRow(row);
}

TCabinet *TExplorer::CloseTemporary() {
    if (!TreeFocused())
        return nullptr;
    QModelIndex node = SelectedNode();
    TTree *item = treeModel->ItemAt(node);
    if (!item || !item->IsCabinet() || !static_cast<TCabinet *>(item)->Temporary ||
        node.parent().isValid())
        return nullptr;
    SelectNeighbour(node);
    QModelIndex now = treeModel->ExistingIndexOf(item);
    treeModel->RemoveNode(now);
    if (treeModel->TopCount() == 0) {
        shown = QPersistentModelIndex();
        shownRef = TItemRef();
        title->clear();
        listModel->Fill(nullptr);
    } else {
        VTreeChange(SelectedNode());
    }
    return static_cast<TCabinet *>(item);
}

void TExplorer::SelectNeighbour(const QModelIndex &node) {
    QModelIndex next = node.sibling(node.row() + 1, 0);
    if (!next.isValid())
        next = node.sibling(node.row() - 1, 0);
    if (next.isValid()) {
        tree->setCurrentIndex(next);
    } else {
        tree->selectionModel()->clearSelection();
        tree->setCurrentIndex(node.parent());
    }
}

// ---- keeping the views in step ----

void TExplorer::RefreshList() {
    if (TTree *item = shownRef.Get())
        listModel->RefreshInPlace(*item);
}

void TExplorer::ItemChanged(const TItemRef &item) {
    if (item.Serial() == 0 || stopped)
        return;
    TTree *alive = item.Get();
    QModelIndex node = treeModel->ExistingIndexOf(alive);
    if (!alive) {
        // The node of a destroyed item: found by the serial it carried.
        std::vector<QModelIndex> pending;
        for (int row = 0; row < treeModel->rowCount(); ++row)
            pending.push_back(treeModel->index(row, 0));
        while (!pending.empty() && !node.isValid()) {
            QModelIndex at = pending.back();
            pending.pop_back();
            if (at.data(ItemSerialRole).toULongLong() == item.Serial()) {
                node = at;
                break;
            }
            for (int row = 0; row < treeModel->rowCount(at); ++row)
                pending.push_back(treeModel->index(row, 0, at));
        }
    }
    if (node.isValid()) {
        if (alive) {
            treeModel->RefreshNode(node);
        } else {
            if (tree->currentIndex() == node)
                SelectNeighbour(node);
            treeModel->RemoveNode(node);
        }
    }
    QModelIndex selected = SelectedNode();
    if (QPersistentModelIndex(selected) != shown ||
        (!selected.isValid() && shownRef.Serial() != 0 && !shownRef))
        VTreeChange(selected);
    else if (shownRef.Serial() == item.Serial())
        RefreshList();
}

void TExplorer::RefreshAll() {
    if (stopped)
        return;
    for (int row = treeModel->rowCount() - 1; row >= 0; --row) {
        QModelIndex node = treeModel->index(row, 0);
        if (treeModel->ItemAt(node)) {
            treeModel->RefreshNode(node);
        } else {
            if (tree->currentIndex() == node)
                SelectNeighbour(node);
            treeModel->RemoveNode(node);
        }
    }
    QModelIndex selected = SelectedNode();
    if (QPersistentModelIndex(selected) != shown || !shownRef)
        VTreeChange(selected);
    else
        RefreshList();
}

void TExplorer::StopTimers() {
    keyTimer->stop();
    scrollTimer->stop();
    stopped = true;
}

// ---- what the views report ----

void TExplorer::OpenSelected() {
    std::vector<int> rows = SelectedRows();
    QModelIndex current = List()->currentIndex();
    int row = current.isValid() ? current.row() : (rows.empty() ? -1 : rows.front());
    TTree *item = listModel->ItemAt(row);
    if (!item)
        return;
    if (item->IsFile()) {
        if (OpenFile)
            OpenFile(*static_cast<TFile *>(item));
        return;
    }
    QModelIndex node = treeModel->IndexOf(item);
    if (!node.isValid())
        return;
    Reveal(node);
    VTreeChange(node);
}

void TExplorer::ListBackspace() {
    keyTimer->stop();
    QModelIndex node = SelectedNode();
    if (node.parent().isValid()) {
        tree->setCurrentIndex(node.parent());
        keyTimer->start();
    }
}

void TExplorer::TreeKeyMoved() {
    keyTimer->start();
}

void TExplorer::TreeClicked(const QModelIndex &index) {
    if (index.isValid() && QPersistentModelIndex(SelectedNode()) != shown)
        VTreeChange(SelectedNode());
}

void TExplorer::DragEnded(bool fromTree) {
    scrollTimer->stop();
    if (fromTree) {
        if (dragPassed && shown.isValid())
            tree->setCurrentIndex(shown);
        else if (QPersistentModelIndex(SelectedNode()) != shown)
            VTreeChange(SelectedNode());
    }
    dragPassed = false;
}

void TExplorer::AutoScroll(QAbstractItemView *view, const QPoint &position, bool isList) {
    // Positions count from the view's own top-left corner, column headers included.
    QPoint at = position + view->viewport()->pos();
    int height = view->height();
    int width = view->width();
    int vertical = 0, horizontal = 0;
    if (isList) {
        vertical = at.y() <= 31 ? -1 : at.y() > height - 16 ? 1 : 0;
        horizontal = at.x() <= 15 ? -1 : at.x() > width - 16 ? 1 : 0;
    } else {
        vertical = at.y() <= 15 ? -1 : at.y() > height - 16 ? 1 : 0;
    }
    if (vertical == 0 && horizontal == 0) {
        scrollTimer->stop();
        return;
    }
    if (!(isList ? Settings().OpListAutoScroll : Settings().OpTreeAutoScroll))
        return;
    scrollTimer->View = view;
    QModelIndex under = view->indexAt(position);
    if (!under.isValid() && vertical < 0)
        under = view->indexAt(QPoint(position.x(), 0));
    scrollTimer->Current = under.isValid() ? under.siblingAtColumn(0) : QModelIndex();
    scrollTimer->Vertical = vertical;
    scrollTimer->Horizontal = horizontal;
    if (!scrollTimer->isActive())
        scrollTimer->start();
}

void TExplorer::StopAutoScroll(QAbstractItemView *view) {
    scrollTimer->stop();
    view->viewport()->update();
}
