// trawler-cli detect --registry FILE [--cabinet FOLDER[:KIND]]...
// Finds the browsers' caches through the registry file FILE with the cabinets named on the
// command line already registered, loads every cabinet that was not read yet, and prints one
// line per cabinet: name, kind, folder, program and user, separated by tabs. The registry file
// is only read, never written.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "cli/common.h"
#include "cli/output.h"
#include "config/detect.h"
#include "config/registry.h"
#include "items/cab.h"
#include "platform/fs.h"
#include "platform/seam.h"
#include "stores/cache.h"

extern const char *Usage;

int RunDetect(const std::vector<std::string> &args) {
    std::string registryPath;
    bool haveRegistry = false;
    std::vector<TCabinetArg> cabinetArgs;
    for (TArgs walk(args); walk.Next();) {
        const std::string &arg = walk.Arg();
        if (arg == "--registry") {
            if (haveRegistry)
                UsageError("--registry is given twice");
            registryPath = walk.Value();
            haveRegistry = true;
        } else if (arg == "--cabinet") {
            cabinetArgs.push_back(ParseCabinetArg(walk.Value()));
        } else if (arg == "-h" || arg == "--help") {
            std::cout << Usage;
            return 0;
        } else {
            UsageError("unknown argument of detect: " + arg);
        }
    }
    if (!haveRegistry)
        UsageError("detect needs --registry FILE");

    // The file is read into a registry held in memory, so nothing can ever be saved to it.
    std::error_code ec;
    uintmax_t size = std::filesystem::file_size(registryPath, ec);
    std::string text;
    if (!fs::FileExists(registryPath))
        UsageError("no such registry file: " + registryPath);
    if (ec || size > TRegistry::MaxFileSize || !fs::ReadWholeFile(registryPath, text) ||
        text.size() > TRegistry::MaxFileSize)
        UsageError("the registry file cannot be read: " + registryPath);
    TRegistry registry;
    registry.LoadText(text);

    TCliMessages messages;
    seam::SetMessages(&messages);
    TCabinetRoot root;
    RegisterCabinets(root, cabinetArgs, false);
    DetectBrowserCaches(registry, root);
    for (const auto &cabinet : root.Cabinets())
        if (!cabinet->IndexRead)
            LoadCabinet(*cabinet);

    std::string out;
    for (const auto &cabinet : root.Cabinets())
        out += EscapeField(cabinet->Name()) + '\t' + std::to_string(cabinet->Kind) + '\t' +
               EscapeField(cabinet->Path) + '\t' + EscapeField(cabinet->Program) + '\t' +
               EscapeField(cabinet->User) + '\n';
    std::fwrite(out.data(), 1, out.size(), stdout);
    seam::SetMessages(nullptr);
    if (!FlushOutput())
        return 1;
    return messages.ErrorShown ? 1 : 0;
}
