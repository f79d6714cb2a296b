#include "items/clip.h"

#include <algorithm>

#include "items/cab.h"
#include "items/copySeam.h"
#include "items/file.h"
#include "platform/ascii.h"
#include "platform/fs.h"
#include "platform/seam.h"

namespace {
// Everything before the last "/" of a local path; "/" itself for an item at the root.
std::string FolderPart(const std::string &path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

void Error(const char *text) {
    seam::Messages().ErrorBox(text);
}
} // namespace

// ---- TClip ----

void TClip::Clear(uint8_t mode) {
    Mode = mode;
    root = TItemRef();
    entries.clear();
    serials.clear();
}

void TClip::Add(const TTree &item) {
    entries.emplace_back(&item);
    serials.insert(item.Serial());
}

void TClip::Fill(const std::vector<TTree *> &selected, uint8_t mode) {
    Clear(mode);
    for (TTree *item : selected)
        if (item)
            Add(*item);
}

void TClip::Fill(TTree &node, uint8_t mode) {
    Clear(mode);
    if (!node.IsCabinet()) {
        Add(node);
        return;
    }
    for (const auto &child : node.Children())
        Add(*child);
}

void TClip::SetRoot(TTree *item) {
    root = TItemRef(item);
}

TTree *TClip::Item(size_t index) const {
    return index < entries.size() ? entries[index].Get() : nullptr;
}

void TClip::Replace(size_t index, TTree *item) {
    if (index >= entries.size())
        return;
    auto old = serials.find(entries[index].Serial());
    if (old != serials.end())
        serials.erase(old);
    entries[index] = TItemRef(item);
    if (item)
        serials.insert(item->Serial());
}

bool TClip::Contains(const TTree &item) const {
    if (serials.empty())
        return false;
    // A file entry matches only itself; any ancestor of the item is a folder, and a folder
    // entry holds everything below it. Serials are never reused, so entries of destroyed
    // items match nothing.
    for (const TTree *p = &item; p; p = p->Parent())
        if (serials.count(p->Serial()))
            return true;
    return false;
}

void TClip::AddUnique(TTree &item) {
    if (!serials.count(item.Serial()))
        Add(item);
}

TTree *TClip::Paste(TTree &target) {
    TItemRef result = Mode == ClipMove ? root : TItemRef();
    TItemRef into(&target);
    if (!CopyEngine().BeginPaste())
        return nullptr;
    AddedFiles().Clear(ClipAdded);
    CopyEngine().RunBatch(*this, target);
    // The event-loop turns of a copy let the user act in other windows.
    if (TTree *still = into.Get(); still && this != &AddedFiles())
        CopyEngine().RunBatch(AddedFiles(), *still);
    return result.Get();
}

TClip &ItemClip() {
    static TClip clip;
    return clip;
}
TClip &DragClip() {
    static TClip clip;
    return clip;
}
TClip &AddedFiles() {
    static TClip clip;
    return clip;
}

// ---- rules ----

bool CanRename(const TTree &item) {
    if (item.IsCabinet() || item.GetKind() == KindPlainLog)
        return true;
    Error(MsgCannotRename);
    return false;
}

bool CanDelete(const TTree &item) {
    if (item.IsCabinet()) {
        seam::Messages().WarningBox(MsgCabinetDelete);
        return true;
    }
    if (item.GetDeletable())
        return true;
    Error(MsgCannotDelete);
    return false;
}

bool CanCopy(const TTree &) {
    return true;
}

bool CanCut(const TTree &item) {
    if (IsLogKind(item.GetKind()) || item.GetDeletable())
        return true;
    Error(MsgCannotCut);
    return false;
}

bool CanPaste(const TTree &target) {
    if (!IsLogKind(target.GetKind())) {
        Error(MsgPasteInCache);
        return false;
    }
    if (target.IsFile()) {
        Error(MsgPasteOnFile);
        return false;
    }
    return true;
}

bool CheckPasteTarget(const TTree &source, const TTree &target) {
    std::string sourceDir = FolderPart(source.GetLocalPath());
    std::string targetDir = FolderPart(target.GetLocalPath());
    if (source.Parent() == &target)
        return false;
    if (SameAscii(sourceDir, targetDir)) {
        Error(MsgSameFolder);
        return false;
    }
    if (source.IsFile())
        return true;
    if (targetDir.size() > sourceDir.size() &&
        SameAscii(std::string_view(targetDir).substr(0, sourceDir.size()), sourceDir) &&
        (targetDir[sourceDir.size()] == '/' || (!sourceDir.empty() && sourceDir.back() == '/'))) {
        Error(MsgSubFolder);
        return false;
    }
    return true;
}

TTree *MakeFolderPath(TTree &target, const TTree *root, const TTree &folder) {
    if (!root || root == &folder)
        return &target;
    std::vector<const TTree *> chain;
    const TTree *p = &folder;
    for (; p && p != root; p = p->Parent())
        chain.push_back(p);
    if (!p)
        return &target;
    TTree *current = &target;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const TTree &step = **it;
        TTree *existing = FindChildByLocalName(*current, step.LocalName(), TWant::Folder);
        if (!existing) {
            if (TTree *file = FindChildByLocalName(*current, step.LocalName(), TWant::File))
                return file;
            existing = TDir::Create(*current, current->GetKind() == KindPlainLog ? step.LocalName()
                                                                                 : step.Name());
            CreateFolderOnDisk(*existing);
        }
        current = existing;
    }
    return current;
}

std::string DeleteList(const TTree &item) {
    if (item.IsCabinet())
        return {};
    if (IsLogKind(item.GetKind()))
        return fs::WithoutTrailingSlash(item.GetLocalPath()) + '\0';
    std::string list;
    std::vector<const TTree *> stack{&item};
    while (!stack.empty()) {
        const TTree *current = stack.back();
        stack.pop_back();
        if (current->IsFile()) {
            std::string path = current->GetLocalPath();
            if (fs::FileExists(path))
                list += path + '\0';
            continue;
        }
        // Pushed first to last, so the last child comes off the stack first.
        for (const auto &child : current->Children())
            stack.push_back(child.get());
    }
    return list;
}

TTree *AddNewFolder(TTree &parent) {
    TTree *made = TDir::Create(parent, NewFolderName);
    CreateFolderOnDisk(*made);
    return made;
}
