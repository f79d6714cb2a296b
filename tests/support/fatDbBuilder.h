#pragma once
// Hand-built cache databases (fat.db) for the reader's tests: pages laid out word by word as
// the Berkeley DB 1.85 hash library lays them out, so a corruption is a one-line change. The
// header has one page, no spare pages: bucket b lives at page b + 1, and the overflow address
// of page p (split point 0) is p - 1.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// A counted text: 32-bit little-endian length, then the bytes.
std::string CountedText(const std::string &bytes);

// The key of a cache entry: four bytes (tag), then the address as a counted text.
std::string FatDbKey(const std::string &url, const std::string &tag = std::string(4, '\0'));

struct TFatDbEntry {
    std::string url;
    int32_t modified = 0;
    int32_t accessed = 0;
    int32_t size = 0;
    std::string cacheFile;
    std::string contentType;
    std::string unused; // the text between the cache file and the content type
};

// The data of a cache entry as the browser stores it.
std::string FatDbData(const TFatDbEntry &entry);

struct TFatDbPage {
    std::vector<uint16_t> words; // words[0] is the count n; the offsets follow
    std::vector<std::pair<uint16_t, std::string>> bytes; // placed at their offsets
};

class TFatDbBuilder {
public:
    explicit TFatDbBuilder(uint32_t pageSize = 512) : pageSize(pageSize) {}

    // Number of the last bucket; -1 makes every page a bucket.
    int32_t LastBucket = -1;
    uint32_t PageSize() const { return pageSize; }

    // A page of key/data pairs placed from the page end downwards, each key above its data,
    // with the free-space and offset words after the offsets; an overflow pointer [address, 0]
    // to the page `next` ends the page when next is not 0. Returns the page's number.
    size_t AddPairs(const std::vector<std::pair<std::string, std::string>> &pairs, size_t next = 0);
    // A page as given.
    size_t AddPage(TFatDbPage page);
    size_t AddRaw(const std::string &bytes);
    TFatDbPage &Page(size_t number) { return pages[number - 1].page; }

    static uint16_t OverflowAddress(size_t page) { return static_cast<uint16_t>(page - 1); }

    // The whole file.
    std::string Bytes() const;

private:
    struct TStoredPage {
        TFatDbPage page;
        std::string raw;
        bool isRaw = false;
    };
    uint32_t pageSize;
    std::vector<TStoredPage> pages;
};

// Writes a u16 / u32 little-endian, or a u32 big-endian, at offset of bytes (which must hold it).
void PutU16(std::string &bytes, size_t offset, uint16_t value);
void PutU32(std::string &bytes, size_t offset, uint32_t value);
void PutU32BigEndian(std::string &bytes, size_t offset, uint32_t value);
