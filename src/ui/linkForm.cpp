#include "ui/linkForm.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStatusTipEvent>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <exception>
#include <stdexcept>

#include "config/settings.h"
#include "config/tools.h"
#include "fileops/dde.h"
#include "items/cab.h"
#include "items/file.h"
#include "items/fileDB.h"
#include "platform/fs.h"
#include "platform/seam.h"
#include "ui/common.h"
#include "ui/explor.h"
#include "ui/icons.h"
#include "ui/itemModel.h"
#include "ui/status.h"
#include "ui/tools.h"
#include "ui/windowParts.h"

using namespace Qt::StringLiterals;

namespace {
constexpr int HintDelay = 1000;

class THourglass {
public:
    THourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~THourglass() { QApplication::restoreOverrideCursor(); }
    THourglass(const THourglass &) = delete;
    THourglass &operator=(const THourglass &) = delete;
};

struct TScopeItem {
    const char *Name;
    const char *Caption;
    const char *Hint;
};
// In the order of their tags (TLinkScope).
constexpr TScopeItem ScopeItems[ScopeCount] = {
    {"mViewAll", "すべて", "すべてのキャッシュを検索します。"},
    {"mViewCabinet", "現在のキャビネット内", "現在のキャビネットのみを検索します。"},
    {"mViewServer", "現在のサーバー内", "現在のサーバのみを検索します。"},
    {"mViewDir", "現在のディレクトリ内", "現在のディレクトリ内のみを検索します。"},
};
} // namespace

// ---- the list ----

TLinkListModel::TLinkListModel(std::shared_ptr<const TLinkCheck> linkCheck, QObject *parent)
    : QAbstractTableModel(parent), check(std::move(linkCheck)) {}

size_t TLinkListModel::Fill(int scope, const std::function<void()> &step) {
    beginResetModel();
    rows.clear();
    rows.reserve(check->Count());
    size_t found = 0;
    for (size_t i = 0; i < check->Count(); ++i) {
        TRow row;
        row.Mark = check->Mark(i, scope);
        if (row.Mark == TLinkMark::Found)
            ++found;
        const TTree *item = check->Links()[i].FoundItem();
        if (item && item->IsFolder()) {
            row.Image = ImageFolder;
        } else {
            std::string path = check->ImagePath(i);
            row.Image = path.empty() ? ImageUnknown : FileDb().GetImageIndex(path);
        }
        rows.push_back(row);
        if (step)
            step();
    }
    endResetModel();
    return found;
}

TLinkMark TLinkListModel::MarkAt(int row) const {
    if (row < 0 || row >= Count())
        return TLinkMark::Missing;
    TLinkMark mark = rows[static_cast<size_t>(row)].Mark;
    if ((mark == TLinkMark::Found || mark == TLinkMark::Outside) && !ItemAt(row))
        return TLinkMark::Missing;
    return mark;
}

TTree *TLinkListModel::ItemAt(int row) const {
    if (row < 0 || row >= Count())
        return nullptr;
    return check->Links()[static_cast<size_t>(row)].FoundItem();
}

int TLinkListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : Count();
}

int TLinkListModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TLinkListModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= Count())
        return {};
    const int row = index.row();
    const TURL &entry = check->Links()[static_cast<size_t>(row)];
    const TLinkMark mark = MarkAt(row);
    const bool hasItem = mark == TLinkMark::Found || mark == TLinkMark::Outside;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        switch (index.column()) {
        case ColumnLink:
            return FromBytes(entry.Link);
        case ColumnCabinet:
            if (mark == TLinkMark::FileExists)
                return u"File"_s;
            if (const TCabinet *cabinet = hasItem ? entry.FoundCabinet() : nullptr)
                return FromBytes(cabinet->Name());
            return {};
        case ColumnURL:
            if (hasItem || mark == TLinkMark::FileExists)
                return FromBytes(entry.URL);
            return {};
        default:
            return {};
        }
    case Qt::DecorationRole:
        if (index.column() != ColumnLink)
            return {};
        return SmallImage(FileDb(), mark == TLinkMark::Missing
                                        ? ImageUnknown
                                        : rows[static_cast<size_t>(row)].Image);
    case StateImageRole:
        if (index.column() != ColumnLink)
            return {};
        return StateImage(FileDb(), StateImageOf(mark));
    case ItemSerialRole:
        return QVariant::fromValue<qulonglong>(hasItem ? entry.Item.Serial() : 0);
    default:
        return {};
    }
}

QVariant TLinkListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case ColumnLink:
        return Text("検索するリンク");
    case ColumnCabinet:
        return Text("キャビネット");
    case ColumnURL:
        return Text("ＵＲＬアドレス");
    default:
        return {};
    }
}

Qt::ItemFlags TLinkListModel::flags(const QModelIndex &index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

// ---- the window ----

TFormLink::TFormLink(TFile &page, QWidget *owner)
    : QMainWindow(nullptr), check(std::make_shared<TLinkCheck>(page)) {
    setObjectName(u"TFormLink"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    // A window of its own (its own task-bar entry); it never keeps the program running.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(Text("リンクチェック - ") + FromBytes(page.Name()));
    setWindowIcon(ProgramIconPicture());
    toolBarOn = Settings().ToolBar;

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);

    panelTool = new QWidget(central);
    panelTool->setObjectName(u"PanelTool"_s);
    panelTool->setFixedHeight(28);
    layout->addWidget(panelTool);

    title = new QLabel(central);
    title->setObjectName(u"PTitle"_s);
    title->setFixedHeight(18);
    title->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    title->setTextFormat(Qt::PlainText);
    const TTree *folder = page.Parent();
    title->setText(Text(" 現在位置 ： ") + FromBytes(page.GetCabinetName()) + Text(" [ ") +
                   FromBytes(folder ? folder->GetURL() : std::string()) + Text(" ]"));
    layout->addWidget(title);

    model = new TLinkListModel(check, this);
    list = new QTreeView(central);
    list->setObjectName(u"ListView"_s);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setIconSize(QSize(16, 16));
    list->setItemDelegate(new TItemDelegate(list));
    list->setModel(model);
    list->header()->setStretchLastSection(true);
    list->setColumnWidth(TLinkListModel::ColumnLink, 150);
    list->setColumnWidth(TLinkListModel::ColumnCabinet, 120);
    list->setColumnWidth(TLinkListModel::ColumnURL, 200);
    connect(list, &QTreeView::activated, this,
            [this](const QModelIndex &index) { OpenRow(index.row()); });
    layout->addWidget(list, 1);

    status = new TIeStatus(central);
    layout->addWidget(status);

    hintTimer = new QTimer(this);
    hintTimer->setObjectName(u"HintTimer"_s);
    hintTimer->setSingleShot(true);
    hintTimer->setInterval(HintDelay);
    connect(hintTimer, &QTimer::timeout, this, [this] { RestoreStatusText(); });

    BuildMenus();
    BuildTools();
    status->setVisible(Settings().StatusBar);
    resize(520, 340);
    PlaceBesideMain(this);
    // The owner's end is the end of its checks.
    if (QWidget *opener = owner ? owner : MainWindow()) {
        connect(opener, &QObject::destroyed, this, [this] {
            if (busy)
                close();
            else
                delete this;
        });
    }
}

TFormLink::~TFormLink() = default;

void TFormLink::BuildMenus() {
    QMenuBar *bar = menuBar();
    bar->setObjectName(u"LinkMenu"_s);

    QMenu *mFile = bar->addMenu(Text("ファイル (&F)"));
    mFile->setObjectName(u"mFile"_s);
    connect(AddMenuAction(this, mFile, "mFileClose", "閉じる (&X)", "このウィンドウを閉じます。"),
            &QAction::triggered, this, &TFormLink::mFileCloseClick);

    QMenu *mView = bar->addMenu(Text("表示 (&V)"));
    mView->setObjectName(u"mView"_s);
    QAction *toolBar = AddMenuAction(this, mView, "mViewTool", "ツールバー (&T)",
                                     "ツールバーの表示・非表示を切り替えます。");
    toolBar->setCheckable(true);
    connect(toolBar, &QAction::triggered, this, &TFormLink::mViewToolClick);
    QAction *statusBar = AddMenuAction(this, mView, "mViewStatus", "ステータスバー (&S)",
                                       "ステータスバーの表示・非表示を切り替えます。");
    statusBar->setCheckable(true);
    connect(statusBar, &QAction::triggered, this, &TFormLink::mViewStatusClick);
    mView->addSeparator();
    scopeActions = new QActionGroup(this);
    scopeActions->setExclusive(true);
    for (int tag = 0; tag < ScopeCount; ++tag) {
        const TScopeItem &entry = ScopeItems[tag];
        QAction *action = AddMenuAction(this, mView, entry.Name, entry.Caption, entry.Hint);
        action->setCheckable(true);
        action->setData(tag);
        action->setChecked(tag == scope);
        scopeActions->addAction(action);
        connect(action, &QAction::triggered, this, [this, tag] { SetScope(tag); });
    }
    connect(mView, &QMenu::aboutToShow, this, &TFormLink::mViewClick);

    mTool = bar->addMenu(Text("ツール (&T)"));
    mTool->setObjectName(u"mTool"_s);
}

void TFormLink::BuildTools() {
    TToolRunner run = [this](const std::string &program) { ExecTool(program); };
    AddToolButtons(panelTool, ToolList(), run);
    AddToolMenus(mTool, ToolList(), run);
    ShowToolPanel();
}

void TFormLink::ShowToolPanel() {
    panelTool->setVisible(toolBarOn && ToolList().Count() > 0);
}

void TFormLink::Run() {
    // Closing the window in a turn of the event loop must not free what this function is
    // using: the check is kept alive here, and the window is freed only after the return.
    QPointer<TFormLink> self(this);
    std::shared_ptr<TLinkCheck> keep = check;
    const std::string path = keep->Path();
    busy = true;
    hintTimer->start();
    bool failed = false;
    try {
        std::string data;
        if (!fs::ReadWholeFile(path, data))
            throw std::runtime_error("unreadable");
        busyText = Text("リンクを探しています...");
        status->SetMessage(busyText);
        status->StartProgress(0, static_cast<int64_t>(data.size()));
        size_t shown = 0;
        // However it ends, what follows looks at the window and the file item themselves.
        keep->Collect(
            data,
            [&](size_t consumed) {
                if (!self)
                    return;
                status->StepProgress(static_cast<int64_t>(consumed - shown));
                shown = consumed;
            },
            [&] { return !self.isNull() && !closing; });
    } catch (const std::exception &) {
        failed = true;
    }
    if (!self)
        return;
    busy = false;
    busyText.clear();
    if (closing) {
        deleteLater();
        return;
    }
    if (failed) {
        seam::Messages().ErrorBox(CannotOpenText(path));
        if (!self)
            return;
    }
    status->ResetProgress();
    status->SetMessage({});
    // A collection that ended because the file item went is answered here.
    if (!CheckSubject())
        return;
    FillList();
}

void TFormLink::FillList() {
    THourglass hourglass;
    status->SetMessage(Text("表示中..."));
    foundCount = 0;
    status->StartProgress(0, static_cast<int64_t>(check->Count()));
    foundCount = model->Fill(scope, [this] { status->StepProgress(1); });
    status->ResetProgress();
    if (model->Count() > 0) {
        list->setCurrentIndex(model->index(0, 0));
        list->setFocus();
    }
    // The count follows the hint delay, or now when the delay has passed during the scan.
    if (!hintTimer->isActive())
        RestoreStatusText();
}

void TFormLink::SetScope(int value) {
    if (value == scope || value < 0 || value >= ScopeCount)
        return;
    scope = value;
    if (QAction *action = scopeActions->actions().value(value))
        action->setChecked(true);
    // During the scan the list is filled at its end anyway.
    if (!busy)
        FillList();
}

QString TFormLink::CountText() const {
    return Text("発見したリンク先 ： ") + QString::number(foundCount) +
           Text(" 個 ( 全リンク先 ： ") + QString::number(check->Count()) + Text(" 個)");
}

bool TFormLink::CheckSubject() {
    if (check->Page() && !ending)
        return true;
    if (!ending) {
        ending = true;
        seam::Messages().ErrorBox(MsgSubjectGone);
        close();
    }
    return false;
}

int TFormLink::SelectedRow() const {
    const QModelIndexList rows = list->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void TFormLink::OpenRow(int row) {
    TTree *item = model->ItemAt(row);
    if (item && item->IsFile())
        OpenFile(*static_cast<TFile *>(item));
}

void TFormLink::ExecTool(const std::string &program) {
    int row = SelectedRow();
    if (row < 0)
        return;
    std::string path = check->ToolPath(static_cast<size_t>(row));
    if (path.empty())
        return;
    RunTool(program, path);
}

void TFormLink::DisplayHint(const QString &text) {
    hintTimer->stop();
    status->SetMessage(text);
    hintTimer->start();
}

void TFormLink::RestoreStatusText() {
    status->SetMessage(busy ? busyText : CountText());
}

bool TFormLink::event(QEvent *event) {
    switch (event->type()) {
    case QEvent::StatusTip:
        DisplayHint(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    case QEvent::WindowActivate:
        if (CheckSubject())
            BuildTools();
        break;
    default:
        break;
    }
    return QMainWindow::event(event);
}

void TFormLink::closeEvent(QCloseEvent *event) {
    hintTimer->stop();
    if (busy) {
        // Freed by Run once the collection has stopped, not in a turn of the event loop.
        closing = true;
        setAttribute(Qt::WA_DeleteOnClose, false);
    }
    event->accept();
}

// ---- the commands ----

void TFormLink::mFileCloseClick() {
    close();
}

void TFormLink::mViewToolClick() {
    toolBarOn = !toolBarOn;
    ShowToolPanel();
}

void TFormLink::mViewStatusClick() {
    status->setVisible(status->isHidden());
}

void TFormLink::mViewClick() {
    findChild<QAction *>(u"mViewTool"_s)->setChecked(toolBarOn);
    findChild<QAction *>(u"mViewStatus"_s)->setChecked(!status->isHidden());
    if (QAction *action = scopeActions->actions().value(scope))
        action->setChecked(true);
}

void OpenLinkCheck(TFile &page) {
    auto *form = new TFormLink(page);
    form->show();
    form->Run();
}
