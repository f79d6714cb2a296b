#pragma once
// The link-check window: every distinct link of one HTML file item, whether a cabinet holds
// the linked file, in which cabinet and at which address. The user narrows what counts as
// found to the file's cabinet, server or folder, opens a found file by double-click or Enter,
// or hands it to a registered tool. Each check has a window of its own; several may be open.
//
// The window holds the file and the found items by reference only: a found item destroyed
// later shows as not found, and a window whose file item is gone says so and closes when it
// is next activated.
#include <QAbstractTableModel>
#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "html/check.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QTimer;
class QTreeView;
class TFile;
class TIeStatus;

// Opens a link check of an HTML file item: a window of its own beside the main window that
// collects the file's links while the event loop keeps running, then lists them. The window
// frees itself when closed, also when it is closed before the links are collected.
void OpenLinkCheck(TFile &page);

// The rows of the list: one per link of the check, in the check's order.
class TLinkListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TColumn : int { ColumnLink = 0, ColumnCabinet = 1, ColumnURL = 2, ColumnCount = 3 };

    explicit TLinkListModel(std::shared_ptr<const TLinkCheck> check, QObject *parent = nullptr);

    // Rows for every link, marked under scope; step is called once per link. Returns the
    // number of links counted as found.
    size_t Fill(int scope, const std::function<void()> &step = {});
    int Count() const { return static_cast<int>(rows.size()); }
    // The mark a row shows now: a found item destroyed since the fill shows as Missing.
    TLinkMark MarkAt(int row) const;
    // The found item of a row; nullptr when there is none or it has been destroyed.
    TTree *ItemAt(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    struct TRow {
        int Image = 0;
        TLinkMark Mark = TLinkMark::Missing;
    };
    std::shared_ptr<const TLinkCheck> check;
    std::vector<TRow> rows;
};

class TFormLink final : public QMainWindow {
    Q_OBJECT
public:
    // The window for one HTML file item; nothing is collected before Run. The window closes
    // when its owner (the window that opened it; the main window when none is given) is
    // destroyed.
    explicit TFormLink(TFile &page, QWidget *owner = nullptr);
    ~TFormLink() override;

    // Collects the links and fills the list. The event loop runs meanwhile; when the window
    // is closed in the middle the collection stops, Run returns, and the window is freed
    // afterwards: the caller must not touch it after Run (it may be gone).
    void Run();
    bool Busy() const { return busy; }

    int Scope() const { return scope; }
    // Sets the scope (the radio items' tag); the list is filled again when it changed.
    void SetScope(int value);
    size_t FoundCount() const { return foundCount; }
    // "発見したリンク先 ： N 個 ( 全リンク先 ： M 個)".
    QString CountText() const;
    // Fills the list again from the collected links under the current scope.
    void FillList();

    // The HTML file item still exists; otherwise the message is shown and the window closes
    // (once, however often this is asked).
    bool CheckSubject();

    // Opens the found item of a row (nothing without one).
    void OpenRow(int row);
    // Runs a tool on the found item of the selected row.
    void ExecTool(const std::string &program);
    // Rebuilds the tool buttons and tool menu from the tool list.
    void BuildTools();

    // The commands.
    void mFileCloseClick();
    void mViewToolClick();
    void mViewStatusClick();
    void mViewClick();

    const TLinkCheck &Check() const { return *check; }
    TLinkListModel *Model() const { return model; }
    QTreeView *List() const { return list; }
    TIeStatus *Status() const { return status; }
    QLabel *Title() const { return title; }
    QWidget *ToolPanel() const { return panelTool; }
    QTimer *HintTimer() const { return hintTimer; }

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void BuildMenus();
    void DisplayHint(const QString &text);
    void RestoreStatusText();
    void ShowToolPanel();
    int SelectedRow() const;

    std::shared_ptr<TLinkCheck> check;
    int scope = ScopeDirectory;
    size_t foundCount = 0;
    bool busy = false;
    bool closing = false; // closed while busy: freed when Run ends
    bool ending = false;  // the file item is gone; the window is closing
    bool toolBarOn = true;
    QString busyText;
    TLinkListModel *model;
    QTreeView *list;
    TIeStatus *status;
    QLabel *title;
    QWidget *panelTool;
    QTimer *hintTimer;
    QMenu *mTool = nullptr;
    QActionGroup *scopeActions = nullptr;
};
