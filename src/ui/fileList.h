#pragma once
// The file list window ("一覧"): every file below a cabinet or folder in one flat report, with
// its address relative to that folder, type, size, access and modification time; filtered by
// access time, sorted by any column, copied, cut, dragged out, opened and handed to tools.
// Several can be open at once; each follows changes of the tree and lives until closed.
#include <QAbstractTableModel>
#include <QTreeView>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "fileops/list.h"
#include "items/sort.h"
#include "items/tree.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QTimer;
class TIeStatus;

// The rows of a list window. Holds TItemRefs only; a row whose file was destroyed shows
// nothing until the next follow drops it.
class TFileListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TFileListModel(QObject *parent = nullptr);

    // Replaces every row (a fill).
    void SetRows(std::vector<TListRow> rows);
    // Sorts with a column's list order and a direction; rows keep their identity, so the
    // selection and the current row stay on their files.
    void Sort(int column, int direction);
    // Applies what following a change of the tree found (rows dropped, addresses renewed, rows
    // appended); the selection stays on the rows that remain.
    void Follow(TListFollow plan);
    // The rows drawn as cut; all others are drawn normally.
    void SetCutRows(const std::vector<int> &cutRows);

    // The file of a row; nullptr when it has been destroyed or row is out of range.
    TTree *ItemAt(int row) const;
    int Count() const { return static_cast<int>(rows.size()); }
    const std::vector<TListRow> &Rows() const { return rows; }

    // The times the marks are measured against.
    TListTimes Times;
    // The listed folder: the root of a drag taken from the rows.
    TItemRef Root;
    // The mode the next drag records (copy, or move when Shift was held at the press).
    uint8_t DragMode = 1;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override;

private:
    // Described lazily when first shown: the type name and icon ask the disk.
    mutable std::vector<TListRow> rows;
};

// The report view of a list window: drags carry the mode chosen at the press, and the first
// press after a double-click starts no drag.
class TFileListView final : public QTreeView {
    Q_OBJECT
public:
    TFileListView(TFileListModel &model, QWidget *parent);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    TFileListModel &model;
    bool afterDoubleClick = false;
    bool noDrag = false;
};

class TFormList final : public QWidget {
    Q_OBJECT
public:
    // A window for a cabinet or folder; OpenFileList shows and fills it.
    explicit TFormList(TTree &listRoot);
    ~TFormList() override;

    // Empties the list and fills it with the files below ListRoot that the filter (the
    // setting ListMode) shows, in tree order; selects and focuses the first row.
    void FillList();

    // The listed folder; nullptr once it has been destroyed.
    TTree *ListRoot() const { return listRoot.Get(); }
    // The date (00:00) the window was made.
    double Today() const { return times.Today; }
    // The number of files below ListRoot at the last fill, shown or not.
    int64_t TotalCount() const { return totalCount; }

    // The commands.
    void mFileCloseClick();
    void mEditCutClick();
    void mEditCopyClick();
    void mEditClipClick();
    void mEditALLClick();
    void mViewToolClick();
    void mViewStatusClick();
    // Sets ListMode and refills the list when it changed.
    void mViewModeClick(int32_t mode);
    // A header click: sorts by the column in its current direction, then reverses it.
    void ListViewColumnClick(int column);
    // Opens a row's file (double-click, Enter).
    void OpenRow(int row);
    // Runs a tool on the local path of the selected row's file.
    void ExecTool(const std::string &program);
    // Brings the rows up to date after a change of the tree.
    void ItemChanged(const TItemRef &item);
    // Rebuilds the tool buttons and menus from the tool list.
    void BuildToolButtons();

    // The enabling rules, run each time a menu opens.
    void mEditClick();
    void mViewClick();

    // Selected rows, top first.
    std::vector<int> SelectedRows() const;
    // The parts, for tests.
    QTreeView *ListView() const { return listView; }
    TFileListModel *Model() const { return model; }
    TIeStatus *Status() const { return status; }
    QLabel *Title() const { return title; }
    QLabel *ExecTime() const { return execTime; }
    QWidget *ToolPanel() const { return panelBase; }
    QMenu *ContextMenu() const { return pmMenu; }
    QTimer *StatusTimer() const { return statusTimer; }
    int Direction(int column) const { return sortState.Current(column); }

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void BuildMenus();
    void BuildToolPanel();
    void ShowSelection();
    void FitCaptionColumn();
    void CheckListRoot();
    bool ListFocused() const;
    std::vector<TTree *> SelectedItems(const std::vector<int> &rows) const;

    TItemRef listRoot;
    TListTimes times;
    int64_t totalCount = 0;
    TColumnSort sortState;
    bool closing = false;
    bool captionSized = false; // the user sized the address column
    bool fitting = false;

    TFileListModel *model;
    TFileListView *listView = nullptr;
    QWidget *panelBase = nullptr;
    QWidget *panelTool = nullptr;
    QLabel *execTime = nullptr;
    QLabel *title = nullptr;
    TIeStatus *status = nullptr;
    QTimer *statusTimer = nullptr;
    QMenu *mTool = nullptr;
    QMenu *pmMenu = nullptr;
    QMenu *pmTool = nullptr;
    QActionGroup *modeActions = nullptr;
};

// Opens a list window for a cabinet or folder (nothing for a file): made, placed 30 pixels
// right of and below the main window's corner, shown, painted and filled. The window belongs
// to the application, has its own task-bar entry and is freed when closed; it also goes when
// the main window goes. Answers the window (nullptr for a file).
TFormList *OpenFileList(TTree &folder);
