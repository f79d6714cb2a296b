#pragma once
// The program's persistent state in the registry: the settings (Config), the tool list
// (Tools\Tool<n>) and the cabinet list (Cabinets\Cab<n>) below
// "\Software\Kestrelware\Trawler" in the current user's hive, and the entry in the machine
// hive's list of removable programs.
#include <string>
#include <string_view>

#include "platform/datetime.h"

class TRegistry;
class TTools;
class TCabinetRoot;

inline constexpr const char *TrawlerKey = "\\Software\\Kestrelware\\Trawler";
inline constexpr const char *KestrelwareKey = "\\Software\\Kestrelware";
inline constexpr const char *ConfigKey = "\\Software\\Kestrelware\\Trawler\\Config";
inline constexpr const char *ToolsKey = "\\Software\\Kestrelware\\Trawler\\Tools";
inline constexpr const char *CabinetsKey = "\\Software\\Kestrelware\\Trawler\\Cabinets";
inline constexpr const char *UninstallKey =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Trawler";

inline constexpr const char *RegistryCorruptText = "Trawle のレジストリー情報が壊れています。";
inline constexpr const char *RegistryMissingText = "Trawle のレジストリー情報はありません。";

// True when the first command-line parameter is the erase switch "/R" (any case).
bool IsEraseSwitch(std::string_view parameter);

struct TReadResult {
    // Everything was read. When false the corrupt-registry message has been shown, and what
    // was read before the failure stays in effect.
    bool Ok = true;
    // No settings were stored: the defaults were taken and the uninstall entry written.
    bool FirstStart = false;
    // The ten placement values were read into Settings().Placement and should be applied.
    bool PlacementRead = false;
};

// Reads the settings into Settings() (Exec and Terminate there hold the previous start and
// end), stores now as the new Exec, appends the stored tools to tools and the stored
// cabinets to root. On a first start the machine hive gets the uninstall entry
// (programPath + " /R"). Any failure ends the reading and shows the corrupt-registry
// message, except a missing or unreadable Split (150), Warning (true) or cabinet User
// (empty text).
TReadResult ReadRegistry(TRegistry &registry, TTools &tools, TCabinetRoot &root,
                         const std::string &programPath, double now = NowDateTime());

// Writes every setting from Settings() (Settings().Placement as the GUI last filled it) with
// now as Terminate. With writeLists, the Tools and Cabinets keys are replaced by the tool
// list and the cabinets of root that are not temporary, each subkey numbered by its
// position in its list; without it they stay as stored. Failures propagate (TError).
void WriteRegistry(TRegistry &registry, const TTools &tools, const TCabinetRoot &root,
                   bool writeLists, double now = NowDateTime());

// Removes "\Software\Kestrelware\Trawler" (and "\Software\Kestrelware" when nothing else is
// left in it) from the current user's hive, then the uninstall entry from the machine hive.
// When the first part fails the message "Trawle のレジストリー情報はありません。" is shown
// and the result is false. Nothing is thrown, even when the file cannot be saved.
bool EraseRegistry(TRegistry &registry);

// The three operations over the registry file, each working on the file as it is at the
// time of the call. Remembers a failed read: the tool and cabinet lists that could not be
// read are then left in the store at the end instead of being replaced by partial lists.
class TConfigStore {
public:
    // The registry file at DefaultRegistryPath().
    TConfigStore();
    explicit TConfigStore(std::string registryPath);

    TReadResult ReadRegistry(TTools &tools, TCabinetRoot &root, const std::string &programPath);
    void WriteRegistry(const TTools &tools, const TCabinetRoot &root);
    bool EraseRegistry();

    bool ReadFailed() const { return readFailed; }
    const std::string &RegistryPath() const { return path; }

private:
    std::string path;
    bool readFailed = false;
};
