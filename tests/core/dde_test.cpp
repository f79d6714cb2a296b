#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <vector>

#include "config/settings.h"
#include "fileops/dde.h"
#include "items/cab.h"
#include "items/file.h"
#include "stores/cache.h"
#include "support/fakes.h"

namespace {

struct OpenCase {
    const char *name;
    uint8_t kind;
    const char *program; // "@browser" / "@viewer": a runnable program of that file name
    const char *file;
    bool opBrowser;
    bool fileOnDisk;
    std::vector<std::string> started; // "@" stands for the temporary folder
    const char *status;               // the status text, "" for none
};

class OpenTest : public ::testing::TestWithParam<OpenCase> {
protected:
    TFakeDesktop desktop;
    TTempFolder folder;
    TCabinetRoot root;
    TSettings saved = Settings();
    ~OpenTest() override { Settings() = saved; }

    std::string Program(const std::string &name) {
        std::string path = folder.Write("bin/" + name, "#!/bin/sh\n");
        chmod(path.c_str(), 0755);
        return path;
    }
};

std::string Expand(const std::string &text, const std::string &folder) {
    std::string out;
    for (char c : text)
        out += c == '@' ? folder : std::string(1, c);
    return out;
}

TEST_P(OpenTest, OpensWithTheRightProgramAndNeverTheOnlineAddress) {
    const OpenCase &c = GetParam();
    Settings().OpBrowser = c.opBrowser;
    std::string base = folder.Path().substr(0, folder.Path().size() - 1);
    std::string program = c.program;
    if (program == "@browser")
        program = Program("netscape.exe");
    else if (program == "@viewer")
        program = Program("viewer");
    TCabinet *cabinet = root.AddCabinet(c.kind, folder.Path() + "cab", "c");
    cabinet->Program = program;
    TFileData data;
    data.URL = std::string("http://h/") + c.file;
    data.CacheFile = c.file;
    TFile *file = AddURL(*cabinet, data.URL, data);
    if (c.fileOnDisk)
        folder.Write(file->GetLocalPath().substr(folder.Path().size()), "x");
    OpenFile(*file);
    std::vector<std::string> expected;
    for (const std::string &line : c.started)
        expected.push_back(Expand(line, base));
    EXPECT_EQ(desktop.Started, expected);
    std::string status;
    for (const std::string &line : desktop.ProgressLog)
        if (line.rfind("status:", 0) == 0)
            status = line.substr(7);
    EXPECT_EQ(status, Expand(c.status, base));
}

INSTANTIATE_TEST_SUITE_P(
    Table, OpenTest,
    ::testing::Values(
        OpenCase{"CachedPageGoesToTheBrowserAsALocalAddress", KindNetscape1, "@browser", "a.html",
                 false, true,
                 {"start: @/bin/netscape.exe | file://@/cab/a.html"}, ""},
        OpenCase{"OtherProgramsGetThePath", KindNetscape1, "@viewer", "a.html", false, true,
                 {"start: @/bin/viewer | @/cab/a.html"}, ""},
        OpenCase{"PictureGoesToItsApplication", KindNetscape1, "@browser", "b.gif", false, true,
                 {"open: @/cab/b.gif"}, ""},
        OpenCase{"AlwaysTheCabinetProgram", KindNetscape1, "@viewer", "b.gif", true, true,
                 {"start: @/bin/viewer | @/cab/b.gif"}, ""},
        OpenCase{"WindowsProgramFallsBackToTheApplication", KindNetscape1,
                 "C:\\Program Files\\Netscape\\netscape.exe", "a.html", false, true,
                 {"open: @/cab/a.html"}, ""},
        OpenCase{"NoProgram", KindMirrorLog, "", "a.html", false, true, {"open: @/cab/http=h/a.html"},
                 ""},
        OpenCase{"MissingFileSaysSo", KindNetscape1, "@browser", "a.html", false, false, {},
                 "ファイルが見つかりません: @/cab/a.html"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RunToolTest, StartsTheToolOnThePathAsOneArgument) {
    TFakeDesktop desktop;
    EXPECT_TRUE(RunTool("/usr/bin/tool", "/home/u/a file.html"));
    EXPECT_EQ(desktop.Started, std::vector<std::string>{"start: /usr/bin/tool | /home/u/a file.html"});
    desktop.StartAnswer = false;
    EXPECT_FALSE(RunTool("/usr/bin/tool", "/x"));
}

TEST(LocalFileAddressTest, EncodesWhatAURLPathCannotHold) {
    EXPECT_EQ(LocalFileAddress("/home/u/a b#c%.html"), "file:///home/u/a%20b%23c%25.html");
    EXPECT_EQ(LocalFileAddress("/h/\x83\x65"), "file:///h/%83e");
}

} // namespace
