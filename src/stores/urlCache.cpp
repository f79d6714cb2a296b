#include "stores/urlCache.h"

#include "platform/fs.h"
#include "platform/seam.h"
#include "stores/reading.h"

namespace {
constexpr uint64_t FolderCountField = 72;
constexpr uint64_t FolderList = 76;
constexpr uint64_t FolderEntrySize = 12;
constexpr uint64_t FolderNameField = 4;
constexpr uint64_t FolderNameSize = 8;
} // namespace

bool ReadUrlCacheFolders(const TByteReader &in, std::vector<std::string_view> &folders) {
    uint32_t count = 0;
    if (!in.U32(FolderCountField, count) ||
        !in.Has(FolderList, static_cast<uint64_t>(count) * FolderEntrySize))
        return false;
    folders.reserve(count);
    for (uint64_t i = 0; i < count; ++i) {
        std::string_view name;
        in.Text(FolderList + i * FolderEntrySize + FolderNameField, FolderNameSize, name);
        folders.push_back(name);
    }
    return true;
}

bool TUrlCacheTexts::Spend(uint64_t cost) {
    if (cost > budget)
        return false;
    budget -= cost;
    return true;
}

bool TUrlCacheTexts::TextAt(uint64_t offset, std::string_view &text) {
    bool terminated = false;
    return in.Text(offset, in.Size(), text, &terminated) && terminated && Spend(text.size() + 1);
}

bool ReadUrlCacheImage(TCabinet &cabinet, std::string_view image, const std::string &path,
                       std::string_view signature, bool (*read)(TCabinet &, std::string_view)) {
    bool complete = false;
    if (image.empty()) {
        ShowCacheReadError(path);
    } else if (image.substr(0, signature.size()) == signature) {
        complete = read(cabinet, image);
        if (!complete)
            ShowCacheReadError(path);
    }
    cabinet.IndexComplete = complete;
    seam::ResetProgress();
    return complete;
}

void ReadUrlCacheIndex(TCabinet &cabinet, const std::string &path,
                       bool (*readImage)(TCabinet &, std::string_view, const std::string &)) {
    std::string index = path;
    if (!fs::FileExists(path)) {
        const std::string folder = fs::WithTrailingSlash(path);
        index = fs::FindStoreFile(folder, "index.dat");
        if (index.empty())
            index = folder + "index.dat";
    }
    std::string image;
    if (!ReadIndexFile(cabinet, index, image))
        return;
    readImage(cabinet, image, index);
}
