#include "platform/fs.h"
#include "platform/ascii.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace fs {
namespace {
bool StatPath(const std::string &path, struct stat &st) {
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

struct TListing {
    int64_t mtimeSec = 0;
    int64_t mtimeNsec = 0;
    // Entry names by their upper-cased form, each list in the order the folder gave them.
    std::unordered_map<std::string, std::vector<std::string>> byFolded;
};

// Per-folder listing cache for case-insensitive lookups.
std::map<std::string, TListing> &ListingCache() {
    static std::map<std::string, TListing> cache;
    return cache;
}

const TListing *Listing(const std::string &folder) {
    struct stat st {};
    if (!StatPath(folder.empty() ? std::string(".") : folder, st) || !S_ISDIR(st.st_mode))
        return nullptr;
    auto &cache = ListingCache();
    auto it = cache.find(folder);
    if (it != cache.end() && it->second.mtimeSec == st.st_mtim.tv_sec &&
        it->second.mtimeNsec == st.st_mtim.tv_nsec)
        return &it->second;
    TListing listing;
    listing.mtimeSec = st.st_mtim.tv_sec;
    listing.mtimeNsec = st.st_mtim.tv_nsec;
    if (DIR *d = ::opendir(folder.empty() ? "." : folder.c_str())) {
        while (dirent *e = ::readdir(d)) {
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                listing.byFolded[ToUpperAscii(e->d_name)].emplace_back(e->d_name);
        }
        ::closedir(d);
    }
    if (cache.size() > 4096)
        cache.clear();
    return &(cache[folder] = std::move(listing));
}
} // namespace

bool FileExists(const std::string &path) {
    struct stat st {};
    return StatPath(path, st) && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string &path) {
    struct stat st {};
    return StatPath(path, st) && S_ISDIR(st.st_mode);
}

bool PathExists(const std::string &path) {
    struct stat st {};
    return StatPath(path, st);
}

namespace {
// The name in folder (ending with "/") that equals part without regard to ASCII case: among
// names that differ only in case, a folder where the path goes on and a file where it ends.
// Empty when there is none.
std::string MatchInFolder(const std::string &folder, const std::string &part, bool goesOn) {
    const TListing *listing = Listing(folder);
    if (!listing)
        return {};
    auto hit = listing->byFolded.find(ToUpperAscii(part));
    if (hit == listing->byFolded.end())
        return {};
    for (const std::string &name : hit->second)
        if (FolderExists(folder + name) == goesOn)
            return name;
    return hit->second.front();
}
} // namespace

std::string ResolveCase(const std::string &path) {
    if (path.empty() || PathExists(path))
        return path;
    // Most misses are a cached file named in another case inside a folder that exists: look
    // the last name up there without walking the whole path.
    size_t last = path.find_last_of('/');
    if (last != std::string::npos && last > 0 && last + 1 < path.size()) {
        std::string folder = path.substr(0, last + 1);
        if (FolderExists(folder)) {
            std::string name = MatchInFolder(folder, path.substr(last + 1), false);
            return name.empty() ? path : folder + name;
        }
    }
    // Walk the components: keep the longest existing prefix, then match the rest by folding.
    std::string resolved;
    size_t pos = 0;
    if (path[0] == '/') {
        resolved = "/";
        pos = 1;
    }
    while (pos < path.size()) {
        size_t slash = path.find('/', pos);
        std::string part =
            path.substr(pos, slash == std::string::npos ? std::string::npos : slash - pos);
        pos = slash == std::string::npos ? path.size() : slash + 1;
        if (part.empty())
            continue;
        const bool goesOn = slash != std::string::npos;
        std::string candidate = resolved + part;
        if (goesOn ? !FolderExists(candidate) : !PathExists(candidate)) {
            std::string name = MatchInFolder(resolved, part, goesOn);
            if (name.empty())
                return path;
            candidate = resolved + name;
        }
        resolved = candidate;
        if (goesOn)
            resolved += '/';
    }
    return resolved;
}

std::string FindStoreFile(const std::string &folder, const std::string &name) {
    std::string path = ResolveCase(folder + name);
    return FileExists(path) ? path : std::string();
}

bool ReadWholeFile(const std::string &path, std::string &out) {
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    if (st.st_size > 0)
        out.reserve(static_cast<size_t>(st.st_size));
    char buffer[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            out.clear();
            return false;
        }
        if (n == 0)
            break;
        out.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

bool WriteFileAtomic(const std::string &path, const std::string &data, std::string *error) {
    auto fail = [&](const std::string &tmp) {
        if (error)
            *error = std::strerror(errno);
        if (!tmp.empty())
            ::unlink(tmp.c_str());
        return false;
    };
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string tmp = folder + "." + base + ".XXXXXX";
    std::vector<char> templ(tmp.begin(), tmp.end());
    templ.push_back('\0');
    int fd = ::mkstemp(templ.data());
    if (fd < 0)
        return fail({});
    tmp.assign(templ.data());
    // Keep the permissions of the file being replaced, or the usual ones for a new file.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        ::fchmod(fd, st.st_mode & 07777);
    else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int saved = errno;
            ::close(fd);
            errno = saved;
            return fail(tmp);
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0) {
        int saved = errno;
        ::close(fd);
        errno = saved;
        return fail(tmp);
    }
    if (::close(fd) != 0)
        return fail(tmp);
    if (::rename(tmp.c_str(), path.c_str()) != 0)
        return fail(tmp);
    int dfd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

bool CreateFolder(const std::string &path) {
    std::string p = WithoutTrailingSlash(path);
    return !p.empty() && ::mkdir(p.c_str(), 0777) == 0;
}

bool RenamePath(const std::string &from, const std::string &to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string &path) {
    return ::unlink(path.c_str()) == 0;
}

bool LastWriteTime(const std::string &path, int64_t &seconds) {
    struct stat st {};
    if (!StatPath(path, st))
        return false;
    seconds = st.st_mtim.tv_sec;
    return true;
}

std::vector<TFolderEntry> ListFolder(const std::string &folder) {
    std::vector<TFolderEntry> entries;
    std::string base = WithTrailingSlash(folder);
    DIR *d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!d)
        return entries;
    while (dirent *e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        TFolderEntry entry;
        entry.Name = e->d_name;
        struct stat st {};
        entry.IsLink = ::lstat((base + entry.Name).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
        // A symbolic link is taken for what it points to; a dangling one as a file.
        if (::stat((base + entry.Name).c_str(), &st) == 0 ||
            ::lstat((base + entry.Name).c_str(), &st) == 0) {
            entry.IsFolder = S_ISDIR(st.st_mode);
            entry.Size = st.st_size;
            entry.Modified = st.st_mtim.tv_sec;
            entry.Device = st.st_dev;
            entry.Inode = st.st_ino;
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(d);
    return entries;
}

bool IsInsideFolder(const std::string &folder, const std::string &path) {
    std::string base = WithTrailingSlash(folder);
    if (base.empty() || path.size() < base.size() || path.compare(0, base.size(), base) != 0)
        return false;
    size_t pos = base.size();
    while (pos <= path.size()) {
        size_t slash = path.find('/', pos);
        size_t end = slash == std::string::npos ? path.size() : slash;
        std::string_view part(path.data() + pos, end - pos);
        if (part == "." || part == "..")
            return false;
        if (slash == std::string::npos)
            break;
        pos = slash + 1;
    }
    return true;
}

std::string WithTrailingSlash(const std::string &path) {
    if (path.empty() || path.back() == '/')
        return path;
    return path + '/';
}

std::string WithoutTrailingSlash(const std::string &path) {
    if (path.size() > 1 && path.back() == '/')
        return path.substr(0, path.size() - 1);
    return path;
}
} // namespace fs
