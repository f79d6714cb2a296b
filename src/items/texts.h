#pragma once
// Display texts for sizes, dates and cabinet kinds.
#include <cstdint>
#include <string>

// A byte count for people:
//   more than 1,048,576 bytes: "1.0 MByte  (1048577 Byte)"
//   more than 1,024 bytes:     "1,024.0 KByte  (1048576 Byte)"
//   otherwise:                 "1024 Byte"
// The scaled value has one decimal, rounded half up, with "," between thousands; the byte
// count in brackets has no separators. Exact for every 64-bit count (negative counts, which
// only damaged data produce, take the last form).
std::string SizeText(int64_t bytes);

// A local date-time as "yy/mm/dd hh:nn" (two-digit year, 24-hour clock). Time 0 (no date)
// gives 14 blanks, the width of a date, when blank is true, and "不明" otherwise.
std::string DateText(bool blank, double time);

// The kind of a cabinet as the property dialogs show it; empty for kinds without a text
// (0, 7, 8 and any unknown kind).
std::string KindName(uint8_t kind);

// The caption of a kind's radio button in the cabinet dialog; empty for kind 0 and unknown
// kinds.
std::string KindCaption(uint8_t kind);
