#include "config/persist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/registry.h"
#include "config/settings.h"
#include "config/tools.h"
#include "items/cab.h"
#include "platform/error.h"
#include "support/fakes.h"

namespace {
const std::string Program = "/opt/trawler/trawler";
const std::string CorruptBox = std::string("error: ") + RegistryCorruptText;
const std::string MissingBox = std::string("error: ") + RegistryMissingText;

// Every value of the Config key with the type it is stored with: i integer/boolean, s text,
// f date-time.
const std::vector<std::pair<std::string, char>> ConfigValues = {
    {"Flag", 'i'},
    {"ShowCmd", 'i'},
    {"Min.X", 'i'},
    {"Min.Y", 'i'},
    {"Max.X", 'i'},
    {"Max.Y", 'i'},
    {"Left", 'i'},
    {"Top", 'i'},
    {"Right", 'i'},
    {"Bottom", 'i'},
    {"Exec", 'f'},
    {"Terminate", 'f'},
    {"View Style", 'i'},
    {"Html File Ext.", 's'},
    {"Split", 'i'},
    {"Warning", 'i'},
    {"Tool Bar", 'i'},
    {"Status Bar", 'i'},
    {"OpTreeAutoScroll", 'i'},
    {"OpListAutoScroll", 'i'},
    {"OpDelete", 'i'},
    {"OpDeleteDB", 'i'},
    {"OpCopyConv", 'i'},
    {"OpCopyLink", 'i'},
    {"OpCopyDir", 'i'},
    {"OpCopyDelay", 'i'},
    {"OpMirrorLink", 'i'},
    {"OpMirrorDelay", 'i'},
    {"ListMode", 'i'},
    {"OpBrowser", 'i'},
};

// A Config section with every value; values named in skip are left out, values in
// override replace the stored line.
std::string ConfigSection(const std::vector<std::string> &skip = {},
                          const std::vector<std::pair<std::string, std::string>> &override = {}) {
    std::string s = "[HKEY_CURRENT_USER\\Software\\Kestrelware\\Trawler\\Config]\n";
    for (const auto &[name, type] : ConfigValues) {
        if (std::find(skip.begin(), skip.end(), name) != skip.end())
            continue;
        std::string data = type == 'i'   ? "dword:00000001"
                           : type == 'f' ? "hex:00,00,00,00,00,00,f8,3f"
                                         : "\".htm;.Html\"";
        for (const auto &[oname, odata] : override)
            if (oname == name)
                data = odata;
        s += "\"" + name + "\"=" + data + "\n";
    }
    return s;
}

std::string CabinetSection(const std::string &key, const std::string &name, int kind,
                           const std::string &extra = "\"User\"=\"u\"\n\"Delete\"=dword:1\n") {
    return "[HKEY_CURRENT_USER\\Software\\Kestrelware\\Trawler\\Cabinets\\" + key +
           "]\n\"Name\"=\"" + name + "\"\n\"Path\"=\"/c/" + name +
           "\"\n\"Attribute\"=dword:" + std::to_string(kind) + "\n\"Program\"=\"/usr/bin/b\"\n" +
           extra;
}

std::string ToolSection(const std::string &key, const std::string &name) {
    return "[HKEY_CURRENT_USER\\Software\\Kestrelware\\Trawler\\Tools\\" + key + "]\n\"Name\"=\"" +
           name + "\"\n\"Path\"=\"/bin/" + name + "\"\n";
}

std::vector<std::string> CabinetNames(const TCabinetRoot &root) {
    std::vector<std::string> names;
    for (const auto &c : root.Cabinets())
        names.push_back(c->Name());
    return names;
}

std::vector<std::string> ToolNames(const TTools &tools) {
    std::vector<std::string> names;
    for (const TTool *t : tools.Tools())
        names.push_back(t->Name);
    return names;
}

std::vector<std::string> SubkeyNames(TRegistry &registry, const std::string &key) {
    registry.SetRootKey(THive::CurrentUser);
    if (!registry.OpenKey(key, false))
        return {"(missing)"};
    std::vector<std::string> names = registry.GetKeyNames();
    registry.CloseKey();
    return names;
}

class Persist : public testing::Test {
protected:
    void SetUp() override { Settings() = TSettings{}; }
    void TearDown() override { Settings() = TSettings{}; }

    TReadResult Read(double now = 45000.25) {
        return ReadRegistry(registry, tools, root, Program, now);
    }

    TFakeDesktop desktop;
    TRegistry registry;
    TTools tools;
    TCabinetRoot root;
};
} // namespace

TEST_F(Persist, FirstStartTakesDefaultsAndWritesTheUninstallEntry) {
    Settings().Split = 3; // whatever the run started with
    TReadResult result = Read(45000.25);
    EXPECT_TRUE(result.Ok);
    EXPECT_TRUE(result.FirstStart);
    EXPECT_FALSE(result.PlacementRead);
    EXPECT_TRUE(desktop.Shown.empty());
    const TSettings &s = Settings();
    EXPECT_EQ(s.Split, 150);
    EXPECT_EQ(s.HtmlFileExt, ".HTML;.HTM;.ASP");
    EXPECT_EQ(s.Exec, 0);
    EXPECT_EQ(s.Terminate, 0);
    EXPECT_TRUE(s.Warning && s.ToolBar && s.StatusBar && s.OpTreeAutoScroll && s.OpDeleteDB);
    EXPECT_EQ(s.OpCopyDelay, 2);
    EXPECT_EQ(s.OpMirrorDelay, 2);
    EXPECT_TRUE(tools.Tools().empty());
    EXPECT_TRUE(root.Cabinets().empty());

    ASSERT_TRUE(registry.OpenKey(ConfigKey, false));
    EXPECT_EQ(registry.ReadFloat("Exec"), 45000.25);
    EXPECT_EQ(registry.GetValueNames(), std::vector<std::string>{"Exec"});
    registry.SetRootKey(THive::LocalMachine);
    ASSERT_TRUE(registry.OpenKey(UninstallKey, false));
    EXPECT_EQ(registry.ReadString("DisplayName"), "Trawler");
    EXPECT_EQ(registry.ReadString("UninstallString"), "/opt/trawler/trawler /R");
    EXPECT_EQ(SubkeyNames(registry, TrawlerKey), std::vector<std::string>{"Config"});
}

TEST_F(Persist, AfterANormalEndEveryConfigValueIsStoredWithItsType) {
    Read();
    Settings().Placement = {0, 3, -1, -1, -8, -8, 10, 20, 810, 620};
    Settings().ViewStyle = 2;
    Settings().OpBrowser = true;
    WriteRegistry(registry, tools, root, true, 45000.75);
    ASSERT_TRUE(registry.OpenKey(ConfigKey, false));
    for (const auto &[name, type] : ConfigValues) {
        SCOPED_TRACE(name);
        std::optional<TRegData> data = registry.ReadData(name);
        ASSERT_TRUE(data.has_value());
        EXPECT_EQ(data->Type, type == 'i' ? RegDword : type == 'f' ? RegBinary : RegSz);
    }
    EXPECT_EQ(registry.ReadInteger("ShowCmd"), 3);
    EXPECT_EQ(registry.ReadInteger("Max.X"), -8);
    EXPECT_EQ(registry.ReadInteger("Bottom"), 620);
    EXPECT_EQ(registry.ReadInteger("View Style"), 2);
    EXPECT_EQ(registry.ReadInteger("OpBrowser"), 1);
    EXPECT_EQ(registry.ReadFloat("Terminate"), 45000.75);
    EXPECT_EQ(registry.ReadFloat("Exec"), 45000.25);
}

TEST_F(Persist, TwoStartsInARow) {
    TTempFolder temp;
    std::string path = temp.Path() + "registry.reg";
    {
        TRegistry file(path);
        ReadRegistry(file, tools, root, Program, 45000.25);
        Settings().Split = 222;
        WriteRegistry(file, tools, root, true, 45000.5);
    }
    Settings() = TSettings{};
    TRegistry file(path);
    TReadResult result = ReadRegistry(file, tools, root, Program, 45001.0);
    EXPECT_TRUE(result.Ok);
    EXPECT_FALSE(result.FirstStart);
    EXPECT_TRUE(result.PlacementRead);
    EXPECT_EQ(Settings().Exec, 45000.25);
    EXPECT_EQ(Settings().Terminate, 45000.5);
    EXPECT_EQ(Settings().Split, 222);
    TRegistry stored(path);
    ASSERT_TRUE(stored.OpenKey(ConfigKey, false));
    EXPECT_EQ(stored.ReadFloat("Exec"), 45001.0);
    EXPECT_TRUE(desktop.Shown.empty());
}

TEST_F(Persist, StoredSettingsAreRead) {
    registry.LoadText(ConfigSection({}, {{"Left", "dword:0000000a"},
                                         {"View Style", "dword:00000003"},
                                         {"OpCopyDelay", "dword:00000000"},
                                         {"OpTreeAutoScroll", "dword:00000000"},
                                         {"Warning", "dword:00000000"},
                                         {"OpMirrorDelay", "dword:00000003"}}));
    TReadResult result = Read();
    EXPECT_TRUE(result.Ok);
    const TSettings &s = Settings();
    EXPECT_EQ(s.Placement.Left, 10);
    EXPECT_EQ(s.Placement.Flag, 1);
    EXPECT_EQ(s.ViewStyle, 3);
    EXPECT_EQ(s.Exec, 1.5);
    EXPECT_EQ(s.Terminate, 1.5);
    EXPECT_FALSE(s.OpTreeAutoScroll);
    EXPECT_FALSE(s.Warning);
    EXPECT_TRUE(s.OpListAutoScroll);
    EXPECT_EQ(s.OpCopyDelay, 0);
    EXPECT_EQ(s.OpMirrorDelay, 3);
    EXPECT_TRUE(s.OpBrowser);
}

struct THtmlExtCase {
    const char *Name;
    std::string Stored; // "" = the value is missing
    std::string Expected;
};

class PersistHtmlExt : public Persist, public testing::WithParamInterface<THtmlExtCase> {};

TEST_P(PersistHtmlExt, ReadsInUpperCaseWithTheDefaultForEmpty) {
    const THtmlExtCase &c = GetParam();
    if (c.Stored.empty())
        registry.LoadText(ConfigSection({"Html File Ext."}));
    else
        registry.LoadText(ConfigSection({}, {{"Html File Ext.", c.Stored}}));
    EXPECT_TRUE(Read().Ok);
    EXPECT_EQ(Settings().HtmlFileExt, c.Expected);
    EXPECT_TRUE(desktop.Shown.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PersistHtmlExt,
    testing::Values(THtmlExtCase{"LowerCase", "\".htm;.shtml\"", ".HTM;.SHTML"},
                    THtmlExtCase{"Empty", "\"\"", ".HTML;.HTM;.ASP"},
                    THtmlExtCase{"Missing", "", ".HTML;.HTM;.ASP"},
                    THtmlExtCase{"NonAsciiKept", "\".htm;.\xe3\x81\x82x\"", ".HTM;.\xe3\x81\x82X"}),
    [](const testing::TestParamInfo<THtmlExtCase> &info) { return info.param.Name; });

struct TConfigFaultCase {
    const char *Name;
    std::vector<std::string> Skip;
    std::vector<std::pair<std::string, std::string>> Override;
    bool Ok;
    int32_t Split;
    bool Warning;
};

class PersistConfigFault : public Persist, public testing::WithParamInterface<TConfigFaultCase> {};

TEST_P(PersistConfigFault, OnlySplitAndWarningHaveTheirOwnDefault) {
    const TConfigFaultCase &c = GetParam();
    registry.LoadText(ConfigSection(c.Skip, c.Override) + ToolSection("Tool0", "T") +
                      CabinetSection("Cab0", "C", 1));
    TReadResult result = Read();
    EXPECT_EQ(result.Ok, c.Ok);
    EXPECT_EQ(desktop.Shown, c.Ok ? std::vector<std::string>{} : std::vector{CorruptBox});
    EXPECT_EQ(Settings().Split, c.Split);
    EXPECT_EQ(Settings().Warning, c.Warning);
    // A failure in the Config key ends the reading before the lists.
    EXPECT_EQ(tools.Count(), c.Ok ? 1u : 0u);
    EXPECT_EQ(root.Cabinets().size(), c.Ok ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PersistConfigFault,
    testing::Values(
        TConfigFaultCase{"SplitMissing", {"Split"}, {}, true, 150, true},
        TConfigFaultCase{"SplitAsText", {}, {{"Split", "\"99\""}}, true, 150, true},
        TConfigFaultCase{
            "WarningMissing", {"Warning"}, {{"Split", "dword:00000063"}}, true, 99, true},
        TConfigFaultCase{"WarningAsBinary", {}, {{"Warning", "hex:00,00,00,00"}}, true, 1, true},
        TConfigFaultCase{"OpBrowserMissing", {"OpBrowser"}, {}, false, 1, true},
        TConfigFaultCase{"ToolBarAsText", {}, {{"Tool Bar", "\"1\""}}, false, 1, true},
        TConfigFaultCase{"ExecAsDword", {}, {{"Exec", "dword:00000001"}}, false, 150, true},
        TConfigFaultCase{"TerminateShort", {}, {{"Terminate", "hex:00"}}, false, 150, true},
        TConfigFaultCase{"PlacementMissing", {"Max.Y"}, {}, false, 150, true},
        TConfigFaultCase{"HtmlExtAsDword", {}, {{"Html File Ext.", "dword:1"}}, false, 150, true}),
    [](const testing::TestParamInfo<TConfigFaultCase> &info) { return info.param.Name; });

TEST_F(Persist, AFailureKeepsWhatWasReadBefore) {
    registry.LoadText(ConfigSection({"OpCopyDelay"}, {{"View Style", "dword:00000002"}}));
    Settings().OpMirrorDelay = 7; // read after the failure: keeps its start value
    TReadResult result = Read();
    EXPECT_FALSE(result.Ok);
    EXPECT_TRUE(result.PlacementRead);
    EXPECT_EQ(Settings().ViewStyle, 2);
    EXPECT_TRUE(Settings().OpCopyDir);
    EXPECT_EQ(Settings().OpMirrorDelay, 7);
    EXPECT_EQ(Settings().HtmlFileExt, ".HTM;.HTML");
    ASSERT_TRUE(registry.OpenKey(ConfigKey, false));
    EXPECT_EQ(registry.ReadFloat("Exec"), 1.5); // the new start time is not stored
}

TEST_F(Persist, CabinetsAreReadInEnumerationOrderWithTheirValues) {
    registry.LoadText(
        ConfigSection() + CabinetSection("Cab10", "Ten", 2) +
        CabinetSection("Cab2", "Two", 4, "\"Delete\"=dword:00000001\n") +
        CabinetSection("anything", "Other", 0, "\"User\"=dword:5\n\"Delete\"=dword:0\n") +
        CabinetSection("Cab3", "Huge", 300) + CabinetSection("Cab4", "Nine", 10));
    TReadResult result = Read();
    EXPECT_TRUE(result.Ok);
    EXPECT_TRUE(desktop.Shown.empty());
    ASSERT_EQ(CabinetNames(root),
              (std::vector<std::string>{"Ten", "Two", "Other", "Huge", "Nine"}));
    const TCabinet &ten = *root.Cabinets()[0];
    EXPECT_EQ(ten.Path, "/c/Ten/");
    EXPECT_EQ(ten.Kind, KindMirrorLog);
    EXPECT_EQ(ten.Program, "/usr/bin/b");
    EXPECT_EQ(ten.User, "u");
    EXPECT_TRUE(ten.Deletable);
    const TCabinet &two = *root.Cabinets()[1];
    EXPECT_EQ(two.User, "");    // missing: no message
    EXPECT_TRUE(two.Deletable); // from Delete, not from the kind
    const TCabinet &other = *root.Cabinets()[2];
    EXPECT_EQ(other.Kind, KindUnknown);
    EXPECT_EQ(other.User, ""); // of another type: no message either
    EXPECT_FALSE(other.Deletable);
    EXPECT_EQ(root.Cabinets()[3]->Kind, KindUnknown); // no byte holds 300
    EXPECT_EQ(root.Cabinets()[4]->Kind, KindUnknown); // no store has kind 10
}

struct TCabinetFaultCase {
    const char *Name;
    std::string Extra;
};

class PersistCabinetFault : public Persist,
                            public testing::WithParamInterface<TCabinetFaultCase> {};

TEST_P(PersistCabinetFault, EndsTheReadingAtTheBrokenCabinet) {
    registry.LoadText(ConfigSection() + CabinetSection("Cab0", "First", 1) +
                      "[HKEY_CURRENT_USER\\Software\\Kestrelware\\Trawler\\Cabinets\\Cab1]\n" +
                      GetParam().Extra + CabinetSection("Cab2", "Third", 1));
    TReadResult result = Read();
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(desktop.Shown, std::vector{CorruptBox});
    EXPECT_EQ(CabinetNames(root).front(), "First");
    EXPECT_EQ(CabinetNames(root).back(), root.Cabinets().size() == 2 ? "Broken" : "First");
    EXPECT_LE(root.Cabinets().size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PersistCabinetFault,
    testing::Values(
        TCabinetFaultCase{"AttributeMissing", "\"Name\"=\"Broken\"\n\"Delete\"=dword:1\n"},
        TCabinetFaultCase{"DeleteMissing", "\"Name\"=\"Broken\"\n\"Attribute\"=dword:1\n"},
        TCabinetFaultCase{"NameNotText",
                          "\"Name\"=dword:1\n\"Attribute\"=dword:1\n\"Delete\"=dword:1\n"},
        TCabinetFaultCase{"ProgramNotText", "\"Name\"=\"Broken\"\n\"Attribute\"=dword:1\n"
                                            "\"Program\"=hex:00\n\"Delete\"=dword:1\n"}),
    [](const testing::TestParamInfo<TCabinetFaultCase> &info) { return info.param.Name; });

TEST_F(Persist, ToolsAreReadInEnumerationOrder) {
    registry.LoadText(ConfigSection() + ToolSection("Tool3", "C") + ToolSection("Tool0", "A") +
                      "[HKEY_CURRENT_USER\\Software\\Kestrelware\\Trawler\\Tools\\Bare]\n");
    EXPECT_TRUE(Read().Ok);
    EXPECT_EQ(ToolNames(tools), (std::vector<std::string>{"C", "A", ""}));
    EXPECT_EQ(tools.Tools()[0]->Path, "/bin/C");
    EXPECT_EQ(tools.Tools()[0]->Icon, "program-icon:/bin/C");
}

TEST_F(Persist, WriteNumbersSubkeysByPositionAndSkipsTemporaryCabinets) {
    registry.LoadText(ConfigSection() + ToolSection("Tool7", "Stale") +
                      CabinetSection("Cab9", "Stale", 1));
    Read();
    root.Clear();
    tools.Clear();
    bool destroyed = false;
    struct TOther final : TToolsMember {
        explicit TOther(bool &d) : d(d) {}
        ~TOther() override { d = true; }
        bool &d;
    };
    tools.AddMember(std::make_unique<TOther>(destroyed));
    tools.Add("Edit", "/bin/edit");
    tools.Add("View", "/bin/view");
    TCabinet *first = root.AddCabinet(KindMirrorLog, "/m", "Mirror");
    first->Program = "/usr/bin/b";
    first->User = "me";
    root.AddCabinet(KindUnknown, "/tmp/t", "一時キャビネット1")->MakeTemporary();
    TCabinet *third = root.AddCabinet(KindNetscape2, "/n/", "Net");
    third->Deletable = true;
    WriteRegistry(registry, tools, root, true);

    EXPECT_EQ(SubkeyNames(registry, ToolsKey), (std::vector<std::string>{"Tool1", "Tool2"}));
    EXPECT_EQ(SubkeyNames(registry, CabinetsKey), (std::vector<std::string>{"Cab0", "Cab2"}));
    ASSERT_TRUE(registry.OpenKey(std::string(CabinetsKey) + "\\Cab0", false));
    EXPECT_EQ(registry.GetValueNames(),
              (std::vector<std::string>{"Name", "Path", "Program", "User", "Attribute", "Delete"}));
    EXPECT_EQ(registry.ReadString("Path"), "/m/");
    EXPECT_EQ(registry.ReadString("User"), "me");
    EXPECT_EQ(registry.ReadInteger("Attribute"), 2);
    EXPECT_TRUE(registry.ReadBool("Delete"));
    ASSERT_TRUE(registry.OpenKey(std::string(CabinetsKey) + "\\Cab2", false));
    EXPECT_EQ(registry.ReadString("Name"), "Net");
    EXPECT_EQ(registry.ReadInteger("Attribute"), 4);
    EXPECT_EQ(registry.ReadInteger("Delete"), 1);
    ASSERT_TRUE(registry.OpenKey(std::string(ToolsKey) + "\\Tool2", false));
    EXPECT_EQ(registry.ReadString("Path"), "/bin/view");
}

TEST_F(Persist, WrittenListsReadBackTheSame) {
    TTempFolder temp;
    std::string path = temp.Path() + "registry.reg";
    {
        TRegistry file(path);
        ReadRegistry(file, tools, root, Program);
        tools.Add("エディタ", "/bin/ed \"x\"");
        for (int i = 0; i < 12; ++i)
            root.AddCabinet(static_cast<uint8_t>(i % 9), "/c" + std::to_string(i),
                            "Cab \\ " + std::to_string(i));
        WriteRegistry(file, tools, root, true);
    }
    TTools readTools;
    TCabinetRoot readRoot;
    TRegistry file(path);
    EXPECT_TRUE(ReadRegistry(file, readTools, readRoot, Program).Ok);
    EXPECT_EQ(ToolNames(readTools), ToolNames(tools));
    EXPECT_EQ(readTools.Tools()[0]->Path, "/bin/ed \"x\"");
    EXPECT_EQ(CabinetNames(readRoot), CabinetNames(root)); // Cab10 and Cab11 after Cab9
    for (size_t i = 0; i < root.Cabinets().size(); ++i) {
        EXPECT_EQ(readRoot.Cabinets()[i]->Kind, root.Cabinets()[i]->Kind);
        EXPECT_EQ(readRoot.Cabinets()[i]->Deletable, root.Cabinets()[i]->Deletable);
        EXPECT_EQ(readRoot.Cabinets()[i]->Path, root.Cabinets()[i]->Path);
    }
}

// After a failed read the lists in memory are partial; the stored lists must survive the end
// of the run, while the settings are still written.
TEST_F(Persist, AFailedReadLeavesTheStoredListsAlone) {
    TTempFolder temp;
    std::string path = temp.Path() + "registry.reg";
    std::string stored = ConfigSection() + ToolSection("Tool0", "A") + ToolSection("Tool1", "B") +
                         CabinetSection("Cab0", "First", 1) +
                         "[HKEY_CURRENT_USER\\Software\\Kestrelware\\Trawler\\Cabinets\\Cab1]\n"
                         "\"Name\"=\"Broken\"\n" +
                         CabinetSection("Cab2", "Third", 4);
    temp.Write("registry.reg", stored);
    TConfigStore store(path);
    TReadResult result = store.ReadRegistry(tools, root, Program);
    EXPECT_FALSE(result.Ok);
    EXPECT_TRUE(store.ReadFailed());
    EXPECT_EQ(ToolNames(tools).size(), 2u);
    EXPECT_EQ(CabinetNames(root), std::vector<std::string>{"First"});
    Settings().Split = 321;
    store.WriteRegistry(tools, root);

    TRegistry after(path);
    EXPECT_EQ(SubkeyNames(after, CabinetsKey), (std::vector<std::string>{"Cab0", "Cab1", "Cab2"}));
    EXPECT_EQ(SubkeyNames(after, ToolsKey), (std::vector<std::string>{"Tool0", "Tool1"}));
    ASSERT_TRUE(after.OpenKey(std::string(CabinetsKey) + "\\Cab2", false));
    EXPECT_EQ(after.ReadString("Name"), "Third");
    ASSERT_TRUE(after.OpenKey(ConfigKey, false));
    EXPECT_EQ(after.ReadInteger("Split"), 321);
}

TEST_F(Persist, ASuccessfulReadLetsTheStoreRewriteTheLists) {
    TTempFolder temp;
    std::string path = temp.Path() + "registry.reg";
    temp.Write("registry.reg", ConfigSection() + CabinetSection("Cab5", "Only", 1));
    TConfigStore store(path);
    EXPECT_TRUE(store.ReadRegistry(tools, root, Program).Ok);
    EXPECT_FALSE(store.ReadFailed());
    store.WriteRegistry(tools, root);
    TRegistry after(path);
    EXPECT_EQ(SubkeyNames(after, CabinetsKey), std::vector<std::string>{"Cab0"});
}

TEST_F(Persist, AStoreThatCannotBeSavedFailsTheFirstStart) {
    TTempFolder temp;
    std::string blocker = temp.Write("blocker", "x");
    TConfigStore store(blocker + "/registry.reg");
    TReadResult result = store.ReadRegistry(tools, root, Program);
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(desktop.Shown, std::vector{CorruptBox});
    EXPECT_THROW(store.WriteRegistry(tools, root), TError);
}

TEST(PersistSwitch, OnlyTheEraseSwitchInAnyCase) {
    EXPECT_TRUE(IsEraseSwitch("/R"));
    EXPECT_TRUE(IsEraseSwitch("/r"));
    for (const char *other : {"", "/", "R", "-r", "/RR", "/x", " /r", "\\r"})
        EXPECT_FALSE(IsEraseSwitch(other)) << other;
}

TEST_F(Persist, EraseRemovesTheKeysAndTheUninstallEntry) {
    Read();
    WriteRegistry(registry, tools, root, true);
    EXPECT_TRUE(EraseRegistry(registry));
    EXPECT_TRUE(desktop.Shown.empty());
    EXPECT_FALSE(registry.KeyExists(KestrelwareKey));
    EXPECT_TRUE(registry.KeyExists("\\Software"));
    registry.SetRootKey(THive::LocalMachine);
    EXPECT_FALSE(registry.KeyExists(UninstallKey));
    EXPECT_TRUE(registry.KeyExists("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
}

TEST_F(Persist, EraseKeepsTheVendorKeyWhileItHoldsOtherProducts) {
    Read();
    ASSERT_TRUE(registry.OpenKey("\\Software\\Kestrelware\\Other", true));
    registry.CloseKey();
    EXPECT_TRUE(EraseRegistry(registry));
    EXPECT_FALSE(registry.KeyExists(TrawlerKey));
    EXPECT_TRUE(registry.KeyExists("\\Software\\Kestrelware\\Other"));
}

TEST_F(Persist, EraseWithNothingStoredSaysSoAndStillRemovesTheUninstallEntry) {
    registry.LoadText("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                      "Uninstall\\Trawler]\n\"DisplayName\"=\"Trawler\"\n");
    EXPECT_FALSE(EraseRegistry(registry));
    EXPECT_EQ(desktop.Shown, std::vector{MissingBox});
    registry.SetRootKey(THive::LocalMachine);
    EXPECT_FALSE(registry.KeyExists(UninstallKey));
}

TEST_F(Persist, EraseThatCannotSaveReportsInsteadOfThrowing) {
    TTempFolder temp;
    std::string path = temp.Path() + "registry.reg";
    TRegistry file(path);
    Read();
    file.LoadText(registry.ToText());
    std::filesystem::create_directories(path + "/inside"); // no file can be saved there now
    bool erased = true;
    EXPECT_NO_THROW(erased = EraseRegistry(file));
    EXPECT_FALSE(erased);
    EXPECT_EQ(desktop.Shown, std::vector{MissingBox});
}

TEST_F(Persist, EraseThroughTheStoreWritesNothingElse) {
    TTempFolder temp;
    std::string path = temp.Path() + "registry.reg";
    TConfigStore store(path);
    store.ReadRegistry(tools, root, Program);
    store.WriteRegistry(tools, root);
    EXPECT_TRUE(IsEraseSwitch("/r"));
    EXPECT_TRUE(store.EraseRegistry());
    TRegistry after(path);
    EXPECT_EQ(after.ToText(), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n\r\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                              "Uninstall]\r\n\r\n");
}

TEST_F(Persist, ASettingsFileThatCannotBeSavedStillGivesItsLists) {
    TTempFolder temp;
    std::string path = temp.Path() + "registry.reg";
    TRegistry file(path);
    file.LoadText("REGEDIT4\n\n" + ConfigSection() + CabinetSection("Cab0", "first", 2));
    std::filesystem::create_directories(path + "/inside"); // no file can be saved there now
    ReadRegistry(file, tools, root, Program, 36000.0);
    EXPECT_TRUE(desktop.Shown.empty());
    ASSERT_EQ(root.Cabinets().size(), 1u);
    EXPECT_EQ(root.Cabinets()[0]->Name(), "first");
}
