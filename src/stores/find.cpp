#include "stores/find.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <iterator>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>
#include <utility>
#include <vector>

#include "items/file.h"
#include "items/tree.h"
#include "platform/ascii.h"
#include "platform/fs.h"
#include "stores/cache.h"
#include "stores/fatIndex.h"
#include "stores/ie2Index.h"
#include "stores/ie3Cache.h"
#include "stores/ie4Index.h"

namespace {
// The hash-file magic of fat.db, big-endian as the reader expects it.
constexpr std::string_view FatDbMagic("\x00\x06\x15\x61", 4);
constexpr std::string_view IE5IndexSignature = "Client UrlCache MMF Ver 5.2";
// Enough leading bytes for the longest signature.
constexpr size_t HeadSize = 64;
constexpr size_t MarkerCount = std::size(StoreMarkers);

struct TIdentity {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    bool operator==(const TIdentity &) const = default;
};
struct TIdentityHash {
    size_t operator()(const TIdentity &id) const {
        return std::hash<uint64_t>()(id.Inode * 0x9E3779B97F4A7C15ull ^ id.Device);
    }
};

enum class TEntryType { Other, File, Folder, LinkedFolder };

// What the walk needs of one folder listing.
struct TListing {
    std::vector<std::string> Folders;       // real subfolders
    std::vector<std::string> LinkedFolders; // symbolic links to folders
    std::string Markers[MarkerCount];       // the name each marker file has here ("" = none)
    bool Exact[MarkerCount] = {};
};

std::string ErrorText(int error) {
    return std::strerror(error);
}

// The type of a folder entry; a stat only when the listing does not tell it or for a link.
TEntryType EntryType(const std::string &folder, const dirent &entry) {
    const unsigned char type = entry.d_type;
    if (type == DT_DIR)
        return TEntryType::Folder;
    if (type == DT_REG)
        return TEntryType::File;
    if (type != DT_LNK && type != DT_UNKNOWN)
        return TEntryType::Other;
    const std::string path = folder + entry.d_name;
    struct stat st;
    if (type == DT_UNKNOWN) {
        if (::lstat(path.c_str(), &st) != 0)
            return TEntryType::Other;
        if (!S_ISLNK(st.st_mode))
            return S_ISDIR(st.st_mode)   ? TEntryType::Folder
                   : S_ISREG(st.st_mode) ? TEntryType::File
                                         : TEntryType::Other;
    }
    if (::stat(path.c_str(), &st) != 0) // a dangling link
        return TEntryType::Other;
    return S_ISDIR(st.st_mode)   ? TEntryType::LinkedFolder
           : S_ISREG(st.st_mode) ? TEntryType::File
                                 : TEntryType::Other;
}

// Up to size leading bytes of the file at path; false (error set) when it cannot be read.
bool ReadHead(const std::string &path, size_t size, std::string &head, int &error) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error = errno;
        return false;
    }
    head.resize(size);
    size_t got = 0;
    while (got < size) {
        ssize_t n = ::read(fd, head.data() + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    head.resize(got);
    return true;
}

// The kind a marker file names when its leading bytes are what its reader expects; 0
// otherwise.
uint8_t KindOfIndex(uint8_t markerKind, std::string_view head) {
    constexpr uint8_t none = KindUnknown;
    switch (markerKind) {
    case KindNetscape1:
    case KindMirrorLog:
    case KindTapline:
        return head.starts_with(FatIndexSignature) ? markerKind : none;
    case KindNetscape2:
        return head.starts_with(FatDbMagic) ? markerKind : none;
    case KindMsie2:
        return head.starts_with(IE2IndexSignature) ? markerKind : none;
    case KindMsie4:
        if (head.starts_with(IE4IndexSignature))
            return KindMsie4;
        return head.starts_with(IE5IndexSignature) ? static_cast<uint8_t>(KindMsie5) : none;
    default:
        return KindUnknown;
    }
}

// A folder reached through the link at path is one of the link's own ancestors (or the
// folder holding it).
bool IsLinkLoop(const std::string &path) {
    std::string link = fs::WithoutTrailingSlash(path);
    size_t slash = link.rfind('/');
    std::string parent = slash == std::string::npos ? "." : link.substr(0, slash + 1);
    char *target = ::realpath(link.c_str(), nullptr);
    char *holder = ::realpath(parent.c_str(), nullptr);
    bool loop = false;
    if (target && holder) {
        std::string_view t(target), h(holder);
        loop =
            h == t || t == "/" || (h.starts_with(t) && h.size() > t.size() && h[t.size()] == '/');
    }
    std::free(target);
    std::free(holder);
    return loop;
}

class TWalker {
public:
    explicit TWalker(TFindListener &listener) : listener(listener) {}

    bool Walk(const std::string &root) {
        std::vector<TPending> stack{{fs::WithTrailingSlash(root), 0, false}};
        std::vector<TPending> links;
        while (!stack.empty() || !links.empty()) {
            if (stack.empty()) {
                // The links met so far, in the order met, once the real folders are done.
                std::reverse(links.begin(), links.end());
                stack.swap(links);
            }
            TPending pending = std::move(stack.back());
            stack.pop_back();
            TListing listing;
            bool listed = false;
            if (!List(pending, listing, listed))
                return false;
            if (!listed)
                continue;
            Recognise(pending.Folder, listing);
            if (listing.Folders.empty() && listing.LinkedFolders.empty())
                continue;
            if (pending.Depth >= MaxFindDepth) {
                listener.Warning("folders more than " + std::to_string(MaxFindDepth) +
                                 " levels deep are not searched: " + pending.Folder);
                continue;
            }
            for (auto name = listing.Folders.rbegin(); name != listing.Folders.rend(); ++name)
                stack.push_back({pending.Folder + *name + "/", pending.Depth + 1, false});
            for (const std::string &name : listing.LinkedFolders)
                links.push_back({pending.Folder + name + "/", pending.Depth + 1, true});
        }
        return true;
    }

    // The stores found, sorted by folder (in marker order within one folder).
    std::vector<TFoundStore> TakeFound() {
        std::stable_sort(
            found.begin(), found.end(),
            [](const TFoundStore &a, const TFoundStore &b) { return a.Folder < b.Folder; });
        return std::move(found);
    }

private:
    struct TPending {
        std::string Folder; // ends with "/"
        size_t Depth = 0;
        bool Linked = false; // reached through a symbolic link
    };

    // Lists one folder unless it was listed before; false when the listener cancelled.
    bool List(const TPending &pending, TListing &listing, bool &listed) {
        DIR *dir = ::opendir(pending.Folder.c_str());
        if (!dir) {
            const std::string reason = ErrorText(errno);
            listener.Warning("cannot read folder " + pending.Folder + ": " + reason);
            return true;
        }
        struct stat st;
        if (::fstat(::dirfd(dir), &st) != 0) {
            const std::string reason = ErrorText(errno);
            listener.Warning("cannot read folder " + pending.Folder + ": " + reason);
            ::closedir(dir);
            return true;
        }
        if (!visited.insert({static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)})
                 .second) {
            ::closedir(dir);
            if (pending.Linked && IsLinkLoop(pending.Folder))
                listener.Warning("symbolic link loop, not followed: " +
                                 fs::WithoutTrailingSlash(pending.Folder));
            return true;
        }
        if (!listener.Visiting(pending.Folder)) {
            ::closedir(dir);
            return false;
        }
        errno = 0;
        while (const dirent *entry = ::readdir(dir)) {
            const char *name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            switch (EntryType(pending.Folder, *entry)) {
            case TEntryType::Folder:
                listing.Folders.emplace_back(name);
                break;
            case TEntryType::LinkedFolder:
                listing.LinkedFolders.emplace_back(name);
                break;
            case TEntryType::File:
                NoteMarker(name, listing);
                break;
            case TEntryType::Other:
                break;
            }
            errno = 0;
        }
        if (const int error = errno; error != 0)
            listener.Warning("cannot read folder " + pending.Folder +
                             " completely: " + ErrorText(error));
        ::closedir(dir);
        std::sort(listing.Folders.begin(), listing.Folders.end());
        std::sort(listing.LinkedFolders.begin(), listing.LinkedFolders.end());
        listed = true;
        return true;
    }

    // The exact marker name wins; among other spellings the first in byte order, so the
    // choice does not depend on the listing order.
    static void NoteMarker(std::string_view name, TListing &listing) {
        for (size_t i = 0; i < MarkerCount; ++i) {
            if (!SameAscii(name, StoreMarkers[i].FileName))
                continue;
            const bool exact = name == StoreMarkers[i].FileName;
            if (exact ||
                (!listing.Exact[i] && (listing.Markers[i].empty() || name < listing.Markers[i]))) {
                listing.Markers[i] = name;
                listing.Exact[i] = exact;
            }
            return;
        }
    }

    void Recognise(const std::string &folder, const TListing &listing) {
        for (size_t i = 0; i < MarkerCount; ++i) {
            if (listing.Markers[i].empty())
                continue;
            const std::string path = folder + listing.Markers[i];
            uint8_t kind = StoreMarkers[i].Kind;
            if (kind == KindMsie3) {
                if (HasIE3Index(folder, listing))
                    found.push_back({folder, path, kind});
                continue;
            }
            std::string head;
            int error = 0;
            if (!ReadHead(path, HeadSize, head, error)) {
                listener.Warning("cannot read " + path + ": " + ErrorText(error));
                continue;
            }
            kind = KindOfIndex(kind, head);
            if (kind == KindUnknown)
                listener.Warning("not a cache index, skipped: " + path);
            else
                found.push_back({folder, path, kind});
        }
    }

    // Some subfolder holds an MS-IE 3.x index file with its signature.
    static bool HasIE3Index(const std::string &folder, const TListing &listing) {
        std::vector<std::string> subfolders = listing.Folders;
        subfolders.insert(subfolders.end(), listing.LinkedFolders.begin(),
                          listing.LinkedFolders.end());
        std::sort(subfolders.begin(), subfolders.end());
        for (const std::string &name : subfolders) {
            const std::string sub = folder + name + "/";
            DIR *dir = ::opendir(sub.c_str());
            if (!dir)
                continue;
            bool match = false;
            while (const dirent *entry = ::readdir(dir)) {
                std::string_view entryName = entry->d_name;
                if (!SameAscii(entryName, IE3IndexNames[0]) &&
                    !SameAscii(entryName, IE3IndexNames[1]))
                    continue;
                std::string head;
                int error = 0;
                if (EntryType(sub, *entry) == TEntryType::File &&
                    ReadHead(sub + entry->d_name, IE3Signature.size(), head, error) &&
                    head == IE3Signature) {
                    match = true;
                    break;
                }
            }
            ::closedir(dir);
            if (match)
                return true;
        }
        return false;
    }

    TFindListener &listener;
    std::unordered_set<TIdentity, TIdentityHash> visited;
    std::vector<TFoundStore> found;
};
} // namespace

bool FindStores(const std::string &root, TFindListener &listener) {
    TWalker walker(listener);
    const bool completed = walker.Walk(root);
    for (const TFoundStore &store : walker.TakeFound())
        listener.Found(store);
    return completed;
}

TStoreSummary SummariseStore(const TFoundStore &store) {
    TStoreSummary summary;
    TCabinetRoot root;
    std::string folder = fs::WithoutTrailingSlash(store.Folder);
    size_t slash = folder.rfind('/');
    std::string name = slash == std::string::npos ? folder : folder.substr(slash + 1);
    if (name.empty())
        name = store.Folder;
    TCabinet *cabinet = root.AddCabinet(store.Kind, store.Folder, name);
    cabinet->MakeTemporary();
    LoadCabinet(*cabinet);
    summary.ReadError = !cabinet->IndexComplete;
    ForEachDescendant(*cabinet, [&summary](const TTree &item) {
        if (!item.IsFile())
            return;
        ++summary.Entries;
        const double accessed = static_cast<const TFile &>(item).Accessed;
        if (accessed == 0)
            return;
        if (summary.EarliestAccess == 0 || accessed < summary.EarliestAccess)
            summary.EarliestAccess = accessed;
        if (accessed > summary.LatestAccess)
            summary.LatestAccess = accessed;
    });
    return summary;
}
