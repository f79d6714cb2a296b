#pragma once
// Date-times are doubles counting days since 1899-12-30, the fraction giving the time of
// day, in local time; 0 means no date.
#include <cstdint>

struct TDateFields {
    int Year = 1899, Month = 12, Day = 30;
    int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

constexpr double UnixEpochDateTime = 25569.0; // 1970-01-01

// The standard offset of the local time zone (minutes to add to local time to reach UTC,
// daylight saving not included) divided by 1440. Taken once, on first use.
double TimeZoneBias();
// Takes the bias again from the current TZ (start-up, and tests that pin TZ).
void ResetTimeZoneBias();

// Seconds east of UTC in force now (daylight saving included), as the system converts
// file times to local time.
int64_t CurrentUtcOffsetSeconds();

double EncodeDateTime(const TDateFields &f);
// The local date-time now.
double NowDateTime();
// Splits after rounding to the nearest millisecond, so 09:00:00 never shows as 08:59:59.
TDateFields DecodeDateTime(double dateTime);

// DOS date and time words (1980-2107, 2-second steps) to a date-time; 0 when the date word
// is 0 or a field is out of range.
double DosDateTimeToDateTime(uint16_t date, uint16_t time);
// Unix seconds of a UTC instant → local DOS date-time → date-time, using the offset in
// force now; 0 when the local time falls outside 1980-2107.
double UtcSecondsToDosDateTime(int64_t seconds);
