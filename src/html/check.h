#pragma once
// The link check of one HTML file item: every distinct link of the file, each with the
// cabinet and the item that hold its address, and which of them count as found within the
// scope the user narrows the check to (every cabinet, the file's cabinet, its server or its
// folder).
//
// The search always covers every cabinet; a scope only changes which found links count.
// The check holds the file, its scope items and the found items by reference (TItemRef):
// whatever is destroyed after the links were collected is simply no longer found.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "html/link.h"
#include "items/tree.h"

class TFile;

// Which found links count; the values are the tags of the scope menu's radio items.
enum TLinkScope : int {
    ScopeAll = 0,       // every found link
    ScopeCabinet = 1,   // found in the file's cabinet
    ScopeServer = 2,    // found at or below the file's server item
    ScopeDirectory = 3, // found at or below the file's folder
};
inline constexpr int ScopeCount = 4;

// How one link is marked in the list.
enum class TLinkMark : uint8_t {
    Found,      // an item holds the address and lies within the scope: counted
    Outside,    // an item holds the address, outside the scope
    FileExists, // a "file:///" address whose file exists: found under every scope, never counted
    Missing,    // nothing holds the address, or the item that did has been destroyed since
};

// The state image of a mark: StateFound for Found and FileExists, StateMissing otherwise.
int StateImageOf(TLinkMark mark);

// How a collection ended.
enum class TCollectEnd : uint8_t {
    Done,        // the whole file was walked
    Stopped,     // the caller's proceed answered false after a turn of the event loop
    SubjectGone, // the file item was destroyed during a turn of the event loop
};

// The message for a file that cannot be read (its odd bracket is the program's own text).
std::string CannotOpenText(const std::string &path);
// The message when the checked file item has been destroyed.
inline constexpr const char *MsgSubjectGone = "チェック対象が削除されたので一覧表示を終了します。";

class TLinkCheck {
public:
    // The check of page (its local path and scope items are taken now); no links yet.
    explicit TLinkCheck(const TFile &page);
    TLinkCheck(const TLinkCheck &) = delete;
    TLinkCheck &operator=(const TLinkCheck &) = delete;

    // The checked file item and its folder; nullptr once destroyed.
    TFile *Page() const;
    TTree *Folder() const;
    // The item a scope narrows to: the file's cabinet, server (GetServer of its folder) or
    // folder. nullptr for ScopeAll, for a value out of range, and once the item is destroyed.
    TTree *ScopeRoot(int scope) const;
    // The file's local path when the check was made.
    const std::string &Path() const { return path; }

    // Runs the link walk over data (the file's bytes) from the file's base address: a "<BASE"
    // value changes the base for the links after it and gives no entry; every other value is
    // added to Links() (duplicates merged, each new address located in the file's own cabinet
    // first, then the others from the last registered). progress, when set, receives the
    // bytes consumed before each turn of the event loop and once at the end. After each turn
    // the collection ends early when proceed answers false or the file item is gone; what was
    // collected up to then is kept. data must stay alive during the call.
    TCollectEnd Collect(std::string_view data,
                        const std::function<void(size_t consumed)> &progress = {},
                        const std::function<bool()> &proceed = {});

    const TURLs &Links() const { return links; }
    size_t Count() const { return links.Count(); }

    // The mark of link `index` (< Count()) under a scope; a scope out of range counts as
    // ScopeAll.
    TLinkMark Mark(size_t index, int scope) const;
    // The marks of every link in order; found, when set, receives the number of Found marks.
    std::vector<TLinkMark> Marks(int scope, size_t *found = nullptr) const;
    size_t FoundCount(int scope) const;

    // The path whose file type gives link `index` its picture: the found item's local path,
    // or the file of an existing "file:///" address; empty when nothing is found.
    std::string ImagePath(size_t index) const;
    // The path a tool runs on for link `index`: the found item's local path; empty when no
    // live item holds the address.
    std::string ToolPath(size_t index) const;

private:
    TItemRef page;
    TItemRef folder;
    TItemRef scopeRoots[ScopeCount]; // [0] stays empty
    std::string path;
    TURLs links;
};
