#include "config/detect.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "config/registry.h"
#include "items/cab.h"
#include "platform/fs.h"
#include "support/fakes.h"

namespace {
std::string Fill(std::string text, const std::string &root, const std::string &mark = "@ROOT@") {
    for (size_t at = text.find(mark); at != std::string::npos;
         at = text.find(mark, at + root.size()))
        text.replace(at, mark.size(), root);
    return text;
}

std::string Template(const std::string &name) {
    std::string text;
    fs::ReadWholeFile(std::string(TRAWLER_SOURCE_DIR) + "/tests/data/detect/" + name, text);
    return text;
}

// "name|kind|folder|program|user" per cabinet, in order.
std::vector<std::string> Lines(const TCabinetRoot &root) {
    std::vector<std::string> lines;
    for (const auto &c : root.Cabinets())
        lines.push_back(c->Name() + "|" + std::to_string(c->Kind) + "|" + c->Path + "|" +
                        c->Program + "|" + c->User);
    return lines;
}

// The folders of the browsers fixture, filled below temp; returns the root ("" + no "/").
std::string MakeBrowsers(const TTempFolder &temp, TRegistry &registry) {
    std::string root = fs::WithoutTrailingSlash(temp.Path());
    temp.Write("users/alice/Prefs.js", Fill(Template("alice-prefs.js"), root));
    std::filesystem::create_directories(root + "/users/alice/NScache");
    temp.Write("users/bob/Prefs.js", Fill(Template("bob-prefs.js"), root));
    std::filesystem::create_directories(root + "/users/carol");
    registry.LoadText(Fill(Template("browsers.reg"), root));
    return root;
}

std::vector<std::string> BrowserLines(const std::string &r) {
    return {"Cache NN3.01 (ja)|4|" + r + "/nn3/cache/|" + r + "/nn3/Program/Netscape.exe|",
            "Cache NN4.05 (ja) - alice|4|" + r + "/users/alice/NScache/|" + r +
                "/nn4/Program/Netscape.exe|alice",
            "Cache NN4.05 (ja) - bob|4|" + r + "/users/bob/Cache/|" + r +
                "/nn4/Program/Netscape.exe|bob",
            "Cache IE4|8|" + r + "/ie/Temporary Internet Files/|" + r + "/ie/IEXPLORE.EXE|",
            "Tapline|7|" + r + "/tapline/||"};
}

TEST(DetectTest, FindsEveryBrowserOnceAndLeavesTheRegistryAlone) {
    TTempFolder temp;
    TRegistry registry;
    std::string root = MakeBrowsers(temp, registry);
    std::string before = registry.ToText();
    TCabinetRoot cabinets;
    EXPECT_EQ(DetectBrowserCaches(registry, cabinets).size(), 5u);
    EXPECT_EQ(Lines(cabinets), BrowserLines(root));
    // Running it again registers nothing new and changes nothing.
    EXPECT_TRUE(DetectBrowserCaches(registry, cabinets).empty());
    EXPECT_EQ(Lines(cabinets), BrowserLines(root));
    EXPECT_EQ(registry.ToText(), before);
    EXPECT_FALSE(registry.Modified());
    EXPECT_EQ(registry.RootKey(), THive::CurrentUser);
    EXPECT_EQ(registry.CurrentPath(), "");
}

// A cabinet registered by hand on a detected folder (in another letter case, with or without
// the trailing "/") is not registered again; only its empty Program (and User, Netscape 4.x)
// is filled in.
TEST(DetectTest, CabinetOnADetectedFolderIsOnlyCompleted) {
    struct Row {
        const char *Case;
        const char *Folder;
        uint8_t Kind;
        const char *Program, *User, *WantProgram, *WantUser;
    } rows[] = {
        {"netscape 3 in other case", "NN3/Cache/", 4, "", "", "@ROOT@/nn3/Program/Netscape.exe",
         ""},
        {"netscape 4 profile without slash", "users/alice/nscache", 0, "", "",
         "@ROOT@/nn4/Program/Netscape.exe", "alice"},
        {"netscape 4 keeps its own", "users/bob/Cache", 4, "/bin/nn", "me", "/bin/nn", "me"},
        {"ie keeps its kind and fills program", "ie/temporary internet files", 6, "", "",
         "@ROOT@/ie/IEXPLORE.EXE", ""},
        {"tapline is never changed", "TAPLINE/", 7, "", "", "", ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.Case);
        TTempFolder temp;
        TRegistry registry;
        std::string root = MakeBrowsers(temp, registry);
        TCabinetRoot cabinets;
        TCabinet *mine = cabinets.AddCabinet(row.Kind, root + "/" + row.Folder, "mine");
        mine->Program = row.Program;
        mine->User = row.User;
        DetectBrowserCaches(registry, cabinets);
        EXPECT_EQ(cabinets.Cabinets().size(), 5u);
        EXPECT_EQ(mine->Name(), "mine");
        EXPECT_EQ(mine->Kind, row.Kind);
        EXPECT_EQ(mine->Program, Fill(row.WantProgram, root));
        EXPECT_EQ(mine->User, row.WantUser);
    }
}

TEST(DetectTest, WhatEachBrowserNeeds) {
    const std::string ie = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer]\n";
    const std::string iePaths =
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\Main]\n"
        "\"Cache_Directory\"=\"@ROOT@/ie2\"\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion"
        "\\Internet Settings\\Cache\\Paths]\n\"Directory\"=\"@ROOT@/ie4\"\n";
    const std::string ieApp = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion"
                              "\\App Paths\\IEXPLORE.EXE]\n@=\"/ie.exe\"\n";
    const std::string nn = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Netscape\\Netscape Navigator\\";
    // Netscape 2.x/3.x: the install folder, then the key that holds the cache folder.
    auto nn3 = [](const std::string &install) {
        return "[HKEY_CURRENT_USER\\Software\\Netscape\\Netscape Navigator\\Main]\n"
               "\"Install Directory\"=\"" +
               install + "\"\n[HKEY_CURRENT_USER\\Software\\Netscape\\Netscape Navigator\\Cache]\n";
    };
    const std::string users = nn + "Users\\a]\n\"DirRoot\"=\"@ROOT@/a\"\n" + nn +
                              "Users\\b]\n\"DirRoot\"=dword:00000001\n" + nn +
                              "Users\\c]\n\"DirRoot\"=\"@ROOT@/c\"\n";
    struct Row {
        const char *Case;
        std::string Registry;
        std::vector<std::string> Want;
    } rows[] = {
        {"ie 4 with the IVer of 2.x",
         ie + "\"Version\"=\"4.0\"\n\"IVer\"=\"102\"\n" + iePaths + ieApp,
         {"Cache IE4|8|@ROOT@/ie4/|/ie.exe|", "Cache IE2|5|@ROOT@/ie2/|/ie.exe|"}},
        {"ie 3 alone",
         ie + "\"Version\"=\"3.02\"\n\"IVer\"=\"3\"\n" + iePaths + ieApp,
         {"Cache IE3|6|@ROOT@/ie4/|/ie.exe|"}},
        {"ie Version that is no text",
         ie + "\"Version\"=dword:00000004\n\"IVer\"=\"2\"\n" + iePaths + ieApp,
         {"Cache IE2|5|@ROOT@/ie2/|/ie.exe|"}},
        {"ie without its program", ie + "\"Version\"=\"4.0\"\n" + iePaths, {}},
        {"ie 6 in the Content.IE5 folder of the user's Cache shell folder",
         ie + "\"Version\"=\"6.0.2900.2180\"\n" + iePaths + ieApp +
             "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer"
             "\\Shell Folders]\n\"Cache\"=\"@ROOT@\\\\TIF\"\n",
         {"Cache IE5|9|@ROOT@/TIF/Content.IE5/|/ie.exe|"}},
        {"ie 9 without its Cache shell folder",
         ie + "\"Version\"=\"9.0\"\n" + iePaths + ieApp,
         {}},
        {"netscape 3 drive-letter folder",
         nn + "3.0]\n" + nn3("/nn") + "\"Cache Dir\"=\"C:\\\\NS\\\\CACHE\"\n",
         {}},
        {"netscape 3 without cache folder", nn + "3.0]\n" + nn3("/nn"), {}},
        {"netscape 3 with an empty install folder",
         nn + "2.0]\n" + nn3("") + "\"Cache Dir\"=\"/c\"\n",
         {}},
        {"netscape versions other than 2 to 4",
         nn + "5.0]\n" + nn + "Navigator]\n" + nn3("/nn") + "\"Cache Dir\"=\"@ROOT@/c\"\n",
         {}},
        {"netscape 4 failure ends the version's profiles",
         nn + "4.0\\Main]\n\"Install Directory\"=\"/nn4\"\n" + users,
         {"Cache NN4.0 - a|4|@ROOT@/a/Cache/|/nn4/Program/Netscape.exe|a"}},
        {"netscape 4 without its Main key", nn + "4.0]\n" + users, {}},
        {"tapline without Cache Path",
         "[HKEY_CURRENT_USER\\Software\\Kestrelware\\Tapline\\Config]\n",
         {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.Case);
        TTempFolder temp;
        std::string root = fs::WithoutTrailingSlash(temp.Path());
        temp.Write("a/Prefs.js", "");
        temp.Write("c/Prefs.js", "");
        TRegistry registry;
        registry.LoadText("REGEDIT4\n\n" + Fill(row.Registry, root));
        TCabinetRoot cabinets;
        DetectBrowserCaches(registry, cabinets);
        std::vector<std::string> want;
        for (const std::string &line : row.Want)
            want.push_back(Fill(line, root));
        EXPECT_EQ(Lines(cabinets), want);
    }
}

TEST(DetectTest, ReadPrefsCacheDir) {
    struct Row {
        const char *Case;
        const char *FileName;
        std::optional<std::string> Prefs; // none: the file is a folder
        std::string Want;                 // @P@: the profile folder
    } rows[] = {
        {"no cache line", "Prefs.js", "user_pref(\"browser.cache.memory\", 1024);\n", "@P@/Cache"},
        {"doubled backslashes, name in any case, value keeps its case", "prefs.JS",
         R"(USER_PREF("Browser.Cache.Directory", "C:\\Program Files\\NS\\cache");)",
         R"(C:\Program Files\NS\cache)"},
        {"the last line wins, CR line ends", "Prefs.js",
         "user_pref(\"browser.cache.directory\", \"/a\");\ruser_pref(\"browser.cache.directory\", "
         "\"/b\");",
         "/b"},
        {"a longer name does not count", "Prefs.js",
         "user_pref(\"browser.cache.directory.old\", \"/a\");", "@P@/Cache"},
        {"a line break ends the value", "Prefs.js",
         "user_pref(\"browser.cache.directory\",\n \"/a\");", "@P@/Cache"},
        {"delimiters inside quotes are part of the value", "Prefs.js",
         "user_pref(\"browser.cache.directory\", \"/x/a (old), b\");", "/x/a (old), b"},
        {"blanks, control bytes and a tripled backslash", "Prefs.js",
         "user_pref(\"browser.cache.directory\",\t\" /x\\\\\\y \"\x01);", R"(/x\y)"},
        {"Prefs.js that is a folder", "Prefs.js", std::nullopt, ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.Case);
        TTempFolder temp;
        std::string profile = temp.Path() + "joe";
        if (row.Prefs)
            temp.Write(std::string("joe/") + row.FileName, *row.Prefs);
        else
            std::filesystem::create_directories(profile + "/Prefs.js");
        EXPECT_EQ(ReadPrefsCacheDir(profile), Fill(row.Want, profile, "@P@"));
    }
    TTempFolder empty;
    EXPECT_EQ(ReadPrefsCacheDir(empty.Path() + "nobody"), "");
}
} // namespace
