#pragma once
// The select-folder dialog: a small file browser over the local disks that hands the caller
// the text of its folder field.
#include <QDialog>
#include <string>
#include <vector>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QModelIndex;
class QToolButton;
class TFolderEntryModel;
class TFolderView;

// Runs the dialog starting at folder (the process's current directory when that folder does
// not exist). True when the user confirmed; folder then receives the folder field's text as
// it stands. helpTopic 0 means no help.
bool ExecuteSelectFolder(QWidget *parent, std::string &folder, int helpTopic);

// The dialog window "フォルダを選択". Paths are byte strings with "/" separators; the current
// folder always ends with "/" once listed.
class TSelFolderDlg : public QDialog {
    Q_OBJECT
public:
    // Lists folder when such a folder exists, else the process's current directory.
    TSelFolderDlg(QWidget *parent, const std::string &folder, int helpTopic);
    ~TSelFolderDlg() override;

    const std::string &CurrentFolder() const { return m_current; }
    // The folder field's text as the caller receives it: the current folder's own bytes while
    // the field shows it unchanged, else the typed text.
    std::string FolderText() const;

    // The roots the drive list offers, each ending with "/": "/", the mounted volumes that are
    // ready and the home folder.
    static std::vector<std::string> SystemRoots();
    // Replaces the roots of the drive list (for a volume that comes or goes while the dialog
    // is open); the list shows the root of the current folder.
    void SetRoots(std::vector<std::string> roots);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ListFolder();
    void ChangeRoot(int index);
    void GoUp();
    void OpenRow(const QModelIndex &index);
    void NewFolder();
    void FolderEntered();
    bool RenameRow(int row, const QString &name);
    void SortByColumn(int column);
    void SetDetails(bool details);
    // The longest root that is a prefix of path; "/" when no other fits.
    std::string RootOf(const std::string &path) const;
    void ShowRoot(const std::string &root);

    std::string m_current;
    std::string m_root; // the root last reached
    std::vector<std::string> m_roots;
    int m_helpTopic = 0;
    int m_directions[4] = {1, 1, 1, 1}; // name, size, type, date

    TFolderEntryModel *m_model = nullptr;
    QComboBox *m_driveList = nullptr;
    QToolButton *m_upButton = nullptr;
    QToolButton *m_newFolderButton = nullptr;
    QToolButton *m_listButton = nullptr;
    QToolButton *m_detailButton = nullptr;
    QButtonGroup *m_viewGroup = nullptr;
    TFolderView *m_folderList = nullptr;
    QLineEdit *m_folderEdit = nullptr;
};
