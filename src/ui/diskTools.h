#pragma once
// Work over whole folders of a disk that the user may stop: finding every store below a
// folder, and writing items out as a WARC file. While such work runs, the main window's
// status panel shows its progress and a Cancel button, and mouse and keyboard input reaches
// only that button and the boxes the work shows, so no command can change the items under it.
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <string>
#include <vector>

#include "stores/find.h"

class TExplorer;
class TTree;

class TCancelHold final : public QObject {
public:
    explicit TCancelHold(TExplorer &pane);
    ~TCancelHold() override;
    TCancelHold(const TCancelHold &) = delete;
    TCancelHold &operator=(const TCancelHold &) = delete;

    // True while any hold is alive.
    static bool Active();
    bool Cancelled() const { return cancelled; }
    void Cancel() { cancelled = true; }
    // Lets waiting events through, at most once every 15 ms.
    void Poll();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<TExplorer> pane;
    QElapsedTimer sincePoll;
    bool cancelled = false;
};

// Walks the folder tree below folder for stores, with the walk's progress in the pane's status
// panel. False when the user stopped the walk; found then holds the stores met until then.
// warnings counts the folders that could not be walked and the marker files that were no
// store's index.
bool SearchStores(TExplorer &pane, TCancelHold &hold, const std::string &folder,
                  std::vector<TFoundStore> &found, int &warnings);

// The name of the temporary cabinet of a found store: the last two parts of its folder.
std::string FoundStoreName(const std::string &folder);

// Writes every file item at and below items into the WARC file at path, with progress and
// Cancel, and tells the outcome in a box.
void ExportItemsAsWarc(TExplorer &pane, const std::vector<TTree *> &items, const std::string &path);
