// trawler-cli find: every browser cache and indexed log below a folder.
//
//   trawler-cli find FOLDER
//
// Output: one line per store, sorted by folder: the kind, its name as `kind` prints it, the
// folder, the number of files its index holds, and the earliest and latest access time
// (formatted as `list` formats times, empty when none). Each store is loaded to count its
// files; what its reader shows goes to standard error as with the other commands, and so do
// the walk's warnings (folders that cannot be read, link loops, stray index files).
//
// Exit status: 0; 1 when any error message was shown while loading; 2 for wrong usage or a
// missing folder.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "cli/common.h"
#include "cli/output.h"
#include "items/texts.h"
#include "platform/datetime.h"
#include "platform/fs.h"
#include "platform/seam.h"
#include "stores/find.h"

namespace {
std::string TimeField(double dateTime) {
    if (dateTime == 0)
        return {};
    TDateFields f = DecodeDateTime(dateTime);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", f.Year, f.Month, f.Day,
                  f.Hour, f.Minute, f.Second);
    return text;
}

class TPrintingListener final : public TFindListener {
public:
    void Found(const TFoundStore &store) override {
        TStoreSummary summary = SummariseStore(store);
        std::string line =
            std::to_string(store.Kind) + '\t' + EscapeField(KindName(store.Kind)) + '\t' +
            EscapeField(store.Folder) + '\t' + std::to_string(summary.Entries) + '\t' +
            TimeField(summary.EarliestAccess) + '\t' + TimeField(summary.LatestAccess) + '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    void Warning(const std::string &text) override {
        std::cerr << "warning: " << EscapeField(text) << '\n';
    }
};
} // namespace

int RunFind(const std::vector<std::string> &args) {
    std::vector<std::string> folders;
    for (TArgs walk(args); walk.Next();) {
        const std::string &arg = walk.Arg();
        if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-')
            UsageError("unknown option: " + arg);
        folders.push_back(arg);
    }
    if (folders.size() != 1)
        UsageError("find needs exactly one folder");
    std::error_code ec;
    std::filesystem::path folder =
        std::filesystem::absolute(folders.front(), ec).lexically_normal();
    if (ec || folders.front().empty() || !fs::FolderExists(folder.string()))
        UsageError("no such folder: " + folders.front());

    TCliMessages messages;
    seam::SetMessages(&messages);
    TPrintingListener listener;
    FindStores(folder.string(), listener);
    seam::SetMessages(nullptr);
    if (!FlushOutput())
        return 1;
    return messages.ErrorShown ? 1 : 0;
}
