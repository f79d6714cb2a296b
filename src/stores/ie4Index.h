#pragma once
// The MS-IE 4.x cache index (index.dat): a header with the list of cache subfolders, a chain
// of hash tables whose entries point to records, and one "URL" record per cached address.
// All numbers are little-endian; offsets count from the file start, or, inside a record,
// from the record's first byte.
#include <string>
#include <string_view>

#include "items/cab.h"

inline constexpr std::string_view IE4IndexSignature = "Client UrlCache MMF Ver 4.7";

// Reads the cache index of the folder at path ("index.dat", found without regard to letter
// case; path may also name the index file itself) into the cabinet's subtree, filing every
// address record that has a cached file with AddURL. The record's CacheFile is the
// subfolder's name, "\" and the record's file name.
// Reading follows the chain of hash tables from the header (a table that does not begin with
// "HASH", or a next offset of 0, ends it) and each table's entries up to the first whose
// record offset is 0, also past the table's end; entries with record offset 3 are free. Records
// that do not begin with "URL" and records of subfolder 255 are skipped. A missing or empty file,
// an offset, text or table entry that reaches past the end of the file, a subfolder number beyond
// the subfolder list, a chain that comes back to a table already visited, tables that together walk
// more than four times the entries the file can hold (tables sharing their entries), and record
// texts that together are more than 16 times the size of the file (records sharing their texts) end
// the reading with the cache read error box; the entries filed before stay. A fault in the chain
// itself is found before any entry is filed. A file that does not begin with the signature files
// nothing and shows nothing. Progress: StartProgress(0, used hash entries), a step of 1 per filed
// record, ResetProgress once at the end in every case. Sets cabinet.IndexComplete: true when the
// whole index was read, false otherwise.
void ReadIE4Index(TCabinet &cabinet, const std::string &path);

// As ReadIE4Index, over an image already in memory; path only names the file in the error
// box. Returns cabinet.IndexComplete.
bool ReadIE4IndexImage(TCabinet &cabinet, std::string_view image, const std::string &path);
