#pragma once
// The clipboard-contents window: the entries of the item clipboard as a tree, each below the
// chain of folders that separates it from the clipboard's Root, folders with all they hold.
#include <QDialog>
#include <cstddef>

class QTreeWidget;
class TClip;

// Shows the window modally beside the main window.
void ShowClipDialog(TClip &clip);

// "Clipboard": one tree, sorted folders before files and each group by caption, and OK.
// Built once from the clipboard when it is made; destroyed entries are left out.
class TFormClip final : public QDialog {
    Q_OBJECT
public:
    explicit TFormClip(const TClip &clip, QWidget *parent = nullptr);

    // Bounds on what the contents of folder entries add, so a huge or absurdly deep cabinet
    // cannot hold up the window: at most NodeLimit nodes below the entries in all, and no
    // node deeper than DepthLimit levels (an entry's chain of folders included).
    static constexpr size_t NodeLimit = 100000;
    static constexpr size_t DepthLimit = 256;

    QTreeWidget *Tree() const { return m_tree; }

private:
    QTreeWidget *m_tree;
};
