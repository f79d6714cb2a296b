#include "config/detect.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <system_error>

#include "config/registry.h"
#include "items/cab.h"
#include "platform/ascii.h"
#include "platform/error.h"
#include "platform/fs.h"

namespace {
const std::string NetscapeVersionsKey = "\\SOFTWARE\\Netscape\\Netscape Navigator";
const std::string NetscapeUsersKey = "\\Software\\Netscape\\Netscape Navigator\\Users";
const std::string Netscape3MainKey = "\\Software\\Netscape\\Netscape Navigator\\Main";
const std::string Netscape3CacheKey = "\\Software\\Netscape\\Netscape Navigator\\Cache";
const std::string IEKey = "\\SOFTWARE\\Microsoft\\Internet Explorer";
const std::string IEAppPathKey =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";
const std::string IE2CacheKey = "\\SOFTWARE\\Microsoft\\Internet Explorer\\Main";
const std::string IECachePathsKey =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths";
const std::string IEShellFoldersKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const std::string TaplineKey = "\\Software\\Kestrelware\\Tapline";
const std::string TaplineConfigKey = "\\Software\\Kestrelware\\Tapline\\Config";

bool IsBlankOrControl(char c) {
    auto b = static_cast<unsigned char>(c);
    return b <= 0x20 || b == 0x7F;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlankOrControl(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlankOrControl(text.back()))
        text.remove_suffix(1);
    return text;
}

// "/" itself stays, so the root folder never equals a cabinet without a folder.
std::string_view WithoutTrailingSlashes(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return path;
}

// Runs one detection: whatever fails inside it makes it create nothing more, silently, and
// the registry is left with no key open and its previous hive.
template <class Body> void Guarded(TRegistry &registry, Body body) {
    THive hive = registry.RootKey();
    try {
        body();
    } catch (const std::exception &) {
    }
    try {
        registry.CloseKey();
        registry.SetRootKey(hive);
    } catch (const std::exception &) {
    }
}

void OpenExisting(TRegistry &registry, THive hive, const std::string &key) {
    registry.SetRootKey(hive);
    if (!registry.OpenKey(key, false))
        throw TError("missing key " + key);
}

std::string ReadText(TRegistry &registry, THive hive, const std::string &key,
                     const std::string &value) {
    OpenExisting(registry, hive, key);
    std::string text = registry.ReadString(value);
    registry.CloseKey();
    return text;
}

// The browser program below a Netscape install folder; empty when the folder is.
std::string NetscapeProgram(const std::string &installFolder) {
    std::string folder = LocalPathFromRegistry(installFolder);
    if (folder.empty())
        return {};
    return fs::WithTrailingSlash(folder) + "Program/Netscape.exe";
}

// What every detection ends with, given the folder as read and the program (unused for
// Tapline). user is the Netscape 4.x profile, empty for the other browsers.
void Register(TCabinetRoot &root, const std::string &folderValue, const std::string &program,
              uint8_t kind, const std::string &name, const std::string &user = {}) {
    std::string folder = LocalPathFromRegistry(folderValue);
    if (folder.empty() || (kind != KindTapline && program.empty()))
        return;
    folder = fs::ResolveCase(fs::WithTrailingSlash(folder));
    if (TCabinet *found = FindCabinetByPath(root, folder)) {
        if (kind == KindTapline)
            return;
        if (found->Program.empty())
            found->Program = program;
        if (!user.empty() && found->User.empty())
            found->User = user;
        return;
    }
    TCabinet *cabinet = root.AddCabinet(kind, folder, name);
    cabinet->Program = kind == KindTapline ? std::string() : program;
    cabinet->User = user;
}

void DetectIE(TRegistry &registry, TCabinetRoot &root, const std::string &name, uint8_t kind,
              const std::string &cacheKey, const std::string &cacheValue) {
    Guarded(registry, [&] {
        std::string program =
            LocalPathFromRegistry(ReadText(registry, THive::LocalMachine, IEAppPathKey, ""));
        std::string folder = ReadText(registry, THive::LocalMachine, cacheKey, cacheValue);
        Register(root, folder, program, kind, name);
    });
}

// The text of a value of the open key; fallback when it is missing or not text.
std::string TextOr(const TRegistry &registry, const std::string &value,
                   const std::string &fallback) {
    try {
        if (registry.ValueExists(value))
            return registry.ReadString(value);
    } catch (const TError &) {
    }
    return fallback;
}

// One line of "Prefs.js": updates result when the line names the cache folder.
void ScanPrefsLine(std::string_view line, std::string &result) {
    char opener = 0; // the delimiter that began the current piece
    size_t start = 0;
    bool quoted = false;
    bool haveName = false;
    std::string_view name;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted) {
            if (c == '\\')
                ++i; // an escaped character never ends the quoted text
            else if (c == '"')
                quoted = false;
            continue;
        }
        if (c == '"') {
            quoted = true;
            continue;
        }
        if (c != '(' && c != ',' && c != ')')
            continue;
        std::string_view piece = line.substr(start, i - start);
        if (opener == '(' && c == ',') {
            name = piece;
            haveName = true;
        } else if (opener == ',' && c == ')' && haveName &&
                   SameAscii(name, "\"BROWSER.CACHE.DIRECTORY\"")) {
            result = UnquotePrefValue(piece);
        }
        opener = c;
        start = i + 1;
    }
}
} // namespace

std::string LocalPathFromRegistry(std::string_view value) {
    std::string path(Trim(value));
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty() || path[0] != '/')
        return {};
    return path;
}

TCabinet *FindCabinetByPath(const TCabinetRoot &root, std::string_view folder) {
    std::string_view wanted = WithoutTrailingSlashes(folder);
    const auto &cabinets = root.Cabinets();
    for (auto it = cabinets.rbegin(); it != cabinets.rend(); ++it)
        if (SameAscii(WithoutTrailingSlashes((*it)->Path), wanted))
            return it->get();
    return nullptr;
}

std::string UnquotePrefValue(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        char c = raw[i];
        if (c == '"' || (c == '\\' && i > 0 && raw[i - 1] == '\\'))
            continue;
        out.push_back(c);
    }
    return std::string(Trim(out));
}

std::string ReadPrefsCacheDir(const std::string &profileFolder) {
    if (profileFolder.empty())
        return {};
    std::string folder = fs::WithTrailingSlash(profileFolder);
    std::string file = fs::FindStoreFile(folder, "Prefs.js");
    if (file.empty())
        return {};
    std::error_code ec;
    uintmax_t size = std::filesystem::file_size(file, ec);
    std::string text;
    if (ec || size > MaxPrefsSize || !fs::ReadWholeFile(file, text) || text.size() > MaxPrefsSize)
        return {};
    std::string result = folder + "Cache";
    std::string_view rest(text);
    while (!rest.empty()) {
        size_t end = rest.find_first_of("\r\n");
        ScanPrefsLine(rest.substr(0, end), result);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    return result;
}

void DetectNetscape3(TRegistry &registry, TCabinetRoot &root, const std::string &name) {
    Guarded(registry, [&] {
        std::string program = NetscapeProgram(
            ReadText(registry, THive::CurrentUser, Netscape3MainKey, "Install Directory"));
        std::string folder = ReadText(registry, THive::CurrentUser, Netscape3CacheKey, "Cache Dir");
        Register(root, folder, program, KindNetscape2, name);
    });
}

void DetectNetscape4(TRegistry &registry, TCabinetRoot &root, const std::string &baseName,
                     const std::string &version) {
    Guarded(registry, [&] {
        std::string program = NetscapeProgram(
            ReadText(registry, THive::LocalMachine, NetscapeVersionsKey + "\\" + version + "\\Main",
                     "Install Directory"));
        if (program.empty())
            return;
        OpenExisting(registry, THive::LocalMachine, NetscapeUsersKey);
        std::vector<std::string> profiles = registry.GetKeyNames();
        for (const std::string &profile : profiles) {
            std::string profileFolder = LocalPathFromRegistry(ReadText(
                registry, THive::LocalMachine, NetscapeUsersKey + "\\" + profile, "DirRoot"));
            if (profileFolder.empty())
                continue;
            Register(root, ReadPrefsCacheDir(profileFolder), program, KindNetscape2,
                     baseName + " - " + profile, profile);
        }
    });
}

void DetectIE2(TRegistry &registry, TCabinetRoot &root, const std::string &name) {
    DetectIE(registry, root, name, KindMsie2, IE2CacheKey, "Cache_Directory");
}

void DetectIE3(TRegistry &registry, TCabinetRoot &root, const std::string &name) {
    DetectIE(registry, root, name, KindMsie3, IECachePathsKey, "Directory");
}

void DetectIE4(TRegistry &registry, TCabinetRoot &root, const std::string &name) {
    DetectIE(registry, root, name, KindMsie4, IECachePathsKey, "Directory");
}

void DetectIE5(TRegistry &registry, TCabinetRoot &root, const std::string &name) {
    Guarded(registry, [&] {
        std::string program =
            LocalPathFromRegistry(ReadText(registry, THive::LocalMachine, IEAppPathKey, ""));
        std::string cache = LocalPathFromRegistry(
            ReadText(registry, THive::CurrentUser, IEShellFoldersKey, "Cache"));
        if (!cache.empty())
            Register(root, fs::WithTrailingSlash(cache) + "Content.IE5", program, KindMsie5, name);
    });
}

void DetectTapline(TRegistry &registry, TCabinetRoot &root, const std::string &name) {
    Guarded(registry, [&] {
        Register(root, ReadText(registry, THive::CurrentUser, TaplineConfigKey, "Cache Path"), {},
                 KindTapline, name);
    });
}

std::vector<TCabinet *> DetectBrowserCaches(TRegistry &registry, TCabinetRoot &root) {
    const size_t before = root.Cabinets().size();

    std::vector<std::string> versions;
    Guarded(registry, [&] {
        OpenExisting(registry, THive::LocalMachine, NetscapeVersionsKey);
        versions = registry.GetKeyNames();
    });
    for (const std::string &version : versions) {
        if (version.empty())
            continue;
        if (version[0] == '2' || version[0] == '3')
            DetectNetscape3(registry, root, "Cache NN" + version);
        else if (version[0] == '4')
            DetectNetscape4(registry, root, "Cache NN" + version, version);
    }

    // A Version or IVer that is not text counts as absent.
    bool haveIE = false;
    std::string ieVersion, ieIVer;
    Guarded(registry, [&] {
        OpenExisting(registry, THive::LocalMachine, IEKey);
        haveIE = true;
        ieVersion = TextOr(registry, "Version", "   ");
        ieIVer = TextOr(registry, "IVer", "   ");
    });
    if (haveIE) {
        if (!ieVersion.empty() && ieVersion.front() == '4')
            DetectIE4(registry, root, "Cache IE4");
        else if (!ieVersion.empty() && ieVersion.front() >= '5' && ieVersion.front() <= '9')
            DetectIE5(registry, root, "Cache IE5");
        if (!ieIVer.empty() && ieIVer.back() == '2')
            DetectIE2(registry, root, "Cache IE2");
        else if (!ieIVer.empty() && ieIVer.back() == '3')
            DetectIE3(registry, root, "Cache IE3");
    }

    bool haveTapline = false;
    Guarded(registry, [&] {
        registry.SetRootKey(THive::CurrentUser);
        haveTapline = registry.KeyExists(TaplineKey);
    });
    if (haveTapline)
        DetectTapline(registry, root, "Tapline");

    std::vector<TCabinet *> created;
    for (size_t i = before; i < root.Cabinets().size(); ++i)
        created.push_back(root.Cabinets()[i].get());
    return created;
}
