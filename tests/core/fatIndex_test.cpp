#include "stores/fatIndex.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "items/cab.h"
#include "items/file.h"
#include "items/unixTime.h"
#include "platform/fs.h"
#include "stores/cache.h"
#include "support/fakes.h"

namespace {

const std::string Header = std::string(FatIndexSignature) + "\r\n";
const std::string WriteError = "error: ミラーログのデータベースが作成できません。";

std::string ReadError(const std::string &path) {
    return "error: ファイル内のキャッシュデータが読めません。\r\nFile : " + path;
}

// One index line as the writer lays it out.
std::string Line(int32_t modified, int32_t accessed, const std::string &cacheFile,
                 const std::string &url, const std::string &type, int32_t size) {
    return "0\t" + std::to_string(modified) + "\t" + std::to_string(accessed) + "\t" + cacheFile +
           "\t" + url + "\t" + type + "\t\t" + std::to_string(size) + "\t\t\t\r\n";
}

// Every file below the cabinet as "link path|size|modified|accessed|type|root|cache file",
// sorted, with the times as Unix seconds.
std::vector<std::string> Describe(const TTree &cabinet) {
    std::vector<std::string> rows;
    ForEachDescendant(cabinet, [&](const TTree &item) {
        if (!item.IsFile())
            return;
        const auto &file = static_cast<const TFile &>(item);
        rows.push_back(file.GetLinkPath() + "|" + std::to_string(file.Size) + "|" +
                       std::to_string(DateTimeToUnix(file.Modified)) + "|" +
                       std::to_string(DateTimeToUnix(file.Accessed)) + "|" + file.ContentType +
                       "|" + std::to_string(file.RootPage) + "|" + file.CacheFile);
    });
    std::sort(rows.begin(), rows.end());
    return rows;
}

TFile *File(TCabinet &cabinet, const std::string &url, int32_t size, int32_t modified,
            int32_t accessed, const std::string &type) {
    TFileData data;
    data.Size = size;
    data.Modified = UnixToDateTime(modified);
    data.Accessed = UnixToDateTime(accessed);
    data.ContentType = type;
    data.URL = url;
    return AddURL(cabinet, url, data);
}

class FatIndexTest : public ::testing::Test {
protected:
    TFakeDesktop desktop;
    TTempFolder folder;
    TCabinetRoot root;
    TCabinet *cabinet = root.AddCabinet(KindMirrorLog, folder.Path(), "mirror");

    std::string Index() const { return folder.Path() + "trfat.db"; }
    // Reads the text as an index into a fresh cabinet.
    TCabinet &ReadText(const std::string &text) {
        TCabinet *fresh = root.AddCabinet(KindMirrorLog, folder.Path(), "read");
        ReadFatIndex(*fresh, folder.Write("trfat.db", text));
        return *fresh;
    }
    static std::string Contents(const std::string &path) {
        std::string text;
        fs::ReadWholeFile(path, text);
        return text;
    }
};

TEST_F(FatIndexTest, WrittenIndexReadsBackIntoTheSameItems) {
    File(*cabinet, "http://www.a.example/index.html", 1200, 867000000, 867100000, "text/html");
    File(*cabinet, "http://www.a.example/", 300, 867000001, 867100001, "text/html");
    File(*cabinet, "http://www.a.example/img/bird.gif", 90, -5, 2147483647, "image/gif");
    File(*cabinet, "ftp://ftp.b.example:21/pub/readme.txt", 0, 1, 1, "");
    File(*cabinet, "http://www.a.example/cgi/q?x=1", -7, 867000002, 867000003, "text/plain");
    ASSERT_TRUE(WriteFatIndex(*cabinet, Index()));
    EXPECT_TRUE(desktop.Shown.empty());

    TCabinet &back = ReadText(Contents(Index()));
    EXPECT_TRUE(back.IndexComplete);
    EXPECT_TRUE(desktop.Shown.empty());
    // The cache file of a mirror-log entry is its link path.
    std::vector<std::string> expected = Describe(*cabinet);
    for (auto &row : expected) {
        std::string link = row.substr(0, row.find('|'));
        row += link;
    }
    EXPECT_EQ(Describe(back), expected);
    TTree *server = FindChild(back, "http://www.a.example");
    ASSERT_NE(server, nullptr);
    auto *rootPage = dynamic_cast<TFile *>(FindChild(*server, RootPageName));
    ASSERT_NE(rootPage, nullptr);
    EXPECT_EQ(rootPage->RootPage, 1);
    EXPECT_EQ(rootPage->GetURL(), "http://www.a.example/");
    EXPECT_EQ(rootPage->URL, "http://www.a.example/");
}

TEST_F(FatIndexTest, WritesOneLineOfElevenSeparatorsPerFileLastChildFirst) {
    File(*cabinet, "http://h.example/a.html", 12, 867000000, 867000060, "text/html");
    File(*cabinet, "http://h.example/d/b.gif", 34, 0, 0, "image/gif");
    File(*cabinet, "http://h.example/c.txt", 56, 1, 2, "");
    ASSERT_TRUE(WriteFatIndex(*cabinet, Index()));
    EXPECT_EQ(
        Contents(Index()),
        Header + Line(1, 2, "http=h.example/c.txt", "http://h.example/c.txt", "", 56) +
            Line(0, 0, "http=h.example/d/b.gif", "http://h.example/d/b.gif", "image/gif", 34) +
            Line(867000000, 867000060, "http=h.example/a.html", "http://h.example/a.html",
                 "text/html", 12));
}

TEST_F(FatIndexTest, DateTimeZeroIsWrittenAsZeroAndReadsBackAsTheEpoch) {
    TFile *file = File(*cabinet, "http://h.example/a.html", 1, 5, 5, "");
    file->Modified = 0;
    file->Accessed = 0;
    ASSERT_TRUE(WriteFatIndex(*cabinet, Index()));
    EXPECT_NE(Contents(Index()).find("0\t0\t0\t"), std::string::npos);
    TCabinet &back = ReadText(Contents(Index()));
    auto *read = static_cast<TFile *>(FindChild(*FindChild(back, "http://h.example"), "a.html"));
    ASSERT_NE(read, nullptr);
    EXPECT_DOUBLE_EQ(read->Modified, UnixToDateTime(0));
    EXPECT_NE(read->Modified, 0.0);
}

TEST_F(FatIndexTest, ControlBytesInAddressesAndTypesDoNotBreakTheLine) {
    TFileData data;
    data.ContentType = "text/html;\r\n charset=x";
    AddURL(*cabinet, "http://h.example/a\tb\nc.html", data);
    ASSERT_TRUE(WriteFatIndex(*cabinet, Index()));
    std::string text = Contents(Index());
    EXPECT_NE(text.find("\thttp://h.example/a%09b%0Ac.html\ttext/html;   charset=x\t\t0\t\t\t\r\n"),
              std::string::npos);
    TCabinet &back = ReadText(text);
    EXPECT_TRUE(back.IndexComplete);
    EXPECT_EQ(back.GetFileCount(), 1);
}

TEST_F(FatIndexTest, RecordCarriesOverToLinesWithFewerFields) {
    TCabinet &back = ReadText(
        Header + Line(100, 200, "C:\\cache\\m1.htm", "http://h.example/a.html", "text/html", 42) +
        "0\t300\t400\tC:\\m2.htm\thttp://h.example/b.html\r\n" + "0\n");
    auto *b = static_cast<TFile *>(FindChild(*FindChild(back, "http://h.example"), "b.html"));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(DateTimeToUnix(b->Modified), 300);
    EXPECT_EQ(DateTimeToUnix(b->Accessed), 400);
    EXPECT_EQ(b->CacheFile, "m2.htm");
    EXPECT_TRUE(back.IndexComplete);
    EXPECT_EQ(b->Size, 42);
    EXPECT_EQ(b->ContentType, "text/html");
    // "0\n" keeps the whole previous record: the same address, filed once.
    EXPECT_EQ(back.GetFileCount(), 2);
}

struct TNumberCase {
    const char *name;
    std::string field;
    bool accepted;
    int32_t size;
};

class FatIndexNumberTest : public FatIndexTest,
                           public ::testing::WithParamInterface<TNumberCase> {};

TEST_P(FatIndexNumberTest, SizeField) {
    const TNumberCase &c = GetParam();
    std::string text = Header + Line(1, 1, "x", "http://h.example/first", "", 5) +
                       "0\t1\t1\tx\thttp://h.example/second\t\t\t" + c.field + "\t\t\t\r\n";
    TCabinet &back = ReadText(text);
    TTree *server = FindChild(back, "http://h.example");
    ASSERT_NE(server, nullptr);
    EXPECT_NE(FindChild(*server, "first"), nullptr);
    auto *second = static_cast<TFile *>(FindChild(*server, "second"));
    EXPECT_EQ(back.IndexComplete, c.accepted);
    if (c.accepted) {
        EXPECT_TRUE(desktop.Shown.empty());
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(second->Size, c.size);
    } else {
        EXPECT_EQ(desktop.Shown, std::vector<std::string>{ReadError(Index())});
        EXPECT_EQ(second, nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FatIndexNumberTest,
    ::testing::Values(
        TNumberCase{"Decimal", "1234", true, 1234}, TNumberCase{"BlankLed", "   77", true, 77},
        TNumberCase{"Plus", "+8", true, 8}, TNumberCase{"Minus", "-8", true, -8},
        TNumberCase{"Hex", "$1fA", true, 0x1fa}, TNumberCase{"NegativeHex", "-$10", true, -16},
        TNumberCase{"Max", "2147483647", true, 2147483647},
        TNumberCase{"Min", "-2147483648", true, INT32_MIN},
        TNumberCase{"HexMax", "$7FFFFFFF", true, 2147483647},
        TNumberCase{"LeadingZeros", "000000000000000000000012", true, 12},
        TNumberCase{"Empty", "", false, 0}, TNumberCase{"OnlyBlanks", "  ", false, 0},
        TNumberCase{"OnlySign", "-", false, 0}, TNumberCase{"OnlyDollar", "$", false, 0},
        TNumberCase{"TrailingBlank", "12 ", false, 0}, TNumberCase{"Letters", "12a", false, 0},
        TNumberCase{"HexDigitsWithoutDollar", "1F", false, 0},
        TNumberCase{"AboveMax", "2147483648", false, 0},
        TNumberCase{"BelowMin", "-2147483649", false, 0},
        TNumberCase{"HexAboveMax", "$80000000", false, 0},
        TNumberCase{"Huge", std::string(5000, '9'), false, 0},
        TNumberCase{"NulInside",
                    std::string("1\0"
                                "2",
                                3),
                    false, 0},
        TNumberCase{"SignAfterBlanksThenBlank", " - 1", false, 0}),
    [](const auto &info) { return std::string(info.param.name); });

struct TLineCase {
    const char *name;
    std::string line;
    bool accepted;
};

// A line up to its size field: seven separators.
const std::string SevenTabs = "0\t1\t2\tx\thttp://h.example/2\tt\t\t3";
const std::string Nul(1, '\0');

class FatIndexLineTest : public FatIndexTest, public ::testing::WithParamInterface<TLineCase> {};

TEST_P(FatIndexLineTest, Line) {
    const TLineCase &c = GetParam();
    TCabinet &back = ReadText(Header + Line(1, 1, "x", "http://h.example/first", "", 5) + c.line +
                              Line(1, 1, "x", "http://h.example/third", "", 5));
    EXPECT_EQ(back.IndexComplete, c.accepted);
    EXPECT_EQ(back.GetFileCount(), c.accepted ? 3 : 1);
    EXPECT_EQ(desktop.Shown.size(), c.accepted ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FatIndexLineTest,
    ::testing::Values(
        TLineCase{"ElevenSeparators", SevenTabs + "\t\t\t\tend\n", true},
        TLineCase{"TwelveSeparators", SevenTabs + "\t\t\t\t\t\n", false},
        TLineCase{"TwelveSeparatorsEndingInCarriageReturns", SevenTabs + "\t\t\t\r\r\n", false},
        TLineCase{"LoneCarriageReturnsSeparate", "0\r1\r2\rx\rhttp://h.example/2\r\n", true},
        TLineCase{"EmptyModified", "0\t\t2\tx\thttp://h.example/2\t\n", false},
        TLineCase{"TextAccessed", "0\t1\tnever\tx\thttp://h.example/2\t\n", false},
        TLineCase{"SignedTimes", "0\t-1\t+$10\tx\thttp://h.example/2\t\n", true},
        TLineCase{"UnusedFieldsAreNotNumbers",
                  "junk\t1\t2\tx\thttp://h.example/2\tt\tjunk\t3\tj\t"
                  "j\tj\n",
                  true},
        TLineCase{"NulBytesInTextFields",
                  "0\t1\t2\tx" + Nul + "y\thttp://h.example/" + Nul + "z\ta" + Nul + "b\t\n",
                  true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(FatIndexTest, CacheFileIsThePartAfterTheLastBackslashOrColon) {
    TCabinet &back =
        ReadText(Header + Line(1, 1, "C:\\cache\\abc.htm", "http://h.example/1", "", 1) +
                 Line(1, 1, "http=h/a/b.html", "http://h.example/2", "", 1) +
                 Line(1, 1, "D:m9.gif", "http://h.example/3", "", 1));
    TTree *server = FindChild(back, "http://h.example");
    ASSERT_NE(server, nullptr);
    EXPECT_EQ(static_cast<TFile *>(FindChild(*server, "1"))->CacheFile, "abc.htm");
    EXPECT_EQ(static_cast<TFile *>(FindChild(*server, "2"))->CacheFile, "http=h/a/b.html");
    EXPECT_EQ(static_cast<TFile *>(FindChild(*server, "3"))->CacheFile, "m9.gif");
}

TEST_F(FatIndexTest, AFailedLineKeepsTheEntriesBeforeIt) {
    TCabinet &back = ReadText(Header + Line(1, 1, "x", "http://h.example/a", "", 1) + "0\tbad\t\n" +
                              Line(1, 1, "x", "http://h.example/b", "", 1));
    EXPECT_EQ(back.GetFileCount(), 1);
    EXPECT_EQ(desktop.Shown, std::vector<std::string>{ReadError(Index())});
    EXPECT_EQ(desktop.ProgressLog.back(), "reset");
}

struct TFileCase {
    const char *name;
    std::string text;
    bool error;
    bool complete;
    int64_t files;
};

class FatIndexFileTest : public FatIndexTest, public ::testing::WithParamInterface<TFileCase> {};

TEST_P(FatIndexFileTest, WholeFile) {
    const TFileCase &c = GetParam();
    TCabinet &back = ReadText(c.text);
    EXPECT_EQ(back.GetFileCount(), c.files);
    EXPECT_EQ(back.IndexComplete, c.complete);
    EXPECT_EQ(desktop.Shown,
              c.error ? std::vector<std::string>{ReadError(Index())} : std::vector<std::string>{});
    EXPECT_EQ(std::count(desktop.ProgressLog.begin(), desktop.ProgressLog.end(), "reset"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FatIndexFileTest,
    ::testing::Values(TFileCase{"ZeroBytes", "", true, false, 0},
                      TFileCase{"SignatureOnly", Header, false, true, 0},
                      TFileCase{"SignatureWithoutLineFeed", std::string(FatIndexSignature), false,
                                true, 0},
                      TFileCase{"TenBytesOfSomethingElse", "0123456789", false, false, 0},
                      TFileCase{"ShorterThanTheSignature", "MCOM-Cache", false, false, 0},
                      TFileCase{"SignatureInOtherCase",
                                "mcom-cache-file-allocation-table-format-1\r\n" +
                                    Line(1, 1, "x", "http://h.example/a", "", 1),
                                false, false, 0},
                      TFileCase{"LastLineWithoutLineFeed",
                                Header + Line(1, 1, "x", "http://h.example/a", "", 1) +
                                    "0\t1\t1\tx\thttp://h.example/b\t",
                                false, true, 1},
                      TFileCase{"LongSignatureLine",
                                std::string(FatIndexSignature) + " and more\n" +
                                    Line(1, 1, "x", "http://h.example/a", "", 1),
                                false, true, 1}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(FatIndexTest, EveryPrefixOfAValidIndexReadsItsWholeLinesQuietly) {
    std::string text = Header;
    for (int i = 0; i < 16; ++i)
        text += Line(867000000 + i, -i, "C:\\cache\\m" + std::to_string(i),
                     "http://h.example/d" + std::to_string(i % 3) + "/" + std::to_string(i),
                     "text/html", i * 1000);
    ASSERT_GT(text.size(), 1024u);
    for (size_t n = 0; n <= 1024; ++n) {
        desktop.Shown.clear();
        TCabinet *fresh = root.AddCabinet(KindMirrorLog, folder.Path(), "prefix");
        std::string prefix = text.substr(0, n);
        ReadFatIndexImage(*fresh, prefix, "prefix");
        size_t lineFeeds = static_cast<size_t>(std::count(prefix.begin(), prefix.end(), '\n'));
        EXPECT_EQ(fresh->GetFileCount(), static_cast<int64_t>(lineFeeds > 0 ? lineFeeds - 1 : 0))
            << n;
        EXPECT_EQ(desktop.Shown.size(), n == 0 ? 1u : 0u) << n;
        EXPECT_EQ(fresh->IndexComplete, n >= FatIndexSignature.size()) << n;
        root.RemoveCabinet(fresh);
    }
}

TEST_F(FatIndexTest, MissingFileIsAReadError) {
    EXPECT_FALSE(ReadFatIndex(*cabinet, folder.Path() + "none.db"));
    EXPECT_FALSE(cabinet->IndexComplete);
    EXPECT_EQ(desktop.Shown, std::vector<std::string>{ReadError(folder.Path() + "none.db")});
    EXPECT_EQ(desktop.ProgressLog, std::vector<std::string>{"reset"});
}

TEST_F(FatIndexTest, ReadProgressStepsByTheBytesOfEachLine) {
    std::string first = Line(1, 1, "x", "http://h.example/a", "", 1);
    std::string second = "0\t1\t1\tx\thttp://h.example/b\n";
    std::string text = Header + first + second + "tail without line feed";
    ReadText(text);
    EXPECT_EQ(desktop.ProgressLog,
              (std::vector<std::string>{"start:0:" + std::to_string(text.size()),
                                        "step:" + std::to_string(first.size()),
                                        "step:" + std::to_string(second.size()), "reset"}));
}

TEST_F(FatIndexTest, WriteProgressStepsOncePerFile) {
    for (int i = 0; i < 5; ++i)
        File(*cabinet, "http://h.example/d" + std::to_string(i % 2) + "/f" + std::to_string(i), 1,
             1, 1, "");
    ASSERT_TRUE(WriteFatIndex(*cabinet, Index()));
    std::vector<std::string> expected{"start:0:5"};
    expected.insert(expected.end(), 5, "step:1");
    expected.push_back("reset");
    EXPECT_EQ(desktop.ProgressLog, expected);
}

TEST_F(FatIndexTest, HostileImagesReadInBoundedTime) {
    // A 10 MB line, 100 000 short lines and a field of NUL bytes.
    std::string text = Header + "0\t1\t1\t" + std::string(10 << 20, 'x') +
                       "\thttp://h.example/long\t" + std::string(1000, '\0') + "\t\t1\t\t\t\r\n";
    for (int i = 0; i < 100000; ++i)
        text += "0\t1\t1\tx\thttp://h.example/d/" + std::to_string(i) + "\r\n";
    TCabinet &back = ReadText(text);
    EXPECT_TRUE(back.IndexComplete);
    EXPECT_EQ(back.GetFileCount(), 100001);
    auto *longOne = static_cast<TFile *>(FindChild(*FindChild(back, "http://h.example"), "long"));
    ASSERT_NE(longOne, nullptr);
    EXPECT_EQ(longOne->CacheFile.size(), size_t{10} << 20);
    EXPECT_EQ(longOne->ContentType, std::string(1000, '\0'));
}

TEST_F(FatIndexTest, AddressOfOneHundredThousandSegmentsRoundTrips) {
    std::string url = "http://deep.example/";
    for (int i = 0; i < 100000; ++i)
        url += "d/";
    url += "leaf.html";
    File(*cabinet, url, 7, 1, 2, "text/html");
    ASSERT_TRUE(WriteFatIndex(*cabinet, Index()));
    TCabinet &back = ReadText(Contents(Index()));
    EXPECT_TRUE(back.IndexComplete);
    ASSERT_EQ(Describe(back).size(), 1u);
    const TTree *item = &back;
    while (item->ChildCount() == 1 && item->IsFolder())
        item = item->Children()[0].get();
    ASSERT_TRUE(item->IsFile());
    EXPECT_EQ(item->GetURL(), url);
    EXPECT_EQ(static_cast<const TFile *>(item)->Size, 7);
}

TEST_F(FatIndexTest, PreviousIndexBecomesTheBackupReplacingAnOldOne) {
    folder.Write("trfat.db", "first index");
    folder.Write("trfat.bak", "older backup");
    File(*cabinet, "http://h.example/a", 1, 1, 1, "");
    ASSERT_TRUE(WriteFatIndex(*cabinet, Index()));
    EXPECT_EQ(Contents(folder.Path() + "trfat.bak"), "first index");
    std::string second = Contents(Index());
    EXPECT_EQ(second.rfind(Header, 0), 0u);
    ASSERT_TRUE(WriteFatIndex(*cabinet, Index()));
    EXPECT_EQ(Contents(folder.Path() + "trfat.bak"), second);
    // Nothing but the index and its backup is left behind.
    std::vector<std::string> names;
    for (const auto &entry : fs::ListFolder(folder.Path()))
        names.push_back(entry.Name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"trfat.bak", "trfat.db"}));
}

TEST_F(FatIndexTest, WhatAKilledWriteLeftGoesWithTheNextWrite) {
    folder.Write("trfat.db", "first index");
    folder.Write("..trfat.db.new.Ab12Cd", "killed while the new index was written");
    folder.Write(".trfat.db.new", "killed before the swap");
    folder.Write(".trfat.bak.new", "killed while the backup was made");
    File(*cabinet, "http://h.example/a", 1, 1, 1, "");
    ASSERT_TRUE(WriteFatIndex(*cabinet, Index()));
    std::vector<std::string> names;
    for (const auto &entry : fs::ListFolder(folder.Path()))
        names.push_back(entry.Name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"trfat.bak", "trfat.db"}));
    EXPECT_EQ(Contents(folder.Path() + "trfat.bak"), "first index");
}

TEST_F(FatIndexTest, FirstWriteMakesNoBackup) {
    ASSERT_TRUE(WriteFatIndex(*cabinet, Index()));
    EXPECT_EQ(Contents(Index()), Header);
    EXPECT_FALSE(fs::FileExists(folder.Path() + "trfat.bak"));
}

TEST_F(FatIndexTest, IndexFoundInAnotherCaseIsTheOneRewritten) {
    cabinet->Kind = KindTapline;
    folder.Write("Cache.db", "old");
    cabinet->IndexFile = folder.Path() + "Cache.db";
    File(*cabinet, "http://h.example/a", 1, 1, 1, "");
    ASSERT_TRUE(WriteFatIndex(*cabinet, folder.Path() + "cache.db"));
    EXPECT_FALSE(fs::FileExists(folder.Path() + "cache.db"));
    EXPECT_EQ(Contents(folder.Path() + "Cache.db").rfind(Header, 0), 0u);
    EXPECT_EQ(Contents(folder.Path() + "Cache.bak"), "old");
}

TEST_F(FatIndexTest, BackupNames) {
    EXPECT_EQ(FatIndexBackupName("/m/trfat.db"), "/m/trfat.bak");
    EXPECT_EQ(FatIndexBackupName("/m/Cache.db"), "/m/Cache.bak");
    EXPECT_EQ(FatIndexBackupName("/m.x/fat"), "/m.x/fat.bak");
    EXPECT_EQ(FatIndexBackupName("/m/a.b.db"), "/m/a.b.bak");
}

struct TWriteFailureCase {
    const char *name;
    std::string (*prepare)(const TTempFolder &folder); // returns the index path
};

class FatIndexWriteFailureTest : public FatIndexTest,
                                 public ::testing::WithParamInterface<TWriteFailureCase> {};

TEST_P(FatIndexWriteFailureTest, KeepsTheOldIndexAndSaysSo) {
    std::string path = GetParam().prepare(folder);
    std::string before = Contents(path);
    const std::string backup = folder.Path() + "trfat.bak";
    const bool hadBackup = fs::FileExists(backup);
    File(*cabinet, "http://h.example/a", 1, 1, 1, "");
    EXPECT_FALSE(WriteFatIndex(*cabinet, path));
    EXPECT_EQ(desktop.Shown, std::vector<std::string>{WriteError});
    EXPECT_EQ(Contents(path), before);
    EXPECT_EQ(desktop.ProgressLog.back(), "reset");
    EXPECT_EQ(fs::FileExists(backup), hadBackup);
    if (hadBackup) {
        EXPECT_EQ(Contents(backup), "older backup");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FatIndexWriteFailureTest,
    ::testing::Values(TWriteFailureCase{"FolderMissing",
                                        [](const TTempFolder &f) {
                                            return f.Path() + "missing/trfat.db";
                                        }},
                      TWriteFailureCase{"FolderIsAFile",
                                        [](const TTempFolder &f) {
                                            f.Write("plain", "x");
                                            return f.Path() + "plain/trfat.db";
                                        }},
                      // The temporary file's place is taken by a folder that cannot be replaced.
                      TWriteFailureCase{"TemporaryBlocked",
                                        [](const TTempFolder &f) {
                                            f.Write(".trfat.db.new/keep", "x");
                                            f.Write("trfat.bak", "older backup");
                                            return f.Write("trfat.db", "old index");
                                        }}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(FatIndexTest, IndexNotReadCompletelyIsNotWrittenBack) {
    folder.Write("trfat.db", "broken");
    File(*cabinet, "http://h.example/a", 1, 1, 1, "");
    cabinet->IndexComplete = false;
    EXPECT_FALSE(WriteFatIndex(*cabinet, Index()));
    EXPECT_EQ(Contents(Index()), "broken");
    EXPECT_FALSE(fs::FileExists(folder.Path() + "trfat.bak"));
    EXPECT_TRUE(desktop.ProgressLog.empty());
    EXPECT_TRUE(desktop.Shown.empty());
}

TEST_F(FatIndexTest, ReadSettlesIndexComplete) {
    cabinet->IndexComplete = true;
    ReadFatIndex(*cabinet, folder.Write("trfat.db", "something else"));
    EXPECT_FALSE(cabinet->IndexComplete);
    ReadFatIndex(*cabinet, folder.Write("trfat.db", Header));
    EXPECT_TRUE(cabinet->IndexComplete);
}

struct TSampleCase {
    const char *name;
    const char *folder;
    const char *index;
    uint8_t kind;
};

class FatIndexSampleTest : public ::testing::TestWithParam<TSampleCase> {};

// The demo stores: every entry is read and names a file that is there, of the stored size.
TEST_P(FatIndexSampleTest, DemoStoreReadsWhole) {
    const TSampleCase &c = GetParam();
    TFakeDesktop desktop;
    TCabinetRoot root;
    std::string folder = std::string(TRAWLER_SOURCE_DIR) + "/samples/" + c.folder + "/";
    TCabinet *cabinet = root.AddCabinet(c.kind, folder, c.name);
    EXPECT_TRUE(ReadFatIndex(*cabinet, folder + c.index));
    EXPECT_TRUE(desktop.Shown.empty());
    EXPECT_EQ(cabinet->GetFileCount(), 7);
    ForEachDescendant(*cabinet, [&](const TTree &item) {
        if (!item.IsFile())
            return;
        const auto &file = static_cast<const TFile &>(item);
        std::string data;
        EXPECT_TRUE(fs::ReadWholeFile(file.GetLocalPath(), data)) << file.GetLocalPath();
        EXPECT_EQ(data.size(), static_cast<size_t>(file.Size)) << file.GetLocalPath();
        EXPECT_EQ(file.GetURL(), file.URL);
    });
}

INSTANTIATE_TEST_SUITE_P(
    Samples, FatIndexSampleTest,
    ::testing::Values(TSampleCase{"MirrorLog", "mirror-log", "trfat.db", KindMirrorLog},
                      TSampleCase{"Netscape1", "netscape1", "fat", KindNetscape1},
                      TSampleCase{"Tapline", "tapline", "Cache.db", KindTapline}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
