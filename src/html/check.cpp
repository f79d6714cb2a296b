#include "html/check.h"

#include "html/token.h"
#include "items/cab.h"
#include "items/file.h"
#include "items/fileDB.h"

int StateImageOf(TLinkMark mark) {
    return mark == TLinkMark::Found || mark == TLinkMark::FileExists ? StateFound : StateMissing;
}

std::string CannotOpenText(const std::string &path) {
    return "ファイル (" + path + "が開けません。";
}

TLinkCheck::TLinkCheck(const TFile &file)
    : page(&file), folder(file.Parent()), path(file.GetLocalPath()) {
    if (const TTree *dir = file.Parent()) {
        scopeRoots[ScopeCabinet] = TItemRef(dir->GetCabinet());
        scopeRoots[ScopeServer] = TItemRef(dir->GetServer());
        scopeRoots[ScopeDirectory] = TItemRef(dir);
    }
}

TFile *TLinkCheck::Page() const {
    TTree *item = page.Get();
    return item && item->IsFile() ? static_cast<TFile *>(item) : nullptr;
}

TTree *TLinkCheck::Folder() const {
    return folder.Get();
}

TTree *TLinkCheck::ScopeRoot(int scope) const {
    if (scope <= ScopeAll || scope >= ScopeCount)
        return nullptr;
    return scopeRoots[scope].Get();
}

TCollectEnd TLinkCheck::Collect(std::string_view data,
                                const std::function<void(size_t consumed)> &progress,
                                const std::function<bool()> &proceed) {
    const TFile *file = Page();
    const TTree *dir = Folder();
    if (!file || !dir)
        return TCollectEnd::SubjectGone;
    std::string base = BaseAddress(*file);
    TLinkWalk walk(data);
    // Items can only vanish while the event loop has its turn; the folder is looked up
    // again after every turn, never held across one.
    bool turned = false;
    walk.OnTurn() = [&](size_t consumed) {
        turned = true;
        if (progress)
            progress(consumed);
    };
    TLinkValue value;
    while (walk.Next(value)) {
        if (turned) {
            turned = false;
            if (proceed && !proceed())
                return TCollectEnd::Stopped;
            dir = Folder();
            if (!Page() || !dir)
                return TCollectEnd::SubjectGone;
        }
        if (value.Base)
            base = BaseFromTag(value.Value, base);
        else
            links.Add(*dir, value.Value, base);
    }
    if (progress)
        progress(walk.Offset());
    if (turned && (!Page() || !Folder()))
        return TCollectEnd::SubjectGone;
    return TCollectEnd::Done;
}

TLinkMark TLinkCheck::Mark(size_t index, int scope) const {
    const TURL &entry = links[index];
    if (const TTree *item = entry.FoundItem()) {
        if (scope <= ScopeAll || scope >= ScopeCount)
            return TLinkMark::Found;
        return IsWithin(item, scopeRoots[scope].Get()) ? TLinkMark::Found : TLinkMark::Outside;
    }
    return entry.Exists ? TLinkMark::FileExists : TLinkMark::Missing;
}

std::vector<TLinkMark> TLinkCheck::Marks(int scope, size_t *found) const {
    std::vector<TLinkMark> marks;
    marks.reserve(links.Count());
    size_t count = 0;
    for (size_t i = 0; i < links.Count(); ++i) {
        marks.push_back(Mark(i, scope));
        if (marks.back() == TLinkMark::Found)
            ++count;
    }
    if (found)
        *found = count;
    return marks;
}

size_t TLinkCheck::FoundCount(int scope) const {
    size_t found = 0;
    Marks(scope, &found);
    return found;
}

std::string TLinkCheck::ImagePath(size_t index) const {
    const TURL &entry = links[index];
    if (const TTree *item = entry.FoundItem())
        return item->GetLocalPath();
    return entry.Exists ? URLToPath(entry.URL) : std::string();
}

std::string TLinkCheck::ToolPath(size_t index) const {
    const TTree *item = links[index].FoundItem();
    return item ? item->GetLocalPath() : std::string();
}
