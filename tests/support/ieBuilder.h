#pragma once
// Writes MS-IE 4.x "index.dat" images and MS-IE 2.x "iexplore.cif" lines field by field for
// the tests, the fuzz seeds and the benchmarks. Every field sits where the reader looks for
// it, so a corruption is one Put32 on the built image.
#include <cstdint>
#include <string>
#include <vector>

// The Windows file time of a moment given in Unix seconds (UTC).
uint64_t IE4FileTime(int64_t unixSeconds);

struct TIE4Record {
    std::string Magic = "URL ";
    uint64_t Modified = 0; // Windows file times
    uint64_t Accessed = 0;
    uint32_t Size = 0;
    std::string URL;
    uint32_t Folder = 0;
    std::string FileName;
    std::string Headers;
};

// One hash-table entry: a record of the builder, or a raw record offset (0 ends the table,
// 3 is a free entry).
struct TIE4Entry {
    int Record = -1;
    uint32_t Raw = 0;
    static TIE4Entry Of(int record) { return {record, 0}; }
    static TIE4Entry RawOffset(uint32_t offset) { return {-1, offset}; }
};

struct TIE4Image {
    std::string Bytes;
    std::vector<uint32_t> TableAt;  // offset of each hash table
    std::vector<uint32_t> RecordAt; // offset of each record
};

class TIE4Builder {
public:
    // Field offsets of a record, for corruptions.
    static constexpr uint32_t AddressField = 56;
    static constexpr uint32_t FolderField = 60;
    static constexpr uint32_t FileNameField = 64;
    static constexpr uint32_t HeadersField = 72;

    std::string Signature = "Client UrlCache MMF Ver 4.7";
    std::vector<std::string> Folders{"ABCD1234", "XYZ0"};
    std::vector<TIE4Record> Records;
    // The hash tables in chain order with their entries (a 0 entry is added after each).
    // Empty: one table holding every record in order.
    std::vector<std::vector<TIE4Entry>> Tables;

    int Add(const TIE4Record &record);

    // Header (signature, first table at 32, subfolder count at 72 and list at 76, padded to
    // 128 bytes), then the tables chained through their next offsets, then the records in
    // 128-byte blocks, each followed by its address, file name and headers.
    TIE4Image Build() const;

    // Little-endian stores into an image.
    static void Put32(std::string &image, size_t offset, uint32_t value);
    static void Put64(std::string &image, size_t offset, uint64_t value);
};

// The signature line of an "iexplore.cif".
std::string IE2Header();
// A packed UTC time (year, month, day, hour, minute).
uint32_t IE2PackedTime(int year, int month, int day, int hour, int minute);
// One index line: fields 0 to 11 separated by commas, ended by CR LF (12 separators).
std::string IE2Line(const std::string &url, int32_t size, uint32_t modified, uint32_t accessed,
                    const std::string &type, const std::string &cachePath);
