#pragma once
// The models of the explorer pane's two views. Both hold TItemRefs, never raw item pointers
// across an event-loop turn, and drop the rows of items that vanished when they are brought
// up to date.
//
// The tree model shows cabinets (or a folder window's folder) and the folders below them.
// A node's children are made when the node is first expanded, so a cabinet of 100 000
// folders, or an address 100 000 segments deep, shows at once.
//
// The list model shows the files and folders of the one item the pane shows.
#include <QAbstractItemModel>
#include <QAbstractTableModel>
#include <QHash>
#include <QMimeData>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "items/sort.h"
#include "items/tree.h"

enum TItemRole : int {
    ItemSerialRole = Qt::UserRole + 1, // the item's serial (qulonglong)
    StateImageRole,                    // the state picture drawn over the icon (QIcon)
    CutRole,                           // the row is drawn as cut (bool)
    IsFileRole,                        // the row is a file (bool)
};

// The drag of items between views and windows: the items' serials, whether they came from a
// tree node (a cabinet node then stands for all its children) or from list rows, the mode
// (copy or move) chosen when the drag began, and the folder they were taken from (none for a
// drag that began in an explorer pane).
inline constexpr const char *ItemDragMimeType = "application/x-trawler-items";
QMimeData *MakeItemDrag(const std::vector<TTree *> &items, bool fromTree, uint8_t mode,
                        const TTree *root);
// Pastes a drag into target as a drop does: CanPaste, the drag clipboard filled and pasted.
// Returns false when nothing was pasted. notifyParent: the target's parent is notified
// (a drop on a list row) instead of the target itself (a drop on a tree node).
bool DropItems(const QMimeData *data, TTree &target, bool notifyParent);
// The items of the rows an index list names, top row first, each row once, destroyed items
// left out (a view hands one index per column).
std::vector<TTree *> ItemsOfRows(const QModelIndexList &indexes,
                                 const std::function<TTree *(int row)> &itemAt);
// Whether a copy batch runs now; commands that would destroy or rename items wait for it.
bool BatchRunning();

class TItemTreeModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit TItemTreeModel(QObject *parent = nullptr);
    ~TItemTreeModel() override;

    // Adds a top node for a cabinet or folder; returns its index.
    QModelIndex AddTop(TTree &item);
    // The node of an item, making the nodes of its ancestors below a top node on the way;
    // invalid when the item has no node (a file, or an item below no top node).
    QModelIndex IndexOf(const TTree *item);
    // The node of an item among the nodes made so far.
    QModelIndex ExistingIndexOf(const TTree *item) const;
    // The item of a node; nullptr when it has been destroyed.
    TTree *ItemAt(const QModelIndex &index) const;
    TItemRef RefAt(const QModelIndex &index) const;
    // Brings a node up to date: its text, its children (dead ones removed, new folders
    // added, sorted by text), recursively through the nodes made so far.
    void RefreshNode(const QModelIndex &index);
    void RemoveNode(const QModelIndex &index);
    int TopCount() const { return static_cast<int>(tops.size()); }

    // Called when an in-place rename of a node ended, with the item.
    std::function<void(TTree &)> Renamed;
    // Called after a drop on a node pasted something.
    std::function<void()> Dropped;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;

    // The drag mode the next mimeData call records (copy, or move when Shift was held).
    uint8_t DragMode = 1;

private:
    struct TNode;
    TNode *NodeAt(const QModelIndex &index) const;
    QModelIndex IndexOfNode(const TNode *node) const;
    void Populate(TNode *node);
    std::unique_ptr<TNode> MakeNode(const TTree &item, TNode *parent);
    void Forget(TNode *node);
    void SortChildren(TNode *node);
    std::vector<std::unique_ptr<TNode>> tops;
    QHash<quint64, TNode *> bySerial;
};

class TItemListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TItemListModel(QObject *parent = nullptr);

    // Rows for the item's files and folders in child order, sorted by name in the name
    // column's current direction; no rows for nullptr.
    void Fill(TTree *item);
    // Brings the rows up to date with the item's children: captions from Name, rows of
    // destroyed items removed, a file whose local file vanished gets the unknown picture,
    // rows added for new children.
    void RefreshInPlace(TTree &item);
    // Adds a row for a child made by a command; returns its index.
    QModelIndex AddRow(TTree &item);
    // Sorts by a column and direction (the rows keep their identity).
    void Sort(int column, int direction);
    // A header click: sorts with the column's current direction, then flips it.
    void ClickColumn(int column);
    int Direction(int column) const { return sortState.Current(column); }

    TTree *ItemAt(int row) const;
    TItemRef RefAt(int row) const;
    int RowOf(const TTree *item) const;
    int Count() const { return static_cast<int>(rows.size()); }
    // The rows drawn as cut (the last cut command's rows); clears the others.
    void SetCutRows(const std::vector<int> &cutRows);

    // Called when an in-place rename of a row ended, with the item.
    std::function<void(TTree &)> Renamed;
    // Called after a drop on a row pasted something.
    std::function<void()> Dropped;
    uint8_t DragMode = 1;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;

private:
    struct TRow {
        TItemRef Ref;
        bool IsFile = false;
        bool Cut = false;
        bool Missing = false; // the local file was gone at the last refresh
        mutable bool Typed = false;
        mutable int Image = -1;
        mutable QString TypeName;
    };
    void Describe(const TRow &row) const;
    TRow MakeRow(const TTree &item) const;
    TTree *DropTarget(int row, const QModelIndex &parent) const;
    std::vector<TRow> rows;
    TColumnSort sortState;
};
