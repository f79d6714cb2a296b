#include "ui/fileList.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDrag>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "config/settings.h"
#include "fileops/dde.h"
#include "items/clip.h"
#include "items/file.h"
#include "items/fileDB.h"
#include "items/texts.h"
#include "platform/datetime.h"
#include "platform/error.h"
#include "platform/seam.h"
#include "ui/clipForm.h"
#include "ui/common.h"
#include "ui/explor.h"
#include "ui/icons.h"
#include "ui/itemModel.h"
#include "ui/seamQt.h"
#include "ui/status.h"
#include "ui/tools.h"
#include "ui/windowParts.h"

using namespace Qt::StringLiterals;

namespace {
constexpr int StatusDelay = 2000;
constexpr int CaptionWidth = 150;

class THourglass {
public:
    THourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~THourglass() { QApplication::restoreOverrideCursor(); }
    THourglass(const THourglass &) = delete;
    THourglass &operator=(const THourglass &) = delete;
};

// While it lives, what opening a file or starting a tool says about it ("file not found")
// goes to this window's status panel instead of the main window's; everything else passes
// on to the panel that was installed before.
class TStatusHere final : public TProgress {
public:
    explicit TStatusHere(TIeStatus *panel) : panel(panel), previous(&seam::Progress()) {
        seam::SetProgress(this);
    }
    ~TStatusHere() override { seam::SetProgress(previous); }
    TStatusHere(const TStatusHere &) = delete;
    TStatusHere &operator=(const TStatusHere &) = delete;

    void SetStatusText(const std::string &text) override { panel->SetMessage(FromBytes(text)); }
    void StartProgress(int64_t minimum, int64_t maximum) override {
        previous->StartProgress(minimum, maximum);
    }
    void StepProgress(int64_t count) override { previous->StepProgress(count); }
    void ResetProgress() override { previous->ResetProgress(); }
    void ProcessEvents() override { previous->ProcessEvents(); }

private:
    TIeStatus *panel;
    TProgress *previous;
};

const TFile *AsFile(const TTree *item) {
    return item && item->IsFile() ? static_cast<const TFile *>(item) : nullptr;
}
} // namespace

// ---- model ----

TFileListModel::TFileListModel(QObject *parent) : QAbstractTableModel(parent) {}

void TFileListModel::SetRows(std::vector<TListRow> newRows) {
    beginResetModel();
    rows = std::move(newRows);
    endResetModel();
}

void TFileListModel::Sort(int column, int direction) {
    if (column < 0 || column >= ColumnCount || rows.size() < 2)
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<size_t> newPlace = SortListRows(rows, column, direction);
    if (!newPlace.empty()) {
        const QModelIndexList persistent = persistentIndexList();
        for (const QModelIndex &old : persistent)
            changePersistentIndex(
                old,
                index(static_cast<int>(newPlace[static_cast<size_t>(old.row())]), old.column()));
    }
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TFileListModel::Follow(TListFollow plan) {
    for (auto &[row, caption] : plan.Captions)
        if (row < rows.size())
            rows[row].Caption = std::move(caption);
    if (!plan.Captions.empty())
        Q_EMIT dataChanged(index(0, ColumnCaption), index(Count() - 1, ColumnCaption),
                           {Qt::DisplayRole, Qt::ToolTipRole});
    if (!plan.Gone.empty()) {
        // One layout change for any number of scattered rows: a removal signal per row would
        // cost the views a pass over all rows each.
        Q_EMIT layoutAboutToBeChanged();
        std::vector<int> newRow(rows.size());
        size_t next = 0;
        int kept = 0;
        for (size_t i = 0; i < rows.size(); ++i) {
            if (next < plan.Gone.size() && plan.Gone[next] == i) {
                newRow[i] = -1;
                ++next;
            } else {
                newRow[i] = kept++;
            }
        }
        RemoveListRows(rows, plan.Gone);
        const QModelIndexList persistent = persistentIndexList();
        for (const QModelIndex &old : persistent) {
            int row = old.row() >= 0 && static_cast<size_t>(old.row()) < newRow.size()
                          ? newRow[static_cast<size_t>(old.row())]
                          : -1;
            changePersistentIndex(old, row < 0 ? QModelIndex() : index(row, old.column()));
        }
        Q_EMIT layoutChanged();
    }
    if (!plan.Added.empty()) {
        beginInsertRows({}, Count(), Count() + static_cast<int>(plan.Added.size()) - 1);
        for (TListRow &row : plan.Added)
            rows.push_back(std::move(row));
        endInsertRows();
    }
}

void TFileListModel::SetCutRows(const std::vector<int> &cutRows) {
    for (TListRow &row : rows)
        row.Cut = false;
    for (int row : cutRows)
        if (row >= 0 && row < Count())
            rows[static_cast<size_t>(row)].Cut = true;
    if (!rows.empty())
        Q_EMIT dataChanged(index(0, 0), index(Count() - 1, 0), {CutRole});
}

TTree *TFileListModel::ItemAt(int row) const {
    return row >= 0 && row < Count() ? rows[static_cast<size_t>(row)].Ref.Get() : nullptr;
}

int TFileListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : Count();
}

int TFileListModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TFileListModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= Count())
        return {};
    TListRow &row = rows[static_cast<size_t>(index.row())];
    const TFile *file = AsFile(row.Ref.Get());
    if (!file)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case ColumnCaption:
            return FromBytes(row.Caption);
        case ColumnType:
            Describe(row, FileDb());
            return FromBytes(row.TypeName);
        case ColumnSize:
            return QString::fromStdString(ListSizeText(file->Size));
        case ColumnAccessed:
            return QString::fromStdString(DateText(true, file->Accessed));
        case ColumnModified:
            return QString::fromStdString(DateText(true, file->Modified));
        default:
            return {};
        }
    case Qt::ToolTipRole:
        return index.column() == ColumnCaption ? FromBytes(row.Caption) : QVariant();
    case Qt::DecorationRole:
        if (index.column() != ColumnCaption)
            return {};
        Describe(row, FileDb());
        // A type the desktop gave no icon shows none.
        return row.Image < 0 ? QIcon() : SmallImage(FileDb(), row.Image);
    case StateImageRole:
        if (index.column() != ColumnCaption)
            return {};
        return StateImage(FileDb(), ListMark(file->Accessed, Times));
    case Qt::TextAlignmentRole:
        if (index.column() == ColumnSize)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case CutRole:
        return row.Cut;
    case IsFileRole:
        return true;
    case ItemSerialRole:
        return QVariant::fromValue<qulonglong>(row.Ref.Serial());
    default:
        return {};
    }
}

QVariant TFileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue((section == ColumnSize ? Qt::AlignRight : Qt::AlignLeft) |
                                   Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    static const char *const captions[] = {"URLアドレス", "タイプ", "サイズ", "アクセス日時",
                                           "更新日時"};
    return Text(captions[section]);
}

Qt::ItemFlags TFileListModel::flags(const QModelIndex &index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled;
}

QStringList TFileListModel::mimeTypes() const {
    return {QString::fromLatin1(ItemDragMimeType)};
}

QMimeData *TFileListModel::mimeData(const QModelIndexList &indexes) const {
    std::vector<TTree *> items = ItemsOfRows(indexes, [this](int row) { return ItemAt(row); });
    if (items.empty())
        return nullptr;
    return MakeItemDrag(items, false, DragMode, Root.Get());
}

Qt::DropActions TFileListModel::supportedDragActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

// ---- view ----

TFileListView::TFileListView(TFileListModel &listModel, QWidget *parent)
    : QTreeView(parent), model(listModel) {
    setModel(&listModel);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setDragEnabled(true);
    setAcceptDrops(false);
    setDragDropMode(QAbstractItemView::DragOnly);
    setItemDelegate(new TItemDelegate(this));
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
}

void TFileListView::mousePressEvent(QMouseEvent *event) {
    noDrag = afterDoubleClick;
    afterDoubleClick = false;
    model.DragMode = (event->modifiers() & Qt::ShiftModifier) ? ClipMove : ClipCopy;
    QTreeView::mousePressEvent(event);
}

void TFileListView::mouseDoubleClickEvent(QMouseEvent *event) {
    QTreeView::mouseDoubleClickEvent(event);
    afterDoubleClick = true;
}

void TFileListView::startDrag(Qt::DropActions) {
    if (noDrag)
        return;
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    if (rows.isEmpty())
        return;
    QMimeData *data = model.mimeData(rows);
    if (!data)
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    // One picture for one file, two overlapping ones for several.
    QIcon icon = rows.front().data(Qt::DecorationRole).value<QIcon>();
    bool several = rows.size() > 1;
    QPixmap picture(several ? 40 : 32, several ? 40 : 32);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        if (several)
            icon.paint(&painter, QRect(8, 8, 32, 32));
        icon.paint(&painter, QRect(0, 0, 32, 32));
    }
    drag->setPixmap(picture);
    drag->exec(Qt::CopyAction | Qt::MoveAction,
               model.DragMode == ClipMove ? Qt::MoveAction : Qt::CopyAction);
}

// ---- window ----

TFormList::TFormList(TTree &root) : QWidget(nullptr, Qt::Window), listRoot(&root) {
    setObjectName(u"TFormList"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    // Closing the main window ends the program whatever lists are open.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowIcon(ProgramIconPicture());
    QString where = FromBytes(root.GetCabinetName());
    if (!root.IsCabinet())
        where += u" ["_s + FromBytes(root.GetURL()) + u"]"_s;
    setWindowTitle(Text("一覧") + u" - "_s + where);
    times = MakeListTimes(NowDateTime(), Settings().Exec, Settings().Terminate);
    RegisterItemWindow(this);

    model = new TFileListModel(this);
    model->Times = times;
    model->Root = listRoot;

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    BuildMenus();
    BuildToolPanel();
    layout->addWidget(panelBase);

    title = new QLabel(this);
    title->setObjectName(u"PTitle"_s);
    title->setFixedHeight(18);
    title->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    title->setTextFormat(Qt::PlainText);
    // The cabinet name and address are the core's bytes; the words around them are ours.
    QString line = Text(" 現在位置 ： ") + FromBytes(root.GetCabinetName());
    if (!root.IsCabinet())
        line += Text(" [ ") + FromBytes(root.GetURL()) + Text(" ]");
    title->setText(line);
    layout->addWidget(title);

    listView = new TFileListView(*model, this);
    listView->setObjectName(u"ListView"_s);
    QFontMetrics metrics(listView->font());
    // The widths of the report, widened where this desktop's font needs more room.
    int date = metrics.horizontalAdvance(u"88/88/88 88:88"_s) + 16;
    const int widths[] = {CaptionWidth,
                          std::max(80, metrics.horizontalAdvance(Text("HTML ドキュメント")) + 14),
                          std::max(60, metrics.horizontalAdvance(u"888888KB"_s) + 14),
                          std::max(90, date), std::max(90, date)};
    for (int column = 0; column < ColumnCount; ++column)
        listView->setColumnWidth(column, widths[column]);
    layout->addWidget(listView, 1);
    connect(listView->header(), &QHeaderView::sectionResized, this, [this](int column) {
        if (column == ColumnCaption && !fitting)
            captionSized = true;
    });
    connect(listView->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { ListViewColumnClick(column); });
    connect(listView, &QAbstractItemView::activated, this,
            [this](const QModelIndex &index) { OpenRow(index.row()); });
    connect(listView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { ShowSelection(); });
    listView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(listView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { pmMenu->popup(listView->viewport()->mapToGlobal(at)); });

    status = new TIeStatus(this);
    layout->addWidget(status);

    panelBase->setVisible(Settings().ToolBar);
    status->setVisible(Settings().StatusBar);

    statusTimer = new QTimer(this);
    statusTimer->setObjectName(u"StatusTimer"_s);
    statusTimer->setSingleShot(true);
    statusTimer->setInterval(StatusDelay);
    connect(statusTimer, &QTimer::timeout, this, [this] { ShowSelection(); });
    statusTimer->start();

    int width = 0;
    for (int column : widths)
        width += column;
    resize(std::max(560, width + 60), 380);
    BuildToolButtons();
}

TFormList::~TFormList() = default;

void TFormList::BuildMenus() {
    auto *bar = new QMenuBar(this);
    bar->setObjectName(u"MainMenu"_s);
    static_cast<QVBoxLayout *>(layout())->setMenuBar(bar);

    QMenu *mFile = bar->addMenu(Text("ファイル (&F)"));
    mFile->setObjectName(u"mFile"_s);
    connect(AddMenuAction(this, mFile, "mFileClose", "閉じる (&X)", "|このウィンドウを閉じます。"),
            &QAction::triggered, this, &TFormList::mFileCloseClick);

    QMenu *mEdit = bar->addMenu(Text("編集 (&E)"));
    mEdit->setObjectName(u"mEdit"_s);
    QAction *cut = AddMenuAction(this, mEdit, "mEditCut", "切り取り (&T)",
                                 "|指定されたデータをクリップボードに切り取ります。");
    connect(cut, &QAction::triggered, this, &TFormList::mEditCutClick);
    QAction *copy = AddMenuAction(this, mEdit, "mEditCopy", "コピー (&C)",
                                  "|指定されたデータをクリップボードにコピーします。");
    connect(copy, &QAction::triggered, this, &TFormList::mEditCopyClick);
    QAction *paste = AddMenuAction(this, mEdit, "mEditPaste", "貼り付け (&P)", "");
    paste->setEnabled(false);
    connect(AddMenuAction(this, mEdit, "mEditClip", "クリップボードの内容 (&V)",
                          "|現在のクリップボードの内容を表示します。"),
            &QAction::triggered, this, &TFormList::mEditClipClick);
    mEdit->addSeparator();
    QAction *all = AddMenuAction(this, mEdit, "mEditALL", "すべて選択 (&A)",
                                 "|すべてのデータを選択状態にします。");
    connect(all, &QAction::triggered, this, &TFormList::mEditALLClick);
    connect(mEdit, &QMenu::aboutToShow, this, &TFormList::mEditClick);
    // The usual keys of these commands work anywhere in the window.
    AddWindowShortcuts(this, {{"mEditCut", QKeySequence::Cut},
                              {"mEditCopy", QKeySequence::Copy},
                              {"mEditALL", QKeySequence::SelectAll}});

    QMenu *mView = bar->addMenu(Text("表示 (&V)"));
    mView->setObjectName(u"mView"_s);
    QAction *toolBar = AddMenuAction(this, mView, "mViewTool", "ツールバー (&T)",
                                     "|ツールバーの表示・非表示を切り替えます。");
    toolBar->setCheckable(true);
    connect(toolBar, &QAction::triggered, this, &TFormList::mViewToolClick);
    QAction *statusBar = AddMenuAction(this, mView, "mViewStatus", "ステータスバー (&S)",
                                       "|ステータスバーの表示・非表示を切り替えます。");
    statusBar->setCheckable(true);
    connect(statusBar, &QAction::triggered, this, &TFormList::mViewStatusClick);
    mView->addSeparator();
    modeActions = new QActionGroup(this);
    modeActions->setExclusive(true);
    static const char *const modeNames[] = {"mViewAll", "mViewWeek", "mViewDay", "mViewNew"};
    static const char *const modeCaptions[] = {"全部", "１週間以内", "１日以内", "新着"};
    static const char *const modeHints[] = {"|すべてのデータを表示します。",
                                            "|１週間以内にアクセスしたデータのみを表示します。",
                                            "|1日以内にアクセスしたデータのみを表示します。",
                                            "|前回起動後にアクセスしたデータを表示します。"};
    for (int32_t mode = ListAll; mode < ListModeCount; ++mode) {
        QAction *entry =
            AddMenuAction(this, mView, modeNames[mode], modeCaptions[mode], modeHints[mode]);
        entry->setCheckable(true);
        entry->setData(mode);
        modeActions->addAction(entry);
        connect(entry, &QAction::triggered, this, [this, mode] { mViewModeClick(mode); });
    }
    connect(mView, &QMenu::aboutToShow, this, &TFormList::mViewClick);
    mViewClick();

    mTool = bar->addMenu(Text("ツール (&T)"));
    mTool->setObjectName(u"mTool"_s);

    pmMenu = new QMenu(this);
    pmMenu->setObjectName(u"pmMenu"_s);
    connect(AddMenuAction(this, pmMenu, "pmCut", "切り取り (&T)",
                          "|指定されたデータをクリップボードに切り取ります。"),
            &QAction::triggered, this, &TFormList::mEditCutClick);
    connect(AddMenuAction(this, pmMenu, "pmCopy", "コピー (&C)",
                          "|指定されたデータをクリップボードにコピーします。"),
            &QAction::triggered, this, &TFormList::mEditCopyClick);
    pmMenu->addSeparator();
    pmTool = pmMenu->addMenu(Text("ツール"));
    pmTool->setObjectName(u"pmTool"_s);
    pmTool->menuAction()->setObjectName(u"pmTool"_s);
}

void TFormList::BuildToolPanel() {
    panelBase = new QWidget(this);
    panelBase->setObjectName(u"PanelBase"_s);
    panelBase->setFixedHeight(30);
    auto *row = new QHBoxLayout(panelBase);
    row->setContentsMargins(6, 0, 0, 0);
    row->setSpacing(6);
    auto *label = new QLabel(Text("前回起動"), panelBase);
    label->setObjectName(u"LabelExec"_s);
    execTime = new QLabel(QString::fromStdString(PreviousStartText(Settings().Exec)), panelBase);
    execTime->setObjectName(u"ExecTime"_s);
    execTime->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    execTime->setTextFormat(Qt::PlainText);
    execTime->setFixedHeight(22);
    execTime->setMinimumWidth(
        QFontMetrics(execTime->font()).horizontalAdvance(u" 88/88/88 88:88 "_s) + 8);
    execTime->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setBuddy(execTime);
    panelTool = new QWidget(panelBase);
    panelTool->setObjectName(u"PanelTool"_s);
    row->addWidget(label);
    row->addWidget(execTime);
    row->addSpacing(4);
    row->addWidget(panelTool, 1);
}

void TFormList::BuildToolButtons() {
    TToolRunner run = [this](const std::string &program) { ExecTool(program); };
    AddToolButtons(panelTool, ToolList(), run);
    AddToolMenus(mTool, ToolList(), run);
    AddToolMenus(pmTool, ToolList(), run);
}

void TFormList::FitCaptionColumn() {
    // The address column takes the room the window has beyond the other columns, until the
    // user sizes it.
    if (captionSized)
        return;
    int others = 0;
    for (int column = 1; column < ColumnCount; ++column)
        others += listView->columnWidth(column);
    int room = std::max(CaptionWidth, listView->viewport()->width() - others);
    if (room == listView->columnWidth(ColumnCaption))
        return;
    fitting = true;
    listView->setColumnWidth(ColumnCaption, room);
    fitting = false;
}

void TFormList::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    FitCaptionColumn();
}

void TFormList::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    FitCaptionColumn();
}

bool TFormList::event(QEvent *event) {
    if (event->type() == TItemChangedEvent::Kind()) {
        ItemChanged(static_cast<TItemChangedEvent *>(event)->Item);
        return true;
    }
    if (event->type() == QEvent::StatusTip) {
        QString tip = static_cast<QStatusTipEvent *>(event)->tip();
        // Leaving a menu entry sends an empty tip; the hint stays until the timer ends.
        if (!tip.isEmpty()) {
            status->SetMessage(tip);
            statusTimer->start();
        }
        return true;
    }
    if (event->type() == QEvent::WindowActivate)
        CheckListRoot();
    return QWidget::event(event);
}

void TFormList::CheckListRoot() {
    if (closing)
        return;
    bool alive = true;
    try {
        CheckValid(listRoot);
    } catch (const TError &) {
        alive = false;
    }
    if (alive) {
        BuildToolButtons();
        return;
    }
    closing = true;
    // Shown after the activation has been handled: the box takes the activation next.
    QTimer::singleShot(0, this, [this] {
        seam::Messages().ErrorBox("表示対象が削除されたので一覧表示を終了します。");
        close();
    });
}

void TFormList::FillList() {
    THourglass hourglass;
    model->SetRows({});
    totalCount = 0;
    TTree *root = listRoot.Get();
    if (root) {
        totalCount = CountListFiles(*root);
        status->SetMessage(Text("表示中..."));
        status->StartProgress(0, totalCount);
        model->SetRows(CollectListRows(
            *root, Settings().ListMode, times, [this] { status->StepProgress(1); },
            static_cast<size_t>(totalCount)));
        status->ResetProgress();
    }
    if (model->Count() == 0) {
        // Nothing will be selected to replace the word of the fill.
        status->SetMessage(QString());
        return;
    }
    QModelIndex first = model->index(0, 0);
    listView->selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect |
                                                           QItemSelectionModel::Rows);
    listView->scrollToTop();
    listView->setFocus(Qt::OtherFocusReason);
}

void TFormList::ShowSelection() {
    // Counted from the selection's row spans: listing the selected rows of a list of 200 000
    // would cost more than the selection itself.
    std::vector<std::pair<int, int>> spans;
    const QItemSelection selection = listView->selectionModel()->selection();
    for (const QItemSelectionRange &range : selection)
        spans.emplace_back(range.top(), range.bottom());
    std::sort(spans.begin(), spans.end());
    size_t selected = 0;
    int covered = -1; // the last row counted
    for (auto [top, bottom] : spans) {
        top = std::max(top, covered + 1);
        if (bottom >= top) {
            selected += static_cast<size_t>(bottom - top + 1);
            covered = bottom;
        }
    }
    if (selected > 0)
        status->SetMessage(FromBytes(SelectionText(selected, totalCount)));
}

bool TFormList::ListFocused() const {
    QWidget *focus = focusWidget();
    return focus && (focus == listView || listView->isAncestorOf(focus));
}

std::vector<int> TFormList::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex &index : listView->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<TTree *> TFormList::SelectedItems(const std::vector<int> &rows) const {
    std::vector<TTree *> items;
    for (int row : rows)
        if (TTree *item = model->ItemAt(row))
            items.push_back(item);
    return items;
}

// ---- commands ----

void TFormList::mFileCloseClick() {
    close();
}

void TFormList::mEditCutClick() {
    std::vector<int> rows = SelectedRows();
    TTree *root = listRoot.Get();
    if (!ListFocused() || rows.empty() || !root || !CanCut(*root))
        return;
    ItemClip().Fill(SelectedItems(rows), ClipMove);
    ItemClip().SetRoot(root);
    model->SetCutRows(rows);
}

void TFormList::mEditCopyClick() {
    std::vector<int> rows = SelectedRows();
    TTree *root = listRoot.Get();
    if (!ListFocused() || rows.empty() || !root || !CanCopy(*root))
        return;
    ItemClip().Fill(SelectedItems(rows), ClipCopy);
    ItemClip().SetRoot(root);
    model->SetCutRows({});
}

void TFormList::mEditClipClick() {
    ShowClipDialog(ItemClip());
}

void TFormList::mEditALLClick() {
    if (model->Count() == 0)
        return;
    listView->setFocus(Qt::OtherFocusReason);
    listView->selectAll();
}

void TFormList::mViewToolClick() {
    panelBase->setVisible(panelBase->isHidden());
}

void TFormList::mViewStatusClick() {
    status->setVisible(status->isHidden());
}

void TFormList::mViewModeClick(int32_t mode) {
    mode = ValidListMode(mode);
    if (Settings().ListMode == mode)
        return;
    Settings().ListMode = mode;
    FillList();
}

void TFormList::ListViewColumnClick(int column) {
    if (std::optional<TSortChoice> choice = sortState.Click(column))
        model->Sort(choice->Column, choice->Direction);
}

void TFormList::OpenRow(int row) {
    auto *file = const_cast<TFile *>(AsFile(model->ItemAt(row)));
    if (!file)
        return;
    TStatusHere here(status);
    OpenFile(*file);
}

void TFormList::ExecTool(const std::string &program) {
    std::vector<int> rows = SelectedRows();
    if (rows.empty())
        return;
    TTree *item = model->ItemAt(rows.front());
    if (!item)
        return;
    std::string path = item->GetLocalPath();
    if (path.empty())
        return;
    TStatusHere here(status);
    RunTool(program, path);
}

void TFormList::ItemChanged(const TItemRef &item) {
    // Errors of single items are absorbed by the plan; nothing here may throw into the loop.
    try {
        model->Follow(
            PlanFollow(model->Rows(), listRoot.Get(), item.Get(), Settings().ListMode, times));
    } catch (const std::exception &) {
    }
    listView->viewport()->update();
}

void TFormList::mEditClick() {
    auto set = [this](const char *name, bool on) {
        if (QAction *action = findChild<QAction *>(QString::fromLatin1(name)))
            action->setEnabled(on);
    };
    set("mEditPaste", false);
    set("mEditClip", ItemClip().Count() > 0);
}

void TFormList::mViewClick() {
    findChild<QAction *>(u"mViewTool"_s)->setChecked(!panelBase || !panelBase->isHidden());
    findChild<QAction *>(u"mViewStatus"_s)->setChecked(!status || !status->isHidden());
    int32_t mode = ValidListMode(Settings().ListMode);
    for (QAction *entry : modeActions->actions())
        entry->setChecked(entry->data().toInt() == mode);
}

// ---- the entry ----

TFormList *OpenFileList(TTree &folder) {
    if (!folder.IsFolder())
        return nullptr;
    auto *window = new TFormList(folder);
    if (QWidget *main = MainWindow()) {
        // The window belongs to the application, not to the main window (it has a task-bar
        // entry of its own), but it does not outlive the program's main window.
        QObject::connect(main, &QObject::destroyed, window, [window] { delete window; });
    }
    PlaceBesideMain(window);
    window->show();
    window->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    window->FillList();
    return window;
}
