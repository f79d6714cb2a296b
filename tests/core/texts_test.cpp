#include "items/texts.h"

#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "platform/datetime.h"

namespace {

struct SizeCase {
    const char *name;
    int64_t bytes;
    const char *text;
};

class SizeTextTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SizeTextTest, Formats) {
    EXPECT_EQ(SizeText(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SizeTextTest,
    ::testing::Values(SizeCase{"zero", 0, "0 Byte"}, SizeCase{"negative", -5, "-5 Byte"},
                      SizeCase{"oneKiB", 1024, "1024 Byte"},
                      SizeCase{"justAboveOneKiB", 1025, "1.0 KByte  (1025 Byte)"},
                      SizeCase{"halfStep", 1536, "1.5 KByte  (1536 Byte)"},
                      SizeCase{"roundsDown", 1075, "1.0 KByte  (1075 Byte)"},
                      SizeCase{"roundsUp", 1076, "1.1 KByte  (1076 Byte)"},
                      SizeCase{"carriesIntoUnits", 2047, "2.0 KByte  (2047 Byte)"},
                      SizeCase{"carriesIntoThousands", 1048575, "1,024.0 KByte  (1048575 Byte)"},
                      SizeCase{"oneMiB", 1048576, "1,024.0 KByte  (1048576 Byte)"},
                      SizeCase{"justAboveOneMiB", 1048577, "1.0 MByte  (1048577 Byte)"},
                      SizeCase{"twoGiB", int64_t(1) << 31, "2,048.0 MByte  (2147483648 Byte)"},
                      SizeCase{"fiveGB", 5000000000, "4,768.4 MByte  (5000000000 Byte)"},
                      SizeCase{"largest", std::numeric_limits<int64_t>::max(),
                               "8,796,093,022,208.0 MByte  (9223372036854775807 Byte)"}),
    [](const auto &info) { return std::string(info.param.name); });

double At(int year, int month, int day, int hour, int minute, int second = 0) {
    TDateFields f;
    f.Year = year;
    f.Month = month;
    f.Day = day;
    f.Hour = hour;
    f.Minute = minute;
    f.Second = second;
    return EncodeDateTime(f);
}

struct DateCase {
    const char *name;
    bool blank;
    double time;
    const char *text;
};

class DateTextTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(DateTextTest, Formats) {
    EXPECT_EQ(DateText(GetParam().blank, GetParam().time), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DateTextTest,
    ::testing::Values(
        DateCase{"zeroBlank", true, 0, "              "}, DateCase{"zeroUnknown", false, 0, "不明"},
        DateCase{"afternoon", false, At(1998, 7, 5, 13, 7, 59), "98/07/05 13:07"},
        DateCase{"blankIgnoredForDates", true, At(2005, 1, 2, 3, 4), "05/01/02 03:04"},
        DateCase{"centuryTurn", false, At(2000, 12, 31, 23, 59), "00/12/31 23:59"},
        // A hair below 09:00 in the double still shows 09:00.
        DateCase{"roundsToMillisecond", false, At(1970, 1, 1, 9, 0) - 1e-9, "70/01/01 09:00"}),
    [](const auto &info) { return std::string(info.param.name); });

struct KindCase {
    const char *name;
    uint8_t kind;
    const char *kindName;
    const char *caption;
};

class KindTextTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(KindTextTest, NameAndCaption) {
    EXPECT_EQ(KindName(GetParam().kind), GetParam().kindName);
    EXPECT_EQ(KindCaption(GetParam().kind), GetParam().caption);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, KindTextTest,
    ::testing::Values(KindCase{"unknown", 0, "", ""},
                      KindCase{"plainLog", 1, "通常ログ", "通常ログ"},
                      KindCase{"mirrorLog", 2, "ミラーログ", "ミラーログ"},
                      KindCase{"netscape1", 3, "キャッシュ（Netscape V1.0）", "Netscape V1.X"},
                      KindCase{"netscape2", 4, "キャッシュ（Netscape V2.0以降）",
                               "Netscape V2.X～"},
                      KindCase{"msie2", 5, "キャッシュ（MS-IE V2.0）", "MS-IE2.X"},
                      KindCase{"msie3", 6, "キャッシュ（MS-IE V3.0）", "MS-IE3.X"},
                      KindCase{"tapline", 7, "", "Tapline"}, KindCase{"msie4", 8, "", "MS-IE4.X"},
                      KindCase{"msie5", 9, "キャッシュ（MS-IE V5.0以降）", "MS-IE5.X～"},
                      KindCase{"outOfRange", 10, "", ""}, KindCase{"byteMax", 255, "", ""}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
