// trawler-cli: the command-line front end over the core, for scripting and for checking the
// core end to end. Messages the desktop program shows in a box go to standard error as
// "error: TEXT" or "warning: TEXT", one per line. Exit status: 0 when no error message was
// shown, 1 when one was, 2 for wrong usage or a missing folder.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "cli/common.h"
#include "cli/output.h"
#include "config/settings.h"
#include "items/cab.h"
#include "items/file.h"
#include "items/texts.h"
#include "platform/datetime.h"
#include "platform/fs.h"
#include "platform/seam.h"
#include "stores/cache.h"

extern const char *Usage;
int RunFind(const std::vector<std::string> &args); // cli/find.cpp
int RunWarc(const std::vector<std::string> &args); // cli/warc.cpp
const char *Usage =
    "usage: trawler-cli kind FOLDER\n"
    "       trawler-cli list FOLDER [--kind N] [--set NAME=VALUE]... [--format tsv|json]\n"
    "       trawler-cli tree FOLDER [--kind N]\n"
    "       trawler-cli reindex FOLDER [--kind N]\n"
    "       trawler-cli detect --registry FILE [--cabinet FOLDER[:KIND]]...\n"
    "       trawler-cli paste --cabinet FOLDER[:KIND]... [--move] [--root N:ADDRESS]\n"
    "                   [--answer yes|no|all|cancel] [--set NAME=VALUE]... --into N:ADDRESS\n"
    "                   N:ADDRESS...\n"
    "       trawler-cli links --cabinet FOLDER[:KIND]... [--set NAME=VALUE]... N:ADDRESS\n"
    "       trawler-cli find FOLDER\n"
    "       trawler-cli warc --cabinet FOLDER[:KIND]... [--output FILE.warc.gz] N:ADDRESS...\n";

namespace {

struct TOptions {
    std::string Command;
    std::string Folder;
    int Kind = 0;
    bool Json = false;
};

TOptions ParseArguments(int argc, char **argv) {
    TOptions options;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                UsageError(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--kind") {
            std::string v = value();
            char *end = nullptr;
            long k = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end != '\0' || k < 0 || k > 9)
                UsageError("the kind must be a number from 0 to 9: " + v);
            options.Kind = static_cast<int>(k);
        } else if (arg == "--set") {
            ApplySetting(value());
        } else if (arg == "--format") {
            std::string v = value();
            if (v != "json" && v != "tsv")
                UsageError("unknown format: " + v);
            options.Json = v == "json";
        } else if (arg == "-h" || arg == "--help") {
            std::cout << Usage;
            std::exit(0);
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            UsageError("unknown option: " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2)
        UsageError("a command and one folder are needed");
    options.Command = positional[0];
    options.Folder = positional[1];
    if (options.Command != "kind" && options.Command != "list" && options.Command != "tree" &&
        options.Command != "reindex")
        UsageError("unknown command: " + options.Command);
    return options;
}

std::string DateField(double dateTime) {
    if (dateTime == 0)
        return {};
    TDateFields f = DecodeDateTime(dateTime);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", f.Year, f.Month, f.Day,
                  f.Hour, f.Minute, f.Second);
    return text;
}

void PrintJsonList(const TCabinet &cabinet) {
    std::string out = "[";
    bool first = true;
    ForEachDescendant(cabinet, [&](const TTree &item) {
        if (!item.IsFile())
            return;
        const auto &file = static_cast<const TFile &>(item);
        out += first ? "\n  {" : ",\n  {";
        out += JsonNameField("url", file.GetURL());
        out += ", \"size\": " + std::to_string(file.Size);
        out += ", \"modified\": " + JsonString(DateField(file.Modified));
        out += ", \"accessed\": " + JsonString(DateField(file.Accessed));
        out += ", \"content_type\": " + JsonString(file.ContentType);
        out += ", " + JsonNameField("cache_file", file.CacheFile);
        out += ", \"root_page\": " + std::to_string(file.RootPage ? 1 : 0);
        out += ", " + JsonNameField("local_path", file.GetLocalPath()) + "}";
        first = false;
        if (out.size() > (1 << 20)) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    });
    out += first ? "]\n" : "\n]\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
}

// One line per file, written straight into one buffer. The walk is ForEachDescendant's, with
// the items a few places ahead fetched into the processor's cache while a line is made, and
// each file's address is its folders' part, kept escaped from the folder's own visit, and its
// own name, as TFile::GetURL joins them.
void PrintTsvList(const TCabinet &cabinet) {
    constexpr size_t Block = 1 << 20;
    std::string out = "url\tsize\tmodified\taccessed\tcontent_type\tcache_file\troot_page\t"
                      "local_path\n";
    out.reserve(Block + (Block >> 2));
    const bool plain = cabinet.Kind == KindPlainLog;
    TDateText modified, accessed;
    std::string folders;         // escaped "NAME/" of each folder on the way down
    std::vector<size_t> ends{0}; // where the part of each depth ends in folders
    struct TFrame {
        const TTree *folder;
        size_t next;
    };
    std::vector<TFrame> stack{{&cabinet, 0}};
    while (!stack.empty()) {
        TFrame &top = stack.back();
        const auto &list = top.folder->Children();
        if (top.next >= list.size()) {
            stack.pop_back();
            continue;
        }
        // Fetched ahead into the processor's cache: the items six places on, then for the
        // files four and two places on the place of their cached file's name in its folder's
        // listing, then the name itself.
        if (top.next + 6 < list.size()) {
            const char *item = reinterpret_cast<const char *>(list[top.next + 6].get());
            for (size_t line = 0; line < sizeof(TFile); line += 64)
                __builtin_prefetch(item + line);
        }
        for (size_t on = 2; on <= 4 && top.next + on < list.size(); on += 2) {
            const TTree &item = *list[top.next + on];
            if (!item.IsFile())
                continue;
            cabinet.Listings.Prefetch(static_cast<const TFile &>(item).CacheFile, on == 4);
        }
        const TTree *child = list[top.next++].get();
        const size_t depth = stack.size();
        if (child->IsFile()) {
            const auto &file = static_cast<const TFile &>(*child);
            out.append(folders, 0, ends[depth - 1]);
            if (plain)
                AppendEscaped(out, file.LocalName());
            else if (!file.RootPage)
                AppendEscaped(out, file.Name());
            char number[16];
            const auto size = std::to_chars(number, number + sizeof number, file.Size);
            out += '\t';
            out.append(number, size.ptr);
            out += '\t';
            modified.Append(out, file.Modified);
            out += '\t';
            accessed.Append(out, file.Accessed);
            out += '\t';
            AppendEscaped(out, file.ContentType);
            out += '\t';
            AppendEscaped(out, file.CacheFile);
            out += file.RootPage ? "\t1\t" : "\t0\t";
            AppendEscaped(out, file.GetLocalPath());
            out += '\n';
            if (out.size() > Block) {
                std::fwrite(out.data(), 1, out.size(), stdout);
                out.clear();
            }
        }
        if (!child->Children().empty()) {
            folders.resize(ends[depth - 1]);
            AppendEscaped(folders, plain ? child->LocalName() : child->Name());
            folders += '/';
            ends.resize(depth + 1);
            ends[depth] = folders.size();
            stack.push_back({child, 0});
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
}

void PrintList(const TCabinet &cabinet, bool json) {
    if (json)
        PrintJsonList(cabinet);
    else
        PrintTsvList(cabinet);
}

void PrintTree(const TCabinet &cabinet) {
    std::string out = EscapeField(cabinet.Name()) + "/\n";
    ForEachDescendant(cabinet, [&](const TTree &item, size_t depth) {
        out += TreeIndent(depth);
        out += EscapeField(item.Name());
        if (!item.IsFile())
            out += '/';
        out += '\n';
        if (out.size() > (1 << 20)) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    });
    std::fwrite(out.data(), 1, out.size(), stdout);
}

// The command word of a command that parses its own arguments, found past the options that
// come before it; -1 when there is none.
int OwnCommand(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "detect" || arg == "paste" || arg == "links" || arg == "find" || arg == "warc")
            return i;
        if (arg.size() > 2 && arg[0] == '-' && arg[1] == '-' && arg != "--move" && arg != "--help")
            ++i; // every other option takes a value
        else if (arg.empty() || arg[0] != '-')
            return -1;
    }
    return -1;
}
} // namespace

int main(int argc, char **argv) {
    if (int at = OwnCommand(argc, argv); at > 0) {
        std::vector<std::string> args;
        for (int i = 1; i < argc; ++i)
            if (i != at)
                args.push_back(argv[i]);
        std::string command = argv[at];
        ResetTimeZoneBias();
        if (command == "detect")
            return RunDetect(args);
        if (command == "paste")
            return RunPaste(args);
        if (command == "find")
            return RunFind(args);
        if (command == "warc")
            return RunWarc(args);
        return RunLinks(args);
    }
    TOptions options = ParseArguments(argc, argv);
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::absolute(options.Folder, ec).lexically_normal();
    if (ec || !fs::FolderExists(folder.string()))
        UsageError("no such folder: " + options.Folder);

    ResetTimeZoneBias();
    TCliMessages messages;
    seam::SetMessages(&messages);

    TCabinetRoot root;
    std::string name = folder.filename().string();
    if (name.empty())
        name = folder.parent_path().filename().string();
    TCabinet *cabinet = root.AddCabinet(static_cast<uint8_t>(options.Kind), folder.string(), name);
    cabinet->MakeTemporary();

    if (options.Command == "kind") {
        DetectCabinetKind(*cabinet);
        std::cout << static_cast<int>(cabinet->Kind) << '\t' << KindName(cabinet->Kind) << '\n';
    } else {
        LoadCabinet(*cabinet);
        if (options.Command == "list")
            PrintList(*cabinet, options.Json);
        else if (options.Command == "tree")
            PrintTree(*cabinet);
        else
            UpdateCabinetIndex(*cabinet);
    }
    seam::SetMessages(nullptr);
    if (!FlushOutput())
        return 1;
    return messages.ErrorShown ? 1 : 0;
}
