#include "items/file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/settings.h"
#include "items/cab.h"
#include "platform/error.h"
#include "platform/fs.h"
#include "support/fakes.h"

using namespace std::string_literals;

namespace {

const char *const NameMessage = "error: 名前に使用できない文字 \\/:*?\"<>| が含まれています。";

std::string ReadText(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> ChildNames(const TTree &item) {
    std::vector<std::string> names;
    for (const auto &child : item.Children())
        names.push_back(child->Name());
    return names;
}

TFileData SampleData(const std::string &cacheFile) {
    TFileData data;
    data.Size = 1234;
    data.Modified = 36000.5;
    data.Accessed = 36001.25;
    data.Unused = 99;
    data.CacheFile = cacheFile;
    data.URL = "ftp://host:21/x?y/b.html?q";
    data.ContentType = "text/html";
    data.RootPage = 0;
    return data;
}

void ExpectSameData(const TFile &file, const TFileData &data) {
    EXPECT_EQ(file.Size, data.Size);
    EXPECT_EQ(file.Modified, data.Modified);
    EXPECT_EQ(file.Accessed, data.Accessed);
    EXPECT_EQ(file.CacheFile, data.CacheFile);
    EXPECT_EQ(file.URL, data.URL);
    EXPECT_EQ(file.ContentType, data.ContentType);
    EXPECT_EQ(file.RootPage, data.RootPage);
}

class FileTest : public ::testing::Test {
protected:
    ~FileTest() override { Settings() = saved; }
    TSettings saved = Settings();
    TFakeDesktop desktop;
    TFakeCopyEngine engine;
    TTempFolder folder;
    TCabinetRoot root;
};

// ---- paths and addresses ----

struct PathCase {
    const char *name;
    uint8_t kind;
    const char *path;
    const char *cacheFile;
    const char *fileLocal;
    const char *fileURL;
    const char *dirLocal;
    const char *dirURL;
};

class PathTest : public FileTest, public ::testing::WithParamInterface<PathCase> {};
TEST_P(PathTest, ByKind) {
    const PathCase &c = GetParam();
    TCabinet *cabinet = root.AddCabinet(c.kind, c.path, "c");
    TDir *server = TDir::Create(*cabinet, "ftp://host");
    TDir *dir = TDir::Create(*server, "a");
    TFileData data;
    data.CacheFile = c.cacheFile;
    TFile *file = TFile::Create(*dir, data, "b.html");
    EXPECT_EQ(file->GetLocalPath(), c.fileLocal);
    EXPECT_EQ(file->GetURL(), c.fileURL);
    EXPECT_EQ(file->GetLinkPath(), "ftp=host/a/b.html");
    EXPECT_EQ(dir->GetLocalPath(), c.dirLocal);
    EXPECT_EQ(dir->GetURL(), c.dirURL);
    EXPECT_EQ(dir->GetLinkPath(), "ftp=host/a/");
    EXPECT_EQ(server->GetLinkPath(), "ftp=host/");
}
INSTANTIATE_TEST_SUITE_P(
    File, PathTest,
    ::testing::Values(PathCase{"plainLog", KindPlainLog, "/d/log", "", "/d/log/ftp=host/a/b.html",
                               "ftp=host/a/b.html", "/d/log/ftp=host/a/", "ftp=host/a/"},
                      PathCase{"mirrorLog", KindMirrorLog, "/d/mirror/", "M0AB12CD",
                               "/d/mirror/ftp=host/a/b.html", "ftp://host/a/b.html",
                               "/d/mirror/ftp=host/a/", "ftp://host/a/"},
                      PathCase{"netscape2", KindNetscape2, "/nonexistent-trawler/cache/",
                               "M0AB12CD", "/nonexistent-trawler/cache/M0AB12CD",
                               "ftp://host/a/b.html", "/nonexistent-trawler/cache/",
                               "ftp://host/a/"},
                      PathCase{"netscape1Subfolder", KindNetscape1, "/nonexistent-trawler/n1/",
                               "cache3\\M0AB", "/nonexistent-trawler/n1/cache3/M0AB",
                               "ftp://host/a/b.html", "/nonexistent-trawler/n1/", "ftp://host/a/"},
                      PathCase{"tapline", KindTapline, "/nonexistent-trawler/tap",
                               "ftp\\host\\a\\b.html", "/nonexistent-trawler/tap/ftp/host/a/b.html",
                               "ftp://host/a/b.html", "/nonexistent-trawler/tap/", "ftp://host/a/"},
                      PathCase{"msie4", KindMsie4, "/nonexistent-trawler/ie/",
                               "ABCD1234\\b[1].html", "/nonexistent-trawler/ie/ABCD1234/b[1].html",
                               "ftp://host/a/b.html", "/nonexistent-trawler/ie/", "ftp://host/a/"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(FileTest, NamesWithReservedCharactersKeepThemInAddresses) {
    TCabinet *mirror = root.AddCabinet(KindMirrorLog, "/m/", "m");
    TDir *server = TDir::Create(*mirror, "http://h:8080");
    TFile *file = TFile::Create(*server, TFileData(), "cgi?a=1&b=2");
    EXPECT_EQ(file->GetURL(), "http://h:8080/cgi?a=1&b=2");
    EXPECT_EQ(file->GetLocalPath(), "/m/http=h$8080/cgi-a=1&b=2");
    TCabinet *log = root.AddCabinet(KindPlainLog, "/l/", "l");
    TFile *logged = TFile::Create(*TDir::Create(*log, "http://h:8080"), TFileData(), "cgi?x");
    EXPECT_EQ(logged->GetURL(), "http=h$8080/cgi-x");
}

TEST_F(FileTest, FileDirectlyBelowTheCabinet) {
    TCabinet *mirror = root.AddCabinet(KindMirrorLog, "/m/", "m");
    TFile *file = TFile::Create(*mirror, TFileData(), "http://h");
    EXPECT_EQ(file->LocalName(), "http=h");
    EXPECT_EQ(file->GetLocalPath(), "/m/http=h");
    EXPECT_EQ(file->GetURL(), "http://h");
    EXPECT_EQ(file->GetLinkPath(), "http=h");
    EXPECT_EQ(GetFileURLFrom(*file, mirror), "http://h");
}

struct RootPageCase {
    const char *name;
    uint8_t kind;
    const char *url;
    const char *local;
};

class RootPageTest : public FileTest, public ::testing::WithParamInterface<RootPageCase> {};
TEST_P(RootPageTest, AddressIsTheFolders) {
    TCabinet *cabinet = root.AddCabinet(GetParam().kind, "/c/", "c");
    TDir *server = TDir::Create(*cabinet, "ftp://host");
    TFileData data;
    data.CacheFile = "M1";
    data.RootPage = 1;
    TFile *file = TFile::Create(*server, data, RootPageName);
    EXPECT_EQ(file->Name(), "RootPage.html");
    EXPECT_EQ(file->GetURL(), GetParam().url);
    EXPECT_EQ(file->GetLocalPath(), GetParam().local);
    EXPECT_EQ(GetFileURLFrom(*file, server),
              GetParam().kind == KindPlainLog ? "RootPage.html" : "");
}
INSTANTIATE_TEST_SUITE_P(
    File, RootPageTest,
    ::testing::Values(RootPageCase{"cache", KindNetscape2, "ftp://host/", "/c/M1"},
                      RootPageCase{"mirrorLog", KindMirrorLog, "ftp://host/",
                                   "/c/ftp=host/RootPage.html"},
                      RootPageCase{"plainLog", KindPlainLog, "ftp=host/RootPage.html",
                                   "/c/ftp=host/RootPage.html"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(FileTest, AddressesRelativeToAnAncestor) {
    for (uint8_t kind : {KindMirrorLog, KindPlainLog}) {
        SCOPED_TRACE(int(kind));
        const bool plain = kind == KindPlainLog;
        TCabinet *cabinet = root.AddCabinet(kind, "/c/", "c");
        TDir *server = TDir::Create(*cabinet, "http://h");
        TDir *a = TDir::Create(*server, "a:1");
        TDir *b = TDir::Create(*a, "b");
        TFile *file = TFile::Create(*b, TFileData(), "f?.html");
        TCabinet *other = root.AddCabinet(kind, "/o/", "o");
        EXPECT_EQ(b->GetURLFrom(b), "");
        EXPECT_EQ(b->GetURLFrom(a), "b/");
        EXPECT_EQ(b->GetURLFrom(server), plain ? "a-1/b/" : "a:1/b/");
        EXPECT_EQ(b->GetURLFrom(cabinet), plain ? "http=h/a-1/b/" : "http://h/a:1/b/");
        EXPECT_EQ(b->GetURLFrom(other), b->GetURL()) << "a foreign ancestor gives the full URL";
        EXPECT_EQ(GetFileURLFrom(*file, file), "");
        EXPECT_EQ(GetFileURLFrom(*file, b), plain ? "f-.html" : "f?.html");
        EXPECT_EQ(GetFileURLFrom(*file, server), plain ? "a-1/b/f-.html" : "a:1/b/f?.html");
        EXPECT_EQ(GetFileURLFrom(*file, cabinet), file->GetURL());
        EXPECT_EQ(file->GetURLFrom(b), "") << "files answer through GetFileURLFrom only";
    }
}

struct CacheFileCase {
    const char *name;
    std::string cacheFile;
    std::string relative;
};

class CacheFileTest : public FileTest, public ::testing::WithParamInterface<CacheFileCase> {};
TEST_P(CacheFileTest, StaysInsideTheCabinetFolder) {
    TCabinet *cabinet = root.AddCabinet(KindNetscape2, folder.Path() + "cache", "c");
    TFileData data;
    data.CacheFile = GetParam().cacheFile;
    TFile *file = TFile::Create(*TDir::Create(*cabinet, "http://h"), data, "f");
    const std::string local = file->GetLocalPath();
    EXPECT_EQ(local, cabinet->Path + GetParam().relative);
    EXPECT_TRUE(local == cabinet->Path || fs::IsInsideFolder(cabinet->Path, local)) << local;
}
INSTANTIATE_TEST_SUITE_P(
    File, CacheFileTest,
    ::testing::Values(CacheFileCase{"plain", "M0AB12CD", "M0AB12CD"},
                      CacheFileCase{"backslashes", "cache1\\sub\\M0", "cache1/sub/M0"},
                      CacheFileCase{"parentEscapes", "..\\..\\etc\\passwd", "etc/passwd"},
                      CacheFileCase{"slashParent", "../../etc/passwd", "etc/passwd"},
                      CacheFileCase{"absolute", "/etc/passwd", "etc/passwd"},
                      CacheFileCase{"dotSegments", ".\\a\\.\\b", "a/b"},
                      CacheFileCase{"emptySegments", "a\\\\b", "a/b"},
                      CacheFileCase{"onlyParent", "..", ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(FileTest, CachedFileIsFoundInAnyLetterCase) {
    folder.Write("Cache/m0ab12cd", "data");
    TCabinet *cabinet = root.AddCabinet(KindNetscape2, folder.Path() + "Cache", "c");
    TFileData data;
    data.CacheFile = "M0AB12CD";
    TFile *file = TFile::Create(*TDir::Create(*cabinet, "http://h"), data, "f");
    EXPECT_EQ(file->GetLocalPath(), folder.Path() + "Cache/m0ab12cd");
}

// ---- find-or-create ----

TEST_F(FileTest, FindOrAddKeepsTheFirstData) {
    TCabinet *cabinet = root.AddCabinet(KindNetscape2, "/c", "c");
    TDir *server = FindOrAddDir(*cabinet, "http://Host");
    EXPECT_EQ(FindOrAddDir(*cabinet, "http://host"), server);
    TFile *first = FindOrAddFile(*server, "a.gif", SampleData("first"));
    TFile *again = FindOrAddFile(*server, "A.GIF", SampleData("second"));
    EXPECT_EQ(again, first);
    EXPECT_EQ(first->CacheFile, "first");
    EXPECT_EQ(first->Name(), "a.gif");
    EXPECT_EQ(server->ChildCount(), 1u);
    ExpectSameData(*first, SampleData("first"));
}

TEST_F(FileTest, FileAndFolderOfOneNameStaySeparate) {
    TCabinet *cabinet = root.AddCabinet(KindNetscape2, "/c", "c");
    TDir *server = FindOrAddDir(*cabinet, "http://h");
    TFile *file = FindOrAddFile(*server, "a", TFileData());
    TDir *dir = FindOrAddDir(*server, "a");
    ASSERT_NE(static_cast<TTree *>(dir), static_cast<TTree *>(file));
    EXPECT_TRUE(dir->IsDir());
    FindOrAddFile(*dir, "b", TFileData());
    EXPECT_EQ(FindOrAddFile(*server, "a", TFileData()), file);
    EXPECT_EQ(FindOrAddDir(*server, "A"), dir);
    EXPECT_EQ(file->ChildCount(), 0u);
}

// ---- rename ----

class RenameTest : public FileTest {
protected:
    TCabinet *log = root.AddCabinet(KindPlainLog, folder.Path() + "log", "log");
    TDir *server = TDir::Create(*log, "http://h");
    TDir *dir = TDir::Create(*server, "a");
    TFile *file = TFile::Create(*dir, TFileData(), "b.html");
    TFile *sibling = TFile::Create(*dir, TFileData(), "c.html");
    void SetUp() override {
        folder.Write("log/http=h/a/b.html", "page b");
        folder.Write("log/http=h/a/c.html", "page c");
    }
};

struct BadNameCase {
    const char *name;
    std::string newName;
};

class RenameRefusedTest : public RenameTest, public ::testing::WithParamInterface<BadNameCase> {};
TEST_P(RenameRefusedTest, ShowsTheMessageAndChangesNothing) {
    for (TTree *item : {static_cast<TTree *>(file), static_cast<TTree *>(dir)}) {
        desktop.Shown.clear();
        const std::string name = item->Name();
        const std::string local = item->LocalName();
        EXPECT_EQ(item->Rename(GetParam().newName), name);
        EXPECT_EQ(item->Name(), name);
        EXPECT_EQ(item->LocalName(), local);
        EXPECT_EQ(desktop.Shown, std::vector<std::string>{NameMessage});
    }
    EXPECT_EQ(ReadText(folder.Path() + "log/http=h/a/b.html"), "page b");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path() + "log/http=h/a"),
                            std::filesystem::directory_iterator()),
              2);
}
INSTANTIATE_TEST_SUITE_P(File, RenameRefusedTest,
                         ::testing::Values(BadNameCase{"backslash", "x\\y"},
                                           BadNameCase{"slash", "x/y"}, BadNameCase{"colon", "x:y"},
                                           BadNameCase{"asterisk", "x*"},
                                           BadNameCase{"question", "x?.html"},
                                           BadNameCase{"quote", "\"x\""}, BadNameCase{"less", "<x"},
                                           BadNameCase{"greater", "x>"}, BadNameCase{"bar", "x|y"},
                                           BadNameCase{"parentPath", "../../escape"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(RenameTest, GoodNameRenamesTheFileOnDisk) {
    EXPECT_EQ(file->Rename("新しい.html"), "新しい.html");
    EXPECT_EQ(file->Name(), "新しい.html");
    EXPECT_EQ(file->LocalName(), "新しい.html");
    EXPECT_TRUE(desktop.Shown.empty());
    EXPECT_FALSE(fs::PathExists(folder.Path() + "log/http=h/a/b.html"));
    EXPECT_EQ(ReadText(folder.Path() + "log/http=h/a/新しい.html"), "page b");
    EXPECT_EQ(FindChild(*dir, "新しい.HTML"), file);
    EXPECT_EQ(FindChild(*dir, "b.html"), nullptr);
    EXPECT_EQ(FindChildByLocalName(*dir, "b.html"), nullptr);
}

TEST_F(RenameTest, RenamingAFolderMovesItsContents) {
    EXPECT_EQ(dir->Rename("z"), "z");
    EXPECT_FALSE(fs::PathExists(folder.Path() + "log/http=h/a"));
    EXPECT_EQ(file->GetLocalPath(), folder.Path() + "log/http=h/z/b.html");
    EXPECT_EQ(ReadText(file->GetLocalPath()), "page b");
}

struct SafeRenameCase {
    const char *name;
    std::string newName;
    std::string localName;
};

class RenameMadeSafeTest : public RenameTest,
                           public ::testing::WithParamInterface<SafeRenameCase> {};
TEST_P(RenameMadeSafeTest, StaysInItsFolder) {
    EXPECT_EQ(file->Rename(GetParam().newName), GetParam().newName);
    EXPECT_EQ(file->LocalName(), GetParam().localName);
    EXPECT_EQ(ReadText(folder.Path() + "log/http=h/a/" + GetParam().localName), "page b");
    EXPECT_TRUE(fs::FileExists(folder.Path() + "log/http=h/a/c.html"));
    EXPECT_FALSE(fs::PathExists(folder.Path() + "log/http=h/b.html"));
    EXPECT_FALSE(fs::PathExists(folder.Path() + "log/http=h/a.html"));
}
INSTANTIATE_TEST_SUITE_P(File, RenameMadeSafeTest,
                         ::testing::Values(SafeRenameCase{"dotDot", "..", "--"},
                                           SafeRenameCase{"dot", ".", "-"},
                                           SafeRenameCase{"empty", "", "-"},
                                           SafeRenameCase{"control", "a\x01.html", "a-.html"},
                                           SafeRenameCase{"nul", "a\0.html"s, "a-.html"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(RenameTest, RenamingOntoASiblingNeverOverwritesIt) {
    file->Rename("c.html");
    EXPECT_EQ(ReadText(folder.Path() + "log/http=h/a/c.html"), "page c");
    EXPECT_EQ(sibling->Name(), "c.html");
}

// ---- remove ----

struct RemoveCase {
    const char *name;
    uint8_t kind;
    bool opDeleteDB;
    bool onDisk;
    bool stays;
};

class FileRemoveTest : public FileTest, public ::testing::WithParamInterface<RemoveCase> {};
TEST_P(FileRemoveTest, LeavesTheTreeOnlyWhenGone) {
    const RemoveCase &c = GetParam();
    Settings().OpDeleteDB = c.opDeleteDB;
    TCabinet *cabinet = root.AddCabinet(c.kind, folder.Path(), "c");
    TDir *server = TDir::Create(*cabinet, "http://h");
    TFileData data;
    data.CacheFile = "CF0001";
    TFile *file = TFile::Create(*server, data, "f.html");
    TItemRef ref(file);
    if (c.onDisk)
        folder.Write(IsLogKind(c.kind) ? "http=h/f.html" : "CF0001", "x");
    file->Remove();
    EXPECT_EQ(bool(ref), c.stays);
    EXPECT_EQ(server->ChildCount(), c.stays ? 1u : 0u);
}
INSTANTIATE_TEST_SUITE_P(
    File, FileRemoveTest,
    ::testing::Values(RemoveCase{"plainLogGone", KindPlainLog, true, false, false},
                      RemoveCase{"plainLogGoneWithoutDeleteDB", KindPlainLog, false, false, false},
                      RemoveCase{"plainLogStillThere", KindPlainLog, true, true, true},
                      RemoveCase{"mirrorGone", KindMirrorLog, true, false, false},
                      RemoveCase{"mirrorGoneWithoutDeleteDB", KindMirrorLog, false, false, true},
                      RemoveCase{"mirrorStillThere", KindMirrorLog, true, true, true},
                      RemoveCase{"taplineGone", KindTapline, true, false, false},
                      RemoveCase{"taplineGoneWithoutDeleteDB", KindTapline, false, false, true},
                      RemoveCase{"taplineStillThere", KindTapline, true, true, true},
                      RemoveCase{"netscape1Gone", KindNetscape1, true, false, true},
                      RemoveCase{"netscape2Gone", KindNetscape2, true, false, true},
                      RemoveCase{"msie2Gone", KindMsie2, true, false, true},
                      RemoveCase{"msie3Gone", KindMsie3, true, false, true},
                      RemoveCase{"msie4Gone", KindMsie4, true, false, true},
                      RemoveCase{"unknownGone", KindUnknown, true, false, true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(FileTest, RemoveOfAFolderWhoseDiskFolderStays) {
    TCabinet *log = root.AddCabinet(KindPlainLog, folder.Path(), "log");
    TDir *server = TDir::Create(*log, "http://h");
    TDir *dir = TDir::Create(*server, "a");
    TFile::Create(*dir, TFileData(), "kept.html");
    TFile::Create(*dir, TFileData(), "gone.html");
    TDir *sub = TDir::Create(*dir, "sub");
    TFile::Create(*sub, TFileData(), "s.html");
    TDir *keptSub = TDir::Create(*dir, "keptsub");
    TDir::Create(*keptSub, "gonesub");
    TItemRef refSub(sub);
    folder.Write("http=h/a/kept.html", "x");
    std::filesystem::create_directories(folder.Path() + "http=h/a/keptsub");

    server->Remove();

    EXPECT_EQ(ChildNames(*log), std::vector<std::string>{"http://h"});
    EXPECT_EQ(ChildNames(*dir), (std::vector<std::string>{"kept.html", "keptsub"}));
    EXPECT_EQ(keptSub->ChildCount(), 0u);
    EXPECT_FALSE(refSub);
}

TEST_F(FileTest, RemoveOfAFolderThatIsGone) {
    TCabinet *log = root.AddCabinet(KindPlainLog, folder.Path(), "log");
    TDir *server = TDir::Create(*log, "http://h");
    TDir *dir = TDir::Create(*server, "a");
    TFile::Create(*dir, TFileData(), "f.html");
    std::filesystem::create_directories(folder.Path() + "http=h");
    const size_t before = LiveItemCount();
    dir->Remove();
    EXPECT_EQ(server->ChildCount(), 0u);
    EXPECT_EQ(LiveItemCount(), before - 2);
    server->Remove();
    EXPECT_EQ(server->ChildCount(), 0u) << "the server folder is still on disk";
    std::filesystem::remove_all(folder.Path() + "http=h");
    TItemRef ref(server);
    server->Remove();
    EXPECT_FALSE(ref);
    EXPECT_EQ(log->ChildCount(), 0u);
}

TEST_F(FileTest, RemoveOfFoldersActsOnlyWhereFilesMayGo) {
    for (uint8_t kind : {KindNetscape1, KindNetscape2, KindMsie2, KindMsie3, KindMsie4,
                         KindMirrorLog, KindTapline}) {
        SCOPED_TRACE(int(kind));
        Settings().OpDeleteDB = false;
        TCabinet *cabinet = root.AddCabinet(kind, folder.Path() + "nothing-here", "c");
        TDir *server = TDir::Create(*cabinet, "http://h");
        TFile::Create(*server, TFileData(), "f");
        server->Remove();
        EXPECT_EQ(cabinet->ChildCount(), 1u);
        EXPECT_EQ(server->ChildCount(), 1u);
    }
}

// ---- copy ----

class CopyTest : public FileTest {
protected:
    TCabinet *cache = root.AddCabinet(KindNetscape2, "/nonexistent-trawler/cache/", "cache");
    TDir *server = TDir::Create(*cache, "ftp://host:21");
    TDir *dir = TDir::Create(*server, "x?y");
    TFile *file = TFile::Create(*dir, SampleData("C1"), "b.html?q");
};

struct CopyCase {
    const char *name;
    uint8_t kind;
    const char *serverName;
    const char *dirName;
    const char *fileName;
};

class CopyIntoLogTest : public CopyTest, public ::testing::WithParamInterface<CopyCase> {};
TEST_P(CopyIntoLogTest, NamesFoldersAndCreatesThemOnDisk) {
    const CopyCase &c = GetParam();
    TCabinet *target = root.AddCabinet(c.kind, folder.Path() + "log", "log");
    std::filesystem::create_directories(target->Path);
    TTree *copy = server->CopyTo(*target);

    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(ChildNames(*target), std::vector<std::string>{c.serverName});
    EXPECT_EQ(copy->LocalName(), "ftp=host$21");
    ASSERT_EQ(copy->ChildCount(), 1u);
    TTree *copiedDir = copy->Children()[0].get();
    EXPECT_EQ(copiedDir->Name(), c.dirName);
    EXPECT_EQ(copiedDir->LocalName(), "x-y");
    ASSERT_EQ(copiedDir->ChildCount(), 1u);
    ASSERT_TRUE(copiedDir->Children()[0]->IsFile());
    auto *copiedFile = static_cast<TFile *>(copiedDir->Children()[0].get());
    EXPECT_EQ(copiedFile->Name(), c.fileName);
    EXPECT_EQ(copiedFile->LocalName(), "b.html-q");
    ExpectSameData(*copiedFile, SampleData("C1"));

    EXPECT_TRUE(fs::FolderExists(target->Path + "ftp=host$21"));
    EXPECT_TRUE(fs::FolderExists(target->Path + "ftp=host$21/x-y"));
    const std::string expected =
        "ftp://host:21/x?y/b.html?q -> " + target->Path + "ftp=host$21/x-y/b.html-q";
    EXPECT_EQ(engine.Copies, std::vector<std::string>{expected});
    EXPECT_TRUE(engine.Questions.empty());
}
INSTANTIATE_TEST_SUITE_P(File, CopyIntoLogTest,
                         ::testing::Values(CopyCase{"plainLogByLocalName", KindPlainLog,
                                                    "ftp=host$21", "x-y", "b.html-q"},
                                           CopyCase{"mirrorLogByName", KindMirrorLog,
                                                    "ftp://host:21", "x?y", "b.html?q"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(CopyTest, FolderChildrenArriveInReverseOrder) {
    TDir *source = TDir::Create(*server, "many");
    for (const char *name : {"1", "2", "3"})
        TFile::Create(*source, TFileData(), name);
    TDir::Create(*source, "sub");
    TCabinet *target = root.AddCabinet(KindMirrorLog, "", "m");
    TTree *copy = source->CopyTo(*target);
    EXPECT_EQ(ChildNames(*copy), (std::vector<std::string>{"sub", "3", "2", "1"}));
    ASSERT_EQ(engine.Copies.size(), 3u);
    EXPECT_EQ(engine.Copies[0].substr(0, 21), "ftp://host:21/many/3 ");
    EXPECT_EQ(engine.Copies[2].substr(0, 21), "ftp://host:21/many/1 ");
}

TEST_F(CopyTest, CopyingIntoAnExistingFolderMerges) {
    TCabinet *target = root.AddCabinet(KindMirrorLog, "", "m");
    TTree *first = server->CopyTo(*target);
    TFile::Create(*dir, TFileData(), "later.gif");
    TTree *second = server->CopyTo(*target);
    EXPECT_EQ(first, second);
    EXPECT_EQ(target->ChildCount(), 1u);
    EXPECT_EQ(ChildNames(*first->Children()[0]),
              (std::vector<std::string>{"b.html?q", "later.gif"}));
    EXPECT_EQ(engine.Questions.size(), 1u) << "the file copied before is asked about";
}

class OverwriteTest : public CopyTest, public ::testing::WithParamInterface<bool> {};
TEST_P(OverwriteTest, ExistingItemTakesTheDataOnlyWhenAllowed) {
    const bool allowed = GetParam();
    engine.OverwriteAnswer = allowed;
    TCabinet *target = root.AddCabinet(KindPlainLog, folder.Path() + "log", "log");
    TDir *copiedDir = TDir::Create(*TDir::Create(*target, "ftp=host$21"), "x-y");
    TFileData old;
    old.Size = 5;
    old.CacheFile = "old";
    old.URL = "old-url";
    old.Modified = 1;
    TFile *existing = TFile::Create(*copiedDir, old, "B.HTML-Q");

    TTree *result = file->CopyTo(*copiedDir);

    EXPECT_EQ(result, existing);
    EXPECT_EQ(copiedDir->ChildCount(), 1u);
    EXPECT_EQ(engine.Questions.size(), 1u);
    if (allowed) {
        ExpectSameData(*existing, SampleData("C1"));
        EXPECT_EQ(engine.Copies.size(), 1u);
    } else {
        ExpectSameData(*existing, old);
        EXPECT_TRUE(engine.Copies.empty());
    }
    EXPECT_EQ(existing->Name(), "B.HTML-Q");
}
INSTANTIATE_TEST_SUITE_P(File, OverwriteTest, ::testing::Bool(),
                         [](const auto &info) { return info.param ? "accepted" : "refused"; });

TEST_F(CopyTest, CancelPassesOutAndKeepsWhatWasMade) {
    TDir *source = TDir::Create(*server, "many");
    for (const char *name : {"1", "2", "3"})
        TFile::Create(*source, TFileData(), name);
    TCabinet *target = root.AddCabinet(KindMirrorLog, "", "m");
    engine.AbortAt = 2;
    EXPECT_THROW(source->CopyTo(*target), TAbort);
    ASSERT_EQ(target->ChildCount(), 1u);
    EXPECT_EQ(ChildNames(*target->Children()[0]), (std::vector<std::string>{"3", "2"}));
    engine.Copies.clear();
    engine.AbortAt = 1;
    TCabinet *second = root.AddCabinet(KindMirrorLog, "", "m2");
    try {
        file->CopyTo(*second);
        ADD_FAILURE() << "the cancel did not pass out";
    } catch (const TAbort &abort) {
        EXPECT_STREQ(abort.what(), "中止");
    }
}

TEST_F(CopyTest, AFileNeverGetsChildrenFromAFolderOfTheSameName) {
    TCabinet *target = root.AddCabinet(KindMirrorLog, "", "m");
    TFile *blocking = TFile::Create(*target, TFileData(), "ftp://host:21");
    server->CopyTo(*target);
    EXPECT_EQ(blocking->ChildCount(), 0u);
    EXPECT_TRUE(engine.Copies.empty());
    for (const auto &child : target->Children()) {
        if (child->IsFile()) {
            EXPECT_EQ(child->ChildCount(), 0u);
        }
    }
}

TEST_F(CopyTest, AFolderIsNeverOverwrittenByAFile) {
    TCabinet *target = root.AddCabinet(KindMirrorLog, "", "m");
    TDir *blocking = TDir::Create(*target, "b.html?q");
    TDir::Create(*blocking, "inside");
    file->CopyTo(*target);
    EXPECT_EQ(target->ChildCount(), 1u);
    EXPECT_EQ(blocking->ChildCount(), 1u);
    EXPECT_TRUE(engine.Copies.empty());
    EXPECT_TRUE(engine.Questions.empty());
}

// The paste run refuses these before it copies; the items refuse them too, since the copy
// would otherwise grow inside itself without end.
TEST_F(CopyTest, AFolderIsNeverCopiedIntoItself) {
    TCabinet *mirror = root.AddCabinet(KindMirrorLog, "", "m");
    TDir *a = TDir::Create(*TDir::Create(*mirror, "http://h"), "a");
    TDir *b = TDir::Create(*a, "b");
    TFile::Create(*b, TFileData(), "f.html");
    const size_t before = LiveItemCount();
    EXPECT_EQ(a->CopyTo(*a), nullptr);
    EXPECT_EQ(a->CopyTo(*b), nullptr);
    EXPECT_EQ(LiveItemCount(), before);
    EXPECT_TRUE(engine.Copies.empty());
    EXPECT_NE(b->CopyTo(*a->Parent()), nullptr) << "a folder may go up to an ancestor";
}

TEST_F(CopyTest, DeepFolderChainIsCopiedWithBoundedStack) {
    constexpr int Depth = 2000;
    TTree *folderItem = dir;
    for (int i = 0; i < Depth; ++i)
        folderItem = TDir::Create(*folderItem, "d");
    TFile::Create(*folderItem, TFileData(), "deep.html");
    TCabinet *target = root.AddCabinet(KindMirrorLog, "", "m");
    TTree *copy = server->CopyTo(*target);
    EXPECT_EQ(copy->GetFolderCount(), Depth + 1);
    EXPECT_EQ(copy->GetFileCount(), 2);
    EXPECT_EQ(engine.Copies.size(), 2u);
}

// ---- HTML test ----

struct HtmlCase {
    const char *name;
    const char *fileName;
    const char *contentType;
    const char *extensions; // nullptr: the default list
    bool html;
};

class IsHtmlTest : public FileTest, public ::testing::WithParamInterface<HtmlCase> {};
TEST_P(IsHtmlTest, Decides) {
    const HtmlCase &c = GetParam();
    Settings().HtmlFileExt = c.extensions ? c.extensions : DefaultHtmlFileExt;
    TCabinet *cabinet = root.AddCabinet(KindNetscape2, "/c", "c");
    TFileData data;
    data.ContentType = c.contentType;
    TFile *file = TFile::Create(*TDir::Create(*cabinet, "http://h"), data, c.fileName);
    EXPECT_EQ(IsHtml(*file), c.html);
}
INSTANTIATE_TEST_SUITE_P(
    File, IsHtmlTest,
    ::testing::Values(HtmlCase{"typeWinsOverExtension", "x.cgi", "text/html", nullptr, true},
                      HtmlCase{"typeWinsAgainstExtension", "y.htm", "image/gif", nullptr, false},
                      HtmlCase{"typeAnyCase", "x", "TEXT/HTML; charset=Shift_JIS", nullptr, true},
                      HtmlCase{"xhtmlType", "x", "application/xhtml+xml", nullptr, true},
                      HtmlCase{"htm", "a.htm", "", nullptr, true},
                      HtmlCase{"htmlUpper", "A.HTML", "", nullptr, true},
                      HtmlCase{"asp", "a.asp", "", nullptr, true},
                      HtmlCase{"lastDotCounts", "a.htm.gif", "", nullptr, false},
                      HtmlCase{"earlierDotIgnored", "a.gif.htm", "", nullptr, true},
                      HtmlCase{"noExtension", "index", "", nullptr, false},
                      HtmlCase{"trailingDot", "index.", "", nullptr, false},
                      HtmlCase{"partialExtension", "a.ht", "", nullptr, false},
                      HtmlCase{"longerExtension", "a.shtml", "", nullptr, false},
                      HtmlCase{"rootPage", "RootPage.html", "", nullptr, true},
                      HtmlCase{"customList", "a.shtml", "", ".SHTML;.PHP", true},
                      HtmlCase{"customListDropsDefaults", "a.htm", "", ".SHTML;.PHP", false},
                      HtmlCase{"entryEndingWithExtension", "a.htm", "", "X.HTM", true},
                      HtmlCase{"emptyList", "a.htm", "", "", false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(FileTest, PropertiesDialogsAreShownAndChangeNothing) {
    TCabinet *cabinet = root.AddCabinet(KindNetscape2, "/c", "c");
    TDir *server = TDir::Create(*cabinet, "http://h");
    TFile *file = TFile::Create(*server, TFileData(), "f");
    EXPECT_FALSE(server->ShowProperties());
    EXPECT_FALSE(file->ShowProperties());
    EXPECT_EQ(desktop.DialogsShown, (std::vector<std::string>{"dir", "file"}));
}

} // namespace
