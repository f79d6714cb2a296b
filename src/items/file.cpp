#include "items/file.h"
#include "platform/ascii.h"

#include <algorithm>

#include "config/settings.h"
#include "items/cab.h"
#include "items/copySeam.h"
#include "platform/fs.h"
#include "platform/seam.h"

namespace {
// The items from just below stop (or below the cabinet when stop is not an ancestor) down
// to item, top first.
std::vector<const TTree *> ChainBelow(const TTree &item, const TTree *stop) {
    std::vector<const TTree *> chain;
    for (const TTree *p = &item; p && !p->IsCabinet() && p != stop; p = p->Parent())
        chain.push_back(p);
    std::reverse(chain.begin(), chain.end());
    return chain;
}

// Folder part of a chain of folders: each LocalName (or Name) followed by "/".
std::string JoinFolders(const std::vector<const TTree *> &chain, size_t count, bool byLocalName) {
    std::string result;
    for (size_t i = 0; i < count; ++i) {
        result += byLocalName ? chain[i]->LocalName() : chain[i]->Name();
        result += '/';
    }
    return result;
}

// A cached file's place below the cabinet folder. Index entries are hostile: "\" separators
// become "/", and empty, "." and ".." segments are dropped so the path stays in the folder.
std::string CacheFilePath(const std::string &cacheFile) {
    std::string result;
    size_t pos = 0;
    while (pos <= cacheFile.size()) {
        size_t end = cacheFile.find_first_of("\\/", pos);
        if (end == std::string::npos)
            end = cacheFile.size();
        std::string_view part(cacheFile.data() + pos, end - pos);
        if (!part.empty() && part != "." && part != "..") {
            if (!result.empty())
                result += '/';
            result += part;
        }
        pos = end + 1;
    }
    return result;
}

// Whether an item of this kind leaves the tree when its file or folder is gone.
bool RemoveActs(uint8_t kind) {
    return kind == KindPlainLog ||
           ((kind == KindMirrorLog || kind == KindTapline) && Settings().OpDeleteDB);
}
} // namespace

// ---- TDir ----

TDir::TDir(TTree &parent, const std::string &name) : TTree(TItemType::Dir, &parent, name) {}

TDir *TDir::Create(TTree &parent, const std::string &name) {
    return Attach(parent, std::unique_ptr<TDir>(new TDir(parent, name)));
}

bool TDir::ShowProperties() {
    seam::Dialogs().ShowDirProperties(*this);
    return false;
}

std::string TDir::GetLocalPath() const {
    const TCabinet *cabinet = GetCabinet();
    if (!cabinet)
        return {};
    if (!IsLogKind(cabinet->Kind))
        return cabinet->Path;
    auto chain = ChainBelow(*this, nullptr);
    return cabinet->Path + JoinFolders(chain, chain.size(), true);
}

std::string TDir::GetLinkPath() const {
    auto chain = ChainBelow(*this, nullptr);
    return JoinFolders(chain, chain.size(), true);
}

std::string TDir::GetURL() const {
    auto chain = ChainBelow(*this, nullptr);
    return JoinFolders(chain, chain.size(), GetKind() == KindPlainLog);
}

std::string TDir::GetURLFrom(const TTree *ancestor) const {
    if (ancestor == this)
        return {};
    auto chain = ChainBelow(*this, ancestor);
    return JoinFolders(chain, chain.size(), GetKind() == KindPlainLog);
}

void TDir::Remove() {
    if (!RemoveActs(GetKind()))
        return;
    // Children before their folder, last child first; no stack frame per level.
    struct Frame {
        TTree *folder;
        size_t remaining;
    };
    std::vector<Frame> stack{{this, ChildCount()}};
    while (!stack.empty()) {
        Frame &top = stack.back();
        if (top.remaining == 0) {
            TTree *folder = top.folder;
            stack.pop_back();
            if (!fs::FolderExists(fs::WithoutTrailingSlash(folder->GetLocalPath())))
                folder->Parent()->DestroyChild(folder); // this folder too, when it is gone
            continue;
        }
        TTree *child = top.folder->Children()[--top.remaining].get();
        if (child->IsFile()) {
            if (!fs::FileExists(child->GetLocalPath()))
                top.folder->DestroyChild(child);
        } else {
            stack.push_back({child, child->ChildCount()});
        }
    }
}

TTree *TDir::CopyTo(TTree &target) {
    // A copy into the folder itself or below it would keep copying its own copy.
    if (IsWithin(&target, this))
        return nullptr;
    auto copyFolder = [](TDir &source, TTree &into) -> TTree * {
        if (TTree *existing = FindChildByLocalName(into, source.LocalName()))
            return existing;
        TDir *made =
            Create(into, into.GetKind() == KindPlainLog ? source.LocalName() : source.Name());
        CreateFolderOnDisk(*made);
        return made;
    };
    TTree *result = copyFolder(*this, target);
    // A file of the same name blocks the folder; a file never gets children.
    if (result->IsFile())
        return result;
    // Children last first, depth first, with references that stay safe if the event-loop
    // turns inside a copy let the user change the tree.
    struct Frame {
        TItemRef source;
        TItemRef copy;
        size_t remaining;
    };
    std::vector<Frame> stack{{TItemRef(this), TItemRef(result), ChildCount()}};
    while (!stack.empty()) {
        Frame &top = stack.back();
        TTree *source = top.source.Get();
        TTree *copy = top.copy.Get();
        if (!source || !copy || top.remaining == 0) {
            stack.pop_back();
            continue;
        }
        size_t index = --top.remaining;
        if (index >= source->ChildCount())
            continue;
        TTree *child = source->Children()[index].get();
        if (child->IsFile()) {
            child->CopyTo(*copy);
        } else {
            TTree *made = copyFolder(static_cast<TDir &>(*child), *copy);
            if (made && !made->IsFile())
                stack.push_back({TItemRef(child), TItemRef(made), child->ChildCount()});
        }
    }
    return result;
}

// ---- TFile ----

TFile::TFile(TTree &parent, const TFileData &data, const std::string &name)
    : TTree(TItemType::File, &parent, name) {
    TakeData(data);
}

TFile *TFile::Create(TTree &parent, const TFileData &data, const std::string &name) {
    return Attach(parent, std::unique_ptr<TFile>(new TFile(parent, data, name)));
}

TFileData TFile::Data() const {
    TFileData data;
    data.Size = Size;
    data.Modified = Modified;
    data.Accessed = Accessed;
    data.CacheFile = CacheFile;
    data.URL = URL;
    data.ContentType = ContentType;
    data.Headers = Headers;
    data.RootPage = RootPage;
    return data;
}

void TFile::TakeData(const TFileData &data) {
    CacheFile = data.CacheFile;
    Size = data.Size;
    Modified = data.Modified;
    Accessed = data.Accessed;
    URL = data.URL;
    ContentType = data.ContentType;
    Headers = data.Headers;
    RootPage = data.RootPage;
}

bool TFile::ShowProperties() {
    seam::Dialogs().ShowFileProperties(*this);
    return false;
}

std::string TFile::GetLocalPath() const {
    const TCabinet *cabinet = GetCabinet();
    if (!cabinet)
        return {};
    if (IsLogKind(cabinet->Kind)) {
        auto chain = ChainBelow(*this, nullptr);
        return cabinet->Path + JoinFolders(chain, chain.size() - 1, true) + LocalName();
    }
    std::string relative = CacheFilePath(CacheFile);
    if (relative.empty())
        return cabinet->Path;
    // Caches copied from Windows disks carry their file names in any case.
    return cabinet->Listings.Resolve(cabinet->Path, relative);
}

std::string TFile::GetLinkPath() const {
    auto chain = ChainBelow(*this, nullptr);
    return JoinFolders(chain, chain.size() - 1, true) + LocalName();
}

std::string TFile::GetURL() const {
    auto chain = ChainBelow(*this, nullptr);
    bool plain = GetKind() == KindPlainLog;
    std::string url = JoinFolders(chain, chain.size() - 1, plain);
    if (plain)
        url += LocalName();
    else if (!RootPage)
        url += Name();
    return url;
}

void TFile::Remove() {
    if (!RemoveActs(GetKind()))
        return;
    if (!fs::FileExists(GetLocalPath()) && Parent())
        Parent()->DestroyChild(this);
}

TTree *TFile::CopyTo(TTree &target) {
    TFileData data = Data();
    TTree *existing = FindChildByLocalName(target, LocalName());
    if (!existing) {
        TFile *made = Create(target, data, target.GetKind() == KindPlainLog ? LocalName() : Name());
        CopyEngine().CopyFileData(*this, *made);
        return made;
    }
    // A folder of the same name blocks the copy; it is never overwritten by a file.
    if (!existing->IsFile())
        return existing;
    auto &file = static_cast<TFile &>(*existing);
    if (CopyEngine().OverwriteCheck(*this, file)) {
        // The engine keeps the previous file when a copy fails; the item keeps its data too.
        TFileData previous = file.Data();
        file.TakeData(data);
        TItemRef still(&file);
        if (!CopyEngine().CopyFileData(*this, file) && still)
            file.TakeData(previous);
    }
    return existing;
}

// ---- find-or-create ----

// A file and a folder of the same name can both come from an index (http://h/a and
// http://h/a/b); each lookup looks only at items of its own sort, so a file never gets
// children.
TDir *FindOrAddDir(TTree &parent, const std::string &name) {
    if (TTree *found = FindChild(parent, name, TWant::Folder))
        return static_cast<TDir *>(found);
    return TDir::Create(parent, name);
}

TFile *FindOrAddFile(TTree &parent, const std::string &name, const TFileData &data) {
    if (TTree *found = FindChild(parent, name, TWant::File))
        return static_cast<TFile *>(found);
    return TFile::Create(parent, data, name);
}

std::string GetFileURLFrom(const TFile &file, const TTree *ancestor) {
    if (ancestor == &file)
        return {};
    auto chain = ChainBelow(file, ancestor);
    bool plain = file.GetKind() == KindPlainLog;
    std::string url = JoinFolders(chain, chain.empty() ? 0 : chain.size() - 1, plain);
    if (plain)
        url += file.LocalName();
    else if (!file.RootPage)
        url += file.Name();
    return url;
}

bool IsHtml(const TFile &file) {
    if (!file.ContentType.empty())
        return ToLowerAscii(file.ContentType).find("html") != std::string::npos;
    size_t dot = file.Name().rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string ext = ToUpperAscii(std::string_view(file.Name()).substr(dot));
    const std::string &list = Settings().HtmlFileExt;
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t end = list.find(';', pos);
        if (end == std::string::npos)
            end = list.size();
        std::string_view entry(list.data() + pos, end - pos);
        if (entry.size() >= ext.size() &&
            entry.compare(entry.size() - ext.size(), ext.size(), ext) == 0)
            return true;
        pos = end + 1;
    }
    return false;
}
