#include "ui/selFolder.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QButtonGroup>
#include <QCollator>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStorageInfo>
#include <QStyle>
#include <QToolButton>
#include <QTreeView>
#include <algorithm>
#include <ctime>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "items/fileDB.h"
#include "items/texts.h"
#include "platform/datetime.h"
#include "platform/fs.h"
#include "platform/seam.h"
#include "ui/common.h"
#include "ui/help.h"
#include "ui/icons.h"

using namespace Qt::StringLiterals;

namespace {
enum Column : int { ColumnName, ColumnSize, ColumnType, ColumnDate, ColumnAttr, ColumnCount };

// A read-only folder would fail every attempt; this many are enough for any real folder.
constexpr int NewFolderAttempts = 1000;

const char *const DialogCaption = "フォルダを選択";

struct TFolderRow {
    std::string Name; // as the file system spells it
    QString Caption;  // Name for display
    QString TypeName;
    int64_t Size = 0;
    double Time = 0; // local date-time of the last modification
    bool IsFolder = false;
    bool ReadOnly = false;
    bool Hidden = false;
    QIcon Icon;
};

QIcon Dimmed(const QIcon &icon) {
    return QIcon(icon.pixmap(QSize(16, 16), QIcon::Disabled));
}

TFolderRow MakeRow(const std::string &folder, const std::string &name, bool isFolder, int64_t size,
                   int64_t modified) {
    TFolderRow row;
    row.Name = name;
    row.Caption = FromBytes(name);
    row.IsFolder = isFolder;
    // A folder's own size on disk says nothing about its contents.
    row.Size = isFolder ? 0 : size;
    row.Time = UtcSecondsToDosDateTime(modified);
    const std::string path = folder + name;
    row.ReadOnly = ::access(path.c_str(), W_OK) != 0;
    row.Hidden = !name.empty() && name.front() == '.';
    if (isFolder) {
        row.TypeName = FromBytes(seam::Shell().FileTypeInfo(path).TypeName);
        row.Icon = SmallImage(FileDb(), ImageFolder);
    } else {
        row.TypeName = FromBytes(FileDb().GetTypeName(path));
        row.Icon = SmallImage(FileDb(), FileDb().GetImageIndex(path));
    }
    if (row.Hidden)
        row.Icon = Dimmed(row.Icon);
    return row;
}

// Folders before files; two folders by name, except in the type column, which orders folders by
// their type name as well. The caller's direction reverses the whole order.
int CompareRows(const TFolderRow &a, const TFolderRow &b, int column, const QCollator &collator) {
    if (a.IsFolder != b.IsFolder)
        return a.IsFolder ? -1 : 1;
    if (a.IsFolder && column != ColumnType)
        return collator.compare(a.Caption, b.Caption);
    switch (column) {
    case ColumnSize:
        return a.Size < b.Size ? -1 : a.Size > b.Size ? 1 : 0;
    case ColumnType:
        return collator.compare(a.TypeName, b.TypeName);
    case ColumnDate:
        return a.Time < b.Time ? -1 : a.Time > b.Time ? 1 : 0;
    default:
        return collator.compare(a.Caption, b.Caption);
    }
}

// The typed text of the folder field as a folder path ending with "/". Absolute when it starts
// with "/" or "~", else relative to current; "." and ".." components are resolved by name, and
// ".." at "/" stays there.
std::string ResolveFolderText(const std::string &current, const std::string &text,
                              const std::string &home) {
    std::string path;
    std::string rest;
    if (!text.empty() && text.front() == '/') {
        path = "/";
        rest = text.substr(1);
    } else if (text == "~" || text.starts_with("~/")) {
        path = fs::WithTrailingSlash(home);
        rest = text.substr(1);
    } else {
        path = fs::WithTrailingSlash(current);
        rest = text;
    }
    size_t pos = 0;
    while (pos <= rest.size()) {
        size_t slash = rest.find('/', pos);
        size_t end = slash == std::string::npos ? rest.size() : slash;
        std::string part = rest.substr(pos, end - pos);
        if (part == "..") {
            if (path.size() > 1)
                path.erase(path.rfind('/', path.size() - 2) + 1);
        } else if (!part.empty() && part != ".") {
            path += part + '/';
        }
        if (slash == std::string::npos)
            break;
        pos = slash + 1;
    }
    return path;
}

// Creates every missing level of an absolute folder path.
bool CreateFolders(const std::string &path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        std::string level = path.substr(0, slash + 1);
        if (!fs::FolderExists(level) && !fs::CreateFolder(level))
            return false;
    }
    return fs::FolderExists(path);
}

std::string EncodedPath(const QString &path) {
    return QFile::encodeName(path).toStdString();
}

std::string CurrentDirectory() {
    std::error_code error;
    std::string path = std::filesystem::current_path(error).string();
    return error || path.empty() ? std::string("/") : fs::WithTrailingSlash(path);
}

bool Exists(const std::string &path) {
    struct stat st {};
    return ::lstat(fs::WithoutTrailingSlash(path).c_str(), &st) == 0;
}

bool IsReadableFolder(const std::string &path) {
    return fs::FolderExists(path) && ::access(path.c_str(), R_OK | X_OK) == 0;
}

class TWaitCursor {
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor &) = delete;
    TWaitCursor &operator=(const TWaitCursor &) = delete;
};
} // namespace

// The entries of the current folder. Captions are edited in place; Rename decides whether an
// edited caption is taken (and has renamed the entry on disk when it answers true).
class TFolderEntryModel final : public QAbstractTableModel {
public:
    explicit TFolderEntryModel(QObject *parent) : QAbstractTableModel(parent) {}

    std::function<bool(int row, const QString &name)> Rename;

    const std::vector<TFolderRow> &Rows() const { return rows; }

    void Reset(std::vector<TFolderRow> newRows) {
        beginResetModel();
        rows = std::move(newRows);
        endResetModel();
    }

    void Append(TFolderRow row) {
        int at = static_cast<int>(rows.size());
        beginInsertRows({}, at, at);
        rows.push_back(std::move(row));
        endInsertRows();
    }

    // Sorts by a column in a direction (1 or -1); selection and current row follow their rows.
    void Sort(int column, int direction) {
        QCollator collator;
        std::vector<int> order(rows.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = static_cast<int>(i);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return CompareRows(rows[static_cast<size_t>(a)], rows[static_cast<size_t>(b)], column,
                               collator) *
                       direction <
                   0;
        });
        emit layoutAboutToBeChanged();
        std::vector<TFolderRow> sorted;
        sorted.reserve(rows.size());
        std::vector<int> newRowOf(rows.size());
        for (size_t i = 0; i < order.size(); ++i) {
            sorted.push_back(std::move(rows[static_cast<size_t>(order[i])]));
            newRowOf[static_cast<size_t>(order[i])] = static_cast<int>(i);
        }
        rows = std::move(sorted);
        const QModelIndexList before = persistentIndexList();
        QModelIndexList after;
        for (const QModelIndex &index : before)
            after.append(index.isValid() ? createIndex(newRowOf[static_cast<size_t>(index.row())],
                                                       index.column())
                                         : QModelIndex());
        changePersistentIndexList(before, after);
        emit layoutChanged();
    }

    int rowCount(const QModelIndex &parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows.size());
    }
    int columnCount(const QModelIndex &parent = {}) const override {
        return parent.isValid() ? 0 : ColumnCount;
    }

    QVariant data(const QModelIndex &index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount())
            return {};
        const TFolderRow &row = rows[static_cast<size_t>(index.row())];
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return Cell(row, index.column());
        case Qt::DecorationRole:
            return index.column() == ColumnName ? QVariant(row.Icon) : QVariant();
        case Qt::TextAlignmentRole:
            return Alignment(index.column());
        case Qt::ForegroundRole:
            if (row.Hidden)
                return QApplication::palette().color(QPalette::Disabled, QPalette::Text);
            return {};
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal)
            return {};
        if (role == Qt::TextAlignmentRole)
            return Alignment(section);
        if (role != Qt::DisplayRole)
            return {};
        switch (section) {
        case ColumnName:
            return Text("名前");
        case ColumnSize:
            return Text("サイズ");
        case ColumnType:
            return Text("種類");
        case ColumnDate:
            return Text("更新日時");
        case ColumnAttr:
            return Text("属性");
        default:
            return {};
        }
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override {
        if (!index.isValid())
            return Qt::NoItemFlags;
        Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (index.column() == ColumnName)
            result |= Qt::ItemIsEditable;
        return result;
    }

    bool setData(const QModelIndex &index, const QVariant &value, int role) override {
        if (role != Qt::EditRole || !index.isValid() || index.column() != ColumnName ||
            index.row() >= rowCount())
            return false;
        QString name = value.toString();
        if (!Rename || !Rename(index.row(), name))
            return false;
        TFolderRow &row = rows[static_cast<size_t>(index.row())];
        row.Name = ToBytes(name);
        row.Caption = name;
        emit dataChanged(index, index);
        return true;
    }

private:
    static QVariant Cell(const TFolderRow &row, int column) {
        switch (column) {
        case ColumnName:
            return row.Caption;
        case ColumnSize:
            return QString::number((row.Size + 1023) / 1024) + u"KB"_s;
        case ColumnType:
            return row.TypeName;
        case ColumnDate:
            return FromBytes(DateText(true, row.Time));
        case ColumnAttr: {
            QString letters;
            if (row.ReadOnly)
                letters += u'R';
            if (row.Hidden)
                letters += u'H';
            return letters;
        }
        default:
            return {};
        }
    }

    static QVariant Alignment(int column) {
        if (column == ColumnSize || column == ColumnAttr)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    }

    std::vector<TFolderRow> rows;
};

// The folder list; tells whether a caption is being edited.
class TFolderView final : public QTreeView {
public:
    using QTreeView::QTreeView;
    bool IsEditing() const { return state() == EditingState; }
};

bool ExecuteSelectFolder(QWidget *parent, std::string &folder, int helpTopic) {
    TSelFolderDlg dialog(parent, folder, helpTopic);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    folder = dialog.FolderText();
    return true;
}

TSelFolderDlg::TSelFolderDlg(QWidget *parent, const std::string &folder, int helpTopic)
    : QDialog(parent), m_helpTopic(helpTopic) {
    setObjectName(u"TSelFolderDlg"_s);
    setWindowTitle(Text(DialogCaption));
    setFixedSize(448, 206);

    auto *driveLabel = new QLabel(Text("ドライブ名 : "), this);
    driveLabel->setGeometry(8, 8, 72, 22);
    m_driveList = new QComboBox(this);
    m_driveList->setObjectName(u"DriveList"_s);
    m_driveList->setGeometry(80, 8, 209, 22);
    driveLabel->setBuddy(m_driveList);

    auto makeButton = [this](const QString &name, QStyle::StandardPixmap picture, int x) {
        auto *button = new QToolButton(this);
        button->setObjectName(name);
        button->setIcon(style()->standardIcon(picture, nullptr, button));
        button->setIconSize(QSize(16, 16));
        button->setGeometry(x, 7, 24, 24);
        button->setFocusPolicy(Qt::NoFocus);
        return button;
    };
    m_upButton = makeButton(u"UpButton"_s, QStyle::SP_FileDialogToParent, 304);
    m_newFolderButton = makeButton(u"NewFolderButton"_s, QStyle::SP_FileDialogNewFolder, 336);
    m_listButton = makeButton(u"ListButton"_s, QStyle::SP_FileDialogListView, 374);
    m_detailButton = makeButton(u"DetailButton"_s, QStyle::SP_FileDialogDetailedView, 400);
    m_listButton->setCheckable(true);
    m_detailButton->setCheckable(true);
    m_listButton->setChecked(true);
    m_viewGroup = new QButtonGroup(this);
    m_viewGroup->setExclusive(true);
    m_viewGroup->addButton(m_listButton);
    m_viewGroup->addButton(m_detailButton);

    m_model = new TFolderEntryModel(this);
    m_model->Rename = [this](int row, const QString &name) { return RenameRow(row, name); };
    m_folderList = new TFolderView(this);
    m_folderList->setObjectName(u"FolderList"_s);
    m_folderList->setGeometry(8, 32, 433, 113);
    m_folderList->setModel(m_model);
    m_folderList->setRootIsDecorated(false);
    m_folderList->setItemsExpandable(false);
    m_folderList->setUniformRowHeights(true);
    m_folderList->setAllColumnsShowFocus(true);
    m_folderList->setIconSize(QSize(16, 16));
    m_folderList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_folderList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_folderList->setEditTriggers(QAbstractItemView::EditKeyPressed |
                                  QAbstractItemView::SelectedClicked);
    QHeaderView *header = m_folderList->header();
    header->setStretchLastSection(false);
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    header->resizeSection(ColumnSize, 80);
    header->resizeSection(ColumnType, 100);
    header->resizeSection(ColumnDate, 100);
    header->resizeSection(ColumnAttr, 50);

    auto *folderLabel = new QLabel(Text("フォルダ : "), this);
    folderLabel->setGeometry(24, 156, 120, 18);
    m_folderEdit = new QLineEdit(this);
    m_folderEdit->setObjectName(u"FolderEdit"_s);
    m_folderEdit->setGeometry(24, 176, 305, 22);
    folderLabel->setBuddy(m_folderEdit);

    auto *okButton = new QPushButton(u"OK"_s, this);
    okButton->setObjectName(u"OkButton"_s);
    okButton->setGeometry(360, 150, 81, 24);
    okButton->setDefault(true);
    auto *cancelButton = new QPushButton(Text("ｷｬﾝｾﾙ"), this);
    cancelButton->setObjectName(u"CancelButton"_s);
    cancelButton->setGeometry(360, 177, 81, 24);

    setTabOrder(m_driveList, m_folderList);
    setTabOrder(m_folderList, m_folderEdit);
    setTabOrder(m_folderEdit, okButton);
    setTabOrder(okButton, cancelButton);

    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_driveList, &QComboBox::activated, this, &TSelFolderDlg::ChangeRoot);
    connect(m_upButton, &QToolButton::clicked, this, &TSelFolderDlg::GoUp);
    connect(m_newFolderButton, &QToolButton::clicked, this, &TSelFolderDlg::NewFolder);
    connect(m_listButton, &QToolButton::toggled, this, [this](bool on) { SetDetails(!on); });
    connect(m_folderList, &QTreeView::doubleClicked, this, &TSelFolderDlg::OpenRow);
    connect(header, &QHeaderView::sectionClicked, this, &TSelFolderDlg::SortByColumn);
    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] {
        if (m_helpTopic != 0)
            ShowHelpTopic(m_helpTopic);
    });
    m_folderEdit->installEventFilter(this);
    m_folderList->installEventFilter(this);

    const std::string start =
        ResolveFolderText(CurrentDirectory(), folder, EncodedPath(QDir::homePath()));
    m_current = fs::FolderExists(start) ? start : CurrentDirectory();
    m_roots = SystemRoots();
    for (const std::string &root : m_roots)
        m_driveList->addItem(FromBytes(root));
    SetDetails(false);
    ListFolder();

    QScreen *screen = parent ? parent->screen() : QApplication::primaryScreen();
    if (screen)
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

TSelFolderDlg::~TSelFolderDlg() = default;

std::string TSelFolderDlg::FolderText() const {
    QString text = m_folderEdit->text();
    return text == FromBytes(m_current) ? m_current : ToBytes(text);
}

std::vector<std::string> TSelFolderDlg::SystemRoots() {
    std::vector<std::string> roots{"/"};
    const QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &volume : volumes) {
        std::string root = fs::WithTrailingSlash(EncodedPath(volume.rootPath()));
        // Containers mount single files too; only folders can be browsed.
        if (volume.isValid() && volume.isReady() && fs::FolderExists(root))
            roots.push_back(root);
    }
    std::string home = fs::WithTrailingSlash(EncodedPath(QDir::homePath()));
    if (fs::FolderExists(home))
        roots.push_back(home);
    std::sort(roots.begin(), roots.end());
    roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
    return roots;
}

void TSelFolderDlg::SetRoots(std::vector<std::string> roots) {
    roots.push_back("/");
    for (std::string &root : roots)
        root = fs::WithTrailingSlash(root);
    std::sort(roots.begin(), roots.end());
    roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
    m_roots = std::move(roots);
    m_driveList->clear();
    for (const std::string &root : m_roots)
        m_driveList->addItem(FromBytes(root));
    ShowRoot(RootOf(m_current));
}

std::string TSelFolderDlg::RootOf(const std::string &path) const {
    const std::string folder = fs::WithTrailingSlash(path);
    std::string best = "/";
    for (const std::string &root : m_roots)
        if (root.size() > best.size() && folder.starts_with(root))
            best = root;
    return best;
}

void TSelFolderDlg::ShowRoot(const std::string &root) {
    auto found = std::find(m_roots.begin(), m_roots.end(), root);
    m_root = root;
    m_driveList->setCurrentIndex(
        found == m_roots.end() ? -1 : static_cast<int>(found - m_roots.begin()));
}

void TSelFolderDlg::ListFolder() {
    m_current = fs::WithTrailingSlash(m_current);
    {
        TWaitCursor wait;
        std::vector<TFolderRow> rows;
        for (const fs::TFolderEntry &entry : fs::ListFolder(m_current))
            rows.push_back(
                MakeRow(m_current, entry.Name, entry.IsFolder, entry.Size, entry.Modified));
        m_model->Reset(std::move(rows));
        m_model->Sort(ColumnName, m_directions[ColumnName]);
    }
    if (m_model->rowCount() > 0)
        m_folderList->setCurrentIndex(m_model->index(0, ColumnName));
    m_folderEdit->setText(FromBytes(m_current));
    // The drive list follows the folder however it was reached (typed path, up, open row).
    ShowRoot(RootOf(m_current));
    m_folderEdit->setFocus();
    m_folderEdit->selectAll();
}

void TSelFolderDlg::ChangeRoot(int index) {
    if (index < 0 || index >= static_cast<int>(m_roots.size()))
        return;
    const std::string root = m_roots[static_cast<size_t>(index)];
    if (RootOf(m_current) == root) {
        ListFolder();
        return;
    }
    while (!IsReadableFolder(root)) {
        TAnswer answer = seam::Questions().Ask(
            DialogCaption, root + "にアクセスできません。\nデバイスの準備ができていません。",
            {TAnswer::Retry, TAnswer::Cancel});
        if (answer != TAnswer::Retry) {
            ShowRoot(m_root);
            return;
        }
    }
    m_current = root;
    ListFolder();
}

void TSelFolderDlg::GoUp() {
    if (m_current.size() < 2)
        return;
    size_t slash = m_current.rfind('/', m_current.size() - 2);
    if (slash == std::string::npos)
        return;
    m_current.erase(slash + 1);
    ListFolder();
}

void TSelFolderDlg::OpenRow(const QModelIndex &index) {
    if (!index.isValid() || index.row() >= m_model->rowCount())
        return;
    std::string path = m_current + m_model->Rows()[static_cast<size_t>(index.row())].Name;
    if (!fs::FolderExists(path))
        return;
    m_current = path + '/';
    ListFolder();
}

void TSelFolderDlg::NewFolder() {
    const std::string base = "新しいフォルダ";
    for (int attempt = 0; attempt < NewFolderAttempts; ++attempt) {
        std::string name = attempt == 0 ? base : base + std::to_string(attempt);
        if (!fs::CreateFolder(m_current + name))
            continue;
        m_model->Append(MakeRow(m_current, name, true, 0, std::time(nullptr)));
        QModelIndex index = m_model->index(m_model->rowCount() - 1, ColumnName);
        m_folderList->setCurrentIndex(index);
        m_folderList->scrollTo(index);
        m_folderList->setFocus();
        m_folderList->edit(index);
        return;
    }
}

void TSelFolderDlg::FolderEntered() {
    const QString text = m_folderEdit->text();
    if (text == FromBytes(m_current))
        return;
    const std::string target =
        ResolveFolderText(m_current, FolderText(), EncodedPath(QDir::homePath()));
    if (!fs::FolderExists(target) && !CreateFolders(target)) {
        seam::Messages().ErrorBox("指定された名前のフォルダを作成できません");
        return;
    }
    m_current = target;
    ListFolder();
}

bool TSelFolderDlg::RenameRow(int row, const QString &name) {
    static const QString forbidden = u"\\/:*?\"<>|"_s;
    if (std::any_of(name.begin(), name.end(), [](QChar c) { return forbidden.contains(c); })) {
        seam::Messages().ErrorBox("名前に使用できない文字 \\/:*?\"<>| が含まれています。");
        return false;
    }
    const std::vector<TFolderRow> &rows = m_model->Rows();
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].Caption.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (static_cast<int>(i) != row)
            seam::Messages().ErrorBox("同じ名前がすでに使用されています。");
        return false;
    }
    if (name.isEmpty())
        return false;
    const std::string target = m_current + ToBytes(name);
    // rename() would silently replace an entry made since the folder was listed.
    if (Exists(target)) {
        seam::Messages().ErrorBox("同じ名前がすでに使用されています。");
        return false;
    }
    return fs::RenamePath(m_current + rows[static_cast<size_t>(row)].Name, target);
}

void TSelFolderDlg::SortByColumn(int column) {
    if (column < ColumnName || column > ColumnDate)
        return;
    m_model->Sort(column, m_directions[column]);
    m_directions[column] = -m_directions[column];
    m_folderList->scrollTo(m_folderList->currentIndex());
}

void TSelFolderDlg::SetDetails(bool details) {
    QHeaderView *header = m_folderList->header();
    m_folderList->setHeaderHidden(!details);
    for (int column = ColumnSize; column < ColumnCount; ++column)
        m_folderList->setColumnHidden(column, !details);
    // The list view gives the names the whole width.
    header->setStretchLastSection(!details);
    if (details)
        header->resizeSection(ColumnName, 150);
}

bool TSelFolderDlg::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == m_folderEdit && enter) {
        FolderEntered();
        return true;
    }
    // While a caption is edited, keys belong to the editor; Enter reaches the list only
    // because the editor passes it on after committing.
    if (watched == m_folderList && !m_folderList->IsEditing()) {
        if (enter) {
            OpenRow(m_folderList->currentIndex());
            return true;
        }
        if (key == Qt::Key_Backspace) {
            GoUp();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
