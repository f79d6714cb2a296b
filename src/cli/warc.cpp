// trawler-cli warc --cabinet FOLDER[:KIND]... [--output FILE.warc.gz] N:ADDRESS...
// Writes every file item at or below the named items as one WARC file (gzip-compressed
// records) to FILE, or to standard output without --output. A named FILE appears only
// once it is complete. Standard error gets a summary: the records and payload bytes
// written and the files whose cached copy is missing, the first of them by address.
//
// Exit status: 0; 1 when the WARC could not be written or an error message was shown while
// loading; 2 for wrong usage, a missing cabinet folder or an item that does not exist.
#include <iostream>
#include <string>
#include <vector>

#include "cli/common.h"
#include "export/warc.h"
#include "platform/seam.h"

extern const char *Usage;

int RunWarc(const std::vector<std::string> &args) {
    std::vector<TCabinetArg> cabinetArgs;
    std::vector<std::string> names;
    std::string output = "-";
    for (TArgs walk(args); walk.Next();) {
        const std::string &arg = walk.Arg();
        if (arg == "--cabinet") {
            cabinetArgs.push_back(ParseCabinetArg(walk.Value()));
        } else if (arg == "--output") {
            output = walk.Value();
            if (output.empty())
                UsageError("--output needs a file name");
        } else if (arg == "-h" || arg == "--help") {
            std::cout << Usage;
            return 0;
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            UsageError("unknown option of warc: " + arg);
        } else {
            names.push_back(arg);
        }
    }
    if (cabinetArgs.empty())
        UsageError("warc needs at least one --cabinet");
    if (names.empty())
        UsageError("warc needs the items to export");

    TCliMessages messages;
    seam::SetMessages(&messages);
    TCabinetRoot root;
    std::vector<TCabinet *> cabinets = RegisterCabinets(root, cabinetArgs, true);
    std::vector<TTree *> items;
    for (const std::string &name : names) {
        TTree *item = FindNamedItem(cabinets, name);
        if (!item)
            UsageError("no such item: " + name);
        items.push_back(item);
    }

    TWarcReport report;
    bool written = ExportWarc(items, output, report);
    std::cerr << "warc: " << report.Records << " records, " << report.PayloadBytes
              << " payload bytes, " << report.Missing << " missing\n";
    for (const std::string &address : report.MissingURLs)
        messages.WarningBox("no cached copy: " + address);
    if (report.Missing > static_cast<int64_t>(report.MissingURLs.size()))
        messages.WarningBox(
            "and " +
            std::to_string(report.Missing - static_cast<int64_t>(report.MissingURLs.size())) +
            " more without a cached copy");
    if (!written)
        messages.ErrorBox(report.Error);
    seam::SetMessages(nullptr);
    return messages.ErrorShown ? 1 : 0;
}
