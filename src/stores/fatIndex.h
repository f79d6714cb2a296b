#pragma once
// The line-oriented text index shared by Netscape 1.x caches ("fat"), mirror logs
// ("trfat.db") and Tapline caches ("Cache.db").
//
// Line 1 starts with the signature; every further line is one entry whose fields are
// separated by tabs or carriage returns and which ends at a line feed. A written line is
//   "0" TAB modified TAB accessed TAB link-path TAB address TAB content-type TAB TAB size
//   TAB TAB TAB CR LF
// with the times in Unix seconds (UTC).
#include <cstdint>
#include <string>
#include <string_view>

#include "items/cab.h"
#include "items/file.h"

inline constexpr std::string_view FatIndexSignature = "MCOM-Cache-file-allocation-table-format-1";

// Reads the index file at path into the cabinet's subtree, filing every entry with AddURL.
// The record carries over from line to line: a field a line lacks keeps the previous value.
// A file that cannot be opened, an empty file, a number field that is not a 32-bit number
// (blanks, optional sign, decimal digits or "$" and hex digits) and a line with more than 11
// separators end the reading with the cache read error box; the entries filed before stay.
// A file that does not begin with the signature files nothing and shows nothing. A last line
// without a line feed is not filed.
// Progress: StartProgress(0, file size), a step per line by the bytes since the previous line
// end, ResetProgress once at the end in every case.
// Sets cabinet.IndexComplete: true when the whole file was read, false otherwise.
// Returns cabinet.IndexComplete.
bool ReadFatIndex(TCabinet &cabinet, const std::string &path);

// As ReadFatIndex, over an image already in memory; path only names the file in the error
// box. An empty image is a read error.
bool ReadFatIndexImage(TCabinet &cabinet, std::string_view image, const std::string &path);

// Rewrites the index file of the cabinet from its subtree. Does nothing and returns false
// when the cabinet's index was not read completely (the tree would hold only part of it).
// When cabinet.IndexFile names the same file as path in another letter case, that file is
// written. The new index goes to a temporary file in the same folder first; only when it is
// on disk does the previous index become the backup (extension replaced by ".bak", an
// existing backup replaced) and the new file take the index's place. On failure the old
// index stays, the error box "ミラーログのデータベースが作成できません。" is shown, and
// the result is false.
// Progress: StartProgress(0, file count), a step of 1 per file, ResetProgress.
bool WriteFatIndex(TCabinet &cabinet, const std::string &path);

// Appends one line per file of the item's subtree to out: children from the last to the
// first, a folder's files at the place the folder stands. Tabs, carriage returns and line
// feeds inside an address are written as %09, %0D and %0A, inside a content type as blanks,
// so every line keeps its 11 separators. Steps the progress by 1 per line. Bounded stack at
// any depth.
void WriteFatRecords(const TTree &item, std::string &out);

// The backup name of an index file: its extension replaced by ".bak" (appended when the name
// has none).
std::string FatIndexBackupName(const std::string &path);

// A number field of an index line: leading blanks, an optional sign, then decimal digits or
// "$" and hex digits; the whole text and nothing else, within the signed 32-bit range.
bool ParseIndexNumber(std::string_view text, int32_t &value);

// An index of one entry per line after a signature line: the separators that end a field
// (besides "\n", which ends the line), how many fields a line may have before its line feed,
// and how a field is stored into the record that the next lines keep.
struct TLineIndexFormat {
    std::string_view Signature;
    const char *Separators;
    size_t LastFieldNumber;
    bool (*StoreField)(size_t number, std::string_view text, TFileData &record);
};
// Reads such an index from its image: an empty image is a read error, another signature
// reads nothing, a malformed line ends the reading with the read error keeping what was
// filed. Returns whether the whole index was read (also kept in cabinet.IndexComplete).
bool ReadLineIndexImage(TCabinet &cabinet, std::string_view image, const std::string &path,
                        const TLineIndexFormat &format);
