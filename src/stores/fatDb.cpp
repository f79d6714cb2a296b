#include "stores/fatDb.h"

#include <cstdint>
#include <vector>

#include "config/settings.h"
#include "items/file.h"
#include "items/unixTime.h"
#include "platform/byteReader.h"
#include "platform/fs.h"
#include "platform/seam.h"
#include "stores/reading.h"

namespace {
constexpr uint32_t Magic = 0x061561;
constexpr uint64_t LastBucketAt = 40;
constexpr uint64_t HeaderPagesAt = 60;
constexpr uint64_t SparesAt = 68;
constexpr int SpareCount = 32;
constexpr uint64_t MaxPageSize = 65536;

// Data words below RealKey mark the pieces of a long entry.
constexpr uint16_t PartialKey = 1;
constexpr uint16_t FullKey = 2;
constexpr uint16_t FullKeyData = 3;
constexpr uint16_t RealKey = 4;

constexpr uint64_t NoPage = 0;

// Pages of a chain hold entries; a chain page whose first pair begins a long entry is marked
// by whether the entry's pieces could be followed; the later pages of a long entry are its.
enum TPageRole : uint8_t { PageUnused, PageChain, PageLongStart, PageLongBroken, PagePiece };

uint32_t BigEndian32(std::string_view image, uint64_t offset) {
    uint32_t value = 0;
    for (uint64_t i = 0; i < 4; ++i)
        value = value << 8 | static_cast<uint8_t>(image[offset + i]);
    return value;
}

// A counted text at pos: false when its length or its bytes lie outside the reader.
bool CountedText(const TByteReader &in, uint64_t &pos, std::string &value) {
    uint32_t length = 0;
    std::string_view bytes;
    if (!in.U32(pos, length) || !in.Bytes(pos + 4, length, bytes))
        return false;
    value = ReadCountedText(bytes);
    pos += 4 + uint64_t{length};
    return true;
}

class TFatDbReader {
public:
    TFatDbReader(TCabinet &cabinet, std::string_view image)
        : cabinet(cabinet), image(image), in(image) {}

    // False on a read error (the box is shown by the caller).
    bool Read(uint64_t pageSizeValue) {
        pageSize = pageSizeValue;
        pageCount = (image.size() + pageSize - 1) / pageSize;
        if (!ReadHeader())
            return false;
        MarkPages();
        for (uint64_t page = 1; page < pageCount; ++page) {
            const uint8_t role = roles[page];
            if (role != PageUnused && role != PagePiece && !ReadPage(page, role))
                return false;
            seam::StepProgress(1);
        }
        return !broken;
    }

private:
    TCabinet &cabinet;
    std::string_view image;
    TByteReader in;
    uint64_t pageSize = 0;
    uint64_t pageCount = 0;
    int64_t headerPages = 0;
    int64_t lastBucket = 0;
    int64_t spares[SpareCount] = {};
    std::vector<uint8_t> roles;
    bool broken = false; // chains loop or share pages, or the last bucket lies outside
    TFileData record;
    std::string longKey;
    std::string longData;

    bool ReadHeader() {
        if (!in.Has(0, SparesAt + 4 * SpareCount))
            return false;
        lastBucket = static_cast<int32_t>(BigEndian32(image, LastBucketAt));
        headerPages = static_cast<int32_t>(BigEndian32(image, HeaderPagesAt));
        for (int i = 0; i < SpareCount; ++i)
            spares[i] =
                static_cast<int32_t>(BigEndian32(image, SparesAt + 4 * static_cast<uint64_t>(i)));
        // The library always writes the header and the page of its last bucket; a header that
        // places them elsewhere describes some other file. Of such a file, the buckets that do
        // lie inside it are still read. A last bucket of -1 holds nothing.
        if (headerPages < 1 || lastBucket < -1)
            return false;
        if (lastBucket >= 0 && BucketPage(lastBucket) == NoPage)
            broken = true;
        return true;
    }

    bool Word(uint64_t page, uint64_t index, uint16_t &value) const {
        return in.U16(page * pageSize + 2 * index, value);
    }

    // The word count of a page whose words all lie inside the page; false when they do not.
    bool WordCount(uint64_t page, uint16_t &n) const {
        return Word(page, 0, n) && 2 + 2 * uint64_t{n} <= pageSize;
    }

    // The page number a bucket has in a table of any size.
    int64_t RawBucketPage(int64_t bucket) const {
        int64_t page = bucket + headerPages;
        if (bucket > 0) {
            int log = 0;
            while (log < SpareCount && (int64_t{1} << log) < bucket + 1)
                ++log;
            page += spares[log - 1];
        }
        return page;
    }

    uint64_t InFile(int64_t page) const {
        return page >= 1 && static_cast<uint64_t>(page) < pageCount ? static_cast<uint64_t>(page)
                                                                    : NoPage;
    }

    // The page of a bucket, or NoPage outside the file (a bucket never written is empty).
    uint64_t BucketPage(int64_t bucket) const { return InFile(RawBucketPage(bucket)); }

    // The page an overflow address names: its top 5 bits a split point, the rest a page
    // number (from 1) counted from the last bucket of that split.
    uint64_t OverflowPage(uint16_t address) const {
        const int64_t number = address & 0x7FF;
        if (number == 0)
            return NoPage;
        return InFile(RawBucketPage((int64_t{1} << (address >> 11)) - 1) + number);
    }

    bool Claim(uint64_t page, TPageRole role) {
        if (roles[page] != PageUnused) {
            broken = true;
            return false;
        }
        roles[page] = role;
        return true;
    }

    // Walks the pages of the long entry that begins at index 1 of page first. Appends the
    // pieces to key and data when they are given; claims the pieces' pages when marking.
    // next is the chain page after the entry (NoPage at the end of the chain). False when a
    // piece is missing or malformed, or the walk meets a page twice.
    bool WalkLongEntry(uint64_t first, bool marking, std::string *key, std::string *data,
                       uint64_t &next) {
        next = NoPage;
        uint64_t page = first;
        bool inKey = true;
        for (uint64_t steps = 0; steps < pageCount; ++steps) {
            if (page != first && marking && !Claim(page, PagePiece))
                return false;
            uint16_t n = 0, offset = 0, marker = 0;
            if (!WordCount(page, n) || n < 2 || !Word(page, 1, offset) || !Word(page, 2, marker) ||
                offset > pageSize)
                return false;
            const uint64_t start = page * pageSize;
            std::string_view piece;
            if (!in.Bytes(start + offset, pageSize - offset, piece))
                return false;
            uint16_t link = 0;
            if (n >= 4 && !Word(page, n - 1u, link))
                return false;
            if (marker == FullKeyData && inKey) {
                // The key ends here and its data follows on this page; without a free byte
                // left, the data goes on to the next page.
                uint16_t dataOffset = 0, freeSpace = 0;
                if (n < 4 || !Word(page, n, dataOffset) || !Word(page, n + 1u, freeSpace) ||
                    dataOffset > offset)
                    return false;
                if (key)
                    key->append(piece);
                if (data)
                    data->append(image.substr(start + dataOffset, offset - dataOffset));
                if (freeSpace != 0) {
                    next = OverflowPage(link);
                    return true;
                }
                inKey = false;
            } else if (marker == FullKeyData) {
                if (data)
                    data->append(piece);
                next = n >= 4 ? OverflowPage(link) : NoPage;
                return true;
            } else if (marker == PartialKey || marker == FullKey) {
                if (inKey) {
                    if (key)
                        key->append(piece);
                    inKey = marker == PartialKey;
                } else if (data) {
                    data->append(piece);
                }
            } else {
                return false;
            }
            if (n < 4)
                return false;
            page = OverflowPage(link);
            if (page == NoPage)
                return false;
        }
        return false;
    }

    // Gives every page its role: the pages of the buckets' chains hold entries, the later
    // pages of a long entry hold its pieces, all others nothing.
    void MarkPages() {
        roles.assign(pageCount, PageUnused);
        const int64_t buckets = lastBucket < 0 ? -1
                                : static_cast<uint64_t>(lastBucket) < pageCount
                                    ? lastBucket
                                    : static_cast<int64_t>(pageCount);
        for (int64_t bucket = 0; bucket <= buckets; ++bucket) {
            uint64_t page = BucketPage(bucket);
            while (page != NoPage && Claim(page, PageChain))
                page = NextChainPage(page);
        }
    }

    uint64_t NextChainPage(uint64_t page) {
        uint16_t n = 0;
        if (!WordCount(page, n) || n % 2 != 0)
            return NoPage;
        for (uint16_t index = 1; index < n; index += 2) {
            uint16_t keyWord = 0, dataWord = 0;
            if (!Word(page, index, keyWord) || !Word(page, index + 1u, dataWord))
                return NoPage;
            if (dataWord == 0)
                return OverflowPage(keyWord);
            if (dataWord < RealKey) {
                // Only the first pair of a page may begin a long entry.
                uint64_t next = NoPage;
                if (index != 1)
                    return NoPage;
                const bool whole = WalkLongEntry(page, true, nullptr, nullptr, next);
                roles[page] = whole ? PageLongStart : PageLongBroken;
                return whole ? next : NoPage;
            }
        }
        return NoPage;
    }

    // Files the entries of one page of a chain; false on a read error.
    bool ReadPage(uint64_t page, uint8_t role) {
        uint16_t n = 0;
        if (!Word(page, 0, n))
            return false;
        if (n == 0 || n % 2 != 0)
            return true;
        if (2 + 2 * uint64_t{n} > pageSize)
            return false;
        const uint64_t start = page * pageSize;
        // The items of a page lie one below the other from its end, each key above its data;
        // every field is read inside its own item, so no byte is read for two entries.
        uint64_t above = pageSize;
        for (uint16_t index = 1; index < n; index += 2) {
            uint16_t keyOffset = 0, dataOffset = 0;
            if (!Word(page, index, keyOffset) || !Word(page, index + 1u, dataOffset))
                return false;
            if (keyOffset == 0 || dataOffset == 0)
                continue;
            if (dataOffset < RealKey) {
                if (index != 1 || role != PageLongStart)
                    return false;
                longKey.clear();
                longData.clear();
                uint64_t next = NoPage;
                bool internal = false;
                return WalkLongEntry(page, false, &longKey, &longData, next) &&
                       FileEntry(longKey, longData, internal);
            }
            std::string_view items;
            if (keyOffset > above || dataOffset > keyOffset ||
                !in.Bytes(start + dataOffset, above - dataOffset, items))
                return false;
            const size_t keyStart = keyOffset - dataOffset;
            bool internal = false;
            if (!FileEntry(items.substr(keyStart), items.substr(0, keyStart), internal))
                return false;
            if (internal)
                return true;
            above = dataOffset;
        }
        return true;
    }

    // Files the entry of a key and its data. internal is set (and nothing filed) for an
    // "INT_" key. False on a read error.
    bool FileEntry(std::string_view key, std::string_view data, bool &internal) {
        const TByteReader keys(key), datas(data);
        std::string_view tag;
        if (!keys.Bytes(0, 4, tag))
            return false;
        internal = tag == "INT_";
        if (internal)
            return true;
        uint32_t length = 0;
        std::string_view address;
        uint32_t modified = 0, accessed = 0, size = 0;
        if (!keys.U32(4, length) || !keys.Bytes(8, length, address) || !datas.U32(8, modified) ||
            !datas.U32(12, accessed) || !datas.U32(20, size))
            return false;
        record.URL = ReadCountedText(address);
        record.Modified = UnixToDateTime(static_cast<int32_t>(modified));
        record.Accessed = UnixToDateTime(static_cast<int32_t>(accessed));
        record.Size = static_cast<int32_t>(size);
        record.CacheFile.clear();
        record.ContentType.clear();
        std::string unused;
        uint64_t pos = 29;
        bool texts = CountedText(datas, pos, record.CacheFile);
        pos += 29;
        texts =
            texts && CountedText(datas, pos, unused) && CountedText(datas, pos, record.ContentType);
        if (!texts) {
            record.ContentType.clear();
            if (Settings().Warning)
                seam::Messages().WarningBox(
                    "コンテンツタイプが読めません。ファイル拡張子で判断します。\r\nURL : " +
                    record.URL);
        }
        AddURL(cabinet, record.URL, record);
        return true;
    }
};
} // namespace

std::string ReadCountedText(std::string_view bytes) {
    size_t nul = bytes.find('\0');
    if (nul != std::string_view::npos)
        bytes = bytes.substr(0, nul);
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    size_t first = 0;
    while (first < bytes.size() && blank(bytes[first]))
        ++first;
    size_t last = bytes.size();
    while (last > first && blank(bytes[last - 1]))
        --last;
    return std::string(bytes.substr(first, last - first));
}

bool ReadFatDbImage(TCabinet &cabinet, std::string_view image, const std::string &path) {
    bool complete = false;
    if (image.empty()) {
        ShowCacheReadError(path);
    } else if (image.size() >= 4 && BigEndian32(image, 0) == Magic) {
        const uint64_t pageSize = image.size() >= 16 ? BigEndian32(image, 12) : 0;
        if (pageSize == 0 || pageSize > MaxPageSize || (pageSize & (pageSize - 1)) != 0) {
            ShowCacheReadError(path);
        } else {
            const int64_t size = static_cast<int64_t>(image.size());
            const int64_t page = static_cast<int64_t>(pageSize);
            seam::StartProgress(0, (size - page) / page);
            TFatDbReader reader(cabinet, image);
            complete = reader.Read(pageSize);
            if (!complete)
                ShowCacheReadError(path);
        }
    }
    cabinet.IndexComplete = complete;
    seam::ResetProgress();
    return complete;
}

void ReadFatDb(TCabinet &cabinet, const std::string &path) {
    std::string image;
    if (!ReadIndexFile(cabinet, path, image))
        return;
    ReadFatDbImage(cabinet, image, path);
}
