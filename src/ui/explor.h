#pragma once
// The explorer pane: a location line, a tree of cabinets and folders, a splitter, a list of
// the contents of the folder selected in the tree, and the status panel. It turns mouse and
// keyboard actions into item-tree operations (show, rename, delete, cut, copy, paste, drag
// and drop, new folder), keeps both views in step with the item tree when any window reports
// a change, and offers the status and progress display that the loaders use.
#include <QListView>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>
#include <QWidget>
#include <functional>
#include <string>

#include "items/tree.h"

class QLabel;
class QSplitter;
class QStackedWidget;
class TCabinet;
class TExplorer;
class TFile;
class TIeStatus;
class TItemListModel;
class TItemTreeModel;

// Scrolls a view while a drag rests near its edge: every 500 ms one node or row further.
class TScrollTimer final : public QTimer {
    Q_OBJECT
public:
    explicit TScrollTimer(QObject *parent = nullptr);
    QPointer<QAbstractItemView> View;
    QPersistentModelIndex Current;
    int Vertical = 0;   // <0 up, >0 down
    int Horizontal = 0; // <0 left, >0 right
    // One step: the next node or row in the direction scrolled into view, or the timer stops.
    void Tick();
};

// Draws the state picture over an item's icon, rows that were cut dimmed, and the row or node
// under a drag highlighted.
class TItemDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
};

// What the views of the pane share: drags that carry the mode chosen at the press, drops
// checked against the row or node under the cursor, the auto-scroll, renames that ask the
// item's rule first, and the keys the pane acts on.
class TPaneView {
public:
    virtual ~TPaneView() = default;
    QPersistentModelIndex DropIndex;

protected:
    TPaneView(TExplorer &pane, bool isTree) : pane(pane), isTree(isTree) {}
    TExplorer &pane;
    const bool isTree; // the tree of folders, else the list of the shown folder
};

// A view of the pane: QTreeView for the tree and the details style of the list, QListView
// for the list's icon styles.
template <class View> class TExplorerView final : public View, public TPaneView {
public:
    TExplorerView(TExplorer &pane, QWidget *parent, bool isTree);
    using View::edit;

protected:
    bool edit(const QModelIndex &index, QAbstractItemView::EditTrigger trigger,
              QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};
using TExplorerTree = TExplorerView<QTreeView>;
using TExplorerIcons = TExplorerView<QListView>;
using TExplorerDetails = TExplorerView<QTreeView>;

class TExplorer final : public QWidget {
    Q_OBJECT
public:
    // treeWidth: the tree's width at creation (half the pane when that is wider than the
    // pane).
    TExplorer(QWidget *owner, int treeWidth);
    ~TExplorer() override;

    void AddCabinet(TTree &item);
    // Selects the node of the item (nullptr: the first top node), focuses the tree and shows
    // the node.
    void SelectItem(TTree *item);
    // Shows a node's contents in the list (nothing when it is shown already).
    void VTreeChange(const QModelIndex &node);

    TTree *GetSelectedItem() const;
    // What commands on the selection act on: the selected rows when the list has the focus,
    // else the tree's selected node; empty when nothing is selected.
    std::vector<TTree *> SelectedItems() const;
    std::string GetSelectedFilePath() const;
    int GetViewStyle() const { return viewStyle; }
    void SetViewStyle(int style);
    int GetTreeWidth() const;
    void SetStatusVisible(bool visible);
    bool GetStatusVisible() const;

    void SetStatusText(const QString &text);
    void StartProgress(int64_t minimum, int64_t maximum);
    void StepProgress(int64_t n);
    void ResetProgress();
    void RestoreStatusText();

    void PropertiesOfSelection();
    void RenameSelection();
    void DeleteSelection();
    void CutSelection();
    void CopySelection();
    void PasteIntoSelection();
    void SelectAll();
    void NewFolder();
    // The temporary cabinet whose node was removed, for the owner to destroy; nullptr when the
    // tree's selected node is not a temporary cabinet.
    TCabinet *CloseTemporary();
    // True, with a word in the status panel, while a copy batch runs: commands that destroy,
    // rename or paste items wait until it has ended.
    bool HeldBack();

    void ItemChanged(const TItemRef &item);
    void RefreshAll();
    void StopTimers();

    // Opens a file (Enter or double-click on a file row).
    std::function<void(TFile &)> OpenFile;

    // The parts, for the owner and for tests.
    QLabel *Title() const { return title; }
    TIeStatus *Status() const { return status; }
    QTreeView *Tree() const { return tree; }
    // The list view of the current style.
    QAbstractItemView *List() const;
    TItemTreeModel *TreeModel() const { return treeModel; }
    TItemListModel *ListModel() const { return listModel; }
    QSplitter *Splitter() const { return splitter; }
    TTree *ShownItem() const { return shownRef.Get(); }
    QString RestingText() const { return resting; }
    bool TreeFocused() const;
    bool ListFocused() const;

    // Called by the views.
    void OpenSelected();
    void ListBackspace();
    void TreeKeyMoved();
    void TreeClicked(const QModelIndex &index);
    void DragEnded(bool fromTree);
    void DragPassed() { dragPassed = true; }
    void AutoScroll(QAbstractItemView *view, const QPoint &position, bool isList);
    void StopAutoScroll(QAbstractItemView *view);
    TScrollTimer *ScrollTimer() const { return scrollTimer; }
    QTimer *KeyTimer() const { return keyTimer; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // The widget with the keyboard focus, the view last focused while the menu bar has it.
    QWidget *FocusedWidget() const;
    void ShowLocation(const TTree *item);
    // Makes a node the tree's current node, opening its ancestors where the depth allows.
    void Reveal(const QModelIndex &node);
    void SetResting(const QString &text);
    void ListSelectionChanged();
    std::vector<int> SelectedRows() const;
    QModelIndex SelectedNode() const;
    void SelectNeighbour(const QModelIndex &node);
    void RefreshList();
    void EditRow(int row);

    QLabel *title;
    QSplitter *splitter;
    TExplorerTree *tree;
    QStackedWidget *listPane;
    TExplorerIcons *icons;
    TExplorerDetails *details;
    TIeStatus *status;
    TItemTreeModel *treeModel;
    TItemListModel *listModel;
    QTimer *keyTimer;
    TScrollTimer *scrollTimer;
    QPointer<QWidget> lastFocused;
    QPersistentModelIndex shown;
    TItemRef shownRef;
    QString resting;
    int viewStyle = 3;
    int initialTreeWidth;
    bool placed = false;
    bool dragPassed = false;
    bool stopped = false;
};
