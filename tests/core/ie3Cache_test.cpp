// The MS-IE 3.x cache reader: record fields, the tree walk, the two passes over the
// subfolders, and hostile index files.
#include "stores/ie3Cache.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "items/cab.h"
#include "items/file.h"
#include "platform/datetime.h"
#include "stores/cache.h"
#include "support/fakes.h"
#include "support/ie3Builder.h"

namespace {

std::string ReadError(const std::string &path) {
    return "error: ファイル内のキャッシュデータが読めません。\r\nFile : " + path;
}

std::string Date(double dateTime) {
    if (dateTime == 0)
        return "-";
    TDateFields f = DecodeDateTime(dateTime);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", f.Year, f.Month, f.Day,
                  f.Hour, f.Minute, f.Second);
    return text;
}

// Every file below the cabinet in filing order within each folder, as
// "address|size|modified|accessed|type|cache file|root page".
std::vector<std::string> Describe(const TTree &cabinet) {
    std::vector<std::string> rows;
    ForEachDescendant(cabinet, [&](const TTree &item) {
        if (!item.IsFile())
            return;
        const auto &f = static_cast<const TFile &>(item);
        rows.push_back(f.URL + "|" + std::to_string(f.Size) + "|" + Date(f.Modified) + "|" +
                       Date(f.Accessed) + "|" + f.ContentType + "|" + f.CacheFile + "|" +
                       std::to_string(f.RootPage));
    });
    return rows;
}

TIE3Record Entry(const std::string &url, const std::string &file = "A.HTM") {
    TIE3Record r;
    r.URL = url;
    r.FileName = file;
    return r;
}

// A root a whose first subtree is b and whose second subtree is c.
TIE3Builder ThreeRecords() {
    TIE3Builder b;
    b.Add(Entry("http://h.example/a"));
    b.Add(Entry("http://h.example/b"));
    TIE3Record c = Entry("http://h.example/c");
    c.TypeSource = 1;
    c.TypeText = "htm";
    b.Add(c);
    b.Record(0).First = 1;
    b.Record(0).Second = 2;
    return b;
}

class IE3CacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "Asia/Tokyo", 1);
        ResetTimeZoneBias();
    }
    TFakeDesktop desktop;
    TTempFolder folder;
    TCabinetRoot root;
    TCabinet *cabinet = root.AddCabinet(KindMsie3, folder.Path(), "ie3");

    TIE3Read ReadImage(const std::string &image) {
        return ReadIE3Index(*cabinet, image, "SUB/", "/c/SUB/MM256.DAT");
    }
};

TEST_F(IE3CacheTest, RecordFieldsAtTheirOffsets) {
    struct Row {
        const char *name;
        uint32_t size;
        uint64_t modified, accessed;
        std::string expected; // size|modified|accessed
    };
    const Row rows[] = {
        {"NoDates", 1, 0, 0, "1|-|-"},
        {"LocalTimeInTwoSecondSteps", 1234, IE3FileTime(862563601), IE3FileTime(862563600 + 59),
         "1234|1997-05-02 18:00:00|1997-05-02 18:00:58"},
        {"BeforeNineteenEighty", 5, IE3FileTime(315500000), IE3FileTime(315532800 - 9 * 3600),
         "5|-|1980-01-01 00:00:00"},
        {"AfterTwentyOneSeven", 5, IE3FileTime(4354819200), UINT64_MAX, "5|-|-"},
        {"SizeAboveTheSignedRange", 0xFFFFFFFF, 0, 0, "-1|-|-"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        TCabinet *fresh = root.AddCabinet(KindMsie3, folder.Path(), row.name);
        TIE3Builder b;
        TIE3Record r = Entry("http://www.h.example/dir/page.html", "PAGE[1].HTM");
        r.Size = row.size;
        r.Modified = row.modified;
        r.Accessed = row.accessed;
        r.TypeSource = 0;
        r.Headers = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n";
        b.Add(r);
        ASSERT_EQ(ReadIE3Index(*fresh, b.Build(), "CACHE1/", "x"), TIE3Read::Filed);
        EXPECT_EQ(Describe(*fresh),
                  std::vector<std::string>{"http://www.h.example/dir/page.html|" + row.expected +
                                           "|text/html|CACHE1/PAGE[1].HTM|0"});
    }
    EXPECT_TRUE(desktop.Shown.empty());
}

TEST_F(IE3CacheTest, ContentTypeFollowsTheTypeSource) {
    struct Row {
        const char *name;
        uint32_t source;
        std::string headers, text, expected;
    };
    const std::string gifHeaders = "HTTP/1.0 200 OK\r\nContent-Type: image/gif\r\n\r\n";
    const Row rows[] = {
        {"HeadersLowerCasedWithParameters", 0,
         "HTTP/1.0 200 OK\r\nCONTENT-TYPE: Text/HTML; Charset=Shift_JIS\r\nContent-Length: 9\r\n",
         "", "text/html; charset=shift_jis"},
        {"HeadersLastLineWithoutReturn", 0, "Server: x\r\nContent-Type: image/gif", "",
         "image/gif"},
        {"HeadersWithoutBlankAfterColon", 0, "Content-Type:text/html\r\n", "", ""},
        {"HeadersWithoutType", 0, "HTTP/1.0 200 OK\r\n\r\n", "htm", ""},
        {"ExtensionInCapitals", 1, gifHeaders, "HTML", "text/html"},
        {"ExtensionHtm", 1, "", "htm", "text/html"},
        {"ExtensionGif", 1, gifHeaders, "gif", ""},
        {"ExtensionShorterThanThree", 1, "", "ht", ""},
        {"ExtensionEmpty", 1, "", "", ""},
        {"OtherSourceIgnoresBoth", 2, gifHeaders, "htm", ""},
        {"HighestSource", 0xFFFFFFFF, gifHeaders, "htm", ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        TCabinet *fresh = root.AddCabinet(KindMsie3, folder.Path(), row.name);
        TIE3Builder b;
        TIE3Record r = Entry("http://h.example/f");
        r.TypeSource = row.source;
        r.Headers = row.headers;
        r.TypeText = row.text;
        b.Add(r);
        ASSERT_EQ(ReadIE3Index(*fresh, b.Build(), "S/", "x"), TIE3Read::Filed);
        auto *file = static_cast<TFile *>(FindChild(*FindChild(*fresh, "http://h.example"), "f"));
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(file->ContentType, row.expected);
    }
}

TEST_F(IE3CacheTest, WalkFilesEachRecordBeforeItsFirstThenItsSecondSubtree) {
    TIE3Builder b;
    for (const char *name : {"r", "f", "ff", "fs", "s", "ss"})
        b.Add(Entry(std::string("http://h.example/") + name));
    b.Record(0).First = 1;
    b.Record(0).Second = 4;
    b.Record(1).First = 2;
    b.Record(1).Second = 3;
    b.Record(4).Second = 5;
    // A later record with the same address is dropped: the first one filed stays.
    b.Record(5).URL = "http://h.example/f";
    b.Record(5).Size = 99;
    // The type of one record never carries over to the next.
    b.Record(0).TypeSource = 0;
    b.Record(0).Headers = "Content-Type: text/plain\r\n";
    ASSERT_EQ(ReadImage(b.Build()), TIE3Read::Filed);
    TTree *server = FindChild(*cabinet, "http://h.example");
    ASSERT_NE(server, nullptr);
    std::vector<std::string> order;
    for (const auto &child : server->Children())
        order.push_back(child->Name());
    EXPECT_EQ(order, (std::vector<std::string>{"r", "f", "ff", "fs", "s"}));
    EXPECT_EQ(static_cast<TFile *>(FindChild(*server, "f"))->Size, 0);
    EXPECT_EQ(static_cast<TFile *>(FindChild(*server, "r"))->ContentType, "text/plain");
    EXPECT_EQ(static_cast<TFile *>(FindChild(*server, "f"))->ContentType, "");
    EXPECT_EQ(desktop.ProgressLog, std::vector<std::string>(6, "step:1"));
}

TEST_F(IE3CacheTest, WholeImages) {
    struct Row {
        const char *name;
        std::string image;
        TIE3Read result;
    };
    std::string sound = ThreeRecords().Build();
    std::string emptyTree = sound;
    TIE3Builder::Put32(emptyTree, 32, 0);
    std::string lowerCase = sound;
    lowerCase[0] = 'c';
    const Row rows[] = {
        {"ZeroBytes", "", TIE3Read::ReadError},
        {"TenOtherBytes", "0123456789", TIE3Read::Skipped},
        {"ShorterThanTheSignature", "Client UrlCache MMF", TIE3Read::Skipped},
        {"SignatureInOtherCase", lowerCase, TIE3Read::Skipped},
        {"OlderVersion", "Client UrlCache MMF Ver 3.1" + sound.substr(27), TIE3Read::Skipped},
        {"SignatureOnly", std::string(IE3Signature), TIE3Read::ReadError},
        {"RootReferenceCut", sound.substr(0, 35), TIE3Read::ReadError},
        {"RootReferenceZero", emptyTree, TIE3Read::Filed},
        {"RootZeroWithoutRecords", sound.substr(0, 36).replace(32, 4, 4, '\0'), TIE3Read::Filed},
        {"SignatureOfTheWholeTwentySevenBytesOnly",
         "Client UrlCache MMF Ver 3.2.1" + sound.substr(29), TIE3Read::Filed},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        desktop.Shown.clear();
        TCabinet *fresh = root.AddCabinet(KindMsie3, folder.Path(), row.name);
        EXPECT_EQ(ReadIE3Index(*fresh, row.image, "S/", "/c/S/MM256.DAT"), row.result);
        EXPECT_EQ(desktop.Shown, row.result == TIE3Read::ReadError
                                     ? std::vector<std::string>{ReadError("/c/S/MM256.DAT")}
                                     : std::vector<std::string>{});
        if (row.result != TIE3Read::Filed || row.image == emptyTree || row.image.size() == 36)
            EXPECT_EQ(fresh->GetFileCount(), 0);
        else
            EXPECT_EQ(fresh->GetFileCount(), 3);
    }
}

TEST_F(IE3CacheTest, HostileFields) {
    const TIE3Builder b = ThreeRecords();
    const std::string sound = b.Build();
    const size_t size = sound.size();
    const size_t a = b.Offset(0), bb = b.Offset(1), c = b.Offset(2);
    struct Row {
        const char *name;
        std::function<void(std::string &)> corrupt;
        bool error;
        int64_t files;
    };
    auto put = [](size_t at, uint32_t value) {
        return [at, value](std::string &image) { TIE3Builder::Put32(image, at, value); };
    };
    const Row rows[] = {
        {"Sound", [](std::string &) {}, false, 3},
        {"RecordCountHuge", put(40, 0xFFFFFFFF), false, 3},
        {"RootReferenceOne", put(32, 1), true, 0},
        {"RootReferenceThree", put(32, 3), true, 0},
        {"RootAtTheImageSize", put(32, static_cast<uint32_t>(size + 4)), true, 0},
        {"RootAtTheLastByte", put(32, static_cast<uint32_t>(size + 3)), true, 0},
        {"RootAllOnes", put(32, 0xFFFFFFFF), true, 0},
        {"RootRecordCutByTheEnd", put(32, static_cast<uint32_t>(size - 40)), true, 0},
        {"AddressOffsetAllOnes", put(a + 20, 0xFFFFFFFF), true, 0},
        {"AddressOffsetPastTheEnd", put(a + 20, static_cast<uint32_t>(size - a)), true, 0},
        {"FileNameOffsetNegative", put(bb + 24, static_cast<uint32_t>(-8)), true, 1},
        {"AddressRunsOffTheEnd",
         [&](std::string &image) {
             TIE3Builder::Put32(image, c + 20, static_cast<uint32_t>(size - 2 - c));
             image.back() = 'x';
         },
         true, 2},
        {"ThreeTypeCharactersNeedNoNul", [](std::string &image) { image.back() = 'x'; }, false, 3},
        {"TypeTextOffsetPastTheEnd", put(c + 76, 0xFFFFFFF0), true, 2},
        {"HeadersOffsetPastTheEnd",
         [&](std::string &image) {
             TIE3Builder::Put32(image, bb + 64, 0);
             TIE3Builder::Put32(image, bb + 68, 0x7FFFFFFF);
         },
         true, 1},
        {"SecondSubtreeAllOnes", put(a + 8, 0xFFFFFFFF), true, 2},
        {"FirstSubtreeLoopsToTheRoot", put(bb + 4, b.Reference(0)), true, 2},
        {"RootIsItsOwnFirstSubtree", put(a + 4, b.Reference(0)), true, 1},
        {"SecondSubtreeLoopsToItself", put(c + 8, b.Reference(2)), true, 3},
        {"SubtreeReachedTwice", put(a + 8, b.Reference(1)), false, 2},
        {"LoopThroughBothSubtrees",
         [&](std::string &image) {
             TIE3Builder::Put32(image, a + 4, 0);
             TIE3Builder::Put32(image, c + 4, b.Reference(1));
             TIE3Builder::Put32(image, bb + 8, b.Reference(2));
         },
         true, 3},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        desktop.Shown.clear();
        std::string image = sound;
        row.corrupt(image);
        TCabinet *fresh = root.AddCabinet(KindMsie3, folder.Path(), row.name);
        TIE3Read result = ReadIE3Index(*fresh, image, "S/", "/c/S/MM256.DAT");
        EXPECT_EQ(result, row.error ? TIE3Read::ReadError : TIE3Read::Filed);
        EXPECT_EQ(desktop.Shown.size(), row.error ? 1u : 0u);
        EXPECT_EQ(fresh->GetFileCount(), row.files);
    }
}

TEST_F(IE3CacheTest, EveryPrefixOfTheFirstKibFilesTheRecordsItHoldsWhole) {
    TIE3Builder b;
    for (int i = 0; i < 12; ++i) {
        TIE3Record r = Entry("http://h.example/d/" + std::to_string(i), "F" + std::to_string(i));
        r.TypeSource = 0;
        r.Headers = "Content-Type: text/plain\r\n";
        b.Add(r);
    }
    b.Chain();
    const std::string image = b.Build();
    ASSERT_GT(image.size(), 1024u);
    for (size_t n = 0; n <= 1024; ++n) {
        desktop.Shown.clear();
        TCabinet *fresh = root.AddCabinet(KindMsie3, folder.Path(), "prefix");
        TIE3Read result = ReadIE3Index(*fresh, image.substr(0, n), "S/", "p");
        // A record with headers is whole once its headers' NUL is in: the empty type text
        // after them is not read.
        int64_t whole = 0;
        while (whole < 12 && b.Offset(static_cast<int>(whole) + 1) - 1 <= n)
            ++whole;
        if (n > 0 && n < IE3Signature.size()) {
            EXPECT_EQ(result, TIE3Read::Skipped) << n;
        } else {
            EXPECT_EQ(result, TIE3Read::ReadError) << n;
            EXPECT_EQ(fresh->GetFileCount(), whole) << n;
        }
        EXPECT_EQ(desktop.Shown.size(), result == TIE3Read::ReadError ? 1u : 0u) << n;
        root.RemoveCabinet(fresh);
    }
}

// A chain of records of the smallest kind (type source 2) whose addresses all name one text.
std::string DeepChain(uint32_t levels, bool loopBack) {
    const size_t recordSize = 68;
    const size_t textAt = 64 + levels * recordSize;
    std::string image(IE3Signature);
    image.resize(textAt, '\0');
    image += std::string("deep.html\0X\0", 12);
    TIE3Builder::Put32(image, 32, 64 + 4);
    for (uint32_t i = 0; i < levels; ++i) {
        const size_t at = 64 + i * recordSize;
        uint32_t next =
            i + 1 < levels ? static_cast<uint32_t>(at + recordSize + 4) : (loopBack ? 64 + 4 : 0);
        TIE3Builder::Put32(image, at + 4, next);
        TIE3Builder::Put32(image, at + 20, static_cast<uint32_t>(textAt - at));
        TIE3Builder::Put32(image, at + 24, static_cast<uint32_t>(textAt + 10 - at));
        TIE3Builder::Put32(image, at + 64, 2);
    }
    return image;
}

TEST_F(IE3CacheTest, AMillionLevelsNeedNoStackAndALoopBackToTheRootIsAReadError) {
    seam::SetProgress(nullptr);
    EXPECT_EQ(ReadImage(DeepChain(1000000, false)), TIE3Read::Filed);
    EXPECT_EQ(cabinet->GetFileCount(), 1);
    EXPECT_EQ(ReadImage(DeepChain(1000, true)), TIE3Read::ReadError);
    EXPECT_EQ(desktop.Shown.size(), 1u);
}

TEST_F(IE3CacheTest, SubtreesSharedAtEveryLevelAreWalkedOnce) {
    // Each record's subtrees are both the next record: walked naively, 2^64 visits.
    TIE3Builder b;
    for (int i = 0; i < 64; ++i)
        b.Add(Entry("http://h.example/" + std::to_string(i)));
    for (int i = 0; i + 1 < 64; ++i)
        b.Record(i).First = b.Record(i).Second = i + 1;
    EXPECT_EQ(ReadImage(b.Build()), TIE3Read::Filed);
    EXPECT_EQ(cabinet->GetFileCount(), 64);
    EXPECT_EQ(desktop.ProgressLog.size(), 64u);
}

TEST_F(IE3CacheTest, TextsSharedByManyRecordsAreReadWithinABound) {
    // 20 000 records whose address and file name all name one text of 1 MB: reading them
    // for each record would copy 40 GB.
    std::string image = DeepChain(20000, false);
    const size_t textAt = image.size() - 12;
    image.insert(textAt, std::string(1 << 20, 'a'));
    seam::SetProgress(nullptr);
    EXPECT_EQ(ReadImage(image), TIE3Read::ReadError);
    EXPECT_EQ(cabinet->GetFileCount(), 1);
}

// One cache folder on disk: files relative to it, with their bytes.
struct TLayout {
    std::vector<std::pair<std::string, std::string>> files;
};

std::string OneRecord(const std::string &url, const std::string &file, uint32_t count = 1) {
    TIE3Builder b;
    b.Add(Entry(url, file));
    std::string image = b.Build();
    TIE3Builder::Put32(image, 40, count);
    return image;
}

TEST_F(IE3CacheTest, CacheFolders) {
    struct Row {
        const char *name;
        TLayout layout;
        std::vector<std::string> errors; // paths below the cabinet folder
        std::vector<std::string> files;  // "address|cache file"
        bool complete;
        int64_t total;
    };
    const std::string index = OneRecord("http://h.example/a", "A.HTM");
    const std::string other = OneRecord("http://h.example/b", "B.GIF", 7);
    const std::string empty = ThreeRecords().Build().replace(32, 4, 4, '\0');
    std::string broken = index;
    TIE3Builder::Put32(broken, 32, 0xFFFFFFFF);
    const Row rows[] = {
        {"TwoSubfolders",
         {{{"DESKTOP.INI", "x"},
           {"C2/MM256.DAT", other},
           {"C2/MM2048.DAT", empty},
           {"C1/MM256.DAT", index},
           {"C1/MM2048.DAT", OneRecord("http://g.example/", "I.HTM")}}},
         {},
         {"http://g.example/|C1/I.HTM", "http://h.example/a|C1/A.HTM",
          "http://h.example/b|C2/B.GIF"},
         true,
         1 + 1 + 7 + 3},
        {"NamesInLowerCase",
         {{{"cache1/mm256.dat", index}, {"cache1/Mm2048.Dat", other}}},
         {},
         {"http://h.example/a|cache1/A.HTM", "http://h.example/b|cache1/B.GIF"},
         true,
         8},
        {"OnlyMM256",
         {{{"C1/MM256.DAT", index}}},
         {"C1/MM2048.DAT", "C1/MM2048.DAT"},
         {"http://h.example/a|C1/A.HTM"},
         false,
         1},
        {"SubfolderThatIsNoCache",
         {{{"C1/MM256.DAT", index}, {"C1/MM2048.DAT", other}, {"Other/readme.txt", "x"}}},
         {"Other/MM256.DAT", "Other/MM2048.DAT", "Other/MM256.DAT", "Other/MM2048.DAT"},
         {"http://h.example/a|C1/A.HTM", "http://h.example/b|C1/B.GIF"},
         false,
         8},
        {"EmptyIndexFile",
         {{{"C1/MM256.DAT", ""}, {"C1/MM2048.DAT", other}}},
         {"C1/MM256.DAT", "C1/MM256.DAT"},
         {"http://h.example/b|C1/B.GIF"},
         false,
         7},
        {"OtherSignatureIsNeitherCountedNorShown",
         {{{"C1/MM256.DAT", "Client UrlCache MMF Ver 4.7" + index.substr(27)},
           {"C1/MM2048.DAT", other}}},
         {},
         {"http://h.example/b|C1/B.GIF"},
         false,
         7},
        {"BrokenTreeIsShownOnceAndTheOtherFileRead",
         {{{"C1/MM256.DAT", broken}, {"C1/MM2048.DAT", other}}},
         {"C1/MM256.DAT"},
         {"http://h.example/b|C1/B.GIF"},
         false,
         8},
        {"IndexFilesInTheCacheFolderItself",
         {{{"MM256.DAT", index}, {"MM2048.DAT", other}}},
         {},
         {},
         true,
         0},
        {"IndexNamedByAFolder",
         {{{"C1/MM256.DAT/x", "x"}, {"C1/MM2048.DAT", other}}},
         {"C1/MM256.DAT", "C1/MM256.DAT"},
         {"http://h.example/b|C1/B.GIF"},
         false,
         7},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        TTempFolder cache;
        for (const auto &[name, bytes] : row.layout.files)
            cache.Write(name, bytes);
        desktop.Shown.clear();
        desktop.ProgressLog.clear();
        TCabinet *fresh = root.AddCabinet(KindMsie3, cache.Path(), row.name);
        ReadIE3Cache(*fresh, cache.Path());
        std::vector<std::string> errors;
        for (const std::string &path : row.errors)
            errors.push_back(ReadError(cache.Path() + path));
        EXPECT_EQ(desktop.Shown, errors);
        std::vector<std::string> files;
        ForEachDescendant(*fresh, [&](const TTree &item) {
            if (item.IsFile())
                files.push_back(static_cast<const TFile &>(item).URL + "|" +
                                static_cast<const TFile &>(item).CacheFile);
        });
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files, row.files);
        EXPECT_EQ(fresh->IndexComplete, row.complete);
        ASSERT_FALSE(desktop.ProgressLog.empty());
        EXPECT_EQ(desktop.ProgressLog.front(), "start:0:" + std::to_string(row.total));
        EXPECT_EQ(desktop.ProgressLog.back(), "reset");
        EXPECT_EQ(std::count(desktop.ProgressLog.begin(), desktop.ProgressLog.end(), "reset"), 1);
        EXPECT_EQ(std::count(desktop.ProgressLog.begin(), desktop.ProgressLog.end(), "step:1"),
                  static_cast<int64_t>(row.files.size()));
    }
}

TEST_F(IE3CacheTest, SubfoldersAreReadInNameOrderSoTheFirstOfTwoEqualAddressesStays) {
    folder.Write("DESKTOP.INI", "");
    folder.Write("b/MM256.DAT", OneRecord("http://h.example/same", "FROM_B"));
    folder.Write("b/MM2048.DAT", OneRecord("http://h.example/later", "L"));
    folder.Write("a/MM2048.DAT", OneRecord("http://h.example/same", "FROM_A2048"));
    folder.Write("a/MM256.DAT", OneRecord("http://h.example/same", "FROM_A256"));
    LoadCabinet(*cabinet);
    EXPECT_EQ(Describe(*cabinet),
              (std::vector<std::string>{"http://h.example/same|0|-|-||a/FROM_A256|0",
                                        "http://h.example/later|0|-|-||b/L|0"}));
    EXPECT_EQ(desktop.ProgressLog.front(),
              "status:MS-InternetExplorer V3.Xのキャッシュを読み込み中．．．");
}

TEST_F(IE3CacheTest, AFolderThatCannotBeListedFilesNothingQuietly) {
    ReadIE3Cache(*cabinet, folder.Path() + "missing/");
    EXPECT_TRUE(desktop.Shown.empty());
    EXPECT_EQ(desktop.ProgressLog, (std::vector<std::string>{"start:0:0", "reset"}));
    EXPECT_TRUE(cabinet->IndexComplete);
}

} // namespace
