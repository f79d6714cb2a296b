#pragma once
// Writes MS-IE 3.x index files (MM256.DAT, MM2048.DAT) field by field for the tests, the
// fuzz seeds and the benchmarks. Every field sits where the reader looks for it, so a
// corruption is one Put32 on the built image.
#include <cstdint>
#include <string>
#include <vector>

struct TIE3Record {
    std::string URL;
    std::string FileName;
    uint32_t Size = 0;
    uint64_t Modified = 0; // Windows file times
    uint64_t Accessed = 0;
    uint32_t TypeSource = 2; // 0: Headers, 1: TypeText, other: no type
    std::string Headers;
    std::string TypeText;
    int First = -1; // index of the record heading the first subtree, -1 for none
    int Second = -1;
};

// The Windows file time of a moment given in Unix seconds (UTC).
uint64_t IE3FileTime(int64_t unixSeconds);

class TIE3Builder {
public:
    // Header bytes before the first record, and the fixed part of each record.
    static constexpr size_t HeaderSize = 64;
    static constexpr size_t RecordSize = 80;

    // Appends a record (laid out in the order added); returns its index.
    int Add(const TIE3Record &record);
    TIE3Record &Record(int index) { return records[static_cast<size_t>(index)]; }
    size_t Count() const { return records.size(); }
    // The root record (-1: empty tree; the default is the first record added).
    void SetRoot(int index) { root = index; }
    // Links the records as a chain through their first subtrees, in the order added.
    void Chain();
    // Links the records as a complete binary tree in the order added (record i heads the
    // subtrees 2i+1 and 2i+2).
    void Balance();

    // The image: signature, root reference at 32, record count at 40, then each record
    // followed by its texts.
    std::string Build() const;
    // Where a record starts in the built image, and the reference that designates it.
    size_t Offset(int index) const;
    uint32_t Reference(int index) const { return static_cast<uint32_t>(Offset(index) + 4); }

    // Little-endian stores into an image.
    static void Put32(std::string &image, size_t offset, uint32_t value);
    static void Put64(std::string &image, size_t offset, uint64_t value);

private:
    size_t Length(const TIE3Record &record) const;
    std::vector<TIE3Record> records;
    int root = 0;
};
