#include "items/fileDB.h"

#include <iterator>

#include "items/tree.h"
#include "platform/fs.h"
#include "platform/seam.h"

namespace {
const char *const UnknownTypeName = "不明";

constexpr const char *BuiltInImages[] = {
    "trawler-unknown", "trawler-cabinet",     "trawler-cabinet-open",
    "trawler-folder",  "trawler-folder-open",
};

constexpr const char *StateImages[] = {
    "",
    "trawler-state-accessed-since-end",
    "trawler-state-accessed-last-run",
    "trawler-state-found",
    "trawler-state-missing",
    "trawler-state-plain-log",
    "trawler-state-cache",
    "trawler-state-mirror",
};

// Cuts after `limit` characters. UTF-8 continuation bytes do not count as characters, so a
// sequence is never split; text that is not UTF-8 is cut at about the same length.
std::string LimitCharacters(const std::string &text, size_t limit) {
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue;
        if (count == limit)
            return text.substr(0, i);
        ++count;
    }
    return text;
}
} // namespace

std::string FileExtension(const std::string &path) {
    size_t dot = path.rfind('.');
    if (dot == std::string::npos)
        return {};
    size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > dot)
        return {};
    return path.substr(dot);
}

TFileDb::TFileDb()
    : Small(std::begin(BuiltInImages), std::end(BuiltInImages)), Large(Small),
      State(std::begin(StateImages), std::end(StateImages)) {}

const TFileDbElem *TFileDb::EntryFor(const std::string &path) {
    if (!fs::FileExists(path))
        return nullptr;
    const std::string ext = FileExtension(path);
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (SameName(it->Ext, ext))
            return &*it;

    TTypeInfo info = seam::Shell().FileTypeInfo(path);
    TFileDbElem elem;
    elem.Ext = ext;
    elem.TypeName = LimitCharacters(info.TypeName, TFileDbElem::TypeNameLimit);
    if (!info.IconName.empty()) {
        elem.ImageIndex = static_cast<int>(Small.size());
        Small.push_back(info.IconName);
        Large.push_back(info.IconName);
    }
    entries.push_back(std::move(elem));
    return &entries.back();
}

std::string TFileDb::GetTypeName(const std::string &path) {
    const TFileDbElem *elem = EntryFor(path);
    return elem ? elem->TypeName : UnknownTypeName;
}

int TFileDb::GetImageIndex(const std::string &path) {
    const TFileDbElem *elem = EntryFor(path);
    return elem ? elem->ImageIndex : ImageUnknown;
}

std::string TFileDb::GetLargeIcon(const std::string &path) {
    const TFileDbElem *elem = EntryFor(path);
    if (!elem || elem->ImageIndex < 0 || static_cast<size_t>(elem->ImageIndex) >= Large.size())
        return {};
    return Large[static_cast<size_t>(elem->ImageIndex)];
}
