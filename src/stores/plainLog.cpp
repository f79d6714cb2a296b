#include "stores/plainLog.h"

#include <algorithm>
#include <climits>
#include <set>
#include <unordered_set>
#include <utility>
#include <vector>

#include "items/file.h"
#include "platform/datetime.h"
#include "platform/fs.h"

void ReadPlainLog(TCabinet &cabinet, const std::string &folder) {
    if (!fs::FolderExists(folder))
        fs::CreateFolder(folder);
    ScanLogFolder(cabinet, folder);
}

void ScanLogFolder(TTree &parent, const std::string &folder) {
    std::set<std::pair<uint64_t, uint64_t>> visited;
    std::vector<std::pair<TTree *, std::string>> pending{{&parent, fs::WithTrailingSlash(folder)}};
    // Folders reached through a symbolic link wait until every real folder has been scanned,
    // so a link never takes the place of the folder it points to.
    struct TLink {
        TTree *parent;
        std::string path;
        fs::TFolderEntry entry;
    };
    std::vector<TLink> links;
    size_t nextLink = 0;
    // Names match without regard to case, but a Linux folder can hold twins ("Dir" and "DIR"):
    // the first twin met keeps the item, with its name on disk and its data, and the later
    // ones stay unlisted, so an item never shows one file while its local path names another.
    std::unordered_set<const TTree *> filed;
    auto fileFolder = [&](TTree &into, const fs::TFolderEntry &entry) -> TDir * {
        if (filed.count(FindChild(into, entry.Name, TWant::Folder)))
            return nullptr;
        // A link back to a folder already scanned would otherwise never end.
        if (!visited.insert({entry.Device, entry.Inode}).second)
            return nullptr;
        TDir *dir = FindOrAddDir(into, entry.Name);
        filed.insert(dir);
        if (dir->LocalName() != entry.Name)
            dir->KeepDiskName(entry.Name);
        return dir;
    };
    while (!pending.empty() || nextLink < links.size()) {
        if (pending.empty()) {
            TLink link = std::move(links[nextLink++]);
            if (TDir *dir = fileFolder(*link.parent, link.entry))
                pending.emplace_back(dir, link.path + link.entry.Name + "/");
            continue;
        }
        auto [item, path] = std::move(pending.back());
        pending.pop_back();
        std::vector<std::pair<TTree *, std::string>> subfolders;
        std::vector<fs::TFolderEntry> entries = fs::ListFolder(path);
        if (item->ChildCount() != 0) {
            // On a reload the twin whose name an item already bears is met first, so the
            // reload keeps the tree of the first load.
            TTree &folder = *item;
            std::stable_partition(entries.begin(), entries.end(), [&](const auto &entry) {
                const TTree *known = FindChildByLocalName(
                    folder, entry.Name, entry.IsFolder ? TWant::Folder : TWant::File);
                return known && known->LocalName() == entry.Name;
            });
        }
        for (fs::TFolderEntry &entry : entries) {
            if (entry.IsFolder && entry.IsLink) {
                links.push_back({item, path, std::move(entry)});
            } else if (entry.IsFolder) {
                if (TDir *dir = fileFolder(*item, entry))
                    subfolders.emplace_back(dir, path + entry.Name + "/");
            } else {
                TFileData data;
                data.Size = entry.Size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(entry.Size);
                data.Modified = UtcSecondsToDosDateTime(entry.Modified);
                TFile *file = FindOrAddFile(*item, entry.Name, data);
                if (!filed.insert(file).second)
                    continue;
                if (file->LocalName() != entry.Name)
                    file->KeepDiskName(entry.Name);
            }
        }
        // Depth first, in the order the folder listed them.
        for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it)
            pending.push_back(std::move(*it));
    }
}
