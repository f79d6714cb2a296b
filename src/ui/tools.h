#pragma once
// External tools in the windows: a button per tool on a window's tool area and an entry per
// tool in its tool menus, each running the tool on the window's selected file, and the
// registration dialog that edits the tool list.
#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPushButton;
class QWidget;
class TTool;
class TTools;

// What a window does when one of its tool buttons or entries is used: runs the program.
using TToolRunner = std::function<void(const std::string &program)>;

// Replaces the tool buttons of a tool area with one button per tool (24 x 25 pixels at top 3,
// the n-th from 0 at left n * 26 + 2; the tool's icon; its name as tooltip).
void AddToolButtons(QWidget *area, const TTools &tools, const TToolRunner &run);
void RemoveToolButtons(QWidget *area);
// Appends one entry per tool to a menu (the tool's name with its icon; status text: the name
// followed by "で選択されたファイルを開きます。"), after removing the tool entries it had.
void AddToolMenus(QMenu *menu, const TTools &tools, const TToolRunner &run);
void RemoveToolMenus(QMenu *menu);

// Runs the registration dialog on a working copy of tools, modally beside the main window.
// True when the user confirmed; tools then holds copies of the working copy's tools (names
// and paths in the dialog's order, icons asked of the desktop again). Otherwise tools is
// unchanged.
bool EditTools(TTools &tools, QWidget *parent);

// The registration dialog "ツール": the working copy as a list of large icons, several rows
// selectable, with "追加 (&A)", "削除 (&D)", "編集 (&E)", "OK" and "Cancel". Files dropped
// from a file manager are added too.
class TToolForm : public QDialog {
    Q_OBJECT
public:
    // Fills the working copy from tools and selects its first row.
    explicit TToolForm(TTools &tools, QWidget *parent = nullptr);
    ~TToolForm() override;

    // Appends a tool to the working copy with the desktop's icon for path; selects the first
    // row when none is selected.
    void AddTool(const std::string &path, const std::string &name);

    // Replaces the tools of the real list with copies of the working copy and closes.
    void accept() override;

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void AddClick();
    void DeleteClick();
    void EditClick();
    void Renamed(QListWidgetItem *item);
    void EnableButtons(bool enabled);

    TTools &m_tools;
    // Row i of the list shows m_working[i].
    std::vector<std::unique_ptr<TTool>> m_working;
    bool m_filling = false; // rows are being made: their changes are not edits

    QListWidget *m_list = nullptr;
    QPushButton *m_addButton = nullptr;
    QPushButton *m_deleteButton = nullptr;
    QPushButton *m_editButton = nullptr;
};
