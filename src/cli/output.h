#pragma once
// Field encodings of trawler-cli's output.
#include <cstddef>
#include <string>
#include <string_view>

// Tab, carriage return, line feed and backslash as \t, \r, \n, \\; every other byte as is.
std::string EscapeField(std::string_view text);
// EscapeField's answer appended to out.
void AppendEscaped(std::string &out, std::string_view text);
// A date-time as "YYYY-MM-DD hh:mm:ss" (nothing for 0) appended to out. Keeps the text of the
// last date-time, as a listing's lines often repeat it.
class TDateText {
public:
    void Append(std::string &out, double dateTime);

private:
    double last = 0;
    char text[32] = {};
    size_t size = 0;
};
// A JSON string literal of a byte string, decoded as the desktop shows names: as UTF-8 when
// the whole text is valid UTF-8, else as CP932 (Shift-JIS as Windows wrote it), where a byte
// that does not decode becomes U+FFFD.
std::string JsonString(std::string_view text);
// `"key": TEXT` for a field that names a file or an address. When the text is not valid
// UTF-8, `, "key_bytes": "…"` follows with its exact bytes, "%" and every byte outside
// printable ASCII (and '"', '\') percent-encoded, so that the bytes stay recoverable.
std::string JsonNameField(std::string_view key, std::string_view text);
// The indent of a `tree` line at depth (1 for a cabinet's children): two blanks a level up
// to MaxTreeIndent levels; deeper lines keep that indent and start with the depth and a tab
// (names never hold a raw tab), so a line's length never grows with the depth.
inline constexpr size_t MaxTreeIndent = 64;
std::string TreeIndent(size_t depth);
