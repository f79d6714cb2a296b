#include "stores/ie2Index.h"

#include <cstdint>

#include "items/file.h"
#include "platform/datetime.h"
#include "platform/fs.h"
#include "platform/seam.h"
#include "stores/reading.h"
#include "stores/fatIndex.h"

namespace {
constexpr size_t LastFieldNumber = 12;

bool StoreTime(std::string_view text, double &dateTime) {
    int32_t value = 0;
    if (!ParseIndexNumber(text, value))
        return false;
    std::optional<double> converted = PackedTimeToDateTime(static_cast<uint32_t>(value));
    if (!converted)
        return false;
    dateTime = *converted;
    return true;
}

// Stores one field of a line into the record; false when a number or time does not convert.
bool StoreField(size_t number, std::string_view text, TFileData &record) {
    switch (number) {
    case 1:
        record.URL.assign(text);
        return true;
    case 2: {
        int32_t value = 0;
        if (!ParseIndexNumber(text, value))
            return false;
        record.Size = value;
        return true;
    }
    case 3:
        return StoreTime(text, record.Modified);
    case 7:
        return StoreTime(text, record.Accessed);
    case 9:
        record.ContentType.assign(text);
        return true;
    case 10: {
        const size_t cut = text.find_last_of("\\:");
        record.CacheFile.assign(cut == std::string_view::npos ? text : text.substr(cut + 1));
        return true;
    }
    default:
        return true;
    }
}

} // namespace

std::optional<double> PackedTimeToDateTime(uint32_t packed) {
    TDateFields f;
    f.Year = static_cast<int>(packed >> 20);
    f.Month = static_cast<int>(packed >> 16 & 15);
    f.Day = static_cast<int>(packed >> 11 & 31);
    const int hour = static_cast<int>(packed >> 6 & 31);
    const int minute = static_cast<int>(packed & 63);
    static const int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (f.Year < 1 || f.Month < 1 || f.Month > 12 || f.Day < 1 || hour > 23 || minute > 59)
        return std::nullopt;
    const bool leap = (f.Year % 4 == 0 && f.Year % 100 != 0) || f.Year % 400 == 0;
    if (f.Day > monthDays[f.Month - 1] + (f.Month == 2 && leap ? 1 : 0))
        return std::nullopt;
    return EncodeDateTime(f) + (hour * 60 + minute) / 1440.0 - TimeZoneBias();
}

bool ReadIE2IndexImage(TCabinet &cabinet, std::string_view image, const std::string &path) {
    return ReadLineIndexImage(cabinet, image, path,
                              {IE2IndexSignature, ",\r\n", LastFieldNumber, StoreField});
}

void ReadIE2Index(TCabinet &cabinet, const std::string &path) {
    std::string image;
    if (!ReadIndexFile(cabinet, path, image))
        return;
    ReadIE2IndexImage(cabinet, image, path);
}
