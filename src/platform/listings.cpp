#include "platform/listings.h"

#include <algorithm>

#include "platform/fs.h"

namespace fs {
namespace {
// The key of a path's folder part among the leaves, "\\" taken as "/".
uint64_t FolderKey(std::string_view folder) {
    uint64_t hash = 14695981039346656037ull;
    for (char c : folder)
        hash = (hash ^ static_cast<uint8_t>(c == '\\' ? '/' : c)) * 1099511628211ull;
    return hash;
}
constexpr size_t LeafCount = 64;
} // namespace

const TFolderListing *TFolderListings::Listing(const std::string &folder, size_t depth) {
    if (depth < recent.size() && recent[depth].Listing && recent[depth].Folder == folder)
        return recent[depth].Listing;
    auto [it, added] = listings.try_emplace(folder);
    if (added)
        it->second = CurrentListing(folder);
    const TFolderListing *listing = it->second.get();
    if (listing && depth < 16) {
        if (recent.size() <= depth)
            recent.resize(depth + 1);
        recent[depth] = {folder, listing};
    }
    return listing;
}

std::string TFolderListings::Resolve(const std::string &folder, std::string_view relative) {
    std::string path;
    AppendResolved(path, folder, relative);
    return path;
}

void TFolderListings::AppendResolved(std::string &out, const std::string &folder,
                                     std::string_view relative) {
    if (!lastBase || folder != lastFolder) {
        auto base = bases.find(folder);
        if (base == bases.end())
            base = bases.emplace(folder, FolderExists(folder) ? folder : ResolveCase(folder)).first;
        lastFolder = folder;
        lastBase = &base->second;
    }
    // Whether the path as given begins with the first n bytes of resolved.
    auto givenBegins = [&](size_t n) {
        const size_t inFolder = std::min(n, folder.size());
        return folder.compare(0, inFolder, resolved, 0, inFolder) == 0 &&
               relative.size() >= n - inFolder &&
               relative.compare(0, n - inFolder,
                                std::string_view(resolved).substr(inFolder, n - inFolder)) == 0;
    };
    resolved = *lastBase;
    size_t pos = 0, depth = 0;
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
        const TFolderListing *listing = Listing(resolved, depth++);
        if (!goesOn && listing) {
            if (leaves.empty())
                leaves.resize(LeafCount);
            const uint64_t key = FolderKey(relative.substr(0, partAt));
            leaves[key % LeafCount] = {key, listing};
        }
        const std::string_view match = listing ? listing->Match(resolved, part, goesOn) : "";
        if (match.empty()) {
            // Not listed: perhaps made since under its exact name, below folders whose case
            // differed (where the path as given is all there is to try).
            if (listing && !givenBegins(resolved.size())) {
                const size_t at = resolved.size();
                resolved += relative.substr(partAt);
                if (PathExists(resolved)) {
                    out += resolved;
                    return;
                }
                resolved.resize(at);
            }
            out += folder;
            out += relative;
            return;
        }
        resolved += match;
        if (goesOn)
            resolved += '/';
    }
    out += resolved;
}

void TFolderListings::Prefetch(std::string_view path, bool table) const {
    const size_t slash = path.find_last_of("/\\");
    const size_t at = slash == std::string_view::npos ? 0 : slash + 1;
    if (leaves.empty() || at == path.size())
        return;
    const uint64_t key = FolderKey(path.substr(0, at));
    const TLeaf &leaf = leaves[key % LeafCount];
    if (leaf.Listing && leaf.Key == key)
        leaf.Listing->Prefetch(path.substr(at), table);
}

void TFolderListings::Clear() {
    listings.clear();
    bases.clear();
    lastFolder.clear();
    lastBase = nullptr;
    recent.clear();
    leaves.clear();
}
} // namespace fs
