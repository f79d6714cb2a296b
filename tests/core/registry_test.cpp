#include "config/registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "support/fakes.h"

using namespace std::string_literals;

namespace {
std::string Canonical(const std::string &text) {
    TRegistry registry;
    registry.LoadText(text);
    return registry.ToText();
}

std::string Crlf(const std::string &lfText) {
    std::string out;
    for (char c : lfText) {
        if (c == '\n')
            out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

const char *const TrawlerText = R"(REGEDIT4

[HKEY_CURRENT_USER\Software\Kestrelware\Trawler\Config]
"Split"=dword:00000096
"Html File Ext."=".HTML;.HTM;.ASP"
"Exec"=hex:00,00,00,00,00,00,f8,3f

[HKEY_CURRENT_USER\Software\Kestrelware\Trawler\Cabinets\Cab0]
"Name"="ミラー"
"Path"="C:\\Mirror\\"

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Trawler]
"DisplayName"="Trawler"
"UninstallString"="/usr/bin/trawler /R"

)";
} // namespace

TEST(RegistryText, CanonicalTextReadsBackUnchanged) {
    std::string text = Crlf(TrawlerText);
    EXPECT_EQ(Canonical(text), text);

    TRegistry registry;
    registry.LoadText(text);
    ASSERT_TRUE(registry.OpenKey("\\Software\\Kestrelware\\Trawler\\Config", false));
    EXPECT_EQ(registry.ReadInteger("Split"), 150);
    EXPECT_EQ(registry.ReadString("Html File Ext."), ".HTML;.HTM;.ASP");
    EXPECT_EQ(registry.ReadFloat("Exec"), 1.5);
    ASSERT_TRUE(registry.OpenKey("\\Software\\Kestrelware\\Trawler\\Cabinets\\Cab0", false));
    EXPECT_EQ(registry.ReadString("Name"), "ミラー");
    EXPECT_EQ(registry.ReadString("Path"), "C:\\Mirror\\");
    registry.SetRootKey(THive::LocalMachine);
    ASSERT_TRUE(registry.OpenKey(
        "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Trawler", false));
    EXPECT_EQ(registry.ReadString("UninstallString"), "/usr/bin/trawler /R");
}

struct TSyntaxCase {
    const char *Name;
    std::string Input;
    std::string Expected; // LF here; the registry writes CR LF
};

class RegistrySyntax : public testing::TestWithParam<TSyntaxCase> {};

TEST_P(RegistrySyntax, ReadsAsRegeditDoes) {
    EXPECT_EQ(Canonical(GetParam().Input), Crlf(GetParam().Expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegistrySyntax,
    testing::Values(
        TSyntaxCase{"LfOnly", "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n",
                    "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n\n"},
        TSyntaxCase{"LoneCr", "REGEDIT4\r[HKEY_CURRENT_USER\\A]\r\"x\"=\"1\"\r",
                    "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n\n"},
        TSyntaxCase{"CommentsBlanksAndIndent",
                    "REGEDIT4\n; note\n\n  [HKEY_CURRENT_USER\\A]  \n\t\"x\" = \"1\"  \n",
                    "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n\n"},
        TSyntaxCase{"NoHeaderLine", "[HKEY_CURRENT_USER\\A]\n\"x\"=dword:1\n",
                    "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:00000001\n\n"},
        TSyntaxCase{"Escapes", "[HKEY_CURRENT_USER\\A]\n\"q\\\"\\\\\"=\"a\\\\b\\\"c\"\n",
                    "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"q\\\"\\\\\"=\"a\\\\b\\\"c\"\n\n"},
        TSyntaxCase{"DefaultValueFirst", "[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n@=\"d\"\n",
                    "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n@=\"d\"\n\"x\"=\"1\"\n\n"},
        TSyntaxCase{"HexContinued",
                    "[HKEY_CURRENT_USER\\A]\n\"b\"=hex:01,02,\\\n   03 , 4,\\\n  \n",
                    "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"b\"=hex:01,02,03,04\n\n"},
        TSyntaxCase{"EmptyBinary", "[HKEY_CURRENT_USER\\A]\n\"b\"=hex:\n",
                    "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"b\"=hex:\n\n"},
        TSyntaxCase{"UnknownTypesKept",
                    "[HKEY_CURRENT_USER\\A]\n\"e\"=hex(2):25,00\n\"m\"=HEX(7):61,00,00\n",
                    "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"e\"=hex(2):25,00\n"
                    "\"m\"=hex(7):61,00,00\n\n"},
        TSyntaxCase{"HexTextBecomesText", "[HKEY_CURRENT_USER\\A]\n\"t\"=hex(1):61,62,00\n",
                    "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"t\"=\"ab\"\n\n"},
        TSyntaxCase{"DwordAsHex4", "[HKEY_CURRENT_USER\\A]\n\"d\"=hex(4):96,00,00,00\n",
                    "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"d\"=dword:00000096\n\n"},
        TSyntaxCase{"DeletedKeyAndValue",
                    "[HKEY_CURRENT_USER\\A\\B]\n\"x\"=\"1\"\n[HKEY_CURRENT_USER\\C]\n\"y\"=\"2\"\n"
                    "\"z\"=\"3\"\n[-HKEY_CURRENT_USER\\A]\n\"lost\"=\"4\"\n[HKCU\\C]\n\"y\"=-\n",
                    "REGEDIT4\n\n[HKEY_CURRENT_USER\\C]\n\"z\"=\"3\"\n\n"},
        TSyntaxCase{"HiveAliasesAndEmptySegments",
                    "[hkcu\\\\A\\\\]\n\"x\"=\"1\"\n[HKLM\\B]\n\"y\"=\"2\"\n",
                    "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n\n"
                    "[HKEY_LOCAL_MACHINE\\B]\n\"y\"=\"2\"\n\n"},
        TSyntaxCase{"EmptyKeyKept", "[HKEY_CURRENT_USER\\A\\Empty]\n",
                    "REGEDIT4\n\n[HKEY_CURRENT_USER\\A\\Empty]\n\n"},
        TSyntaxCase{"OtherHiveKept", "[HKEY_USERS\\.DEFAULT]\n\"x\"=\"1\"\n",
                    "REGEDIT4\n\n[HKEY_USERS\\.DEFAULT]\n\"x\"=\"1\"\n\n"},
        TSyntaxCase{"LaterValueReplaces", "[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n\"X\"=dword:2\n",
                    "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:00000002\n\n"},
        TSyntaxCase{"ValuesBeforeAnySectionIgnored", "\"x\"=\"1\"\n[HKEY_CURRENT_USER\\A]\n",
                    "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\n"}),
    [](const testing::TestParamInfo<TSyntaxCase> &info) { return info.param.Name; });

TEST(RegistryText, LongBinaryWrapsAndReadsBack) {
    TRegistry registry;
    std::string bytes;
    for (int i = 0; i < 200; ++i)
        bytes.push_back(static_cast<char>(i));
    registry.WriteData("Blob", {RegBinary, bytes});
    std::string text = registry.ToText();
    size_t longest = 0, start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        longest = std::max(longest, end - start);
    EXPECT_LE(longest, 80u);
    TRegistry again;
    again.LoadText(text);
    EXPECT_EQ(again.ReadData("Blob")->Bytes, bytes);
    EXPECT_EQ(again.ToText(), text);
}

TEST(RegistryText, TextWithLineBreaksAndNulSurvives) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("A", true));
    const std::string tricky("line1\r\nline2\n\0end\"\\", 19);
    registry.WriteString("t", tricky);
    registry.WriteString("nul", std::string("a\0b", 3));
    TRegistry again;
    again.LoadText(registry.ToText());
    ASSERT_TRUE(again.OpenKey("A", false));
    EXPECT_EQ(again.ReadString("t"), tricky);
    EXPECT_EQ(again.ReadString("nul"), std::string("a\0b", 3));
    EXPECT_EQ(again.ToText(), registry.ToText());
}

TEST(RegistryNames, MatchWithoutRegardToCaseAndKeepTheirCase) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\Software\\Kestrelware", true));
    registry.WriteInteger("Split", 7);
    ASSERT_TRUE(registry.OpenKey("\\SOFTWARE\\kestrelWARE", false));
    EXPECT_EQ(registry.CurrentPath(), "Software\\Kestrelware");
    EXPECT_EQ(registry.ReadInteger("sPLIT"), 7);
    EXPECT_TRUE(registry.ValueExists("SPLIT"));
    registry.WriteInteger("SPLIT", 8);
    EXPECT_EQ(registry.GetValueNames(), std::vector<std::string>{"Split"});
    EXPECT_TRUE(registry.KeyExists("\\software"));
    // Only ASCII letters fold: other bytes must match exactly.
    ASSERT_TRUE(registry.OpenKey("\\Ä", true));
    EXPECT_FALSE(registry.KeyExists("\\ä"));
}

TEST(RegistryNames, SubkeysEnumerateInCreationOrderThroughTheFile) {
    TRegistry registry;
    for (const char *name : {"Cab10", "Cab2", "cab0", "Cab1"}) {
        ASSERT_TRUE(registry.OpenKey(std::string("\\Cabinets\\") + name, true));
        registry.WriteString("Name", name);
    }
    ASSERT_TRUE(registry.OpenKey("\\Cabinets\\CAB2", true)); // exists: no new key
    const std::vector<std::string> expected{"Cab10", "Cab2", "cab0", "Cab1"};
    ASSERT_TRUE(registry.OpenKey("\\Cabinets", false));
    EXPECT_EQ(registry.GetKeyNames(), expected);

    TRegistry again;
    again.LoadText(registry.ToText());
    ASSERT_TRUE(again.OpenKey("\\Cabinets", false));
    EXPECT_EQ(again.GetKeyNames(), expected);
}

TEST(RegistryKeys, RelativeAndAbsolutePaths) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\A\\B", true));
    ASSERT_TRUE(registry.OpenKey("C", true)); // relative to A\B
    EXPECT_EQ(registry.CurrentPath(), "A\\B\\C");
    EXPECT_TRUE(registry.KeyExists("\\A\\B\\C"));
    EXPECT_FALSE(registry.KeyExists("B"));
    EXPECT_FALSE(registry.OpenKey("Missing", false));
    EXPECT_EQ(registry.CurrentPath(), "A\\B\\C"); // a failed open keeps the open key
    registry.CloseKey();
    EXPECT_EQ(registry.CurrentPath(), "");
    EXPECT_TRUE(registry.KeyExists("A\\B")); // from the hive's root once closed
}

TEST(RegistryKeys, HivesAreSeparate) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\Software\\X", true));
    registry.SetRootKey(THive::LocalMachine);
    EXPECT_FALSE(registry.KeyExists("\\Software\\X"));
    registry.SetRootKey(THive::CurrentUser);
    EXPECT_TRUE(registry.KeyExists("\\Software\\X"));
}

TEST(RegistryKeys, DeleteKeyRemovesTheSubtreeAndClosesAKeyInside) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\T\\Tools\\Tool0\\Deep", true));
    ASSERT_TRUE(registry.OpenKey("\\T\\Other", true));
    ASSERT_TRUE(registry.OpenKey("\\T\\Tools\\Tool0", false));
    EXPECT_TRUE(registry.DeleteKey("\\t\\tools"));
    EXPECT_EQ(registry.CurrentPath(), "");
    EXPECT_FALSE(registry.KeyExists("\\T\\Tools"));
    EXPECT_FALSE(registry.DeleteKey("\\T\\Tools"));
    ASSERT_TRUE(registry.OpenKey("\\T", false));
    EXPECT_TRUE(registry.HasSubKeys());
    EXPECT_TRUE(registry.DeleteKey("Other"));
    EXPECT_FALSE(registry.HasSubKeys());
    EXPECT_FALSE(registry.DeleteKey("\\")); // a hive's root stays
}

TEST(RegistryKeys, NamesWithLineBreaksAreRefused) {
    TRegistry registry;
    EXPECT_FALSE(registry.OpenKey("\\A\nB", true));
    EXPECT_FALSE(registry.KeyExists("\\A\nB"));
    EXPECT_THROW(registry.WriteString("a\rb", "x"), TError);
}

struct TReadCase {
    const char *Name;
    std::optional<TRegData> Stored;
    enum { Integer, Bool, String, Float } Kind;
    bool Throws;
    std::string Expected; // the value read, as text
};

class RegistryTypedRead : public testing::TestWithParam<TReadCase> {};

TEST_P(RegistryTypedRead, FailsExactlyOnMissingOrOtherType) {
    const TReadCase &c = GetParam();
    TRegistry registry;
    if (c.Stored)
        registry.WriteData("v", *c.Stored);
    auto read = [&]() -> std::string {
        switch (c.Kind) {
        case TReadCase::Integer:
            return std::to_string(registry.ReadInteger("V"));
        case TReadCase::Bool:
            return registry.ReadBool("V") ? "true" : "false";
        case TReadCase::String:
            return registry.ReadString("V");
        case TReadCase::Float:
            return std::to_string(registry.ReadFloat("V"));
        }
        return {};
    };
    if (c.Throws) {
        EXPECT_THROW(read(), TError);
    } else {
        EXPECT_EQ(read(), c.Expected);
    }
}

const std::string Dword150("\x96\0\0\0", 4);
const std::string DoubleOnePointFive("\0\0\0\0\0\0\xf8\x3f", 8);

INSTANTIATE_TEST_SUITE_P(
    Cases, RegistryTypedRead,
    testing::Values(
        TReadCase{"IntegerOk", TRegData{RegDword, Dword150}, TReadCase::Integer, false, "150"},
        TReadCase{"IntegerNegative", TRegData{RegDword, "\xff\xff\xff\xff"}, TReadCase::Integer,
                  false, "-1"},
        TReadCase{"IntegerMissing", std::nullopt, TReadCase::Integer, true, ""},
        TReadCase{"IntegerFromText", TRegData{RegSz, "150"}, TReadCase::Integer, true, ""},
        TReadCase{"IntegerFromBinary", TRegData{RegBinary, Dword150}, TReadCase::Integer, true, ""},
        TReadCase{"IntegerWrongSize", TRegData{RegDword, "\x01\0"s}, TReadCase::Integer, true, ""},
        TReadCase{"BoolAnyNonZeroIsTrue", TRegData{RegDword, Dword150}, TReadCase::Bool, false,
                  "true"},
        TReadCase{"BoolZero", TRegData{RegDword, std::string(4, '\0')}, TReadCase::Bool, false,
                  "false"},
        TReadCase{"BoolMissing", std::nullopt, TReadCase::Bool, true, ""},
        TReadCase{"BoolFromText", TRegData{RegSz, "1"}, TReadCase::Bool, true, ""},
        TReadCase{"StringOk", TRegData{RegSz, "abc"}, TReadCase::String, false, "abc"},
        TReadCase{"StringMissingIsEmpty", std::nullopt, TReadCase::String, false, ""},
        TReadCase{"StringExpandable", TRegData{RegExpandSz, std::string("%P%\0", 4)},
                  TReadCase::String, false, "%P%"},
        TReadCase{"StringFromDword", TRegData{RegDword, Dword150}, TReadCase::String, true, ""},
        TReadCase{"StringFromBinary", TRegData{RegBinary, "abc"}, TReadCase::String, true, ""},
        TReadCase{"FloatOk", TRegData{RegBinary, DoubleOnePointFive}, TReadCase::Float, false,
                  "1.500000"},
        TReadCase{"FloatMissing", std::nullopt, TReadCase::Float, true, ""},
        TReadCase{"FloatShort", TRegData{RegBinary, std::string(4, '\0')}, TReadCase::Float, true,
                  ""},
        TReadCase{"FloatLong", TRegData{RegBinary, std::string(9, '\0')}, TReadCase::Float, true,
                  ""},
        TReadCase{"FloatFromDword", TRegData{RegDword, Dword150}, TReadCase::Float, true, ""},
        TReadCase{"FloatFromOtherType", TRegData{7, DoubleOnePointFive}, TReadCase::Float, true,
                  ""}),
    [](const testing::TestParamInfo<TReadCase> &info) { return info.param.Name; });

TEST(RegistryTypedWrite, WritesReplaceAnyTypeAndFloatsAreLittleEndian) {
    TRegistry registry;
    registry.WriteString("v", "text");
    registry.WriteInteger("v", -2);
    EXPECT_EQ(registry.ReadInteger("v"), -2);
    registry.WriteBool("b", true);
    EXPECT_EQ(registry.ReadData("b")->Bytes, std::string("\x01\0\0\0", 4));
    registry.WriteFloat("f", 1.5);
    EXPECT_EQ(registry.ReadData("f")->Type, RegBinary);
    EXPECT_EQ(registry.ReadData("f")->Bytes, DoubleOnePointFive);
    EXPECT_NE(registry.ToText().find("\"f\"=hex:00,00,00,00,00,00,f8,3f\r\n"), std::string::npos);
    EXPECT_NE(registry.ToText().find("\"v\"=dword:fffffffe\r\n"), std::string::npos);
}

// --- the file ---

TEST(RegistryFile, MissingFileIsEmptyAndSaveCreatesTheFolders) {
    TTempFolder temp;
    std::string path = temp.Path() + "a/b/registry.reg";
    {
        TRegistry registry(path);
        EXPECT_FALSE(registry.KeyExists("\\Software"));
        ASSERT_TRUE(registry.OpenKey("\\Software\\Kestrelware\\Trawler\\Config", true));
        registry.WriteInteger("Split", 200);
        registry.CloseKey();
    }
    TRegistry again(path);
    ASSERT_TRUE(again.OpenKey("\\Software\\Kestrelware\\Trawler\\Config", false));
    EXPECT_EQ(again.ReadInteger("Split"), 200);
}

TEST(RegistryFile, ABatchOfWritesCostsOneSavePerClose) {
    TTempFolder temp;
    TRegistry registry(temp.Path() + "registry.reg");
    ASSERT_TRUE(registry.OpenKey("\\Config", true));
    for (int i = 0; i < 30; ++i)
        registry.WriteInteger("v" + std::to_string(i), i);
    EXPECT_EQ(registry.SaveCount(), 0);
    registry.CloseKey();
    EXPECT_EQ(registry.SaveCount(), 1);
    ASSERT_TRUE(registry.OpenKey("\\Config", false));
    registry.WriteInteger("v3", 3); // unchanged: nothing to save
    registry.CloseKey();
    EXPECT_EQ(registry.SaveCount(), 1);
    ASSERT_TRUE(registry.OpenKey("\\Config", false));
    registry.WriteInteger("v3", 4);
    ASSERT_TRUE(registry.OpenKey("\\Other", true)); // opening another key closes this one
    EXPECT_EQ(registry.SaveCount(), 2);
}

TEST(RegistryFile, WritesWithoutCloseAreSavedWhenTheRegistryEnds) {
    TTempFolder temp;
    std::string path = temp.Path() + "registry.reg";
    {
        TRegistry registry(path);
        ASSERT_TRUE(registry.OpenKey("\\K", true));
        registry.WriteString("x", "y");
    }
    TRegistry again(path);
    ASSERT_TRUE(again.OpenKey("\\K", false));
    EXPECT_EQ(again.ReadString("x"), "y");
}

std::vector<std::string> FolderNames(const std::string &folder) {
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

TEST(RegistryFile, FailedSaveIsReportedAndLeavesNoTemporaryFile) {
    TTempFolder temp;
    std::string path = temp.Path() + "registry.reg";
    TRegistry registry(path);
    // Something that cannot be replaced by a file now stands where the file goes.
    std::filesystem::create_directories(path + "/inside");
    ASSERT_TRUE(registry.OpenKey("\\K", true));
    registry.WriteString("x", "y");
    EXPECT_THROW(registry.CloseKey(), TError);
    EXPECT_EQ(FolderNames(temp.Path()), std::vector<std::string>{"registry.reg"});
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST(RegistryFile, SaveBelowAFileFails) {
    TTempFolder temp;
    std::string blocker = temp.Write("blocker", "x");
    TRegistry registry(blocker + "/registry.reg");
    std::string error;
    registry.WriteString("x", "y");
    EXPECT_FALSE(registry.Save(&error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(FolderNames(temp.Path()), std::vector<std::string>{"blocker"});
}

TEST(RegistryFile, AFileThatCannotBeReadIsNeverOverwritten) {
    TTempFolder temp;
    std::string path = temp.Path() + "registry.reg";
    std::filesystem::create_directories(path); // exists, but is no readable file
    TRegistry registry(path);
    EXPECT_FALSE(registry.KeyExists("\\Software"));
    ASSERT_TRUE(registry.OpenKey("\\Software", true));
    EXPECT_THROW(registry.CloseKey(), TError);
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

// A file the registry would refuse to read at the next start is never written.
TEST(RegistryFile, ASaveNeverWritesAFileTooLargeToReadBack) {
    TTempFolder temp;
    std::string path = temp.Path() + "registry.reg";
    {
        TRegistry registry(path);
        ASSERT_TRUE(registry.OpenKey("\\K", true));
        registry.WriteString("x", "small");
        registry.CloseKey();
        ASSERT_TRUE(registry.OpenKey("\\K", false));
        registry.WriteString("x", std::string(TRegistry::MaxFileSize, 'a'));
        EXPECT_THROW(registry.CloseKey(), TError);
    }
    TRegistry again(path);
    ASSERT_TRUE(again.OpenKey("\\K", false));
    EXPECT_EQ(again.ReadString("x"), "small");
}

class RegistryPath : public testing::Test {
protected:
    void SetUp() override {
        for (const char *name : {"TRAWLER_REGISTRY", "XDG_CONFIG_HOME", "HOME"}) {
            const char *v = std::getenv(name);
            saved.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
        }
    }
    void TearDown() override {
        for (const auto &[name, value] : saved) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};

TEST_F(RegistryPath, EnvironmentChoosesTheFile) {
    ::setenv("HOME", "/home/u", 1);
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    ::setenv("TRAWLER_REGISTRY", "/tmp/x.reg", 1);
    EXPECT_EQ(DefaultRegistryPath(), "/tmp/x.reg");
    ::setenv("TRAWLER_REGISTRY", "", 1);
    EXPECT_EQ(DefaultRegistryPath(), "/cfg/Kestrelware/Trawler/registry.reg");
    ::unsetenv("TRAWLER_REGISTRY");
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(DefaultRegistryPath(), "/home/u/.config/Kestrelware/Trawler/registry.reg");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(DefaultRegistryPath(), "/home/u/.config/Kestrelware/Trawler/registry.reg");
}

TEST_F(RegistryPath, TheNamedFileIsTheOneRead) {
    TTempFolder temp;
    std::string path =
        temp.Write("mine.reg", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Mine]\n\"x\"=\"1\"\n");
    ::setenv("TRAWLER_REGISTRY", path.c_str(), 1);
    TRegistry registry(DefaultRegistryPath());
    EXPECT_EQ(registry.FilePath(), path);
    EXPECT_TRUE(registry.KeyExists("\\Mine"));
}

// --- hostile files: each must load without crashing, in time linear in its size, skip
// what it cannot understand and keep reading after it ---

struct THostileCase {
    const char *Name;
    std::string Text;
    // A value that must be read afterwards in key "\K" ("" = nothing to check).
    std::string Survivor;
};

std::string Repeat(const std::string &piece, size_t count) {
    std::string out;
    out.reserve(piece.size() * count);
    for (size_t i = 0; i < count; ++i)
        out += piece;
    return out;
}

const std::string SurvivorLines = "[HKEY_CURRENT_USER\\K]\n\"ok\"=\"yes\"\n";

std::vector<THostileCase> HostileCases() {
    return {
        {"NulBytes", "REGEDIT4\n[HKEY_CURRENT_USER\\K\0]\n\"a\0\"=\"\0\"\n"s + SurvivorLines,
         "yes"},
        {"UnterminatedString", "[HKEY_CURRENT_USER\\K]\n\"a\"=\"open\n\"b=\"x\"\n\"ok\"=\"yes\"\n",
         "yes"},
        {"UnterminatedHeader", "[HKEY_CURRENT_USER\\K\n\"lost\"=\"1\"\n" + SurvivorLines, "yes"},
        {"DwordTooLong", "[HKEY_CURRENT_USER\\K]\n\"d\"=dword:000000096\n\"ok\"=\"yes\"\n", "yes"},
        {"DwordSigned", "[HKEY_CURRENT_USER\\K]\n\"d\"=dword:-1\n\"ok\"=\"yes\"\n", "yes"},
        {"DwordEmpty", "[HKEY_CURRENT_USER\\K]\n\"d\"=dword:\n\"ok\"=\"yes\"\n", "yes"},
        {"DwordNotHex", "[HKEY_CURRENT_USER\\K]\n\"d\"=dword:0000009g\n\"ok\"=\"yes\"\n", "yes"},
        {"HexOddDigits", "[HKEY_CURRENT_USER\\K]\n\"h\"=hex:001,02\n\"ok\"=\"yes\"\n", "yes"},
        {"HexDoubleComma", "[HKEY_CURRENT_USER\\K]\n\"h\"=hex:01,,02\n\"ok\"=\"yes\"\n", "yes"},
        {"HexBadType", "[HKEY_CURRENT_USER\\K]\n\"h\"=hex(123456789):00\n\"ok\"=\"yes\"\n", "yes"},
        {"HexUnclosedType", "[HKEY_CURRENT_USER\\K]\n\"h\"=hex(2:00\n\"ok\"=\"yes\"\n", "yes"},
        {"HexContinuationAtEnd", SurvivorLines + "\"h\"=hex:00,\\", "yes"},
        {"GarbageValue", "[HKEY_CURRENT_USER\\K]\n\"x\"=12\n\"y\"\n@\n\"ok\"=\"yes\"\n", "yes"},
        {"OnlyBackslashes", "[\\\\\\]\n[-\\]\n[]\n[-]\n" + SurvivorLines, "yes"},
        {"DeleteHive", "[-HKEY_CURRENT_USER]\n" + SurvivorLines, "yes"},
        {"Line10MB", SurvivorLines + "\"big\"=\"" + std::string(10 << 20, 'x') + "\"\n", "yes"},
        {"Unterminated10MB", "\"big\"=\"" + std::string(10 << 20, 'x') + "\n" + SurvivorLines,
         "yes"},
        {"Header10MB", "[" + std::string(10 << 20, 'k') + "\n" + SurvivorLines, "yes"},
        {"Hex10MB", SurvivorLines + "\"h\"=hex:" + Repeat("00,", 3 << 20) + "\n", "yes"},
        {"ContinuationLines100k", SurvivorLines + "\"h\"=hex:" + Repeat("01,\\\n", 100000), "yes"},
        {"DeepPath100kLevels",
         "[HKEY_CURRENT_USER" + Repeat("\\a", 100000) + "]\n\"v\"=\"w\"\n" + SurvivorLines, "yes"},
        {"Keys100k",
         Repeat("[HKEY_CURRENT_USER\\K\\sub]\n", 1) + SurvivorLines +
             [] {
                 std::string s;
                 for (int i = 0; i < 100000; ++i)
                     s += "[HKEY_CURRENT_USER\\Many\\k" + std::to_string(i) + "]\n\"v\"=dword:1\n";
                 for (int i = 0; i < 100000; i += 2)
                     s += "[-HKEY_CURRENT_USER\\Many\\K" + std::to_string(i) + "]\n";
                 return s;
             }(),
         "yes"},
        {"Values100kInOneKey",
         SurvivorLines +
             [] {
                 std::string s;
                 for (int i = 0; i < 100000; ++i)
                     s += "\"v" + std::to_string(i) + "\"=dword:1\n";
                 for (int i = 0; i < 100000; i += 2)
                     s += "\"V" + std::to_string(i) + "\"=-\n";
                 return s;
             }(),
         "yes"},
        {"CrOnlyMany", Repeat("\r", 1 << 20) + SurvivorLines, "yes"},
    };
}

TEST(RegistryHostile, LoadsSkipsAndRoundTrips) {
    for (const THostileCase &c : HostileCases()) {
        SCOPED_TRACE(c.Name);
        TRegistry registry;
        registry.LoadText(c.Text);
        if (!c.Survivor.empty()) {
            ASSERT_TRUE(registry.OpenKey("\\K", false));
            EXPECT_EQ(registry.ReadString("ok"), c.Survivor);
            registry.CloseKey();
        }
        std::string text = registry.ToText();
        EXPECT_LE(text.size(), 2 * c.Text.size() + 100);
        TRegistry again;
        again.LoadText(text);
        EXPECT_EQ(again.ToText(), text);
    }
}

TEST(RegistryHostile, ManyKeysKeepTheirOrderAfterDeletions) {
    std::string s;
    for (int i = 0; i < 100000; ++i)
        s += "[HKEY_CURRENT_USER\\Many\\k" + std::to_string(i) + "]\n";
    for (int i = 0; i < 100000; i += 2)
        s += "[-HKEY_CURRENT_USER\\Many\\K" + std::to_string(i) + "]\n";
    TRegistry registry;
    registry.LoadText(s);
    ASSERT_TRUE(registry.OpenKey("\\Many", false));
    std::vector<std::string> names = registry.GetKeyNames();
    ASSERT_EQ(names.size(), 50000u);
    EXPECT_EQ(names.front(), "k1");
    EXPECT_EQ(names.back(), "k99999");
}

TEST(RegistryHostile, DeepKeysOpenAndDieWithoutRecursion) {
    TRegistry registry;
    registry.LoadText("[HKEY_CURRENT_USER" + Repeat("\\a", 100000) + "]\n\"v\"=\"w\"\n");
    ASSERT_TRUE(registry.OpenKey(Repeat("\\A", 100000), false));
    EXPECT_EQ(registry.ReadString("v"), "w");
    EXPECT_TRUE(registry.DeleteKey("\\a"));
    EXPECT_FALSE(registry.KeyExists("\\a"));
    registry.LoadText("[HKEY_CURRENT_USER" + Repeat("\\b", 100000) + "]\n");
    // Replaced and destroyed again when the registry ends.
}

TEST(RegistryHostile, EveryPrefixOfAGoodFileLoads) {
    std::string text = Crlf(TrawlerText);
    for (size_t n = 0; n <= text.size(); ++n) {
        TRegistry registry;
        registry.LoadText(std::string_view(text).substr(0, n));
        std::string out = registry.ToText();
        TRegistry again;
        again.LoadText(out);
        ASSERT_EQ(again.ToText(), out) << "prefix " << n;
    }
}
