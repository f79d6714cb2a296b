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

// Writes data to a temporary file in the folder of path, flushes it to disk and renames it
// over path. On failure nothing at path changes, the temporary file is removed, and error
// holds the system's reason.
bool WriteFileAtomic(const std::string &path, const std::string &data,
                     std::string *error = nullptr);

bool CreateFolder(const std::string &path); // one level; false when it fails or exists
bool RenamePath(const std::string &from, const std::string &to);
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
