#include "config/persist.h"
#include "platform/ascii.h"

#include <exception>
#include <utility>

#include "config/registry.h"
#include "config/settings.h"
#include "config/tools.h"
#include "items/cab.h"
#include "platform/error.h"
#include "platform/seam.h"

bool IsEraseSwitch(std::string_view parameter) {
    return parameter.size() == 2 && parameter[0] == '/' &&
           (parameter[1] == 'R' || parameter[1] == 'r');
}

namespace {
void OpenOrThrow(TRegistry &registry, const std::string &key, bool canCreate) {
    if (!registry.OpenKey(key, canCreate))
        throw TError(RegistryCorruptText);
}

// A number that names no kind is left for recognition to decide, rather than giving a
// cabinet that no reader ever fills (or being cut to whatever kind its low byte names).
uint8_t KindFromAttribute(int32_t attribute) {
    return (attribute >= KindUnknown && attribute <= KindMsie5) ? static_cast<uint8_t>(attribute)
                                                                : uint8_t{KindUnknown};
}

void ReadConfig(TRegistry &reg, TSettings &s, TReadResult &result) {
    TWindowPlacement &p = s.Placement;
    p.Flag = reg.ReadInteger("Flag");
    p.ShowCmd = reg.ReadInteger("ShowCmd");
    p.MinX = reg.ReadInteger("Min.X");
    p.MinY = reg.ReadInteger("Min.Y");
    p.MaxX = reg.ReadInteger("Max.X");
    p.MaxY = reg.ReadInteger("Max.Y");
    p.Left = reg.ReadInteger("Left");
    p.Top = reg.ReadInteger("Top");
    p.Right = reg.ReadInteger("Right");
    p.Bottom = reg.ReadInteger("Bottom");
    result.PlacementRead = true;
    s.Exec = reg.ReadFloat("Exec");
    s.Terminate = reg.ReadFloat("Terminate");
    s.ViewStyle = reg.ReadInteger("View Style");
    s.HtmlFileExt = ToUpperAscii(reg.ReadString("Html File Ext."));
    // Set at once, so a failure further on never leaves the run without any HTML extension.
    if (s.HtmlFileExt.empty())
        s.HtmlFileExt = DefaultHtmlFileExt;
    try {
        s.Split = reg.ReadInteger("Split");
    } catch (const TError &) {
        s.Split = 150;
    }
    try {
        s.Warning = reg.ReadBool("Warning");
    } catch (const TError &) {
        s.Warning = true;
    }
    s.ToolBar = reg.ReadBool("Tool Bar");
    s.StatusBar = reg.ReadBool("Status Bar");
    s.OpTreeAutoScroll = reg.ReadBool("OpTreeAutoScroll");
    s.OpListAutoScroll = reg.ReadBool("OpListAutoScroll");
    s.OpDelete = reg.ReadBool("OpDelete");
    s.OpDeleteDB = reg.ReadBool("OpDeleteDB");
    s.OpCopyConv = reg.ReadBool("OpCopyConv");
    s.OpCopyLink = reg.ReadBool("OpCopyLink");
    s.OpCopyDir = reg.ReadBool("OpCopyDir");
    s.OpCopyDelay = reg.ReadInteger("OpCopyDelay");
    s.OpMirrorLink = reg.ReadBool("OpMirrorLink");
    s.OpMirrorDelay = reg.ReadInteger("OpMirrorDelay");
    s.ListMode = reg.ReadInteger("ListMode");
    s.OpBrowser = reg.ReadBool("OpBrowser");
}

void FirstStart(TRegistry &reg, TSettings &s, const std::string &programPath) {
    reg.SetRootKey(THive::LocalMachine);
    OpenOrThrow(reg, UninstallKey, true);
    reg.WriteString("DisplayName", "Trawler");
    reg.WriteString("UninstallString", programPath + " /R");
    reg.CloseKey();
    reg.SetRootKey(THive::CurrentUser);
    OpenOrThrow(reg, ConfigKey, true);
    s = TSettings{};
}

void ReadTools(TRegistry &reg, TTools &tools) {
    if (!reg.KeyExists(ToolsKey))
        return;
    OpenOrThrow(reg, ToolsKey, false);
    for (const std::string &name : reg.GetKeyNames()) {
        OpenOrThrow(reg, std::string(ToolsKey) + "\\" + name, false);
        std::string toolName = reg.ReadString("Name");
        std::string toolPath = reg.ReadString("Path");
        tools.Add(toolName, toolPath);
        reg.CloseKey();
    }
}

void ReadCabinets(TRegistry &reg, TCabinetRoot &root) {
    if (!reg.KeyExists(CabinetsKey))
        return;
    OpenOrThrow(reg, CabinetsKey, false);
    for (const std::string &name : reg.GetKeyNames()) {
        OpenOrThrow(reg, std::string(CabinetsKey) + "\\" + name, false);
        std::string cabinetName = reg.ReadString("Name");
        std::string path = reg.ReadString("Path");
        uint8_t kind = KindFromAttribute(reg.ReadInteger("Attribute"));
        TCabinet *cabinet = root.AddCabinet(kind, path, cabinetName);
        cabinet->Program = reg.ReadString("Program");
        try {
            cabinet->User = reg.ReadString("User");
        } catch (const TError &) {
            cabinet->User.clear();
        }
        cabinet->Deletable = reg.ReadBool("Delete");
        reg.CloseKey();
    }
}
} // namespace

TReadResult ReadRegistry(TRegistry &registry, TTools &tools, TCabinetRoot &root,
                         const std::string &programPath, double now) {
    TReadResult result;
    TSettings &s = Settings();
    try {
        registry.SetRootKey(THive::CurrentUser);
        if (registry.KeyExists(ConfigKey)) {
            OpenOrThrow(registry, ConfigKey, false);
            ReadConfig(registry, s, result);
        } else {
            result.FirstStart = true;
            FirstStart(registry, s, programPath);
        }
        if (s.HtmlFileExt.empty())
            s.HtmlFileExt = DefaultHtmlFileExt;
        registry.WriteFloat("Exec", now);
        try {
            registry.CloseKey();
        } catch (const TError &) {
            // A settings file that cannot be written just now still holds readable lists:
            // only this start time goes unsaved, and the save at the end reports the trouble.
        }
        ReadTools(registry, tools);
        ReadCabinets(registry, root);
    } catch (const std::exception &) {
        result.Ok = false;
        seam::Messages().ErrorBox(RegistryCorruptText);
    }
    return result;
}

void WriteRegistry(TRegistry &registry, const TTools &tools, const TCabinetRoot &root,
                   bool writeLists, double now) {
    const TSettings &s = Settings();
    registry.SetRootKey(THive::CurrentUser);
    if (!registry.OpenKey(ConfigKey, true))
        throw TError("レジストリー情報を保存できません。");
    const TWindowPlacement &p = s.Placement;
    registry.WriteInteger("Flag", p.Flag);
    registry.WriteInteger("ShowCmd", p.ShowCmd);
    registry.WriteInteger("Min.X", p.MinX);
    registry.WriteInteger("Min.Y", p.MinY);
    registry.WriteInteger("Max.X", p.MaxX);
    registry.WriteInteger("Max.Y", p.MaxY);
    registry.WriteInteger("Left", p.Left);
    registry.WriteInteger("Top", p.Top);
    registry.WriteInteger("Right", p.Right);
    registry.WriteInteger("Bottom", p.Bottom);
    registry.WriteInteger("View Style", s.ViewStyle);
    registry.WriteInteger("Split", s.Split);
    registry.WriteBool("Tool Bar", s.ToolBar);
    registry.WriteBool("Status Bar", s.StatusBar);
    registry.WriteFloat("Terminate", now);
    registry.WriteString("Html File Ext.", s.HtmlFileExt);
    registry.WriteBool("OpTreeAutoScroll", s.OpTreeAutoScroll);
    registry.WriteBool("OpListAutoScroll", s.OpListAutoScroll);
    registry.WriteBool("OpDelete", s.OpDelete);
    registry.WriteBool("OpDeleteDB", s.OpDeleteDB);
    registry.WriteBool("OpCopyConv", s.OpCopyConv);
    registry.WriteBool("OpCopyLink", s.OpCopyLink);
    registry.WriteBool("OpCopyDir", s.OpCopyDir);
    registry.WriteInteger("OpCopyDelay", s.OpCopyDelay);
    registry.WriteBool("OpMirrorLink", s.OpMirrorLink);
    registry.WriteInteger("OpMirrorDelay", s.OpMirrorDelay);
    registry.WriteInteger("ListMode", s.ListMode);
    registry.WriteBool("OpBrowser", s.OpBrowser);
    registry.WriteBool("Warning", s.Warning);
    registry.CloseKey();
    if (!writeLists)
        return;

    registry.DeleteKey(ToolsKey);
    const auto &members = tools.Members();
    for (size_t i = 0; i < members.size(); ++i) {
        const auto *tool = dynamic_cast<const TTool *>(members[i].get());
        if (!tool)
            continue;
        registry.OpenKey(std::string(ToolsKey) + "\\Tool" + std::to_string(i), true);
        registry.WriteString("Name", tool->Name);
        registry.WriteString("Path", tool->Path);
        registry.CloseKey();
    }

    registry.DeleteKey(CabinetsKey);
    const auto &cabinets = root.Cabinets();
    for (size_t i = 0; i < cabinets.size(); ++i) {
        const TCabinet &cabinet = *cabinets[i];
        if (cabinet.Temporary)
            continue;
        registry.OpenKey(std::string(CabinetsKey) + "\\Cab" + std::to_string(i), true);
        registry.WriteString("Name", cabinet.Name());
        registry.WriteString("Path", cabinet.Path);
        registry.WriteString("Program", cabinet.Program);
        registry.WriteString("User", cabinet.User);
        registry.WriteInteger("Attribute", cabinet.Kind);
        registry.WriteBool("Delete", cabinet.Deletable);
        registry.CloseKey();
    }
}

bool EraseRegistry(TRegistry &registry) {
    bool erased = false;
    try {
        registry.SetRootKey(THive::CurrentUser);
        if (registry.DeleteKey(TrawlerKey) && registry.OpenKey(KestrelwareKey, false)) {
            bool othersLeft = registry.HasSubKeys();
            registry.CloseKey();
            if (!othersLeft)
                registry.DeleteKey(KestrelwareKey);
            erased = true;
        }
    } catch (const std::exception &) {
        erased = false;
    }
    if (!erased)
        seam::Messages().ErrorBox(RegistryMissingText);
    // Removing the uninstall entry has no failure of its own to report, and the program is
    // ending: a file that cannot be saved must not escape from here.
    try {
        registry.SetRootKey(THive::LocalMachine);
        registry.DeleteKey(UninstallKey);
        registry.SetRootKey(THive::CurrentUser);
    } catch (const std::exception &) {
    }
    return erased;
}

TConfigStore::TConfigStore() : path(DefaultRegistryPath()) {}

TConfigStore::TConfigStore(std::string registryPath) : path(std::move(registryPath)) {}

TReadResult TConfigStore::ReadRegistry(TTools &tools, TCabinetRoot &root,
                                       const std::string &programPath) {
    TRegistry registry(path);
    TReadResult result = ::ReadRegistry(registry, tools, root, programPath);
    readFailed = !result.Ok;
    return result;
}

void TConfigStore::WriteRegistry(const TTools &tools, const TCabinetRoot &root) {
    TRegistry registry(path);
    ::WriteRegistry(registry, tools, root, !readFailed);
}

bool TConfigStore::EraseRegistry() {
    TRegistry registry(path);
    return ::EraseRegistry(registry);
}
