#pragma once
// Letter-case resolution of many paths below one folder, as the local paths of a cabinet's
// cached files need it, without touching the disk once per path.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace fs {
// Answers as ResolveCase does, from listings of the folders on the way: every folder is
// listed at most once in the cache's life, and a name, in its exact case or in another, is
// then found (or not) without touching the disk again. Whoever owns the cache drops it when
// what it read may be stale (a cabinet at every load and refresh). A name not listed stays as
// it was given, so a file that appears later under its exact name is still named right.
class TFolderListings {
public:
    // folder (ending with "/") + relative, each component of relative taken as it stands
    // when the folder lists it and otherwise the entry of the folder whose name matches
    // without regard to ASCII case (among such names the first listed, a folder where the
    // path goes on and a file where it ends). folder itself is resolved as ResolveCase does
    // when it does not exist as given. The path unchanged when some component has no match.
    std::string Resolve(const std::string &folder, std::string_view relative);
    // Forgets every listing.
    void Clear();
    // Folders listed since the last Clear (tests).
    size_t ListedCount() const { return listings.size(); }

private:
    enum TEntryType : uint8_t { EntryUnknown, EntryFolder, EntryOther };
    struct TEntry {
        std::string Name;
        uint64_t Hash = 0; // of the name without regard to ASCII case
        mutable TEntryType Type = EntryUnknown;
    };
    // The entries in the order the folder gave them, found through an open-addressing table
    // (index + 1 per slot, 0 for free): one block each, as a folder can hold 100 000 files.
    struct TListing {
        std::vector<TEntry> Entries;
        std::vector<uint32_t> Slots;
    };

    // nullptr when the folder cannot be listed.
    const TListing *Listing(const std::string &folder);
    bool IsFolder(const std::string &folder, const TEntry &entry) const;

    std::unordered_map<std::string, std::unique_ptr<TListing>> listings;
    std::unordered_map<std::string, std::string> bases; // folder as given → as on disk
};
} // namespace fs
