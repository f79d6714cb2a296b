#include "platform/fs.h"
#include "platform/ascii.h"
#include "platform/folderListing.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs {
namespace {
bool StatPath(const std::string &path, struct stat &st) {
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
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
// Empty when there is none. The folder's listing is kept while the folder stays unchanged.
std::string MatchInFolder(const std::string &folder, const std::string &part, bool goesOn) {
    const std::shared_ptr<const TFolderListing> listing = CurrentListing(folder);
    return listing ? std::string(listing->Match(folder, part, goesOn)) : std::string();
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

namespace {
// The folder part of path (ending with "/", empty for the working folder) and its last name.
void SplitPath(const std::string &path, std::string &folder, std::string &base) {
    size_t slash = path.rfind('/');
    folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    base = slash == std::string::npos ? path : path.substr(slash + 1);
}

const char *FolderOrDot(const std::string &folder) {
    return folder.empty() ? "." : folder.c_str();
}

constexpr size_t SuffixLength = 6;

// ".NAME." for the temporaries of a target called NAME; long names are cut so that the
// temporary's name stays within the file system's limit.
std::string TemporaryPrefix(const std::string &base) {
    std::string prefix = ".";
    prefix.append(base, 0, 200);
    prefix += '.';
    return prefix;
}

std::string RandomSuffix() {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937_64 random(std::random_device{}() ^
                                  (static_cast<uint64_t>(::getpid()) << 32));
    std::string suffix;
    for (size_t i = 0; i < SuffixLength; ++i)
        suffix += letters[random() % (sizeof letters - 1)];
    return suffix;
}

bool IsTemporaryName(const std::string &name, const std::string &prefix) {
    if (name.size() != prefix.size() + SuffixLength || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
            return false;
    }
    return true;
}

// Unnamed files can be given a name only through /proc (AT_EMPTY_PATH needs a privilege).
bool CanLinkUnnamed() {
    static const bool can = ::access("/proc/self/fd", X_OK) == 0;
    return can;
}

void SyncFolder(const std::string &folder) {
    int dfd = ::open(FolderOrDot(folder), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}
} // namespace

void RemoveStaleTemporaries(const std::string &path) {
    std::string folder, base;
    SplitPath(path, folder, base);
    const std::string prefix = TemporaryPrefix(base);
    int dfd = ::open(FolderOrDot(folder), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0)
        return;
    DIR *d = ::fdopendir(::dup(dfd));
    if (!d) {
        ::close(dfd);
        return;
    }
    std::vector<std::string> candidates;
    while (dirent *e = ::readdir(d))
        if (IsTemporaryName(e->d_name, prefix))
            candidates.emplace_back(e->d_name);
    ::closedir(d);
    for (const std::string &name : candidates) {
        int fd = ::openat(dfd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        // A live writer holds its lock; the name is checked again under ours, so that only
        // the file that was locked goes.
        struct stat held {};
        struct stat named {};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 &&
            S_ISREG(held.st_mode) &&
            ::fstatat(dfd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_dev == held.st_dev && named.st_ino == held.st_ino)
            ::unlinkat(dfd, name.c_str(), 0);
        ::close(fd);
    }
    ::close(dfd);
}

TAtomicFile::~TAtomicFile() {
    Discard();
}

void TAtomicFile::Discard() {
    int saved = errno;
    if (!named.empty() && named != path)
        ::unlink(named.c_str());
    if (fd >= 0)
        ::close(fd);
    named.clear();
    fd = -1;
    staged = false;
    errno = saved;
}

bool TAtomicFile::Open(const std::string &target, bool sweep) {
    Discard();
    path = target;
    std::string folder, base;
    SplitPath(path, folder, base);
    if (base.empty()) {
        errno = EISDIR;
        return false;
    }
    if (CanLinkUnnamed()) {
        fd = ::open(FolderOrDot(folder), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        // The lock is taken before the file can ever have a name.
        if (fd >= 0 && ::flock(fd, LOCK_EX) != 0)
            Discard();
        if (fd >= 0) {
            if (sweep)
                RemoveStaleTemporaries(path);
            return true;
        }
    }
    RemoveStaleTemporaries(path);
    const std::string prefix = folder + TemporaryPrefix(base);
    for (int attempt = 0; attempt < 100; ++attempt) {
        named = prefix + RandomSuffix();
        fd = ::open(named.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            named.clear();
            if (errno == EEXIST)
                continue;
            return false;
        }
        // Another writer's sweep may have removed the name before the lock was ours.
        struct stat st {};
        if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &st) == 0 && st.st_nlink > 0)
            return true;
        ::close(fd);
        fd = -1;
        named.clear();
    }
    errno = EEXIST;
    return false;
}

bool TAtomicFile::Write(const char *data, size_t size) {
    if (fd < 0) {
        errno = EBADF;
        return false;
    }
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool TAtomicFile::Truncate(uint64_t length) {
    if (fd < 0) {
        errno = EBADF;
        return false;
    }
    return ::ftruncate(fd, static_cast<off_t>(length)) == 0 &&
           ::lseek(fd, static_cast<off_t>(length), SEEK_SET) >= 0;
}

bool TAtomicFile::Stage(const std::string &as, bool sync) {
    if (fd < 0 || staged) {
        errno = EBADF;
        return false;
    }
    auto fail = [&] {
        Discard();
        return false;
    };
    // Keep the permissions of the file being replaced, or the usual ones for a new file.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        ::fchmod(fd, st.st_mode & 07777);
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    if (sync && ::fsync(fd) != 0)
        return fail();
    if (named.empty()) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        // A new name is taken at once; a file of that name is replaced through a temporary
        // name and a rename.
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, as.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            if (errno != EEXIST)
                return fail();
            std::string folder, base;
            SplitPath(as, folder, base);
            const std::string prefix = folder + TemporaryPrefix(base);
            for (int attempt = 0; attempt < 100 && named.empty(); ++attempt) {
                std::string name = prefix + RandomSuffix();
                if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) ==
                    0)
                    named = name;
                else if (errno != EEXIST)
                    return fail();
            }
            if (named.empty()) {
                errno = EEXIST;
                return fail();
            }
            if (::rename(named.c_str(), as.c_str()) != 0)
                return fail();
        }
    } else if (named != as && ::rename(named.c_str(), as.c_str()) != 0) {
        return fail();
    }
    named = as;
    staged = true;
    synced = sync;
    return true;
}

bool TAtomicFile::Commit(bool sync) {
    if (!staged && !Stage(path, sync))
        return false;
    if (named != path && ::rename(named.c_str(), path.c_str()) != 0) {
        Discard();
        return false;
    }
    named.clear();
    ::close(fd); // the data is in place; with sync it is on disk already
    fd = -1;
    staged = false;
    if (synced) {
        std::string folder, base;
        SplitPath(path, folder, base);
        SyncFolder(folder);
    }
    return true;
}

bool WriteFileAtomic(const std::string &path, const std::string &data, std::string *error) {
    TAtomicFile file;
    if (file.Open(path) && file.Write(data.data(), data.size()) && file.Commit())
        return true;
    if (error)
        *error = std::strerror(errno);
    return false;
}

bool CreateFolder(const std::string &path) {
    std::string p = WithoutTrailingSlash(path);
    return !p.empty() && ::mkdir(p.c_str(), 0777) == 0;
}

bool RenamePath(const std::string &from, const std::string &to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool RenamePathNoReplace(const std::string &from, const std::string &to) {
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0;
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
