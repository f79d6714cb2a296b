#pragma once
// POSIX file-system pieces the core needs. Paths are byte strings with "/" separators;
// a folder path ends with "/".
#include <cstdint>
#include <string>
#include <vector>

namespace fs {
bool FileExists(const std::string &path);   // a regular file (a folder does not count)
bool FolderExists(const std::string &path); // a trailing "/" is allowed
bool PathExists(const std::string &path);

// Stores copied from Windows carry names in any letter case. Resolves path by taking every
// component as it stands when it exists, and otherwise the entry of its folder whose name
// matches without regard to ASCII case (folder listings are cached per folder and re-read
// when the folder changes). Returns the resolved path, or path unchanged when some
// component has no match.
std::string ResolveCase(const std::string &path);
// folder + name, resolved as above; empty when no regular file matches.
std::string FindStoreFile(const std::string &folder, const std::string &name);

// Reads a whole file into memory. False (and out empty) when it cannot be opened or read.
bool ReadWholeFile(const std::string &path, std::string &out);

// Writes data to a temporary file in the folder of path (a TAtomicFile), flushes it to disk
// and renames it over path. On failure nothing at path changes, no temporary file is left,
// and error holds the system's reason. Stale temporaries of path left by a writer that died
// are removed first.
bool WriteFileAtomic(const std::string &path, const std::string &data,
                     std::string *error = nullptr);

// A file that appears at its path only when it is complete, replacing what was there.
// Where the file system allows it (Linux O_TMPFILE) the data goes to an unnamed file in the
// target's folder, so a crash while writing leaves nothing behind; Commit gives it the
// target's name. Elsewhere it is a hidden temporary ".NAME.XXXXXX" beside the target, locked
// while its writer lives: opening one removes the unlocked (stale) temporaries of the same
// target first. Commit may also leave such a name for an instant while it renames.
class TAtomicFile {
public:
    TAtomicFile() = default;
    ~TAtomicFile(); // an uncommitted file is discarded
    TAtomicFile(const TAtomicFile &) = delete;
    TAtomicFile &operator=(const TAtomicFile &) = delete;

    // Starts the file for path. sweep: remove stale temporaries of path even when the unnamed
    // way is taken (a writer of one index or settings file; copies into large folders skip
    // the folder listing). False with errno set when it cannot be created.
    bool Open(const std::string &path, bool sweep = true);
    bool IsOpen() const { return fd >= 0; }
    // Unbuffered; false with errno set when a write fails.
    bool Write(const char *data, size_t size);
    // Cuts the file to length and writes on from there.
    bool Truncate(uint64_t length);
    // Flushes to disk when sync is set, takes the permissions of the file it replaces (the
    // usual ones for a new file) and puts the file at its path. False with errno set, the
    // target unchanged and the temporary discarded on any failure.
    bool Commit(bool sync = true);
    // The first half of Commit, for a caller with work to do just before the swap: flushes
    // and names the complete file as (in the target's folder; a file there is replaced).
    // Commit then renames it over the target; discarding removes it.
    bool Stage(const std::string &as, bool sync = true);
    // Discards the file.
    void Discard();

private:
    std::string path;
    std::string named; // the temporary's name when it has one
    int fd = -1;
    bool staged = false;
    bool synced = false;
};

// Removes the temporaries ".NAME.XXXXXX" of path that no live writer holds.
void RemoveStaleTemporaries(const std::string &path);

bool CreateFolder(const std::string &path); // one level; false when it fails or exists
bool RenamePath(const std::string &from, const std::string &to);
// As RenamePath, but false (and nothing moved) when something exists at to already.
bool RenamePathNoReplace(const std::string &from, const std::string &to);
bool RemoveFile(const std::string &path);

// Last-write time of a file or folder in Unix seconds; false when it cannot be read.
bool LastWriteTime(const std::string &path, int64_t &seconds);

struct TFolderEntry {
    std::string Name;
    bool IsFolder = false;
    bool IsLink = false; // a symbolic link (IsFolder and the rest describe what it points to)
    int64_t Size = 0;
    int64_t Modified = 0; // Unix seconds
    uint64_t Device = 0;  // with Inode: the identity of what the entry names
    uint64_t Inode = 0;
};
// Every entry of a folder except "." and "..", hidden ones included, in the order the file
// system returns them. Empty when the folder cannot be read.
std::vector<TFolderEntry> ListFolder(const std::string &folder);

// Lexical check: path lies inside folder (both absolute or both relative, no "." or ".."
// segment in path below folder).
bool IsInsideFolder(const std::string &folder, const std::string &path);

std::string WithTrailingSlash(const std::string &path);
std::string WithoutTrailingSlash(const std::string &path);
} // namespace fs
