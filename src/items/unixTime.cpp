#include "items/unixTime.h"

#include <cmath>
#include <limits>

#include "platform/datetime.h"

double UnixToDateTime(int32_t seconds) {
    return seconds / 86400.0 + UnixEpochDateTime - TimeZoneBias();
}

int32_t DateTimeToUnix(double time) {
    if (time == 0 || std::isnan(time))
        return 0;
    const double milliseconds =
        std::round((time + TimeZoneBias() - UnixEpochDateTime) * 86400000.0);
    const double seconds = std::trunc(milliseconds / 1000.0);
    if (seconds <= std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    if (seconds >= std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(seconds);
}
