#include "support/ieBuilder.h"

#include "stores/ie2Index.h"

namespace {
constexpr size_t BlockSize = 128;
constexpr size_t RecordTexts = 104; // the texts follow the fixed part of a record

size_t RoundUp(size_t n) {
    return (n + BlockSize - 1) / BlockSize * BlockSize;
}

size_t RecordLength(const TIE4Record &r) {
    return RoundUp(RecordTexts + r.URL.size() + r.FileName.size() + r.Headers.size() + 3);
}

void Put(std::string &image, size_t offset, uint64_t value, int bytes) {
    if (image.size() < offset + static_cast<size_t>(bytes))
        image.resize(offset + static_cast<size_t>(bytes));
    for (int i = 0; i < bytes; ++i)
        image[offset + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i) & 0xFF);
}
} // namespace

uint64_t IE4FileTime(int64_t unixSeconds) {
    return static_cast<uint64_t>(unixSeconds + 11644473600LL) * 10000000ULL;
}

int TIE4Builder::Add(const TIE4Record &record) {
    Records.push_back(record);
    return static_cast<int>(Records.size() - 1);
}

void TIE4Builder::Put32(std::string &image, size_t offset, uint32_t value) {
    Put(image, offset, value, 4);
}

void TIE4Builder::Put64(std::string &image, size_t offset, uint64_t value) {
    Put(image, offset, value, 8);
}

TIE4Image TIE4Builder::Build() const {
    std::vector<std::vector<TIE4Entry>> tables = Tables;
    if (tables.empty()) {
        tables.emplace_back();
        for (size_t i = 0; i < Records.size(); ++i)
            tables[0].push_back(TIE4Entry::Of(static_cast<int>(i)));
    }
    TIE4Image out;
    std::string &image = out.Bytes;
    image = Signature;
    image.resize(RoundUp(76 + 12 * Folders.size()), '\0');
    Put32(image, 72, static_cast<uint32_t>(Folders.size()));
    for (size_t i = 0; i < Folders.size(); ++i) {
        // Ahead of each name: the number of files in the subfolder.
        uint32_t files = 0;
        for (const TIE4Record &r : Records)
            files += r.Folder == i;
        Put32(image, 76 + 12 * i, files);
        image.replace(76 + 12 * i + 4, Folders[i].size() < 8 ? Folders[i].size() : 8,
                      Folders[i].substr(0, 8));
    }
    size_t at = image.size();
    for (const auto &table : tables) {
        out.TableAt.push_back(static_cast<uint32_t>(at));
        at += RoundUp(16 + 8 * (table.size() + 1));
    }
    for (const TIE4Record &record : Records) {
        out.RecordAt.push_back(static_cast<uint32_t>(at));
        at += RecordLength(record);
    }
    image.resize(at, '\0');
    Put32(image, 32, tables.empty() ? 0 : out.TableAt[0]);
    for (size_t t = 0; t < tables.size(); ++t) {
        const size_t table = out.TableAt[t];
        image.replace(table, 4, "HASH");
        Put32(image, table + 4,
              static_cast<uint32_t>(RoundUp(16 + 8 * (tables[t].size() + 1)) / BlockSize));
        Put32(image, table + 8, t + 1 < tables.size() ? out.TableAt[t + 1] : 0);
        Put32(image, table + 12, static_cast<uint32_t>(t));
        for (size_t e = 0; e < tables[t].size(); ++e) {
            const TIE4Entry &entry = tables[t][e];
            const uint32_t offset =
                entry.Record >= 0 ? out.RecordAt[static_cast<size_t>(entry.Record)] : entry.Raw;
            Put32(image, table + 16 + 8 * e, 0x5A5A0000u + static_cast<uint32_t>(e));
            Put32(image, table + 16 + 8 * e + 4, offset);
        }
    }
    for (size_t i = 0; i < Records.size(); ++i) {
        const TIE4Record &r = Records[i];
        const size_t base = out.RecordAt[i];
        image.replace(base, r.Magic.size() < 4 ? r.Magic.size() : 4, r.Magic.substr(0, 4));
        Put32(image, base + 4, static_cast<uint32_t>(RecordLength(r) / BlockSize));
        Put64(image, base + 8, r.Modified);
        Put64(image, base + 16, r.Accessed);
        Put32(image, base + 32, r.Size);
        size_t text = RecordTexts;
        Put32(image, base + AddressField, static_cast<uint32_t>(text));
        image.replace(base + text, r.URL.size(), r.URL);
        text += r.URL.size() + 1;
        Put32(image, base + FolderField, r.Folder);
        Put32(image, base + FileNameField, static_cast<uint32_t>(text));
        image.replace(base + text, r.FileName.size(), r.FileName);
        text += r.FileName.size() + 1;
        Put32(image, base + HeadersField, static_cast<uint32_t>(text));
        image.replace(base + text, r.Headers.size(), r.Headers);
    }
    return out;
}

std::string IE2Header() {
    return std::string(IE2IndexSignature) + " 1.0\r\n";
}

uint32_t IE2PackedTime(int year, int month, int day, int hour, int minute) {
    return static_cast<uint32_t>(year) << 20 | static_cast<uint32_t>(month) << 16 |
           static_cast<uint32_t>(day) << 11 | static_cast<uint32_t>(hour) << 6 |
           static_cast<uint32_t>(minute);
}

std::string IE2Line(const std::string &url, int32_t size, uint32_t modified, uint32_t accessed,
                    const std::string &type, const std::string &cachePath) {
    return "1," + url + "," + std::to_string(size) + "," +
           std::to_string(static_cast<int32_t>(modified)) + ",0,0,0," +
           std::to_string(static_cast<int32_t>(accessed)) + ",0," + type + "," + cachePath +
           ",0\r\n";
}
