// Runs the link walk over the input and checks what it reports against the bytes; collects
// the links into a list over a small tree; resolves pieces of the input against each other.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "html/link.h"
#include "html/token.h"
#include "items/cab.h"
#include "items/file.h"
#include "stores/cache.h"

namespace {
void Check(bool condition) {
    if (!condition)
        std::abort();
}

void WalkChecked(std::string_view data, bool skipBaseTags) {
    TLinkWalk walk(data);
    TLinkValue value;
    size_t steps = 0;
    size_t last = 0;
    while (walk.Next(value)) {
        Check(++steps <= data.size());
        Check(!value.Value.empty() && value.Value.front() != '#');
        Check(value.TagStart < value.Start && value.Start < value.End);
        Check(value.End <= data.size() && value.Start >= last);
        Check(value.Value.data() >= data.data() + value.Start &&
              value.Value.data() + value.Value.size() <= data.data() + value.End);
        Check(data.substr(value.TagStart, 1) == "<");
        Check(walk.Offset() == value.End);
        last = value.End;
        if (skipBaseTags && value.Base && walk.SkipToTagEnd())
            Check(data[walk.Offset() - 1] == '>');
    }
    Check(walk.Ended() && walk.Offset() == data.size());
}

void SplitChecked(std::string_view path) {
    std::vector<std::string> segments = SplitPath(path);
    Check(!segments.empty());
    size_t total = 0;
    for (size_t i = 0; i + 1 < segments.size(); ++i) {
        Check(segments[i].size() >= 2 && segments[i].back() == '/');
        total += segments[i].size();
    }
    Check(total + segments.back().size() <= path.size() + 1);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size) {
    std::string_view data(reinterpret_cast<const char *>(bytes), size);
    WalkChecked(data, false);
    WalkChecked(data, true);

    // The list and the address functions allocate per link and per segment; a shorter
    // piece keeps each run fast in the instrumented build.
    data = data.substr(0, 64 * 1024);
    size = data.size();
    TCabinetRoot root;
    TCabinet *own = root.AddCabinet(KindNetscape1, "/nonexistent/fuzz/own/", "own");
    TCabinet *other = root.AddCabinet(KindMirrorLog, "/nonexistent/fuzz/other/", "other");
    TFileData fileData;
    TFile *page = AddURL(*own, "http://h/d/page.html", fileData);
    AddURL(*own, "http://h/d/a.html", fileData);
    AddURL(*other, "http://h/img/", fileData);
    AddURL(*other, "http://x/y.gif", fileData);
    TURLs links;
    CollectLinks(*page, data, links);
    for (const auto &entry : links.Entries()) {
        Check(!entry->Link.empty());
        Check(entry->Item.Get() == nullptr || entry->FoundCabinet() != nullptr);
    }

    // Pieces of the input as link and base.
    size_t cut = data.find('\0');
    if (cut == std::string_view::npos)
        cut = size / 2;
    std::string_view link = data.substr(0, cut);
    std::string_view base = data.substr(cut < size ? cut + 1 : size);
    SplitChecked(data);
    std::string resolved = Resolve(link, base);
    Check(resolved.size() <= link.size() + base.size() + 1);
    if (!link.empty() && link.front() != '.' && link.front() != '/' &&
        link.find(':') != std::string_view::npos) {
        // A link with a scheme stands alone: its address is its segments joined again.
        std::string joined;
        for (const std::string &segment : SplitPath(link))
            joined += segment;
        Check(resolved == joined);
    }
    SchemeHost(base);
    FindByURL(own, resolved);
    FindByLocalPath(other, link);
    return 0;
}
