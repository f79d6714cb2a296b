#pragma once
// Letter-case resolution of many paths below one folder, as the local paths of a cabinet's
// cached files need it, without touching the disk once per path.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/folderListing.h"

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
    // Resolve's answer appended to out.
    void AppendResolved(std::string &out, const std::string &folder, std::string_view relative);
    // A hint for a caller that goes through many paths in a row: fetches into the processor's
    // cache where the last name of path would be found in the listing that held the last
    // path resolved through the same folders (path's components split at "/" or "\\"): the
    // table when table is true, a few paths ahead, then the name it leads to.
    void Prefetch(std::string_view path, bool table) const;
    // Forgets every listing.
    void Clear();
    // Folders listed since the last Clear (tests).
    size_t ListedCount() const { return listings.size(); }

private:
    struct TRecent {
        std::string Folder;
        const TFolderListing *Listing = nullptr;
    };
    // nullptr when the folder cannot be listed. depth is the component's place in the path.
    const TFolderListing *Listing(const std::string &folder, size_t depth);

    std::unordered_map<std::string, std::shared_ptr<const TFolderListing>> listings;
    std::unordered_map<std::string, std::string> bases; // folder as given → as on disk
    // Paths in a row mostly lie in the same folders: the last base and the last listing at
    // each depth are found without hashing the folder's path.
    std::string lastFolder;
    const std::string *lastBase = nullptr;
    std::vector<TRecent> recent;
    // The listing that held the last name of a path, by the hash of the path's folder part.
    struct TLeaf {
        uint64_t Key = 0;
        const TFolderListing *Listing = nullptr;
    };
    std::vector<TLeaf> leaves;
    std::string resolved; // the path being resolved, kept to reuse its memory
};
} // namespace fs
