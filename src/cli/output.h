#pragma once
// Field encodings of trawler-cli's output.
#include <string>
#include <string_view>

// Tab, carriage return, line feed and backslash as \t, \r, \n, \\; every other byte as is.
std::string EscapeField(std::string_view text);
// A JSON string literal. Valid UTF-8 passes through; any other byte is written as \u00XX.
std::string JsonString(std::string_view text);
