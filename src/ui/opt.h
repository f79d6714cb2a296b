#pragma once
// The options dialog "オプション": copying into logs and mirrors, the HTML extensions, what a
// double click starts, auto-scroll while dragging and the warnings while reading caches.
#include <QDialog>
#include <cstdint>

class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QTabWidget;

// Runs the options dialog modally beside the main window. True when the user confirmed; the
// options in Settings() then hold the new values (written to the registry at the end).
bool ShowOptions(QWidget *parent);

// The dialog. It edits the options of Settings() only when it is confirmed; OpDelete,
// OpDeleteDB and ListMode are not among them. The tab "その他" is shown first.
class TFormOption : public QDialog {
    Q_OBJECT
public:
    explicit TFormOption(QWidget *parent = nullptr);

    // Writes the options into Settings() and closes the dialog.
    void accept() override;

private:
    // Enables the groups of the log tab that make sense with the choices of its first two.
    void ApplyEnabling();
    void ShowHelp();

    // The copy and mirror options as the user last clicked them. An overwrite value outside
    // the choices stays as it is until one is clicked.
    bool m_copyConv = false;
    bool m_copyLink = false;
    bool m_copyDir = false;
    int32_t m_copyDelay = 0;
    bool m_mirrorLink = false;
    int32_t m_mirrorDelay = 0;

    QTabWidget *m_pages = nullptr;
    QGroupBox *m_copyLinkGroup = nullptr;
    QGroupBox *m_copyDirGroup = nullptr;
    QGroupBox *m_copyDelayGroup = nullptr;
    QLineEdit *m_htmlExtEdit = nullptr;
    QButtonGroup *m_browser = nullptr;
    QButtonGroup *m_listAutoScroll = nullptr;
    QButtonGroup *m_treeAutoScroll = nullptr;
    QButtonGroup *m_warning = nullptr;
};
