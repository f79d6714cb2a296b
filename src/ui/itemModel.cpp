#include "ui/itemModel.h"

#include <QCollator>
#include <QDataStream>
#include <QIODevice>
#include <QIcon>
#include <QSet>
#include <algorithm>
#include <numeric>

#include "fileops/fileOP.h"
#include "items/cab.h"
#include "items/clip.h"
#include "items/file.h"
#include "items/fileDB.h"
#include "items/texts.h"
#include "platform/error.h"
#include "platform/fs.h"
#include "platform/seam.h"
#include "ui/common.h"
#include "ui/icons.h"

using namespace Qt::StringLiterals;

namespace {
// A node picture: closed, and open while the node is selected.
QIcon TwoStateIcon(int closed, int open) {
    QIcon icon;
    for (QSize size : {QSize(16, 16), QSize(32, 32)}) {
        icon.addPixmap(SmallImage(FileDb(), closed).pixmap(size), QIcon::Normal, QIcon::Off);
        icon.addPixmap(SmallImage(FileDb(), open).pixmap(size), QIcon::Selected, QIcon::Off);
    }
    return icon;
}

const QIcon &CabinetIcon() {
    static const QIcon icon = TwoStateIcon(ImageCabinet, ImageCabinetOpen);
    return icon;
}

const QIcon &FolderIcon() {
    static const QIcon icon = TwoStateIcon(ImageFolder, ImageFolderOpen);
    return icon;
}

bool HasFolderChild(const TTree &item) {
    for (const auto &child : item.Children())
        if (child->IsDir())
            return true;
    return false;
}

struct TDragContents {
    std::vector<TTree *> Items;
    bool FromTree = false;
    uint8_t Mode = ClipCopy;
    TTree *Root = nullptr;
};

bool DecodeDrag(const QMimeData *data, TDragContents &contents) {
    if (!data || !data->hasFormat(QString::fromLatin1(ItemDragMimeType)))
        return false;
    QByteArray bytes = data->data(QString::fromLatin1(ItemDragMimeType));
    QDataStream stream(bytes);
    quint8 fromTree = 0, mode = 0;
    quint64 root = 0;
    quint32 count = 0;
    stream >> fromTree >> mode >> root >> count;
    if (stream.status() != QDataStream::Ok || count > (1u << 26))
        return false;
    contents.FromTree = fromTree != 0;
    contents.Mode = mode == ClipMove ? ClipMove : ClipCopy;
    for (quint32 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
        quint64 serial = 0;
        stream >> serial;
        if (TTree *item = TItemRef::FromSerial(serial).Get())
            contents.Items.push_back(item);
    }
    contents.Root = TItemRef::FromSerial(root).Get();
    return !contents.Items.empty();
}
} // namespace

QMimeData *MakeItemDrag(const std::vector<TTree *> &items, bool fromTree, uint8_t mode,
                        const TTree *root) {
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << quint8(fromTree ? 1 : 0) << quint8(mode) << quint64(root ? root->Serial() : 0)
           << quint32(items.size());
    for (const TTree *item : items) {
        TItemRef ref(item); // registers the item, so its serial resolves later
        stream << quint64(ref.Serial());
    }
    if (root)
        (void)TItemRef(root);
    auto *data = new QMimeData;
    data->setData(QString::fromLatin1(ItemDragMimeType), bytes);
    return data;
}

std::vector<TTree *> ItemsOfRows(const QModelIndexList &indexes,
                                 const std::function<TTree *(int row)> &itemAt) {
    std::vector<int> rows;
    for (const QModelIndex &index : indexes)
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<TTree *> items;
    for (int row : rows)
        if (TTree *item = itemAt(row))
            items.push_back(item);
    return items;
}

bool BatchRunning() {
    return FileOpWindow != nullptr;
}

bool DropItems(const QMimeData *data, TTree &target, bool notifyParent) {
    TDragContents contents;
    if (BatchRunning() || !DecodeDrag(data, contents) || !CanPaste(target))
        return false;
    TItemRef cabinet(target.GetCabinet());
    TItemRef notified(notifyParent && target.Parent() ? target.Parent()
                                                      : static_cast<TTree *>(&target));
    TClip &clip = DragClip();
    if (contents.FromTree)
        clip.Fill(*contents.Items.front(), contents.Mode);
    else
        clip.Fill(contents.Items, contents.Mode);
    clip.SetRoot(contents.Root);
    TTree *returned = nullptr;
    try {
        returned = clip.Paste(target);
    } catch (const TError &error) {
        seam::Messages().ErrorBox(error.what());
    }
    TItemRef returnedRef(returned);
    NotifyItemChanged(cabinet.Get());
    NotifyItemChanged(notified.Get());
    if (returnedRef)
        NotifyItemChanged(returnedRef.Get());
    return true;
}

// ---- tree ----

struct TItemTreeModel::TNode {
    TItemRef Ref;
    QString Text;
    TNode *Parent = nullptr;
    std::vector<std::unique_ptr<TNode>> Children;
    int Row = 0;
    int State = -1;
    bool Populated = false;
    bool HasFolders = false;

    TNode() = default;
    TNode(const TNode &) = delete;
    TNode &operator=(const TNode &) = delete;
    // Frees the subtree without one stack frame per level.
    ~TNode() {
        std::vector<std::unique_ptr<TNode>> pending = std::move(Children);
        while (!pending.empty()) {
            std::unique_ptr<TNode> next = std::move(pending.back());
            pending.pop_back();
            for (auto &child : next->Children)
                pending.push_back(std::move(child));
            next->Children.clear();
        }
    }
};

TItemTreeModel::TItemTreeModel(QObject *parent) : QAbstractItemModel(parent) {}

TItemTreeModel::~TItemTreeModel() = default;

std::unique_ptr<TItemTreeModel::TNode> TItemTreeModel::MakeNode(const TTree &item, TNode *parent) {
    auto node = std::make_unique<TNode>();
    node->Ref = TItemRef(&item);
    node->Text = FromBytes(item.Name());
    node->Parent = parent;
    node->HasFolders = HasFolderChild(item);
    if (!parent)
        node->State = GetCabinetImage(item);
    bySerial.insert(node->Ref.Serial(), node.get());
    return node;
}

void TItemTreeModel::Forget(TNode *node) {
    std::vector<TNode *> pending{node};
    while (!pending.empty()) {
        TNode *next = pending.back();
        pending.pop_back();
        auto found = bySerial.find(next->Ref.Serial());
        if (found != bySerial.end() && found.value() == next)
            bySerial.erase(found);
        for (auto &child : next->Children)
            pending.push_back(child.get());
    }
}

QModelIndex TItemTreeModel::AddTop(TTree &item) {
    int row = static_cast<int>(tops.size());
    beginInsertRows({}, row, row);
    tops.push_back(MakeNode(item, nullptr));
    tops.back()->Row = row;
    endInsertRows();
    return index(row, 0);
}

TItemTreeModel::TNode *TItemTreeModel::NodeAt(const QModelIndex &index) const {
    return index.isValid() ? static_cast<TNode *>(index.internalPointer()) : nullptr;
}

QModelIndex TItemTreeModel::IndexOfNode(const TNode *node) const {
    return node ? createIndex(node->Row, 0, const_cast<TNode *>(node)) : QModelIndex();
}

TTree *TItemTreeModel::ItemAt(const QModelIndex &index) const {
    TNode *node = NodeAt(index);
    return node ? node->Ref.Get() : nullptr;
}

TItemRef TItemTreeModel::RefAt(const QModelIndex &index) const {
    TNode *node = NodeAt(index);
    return node ? node->Ref : TItemRef();
}

QModelIndex TItemTreeModel::ExistingIndexOf(const TTree *item) const {
    if (!item)
        return {};
    TNode *node = bySerial.value(item->Serial(), nullptr);
    return node && node->Ref.Get() == item ? IndexOfNode(node) : QModelIndex();
}

QModelIndex TItemTreeModel::IndexOf(const TTree *item) {
    if (!item || item->IsFile())
        return {};
    QModelIndex known = ExistingIndexOf(item);
    if (known.isValid())
        return known;
    // The chain from the nearest ancestor that has a node down to the item.
    std::vector<const TTree *> chain;
    const TTree *at = item;
    TNode *base = nullptr;
    while (at) {
        if (TNode *node = bySerial.value(at->Serial(), nullptr); node && node->Ref.Get() == at) {
            base = node;
            break;
        }
        chain.push_back(at);
        at = at->Parent();
    }
    if (!base)
        return {};
    TNode *node = base;
    for (auto step = chain.rbegin(); step != chain.rend() && node; ++step) {
        if (!node->Populated)
            fetchMore(IndexOfNode(node));
        TNode *next = bySerial.value((*step)->Serial(), nullptr);
        node = next && next->Parent == node ? next : nullptr;
    }
    return IndexOfNode(node);
}

void TItemTreeModel::SortChildren(TNode *node) {
    auto &list = node ? node->Children : tops;
    if (list.size() < 2 || !node)
        return;
    QCollator collator;
    std::vector<TNode *> order;
    order.reserve(list.size());
    for (auto &child : list)
        order.push_back(child.get());
    bool sorted = std::is_sorted(order.begin(), order.end(), [&](TNode *a, TNode *b) {
        return collator.compare(a->Text, b->Text) < 0;
    });
    if (sorted)
        return;
    QModelIndex parentIndex = IndexOfNode(node);
    Q_EMIT layoutAboutToBeChanged({QPersistentModelIndex(parentIndex)});
    std::stable_sort(list.begin(), list.end(), [&](const auto &a, const auto &b) {
        return collator.compare(a->Text, b->Text) < 0;
    });
    for (size_t i = 0; i < list.size(); ++i)
        list[i]->Row = static_cast<int>(i);
    const QModelIndexList persistent = persistentIndexList();
    for (const QModelIndex &old : persistent) {
        TNode *moved = NodeAt(old);
        if (moved && moved->Parent == node)
            changePersistentIndex(old, createIndex(moved->Row, old.column(), moved));
    }
    Q_EMIT layoutChanged({QPersistentModelIndex(parentIndex)});
}

void TItemTreeModel::Populate(TNode *node) {
    TTree *item = node->Ref.Get();
    node->Populated = true;
    if (!item)
        return;
    for (const auto &child : item->Children())
        if (child->IsDir())
            node->Children.push_back(MakeNode(*child, node));
    QCollator collator;
    std::stable_sort(
        node->Children.begin(), node->Children.end(),
        [&](const auto &a, const auto &b) { return collator.compare(a->Text, b->Text) < 0; });
    for (size_t i = 0; i < node->Children.size(); ++i)
        node->Children[i]->Row = static_cast<int>(i);
}

bool TItemTreeModel::canFetchMore(const QModelIndex &parent) const {
    TNode *node = NodeAt(parent);
    return node && !node->Populated;
}

void TItemTreeModel::fetchMore(const QModelIndex &parent) {
    TNode *node = NodeAt(parent);
    if (!node || node->Populated)
        return;
    TTree *item = node->Ref.Get();
    int count = 0;
    if (item)
        for (const auto &child : item->Children())
            count += child->IsDir() ? 1 : 0;
    if (count == 0) {
        node->Populated = true;
        return;
    }
    beginInsertRows(parent, 0, count - 1);
    Populate(node);
    endInsertRows();
}

void TItemTreeModel::RemoveNode(const QModelIndex &index) {
    TNode *node = NodeAt(index);
    if (!node)
        return;
    auto &list = node->Parent ? node->Parent->Children : tops;
    int row = node->Row;
    beginRemoveRows(index.parent(), row, row);
    Forget(node);
    list.erase(list.begin() + row);
    for (size_t i = static_cast<size_t>(row); i < list.size(); ++i)
        list[i]->Row = static_cast<int>(i);
    endRemoveRows();
}

void TItemTreeModel::RefreshNode(const QModelIndex &start) {
    std::vector<TNode *> pending{NodeAt(start)};
    while (!pending.empty()) {
        TNode *node = pending.back();
        pending.pop_back();
        TTree *item = node ? node->Ref.Get() : nullptr;
        if (!item)
            continue;
        QModelIndex nodeIndex = IndexOfNode(node);
        QString text = FromBytes(item->Name());
        if (text != node->Text) {
            node->Text = text;
            Q_EMIT dataChanged(nodeIndex, nodeIndex);
        }
        if (!node->Parent)
            node->State = GetCabinetImage(*item);
        bool hadFolders = node->HasFolders;
        node->HasFolders = HasFolderChild(*item);
        if (!node->Populated) {
            if (hadFolders != node->HasFolders)
                Q_EMIT dataChanged(nodeIndex, nodeIndex);
            continue;
        }
        // Nodes of items that are gone (or no longer below this item) go, last first.
        QSet<quint64> kept;
        for (int row = static_cast<int>(node->Children.size()) - 1; row >= 0; --row) {
            TNode *child = node->Children[static_cast<size_t>(row)].get();
            TTree *childItem = child->Ref.Get();
            if (childItem && childItem->Parent() == item) {
                kept.insert(child->Ref.Serial());
                continue;
            }
            RemoveNode(IndexOfNode(child));
        }
        std::vector<const TTree *> added;
        for (auto child = item->Children().rbegin(); child != item->Children().rend(); ++child)
            if ((*child)->IsDir() && !kept.contains((*child)->Serial()))
                added.push_back(child->get());
        if (!added.empty()) {
            int first = static_cast<int>(node->Children.size());
            beginInsertRows(nodeIndex, first, first + static_cast<int>(added.size()) - 1);
            for (const TTree *child : added) {
                node->Children.push_back(MakeNode(*child, node));
                node->Children.back()->Row = static_cast<int>(node->Children.size()) - 1;
            }
            endInsertRows();
        }
        for (auto &child : node->Children)
            pending.push_back(child.get());
        SortChildren(node);
    }
}

QModelIndex TItemTreeModel::index(int row, int column, const QModelIndex &parent) const {
    if (column != 0 || row < 0)
        return {};
    TNode *node = NodeAt(parent);
    const auto &list = node ? node->Children : tops;
    if (parent.isValid() && !node)
        return {};
    if (static_cast<size_t>(row) >= list.size())
        return {};
    return createIndex(row, 0, list[static_cast<size_t>(row)].get());
}

QModelIndex TItemTreeModel::parent(const QModelIndex &child) const {
    TNode *node = NodeAt(child);
    return node ? IndexOfNode(node->Parent) : QModelIndex();
}

int TItemTreeModel::rowCount(const QModelIndex &parent) const {
    if (parent.column() > 0)
        return 0;
    TNode *node = NodeAt(parent);
    return static_cast<int>(node ? node->Children.size() : tops.size());
}

int TItemTreeModel::columnCount(const QModelIndex &) const {
    return 1;
}

bool TItemTreeModel::hasChildren(const QModelIndex &parent) const {
    TNode *node = NodeAt(parent);
    if (!node)
        return !tops.empty();
    return node->Populated ? !node->Children.empty() : node->HasFolders;
}

QVariant TItemTreeModel::data(const QModelIndex &index, int role) const {
    TNode *node = NodeAt(index);
    if (!node)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return node->Text;
    case Qt::DecorationRole: {
        TTree *item = node->Ref.Get();
        return item && item->IsCabinet() ? CabinetIcon() : FolderIcon();
    }
    case StateImageRole:
        return node->State >= 0 ? QVariant(StateImage(FileDb(), node->State)) : QVariant();
    case ItemSerialRole:
        return QVariant::fromValue<qulonglong>(node->Ref.Serial());
    default:
        return {};
    }
}

bool TItemTreeModel::setData(const QModelIndex &index, const QVariant &value, int role) {
    TNode *node = NodeAt(index);
    TTree *item = node ? node->Ref.Get() : nullptr;
    if (role != Qt::EditRole || !item || BatchRunning())
        return false;
    QString text = value.toString();
    if (text == node->Text)
        return false;
    try {
        node->Text = FromBytes(item->Rename(ToBytes(text)));
    } catch (const TError &error) {
        seam::Messages().ErrorBox(error.what());
    }
    Q_EMIT dataChanged(index, index);
    if (TTree *still = node->Ref.Get(); still && Renamed)
        Renamed(*still);
    return true;
}

Qt::ItemFlags TItemTreeModel::flags(const QModelIndex &index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemIsDragEnabled |
           Qt::ItemIsDropEnabled;
}

QStringList TItemTreeModel::mimeTypes() const {
    return {QString::fromLatin1(ItemDragMimeType)};
}

QMimeData *TItemTreeModel::mimeData(const QModelIndexList &indexes) const {
    std::vector<TTree *> items;
    for (const QModelIndex &index : indexes)
        if (TTree *item = ItemAt(index))
            items.push_back(item);
    if (items.empty())
        return nullptr;
    return MakeItemDrag({items.front()}, true, DragMode, nullptr);
}

Qt::DropActions TItemTreeModel::supportedDropActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

Qt::DropActions TItemTreeModel::supportedDragActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

bool TItemTreeModel::canDropMimeData(const QMimeData *data, Qt::DropAction, int, int,
                                     const QModelIndex &parent) const {
    return ItemAt(parent) && data && data->hasFormat(QString::fromLatin1(ItemDragMimeType));
}

bool TItemTreeModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                                  const QModelIndex &parent) {
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    bool pasted = DropItems(data, *ItemAt(parent), false);
    if (pasted && Dropped)
        Dropped();
    return pasted;
}

// ---- list ----

TItemListModel::TItemListModel(QObject *parent) : QAbstractTableModel(parent) {}

TItemListModel::TRow TItemListModel::MakeRow(const TTree &item) const {
    TRow row;
    row.Ref = TItemRef(&item);
    row.IsFile = item.IsFile();
    return row;
}

void TItemListModel::Fill(TTree *item) {
    beginResetModel();
    rows.clear();
    if (item) {
        rows.reserve(item->ChildCount());
        for (const auto &child : item->Children())
            rows.push_back(MakeRow(*child));
    }
    endResetModel();
    if (rows.size() > 1)
        Sort(ColumnCaption, sortState.Current(ColumnCaption));
}

void TItemListModel::Sort(int column, int direction) {
    std::vector<std::pair<TTree *, size_t>> order;
    order.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        order.emplace_back(rows[i].Ref.Get(), i);
    auto before = [&](const std::pair<TTree *, size_t> &a, const std::pair<TTree *, size_t> &b) {
        if (!a.first || !b.first)
            return a.first && !b.first; // destroyed items last
        return CompareListRows(column, TSortKey{*a.first, a.first->Name()},
                               TSortKey{*b.first, b.first->Name()}, direction) < 0;
    };
    if (std::is_sorted(order.begin(), order.end(), before))
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::stable_sort(order.begin(), order.end(), before);
    std::vector<int> newRowOf(rows.size());
    std::vector<TRow> sorted;
    sorted.reserve(rows.size());
    for (size_t i = 0; i < order.size(); ++i) {
        newRowOf[order[i].second] = static_cast<int>(i);
        sorted.push_back(std::move(rows[order[i].second]));
    }
    rows = std::move(sorted);
    const QModelIndexList persistent = persistentIndexList();
    for (const QModelIndex &old : persistent)
        changePersistentIndex(old, index(newRowOf[static_cast<size_t>(old.row())], old.column()));
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TItemListModel::ClickColumn(int column) {
    if (std::optional<TSortChoice> choice = sortState.Click(column))
        Sort(choice->Column, choice->Direction);
}

void TItemListModel::RefreshInPlace(TTree &item) {
    QSet<quint64> present;
    for (int row = static_cast<int>(rows.size()) - 1; row >= 0; --row) {
        TRow &entry = rows[static_cast<size_t>(row)];
        TTree *rowItem = entry.Ref.Get();
        if (rowItem && rowItem->Parent() == &item) {
            present.insert(entry.Ref.Serial());
            entry.Typed = false;
            entry.Missing = entry.IsFile && !fs::FileExists(rowItem->GetLocalPath());
            continue;
        }
        beginRemoveRows({}, row, row);
        rows.erase(rows.begin() + row);
        endRemoveRows();
    }
    if (!rows.empty())
        Q_EMIT dataChanged(index(0, 0), index(Count() - 1, ColumnCount - 1));
    std::vector<const TTree *> added;
    for (auto child = item.Children().rbegin(); child != item.Children().rend(); ++child)
        if (!present.contains((*child)->Serial()))
            added.push_back(child->get());
    if (added.empty())
        return;
    beginInsertRows({}, Count(), Count() + static_cast<int>(added.size()) - 1);
    for (const TTree *child : added)
        rows.push_back(MakeRow(*child));
    endInsertRows();
}

QModelIndex TItemListModel::AddRow(TTree &item) {
    beginInsertRows({}, Count(), Count());
    rows.push_back(MakeRow(item));
    endInsertRows();
    return index(Count() - 1, 0);
}

TTree *TItemListModel::ItemAt(int row) const {
    return row >= 0 && row < Count() ? rows[static_cast<size_t>(row)].Ref.Get() : nullptr;
}

TItemRef TItemListModel::RefAt(int row) const {
    return row >= 0 && row < Count() ? rows[static_cast<size_t>(row)].Ref : TItemRef();
}

int TItemListModel::RowOf(const TTree *item) const {
    if (!item)
        return -1;
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].Ref.Serial() == item->Serial())
            return static_cast<int>(i);
    return -1;
}

void TItemListModel::SetCutRows(const std::vector<int> &cutRows) {
    for (TRow &row : rows)
        row.Cut = false;
    for (int row : cutRows)
        if (row >= 0 && row < Count())
            rows[static_cast<size_t>(row)].Cut = true;
    if (!rows.empty())
        Q_EMIT dataChanged(index(0, 0), index(Count() - 1, 0), {CutRole});
}

void TItemListModel::Describe(const TRow &row) const {
    if (row.Typed)
        return;
    row.Typed = true;
    TTree *item = row.Ref.Get();
    if (!item)
        return;
    if (!row.IsFile) {
        row.TypeName = u"Directory"_s;
        row.Image = ImageFolder;
        return;
    }
    std::string path = item->GetLocalPath();
    row.TypeName = FromBytes(FileDb().GetTypeName(path));
    row.Image = row.Missing ? ImageUnknown : FileDb().GetImageIndex(path);
}

int TItemListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : Count();
}

int TItemListModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TItemListModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= Count())
        return {};
    const TRow &row = rows[static_cast<size_t>(index.row())];
    TTree *item = row.Ref.Get();
    if (!item)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (index.column()) {
        case ColumnCaption:
            return FromBytes(item->Name());
        case ColumnType:
            Describe(row);
            return row.TypeName;
        case ColumnSize:
            if (!row.IsFile)
                return u"     "_s;
            return QString::number((static_cast<const TFile *>(item)->Size + int64_t{1023}) /
                                   1024) +
                   u"KB"_s;
        case ColumnAccessed:
        case ColumnModified: {
            if (!row.IsFile)
                return QString(14, u' ');
            const auto *file = static_cast<const TFile *>(item);
            return FromBytes(
                DateText(true, index.column() == ColumnAccessed ? file->Accessed : file->Modified));
        }
        default:
            return {};
        }
    case Qt::DecorationRole:
        if (index.column() != ColumnCaption)
            return {};
        Describe(row);
        return row.IsFile ? SmallImage(FileDb(), row.Image) : FolderIcon();
    case Qt::TextAlignmentRole:
        if (index.column() == ColumnSize)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case CutRole:
        return row.Cut;
    case IsFileRole:
        return row.IsFile;
    case ItemSerialRole:
        return QVariant::fromValue<qulonglong>(row.Ref.Serial());
    default:
        return {};
    }
}

QVariant TItemListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue((section == ColumnSize ? Qt::AlignRight : Qt::AlignLeft) |
                                   Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    static const char *const captions[] = {"名前", "タイプ", "サイズ", "アクセス日時", "更新日時"};
    return section >= 0 && section < ColumnCount ? Text(captions[section]) : QVariant();
}

bool TItemListModel::setData(const QModelIndex &index, const QVariant &value, int role) {
    TTree *item = ItemAt(index.row());
    if (role != Qt::EditRole || index.column() != ColumnCaption || !item || BatchRunning())
        return false;
    if (value.toString() == FromBytes(item->Name()))
        return false;
    try {
        item->Rename(ToBytes(value.toString()));
    } catch (const TError &error) {
        seam::Messages().ErrorBox(error.what());
    }
    Q_EMIT dataChanged(index, index);
    if (TTree *still = ItemAt(index.row()); still && Renamed)
        Renamed(*still);
    return true;
}

Qt::ItemFlags TItemListModel::flags(const QModelIndex &index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled;
    if (index.column() == ColumnCaption)
        flags |= Qt::ItemIsEditable;
    if (index.row() < Count() && !rows[static_cast<size_t>(index.row())].IsFile)
        flags |= Qt::ItemIsDropEnabled;
    return flags;
}

QStringList TItemListModel::mimeTypes() const {
    return {QString::fromLatin1(ItemDragMimeType)};
}

QMimeData *TItemListModel::mimeData(const QModelIndexList &indexes) const {
    std::vector<TTree *> items = ItemsOfRows(indexes, [this](int row) { return ItemAt(row); });
    if (items.empty())
        return nullptr;
    return MakeItemDrag(items, false, DragMode, nullptr);
}

Qt::DropActions TItemListModel::supportedDropActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

Qt::DropActions TItemListModel::supportedDragActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

TTree *TItemListModel::DropTarget(int row, const QModelIndex &parent) const {
    int at = parent.isValid() ? parent.row() : row;
    TTree *item = ItemAt(at);
    return item && !item->IsFile() ? item : nullptr;
}

bool TItemListModel::canDropMimeData(const QMimeData *data, Qt::DropAction, int row, int,
                                     const QModelIndex &parent) const {
    return DropTarget(row, parent) && data &&
           data->hasFormat(QString::fromLatin1(ItemDragMimeType));
}

bool TItemListModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                                  const QModelIndex &parent) {
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    bool pasted = DropItems(data, *DropTarget(row, parent), true);
    if (pasted && Dropped)
        Dropped();
    return pasted;
}
