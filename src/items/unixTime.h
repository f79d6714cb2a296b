#pragma once
// Conversions between Unix seconds (UTC, as the stores keep them) and local date-times.
// Both use TimeZoneBias(): the standard offset of the local zone, daylight saving not applied.
#include <cstdint>

// seconds / 86400 + 25569 - TimeZoneBias(): the local date-time of a Unix time.
double UnixToDateTime(int32_t seconds);

// 0 for time 0 (no date). Otherwise (time + TimeZoneBias() - 25569) * 86400, first rounded to
// the nearest millisecond and then truncated toward zero to whole seconds; the rounding step
// keeps DateTimeToUnix(UnixToDateTime(s)) == s for every s, which the raw product misses by
// a hair now and then. Seconds outside the 32-bit range are clamped to INT32_MIN or
// INT32_MAX; a time that is not a number gives 0.
int32_t DateTimeToUnix(double time);
