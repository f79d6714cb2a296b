#pragma once
// The item clipboard: references to items with a copy or move mode, the rules that decide
// what may be renamed, deleted, cut, copied or pasted into, and the folder chains a paste
// recreates below its target.
//
// A clipboard never owns its items. Entries whose items were destroyed (by a reload, a
// delete or a move) are skipped, never dereferenced.
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "items/tree.h"

// Clipboard modes.
enum : uint8_t {
    ClipEmpty = 0, // nothing was cut or copied since start
    ClipCopy = 1,
    ClipMove = 2,  // cut
    ClipAdded = 3, // files reached through links of copied pages
};

class TClip {
public:
    uint8_t Mode = ClipEmpty;

    // Mode := mode, no Root, no entries.
    void Clear(uint8_t mode);
    // From a list view: the selected rows' items, top row first. In move mode the list view
    // draws those rows in its cut state itself. Null pointers are skipped.
    void Fill(const std::vector<TTree *> &selected, uint8_t mode);
    // From a tree view: the selected node's item, or, for a cabinet, all its child items in
    // child order (a cabinet itself never enters a clipboard).
    void Fill(TTree &node, uint8_t mode);
    // The item the selection was taken from (the listed folder, a drag source's root); nil
    // when the selection came from the explorer pane.
    void SetRoot(TTree *item);
    // The Root while it is alive, else nullptr.
    TTree *Root() const { return root.Get(); }

    // Number of entries, destroyed ones included.
    size_t Count() const { return entries.size(); }
    // The item of entry index; nullptr when it has been destroyed or index is out of range.
    TTree *Item(size_t index) const;
    // Puts item in place of entry index (a moved entry becomes its copy).
    void Replace(size_t index, TTree *item);

    // True when the item is a file entry, or lies within (or is) an entry that is a folder.
    // Cost: one lookup per level of the item's depth, whatever the number of entries.
    bool Contains(const TTree &item) const;
    // Appends the item unless it is an entry already.
    void AddUnique(TTree &item);

    // The whole paste into target (a folder or cabinet of a log): clears AddedFiles and the
    // cancel flag, runs this batch and then the AddedFiles batch through the copy engine.
    // Returns the item the caller refreshes afterwards: the Root of a move, else nullptr.
    TTree *Paste(TTree &target);

private:
    void Add(const TTree &item);
    std::vector<TItemRef> entries;
    std::unordered_multiset<uint64_t> serials; // of every entry, for Contains and AddUnique
    TItemRef root;
};

// The three clipboards of the running program (they live for the whole run).
TClip &ItemClip();   // filled by cut and copy
TClip &DragClip();   // filled at each drop
TClip &AddedFiles(); // files collected by the converting copy, in mode ClipAdded

// Rules. Each shows its refusal itself (an error box with OK unless noted) and answers
// whether the command may go on.
// A cabinet or an item of a plain log may be renamed.
bool CanRename(const TTree &item);
// A cabinet: warning box about its folder staying on disk, then allowed. Otherwise the
// item's GetDeletable.
bool CanDelete(const TTree &item);
bool CanCopy(const TTree &item);
// Items of plain and mirror logs always; others by GetDeletable.
bool CanCut(const TTree &item);
// Folders and cabinets of plain and mirror logs.
bool CanPaste(const TTree &target);
// The check before each entry of a paste: false (silently) when source is already a child
// of target; false with a message when target is source's own folder or lies below it.
bool CheckPasteTarget(const TTree &source, const TTree &target);

// The folder below target that corresponds to folder, recreating (in the tree and on disk)
// the chain of folders between root (exclusive) and folder (inclusive). Target itself when
// root is nullptr or folder, or when root is not an ancestor of folder. Folders get
// folder's LocalName below a plain log and its Name elsewhere. When a file item of the same
// local name blocks a folder of the chain, that file item is returned (nothing lands below
// a file). Never creates anything on disk outside target's cabinet folder.
TTree *MakeFolderPath(TTree &target, const TTree *root, const TTree &folder);

// The paths deleting the item removes on disk, each followed by one NUL (the caller appends
// the final NUL): for items of plain and mirror logs the item's own path (no trailing "/");
// for caches the existing files below the item, last child first. Empty for a cabinet
// (deleting a cabinet never touches its folder).
std::string DeleteList(const TTree &item);

// Creates the folder item "新しいフォルダ" below parent and its folder on disk (an existing
// folder of that name is shared). Returns the new item.
TTree *AddNewFolder(TTree &parent);

// Rule texts.
inline constexpr const char *MsgCannotRename =
    "キャッシュおよびミラー内の項目の名前は変更できません。";
inline constexpr const char *MsgCabinetDelete =
    "キャビネットの登録は抹消されますが、実体は削除されません。";
inline constexpr const char *MsgCannotDelete = "指定された項目は削除できません。";
inline constexpr const char *MsgCannotCut = "指定された項目は切取れません。";
inline constexpr const char *MsgPasteOnFile = "ファイルに貼り付けはできません。";
inline constexpr const char *MsgPasteInCache = "キャッシュ内の項目に貼り付けはできません。";
inline constexpr const char *MsgSameFolder = "受け側と送り側は同じフォルダです。処理を中止します。";
inline constexpr const char *MsgSubFolder = "受け側は送り側のサブフォルダです。処理を中止します。";
inline constexpr const char *NewFolderName = "新しいフォルダ";
