#include "items/texts.h"

#include <cstdio>

#include "platform/datetime.h"

namespace {
// The digits of a non-negative number with "," between groups of three.
std::string Grouped(uint64_t value) {
    std::string digits = std::to_string(value);
    std::string out;
    out.reserve(digits.size() + digits.size() / 3);
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

// bytes / unit with one decimal, rounded half up, in integer arithmetic so that no 64-bit
// count loses precision.
std::string ScaledText(uint64_t bytes, uint64_t unit) {
    uint64_t whole = bytes / unit;
    uint64_t rest = bytes % unit; // rest * 10 cannot overflow: unit is at most 2^20
    uint64_t tenths = (rest * 10 + unit / 2) / unit;
    if (tenths == 10) {
        ++whole;
        tenths = 0;
    }
    return Grouped(whole) + "." + std::to_string(tenths);
}
} // namespace

std::string SizeText(int64_t bytes) {
    constexpr int64_t KByte = 1024;
    constexpr int64_t MByte = 1024 * 1024;
    const std::string count = std::to_string(bytes);
    if (bytes > MByte)
        return ScaledText(static_cast<uint64_t>(bytes), MByte) + " MByte  (" + count + " Byte)";
    if (bytes > KByte)
        return ScaledText(static_cast<uint64_t>(bytes), KByte) + " KByte  (" + count + " Byte)";
    return count + " Byte";
}

std::string DateText(bool blank, double time) {
    if (time == 0)
        return blank ? std::string(14, ' ') : std::string("不明");
    TDateFields f = DecodeDateTime(time);
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d", (f.Year % 100 + 100) % 100,
                  f.Month, f.Day, f.Hour, f.Minute);
    return text;
}

std::string KindName(uint8_t kind) {
    switch (kind) {
    case 1:
        return "通常ログ";
    case 2:
        return "ミラーログ";
    case 3:
        return "キャッシュ（Netscape V1.0）";
    case 4:
        return "キャッシュ（Netscape V2.0以降）";
    case 5:
        return "キャッシュ（MS-IE V2.0）";
    case 6:
        return "キャッシュ（MS-IE V3.0）";
    case 9:
        return "キャッシュ（MS-IE V5.0以降）";
    default:
        return {};
    }
}

std::string KindCaption(uint8_t kind) {
    switch (kind) {
    case 1:
        return "通常ログ";
    case 2:
        return "ミラーログ";
    case 3:
        return "Netscape V1.X";
    case 4:
        return "Netscape V2.X～";
    case 5:
        return "MS-IE2.X";
    case 6:
        return "MS-IE3.X";
    case 7:
        return "Tapline";
    case 8:
        return "MS-IE4.X";
    case 9:
        return "MS-IE5.X～";
    default:
        return {};
    }
}
