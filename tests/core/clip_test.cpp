#include "items/clip.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "config/settings.h"
#include "items/cab.h"
#include "items/file.h"
#include "platform/fs.h"
#include "support/fakes.h"

namespace {

class ClipTest : public ::testing::Test {
protected:
    ~ClipTest() override { Settings() = saved; }
    TSettings saved = Settings();
    TFakeDesktop desktop;
    TTempFolder folder;
    TCabinetRoot root;

    TFile *AddFile(TTree &parent, const std::string &name, const std::string &cacheFile = "") {
        TFileData data;
        data.CacheFile = cacheFile;
        return TFile::Create(parent, data, name);
    }
};

std::vector<std::string> Names(const TClip &clip) {
    std::vector<std::string> names;
    for (size_t i = 0; i < clip.Count(); ++i)
        names.push_back(clip.Item(i) ? clip.Item(i)->Name() : "(gone)");
    return names;
}

// ---- rules ----

enum class Rule { Rename, Delete, Cut, Copy, Paste };
enum class Which { Cabinet, Dir, File };

struct RuleCase {
    const char *name;
    Rule rule;
    uint8_t kind;
    bool deletable;
    Which which;
    bool allowed;
    const char *shown; // "" for no message
};

class RuleTest : public ClipTest, public ::testing::WithParamInterface<RuleCase> {};
TEST_P(RuleTest, AnswersAndMessages) {
    const RuleCase &c = GetParam();
    TCabinet *cabinet = root.AddCabinet(c.kind, folder.Path(), "c");
    cabinet->Deletable = c.deletable;
    TDir *dir = TDir::Create(*cabinet, "http://h");
    TFile *file = AddFile(*dir, "x.html");
    TTree *item = c.which == Which::Cabinet ? static_cast<TTree *>(cabinet)
                  : c.which == Which::Dir   ? static_cast<TTree *>(dir)
                                            : file;
    bool answer = false;
    switch (c.rule) {
    case Rule::Rename:
        answer = CanRename(*item);
        break;
    case Rule::Delete:
        answer = CanDelete(*item);
        break;
    case Rule::Cut:
        answer = CanCut(*item);
        break;
    case Rule::Copy:
        answer = CanCopy(*item);
        break;
    case Rule::Paste:
        answer = CanPaste(*item);
        break;
    }
    EXPECT_EQ(answer, c.allowed);
    std::vector<std::string> expected;
    if (*c.shown)
        expected.push_back(c.shown);
    EXPECT_EQ(desktop.Shown, expected);
}
INSTANTIATE_TEST_SUITE_P(
    Clip, RuleTest,
    ::testing::Values(
        RuleCase{"renameCabinet", Rule::Rename, KindNetscape2, false, Which::Cabinet, true, ""},
        RuleCase{"renamePlainLogFile", Rule::Rename, KindPlainLog, false, Which::File, true, ""},
        RuleCase{"renameMirrorFolder", Rule::Rename, KindMirrorLog, true, Which::Dir, false,
                 "error: キャッシュおよびミラー内の項目の名前は変更できません。"},
        RuleCase{"renameCacheFile", Rule::Rename, KindMsie4, true, Which::File, false,
                 "error: キャッシュおよびミラー内の項目の名前は変更できません。"},
        RuleCase{"deleteCabinetWarns", Rule::Delete, KindNetscape1, false, Which::Cabinet, true,
                 "warning: キャビネットの登録は抹消されますが、実体は削除されません。"},
        RuleCase{"deleteFromUndeletableMirror", Rule::Delete, KindMirrorLog, false, Which::File,
                 false, "error: 指定された項目は削除できません。"},
        RuleCase{"deleteFromDeletableCache", Rule::Delete, KindNetscape2, true, Which::Dir, true,
                 ""},
        RuleCase{"cutFromUndeletableMirror", Rule::Cut, KindMirrorLog, false, Which::File, true,
                 ""},
        RuleCase{"cutFromUndeletablePlainLog", Rule::Cut, KindPlainLog, false, Which::Dir, true,
                 ""},
        RuleCase{"cutFromDeletableCache", Rule::Cut, KindMsie3, true, Which::File, true, ""},
        RuleCase{"cutFromUndeletableCache", Rule::Cut, KindNetscape2, false, Which::File, false,
                 "error: 指定された項目は切取れません。"},
        RuleCase{"copyFromCache", Rule::Copy, KindNetscape2, false, Which::File, true, ""},
        RuleCase{"pasteOnMirrorFolder", Rule::Paste, KindMirrorLog, false, Which::Dir, true, ""},
        RuleCase{"pasteOnPlainLogCabinet", Rule::Paste, KindPlainLog, false, Which::Cabinet, true,
                 ""},
        RuleCase{"pasteOnLogFile", Rule::Paste, KindPlainLog, true, Which::File, false,
                 "error: ファイルに貼り付けはできません。"},
        RuleCase{"pasteInCacheFile", Rule::Paste, KindTapline, true, Which::File, false,
                 "error: キャッシュ内の項目に貼り付けはできません。"},
        RuleCase{"pasteOnUnknownKind", Rule::Paste, KindUnknown, true, Which::Dir, false,
                 "error: キャッシュ内の項目に貼り付けはできません。"}),
    [](const auto &info) { return std::string(info.param.name); });

// ---- the per-entry check of a paste ----

struct TargetCase {
    const char *name;
    const char *source; // "log:a/" a folder path below the log, "log:a/f.txt" a file,
                        // "cache:f" a cache file
    const char *target; // a folder path below the log ("" for the cabinet)
    bool allowed;
    const char *shown;
};

class TargetTest : public ClipTest, public ::testing::WithParamInterface<TargetCase> {};
TEST_P(TargetTest, Check) {
    const TargetCase &c = GetParam();
    TCabinet *log = root.AddCabinet(KindPlainLog, folder.Path() + "log", "log");
    TCabinet *cache = root.AddCabinet(KindNetscape2, folder.Path() + "cache", "cache");
    // log: a/ b/ (inside a), ab/, A2/ ; a/f.txt ; cache: http://h/f
    TDir *a = TDir::Create(*log, "a");
    TDir *b = TDir::Create(*a, "b");
    TDir *ab = TDir::Create(*log, "ab");
    TDir *upper = TDir::Create(*log, "A2");
    TFile *f = AddFile(*a, "f.txt");
    TFile *cached = AddFile(*TDir::Create(*cache, "http://h"), "f", "M1");
    auto find = [&](std::string path) -> TTree * {
        if (path == "")
            return log;
        if (path == "a/")
            return a;
        if (path == "a/b/")
            return b;
        if (path == "ab/")
            return ab;
        if (path == "a2/")
            return upper;
        if (path == "a/f.txt")
            return f;
        if (path == "cache:f")
            return cached;
        ADD_FAILURE() << path;
        return log;
    };
    EXPECT_EQ(CheckPasteTarget(*find(c.source), *find(c.target)), c.allowed);
    std::vector<std::string> expected;
    if (*c.shown)
        expected.push_back(c.shown);
    EXPECT_EQ(desktop.Shown, expected);
}
INSTANTIATE_TEST_SUITE_P(
    Clip, TargetTest,
    ::testing::Values(TargetCase{"fileIntoItsOwnFolderStopsSilently", "a/f.txt", "a/", false, ""},
                      TargetCase{"folderIntoItself", "a/", "a/", false,
                                 "error: 受け側と送り側は同じフォルダです。処理を中止します。"},
                      TargetCase{"folderIntoItsSubfolder", "a/", "a/b/", false,
                                 "error: 受け側は送り側のサブフォルダです。処理を中止します。"},
                      TargetCase{"folderIntoSiblingWithTheSamePrefix", "a/", "ab/", true, ""},
                      TargetCase{"folderIntoItsParentIsAlreadyThere", "a/b/", "a/", false, ""},
                      TargetCase{"folderUpToTheCabinet", "a/b/", "", true, ""},
                      TargetCase{"fileIntoASubfolder", "a/f.txt", "a/b/", true, ""},
                      TargetCase{"cacheFileIntoTheLog", "cache:f", "a/", true, ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ClipTest, SameFolderComparesLettersWithoutCase) {
    TCabinet *log = root.AddCabinet(KindPlainLog, folder.Path() + "log", "log");
    TDir *a = TDir::Create(*log, "Data");
    TCabinet *other = root.AddCabinet(KindPlainLog, folder.Path() + "LOG/", "LOG");
    TDir *twin = TDir::Create(*other, "data");
    EXPECT_FALSE(CheckPasteTarget(*a, *twin));
    EXPECT_EQ(desktop.Shown, std::vector<std::string>{
                                 "error: 受け側と送り側は同じフォルダです。処理を中止します。"});
}

// ---- filling, references, membership ----

TEST_F(ClipTest, FillFromTheTreeAndFromAList) {
    TCabinet *cache = root.AddCabinet(KindNetscape2, folder.Path(), "c");
    TDir *one = TDir::Create(*cache, "http://one");
    TDir *two = TDir::Create(*cache, "http://two");
    TFile *x = AddFile(*one, "x");
    TFile *y = AddFile(*one, "y");
    TClip clip;
    clip.Fill(*cache, ClipCopy);
    EXPECT_EQ(Names(clip), (std::vector<std::string>{"http://one", "http://two"}))
        << "a cabinet node gives its servers, never itself";
    clip.SetRoot(one);
    clip.Fill(*two, ClipMove);
    EXPECT_EQ(clip.Mode, ClipMove);
    EXPECT_EQ(Names(clip), std::vector<std::string>{"http://two"});
    EXPECT_EQ(clip.Root(), nullptr) << "every fill forgets the root";
    clip.Fill({y, nullptr, x}, ClipCopy);
    EXPECT_EQ(Names(clip), (std::vector<std::string>{"y", "x"}));
    clip.Clear(ClipAdded);
    EXPECT_EQ(clip.Count(), 0u);
    EXPECT_EQ(clip.Mode, ClipAdded);
}

TEST_F(ClipTest, ContainsFilesAndEverythingBelowFolders) {
    TCabinet *cache = root.AddCabinet(KindNetscape2, folder.Path(), "c");
    TDir *server = TDir::Create(*cache, "http://h");
    TDir *a = TDir::Create(*server, "a");
    TDir *deep = TDir::Create(*TDir::Create(*a, "b"), "c");
    TFile *inDeep = AddFile(*deep, "p.html");
    TFile *lone = AddFile(*server, "lone.html");
    TFile *other = AddFile(*server, "other.html");
    TClip clip;
    clip.Fill({a, lone}, ClipCopy);
    EXPECT_TRUE(clip.Contains(*a));
    EXPECT_TRUE(clip.Contains(*deep));
    EXPECT_TRUE(clip.Contains(*inDeep));
    EXPECT_TRUE(clip.Contains(*lone));
    EXPECT_FALSE(clip.Contains(*other));
    EXPECT_FALSE(clip.Contains(*server)) << "an entry's parent is not in the batch";
    EXPECT_FALSE(clip.Contains(*cache));

    clip.AddUnique(*other);
    clip.AddUnique(*other);
    clip.AddUnique(*lone);
    EXPECT_EQ(Names(clip), (std::vector<std::string>{"a", "lone.html", "other.html"}));
}

TEST_F(ClipTest, EntriesOutliveTheirItems) {
    TCabinet *cache = root.AddCabinet(KindNetscape2, folder.Path(), "c");
    TDir *server = TDir::Create(*cache, "http://h");
    TDir *a = TDir::Create(*server, "a");
    TFile *x = AddFile(*a, "x");
    TFile *y = AddFile(*server, "y");
    TClip clip;
    clip.Fill({a, y}, ClipCopy);
    clip.SetRoot(server);
    server->DestroyChild(a);
    EXPECT_EQ(Names(clip), (std::vector<std::string>{"(gone)", "y"}));
    EXPECT_EQ(clip.Root(), server);
    // A new item never takes over a destroyed entry's identity.
    TDir *again = TDir::Create(*server, "a");
    x = AddFile(*again, "x");
    EXPECT_FALSE(clip.Contains(*again));
    EXPECT_FALSE(clip.Contains(*x));
    root.RemoveCabinet(cache);
    EXPECT_EQ(clip.Root(), nullptr);
    EXPECT_EQ(Names(clip), (std::vector<std::string>{"(gone)", "(gone)"}));
    EXPECT_EQ(clip.Item(7), nullptr);
}

TEST_F(ClipTest, ReplaceKeepsMembershipInStep) {
    TCabinet *cache = root.AddCabinet(KindNetscape2, folder.Path(), "c");
    TDir *server = TDir::Create(*cache, "http://h");
    TFile *x = AddFile(*server, "x");
    TFile *y = AddFile(*server, "y");
    TClip clip;
    clip.Fill({x, x}, ClipCopy);
    clip.Replace(0, y);
    EXPECT_TRUE(clip.Contains(*x)) << "the second entry still holds x";
    clip.Replace(1, y);
    EXPECT_FALSE(clip.Contains(*x));
    EXPECT_TRUE(clip.Contains(*y));
}

// ---- folder chains ----

TEST_F(ClipTest, MakeFolderPathRecreatesTheChainBelowTheRoot) {
    TCabinet *cache = root.AddCabinet(KindNetscape2, folder.Path() + "cache", "cache");
    TCabinet *log = root.AddCabinet(KindPlainLog, folder.Path() + "log", "log");
    TCabinet *mirror = root.AddCabinet(KindMirrorLog, folder.Path() + "mirror", "mirror");
    fs::CreateFolder(log->Path);
    fs::CreateFolder(mirror->Path);
    TDir *server = TDir::Create(*cache, "http://h:80");
    TDir *a = TDir::Create(*server, "a");
    TDir *b = TDir::Create(*a, "b");

    EXPECT_EQ(MakeFolderPath(*log, nullptr, *b), log);
    EXPECT_EQ(MakeFolderPath(*log, b, *b), log);
    EXPECT_EQ(MakeFolderPath(*log, log, *b), log) << "a root that is no ancestor adds nothing";

    TTree *inLog = MakeFolderPath(*log, cache, *b);
    EXPECT_EQ(inLog->GetLocalPath(), log->Path + "http=h$80/a/b/");
    EXPECT_EQ(log->Children()[0]->Name(), "http=h$80") << "a plain log names by LocalName";
    EXPECT_TRUE(fs::FolderExists(inLog->GetLocalPath()));
    EXPECT_EQ(MakeFolderPath(*log, cache, *b), inLog) << "found again, not made twice";
    EXPECT_EQ(log->ChildCount(), 1u);

    TTree *inMirror = MakeFolderPath(*mirror, server, *b);
    EXPECT_EQ(inMirror->GetLocalPath(), mirror->Path + "a/b/");
    TTree *serverInMirror = MakeFolderPath(*mirror, cache, *a);
    EXPECT_EQ(serverInMirror->Parent()->Name(), "http://h:80") << "a mirror names by Name";
    EXPECT_EQ(serverInMirror->GetURL(), "http://h:80/a/");
}

TEST_F(ClipTest, AFileBlocksAFolderOfTheChain) {
    TCabinet *cache = root.AddCabinet(KindNetscape2, folder.Path() + "cache", "cache");
    TCabinet *log = root.AddCabinet(KindPlainLog, folder.Path() + "log", "log");
    TDir *a = TDir::Create(*TDir::Create(*cache, "http://h"), "a");
    TFile *blocker = AddFile(*log, "http=h");
    EXPECT_EQ(MakeFolderPath(*log, cache, *a), blocker);
    EXPECT_EQ(log->ChildCount(), 1u);
}

TEST_F(ClipTest, HostileNamesNeverLeaveTheTarget) {
    TCabinet *cache = root.AddCabinet(KindNetscape2, folder.Path() + "cache", "cache");
    TCabinet *log = root.AddCabinet(KindPlainLog, folder.Path() + "log", "log");
    fs::CreateFolder(log->Path);
    TDir *deepest = TDir::Create(*cache, "http://h");
    for (const char *name : {"..", ".", "../..", "", "a/../../b", "\x01", "..\\.."})
        deepest = TDir::Create(*deepest, name);
    TTree *made = MakeFolderPath(*log, cache, *deepest);
    EXPECT_TRUE(fs::IsInsideFolder(log->Path, made->GetLocalPath())) << made->GetLocalPath();
    EXPECT_TRUE(fs::FolderExists(made->GetLocalPath()));
    std::vector<std::string> top;
    for (const auto &entry : std::filesystem::directory_iterator(folder.Path()))
        top.push_back(entry.path().filename().string());
    std::sort(top.begin(), top.end());
    EXPECT_EQ(top, std::vector<std::string>{"log"}) << "nothing written beside the log";
}

// ---- delete lists and new folders ----

TEST_F(ClipTest, DeleteLists) {
    TCabinet *log = root.AddCabinet(KindPlainLog, folder.Path() + "log", "log");
    TDir *a = TDir::Create(*log, "a");
    TFile *f = AddFile(*a, "f.txt");
    EXPECT_EQ(DeleteList(*a), log->Path + "a" + '\0');
    EXPECT_EQ(DeleteList(*f), log->Path + "a/f.txt" + '\0');
    EXPECT_EQ(DeleteList(*log), "") << "a cabinet's folder is never deleted";

    TCabinet *cache = root.AddCabinet(KindNetscape2, folder.Path() + "cache/", "cache");
    TDir *server = TDir::Create(*cache, "http://h");
    TDir *sub = TDir::Create(*server, "sub");
    AddFile(*server, "one", "M1");
    AddFile(*sub, "two", "M2");
    AddFile(*server, "missing", "M3");
    AddFile(*server, "three", "M4");
    std::string m1 = folder.Write("cache/M1", "1");
    std::string m2 = folder.Write("cache/M2", "2");
    std::string m4 = folder.Write("cache/M4", "4");
    EXPECT_EQ(DeleteList(*server), m4 + '\0' + m1 + '\0' + m2 + '\0')
        << "last child first, missing files left out";
    EXPECT_EQ(DeleteList(*cache), "");
}

TEST_F(ClipTest, TwoNewFoldersShareTheirFolderOnDisk) {
    TCabinet *log = root.AddCabinet(KindPlainLog, folder.Path() + "log", "log");
    fs::CreateFolder(log->Path);
    TTree *first = AddNewFolder(*log);
    TTree *second = AddNewFolder(*log);
    EXPECT_NE(first, second);
    EXPECT_EQ(first->Name(), "新しいフォルダ");
    EXPECT_EQ(second->Name(), "新しいフォルダ");
    EXPECT_EQ(log->ChildCount(), 2u);
    EXPECT_TRUE(fs::FolderExists(log->Path + "新しいフォルダ"));
}

} // namespace
