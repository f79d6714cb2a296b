#include "cli/output.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <iconv.h>

#include "platform/datetime.h"

std::string EscapeField(std::string_view text) {
    std::string out;
    AppendEscaped(out, text);
    return out;
}

void AppendEscaped(std::string &out, std::string_view text) {
    // Runs of ordinary bytes go in whole; the test is a table look-up per byte.
    static constexpr auto special = [] {
        std::array<bool, 256> table{};
        table['\t'] = table['\r'] = table['\n'] = table['\\'] = true;
        return table;
    }();
    const char *at = text.data();
    const char *const end = at + text.size();
    while (at < end) {
        const char *run = at;
        while (at < end && !special[static_cast<unsigned char>(*at)])
            ++at;
        out.append(run, static_cast<size_t>(at - run));
        if (at == end)
            break;
        const char c = *at++;
        const char escaped[2] = {'\\', c == '\t' ? 't' : c == '\r' ? 'r' : c == '\n' ? 'n' : '\\'};
        out.append(escaped, 2);
    }
}

void TDateText::Append(std::string &out, double dateTime) {
    if (dateTime == 0)
        return;
    if (size == 0 || dateTime != last) {
        const TDateFields f = DecodeDateTime(dateTime);
        if (f.Year >= 0 && f.Year <= 9999) {
            auto two = [this](size_t at, int value) {
                text[at] = static_cast<char>('0' + value / 10);
                text[at + 1] = static_cast<char>('0' + value % 10);
            };
            two(0, f.Year / 100);
            two(2, f.Year % 100);
            text[4] = '-';
            two(5, f.Month);
            text[7] = '-';
            two(8, f.Day);
            text[10] = ' ';
            two(11, f.Hour);
            text[13] = ':';
            two(14, f.Minute);
            text[16] = ':';
            two(17, f.Second);
            size = 19;
        } else {
            const int n = std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", f.Year,
                                        f.Month, f.Day, f.Hour, f.Minute, f.Second);
            size = n > 0 ? std::min(static_cast<size_t>(n), sizeof text - 1) : 0;
        }
        last = dateTime;
    }
    out.append(text, size);
}

namespace {
// Length of the valid UTF-8 sequence starting at text[i], or 0.
size_t Utf8Length(std::string_view text, size_t i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char c = byte(i);
    size_t n = c >= 0xF0 && c <= 0xF4   ? 4
               : c >= 0xE0 && c <= 0xEF ? 3
               : c >= 0xC2 && c <= 0xDF ? 2
                                        : 0;
    if (n == 0 || i + n > text.size())
        return 0;
    for (size_t k = 1; k < n; ++k)
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    if (n == 3 && ((c == 0xE0 && byte(i + 1) < 0xA0) || (c == 0xED && byte(i + 1) >= 0xA0)))
        return 0;
    if (n == 4 && ((c == 0xF0 && byte(i + 1) < 0x90) || (c == 0xF4 && byte(i + 1) >= 0x90)))
        return 0;
    return n;
}
} // namespace

namespace {
bool IsUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80)
            ++i;
        else if (size_t n = Utf8Length(text, i))
            i += n;
        else
            return false;
    }
    return true;
}

// Appends text (valid UTF-8) as the inside of a JSON string literal.
void AppendJsonEscaped(std::string &out, std::string_view text) {
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c == 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += ch;
        }
    }
}

// CP932 decoded to UTF-8 with the C library's converter; a byte that does not decode is
// U+FFFD. Without the converter, each byte above 0x7F stands for the code point of its value.
std::string DecodeCp932(std::string_view text) {
    static const iconv_t converter = iconv_open("UTF-8", "CP932");
    std::string out;
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        for (char ch : text) {
            unsigned char c = static_cast<unsigned char>(ch);
            if (c < 0x80) {
                out += ch;
            } else {
                out += static_cast<char>(0xC0 | (c >> 6));
                out += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
        return out;
    }
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    std::string input(text); // iconv takes a non-const input pointer
    char *in = input.data();
    size_t inLeft = input.size();
    char buffer[4096];
    while (inLeft > 0) {
        char *outAt = buffer;
        size_t outLeft = sizeof buffer;
        size_t done = iconv(converter, &in, &inLeft, &outAt, &outLeft);
        out.append(buffer, static_cast<size_t>(outAt - buffer));
        if (done == static_cast<size_t>(-1) && errno != E2BIG) {
            out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}
} // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    if (IsUtf8(text))
        AppendJsonEscaped(out, text);
    else
        AppendJsonEscaped(out, DecodeCp932(text));
    return out + "\"";
}

std::string JsonNameField(std::string_view key, std::string_view text) {
    std::string out = "\"";
    out.append(key);
    out += "\": " + JsonString(text);
    if (IsUtf8(text))
        return out;
    out += ", \"";
    out.append(key);
    out += "_bytes\": \"";
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c > 0x20 && c < 0x7f && c != '%' && c != '"' && c != '\\') {
            out += ch;
        } else {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        }
    }
    return out + "\"";
}

std::string TreeIndent(size_t depth) {
    if (depth <= MaxTreeIndent)
        return std::string(2 * depth, ' ');
    return std::string(2 * MaxTreeIndent, ' ') + std::to_string(depth) + '\t';
}
