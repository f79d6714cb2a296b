#include "html/link.h"

#include "html/token.h"
#include "items/cab.h"
#include "items/file.h"
#include "platform/ascii.h"
#include "platform/fs.h"

bool HasFileScheme(std::string_view text) {
    return text.size() >= 8 && SameAscii(text.substr(0, 8), "file:///");
}

std::string_view WithoutFragment(std::string_view link) {
    return link.substr(0, link.find('#'));
}

std::string_view FragmentOf(std::string_view link) {
    size_t at = link.find('#');
    return at == std::string_view::npos ? std::string_view() : link.substr(at);
}

namespace {
// The walk of SplitPath: calls add(segment) for each segment kept (without its "/"),
// drop() for each "..", and returns the text after the last separator.
template <class Add, class Drop>
std::string_view WalkSegments(std::string_view path, Add add, Drop drop) {
    size_t start = 0;
    for (;;) {
        size_t sep = std::string_view::npos;
        for (size_t i = start; i < path.size(); ++i) {
            char c = path[i];
            if (c != '/' && c != '\\')
                continue;
            char before = i > start ? path[i - 1] : '\0';
            if (before != ':' && before != '/' && before != '\\') {
                sep = i;
                break;
            }
        }
        if (sep == std::string_view::npos)
            return path.substr(start);
        std::string_view segment = path.substr(start, sep - start);
        if (segment == "..")
            drop();
        else if (!segment.empty() && segment != ".")
            add(segment);
        start = sep + 1;
    }
}
} // namespace

std::vector<std::string> SplitPath(std::string_view path) {
    std::vector<std::string> segments;
    std::string_view last = WalkSegments(
        path,
        [&](std::string_view segment) {
            std::string entry;
            entry.reserve(segment.size() + 1);
            entry += segment;
            entry += '/';
            segments.push_back(std::move(entry));
        },
        [&] {
            if (!segments.empty())
                segments.pop_back();
        });
    segments.emplace_back(last);
    return segments;
}

namespace {
// The first "/" that follows neither ":" nor "/" (a byte at the very start follows nothing).
size_t FirstPathSlash(std::string_view text, size_t from = 0) {
    for (size_t i = from; i < text.size(); ++i) {
        if (text[i] != '/')
            continue;
        if (i == 0 || (text[i - 1] != ':' && text[i - 1] != '/'))
            return i;
    }
    return std::string_view::npos;
}
} // namespace

std::string SchemeHost(std::string_view base) {
    return std::string(base.substr(0, FirstPathSlash(base)));
}

std::string Resolve(std::string_view link, std::string_view base) {
    std::string joined;
    if (!link.empty() && link.front() == '/') {
        joined = SchemeHost(base);
        joined += link;
    } else if ((!link.empty() && link.front() == '.') || link.find(':') == std::string_view::npos) {
        joined.reserve(base.size() + link.size());
        joined += base;
        joined += link;
    } else {
        joined = link;
    }
    // The segments of SplitPath joined again, built in place: the start of every entry is
    // kept so that ".." can take the last one back.
    std::string result;
    result.reserve(joined.size());
    std::vector<size_t> starts;
    std::string_view last = WalkSegments(
        joined,
        [&](std::string_view segment) {
            starts.push_back(result.size());
            result += segment;
            result += '/';
        },
        [&] {
            if (!starts.empty()) {
                result.resize(starts.back());
                starts.pop_back();
            }
        });
    result += last;
    return result;
}

TTree *FindByURL(const TTree *start, std::string_view url) {
    if (!start)
        return nullptr;
    const TTree *current = start;
    size_t from = 0;
    for (;;) {
        size_t sep = FirstPathSlash(url, from);
        if (sep == std::string_view::npos)
            break;
        std::string_view part = url.substr(from, sep - from);
        if (!part.empty()) {
            current = FindChild(*current, part, TWant::Folder);
            if (!current)
                return nullptr;
        }
        from = sep + 1;
    }
    std::string_view last = url.substr(from);
    if (last.empty())
        return FindChild(*current, RootPageName, TWant::File);
    // A file and a folder may share a name ("a" and "a/"); the address names the file.
    if (TTree *file = FindChild(*current, last, TWant::File))
        return file;
    return FindChild(*current, last);
}

TTree *FindByLocalPath(const TTree *start, std::string_view path) {
    if (!start)
        return nullptr;
    const TTree *current = start;
    size_t from = 0;
    for (;;) {
        size_t sep = path.find_first_of("/\\", from);
        if (sep == std::string_view::npos)
            break;
        std::string_view part = path.substr(from, sep - from);
        if (!part.empty()) {
            current = FindChildByLocalName(*current, part, TWant::Folder);
            if (!current)
                return nullptr;
        }
        from = sep + 1;
    }
    return FindChildByLocalName(*current, path.substr(from));
}

TCabinet *TURL::FoundCabinet() const {
    TTree *cabinet = Cabinet.Get();
    return cabinet && cabinet->IsCabinet() ? static_cast<TCabinet *>(cabinet) : nullptr;
}

void TURL::Locate(TCabinet *firstCabinet) {
    Exists = false;
    Cabinet = TItemRef();
    Item = TItemRef();
    if (HasFileScheme(URL)) {
        Exists = fs::FileExists(URLToPath(URL));
        return;
    }
    if (!firstCabinet)
        return;
    if (TTree *found = FindByURL(firstCabinet, URL)) {
        Cabinet = TItemRef(firstCabinet);
        Item = TItemRef(found);
        return;
    }
    TCabinetRoot *root = firstCabinet->Root();
    if (!root)
        return;
    const auto &cabinets = root->Cabinets();
    for (size_t i = cabinets.size(); i-- > 0;) {
        TCabinet *cabinet = cabinets[i].get();
        if (cabinet == firstCabinet)
            continue;
        if (TTree *found = FindByURL(cabinet, URL)) {
            Cabinet = TItemRef(cabinet);
            Item = TItemRef(found);
            return;
        }
    }
}

namespace {
// FNV-1a over the address with ASCII letters folded: equal without regard to case gives
// equal hashes.
uint64_t FoldedHash(std::string_view text) {
    uint64_t hash = 14695981039346656037ull;
    for (char c : text) {
        hash ^= static_cast<unsigned char>(UpperAscii(c));
        hash *= 1099511628211ull;
    }
    return hash;
}
} // namespace

TURL &TURLs::Add(const TTree &folder, std::string_view link, std::string_view base) {
    std::string_view bare = WithoutFragment(link);
    std::string address = HasFileScheme(bare) ? std::string(bare) : Resolve(bare, base);
    uint64_t hash = FoldedHash(address);
    // Open addressing with linear probing; the table is kept at most half full.
    if (table.empty() || (entries.size() + 1) * 2 > table.size()) {
        std::vector<size_t> grown(table.empty() ? 64 : table.size() * 2, 0);
        for (size_t i = 0; i < entries.size(); ++i) {
            size_t at = hashes[i] & (grown.size() - 1);
            while (grown[at])
                at = (at + 1) & (grown.size() - 1);
            grown[at] = i + 1;
        }
        table = std::move(grown);
    }
    size_t mask = table.size() - 1;
    size_t at = hash & mask;
    for (; table[at]; at = (at + 1) & mask) {
        size_t i = table[at] - 1;
        if (hashes[i] == hash && SameAscii(entries[i]->URL, address))
            return *entries[i];
    }
    auto entry = std::make_unique<TURL>();
    entry->URL = std::move(address);
    entry->Link = std::string(link);
    entry->Locate(folder.GetCabinet());
    table[at] = entries.size() + 1;
    hashes.push_back(hash);
    entries.push_back(std::move(entry));
    return *entries.back();
}

void TURLs::Clear() {
    entries.clear();
    hashes.clear();
    table.clear();
}

std::string BaseAddress(const TFile &file) {
    const TTree *folder = file.Parent();
    if (!folder)
        return {};
    if (file.GetKind() == KindPlainLog)
        return "file:///" + PathToURL(folder->GetLocalPath());
    return folder->GetURL();
}

std::string BaseFromTag(std::string_view value, std::string_view base) {
    std::string address = Resolve(value, base);
    size_t end = address.find_first_of("?#");
    if (end != std::string::npos)
        address.resize(end);
    size_t path = FirstPathSlash(address);
    if (path == std::string::npos)
        address += '/';
    else
        address.resize(address.rfind('/') + 1);
    return address;
}

void CollectLinks(const TFile &file, std::string_view data, TURLs &links,
                  const std::function<void(size_t consumed)> &progress) {
    const TTree *folder = file.Parent();
    if (!folder)
        return;
    std::string base = BaseAddress(file);
    TLinkWalk walk(data);
    if (progress)
        walk.OnTurn() = progress;
    TLinkValue value;
    while (walk.Next(value)) {
        if (value.Base)
            base = BaseFromTag(value.Value, base);
        else
            links.Add(*folder, value.Value, base);
    }
    if (progress)
        progress(walk.Offset());
}
