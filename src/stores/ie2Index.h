#pragma once
// The MS-IE 2.x cache index (iexplore.cif): a signature line, then one line per cached file
// with fields separated by commas or carriage returns:
//   0 unused, 1 address, 2 size, 3 modified (packed time), 4-6 unused, 7 accessed (packed
//   time), 8 unused, 9 content type, 10 path of the cached file, 11-12 unused.
// Numbers are decimal (or "$" and hex digits) within the signed 32-bit range.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "items/cab.h"

// The signature; the byte after "Microsoft" is 0xAE, the registered sign of code page 1252.
inline constexpr std::string_view IE2IndexSignature = "V,Microsoft\xAE Windows(TM) Internet Tools";

// Reads the index file at path into the cabinet's subtree, filing every line with AddURL.
// The record carries over from line to line: a field a line lacks keeps the previous value.
// CacheFile is the part of field 10 after its last "\" or ":". Text after a line's last
// separator is not stored, and a last line without a line feed is not filed.
// A file that cannot be opened, an empty file, a number that does not convert, a packed time
// that is not a valid date and time, and a 13th separator in a line end the reading with the
// cache read error box; the entries filed before stay. A file that does not begin with the
// signature files nothing and shows nothing.
// Progress: StartProgress(0, file size), a step per line by the bytes since the previous line
// end, ResetProgress once at the end in every case.
// Sets cabinet.IndexComplete: true when the whole file was read, false otherwise.
void ReadIE2Index(TCabinet &cabinet, const std::string &path);

// As ReadIE2Index, over an image already in memory; path only names the file in the error
// box. Returns cabinet.IndexComplete.
bool ReadIE2IndexImage(TCabinet &cabinet, std::string_view image, const std::string &path);

// A packed UTC time (bits 31-20 year, 19-16 month, 15-11 day, 10-6 hour, 5-0 minute) as a
// local date-time (TimeZoneBias applied); nothing when the fields form no valid date and time.
std::optional<double> PackedTimeToDateTime(uint32_t packed);
