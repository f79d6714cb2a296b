#pragma once
// The MS-IE 3.x cache: every subfolder of the cache folder holds the index files MM256.DAT and
// MM2048.DAT beside the cached files. Each index file holds a tree of entry records, each with
// up to two subtrees.
#include <cstdint>
#include <string>
#include <string_view>

#include "items/cab.h"

// The leading bytes of an index file, compared with case.
inline constexpr std::string_view IE3Signature = "Client UrlCache MMF Ver 3.2";
// The index files of one subfolder, in the order they are read.
inline constexpr const char *IE3IndexNames[] = {"MM256.DAT", "MM2048.DAT"};

// Files every entry of the cache whose folder is path (ending with "/") into the cabinet.
// Every subfolder is visited, in byte order of the names, and both index files of each are
// read on their own (names matched without regard to ASCII case). A first pass adds up the
// record counts for the progress range, a second files the records; a file that is missing,
// empty or unreadable is reported in each pass, a file with a broken tree once, and the
// other files are still read. A file with another signature is skipped quietly. Any of
// these clears cabinet.IndexComplete. Progress ends with ResetProgress in every case.
void ReadIE3Cache(TCabinet &cabinet, const std::string &path);

// Walks the record tree of one index image from reference (0 = empty tree; r designates the
// record at byte r - 4), filing each record before its first and then its second subtree.
// CacheFile is prefix + the record's file name. Steps the progress once per record filed.
// Returns false (keeping what was filed) when the tree leads outside the image or loops back
// to a record on the way from the root, or its texts would be read beyond a bound linear in
// the image. A record reached a second time by another way is not walked again.
// Needs no stack space per level.
bool ReadIE3Tree(TCabinet &cabinet, std::string_view image, uint32_t reference,
                 const std::string &prefix);

// The record count an index image names for the progress range; 0 unless its signature
// matches and the count can be read.
int64_t IE3RecordCount(std::string_view image);

enum class TIE3Read {
    Filed,     // the signature matched and the whole tree was filed
    Skipped,   // another signature: nothing filed, nothing shown
    ReadError, // empty image or broken tree: the read error was shown for path
};
// Reads one index image whose file is path, filing its records with the given prefix.
TIE3Read ReadIE3Index(TCabinet &cabinet, std::string_view image, const std::string &prefix,
                      const std::string &path);
