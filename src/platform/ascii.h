#pragma once
// Letter case for the ASCII letters only: names, keys and extensions compare this way, and
// every other byte (Shift-JIS included) compares and stays exactly as it is.
#include <string>
#include <string_view>

inline char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
inline char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

inline std::string ToUpperAscii(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text)
        result.push_back(UpperAscii(c));
    return result;
}

inline std::string ToLowerAscii(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text)
        result.push_back(LowerAscii(c));
    return result;
}

inline bool SameAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i]))
            return false;
    return true;
}
