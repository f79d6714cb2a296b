#pragma once
// One folder's entries as read at one moment, looked up by name without regard to ASCII case,
// and the process's cache of such listings that letter-case resolution shares.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace fs {
// The entries of one folder as read at one moment, in the order the folder gave them, found
// by name without regard to ASCII case through an open-addressing table. The names share one
// block, as a folder can hold 200 000 files.
class TFolderListing {
public:
    // nullptr when the folder (ending with "/", empty for the working folder) cannot be listed.
    static std::unique_ptr<TFolderListing> Read(const std::string &folder);

    // The name folder (the one listed) holds for part, empty when none matches: the exact
    // name (where the path goes on, only as a folder), then the first listed of the names
    // that match without regard to ASCII case and are a folder where the path goes on and
    // not one where it ends, then the first listed.
    std::string_view Match(const std::string &folder, std::string_view part, bool goesOn) const;
    size_t Count() const { return count; }
    // Fetches into the processor's cache where name would be found: first the table (table
    // true), then, once that is there, the name it leads to.
    void Prefetch(std::string_view name, bool table) const;

private:
    enum TEntryType : uint8_t { EntryFree, EntryUnknown, EntryFolder, EntryOther };
    // An entry lies in the table itself, so that a look-up touches the table once and then
    // the name; entries listed earlier have their name earlier in names.
    struct TEntry {
        uint64_t Hash; // of the name without regard to ASCII case
        uint32_t At;   // of the name in names
        uint16_t Size;
        mutable TEntryType Type; // learnt with a stat when the folder did not say
    };
    std::string_view Name(const TEntry &entry) const {
        return {names.data() + entry.At, entry.Size};
    }
    bool IsFolder(const std::string &folder, const TEntry &entry) const;

    // The first slot to look at: the hash's top bits, as FNV's low bits mix poorly.
    size_t Home(uint64_t hash) const { return static_cast<size_t>(hash >> (64 - shift)); }

    std::string names;
    std::vector<TEntry> table; // open addressing, at most half full
    unsigned shift = 0;        // table.size() is 2 to the power shift
    size_t count = 0;
};

// The listing of folder as it stands: kept for the life of the process while the folder's
// modification time stays as it was when listed, and read again when it changed. A folder
// changed shortly before it was listed is read again at every call, since a change within the
// file system's clock step would not show in its time.
std::shared_ptr<const TFolderListing> CurrentListing(const std::string &folder);
} // namespace fs
