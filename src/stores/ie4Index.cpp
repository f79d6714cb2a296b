#include "stores/ie4Index.h"

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "items/file.h"
#include "platform/byteReader.h"
#include "platform/fs.h"
#include "platform/seam.h"
#include "stores/reading.h"
#include "stores/urlCache.h"

namespace {
// File header.
constexpr uint64_t FirstTableField = 32;

// Hash table.
constexpr std::string_view TableMagic = "HASH";
constexpr uint64_t NextTableField = 8;
constexpr uint64_t FirstEntry = 16;
constexpr uint64_t EntrySize = 8;
constexpr uint64_t EntryRecordField = 4;
constexpr uint32_t EndOfTable = 0;
constexpr uint32_t FreeEntry = 3;
constexpr uint64_t EntryBudgetFactor = 4;

// Address record.
constexpr std::string_view RecordMagic = "URL";
constexpr uint64_t ModifiedField = 8;
constexpr uint64_t AccessedField = 16;
constexpr uint64_t SizeField = 32;
constexpr uint64_t AddressField = 56;
constexpr uint64_t FolderField = 60;
constexpr uint64_t FileNameField = 64;
constexpr uint64_t HeadersField = 72;
constexpr uint32_t NoCacheFile = 255;

struct TTable {
    uint64_t First; // the first entry
    uint64_t End;   // the terminating entry
};

class TIE4Reader {
public:
    TIE4Reader(TCabinet &cabinet, std::string_view image) : cabinet(cabinet), in(image) {}

    // False at the first fault; the entries filed before it stay.
    bool Read() {
        uint32_t firstTable = 0;
        if (!ReadUrlCacheFolders(in, folders) || !in.U32(FirstTableField, firstTable))
            return false;
        int64_t used = 0;
        if (!FollowChain(firstTable, used))
            return false;
        seam::StartProgress(0, used);
        for (const TTable &table : tables)
            for (uint64_t entry = table.First; entry < table.End; entry += EntrySize) {
                uint32_t record = 0;
                in.U32(entry + EntryRecordField, record); // inside the table: checked by the chain
                if (record != FreeEntry && !ReadRecord(record))
                    return false;
            }
        return true;
    }

private:
    // Collects the tables of the chain and counts their used entries. A table whose entries
    // run on into the bytes after it is read as they come; but a chain that comes back to a
    // table would never end, and tables that share their entries could be walked over and
    // over, so all tables together may walk only a few times the entries the file can hold.
    bool FollowChain(uint32_t offset, int64_t &used) {
        std::unordered_set<uint32_t> visited;
        uint64_t budget = EntryBudgetFactor * (in.Size() / EntrySize);
        while (offset != 0) {
            std::string_view magic;
            if (!in.Bytes(offset, TableMagic.size(), magic))
                return false;
            if (magic != TableMagic)
                break;
            if (!visited.insert(offset).second)
                return false;
            uint64_t entry = offset + FirstEntry;
            for (;; entry += EntrySize) {
                uint32_t record = 0;
                if (budget-- == 0 || !in.U32(entry + EntryRecordField, record))
                    return false;
                if (record == EndOfTable)
                    break;
                if (record != FreeEntry)
                    ++used;
            }
            tables.push_back({offset + FirstEntry, entry});
            if (!in.U32(offset + NextTableField, offset))
                return false;
        }
        return true;
    }

    bool ReadRecord(uint64_t record) {
        std::string_view magic;
        if (!in.Bytes(record, RecordMagic.size(), magic))
            return false;
        if (magic != RecordMagic)
            return true;
        uint32_t folder = 0;
        if (!in.U32(record + FolderField, folder))
            return false;
        if (folder == NoCacheFile)
            return true;
        if (folder >= folders.size())
            return false;
        uint64_t modified = 0, accessed = 0;
        uint32_t size = 0, address = 0, fileName = 0, headers = 0;
        if (!in.U64(record + ModifiedField, modified) ||
            !in.U64(record + AccessedField, accessed) || !in.U32(record + SizeField, size) ||
            !in.U32(record + AddressField, address) || !in.U32(record + FileNameField, fileName) ||
            !in.U32(record + HeadersField, headers))
            return false;
        std::string_view addressText, fileNameText, headersText;
        if (!texts.TextAt(record + address, addressText) ||
            !texts.TextAt(record + fileName, fileNameText) ||
            !texts.TextAt(record + headers, headersText))
            return false;
        data.URL.assign(addressText);
        data.CacheFile.assign(folders[folder]);
        data.CacheFile += '/';
        data.CacheFile += fileNameText;
        data.Size = static_cast<int32_t>(size);
        data.Accessed = FileTimeToDateTime(accessed);
        data.Modified = FileTimeToDateTime(modified);
        data.Headers.assign(headersText.substr(0, headersText.find('\0')));
        data.ContentType = GetContentType(headersText);
        seam::StepProgress(1);
        AddURL(cabinet, data.URL, data);
        return true;
    }

    TCabinet &cabinet;
    TByteReader in;
    std::vector<std::string_view> folders; // names inside the image
    std::vector<TTable> tables;
    TUrlCacheTexts texts{in};
    TFileData data; // kept across records
};
} // namespace

bool ReadIE4IndexImage(TCabinet &cabinet, std::string_view image, const std::string &path) {
    return ReadUrlCacheImage(
        cabinet, image, path, IE4IndexSignature,
        [](TCabinet &into, std::string_view bytes) { return TIE4Reader(into, bytes).Read(); });
}

void ReadIE4Index(TCabinet &cabinet, const std::string &path) {
    ReadUrlCacheIndex(cabinet, path, ReadIE4IndexImage);
}
