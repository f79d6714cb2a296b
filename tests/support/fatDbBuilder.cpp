#include "support/fatDbBuilder.h"

void PutU16(std::string &bytes, size_t offset, uint16_t value) {
    bytes[offset] = static_cast<char>(value & 0xFF);
    bytes[offset + 1] = static_cast<char>(value >> 8);
}

void PutU32(std::string &bytes, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

void PutU32BigEndian(std::string &bytes, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>(value >> (8 * (3 - i)) & 0xFF);
}

std::string CountedText(const std::string &bytes) {
    std::string out(4, '\0');
    PutU32(out, 0, static_cast<uint32_t>(bytes.size()));
    return out + bytes;
}

std::string FatDbKey(const std::string &url, const std::string &tag) {
    return tag + CountedText(url);
}

std::string FatDbData(const TFatDbEntry &entry) {
    std::string out(29, '\0');
    PutU32(out, 8, static_cast<uint32_t>(entry.modified));
    PutU32(out, 12, static_cast<uint32_t>(entry.accessed));
    PutU32(out, 20, static_cast<uint32_t>(entry.size));
    out += CountedText(entry.cacheFile);
    out += std::string(29, '\0');
    out += CountedText(entry.unused);
    out += CountedText(entry.contentType);
    return out;
}

size_t TFatDbBuilder::AddPairs(const std::vector<std::pair<std::string, std::string>> &pairs,
                               size_t next) {
    TFatDbPage page;
    page.words.push_back(0);
    size_t offset = pageSize;
    for (const auto &[key, data] : pairs) {
        offset -= key.size();
        page.bytes.emplace_back(static_cast<uint16_t>(offset), key);
        page.words.push_back(static_cast<uint16_t>(offset));
        offset -= data.size();
        page.bytes.emplace_back(static_cast<uint16_t>(offset), data);
        page.words.push_back(static_cast<uint16_t>(offset));
    }
    if (next != 0) {
        page.words.push_back(OverflowAddress(next));
        page.words.push_back(0);
    }
    const size_t n = page.words.size() - 1;
    page.words[0] = static_cast<uint16_t>(n);
    page.words.push_back(static_cast<uint16_t>(offset - 2 * (n + 3))); // free space
    page.words.push_back(static_cast<uint16_t>(offset));
    return AddPage(std::move(page));
}

size_t TFatDbBuilder::AddPage(TFatDbPage page) {
    pages.push_back({std::move(page), {}, false});
    return pages.size();
}

size_t TFatDbBuilder::AddRaw(const std::string &bytes) {
    pages.push_back({{}, bytes, true});
    return pages.size();
}

std::string TFatDbBuilder::Bytes() const {
    std::string out(pageSize, '\0');
    PutU32BigEndian(out, 0, 0x061561);
    PutU32BigEndian(out, 4, 2);    // version
    PutU32BigEndian(out, 8, 1234); // byte order
    PutU32BigEndian(out, 12, pageSize);
    PutU32BigEndian(out, 40,
                    static_cast<uint32_t>(LastBucket < 0 ? static_cast<int32_t>(pages.size()) - 1
                                                         : LastBucket));
    PutU32BigEndian(out, 60, 1); // header pages
    for (const TStoredPage &stored : pages) {
        if (stored.isRaw) {
            out += stored.raw;
            continue;
        }
        std::string page(pageSize, '\0');
        for (size_t i = 0; i < stored.page.words.size() && 2 * i + 2 <= pageSize; ++i)
            PutU16(page, 2 * i, stored.page.words[i]);
        for (const auto &[offset, bytes] : stored.page.bytes)
            page.replace(offset, bytes.size(), bytes);
        page.resize(pageSize);
        out += page;
    }
    return out;
}
