#pragma once
// What every store reader shares: filing an entry, reading the index file, the read error,
// Windows file times and stored HTTP headers.
#include <cstdint>
#include <string>
#include <string_view>

#include "items/cab.h"
#include "items/file.h"

// Files one store entry below parent as a chain of folders ending in a file; sets
// data.RootPage. Returns the file item (the existing one when the address was filed before).
TFile *AddURL(TTree &parent, const std::string &url, TFileData &data);

// The error box for an index file that cannot be read.
void ShowCacheReadError(const std::string &path);

// Reads the whole index file at path into image. When it cannot be read: the read error is
// shown, the cabinet is marked as not read completely, the progress is reset, and false.
bool ReadIndexFile(TCabinet &cabinet, const std::string &path, std::string &image);

// A 64-bit Windows file time to a local date-time in 2-second steps; 0 when it has no DOS
// form (0, before 1980, after 2107).
double FileTimeToDateTime(uint64_t fileTime);

// The content type named in a block of stored HTTP response headers (up to its first NUL):
// lower case, parameters kept; empty when there is none.
std::string GetContentType(std::string_view headers);
