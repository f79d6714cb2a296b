#include "platform/datetime.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

namespace {
bool biasTaken = false;
double bias = 0;

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// Days from 0001-01-01 (proleptic Gregorian) to the given date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468; // days since 1970-01-01
}

void CivilFromDays(int64_t z, int &year, int &month, int &day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}
} // namespace

double TimeZoneBias() {
    if (!biasTaken)
        ResetTimeZoneBias();
    return bias;
}

void ResetTimeZoneBias() {
    ::tzset();
    bias = static_cast<double>(::timezone) / 86400.0;
    biasTaken = true;
}

int64_t CurrentUtcOffsetSeconds() {
    // Readers convert two times per entry; the local-time lookup is asked once per second of
    // wall time (and again whenever TZ changes), not once per entry.
    thread_local std::time_t cachedAt = -1;
    thread_local std::string cachedZone;
    thread_local int64_t cachedOffset = 0;
    std::time_t now = std::time(nullptr);
    const char *zone = std::getenv("TZ");
    std::string_view zoneText = zone ? std::string_view(zone) : std::string_view("\x01unset");
    if (now != cachedAt || zoneText != cachedZone) {
        std::tm local{};
        ::localtime_r(&now, &local);
        cachedOffset = local.tm_gmtoff;
        cachedAt = now;
        cachedZone.assign(zoneText);
    }
    return cachedOffset;
}

double EncodeDateTime(const TDateFields &f) {
    int64_t days =
        DaysFromCivil(f.Year, static_cast<unsigned>(f.Month), static_cast<unsigned>(f.Day)) + 25569;
    double time =
        (f.Hour * 3600000.0 + f.Minute * 60000.0 + f.Second * 1000.0 + f.Millisecond) / 86400000.0;
    // Before 1899-12-30 the integer part counts backwards and the fraction stays positive.
    return days >= 0 ? static_cast<double>(days) + time : static_cast<double>(days) - time;
}

TDateFields DecodeDateTime(double dateTime) {
    TDateFields f;
    if (!std::isfinite(dateTime) || std::fabs(dateTime) > 3e6)
        return f;
    double whole = std::trunc(dateTime);
    double frac = std::fabs(dateTime - whole);
    int64_t days = static_cast<int64_t>(whole);
    int64_t ms = static_cast<int64_t>(std::llround(frac * 86400000.0));
    if (ms >= 86400000) {
        ms -= 86400000;
        days += dateTime >= 0 ? 1 : -1;
    }
    CivilFromDays(days - 25569, f.Year, f.Month, f.Day);
    f.Hour = static_cast<int>(ms / 3600000);
    f.Minute = static_cast<int>(ms / 60000 % 60);
    f.Second = static_cast<int>(ms / 1000 % 60);
    f.Millisecond = static_cast<int>(ms % 1000);
    return f;
}

double DosDateTimeToDateTime(uint16_t date, uint16_t time) {
    if (date == 0)
        return 0;
    TDateFields f;
    f.Year = 1980 + (date >> 9);
    f.Month = (date >> 5) & 15;
    f.Day = date & 31;
    f.Hour = time >> 11;
    f.Minute = (time >> 5) & 63;
    f.Second = (time & 31) * 2;
    static const int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (f.Month < 1 || f.Month > 12 || f.Day < 1 || f.Hour > 23 || f.Minute > 59 || f.Second > 59)
        return 0;
    int limit = monthDays[f.Month - 1] + (f.Month == 2 && IsLeap(f.Year) ? 1 : 0);
    if (f.Day > limit)
        return 0;
    return EncodeDateTime(f);
}

double UtcSecondsToDosDateTime(int64_t seconds) {
    // Far outside 1980-2107 in any zone; beyond this the sums below would overflow, and the
    // year, cut to int, could wrap back into the DOS range.
    constexpr int64_t Limit = int64_t{1} << 40;
    if (seconds < -Limit || seconds > Limit)
        return 0;
    int64_t local = seconds + CurrentUtcOffsetSeconds();
    int64_t days = local >= 0 ? local / 86400 : -((-local + 86399) / 86400);
    int64_t rest = local - days * 86400;
    int year, month, day;
    CivilFromDays(days, year, month, day);
    if (year < 1980 || year > 2107)
        return 0;
    uint16_t date = static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
    uint16_t time =
        static_cast<uint16_t>(((rest / 3600) << 11) | ((rest / 60 % 60) << 5) | (rest % 60 / 2));
    return DosDateTimeToDateTime(date, time);
}

double NowDateTime() {
    struct timespec ts {};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    std::tm local{};
    ::localtime_r(&ts.tv_sec, &local);
    TDateFields f;
    f.Year = local.tm_year + 1900;
    f.Month = local.tm_mon + 1;
    f.Day = local.tm_mday;
    f.Hour = local.tm_hour;
    f.Minute = local.tm_min;
    f.Second = local.tm_sec;
    f.Millisecond = static_cast<int>(ts.tv_nsec / 1000000);
    return EncodeDateTime(f);
}
