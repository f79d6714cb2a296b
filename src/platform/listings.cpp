#include "platform/listings.h"

#include <dirent.h>

#include "platform/ascii.h"
#include "platform/fs.h"

namespace fs {
namespace {
uint64_t FoldedHash(std::string_view name) {
    uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (char c : name)
        hash = (hash ^ static_cast<uint8_t>(UpperAscii(c))) * 1099511628211ull;
    return hash;
}
} // namespace

const TFolderListings::TListing *TFolderListings::Listing(const std::string &folder) {
    auto [it, added] = listings.try_emplace(folder);
    if (!added)
        return it->second.get();
    DIR *d = ::opendir(folder.c_str());
    if (!d)
        return nullptr;
    auto listing = std::make_unique<TListing>();
    std::vector<TEntry> &entries = listing->Entries;
    while (const dirent *e = ::readdir(d)) {
        const std::string_view name = e->d_name;
        if (name == "." || name == "..")
            continue;
        const TEntryType type = e->d_type == DT_DIR                              ? EntryFolder
                                : e->d_type == DT_LNK || e->d_type == DT_UNKNOWN ? EntryUnknown
                                                                                 : EntryOther;
        entries.push_back({std::string(name), FoldedHash(name), type});
    }
    ::closedir(d);
    size_t slots = 8;
    while (slots < 2 * entries.size())
        slots *= 2;
    listing->Slots.assign(slots, 0);
    for (size_t i = 0; i < entries.size(); ++i) {
        size_t slot = entries[i].Hash & (slots - 1);
        while (listing->Slots[slot] != 0)
            slot = (slot + 1) & (slots - 1);
        listing->Slots[slot] = static_cast<uint32_t>(i + 1);
    }
    it->second = std::move(listing);
    return it->second.get();
}

bool TFolderListings::IsFolder(const std::string &folder, const TEntry &entry) const {
    if (entry.Type == EntryUnknown)
        entry.Type = FolderExists(folder + entry.Name) ? EntryFolder : EntryOther;
    return entry.Type == EntryFolder;
}

std::string TFolderListings::Resolve(const std::string &folder, std::string_view relative) {
    std::string path = folder;
    path += relative;
    auto base = bases.find(folder);
    if (base == bases.end())
        base = bases.emplace(folder, FolderExists(folder) ? folder : ResolveCase(folder)).first;
    std::string resolved = base->second;
    size_t pos = 0;
    while (pos < relative.size()) {
        size_t slash = relative.find('/', pos);
        const bool goesOn = slash != std::string_view::npos;
        if (!goesOn)
            slash = relative.size();
        const std::string_view part = relative.substr(pos, slash - pos);
        const size_t partAt = pos;
        pos = slash + 1;
        if (part.empty())
            continue;
        const TListing *listing = Listing(resolved);
        if (!listing)
            return path;
        // The exact name (a folder where the path goes on), then the first listed of the kind
        // the path needs, then the first listed.
        const uint64_t hash = FoldedHash(part);
        const size_t mask = listing->Slots.size() - 1;
        const TEntry *exact = nullptr, *kind = nullptr, *any = nullptr;
        for (size_t slot = hash & mask; listing->Slots[slot] != 0; slot = (slot + 1) & mask) {
            const TEntry &entry = listing->Entries[listing->Slots[slot] - 1];
            if (entry.Hash != hash || !SameAscii(entry.Name, part))
                continue;
            if (entry.Name == part && (!goesOn || IsFolder(resolved, entry)))
                exact = &entry;
            if (!any || &entry < any)
                any = &entry;
            if ((!kind || &entry < kind) && IsFolder(resolved, entry) == goesOn)
                kind = &entry;
        }
        if (!any) {
            // Not listed: perhaps made since under its exact name, below folders whose case
            // differed (where the path as given is all there is to try).
            if (path.compare(0, resolved.size(), resolved) != 0) {
                std::string later = resolved;
                later += relative.substr(partAt);
                if (PathExists(later))
                    return later;
            }
            return path;
        }
        const TEntry *match = exact ? exact : kind ? kind : any;
        resolved += match->Name;
        if (goesOn)
            resolved += '/';
    }
    return resolved;
}

void TFolderListings::Clear() {
    listings.clear();
    bases.clear();
}
} // namespace fs
