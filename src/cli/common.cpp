#include "cli/common.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "cli/output.h"
#include "items/tree.h"
#include "config/settings.h"
#include "platform/fs.h"
#include "stores/cache.h"

extern const char *Usage;

void TCliMessages::ErrorBox(const std::string &text) {
    ErrorShown = true;
    std::cerr << "error: " << EscapeField(text) << '\n';
}

void TCliMessages::WarningBox(const std::string &text) {
    std::cerr << "warning: " << EscapeField(text) << '\n';
}

void UsageError(const std::string &why) {
    std::cerr << "trawler-cli: " << why << '\n' << Usage;
    std::exit(ExitUsage);
}

void ApplySetting(const std::string &nameValue) {
    size_t eq = nameValue.find('=');
    if (eq == std::string::npos ||
        !SetSettingByName(nameValue.substr(0, eq), nameValue.substr(eq + 1)))
        UsageError("unknown setting or value: " + nameValue);
}

TCabinetArg ParseCabinetArg(const std::string &text) {
    TCabinetArg cabinetArg;
    std::string folder = text;
    size_t colon = text.rfind(':');
    if (colon != std::string::npos && colon + 1 < text.size() &&
        text.find_first_not_of("0123456789", colon + 1) == std::string::npos) {
        if (text.size() - colon - 1 > 1 || text[colon + 1] > '9')
            UsageError("the kind must be a number from 0 to 9: " + text.substr(colon + 1));
        cabinetArg.Kind = text[colon + 1] - '0';
        folder = text.substr(0, colon);
    }
    std::error_code ec;
    std::filesystem::path path = std::filesystem::absolute(folder, ec).lexically_normal();
    // A plain or mirror log may start empty, as the program makes a missing log folder.
    const bool isLog = cabinetArg.Kind == KindPlainLog || cabinetArg.Kind == KindMirrorLog;
    if (!ec && !folder.empty() && isLog && !fs::PathExists(path.string())) {
        std::filesystem::create_directories(path, ec);
        if (ec)
            UsageError("cannot create folder: " + folder + ": " + ec.message());
    }
    if (ec || folder.empty() || !fs::FolderExists(path.string()))
        UsageError("no such folder: " + folder);
    cabinetArg.Folder = path.string();
    return cabinetArg;
}

std::vector<TCabinet *> RegisterCabinets(TCabinetRoot &root, const std::vector<TCabinetArg> &cabinetArgs,
                                         bool load) {
    std::vector<TCabinet *> cabinets;
    for (const TCabinetArg &cabinetArg : cabinetArgs) {
        std::filesystem::path folder(cabinetArg.Folder);
        std::string name = folder.filename().string();
        if (name.empty())
            name = folder.parent_path().filename().string();
        if (name.empty())
            name = cabinetArg.Folder;
        cabinets.push_back(root.AddCabinet(static_cast<uint8_t>(cabinetArg.Kind), cabinetArg.Folder, name));
    }
    if (load)
        for (TCabinet *cabinet : cabinets)
            LoadCabinet(*cabinet);
    return cabinets;
}

TTree *FindNamedItem(const std::vector<TCabinet *> &cabinets, const std::string &name) {
    size_t colon = name.find(':');
    if (colon == 0 || colon == std::string::npos || colon > 6 ||
        name.find_first_not_of("0123456789") != colon)
        return nullptr;
    size_t number = std::stoul(name.substr(0, colon));
    if (number < 1 || number > cabinets.size())
        return nullptr;
    TCabinet *cabinet = cabinets[number - 1];
    std::string address = name.substr(colon + 1);
    if (address.empty())
        return cabinet;
    const TTree *found = nullptr;
    ForEachDescendant(*cabinet, [&](const TTree &item) {
        if (!found && item.GetURL() == address)
            found = &item;
    });
    return const_cast<TTree *>(found);
}

int CabinetNumber(const std::vector<TCabinet *> &cabinets, const TTree &item) {
    const TCabinet *cabinet = item.IsCabinet() ? static_cast<const TCabinet *>(&item)
                                               : item.GetCabinet();
    for (size_t i = 0; i < cabinets.size(); ++i)
        if (cabinets[i] == cabinet)
            return static_cast<int>(i + 1);
    return 0;
}

std::string ItemName(const std::vector<TCabinet *> &cabinets, const TTree &item) {
    int number = CabinetNumber(cabinets, item);
    if (number == 0)
        return {};
    return std::to_string(number) + ":" + (item.IsCabinet() ? std::string() : item.GetURL());
}

bool FlushOutput() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::cerr << "trawler-cli: the output could not be written\n";
        return false;
    }
    return true;
}
