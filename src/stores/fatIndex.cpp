#include "stores/fatIndex.h"

#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

#include "items/file.h"
#include "items/unixTime.h"
#include "platform/fs.h"
#include "platform/seam.h"
#include "stores/reading.h"

bool ParseIndexNumber(std::string_view text, int32_t &value) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    }
    if (i == text.size())
        return false;
    const int64_t limit = negative ? INT64_C(2147483648) : INT64_C(2147483647);
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return false;
    }
    value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
}

namespace {
constexpr size_t LastFieldNumber = 11;


// Stores one field of a line into the record; false when a number field does not convert.
bool StoreField(size_t number, std::string_view text, TFileData &record) {
    int32_t value = 0;
    switch (number) {
    case 1:
        if (!ParseIndexNumber(text, value))
            return false;
        record.Modified = UnixToDateTime(value);
        return true;
    case 2:
        if (!ParseIndexNumber(text, value))
            return false;
        record.Accessed = UnixToDateTime(value);
        return true;
    case 3: {
        size_t cut = text.find_last_of("\\:");
        record.CacheFile.assign(cut == std::string_view::npos ? text : text.substr(cut + 1));
        return true;
    }
    case 4:
        record.URL.assign(text);
        return true;
    case 5:
        record.ContentType.assign(text);
        return true;
    case 7:
        if (!ParseIndexNumber(text, value))
            return false;
        record.Size = value;
        return true;
    default:
        return true;
    }
}

std::string PathFolder(const std::string &path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string PathBase(const std::string &path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Recognition may have found the index under another letter case ("Cache.db" for
// "cache.db"); that file is the one to replace.
std::string IndexTarget(const TCabinet &cabinet, const std::string &path) {
    if (cabinet.IndexFile.empty())
        return path;
    std::string found = PathBase(cabinet.IndexFile);
    return SameName(found, PathBase(path)) ? PathFolder(path) + found : path;
}

void AppendCleaned(std::string &out, const std::string &text, bool asAddress) {
    for (char c : text) {
        if (c == '\t' || c == '\r' || c == '\n') {
            if (asAddress)
                out += c == '\t' ? "%09" : c == '\r' ? "%0D" : "%0A";
            else
                out += ' ';
        } else {
            out += c;
        }
    }
}

void AppendRecord(const TFile &file, std::string &out) {
    out += "0\t";
    out += std::to_string(DateTimeToUnix(file.Modified));
    out += '\t';
    out += std::to_string(DateTimeToUnix(file.Accessed));
    out += '\t';
    out += file.GetLinkPath();
    out += '\t';
    AppendCleaned(out, file.GetURL(), true);
    out += '\t';
    AppendCleaned(out, file.ContentType, false);
    out += "\t\t";
    out += std::to_string(file.Size);
    out += "\t\t\t\r\n";
}

// New index first, then the backup, then the swap: at every moment either the old or the
// new index is in place, and a failure before the swap leaves the old one untouched. The new
// index has no name until it is complete (see fs::TAtomicFile), so a writer killed on the way
// leaves nothing behind.
bool ReplaceIndex(const std::string &target, const std::string &text) {
    namespace sfs = std::filesystem;
    const std::string folder = PathFolder(target);
    const std::string fresh = folder + "." + PathBase(target) + ".new";
    // Earlier writes named their temporaries after the staging name.
    fs::RemoveStaleTemporaries(fresh);
    fs::TAtomicFile file;
    if (!file.Open(target) || !file.Write(text.data(), text.size()) || !file.Stage(fresh))
        return false;
    std::error_code ec;
    bool movedAway = false;
    const std::string backup = FatIndexBackupName(target);
    if (fs::FileExists(target)) {
        // A hard link keeps the index in place while the backup is made.
        const std::string link = folder + "." + PathBase(backup) + ".new";
        fs::RemoveFile(link);
        sfs::create_hard_link(target, link, ec);
        if (!ec) {
            if (!fs::RenamePath(link, backup))
                fs::RemoveFile(link);
        } else {
            movedAway = fs::RenamePath(target, backup);
        }
    }
    if (!file.Commit()) {
        if (movedAway)
            fs::RenamePath(backup, target);
        return false;
    }
    return true;
}
} // namespace

std::string FatIndexBackupName(const std::string &path) {
    size_t slash = path.rfind('/');
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart)
        return path + ".bak";
    return path.substr(0, dot) + ".bak";
}

namespace {
// Parses the entries after the signature line; false at the first malformed line.
bool ParseEntries(TCabinet &cabinet, std::string_view image, size_t pos,
                  const TLineIndexFormat &format) {
    TFileData record;
    size_t fieldNumber = 0;
    size_t fieldStart = pos;
    size_t lineStart = pos;
    for (;;) {
        size_t stop = image.find_first_of(format.Separators, pos);
        if (stop == std::string_view::npos)
            return true; // a last line without a line feed is not filed
        if (image[stop] == '\n') {
            seam::StepProgress(static_cast<int64_t>(stop + 1 - lineStart));
            AddURL(cabinet, record.URL, record);
            fieldNumber = 0;
            lineStart = fieldStart = pos = stop + 1;
            continue;
        }
        if (fieldNumber >= format.LastFieldNumber)
            return false;
        if (!format.StoreField(fieldNumber, image.substr(fieldStart, stop - fieldStart), record))
            return false;
        ++fieldNumber;
        fieldStart = pos = stop + 1;
    }
}
} // namespace

bool ReadLineIndexImage(TCabinet &cabinet, std::string_view image, const std::string &path,
                        const TLineIndexFormat &format) {
    bool complete = false;
    if (image.empty()) {
        ShowCacheReadError(path);
    } else if (image.substr(0, format.Signature.size()) == format.Signature) {
        size_t lineFeed = image.find('\n');
        seam::StartProgress(0, static_cast<int64_t>(image.size()));
        complete = lineFeed == std::string_view::npos ||
                   ParseEntries(cabinet, image, lineFeed + 1, format);
        if (!complete)
            ShowCacheReadError(path);
    }
    cabinet.IndexComplete = complete;
    seam::ResetProgress();
    return complete;
}

bool ReadFatIndexImage(TCabinet &cabinet, std::string_view image, const std::string &path) {
    return ReadLineIndexImage(cabinet, image, path,
                              {FatIndexSignature, "\t\r\n", LastFieldNumber, StoreField});
}

bool ReadFatIndex(TCabinet &cabinet, const std::string &path) {
    std::string image;
    if (!ReadIndexFile(cabinet, path, image))
        return false;
    return ReadFatIndexImage(cabinet, image, path);
}

void WriteFatRecords(const TTree &item, std::string &out) {
    struct Frame {
        const TTree *folder;
        size_t remaining;
    };
    std::vector<Frame> stack{{&item, item.ChildCount()}};
    while (!stack.empty()) {
        Frame &top = stack.back();
        if (top.remaining == 0) {
            stack.pop_back();
            continue;
        }
        const TTree *child = top.folder->Children()[--top.remaining].get();
        if (child->IsFile()) {
            AppendRecord(static_cast<const TFile &>(*child), out);
            seam::StepProgress(1);
        } else {
            stack.push_back({child, child->ChildCount()});
        }
    }
}

bool WriteFatIndex(TCabinet &cabinet, const std::string &path) {
    if (!cabinet.IndexComplete)
        return false;
    seam::StartProgress(0, cabinet.GetFileCount());
    std::string text(FatIndexSignature);
    text += "\r\n";
    WriteFatRecords(cabinet, text);
    bool written = ReplaceIndex(IndexTarget(cabinet, path), text);
    if (!written)
        seam::Messages().ErrorBox("ミラーログのデータベースが作成できません。");
    seam::ResetProgress();
    return written;
}
