#include "fileops/convert.h"

#include <exception>
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

// What LocalLink and LinkInOtherCabinets do once the linked file has been found.
std::string SharedTail(const TFile &source, const TFile &target, const TFile &found) {
    std::string link;
    if (FileOpWindow && FileOpWindow->Clip && FileOpWindow->Clip->Contains(found)) {
        link = RelativeLink(found.GetLinkPath(), source.GetLinkPath());
    } else {
        uint8_t kind = target.GetKind();
        if ((kind == KindPlainLog && !Settings().OpCopyLink) ||
            (kind == KindMirrorLog && !Settings().OpMirrorLink))
            return {};
        AddedFiles().AddUnique(const_cast<TFile &>(found));
    }
    if (link.empty())
        link = LinkPrefix(target) + found.GetLinkPath();
    return link;
}

// Throws when the event loop let the user destroy either item of the copy.
void CheckAlive(const TItemRef &source, const TItemRef &target) {
    CheckValid(source);
    CheckValid(target);
}

// The bytes of one value as it goes into the copy: quoted, with one blank after it unless
// the value belongs to an applet.
void AppendValue(std::string &out, std::string_view text, std::string_view fragment,
                 bool blank) {
    out += '"';
    out += QuotedLinkText(text);
    out += QuotedLinkText(fragment);
    out += '"';
    if (blank)
        out += ' ';
}

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
    std::vector<std::string> to = SplitPath(toPath);
    std::vector<std::string> from = SplitPath(fromPath);
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

std::string LocalLink(const TFile &source, const TFile &target, std::string_view url) {
    const TCabinet *cabinet = source.GetCabinet();
    if (!cabinet)
        return {};
    std::string path = URLToPath(std::string(url));
    std::string folder = cabinet->GetLocalPath();
    if (folder.empty() || path.size() < folder.size() ||
        !SameAscii(std::string_view(path).substr(0, folder.size()), folder))
        return {};
    const TFile *found = AsFile(FindByLocalPath(cabinet, std::string_view(path).substr(folder.size())));
    return found ? SharedTail(source, target, *found) : std::string();
}

std::string LinkInOtherCabinets(const TFile &source, const TFile &target, std::string_view url) {
    const TCabinet *own = source.GetCabinet();
    const TFile *found = AsFile(FindByURL(own, url));
    if (!found && own && own->Root()) {
        const TCabinet *targetCabinet = target.GetCabinet();
        const auto &cabinets = own->Root()->Cabinets();
        for (size_t i = cabinets.size(); i-- > 0 && !found;) {
            const TCabinet *cabinet = cabinets[i].get();
            if (cabinet->Kind == KindPlainLog || cabinet == own || cabinet == targetCabinet)
                continue;
            found = AsFile(FindByURL(cabinet, url));
        }
    }
    return found ? SharedTail(source, target, *found) : std::string();
}

std::string LinkInMirror(const TFile &target, std::string_view url) {
    const TFile *found = AsFile(FindByURL(target.GetCabinet(), url));
    if (!found)
        return {};
    std::string link = RelativeLink(found->GetLinkPath(), target.GetLinkPath());
    if (link.empty())
        link = LinkPrefix(target) + found->GetLinkPath();
    return link;
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

        // The bar follows the bytes consumed: at each event-loop turn of the walk, after
        // every value and at the end.
        size_t shown = 0;
        auto showUpTo = [&shown](size_t offset, bool turn) {
            if (offset <= shown)
                return;
            auto count = static_cast<int64_t>(offset - shown);
            StepBar(count, turn ? count : 0);
            shown = offset;
        };

        std::string_view bytes(data);
        TLinkWalk walk(bytes);
        walk.OnTurn() = [&](size_t consumed) {
            showUpTo(consumed, false);
            CheckAlive(sourceRef, targetRef);
        };

        bool fail = false;
        auto write = [&out, &fail](std::string_view text) {
            if (!fail && !text.empty() && !out.Write(text))
                fail = true;
        };

        std::string value;
        size_t written = 0;
        TLinkValue found;
        while (!fail && walk.Next(found)) {
            if (found.Base) {
                // The whole tag goes: the value becomes the base of the links after it.
                size_t tagStart = found.TagStart > written ? found.TagStart : written;
                write(bytes.substr(written, tagStart - written));
                base = Resolve(found.Value, base);
                written = walk.SkipToTagEnd() ? walk.Offset() : bytes.size();
                showUpTo(written, true);
                continue;
            }
            write(bytes.substr(written, found.Start - written));
            CheckAlive(sourceRef, targetRef);

            std::string_view bare = WithoutFragment(found.Value);
            std::string_view fragment = FragmentOf(found.Value);
            std::string address;
            std::string link;
            if (HasFileScheme(bare)) {
                address = bare;
                link = LocalLink(source, target, address);
            } else {
                address = Resolve(bare, base);
                if (!FileOpWindow || !FileOpWindow->AddedPass)
                    link = LinkInOtherCabinets(source, target, address);
                if (link.empty() && target.GetKind() == KindMirrorLog)
                    link = LinkInMirror(target, address);
            }

            value.clear();
            if (found.Applet)
                AppendValue(value, found.Value, {}, false);
            else if (!link.empty())
                AppendValue(value, link, fragment, true);
            else if (!address.empty())
                AppendValue(value, address, fragment, true);
            else // an address that resolves to nothing keeps the link as it stood
                AppendValue(value, found.Value, {}, true);
            write(value);
            written = found.End;
            showUpTo(written, true);
        }
        if (!fail) {
            write(bytes.substr(written));
            showUpTo(bytes.size(), true);
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
