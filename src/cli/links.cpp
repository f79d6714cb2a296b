// trawler-cli links: the links of one HTML file item as the link check lists them.
//
//   trawler-cli links --cabinet FOLDER[:KIND]... [--set NAME=VALUE]... N:ADDRESS
//
// Every cabinet is loaded as at start-up; the links of the named file are collected against
// its base address (a "<BASE" tag changes it for the links after it) and each distinct
// address is looked up in the file's own cabinet first, then in the others from the last
// named to the first. Output: a header line, then one line per distinct address in order
// of first appearance: the link as written, the absolute address, the number of the
// cabinet that holds it and the found item's address (both empty when none does), and 1/0
// for a "file:///" address whose file exists.
//
// An address that names a folder (it ends with "/") means that folder's root page.
//
// Exit status: 0; 1 when the named item is missing or not an HTML file, when the file
// cannot be read, or when any error message was shown while loading; 2 for wrong usage,
// a missing cabinet folder or an item name that is not of the form N:ADDRESS.
#include <iostream>
#include <string>
#include <vector>

#include "cli/common.h"
#include "cli/output.h"
#include "config/settings.h"
#include "html/link.h"
#include "items/file.h"
#include "platform/error.h"
#include "platform/fs.h"
#include "platform/seam.h"

namespace {
bool WellFormedName(const std::string &name) {
    size_t colon = name.find(':');
    return colon != std::string::npos && colon > 0 && colon <= 6 &&
           name.find_first_not_of("0123456789") == colon;
}
} // namespace

int RunLinks(const std::vector<std::string> &args) {
    std::vector<TCabinetArg> cabinetArgs;
    std::vector<std::string> names;
    for (TArgs walk(args); walk.Next();) {
        const std::string &arg = walk.Arg();
        if (arg == "--cabinet") {
            cabinetArgs.push_back(ParseCabinetArg(walk.Value()));
        } else if (arg == "--set") {
            ApplySetting(walk.Value());
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            UsageError("unknown option: " + arg);
        } else {
            names.push_back(arg);
        }
    }
    if (cabinetArgs.empty())
        UsageError("links needs at least one --cabinet");
    if (names.size() != 1)
        UsageError("links needs exactly one item N:ADDRESS");
    const std::string &name = names.front();
    if (!WellFormedName(name))
        UsageError("an item is named N:ADDRESS: " + name);

    TCliMessages messages;
    seam::SetMessages(&messages);
    TCabinetRoot root;
    std::vector<TCabinet *> cabinets = RegisterCabinets(root, cabinetArgs, true);

    TTree *item = FindNamedItem(cabinets, name);
    // A folder's address is also its root page's address ("http://h/"): the page is meant.
    if (item && item->IsFolder())
        item = FindChild(*item, RootPageName, TWant::File);
    if (!item) {
        std::cerr << "trawler-cli: no such file item: " << name << '\n';
        seam::SetMessages(nullptr);
        return 1;
    }
    const auto &file = static_cast<const TFile &>(*item);
    if (!IsHtml(file)) {
        std::cerr << "trawler-cli: not an HTML file: " << name << '\n';
        seam::SetMessages(nullptr);
        return 1;
    }

    // As the link check does: whatever was collected before a failure is still listed.
    TURLs links;
    std::string path = file.GetLocalPath();
    std::string data;
    try {
        if (!fs::ReadWholeFile(path, data))
            throw TError("ファイル (" + path + "が開けません。");
        CollectLinks(file, data, links);
    } catch (const std::exception &) {
        seam::Messages().ErrorBox("ファイル (" + path + "が開けません。");
    }

    std::string out = "link\turl\tcabinet\titem\texists\n";
    for (const auto &entry : links.Entries()) {
        out += EscapeField(entry->Link);
        out += '\t';
        out += EscapeField(entry->URL);
        out += '\t';
        TTree *found = entry->FoundItem();
        TCabinet *cabinet = entry->FoundCabinet();
        int number = cabinet ? CabinetNumber(cabinets, *cabinet) : 0;
        if (number > 0)
            out += std::to_string(number);
        out += '\t';
        if (found)
            out += EscapeField(found->GetURL());
        out += '\t';
        out += entry->Exists ? '1' : '0';
        out += '\n';
    }
    std::cout << out;
    seam::SetMessages(nullptr);
    if (!FlushOutput())
        return 1;
    return messages.ErrorShown ? 1 : 0;
}
