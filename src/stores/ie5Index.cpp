#include "stores/ie5Index.h"

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
// File header: the same as in the 4.x index.
constexpr uint64_t FirstTableField = 32;

// Hash table: a header, then entries of a hash (whose low bits say how the entry is used)
// and a record offset. The blocks after the 448th entry are padding.
constexpr std::string_view TableMagic = "HASH";
constexpr uint64_t BlockCountField = 4;
constexpr uint64_t NextTableField = 8;
constexpr uint64_t FirstEntry = 16;
constexpr uint64_t BlockSize = 128;
constexpr uint64_t EntrySize = 8;
constexpr uint64_t EntriesPerTable = 448;
constexpr uint64_t EntryRecordField = 4;
constexpr uint32_t NoRecord = 0;
constexpr uint32_t FreeRecord = 3;
constexpr uint32_t HashUseMask = 0xF;
constexpr uint32_t HashDeleted = 1;
constexpr uint32_t HashFree = 3;
constexpr uint64_t EntryBudgetFactor = 4;

// Address record.
constexpr std::string_view RecordMagic = "URL ";
constexpr uint64_t ModifiedField = 8;
constexpr uint64_t AccessedField = 16;
constexpr uint64_t SizeField = 32;
constexpr uint64_t AddressField = 52;
constexpr uint64_t FolderField = 56;
constexpr uint64_t FileNameField = 60;
constexpr uint64_t HeadersField = 68;
constexpr uint64_t HeadersSizeField = 72;
constexpr uint8_t FirstNoFolder = 0xFE; // 0xFE and 0xFF: no cached file

// History addresses: "Visited: user@address", and ":YYYYMMDDYYYYMMDD: user@address" in the
// daily and weekly folders.
constexpr std::string_view VisitedPrefix = "Visited: ";
constexpr size_t PeriodPrefixSize = 19;

bool IsPeriodPrefix(std::string_view address) {
    if (address.size() < PeriodPrefixSize || address[0] != ':' || address[17] != ':' ||
        address[18] != ' ')
        return false;
    for (size_t i = 1; i < 17; ++i)
        if (address[i] < '0' || address[i] > '9')
            return false;
    return true;
}

// The address a history record is filed under; false when address is not a history one.
bool HistoryAddress(std::string_view address, std::string_view &filed) {
    size_t prefix = 0;
    if (address.substr(0, VisitedPrefix.size()) == VisitedPrefix)
        prefix = VisitedPrefix.size();
    else if (IsPeriodPrefix(address))
        prefix = PeriodPrefixSize;
    else
        return false;
    filed = address.substr(prefix);
    size_t at = filed.find('@');
    if (at != std::string_view::npos)
        filed.remove_prefix(at + 1);
    return true;
}

struct TTable {
    uint64_t First; // the first entry
    uint64_t End;   // past the last entry
};

class TIE5Reader {
public:
    TIE5Reader(TCabinet &cabinet, std::string_view image) : cabinet(cabinet), in(image) {}

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
                uint32_t hash = 0, record = 0;
                in.U32(entry, hash); // inside the file: checked by the chain
                in.U32(entry + EntryRecordField, record);
                if (Used(hash, record) && !ReadRecord(record))
                    return false;
            }
        return true;
    }

private:
    static bool Used(uint32_t hash, uint32_t record) {
        const uint32_t use = hash & HashUseMask;
        return record != NoRecord && record != FreeRecord && use != HashDeleted && use != HashFree;
    }

    // Collects the tables of the chain and counts their used entries. Every entry must lie
    // inside the file. A chain that comes back to a table would never end, and tables that
    // overlap could be walked over and over, so all tables together may walk only a few
    // times the entries the file can hold.
    bool FollowChain(uint32_t offset, int64_t &used) {
        std::unordered_set<uint32_t> visited;
        uint64_t budget = EntryBudgetFactor * (in.Size() / EntrySize);
        while (offset != 0) {
            std::string_view magic;
            uint32_t blocks = 0;
            if (!in.Bytes(offset, TableMagic.size(), magic))
                return false;
            if (magic != TableMagic)
                break;
            if (!visited.insert(offset).second || !in.U32(offset + BlockCountField, blocks))
                return false;
            const uint64_t bytes = static_cast<uint64_t>(blocks) * BlockSize;
            uint64_t count = bytes > FirstEntry ? (bytes - FirstEntry) / EntrySize : 0;
            if (count > EntriesPerTable)
                count = EntriesPerTable;
            const uint64_t first = offset + FirstEntry;
            if (count > budget || !in.Has(first, count * EntrySize))
                return false;
            budget -= count;
            for (uint64_t entry = first; entry < first + count * EntrySize; entry += EntrySize) {
                uint32_t hash = 0, record = 0;
                in.U32(entry, hash);
                in.U32(entry + EntryRecordField, record);
                if (Used(hash, record))
                    ++used;
            }
            tables.push_back({first, first + count * EntrySize});
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
        uint64_t modified = 0, accessed = 0;
        uint32_t size = 0, address = 0, fileName = 0, headers = 0, headersSize = 0;
        uint8_t folder = 0;
        if (!in.U64(record + ModifiedField, modified) ||
            !in.U64(record + AccessedField, accessed) || !in.U32(record + SizeField, size) ||
            !in.U32(record + AddressField, address) || !in.U8(record + FolderField, folder) ||
            !in.U32(record + FileNameField, fileName) || !in.U32(record + HeadersField, headers) ||
            !in.U32(record + HeadersSizeField, headersSize))
            return false;
        std::string_view addressText, headersText;
        if (!texts.TextAt(record + address, addressText))
            return false;
        if (headersSize != 0 &&
            (!in.Bytes(record + headers, headersSize, headersText) || !texts.Spend(headersSize)))
            return false;
        headersText = headersText.substr(0, headersText.find('\0'));

        std::string_view filed;
        data.CacheFile.clear();
        if (HistoryAddress(addressText, filed)) {
            addressText = filed;
        } else if (folder < FirstNoFolder) {
            std::string_view fileNameText;
            if (folder >= folders.size() || !texts.TextAt(record + fileName, fileNameText))
                return false;
            data.CacheFile.assign(folders[folder]);
            data.CacheFile += '/';
            data.CacheFile += fileNameText;
        }
        data.URL.assign(addressText);
        data.Size = static_cast<int32_t>(size);
        data.Accessed = FileTimeToDateTime(accessed);
        data.Modified = FileTimeToDateTime(modified);
        data.Headers.assign(headersText);
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

bool ReadIE5IndexImage(TCabinet &cabinet, std::string_view image, const std::string &path) {
    return ReadUrlCacheImage(
        cabinet, image, path, IE5IndexSignature,
        [](TCabinet &into, std::string_view bytes) { return TIE5Reader(into, bytes).Read(); });
}

void ReadIE5Index(TCabinet &cabinet, const std::string &path) {
    ReadUrlCacheIndex(cabinet, path, ReadIE5IndexImage);
}
