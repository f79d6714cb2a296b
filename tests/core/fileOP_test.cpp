#include "fileops/fileOP.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "config/settings.h"
#include "items/cab.h"
#include "items/copySeam.h"
#include "platform/error.h"
#include "platform/fs.h"
#include "stores/cache.h"
#include "support/fakes.h"

namespace {

std::string ReadText(const std::string &path) {
    std::string bytes;
    fs::ReadWholeFile(path, bytes);
    return bytes;
}

// Every regular file below a folder, relative to it, sorted.
std::vector<std::string> FilesBelow(const std::string &folder) {
    std::vector<std::string> files;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
         it != std::filesystem::recursive_directory_iterator(); ++it)
        if (it->is_regular_file())
            files.push_back(std::filesystem::relative(it->path(), folder).string());
    std::sort(files.begin(), files.end());
    return files;
}

// Every file item below an item, as local paths relative to the cabinet folder, sorted.
std::vector<std::string> FileItemsBelow(const TCabinet &cabinet) {
    std::vector<std::string> files;
    ForEachDescendant(cabinet, [&](const TTree &t) {
        if (t.IsFile())
            files.push_back(t.GetLocalPath().substr(cabinet.Path.size()));
    });
    std::sort(files.begin(), files.end());
    return files;
}

class FileOpTest : public ::testing::Test {
protected:
    FileOpTest() {
        InstallCopyEngine();
        CancelRequested = false;
        OverwriteAll = false;
        AddedFiles().Clear(ClipAdded);
        cache = root.AddCabinet(KindNetscape2, folder.Path() + "cache", "cache");
        log = root.AddCabinet(KindPlainLog, folder.Path() + "log", "log");
        mirror = root.AddCabinet(KindMirrorLog, folder.Path() + "mirror", "mirror");
        fs::CreateFolder(cache->Path);
        fs::CreateFolder(log->Path);
        fs::CreateFolder(mirror->Path);
    }
    ~FileOpTest() override {
        SetCopyEngine(nullptr);
        AddedFiles().Clear(ClipAdded);
        CancelRequested = false;
        OverwriteAll = false;
        Settings() = saved;
    }
    TSettings saved = Settings();
    TFakeDesktop desktop;
    TTempFolder folder;
    TCabinetRoot root;
    TCabinet *cache;
    TCabinet *log;
    TCabinet *mirror;
    int cacheFiles = 0;

    // A cached file with its bytes on disk.
    TFile *Cached(const std::string &url, const std::string &bytes,
                  const std::string &contentType = "text/plain") {
        TFileData data;
        data.CacheFile = "M" + std::to_string(++cacheFiles);
        data.URL = url;
        data.ContentType = contentType;
        data.Size = static_cast<int32_t>(bytes.size());
        folder.Write("cache/" + data.CacheFile, bytes);
        return AddURL(*cache, url, data);
    }
    // A file of a log, in the tree and on disk.
    TFile *Logged(TCabinet &cabinet, const std::string &url, const std::string &bytes) {
        TFileData data;
        data.URL = url;
        data.ContentType = "text/plain";
        TFile *file = AddURL(cabinet, url, data);
        std::filesystem::create_directories(
            std::filesystem::path(file->GetLocalPath()).parent_path());
        std::ofstream(file->GetLocalPath(), std::ios::binary) << bytes;
        return file;
    }
    TTree *Paste(std::vector<TTree *> items, uint8_t mode, TTree &target,
                 TTree *clipRoot = nullptr) {
        clip.Fill(items, mode);
        clip.SetRoot(clipRoot);
        return clip.Paste(target);
    }
    TClip clip;
};

// ---- where a pasted file lands ----

struct LandCase {
    const char *name;
    bool intoMirror;
    bool intoFolder;  // into folder T (made first) instead of the cabinet
    const char *root; // "", "cabinet", "server", "a"
    const char *landsAt;
};

class LandTest : public FileOpTest, public ::testing::WithParamInterface<LandCase> {};
TEST_P(LandTest, Copy) {
    const LandCase &c = GetParam();
    TFile *b = Cached("http://h/a/b.txt", "bytes of b");
    TCabinet *into = c.intoMirror ? mirror : log;
    TTree *target = into;
    if (c.intoFolder) {
        target = TDir::Create(*into, "T");
        CreateFolderOnDisk(*target);
    }
    std::string r = c.root;
    TTree *clipRoot = r == "cabinet"  ? static_cast<TTree *>(cache)
                      : r == "server" ? b->Parent()->Parent()
                      : r == "a"      ? b->Parent()
                                      : nullptr;
    EXPECT_EQ(Paste({b}, ClipCopy, *target, clipRoot), nullptr);
    EXPECT_EQ(FilesBelow(into->Path), std::vector<std::string>{c.landsAt});
    EXPECT_EQ(FileItemsBelow(*into), std::vector<std::string>{c.landsAt});
    EXPECT_EQ(ReadText(into->Path + c.landsAt), "bytes of b");
    EXPECT_TRUE(desktop.Shown.empty());
    EXPECT_EQ(desktop.WindowLog.front(), "open");
    EXPECT_EQ(desktop.WindowLog[1], "caption:ファイルのコピー");
    EXPECT_EQ(desktop.WindowLog.back(), "close");
    EXPECT_EQ(FileOpWindow, nullptr);
}
INSTANTIATE_TEST_SUITE_P(
    FileOp, LandTest,
    ::testing::Values(
        LandCase{"mirrorCabinet", true, false, "", "http=h/a/b.txt"},
        LandCase{"anyFolderOfAMirror", true, true, "a", "http=h/a/b.txt"},
        LandCase{"plainFolderFromTheExplorer", false, true, "", "T/b.txt"},
        LandCase{"plainFolderFromAListOfItsFolder", false, true, "a", "T/b.txt"},
        LandCase{"plainFolderFromAListOfTheServer", false, true, "server", "T/a/b.txt"},
        LandCase{"plainCabinetFromAListOfTheCache", false, false, "cabinet", "http=h/a/b.txt"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(FileOpTest, CopiedFolderFromAPlainLogIntoAMirrorKeepsItsPlace) {
    TFile *x = Logged(*log, "sub/x.txt", "x");
    TTree *target = TDir::Create(*mirror, "T");
    CreateFolderOnDisk(*target);
    Paste({x->Parent()}, ClipCopy, *target);
    EXPECT_EQ(FilesBelow(mirror->Path), std::vector<std::string>{"T/sub/x.txt"})
        << "items of a plain log land where they were pasted, even in a mirror";
}

// ---- plain copies: progress and the choice of copy ----

struct ProgressCase {
    const char *name;
    size_t size;
    const char *range;
    int steps;
};

class ProgressTest : public FileOpTest, public ::testing::WithParamInterface<ProgressCase> {};
TEST_P(ProgressTest, BlocksOf1024) {
    std::string bytes(GetParam().size, 'z');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>('a' + i % 26);
    TFile *f = Cached("http://h/f.bin", bytes, "application/octet-stream");
    Paste({f}, ClipCopy, *mirror);
    std::vector<std::string> expected{"open", "caption:ファイルのコピー",
                                      "header:f.bin  を|" + cache->Path + "M1  から|" +
                                          mirror->Path + "http=h/f.bin  へ",
                                      GetParam().range, "close"};
    EXPECT_EQ(desktop.WindowLog, expected);
    EXPECT_EQ(desktop.StepCalls, GetParam().steps);
    EXPECT_EQ(ReadText(mirror->Path + "http=h/f.bin"), bytes);
}
INSTANTIATE_TEST_SUITE_P(FileOp, ProgressTest,
                         ::testing::Values(ProgressCase{"empty", 0, "range:0", 0},
                                           ProgressCase{"bytes1023", 1023, "range:0", 1},
                                           ProgressCase{"bytes1024", 1024, "range:1", 1},
                                           ProgressCase{"bytes3000", 3000, "range:2", 3},
                                           ProgressCase{"bytes200000", 200000, "range:195", 196}),
                         [](const auto &info) { return std::string(info.param.name); });

struct ChoiceCase {
    const char *name;
    bool fromPlainLog;
    const char *contentType;
    bool intoMirror;
    bool copyConv;
    bool converted;
};

class ChoiceTest : public FileOpTest, public ::testing::WithParamInterface<ChoiceCase> {};
TEST_P(ChoiceTest, PlainOrConverting) {
    const ChoiceCase &c = GetParam();
    Settings().OpCopyConv = c.copyConv;
    const std::string page = "<HTML><A HREF=\"x.html\">x</A></HTML>\r\n";
    TFile *source;
    if (c.fromPlainLog) {
        TCabinet *other = root.AddCabinet(KindPlainLog, folder.Path() + "other", "other");
        source = Logged(*other, "http=h/p.html", page);
        source->ContentType = c.contentType;
    } else {
        source = Cached("http://h/p.html", page, c.contentType);
    }
    TTree *target = c.intoMirror ? static_cast<TTree *>(mirror) : log;
    TTree *copy = source->CopyTo(*target);
    ASSERT_NE(copy, nullptr);
    // A converted page has its links rewritten, so it never equals its source.
    EXPECT_EQ(ReadText(copy->GetLocalPath()) != page, c.converted);
}
INSTANTIATE_TEST_SUITE_P(
    FileOp, ChoiceTest,
    ::testing::Values(ChoiceCase{"cachedPageIntoMirror", false, "text/html", true, false, true},
                      ChoiceCase{"cachedPageIntoPlainLog", false, "text/html", false, false, false},
                      ChoiceCase{"cachedPageIntoPlainLogWithConversion", false, "text/html", false,
                                 true, true},
                      ChoiceCase{"cachedPictureIntoMirror", false, "image/gif", true, true, false},
                      ChoiceCase{"plainLogPageIntoMirror", true, "", true, true, false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(FileOpTest, UnreadableSourceIsReportedAndTheBatchGoesOn) {
    TFile *gone = Cached("http://h/gone.txt", "g");
    TFile *kept = Cached("http://h/kept.txt", "k");
    std::filesystem::remove(cache->Path + gone->CacheFile);
    Paste({gone, kept}, ClipCopy, *log);
    EXPECT_EQ(desktop.Shown,
              std::vector<std::string>{"error: ファイル " + cache->Path + "M1 が開けません。"});
    EXPECT_EQ(FilesBelow(log->Path), std::vector<std::string>{"kept.txt"});
    EXPECT_EQ(FileItemsBelow(*log), (std::vector<std::string>{"gone.txt", "kept.txt"}))
        << "the item made for the copy stays";
}

// ---- the target file ----

TEST_F(FileOpTest, TargetFileReplacesOnlyOnCommit) {
    TFile *old = Logged(*log, "t.txt", "previous");
    for (bool commit : {false, true}) {
        SCOPED_TRACE(commit);
        {
            TTargetFile out;
            ASSERT_TRUE(out.Create(*old));
            EXPECT_TRUE(out.Write("first part, "));
            EXPECT_TRUE(out.Write(std::string(100000, '.')));
            EXPECT_TRUE(out.Truncate(6));
            EXPECT_TRUE(out.Write("|<BASE>"));
            EXPECT_TRUE(out.Truncate(7));
            EXPECT_TRUE(out.Write("done"));
            EXPECT_EQ(out.Size(), 11u);
            EXPECT_EQ(ReadText(old->GetLocalPath()), "previous") << "nothing replaced yet";
            if (commit) {
                EXPECT_TRUE(out.Commit());
            }
        }
        EXPECT_EQ(ReadText(old->GetLocalPath()), commit ? "first |done" : "previous");
        EXPECT_EQ(FilesBelow(log->Path), std::vector<std::string>{"t.txt"})
            << "no temporary file is left behind";
    }
}

TEST_F(FileOpTest, TargetFileRefusesPathsOutsideItsCabinet) {
    TCabinet *rootless = root.AddCabinet(KindPlainLog, "", "rootless");
    TFile *nowhere = TFile::Create(*rootless, TFileData(), "x");
    TTargetFile out;
    EXPECT_FALSE(out.Create(*nowhere));
    EXPECT_FALSE(out.Write("x"));
    EXPECT_FALSE(out.Commit());
}

// ---- mends: failed copies, copies onto themselves, hostile names ----

TEST_F(FileOpTest, FailedOverwriteKeepsThePreviousFileAndData) {
    TFile *existing = Logged(*log, "b.txt", "previous copy");
    existing->Size = 13;
    TFile *b = Cached("http://h/b.txt", "new bytes");
    std::filesystem::remove(cache->Path + b->CacheFile);
    desktop.NextAnswers = {TAnswer::Yes};
    Paste({b}, ClipCopy, *log);
    EXPECT_EQ(desktop.Asked.size(), 1u);
    EXPECT_EQ(ReadText(existing->GetLocalPath()), "previous copy");
    EXPECT_EQ(existing->Size, 13) << "the item keeps the data of the file it still has";
    EXPECT_EQ(existing->URL, "b.txt");
    EXPECT_EQ(desktop.Shown.size(), 1u);
}

TEST_F(FileOpTest, OverwriteTakesTheIncomingData) {
    TFile *existing = Logged(*log, "b.txt", "previous copy");
    TFile *b = Cached("http://h/b.txt", "new bytes");
    desktop.NextAnswers = {TAnswer::Yes};
    Paste({b}, ClipCopy, *log);
    EXPECT_EQ(ReadText(existing->GetLocalPath()), "new bytes");
    EXPECT_EQ(existing->URL, "http://h/b.txt");
    EXPECT_EQ(existing->CacheFile, "M1");
}

TEST_F(FileOpTest, AFileIsNeverCopiedOntoItself) {
    // A mirror's file pasted anywhere in the same mirror goes back to its own place.
    TFile *m = Logged(*mirror, "http://h/a/m.txt", "mirror bytes");
    TTree *elsewhere = TDir::Create(*mirror, "elsewhere");
    desktop.NextAnswers = {TAnswer::Yes};
    Paste({m}, ClipCopy, *elsewhere);
    EXPECT_EQ(desktop.Asked.size(), 1u);
    EXPECT_EQ(ReadText(m->GetLocalPath()), "mirror bytes");
    EXPECT_TRUE(desktop.Shown.empty());

    // The same file under two names (a hard link) is not copied and not moved either.
    TFile *linked = Logged(*log, "dir/l.txt", "linked bytes");
    TFile *twin = Logged(*log, "l.txt", "");
    std::filesystem::remove(twin->GetLocalPath());
    std::filesystem::create_hard_link(linked->GetLocalPath(), twin->GetLocalPath());
    desktop.NextAnswers = {TAnswer::Yes};
    Paste({linked}, ClipMove, *log);
    EXPECT_EQ(ReadText(twin->GetLocalPath()), "linked bytes");
    EXPECT_TRUE(fs::FileExists(log->Path + "dir/l.txt")) << "a move keeps what did not arrive";
}

TEST_F(FileOpTest, NamesFromAnIndexNeverWriteOutsideTheTarget) {
    for (const char *url : {"http://h/../../x1", "http://h/./../x2", "http://../x3",
                            "http://h/a/..\\..\\x4", "http://h/%2e%2e/x5", "http://h/a/\x01/x6"})
        Cached(url, url);
    TTree *target = TDir::Create(*log, "T");
    CreateFolderOnDisk(*target);
    for (TTree *into : {static_cast<TTree *>(mirror), target}) {
        clip.Fill(*cache, ClipCopy);
        clip.SetRoot(cache);
        clip.Paste(*into);
    }
    std::vector<std::string> top;
    for (const auto &entry : std::filesystem::directory_iterator(folder.Path()))
        top.push_back(entry.path().filename().string());
    std::sort(top.begin(), top.end());
    EXPECT_EQ(top, (std::vector<std::string>{"cache", "log", "mirror"}));
    std::vector<std::string> expected{"http=../x3",     "http=h/%2e%2e/x5", "http=h/--/--/x1",
                                      "http=h/-/--/x2", "http=h/a/-/x6",    "http=h/a/..-..-x4"};
    EXPECT_EQ(FilesBelow(mirror->Path), expected);
    EXPECT_EQ(FilesBelow(log->Path + "T"), expected);
    EXPECT_TRUE(desktop.Shown.empty());
}

// ---- moves ----

TEST_F(FileOpTest, MovingACachedFileDeletesItWithoutAsking) {
    TFile *b = Cached("http://h/a/b.txt", "b");
    std::string cached = b->GetLocalPath();
    TTree *refresh = Paste({b}, ClipMove, *log, b->Parent());
    EXPECT_EQ(refresh, b->Parent()) << "a move returns its root for refreshing";
    EXPECT_FALSE(fs::PathExists(cached));
    EXPECT_TRUE(desktop.Trashed.empty());
    EXPECT_EQ(desktop.WindowLog[1], "caption:ファイルの移動");
    EXPECT_EQ(ReadText(log->Path + "b.txt"), "b");
    EXPECT_EQ(clip.Mode, ClipCopy);
    ASSERT_NE(clip.Item(0), nullptr);
    EXPECT_EQ(clip.Item(0)->GetLocalPath(), log->Path + "b.txt") << "the entry is the copy";
}

TEST_F(FileOpTest, MovingWithinLogsRemovesTheSourceItems) {
    Settings().OpDeleteDB = true;
    TFile *x = Logged(*log, "a/x.txt", "x");
    Logged(*log, "a/y.txt", "y");
    TTree *a = x->Parent();
    Paste({a}, ClipMove, *mirror);
    EXPECT_EQ(FilesBelow(log->Path), std::vector<std::string>{});
    EXPECT_EQ(log->ChildCount(), 0u) << "the source folder left the tree with its files";
    EXPECT_EQ(FilesBelow(mirror->Path), (std::vector<std::string>{"a/x.txt", "a/y.txt"}));
    EXPECT_EQ(FileItemsBelow(*mirror), (std::vector<std::string>{"a/x.txt", "a/y.txt"}));
}

TEST_F(FileOpTest, AMoveKeepsSourcesThatDidNotArrive) {
    // The copy cannot be written: a folder on disk holds the target's name.
    TFile *blocked = Cached("http://h/blocked.txt", "blocked");
    std::filesystem::create_directories(log->Path + "blocked.txt/inside");
    // The user keeps the existing file.
    TFile *refused = Cached("http://h/refused.txt", "refused");
    Logged(*log, "refused.txt", "old");
    TFile *fine = Cached("http://h/fine.txt", "fine");
    desktop.NextAnswers = {TAnswer::No};
    Paste({blocked, refused, fine}, ClipMove, *log);
    EXPECT_TRUE(fs::FileExists(blocked->GetLocalPath()));
    EXPECT_TRUE(fs::FileExists(refused->GetLocalPath()));
    EXPECT_EQ(ReadText(log->Path + "refused.txt"), "old");
    EXPECT_FALSE(fs::FileExists(fine->GetLocalPath()));
    EXPECT_EQ(desktop.Shown, std::vector<std::string>{"error: ファイル " + log->Path +
                                                      "blocked.txt が開けません。"});
    EXPECT_EQ(clip.Item(0), blocked) << "an entry that did not move stays the source";
    EXPECT_EQ(clip.Item(2)->GetKind(), KindPlainLog);
}

// ---- cancel ----

TEST_F(FileOpTest, CancelFinishesTheCurrentFileAndSkipsTheRest) {
    TFile *one = Cached("http://h/1.txt", std::string(5000, '1'));
    TFile *two = Cached("http://h/2.txt", std::string(5000, '2'));
    TFile *three = Cached("http://h/3.txt", "3");
    TFile *linked = Cached("http://h/linked.txt", "l");
    desktop.OnHeader = [&](int n) {
        if (n == 1)
            AddedFiles().AddUnique(*linked); // as the converting copy collects a link
        if (n == 2)
            CancelRequested = true; // "Cancel" pressed while the second file is copied
    };
    Paste({one, two, three}, ClipCopy, *log);
    EXPECT_TRUE(CancelRequested);
    EXPECT_EQ(FilesBelow(log->Path), (std::vector<std::string>{"1.txt", "2.txt"}));
    EXPECT_EQ(FileItemsBelow(*log), FilesBelow(log->Path)) << "the tree matches the disk";
    EXPECT_EQ(ReadText(log->Path + "2.txt"), std::string(5000, '2'));
    EXPECT_EQ(desktop.Headers, 2) << "the added files were not copied";
    EXPECT_EQ(std::count(desktop.WindowLog.begin(), desktop.WindowLog.end(), "close"), 1);
    EXPECT_TRUE(desktop.Shown.empty()) << "a cancel is never shown";
}

TEST_F(FileOpTest, CancelInTheOverwriteQuestion) {
    TFile *one = Cached("http://h/1.txt", "new 1");
    TFile *two = Cached("http://h/2.txt", "new 2");
    TFile *three = Cached("http://h/3.txt", "new 3");
    Logged(*log, "2.txt", "old 2");
    TFile *linked = Cached("http://h/linked.txt", "l");
    desktop.OnHeader = [&](int) { AddedFiles().AddUnique(*linked); };
    desktop.NextAnswers = {TAnswer::Cancel};
    Paste({one, two, three}, ClipMove, *log);
    EXPECT_TRUE(CancelRequested);
    EXPECT_EQ(FilesBelow(log->Path), (std::vector<std::string>{"1.txt", "2.txt"}));
    EXPECT_EQ(ReadText(log->Path + "2.txt"), "old 2");
    EXPECT_FALSE(fs::FileExists(one->GetLocalPath())) << "the first was moved completely";
    EXPECT_TRUE(fs::FileExists(two->GetLocalPath()));
    EXPECT_TRUE(fs::FileExists(three->GetLocalPath()));
    EXPECT_EQ(clip.Mode, ClipCopy);
    EXPECT_EQ(clip.Item(1), two);
    EXPECT_TRUE(desktop.Shown.empty());

    // The next paste starts afresh.
    desktop.OnHeader = nullptr;
    desktop.NextAnswers = {TAnswer::No};
    clip.Fill({three}, ClipCopy);
    clip.Paste(*log);
    EXPECT_FALSE(CancelRequested);
    EXPECT_TRUE(fs::FileExists(log->Path + "3.txt"));
}

// ---- the added-files batch ----

TEST_F(FileOpTest, AddedFilesLandAtTheirPathsOneLevelDeep) {
    for (bool copyDir : {false, true}) {
        SCOPED_TRACE(copyDir);
        Settings().OpCopyDir = copyDir;
        TCabinet *into =
            root.AddCabinet(KindPlainLog, folder.Path() + "into" + std::to_string(copyDir), "i");
        fs::CreateFolder(into->Path);
        TTree *t = TDir::Create(*into, "T");
        CreateFolderOnDisk(*t);
        TFile *page = Cached("http://h/p" + std::to_string(copyDir) + ".txt", "p");
        TFile *linked = Cached("http://h/d/l" + std::to_string(copyDir) + ".txt", "l");
        TFile *deeper = Cached("http://h/d/deep" + std::to_string(copyDir) + ".txt", "d");
        std::vector<std::string> prefixes;
        desktop.OnHeader = [&](int) {
            prefixes.push_back(FileOpWindow->LinkPrefix + (FileOpWindow->AddedPass ? "+" : "-"));
            if (!FileOpWindow->AddedPass)
                AddedFiles().AddUnique(*linked);
            else
                AddedFiles().AddUnique(*deeper); // found in an added file: not followed
        };
        Paste({page}, ClipCopy, *t);
        std::string base = copyDir ? "T/" : "";
        std::vector<std::string> expected{base + "http=h/d/l" + std::to_string(copyDir) + ".txt",
                                          "T/p" + std::to_string(copyDir) + ".txt"};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(FilesBelow(into->Path), expected);
        std::string prefix = "file:///" + PathToURL(into->Path + base);
        EXPECT_EQ(prefixes, (std::vector<std::string>{prefix + "-", prefix + "+"}));
        EXPECT_EQ(AddedFiles().Count(), 2u) << "the batch keeps what it collected";
        desktop.OnHeader = nullptr;
    }
    EXPECT_NE(std::find(desktop.WindowLog.begin(), desktop.WindowLog.end(),
                        "caption:リンクされたファイルのコピー"),
              desktop.WindowLog.end());
}

TEST_F(FileOpTest, OverwriteAllHoldsForOneBatchOnly) {
    Settings().OpCopyDelay = 2;
    TFile *one = Cached("http://h/1.txt", "new 1");
    TFile *two = Cached("http://h/2.txt", "new 2");
    TFile *linked = Cached("http://h/3.txt", "new 3");
    for (const char *name : {"1.txt", "2.txt", "http=h/3.txt"})
        Logged(*log, name, "old");
    desktop.OnHeader = [&](int) {
        if (!FileOpWindow->AddedPass)
            AddedFiles().AddUnique(*linked);
    };
    desktop.NextAnswers = {TAnswer::All, TAnswer::No};
    Paste({one, two}, ClipCopy, *log);
    EXPECT_EQ(desktop.Asked.size(), 2u) << "asked once per batch";
    EXPECT_EQ(ReadText(log->Path + "2.txt"), "new 2");
    EXPECT_EQ(ReadText(log->Path + "http=h/3.txt"), "old");
}

// ---- robustness of the run ----

TEST_F(FileOpTest, DestroyedEntriesAndNestedPastes) {
    TFile *gone = Cached("http://h/gone.txt", "g");
    TFile *kept = Cached("http://h/kept.txt", "k");
    clip.Fill({gone, kept}, ClipCopy);
    gone->Parent()->DestroyChild(gone);
    TClip other;
    other.Fill({kept}, ClipCopy);
    TTree *nested = log; // a paste started from another window while this one copies
    desktop.OnHeader = [&](int) { EXPECT_EQ(other.Paste(*nested), nullptr); };
    clip.Paste(*log);
    EXPECT_EQ(FilesBelow(log->Path), std::vector<std::string>{"kept.txt"});
    EXPECT_EQ(desktop.Headers, 1);
    EXPECT_TRUE(desktop.Shown.empty());
}

TEST_F(FileOpTest, TheFirstRefusedEntryEndsTheBatch) {
    TFile *here = Logged(*log, "here.txt", "h");
    TFile *b = Cached("http://h/b.txt", "b");
    Paste({here, b}, ClipCopy, *log);
    EXPECT_EQ(FilesBelow(log->Path), std::vector<std::string>{"here.txt"});
    EXPECT_TRUE(desktop.WindowLog.empty() || desktop.Headers == 0);
}

// ---- deleting ----

TEST_F(FileOpTest, DeleteFilesWithAndWithoutUndo) {
    std::string a = folder.Write("del/a.txt", "a");
    std::string sub = folder.Path() + "del/sub";
    folder.Write("del/sub/b.txt", "b");
    DeleteFiles(a + '\0' + sub + '\0' + '\0', true);
    EXPECT_EQ(desktop.Trashed, (std::vector<std::string>{a, sub}));
    EXPECT_TRUE(fs::FileExists(a)) << "the fake desktop's user said no";
    DeleteFiles(a + '\0' + sub + '\0' + '\0', false);
    EXPECT_FALSE(fs::PathExists(a));
    EXPECT_FALSE(fs::PathExists(sub));
    // A list without its final NUL, relative paths and the root are taken with care.
    std::string c = folder.Write("del/c.txt", "c");
    DeleteFiles(std::string("/") + '\0' + "relative" + '\0' + c, false);
    EXPECT_FALSE(fs::PathExists(c));
    EXPECT_TRUE(fs::FolderExists("/"));
    EXPECT_EQ(desktop.Trashed.size(), 2u);
}

} // namespace
