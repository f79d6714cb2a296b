#include "items/unixTime.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/datetime.h"

namespace {

constexpr int32_t Min32 = std::numeric_limits<int32_t>::min();
constexpr int32_t Max32 = std::numeric_limits<int32_t>::max();

// Pins TZ for one test and puts the previous zone back afterwards.
class ZonePin {
public:
    explicit ZonePin(const char *zone) {
        if (const char *old = std::getenv("TZ"))
            previous = old;
        ::setenv("TZ", zone, 1);
        ResetTimeZoneBias();
    }
    ~ZonePin() {
        if (previous)
            ::setenv("TZ", previous->c_str(), 1);
        else
            ::unsetenv("TZ");
        ResetTimeZoneBias();
    }

private:
    std::optional<std::string> previous;
};

std::string Shown(double dateTime) {
    TDateFields f = DecodeDateTime(dateTime);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", f.Year, f.Month, f.Day,
                  f.Hour, f.Minute, f.Second);
    return text;
}

struct ZoneCase {
    const char *name;
    const char *zone;
    int32_t seconds;
    const char *local;
};

class UnixTimeTest : public ::testing::TestWithParam<ZoneCase> {};

TEST_P(UnixTimeTest, ConvertsWithStandardOffsetAndBack) {
    ZonePin pin(GetParam().zone);
    const double local = UnixToDateTime(GetParam().seconds);
    EXPECT_EQ(Shown(local), GetParam().local);
    EXPECT_EQ(DateTimeToUnix(local), GetParam().seconds);
}

INSTANTIATE_TEST_SUITE_P(
    UnixTime, UnixTimeTest,
    ::testing::Values(ZoneCase{"tokyoEpoch", "Asia/Tokyo", 0, "1970-01-01 09:00:00"},
                      ZoneCase{"tokyoOneSecond", "Asia/Tokyo", 1, "1970-01-01 09:00:01"},
                      ZoneCase{"tokyoBeforeEpoch", "Asia/Tokyo", -1, "1970-01-01 08:59:59"},
                      ZoneCase{"tokyoLatest", "Asia/Tokyo", Max32, "2038-01-19 12:14:07"},
                      ZoneCase{"tokyoEarliest", "Asia/Tokyo", Min32, "1901-12-14 05:45:52"},
                      ZoneCase{"utcEpoch", "UTC", 0, "1970-01-01 00:00:00"},
                      ZoneCase{"utcLate", "UTC", 915148799, "1998-12-31 23:59:59"},
                      ZoneCase{"newYorkEpoch", "America/New_York", 0, "1969-12-31 19:00:00"},
                      // Summer: the standard offset holds, daylight saving is not applied.
                      ZoneCase{"newYorkSummer", "America/New_York", 962452800,
                               "2000-07-01 07:00:00"}),
    [](const auto &info) { return std::string(info.param.name); });

class UnixTimeZoneTest : public ::testing::TestWithParam<const char *> {};

// The product of the conversion formula is a hair below the whole second for about a quarter
// of all times; each load and save of an index would then lose a second.
TEST_P(UnixTimeZoneTest, EverySecondSurvivesTheRoundTrip) {
    ZonePin pin(GetParam());
    int failures = 0;
    for (int64_t s = Min32; s <= Max32 && failures < 5; s += 9973) {
        const int32_t seconds = static_cast<int32_t>(s);
        if (DateTimeToUnix(UnixToDateTime(seconds)) != seconds) {
            ADD_FAILURE() << "seconds " << seconds;
            ++failures;
        }
    }
}

TEST_P(UnixTimeZoneTest, TruncatesTowardZeroAndClampsTo32Bits) {
    ZonePin pin(GetParam());
    const double second = 1.0 / 86400;
    EXPECT_EQ(DateTimeToUnix(0), 0);
    EXPECT_EQ(DateTimeToUnix(UnixToDateTime(10) + 0.9 * second), 10);
    EXPECT_EQ(DateTimeToUnix(UnixToDateTime(-10) - 0.9 * second), -10);
    EXPECT_EQ(DateTimeToUnix(UnixToDateTime(Max32) + 2 * second), Max32);
    EXPECT_EQ(DateTimeToUnix(UnixToDateTime(Min32) - 2 * second), Min32);
    EXPECT_EQ(DateTimeToUnix(1e9), Max32);
    EXPECT_EQ(DateTimeToUnix(-1e9), Min32);
    EXPECT_EQ(DateTimeToUnix(std::numeric_limits<double>::infinity()), Max32);
    EXPECT_EQ(DateTimeToUnix(std::nan("")), 0);
}

INSTANTIATE_TEST_SUITE_P(UnixTime, UnixTimeZoneTest,
                         ::testing::Values("Asia/Tokyo", "UTC", "America/New_York"),
                         [](const auto &info) {
                             std::string name = info.param;
                             for (char &c : name)
                                 if (c == '/')
                                     c = '_';
                             return name;
                         });

} // namespace
