#include "platform/folderListing.h"

#include <ctime>
#include <dirent.h>
#include <sys/stat.h>
#include <unordered_map>

#include "platform/ascii.h"

namespace fs {
namespace {
uint64_t FoldedHash(std::string_view name) {
    uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (char c : name)
        hash = (hash ^ static_cast<uint8_t>(UpperAscii(c))) * 1099511628211ull;
    return hash;
}

// A folder changed less than this before it was listed may change again unseen (its time
// stays within one step of the file system's clock).
constexpr int64_t UnsettledSeconds = 2;
} // namespace

std::unique_ptr<TFolderListing> TFolderListing::Read(const std::string &folder) {
    DIR *d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!d)
        return nullptr;
    auto listing = std::make_unique<TFolderListing>();
    std::vector<TEntry> entries;
    while (const dirent *e = ::readdir(d)) {
        const std::string_view name = e->d_name;
        if (name == "." || name == ".." || name.size() > UINT16_MAX ||
            listing->names.size() > UINT32_MAX - name.size())
            continue;
        const TEntryType type = e->d_type == DT_DIR                              ? EntryFolder
                                : e->d_type == DT_LNK || e->d_type == DT_UNKNOWN ? EntryUnknown
                                                                                 : EntryOther;
        entries.push_back({FoldedHash(name), static_cast<uint32_t>(listing->names.size()),
                           static_cast<uint16_t>(name.size()), type});
        listing->names += name;
    }
    ::closedir(d);
    size_t size = 8;
    while (size < 2 * entries.size())
        size *= 2;
    listing->table.assign(size, TEntry{0, 0, 0, EntryFree});
    while (size >> listing->shift > 1)
        ++listing->shift;
    for (const TEntry &entry : entries) {
        size_t slot = listing->Home(entry.Hash);
        while (listing->table[slot].Type != EntryFree)
            slot = (slot + 1) & (size - 1);
        listing->table[slot] = entry;
    }
    listing->count = entries.size();
    return listing;
}

bool TFolderListing::IsFolder(const std::string &folder, const TEntry &entry) const {
    if (entry.Type == EntryUnknown) {
        std::string path = folder;
        path += Name(entry);
        struct stat st {};
        entry.Type =
            ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? EntryFolder : EntryOther;
    }
    return entry.Type == EntryFolder;
}

std::string_view TFolderListing::Match(const std::string &folder, std::string_view part,
                                       bool goesOn) const {
    const uint64_t hash = FoldedHash(part);
    const size_t mask = table.size() - 1;
    const TEntry *exact = nullptr, *kind = nullptr, *any = nullptr;
    for (size_t slot = Home(hash); table[slot].Type != EntryFree; slot = (slot + 1) & mask) {
        const TEntry &entry = table[slot];
        if (entry.Hash != hash || !SameAscii(Name(entry), part))
            continue;
        if (Name(entry) == part && (!goesOn || IsFolder(folder, entry)))
            exact = &entry;
        if (!any || entry.At < any->At)
            any = &entry;
        if ((!kind || entry.At < kind->At) && IsFolder(folder, entry) == goesOn)
            kind = &entry;
    }
    const TEntry *match = exact ? exact : kind ? kind : any;
    return match ? Name(*match) : std::string_view();
}

void TFolderListing::Prefetch(std::string_view name, bool table) const {
    const TEntry &entry = this->table[Home(FoldedHash(name))];
    if (table)
        __builtin_prefetch(&entry);
    else if (entry.Type != EntryFree)
        __builtin_prefetch(names.data() + entry.At);
}

std::shared_ptr<const TFolderListing> CurrentListing(const std::string &folder) {
    struct TCached {
        int64_t MtimeSec = 0;
        int64_t MtimeNsec = 0;
        std::shared_ptr<const TFolderListing> Listing;
    };
    static std::unordered_map<std::string, TCached> cache;
    struct stat st {};
    if (::stat(folder.empty() ? "." : folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return nullptr;
    auto it = cache.find(folder);
    if (it != cache.end() && it->second.MtimeSec == st.st_mtim.tv_sec &&
        it->second.MtimeNsec == st.st_mtim.tv_nsec)
        return it->second.Listing;
    std::shared_ptr<const TFolderListing> listing = TFolderListing::Read(folder);
    if (!listing)
        return nullptr;
    if (static_cast<int64_t>(std::time(nullptr)) - st.st_mtim.tv_sec < UnsettledSeconds) {
        if (it != cache.end())
            cache.erase(it);
        return listing;
    }
    if (cache.size() > 4096)
        cache.clear();
    cache[folder] = {st.st_mtim.tv_sec, st.st_mtim.tv_nsec, listing};
    return listing;
}

} // namespace fs
