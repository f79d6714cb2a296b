#include "stores/ie3Cache.h"

#include <algorithm>
#include <vector>

#include "items/file.h"
#include "platform/ascii.h"
#include "platform/byteReader.h"
#include "platform/fs.h"
#include "platform/seam.h"
#include "stores/reading.h"

namespace {
constexpr uint64_t RootField = 32;
constexpr uint64_t CountField = 40;

enum TTypeSource : uint32_t { TypeFromHeaders = 0, TypeFromExtension = 1 };

// Texts of one image are read within this many bytes in all. Every record of a sound file has
// texts of its own, so their sum stays below the image size; records whose texts overlap
// could otherwise make the walk quadratic in the image.
uint64_t TextBudget(std::string_view image) {
    return 8 * static_cast<uint64_t>(image.size()) + 65536;
}

class TRecordReader {
public:
    explicit TRecordReader(std::string_view image) : bytes(image), budget(TextBudget(image)) {}

    // Fills data from the record at offset; false when a field or text lies outside the image.
    bool Read(uint64_t record, const std::string &prefix, TFileData &data, uint32_t &first,
              uint32_t &second) {
        uint32_t urlAt, fileAt, size, typeSource;
        uint64_t modified, accessed;
        if (!bytes.U32(record + 4, first) || !bytes.U32(record + 8, second) ||
            !bytes.U32(record + 20, urlAt) || !bytes.U32(record + 24, fileAt) ||
            !bytes.U32(record + 32, size) || !bytes.U64(record + 40, modified) ||
            !bytes.U64(record + 48, accessed) || !bytes.U32(record + 64, typeSource))
            return false;
        std::string_view url, file;
        if (!Text(record + urlAt, url) || !Text(record + fileAt, file))
            return false;
        data.URL.assign(url);
        data.CacheFile.assign(prefix);
        data.CacheFile.append(file);
        data.Size = static_cast<int32_t>(size);
        data.Modified = FileTimeToDateTime(modified);
        data.Accessed = FileTimeToDateTime(accessed);
        data.ContentType.clear();
        uint32_t textAt;
        if (typeSource == TypeFromHeaders) {
            std::string_view headers;
            if (!bytes.U32(record + 68, textAt) || !Text(record + textAt, headers))
                return false;
            data.ContentType = GetContentType(headers);
        } else if (typeSource == TypeFromExtension) {
            // Only the first three characters count; a shorter text ends at its NUL.
            std::string_view extension;
            bool terminated = false;
            if (!bytes.U32(record + 76, textAt) ||
                !bytes.Text(record + textAt, 3, extension, &terminated) ||
                (extension.size() < 3 && !terminated))
                return false;
            if (SameAscii(extension, "htm"))
                data.ContentType = "text/html";
        }
        return true;
    }

private:
    // A NUL-terminated text inside the image, counted against the budget.
    bool Text(uint64_t offset, std::string_view &value) {
        bool terminated = false;
        if (budget == 0 || !bytes.Text(offset, budget, value, &terminated) || !terminated)
            return false;
        budget -= std::min<uint64_t>(budget, value.size() + 1);
        return true;
    }

    TByteReader bytes;
    uint64_t budget;
};

std::vector<std::string> Subfolders(const std::string &folder) {
    std::vector<std::string> names;
    for (fs::TFolderEntry &entry : fs::ListFolder(folder))
        if (entry.IsFolder)
            names.push_back(std::move(entry.Name));
    std::sort(names.begin(), names.end());
    return names;
}

// The index file as it lies on disk (file names the path to report when it cannot be read).
// Only a regular file is opened: a pipe of that name would block the load.
bool ReadIndexFile(const std::string &subfolder, const char *name, std::string &file,
                   std::string &image) {
    file = fs::FindStoreFile(subfolder, name);
    if (file.empty()) {
        file = subfolder + name;
        image.clear();
        return false;
    }
    return fs::ReadWholeFile(file, image);
}

struct TProgressEnd {
    ~TProgressEnd() { seam::ResetProgress(); }
};
} // namespace

bool ReadIE3Tree(TCabinet &cabinet, std::string_view image, uint32_t reference,
                 const std::string &prefix) {
    if (reference == 0)
        return true;
    TRecordReader records(image);
    // Records on the way from the root, and records whose subtrees have been walked.
    std::vector<bool> onPath(image.size()), walked(image.size());
    struct TFrame {
        uint64_t record;
        uint32_t first;
        uint32_t second;
        int stage; // 0: first subtree next, 1: second subtree next, 2: both walked
    };
    std::vector<TFrame> stack;
    TFileData data;
    // Files the record of a reference and puts it on top of the walk; false when broken.
    auto enter = [&](uint32_t ref) {
        if (ref == 0)
            return true;
        if (ref < 4 || ref - 4 >= image.size())
            return false;
        const uint64_t record = ref - 4;
        if (onPath[record])
            return false;
        if (walked[record])
            return true;
        uint32_t first, second;
        if (!records.Read(record, prefix, data, first, second))
            return false;
        seam::StepProgress(1);
        AddURL(cabinet, data.URL, data);
        onPath[record] = true;
        stack.push_back({record, first, second, 0});
        return true;
    };
    if (!enter(reference))
        return false;
    while (!stack.empty()) {
        TFrame &top = stack.back();
        if (top.stage == 2) {
            onPath[top.record] = false;
            walked[top.record] = true;
            stack.pop_back();
            continue;
        }
        const uint32_t next = top.stage == 0 ? top.first : top.second;
        ++top.stage;
        if (!enter(next))
            return false;
    }
    return true;
}

int64_t IE3RecordCount(std::string_view image) {
    TByteReader bytes(image);
    uint32_t count = 0;
    if (image.substr(0, IE3Signature.size()) != IE3Signature || !bytes.U32(CountField, count))
        return 0;
    return count;
}

TIE3Read ReadIE3Index(TCabinet &cabinet, std::string_view image, const std::string &prefix,
                      const std::string &path) {
    if (!image.empty() && image.substr(0, IE3Signature.size()) != IE3Signature)
        return TIE3Read::Skipped;
    TByteReader bytes(image);
    uint32_t root = 0;
    if (image.empty() || !bytes.U32(RootField, root) ||
        !ReadIE3Tree(cabinet, image, root, prefix)) {
        ShowCacheReadError(path);
        return TIE3Read::ReadError;
    }
    return TIE3Read::Filed;
}

void ReadIE3Cache(TCabinet &cabinet, const std::string &path) {
    TProgressEnd progressEnd;
    const std::string folder = fs::WithTrailingSlash(path);
    const std::vector<std::string> subfolders = Subfolders(folder);
    std::string file, image;
    int64_t total = 0;
    for (const std::string &subfolder : subfolders)
        for (const char *name : IE3IndexNames) {
            if (!ReadIndexFile(folder + subfolder + "/", name, file, image) || image.empty()) {
                ShowCacheReadError(file);
                cabinet.IndexComplete = false;
                continue;
            }
            total += IE3RecordCount(image);
        }
    seam::StartProgress(0, total);
    for (const std::string &subfolder : subfolders)
        for (const char *name : IE3IndexNames) {
            if (!ReadIndexFile(folder + subfolder + "/", name, file, image)) {
                ShowCacheReadError(file);
                cabinet.IndexComplete = false;
                continue;
            }
            if (ReadIE3Index(cabinet, image, subfolder + "/", file) != TIE3Read::Filed)
                cabinet.IndexComplete = false;
        }
}
