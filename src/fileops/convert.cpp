#include "fileops/convert.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <string_view>
#include <vector>

#include "config/settings.h"
#include "fileops/fileOP.h"
#include "html/link.h"
#include "html/token.h"
#include "items/cab.h"
#include "items/clip.h"
#include "platform/ascii.h"
#include "platform/error.h"
#include "platform/fs.h"
#include "platform/program.h"

namespace {

const char *const FileScheme = "file:///";

std::string LinkPrefix(const TFile &target) {
    if (FileOpWindow)
        return FileOpWindow->LinkPrefix;
    const TCabinet *cabinet = target.GetCabinet();
    return FileScheme + PathToURL(cabinet ? cabinet->GetLocalPath() : std::string());
}

const TFile *AsFile(const TTree *item) {
    return item && item->IsFile() ? static_cast<const TFile *>(item) : nullptr;
}

// The segments of a link path ("h/d/x.html" → "h/", "d/", "x.html").
using TSegments = std::vector<std::string>;

std::string RelativeFrom(std::string_view toPath, const TSegments &from) {
    TSegments to = SplitPath(toPath);
    size_t shorter = to.size() < from.size() ? to.size() : from.size();
    size_t same = 0;
    while (same < shorter && SameAscii(to[same], from[same]))
        ++same;
    if (same == 0 || to.empty())
        return {};
    std::string link;
    for (size_t up = same + 1; up < from.size(); ++up)
        link += "../";
    for (size_t i = same; i + 1 < to.size(); ++i)
        link += to[i];
    link += to.back();
    return link;
}

// The lookups for the links of one page: what they need of the source and the target is
// taken once per page.
class TLinkLookup {
public:
    TLinkLookup(const TFile &source, const TFile &target)
        : source(source), sourceCabinet(source.GetCabinet()), targetCabinet(target.GetCabinet()),
          targetKind(target.GetKind()), target(target), prefix(LinkPrefix(target)) {}

    std::string Local(std::string_view url) {
        if (!sourceCabinet)
            return {};
        std::string path = URLToPath(std::string(url));
        const std::string &folder = sourceCabinet->Path;
        if (folder.empty() || path.size() < folder.size() ||
            !SameAscii(std::string_view(path).substr(0, folder.size()), folder))
            return {};
        std::string_view rest = std::string_view(path).substr(folder.size());
        const TFile *found = AsFile(FindByLocalPath(sourceCabinet, rest));
        return found ? SharedTail(*found) : std::string();
    }

    std::string InOtherCabinets(std::string_view url) {
        const TFile *found = AsFile(FindByURL(sourceCabinet, url));
        if (!found && sourceCabinet && sourceCabinet->Root()) {
            const auto &cabinets = sourceCabinet->Root()->Cabinets();
            for (size_t i = cabinets.size(); i-- > 0 && !found;) {
                const TCabinet *cabinet = cabinets[i].get();
                if (cabinet->Kind == KindPlainLog || cabinet == sourceCabinet ||
                    cabinet == targetCabinet)
                    continue;
                found = AsFile(FindByURL(cabinet, url));
            }
        }
        return found ? SharedTail(*found) : std::string();
    }

    std::string InMirror(std::string_view url) {
        const TFile *found = AsFile(FindByURL(targetCabinet, url));
        if (!found)
            return {};
        std::string path = found->GetLinkPath();
        if (targetSegments.empty())
            targetSegments = SplitPath(target.GetLinkPath());
        std::string link = RelativeFrom(path, targetSegments);
        return link.empty() ? prefix + path : link;
    }

    bool TargetIsMirror() const { return targetKind == KindMirrorLog; }

private:
    // What Local and InOtherCabinets do once the linked file has been found.
    std::string SharedTail(const TFile &found) {
        std::string path = found.GetLinkPath();
        std::string link;
        if (FileOpWindow && FileOpWindow->Clip && FileOpWindow->Clip->Contains(found)) {
            if (sourceSegments.empty())
                sourceSegments = SplitPath(source.GetLinkPath());
            link = RelativeFrom(path, sourceSegments);
        } else {
            if ((targetKind == KindPlainLog && !Settings().OpCopyLink) ||
                (targetKind == KindMirrorLog && !Settings().OpMirrorLink))
                return {};
            AddedFiles().AddUnique(const_cast<TFile &>(found));
        }
        return link.empty() ? prefix + path : link;
    }

    const TFile &source;
    const TCabinet *sourceCabinet;
    const TCabinet *targetCabinet;
    uint8_t targetKind;
    const TFile &target;
    std::string prefix;
    TSegments sourceSegments; // split on first use
    TSegments targetSegments;
};

// Throws when the event loop let the user destroy either item of the copy.
void CheckAlive(const TItemRef &source, const TItemRef &target) {
    CheckValid(source);
    CheckValid(target);
}

// The bytes of one value as it goes into the copy: quoted, with one blank after it unless
// the value belongs to an applet.
void AppendValue(std::string &out, std::string_view text, std::string_view fragment, bool blank) {
    out += '"';
    out += QuotedLinkText(text);
    out += QuotedLinkText(fragment);
    out += '"';
    if (blank)
        out += ' ';
}

// The bytes that replace one link value (not of an applet) read in a page with this base:
// the new link, or the absolute address, in double quotes and followed by one blank.
std::string ConvertedLink(std::string_view read, const std::string &base, TLinkLookup &lookup) {
    std::string_view bare = WithoutFragment(read);
    std::string_view fragment = FragmentOf(read);
    std::string address;
    std::string link;
    if (HasFileScheme(bare)) {
        address = bare;
        link = lookup.Local(address);
    } else {
        address = Resolve(bare, base);
        if (!FileOpWindow || !FileOpWindow->AddedPass)
            link = lookup.InOtherCabinets(address);
        if (link.empty() && lookup.TargetIsMirror())
            link = lookup.InMirror(address);
    }
    std::string bytes;
    if (!link.empty())
        AppendValue(bytes, link, fragment, true);
    else if (!address.empty())
        AppendValue(bytes, address, fragment, true);
    else // an address that resolves to nothing keeps the link as it stood
        AppendValue(bytes, read, {}, true);
    return bytes;
}

// The converted bytes of recently met link values (pages repeat their links: menus, bullets,
// the same picture in every row), so that each is resolved and looked up once. One slot per
// hash; a value meeting a taken slot replaces it. Valid for one base address.
class TRecentLinks {
public:
    // The remembered bytes for value, or nullptr.
    const std::string *Find(std::string_view value) {
        if (slots.empty())
            return nullptr;
        TSlot &slot = slots[Index(value)];
        return slot.generation == generation && slot.value == value ? &slot.bytes : nullptr;
    }
    const std::string &Remember(std::string_view value, std::string bytes) {
        if (slots.empty())
            slots.resize(SlotCount);
        TSlot &slot = slots[Index(value)];
        slot.generation = generation;
        slot.value.assign(value);
        slot.bytes = std::move(bytes);
        return slot.bytes;
    }
    void Forget() { ++generation; }

private:
    static constexpr size_t SlotCount = 8192;
    struct TSlot {
        uint64_t generation = 0;
        std::string value;
        std::string bytes;
    };
    static size_t Index(std::string_view value) {
        return std::hash<std::string_view>()(value) & (SlotCount - 1);
    }
    std::vector<TSlot> slots;
    uint64_t generation = 1;
};

} // namespace

std::string QuotedLinkText(std::string_view link) {
    std::string text;
    text.reserve(link.size());
    for (char c : link) {
        if (c == '"')
            text += "%22";
        else
            text += c;
    }
    return text;
}

std::string RelativeLink(std::string_view toPath, std::string_view fromPath) {
    return RelativeFrom(toPath, SplitPath(fromPath));
}

std::string LocalLink(const TFile &source, const TFile &target, std::string_view url) {
    return TLinkLookup(source, target).Local(url);
}

std::string LinkInOtherCabinets(const TFile &source, const TFile &target, std::string_view url) {
    return TLinkLookup(source, target).InOtherCabinets(url);
}

std::string LinkInMirror(const TFile &target, std::string_view url) {
    return TLinkLookup(target, target).InMirror(url);
}

std::string ReloadFooter(std::string_view pageURL) {
    std::string footer = "<HTML>\r\n<P><BR><HR>\r\n<A HREF=\"";
    footer += QuotedLinkText(pageURL);
    footer += "\">\r\n<IMG SRC=\"File:///";
    footer += QuotedLinkText(PathToURL(ProgramFolder()));
    footer += "Reload.gif\" BORDER=0>  Reload\r\n</A>\r\n</HTML>\r\n";
    return footer;
}

void ConvertingCopy(TFile &source, TFile &target) {
    ShowFileHeader(source, target);
    std::string sourcePath = source.GetLocalPath();
    std::string targetPath = target.GetLocalPath();
    std::string data;
    if (!fs::ReadWholeFile(sourcePath, data)) {
        ShowCannotOpen(sourcePath);
        return;
    }
    TTargetFile out;
    if (!out.Create(target)) {
        ShowCannotOpen(targetPath);
        return;
    }

    const TItemRef sourceRef(&source);
    const TItemRef targetRef(&target);
    try {
        std::string base = source.Parent() ? source.Parent()->GetURL() : std::string();
        SetBarRange(static_cast<int64_t>(data.size()));

        // The bar follows the bytes consumed, in steps of at least EventTurnBytes (the walk
        // turns the event loop itself; a value or a left-out tag hands StepBar the bytes it
        // consumed so that it turns the loop).
        size_t shown = 0;
        auto showUpTo = [&shown](size_t offset, bool turn) {
            if (offset <= shown || (turn && offset - shown < EventTurnBytes))
                return;
            auto count = static_cast<int64_t>(offset - shown);
            StepBar(count, turn ? count : 0);
            shown = offset;
        };

        std::string_view bytes(data);
        TLinkWalk walk(bytes);
        walk.OnTurn() = [&showUpTo](size_t consumed) { showUpTo(consumed, false); };

        bool fail = false;
        auto write = [&out, &fail](std::string_view text) {
            if (!fail && !text.empty() && !out.Write(text))
                fail = true;
        };

        std::string value;
        TRecentLinks recent;
        TLinkLookup lookup(source, target);
        size_t written = 0;
        TLinkValue found;
        while (!fail && walk.Next(found)) {
            if (found.Base) {
                // The whole tag goes: the value becomes the base of the links after it.
                size_t tagStart = found.TagStart > written ? found.TagStart : written;
                write(bytes.substr(written, tagStart - written));
                base = BaseFromTag(found.Value, base);
                recent.Forget();
                written = walk.SkipToTagEnd() ? walk.Offset() : bytes.size();
                showUpTo(written, true);
                continue;
            }
            write(bytes.substr(written, found.Start - written));
            // The event loop has turned since the last look: the user may have removed either.
            CheckAlive(sourceRef, targetRef);

            if (found.Applet) {
                ConvertedLink(found.Value, base, lookup);
                value.clear();
                AppendValue(value, found.Value, {}, false);
                write(value);
            } else {
                const std::string *known = recent.Find(found.Value);
                if (!known)
                    known = &recent.Remember(found.Value, ConvertedLink(found.Value, base, lookup));
                write(*known);
            }
            written = found.End;
            showUpTo(written, true);
        }
        if (!fail) {
            write(bytes.substr(written));
            showUpTo(bytes.size(), false);
            CheckAlive(sourceRef, targetRef);
            uint8_t kind = source.GetKind();
            if (kind != KindPlainLog && kind != KindMirrorLog)
                write(ReloadFooter(source.GetURL()));
        }
        if (fail || !out.Commit())
            ShowCannotOpen(targetPath);
    } catch (const TAbort &) {
        throw;
    } catch (const std::exception &) {
        ShowCannotOpen(targetPath);
    }
}
