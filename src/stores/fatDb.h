#pragma once
// The Netscape 2.x-and-later cache database (fat.db, a Berkeley DB 1.85 hash file).
//
// The header page is big-endian: magic 00 06 15 61 at 0, the page size P at 12, the last
// bucket number at 40, the number of header pages at 60 and the 32 spare-page counts at 68.
// Pages follow at P, 2P, ... and are little-endian: a word count n, then n 16-bit words, pairs
// of key and data offsets from the page start. A pair whose data word is 0 points to the next
// page of the bucket's chain (an overflow address in its key word); a data word of 1 to 3
// marks an entry too long for one page, its pieces spread over pages of its own.
//
// Key of an entry: 4 bytes ("INT_" for an internal record), then the address as a counted
// text. Data: modified time at 8, accessed time at 12 (Unix seconds, signed), the size at 20,
// then at 29 the counted texts cache file, 29 bytes later one not used, then the content type.
// A counted text is a 32-bit little-endian length L and L bytes.
#include <string>
#include <string_view>

#include "items/cab.h"

// Files every entry of the cache database at path into the cabinet with AddURL, pages in
// file order and the pairs of a page in order; a record whose key begins with "INT_" ends the
// reading of its page.
//
// Only pages that belong to the database are read for entries: the buckets the header counts
// and the overflow pages of their chains. Bitmap pages, pages freed by the library and pages
// never written file nothing; the pieces of a long entry are joined and filed once, at the
// page where the entry begins.
//
// A file that does not begin with the magic files nothing and shows nothing (an empty file is a
// read error). A file that cannot be read, a page size of 0, above 65 536 or not a power of two, a
// header too short for its bucket table, a header of no pages, a last bucket whose page lies
// outside the file (a last bucket of -1 is an empty table), a page whose offsets run past the page,
// keys and data that do not lie one below the other inside their page (each key above its data), an
// address or fixed data field outside its key or data, a long entry whose pieces are broken, and
// chains that loop or share pages end the reading with the cache read error box; the entries filed
// before stay (for chains that loop or share pages and a last bucket outside the file, every entry
// that could be read). A counted text that runs past the end of its data does not: the entry is
// filed with the texts read so far and an empty content type, and while the setting Warning is on a
// warning box names its address.
// Every byte of the file is read for one entry at most, so the work stays linear in its size.
//
// Progress: StartProgress(0, (file size - P) / P), a step of 1 per page, ResetProgress once
// at the end in every case.
// Sets cabinet.IndexComplete: true when the whole file was read, false otherwise.
void ReadFatDb(TCabinet &cabinet, const std::string &path);

// As ReadFatDb, over an image already in memory; path only names the file in the messages.
// Returns cabinet.IndexComplete.
bool ReadFatDbImage(TCabinet &cabinet, std::string_view image, const std::string &path);

// The value of a counted text's bytes: up to the first NUL (all of them without one), with
// blanks and control characters (codes up to 32) removed at both ends.
std::string ReadCountedText(std::string_view bytes);
