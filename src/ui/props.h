#pragma once
// The property dialogs of the items: the cabinet dialog, which edits its cabinet, and the
// folder and file dialogs, which only show what the item holds. Each is modal and placed
// beside the main window.
#include <QDialog>
#include <QString>
#include <cstdint>
#include <string>

#include "items/tree.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class TCabinet;
class TDir;
class TFile;

// True when the user pressed OK; the dialog's fields have then been written into the cabinet.
bool ShowCabinetDialog(TCabinet &cabinet);
void ShowDirDialog(TDir &dir);
void ShowFileDialog(TFile &file);

// "プロパティ" of a cabinet: name, folder (read only), program, kind and the delete flag.
class TFormCabinet final : public QDialog {
    Q_OBJECT
public:
    explicit TFormCabinet(TCabinet &cabinet, QWidget *parent = nullptr);

    // The kind OK stores: the cabinet's own kind once it has been read, otherwise the last
    // kind clicked (the cabinet's kind, possibly 0, while none was).
    uint8_t DialogKind() const { return m_kind; }

    // OK: name, program and kind go into the cabinet, and the delete flag too when the
    // setting OpDelete is on; then the dialog closes as accepted. Cancel changes nothing.
    void accept() override;

private:
    void KindClicked(int kind);
    void CheckKindButton();
    void ShowProgramIcon(const QString &text);
    void Browse();

    TItemRef m_cabinet;
    // The texts as the cabinet holds them: a field left as shown keeps its bytes, so a name
    // or path in Shift-JIS is not re-encoded by merely pressing OK.
    std::string m_name;
    std::string m_program;
    uint8_t m_kind;
    bool m_indexRead;
    bool m_opDelete;
    QLineEdit *m_nameEdit;
    QLineEdit *m_programEdit;
    QLabel *m_programIcon;
    QButtonGroup *m_kinds;
    QCheckBox *m_deletable;
};

// "プロパティ" of a server or directory item, page "フォルダ". Shows only.
class TFormDir final : public QDialog {
    Q_OBJECT
public:
    explicit TFormDir(TDir &dir, QWidget *parent = nullptr);
};

// "プロパティ" of a file item, page "ファイル". Shows only.
class TFormFile final : public QDialog {
    Q_OBJECT
public:
    explicit TFormFile(TFile &file, QWidget *parent = nullptr);
};
