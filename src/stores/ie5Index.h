#pragma once
// The cache index of MS-IE 5 to 9 (index.dat, "Client UrlCache MMF Ver 5.2"): the header with
// the cache subfolders of the 4.x index, a chain of hash tables of 448 entries each, and one
// record per entry. The same file format keeps the content cache ("Content.IE5") and the
// history ("History.IE5" and its daily and weekly "MSHist…" folders). All numbers are
// little-endian; offsets count from the file start, or, inside a record, from the record's
// first byte.
#include <string>
#include <string_view>

#include "items/cab.h"

inline constexpr std::string_view IE5IndexSignature = "Client UrlCache MMF Ver 5.2";

// Reads the cache index of the folder at path ("index.dat", found without regard to letter
// case; path may also name the index file itself) into the cabinet's subtree, filing every
// "URL " record with AddURL: modified and accessed times, size, the stored HTTP headers as
// Headers and their content type.
// - A content record's CacheFile is its subfolder's name, "/" and its file name; a record of
//   subfolder 0xFE or 0xFF keeps no file and is filed with an empty CacheFile.
// - A history record, whose address reads "Visited: user@address" or, in the daily and weekly
//   folders, ":YYYYMMDDYYYYMMDD: user@address", is filed under the address after the first "@"
//   (or after the prefix when there is none) with an empty CacheFile.
// Reading follows the chain of hash tables from the header (a table that does not begin with
// "HASH", or a next offset of 0, ends it) and reads each table's 448 entries, or fewer when
// the table's block count makes it shorter. Entries with record offset 0 or 3, and entries
// whose hash marks them free (low four bits 3) or deleted (1), are unused; records that do not
// begin with "URL " ("REDR", "LEAK", free blocks) are skipped. A missing or empty file, an
// offset, text, header block or table entry that reaches past the end of the file, a subfolder
// number beyond the subfolder list (other than 0xFE and 0xFF), a chain that comes back to a
// table already visited, tables that together walk more than four times the entries the file
// can hold, and record texts that together are more than 16 times the size of the file end the
// reading with the cache read error box; the entries filed before stay. A fault in the chain
// itself is found before any entry is filed. A file that does not begin with the signature
// files nothing and shows nothing. Progress: StartProgress(0, used hash entries), a step of 1
// per filed record, ResetProgress once at the end in every case. Sets cabinet.IndexComplete:
// true when the whole index was read, false otherwise.
void ReadIE5Index(TCabinet &cabinet, const std::string &path);

// As ReadIE5Index, over an image already in memory; path only names the file in the error
// box. Returns cabinet.IndexComplete.
bool ReadIE5IndexImage(TCabinet &cabinet, std::string_view image, const std::string &path);
