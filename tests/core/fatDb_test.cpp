// The Netscape 2.x cache database reader: hand-built pages for the rules and the hostile
// cases, files written by the real Berkeley DB 1.85 library for what real caches hold.
#include "stores/fatDb.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/settings.h"
#include "items/cab.h"
#include "items/file.h"
#include "items/unixTime.h"
#include "platform/datetime.h"
#include "platform/fs.h"
#include "stores/cache.h"
#include "support/fakes.h"
#include "support/fatDbBuilder.h"

namespace {

const std::string WarningPrefix =
    "warning: コンテンツタイプが読めません。ファイル拡張子で判断します。\r\nURL : ";

std::string ReadError(const std::string &path) {
    return "error: ファイル内のキャッシュデータが読めません。\r\nFile : " + path;
}

using TPairs = std::vector<std::pair<std::string, std::string>>;

std::pair<std::string, std::string> Pair(const TFatDbEntry &entry,
                                         const std::string &tag = std::string(4, '\0')) {
    return {FatDbKey(entry.url, tag), FatDbData(entry)};
}

TFatDbEntry Entry(const std::string &url, int32_t size = 1) {
    TFatDbEntry entry;
    entry.url = url;
    entry.modified = 852076800;
    entry.accessed = 852076900;
    entry.size = size;
    entry.cacheFile = "cache" + std::to_string(size) + ".html";
    entry.contentType = "text/html";
    return entry;
}

// Every file below the cabinet as "address|size|modified|accessed|cache file|type", sorted,
// the times as Unix seconds.
std::vector<std::string> Describe(const TTree &cabinet) {
    std::vector<std::string> rows;
    ForEachDescendant(cabinet, [&](const TTree &item) {
        if (!item.IsFile())
            return;
        const auto &file = static_cast<const TFile &>(item);
        rows.push_back(file.URL + "|" + std::to_string(file.Size) + "|" +
                       std::to_string(DateTimeToUnix(file.Modified)) + "|" +
                       std::to_string(DateTimeToUnix(file.Accessed)) + "|" + file.CacheFile + "|" +
                       file.ContentType);
    });
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::string Describe(const TFatDbEntry &e) {
    return e.url + "|" + std::to_string(e.size) + "|" + std::to_string(e.modified) + "|" +
           std::to_string(e.accessed) + "|" + e.cacheFile + "|" + e.contentType;
}

class FatDbTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "Asia/Tokyo", 1);
        ResetTimeZoneBias();
        Settings() = TSettings();
    }
    void TearDown() override { Settings() = TSettings(); }

    TFakeDesktop desktop;
    TTempFolder folder;
    TCabinetRoot root;

    std::string Path() const { return folder.Path() + "fat.db"; }
    TCabinet &Read(const std::string &bytes) {
        TCabinet *cabinet = root.AddCabinet(KindNetscape2, folder.Path(), "ns");
        ReadFatDb(*cabinet, folder.Write("fat.db", bytes));
        return *cabinet;
    }
    int Resets() const {
        return static_cast<int>(
            std::count(desktop.ProgressLog.begin(), desktop.ProgressLog.end(), "reset"));
    }
};

TEST_F(FatDbTest, FieldsComeFromTheirOffsets) {
    TFatDbEntry page = Entry("http://www.a.example/dir/page.html", 1234);
    page.modified = -86400;
    page.accessed = 0;
    page.cacheFile = " cache\\A1B2.htm\0junk";
    page.contentType = "text/html; charset=Shift_JIS \r\n";
    page.unused = "something the reader skips";
    TFatDbEntry root = Entry("http://www.a.example/", -5);
    TFatDbBuilder db;
    db.AddPairs({Pair(page), Pair(root)});
    TCabinet &cabinet = Read(db.Bytes());
    EXPECT_TRUE(desktop.Shown.empty());
    EXPECT_TRUE(cabinet.IndexComplete);

    auto *server = FindChild(cabinet, "http://www.a.example");
    ASSERT_NE(server, nullptr);
    auto *file = dynamic_cast<TFile *>(FindChild(*FindChild(*server, "dir"), "page.html"));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->URL, page.url);
    EXPECT_EQ(file->Size, 1234);
    EXPECT_DOUBLE_EQ(file->Modified, UnixToDateTime(-86400));
    EXPECT_DOUBLE_EQ(file->Accessed, UnixToDateTime(0));
    EXPECT_EQ(file->CacheFile, "cache\\A1B2.htm");
    EXPECT_EQ(file->ContentType, "text/html; charset=Shift_JIS");
    EXPECT_EQ(file->RootPage, 0);

    auto *rootPage = dynamic_cast<TFile *>(FindChild(*server, RootPageName));
    ASSERT_NE(rootPage, nullptr);
    EXPECT_EQ(rootPage->RootPage, 1);
    EXPECT_EQ(rootPage->Size, -5);
}

TEST_F(FatDbTest, UnixTimesBecomeLocalDateTimes) {
    struct Row {
        const char *name;
        int32_t seconds;
        double expected;
    };
    // Tokyo is 9 hours ahead of UTC; Unix times have no DOS range, so 0 and 1969 are dates.
    const Row rows[] = {
        {"zero is the epoch", 0, 25569 + 0.375},
        {"before 1980", 86400 * 365, 25569 + 365 + 0.375},
        {"before 1970", -86400, 25568 + 0.375},
        {"a normal date", 852076800 + 3600, 35431 + 0.375 + 1.0 / 24},
    };
    for (const Row &row : rows) {
        TFatDbEntry entry = Entry("http://h.example/a");
        entry.modified = row.seconds;
        entry.accessed = row.seconds;
        TFatDbBuilder db;
        db.AddPairs({Pair(entry)});
        TCabinet &cabinet = Read(db.Bytes());
        auto *file = dynamic_cast<TFile *>(FindChild(*FindChild(cabinet, "http://h.example"), "a"));
        ASSERT_NE(file, nullptr) << row.name;
        EXPECT_NEAR(file->Modified, row.expected, 1e-9) << row.name;
        EXPECT_NEAR(file->Accessed, row.expected, 1e-9) << row.name;
    }
}

TEST_F(FatDbTest, CountedTextStopsAtNulAndLosesOuterBlanks) {
    struct Row {
        const char *name;
        std::string bytes;
        std::string value;
    };
    const Row rows[] = {
        {"two NULs after the text", std::string("abc\0\0", 5), "abc"},
        {"blanks around", " abc ", "abc"},
        {"control characters around",
         "\t\r\n\x01"
         "abc\x1f",
         "abc"},
        {"DEL is not a control character here", "abc\x7f", "abc\x7f"},
        {"blank inside stays", "a b", "a b"},
        {"NUL first", std::string("\0abc", 4), ""},
        {"text after the NUL is ignored", std::string("ab\0 cd", 6), "ab"},
        {"only blanks", "  \t ", ""},
        {"empty", "", ""},
        {"Shift-JIS bytes are not control characters", "\x83\x65\x83\x58\x83\x67",
         "\x83\x65\x83\x58\x83\x67"},
        {"high byte at the end stays", " abc\x81", "abc\x81"},
    };
    for (const Row &row : rows)
        EXPECT_EQ(ReadCountedText(row.bytes), row.value) << row.name;
}

TEST_F(FatDbTest, PageAndPairRules) {
    struct Row {
        const char *name;
        std::function<void(TFatDbBuilder &)> build;
        std::vector<std::string> files; // addresses filed, sorted
    };
    const TFatDbEntry a = Entry("http://h.example/a"), b = Entry("http://h.example/b"),
                      c = Entry("http://h.example/c"), d = Entry("http://h.example/d");
    const Row rows[] = {
        {"pairs of a page in order, then the next page",
         [&](TFatDbBuilder &db) {
             db.AddPairs({Pair(a), Pair(b)});
             db.AddPairs({Pair(c)});
         },
         {a.url, b.url, c.url}},
        {"odd word count skips the page",
         [&](TFatDbBuilder &db) {
             db.AddPairs({Pair(a), Pair(b)});
             db.Page(1).words[0] = 3;
             db.AddPairs({Pair(c)});
         },
         {c.url}},
        {"zero word count skips the page",
         [&](TFatDbBuilder &db) {
             db.AddPairs({Pair(a)});
             db.Page(1).words[0] = 0;
             db.AddPairs({Pair(c)});
         },
         {c.url}},
        {"INT_ key in the third pair ends its page",
         [&](TFatDbBuilder &db) {
             db.AddPairs({Pair(a), Pair(b), Pair(c, "INT_"), Pair(d)});
             db.AddPairs({Pair(Entry("http://h.example/next"))});
         },
         {a.url, b.url, "http://h.example/next"}},
        {"INT_ must be the whole tag",
         [&](TFatDbBuilder &db) {
             db.AddPairs({Pair(a, "INT "), Pair(b, "int_")});
         },
         {a.url, b.url}},
        {"zero key offset skips the pair",
         [&](TFatDbBuilder &db) {
             db.AddPairs({Pair(a), Pair(b)});
             db.Page(1).words[1] = 0;
         },
         {b.url}},
        {"zero data offset skips the pair",
         [&](TFatDbBuilder &db) {
             db.AddPairs({Pair(a), Pair(b)});
             db.Page(1).words[4] = 0;
         },
         {a.url}},
        {"same address twice keeps the first",
         [&](TFatDbBuilder &db) {
             db.AddPairs({Pair(a)});
             db.AddPairs({Pair(Entry(a.url, 99))});
         },
         {a.url}},
        {"a bitmap page is never read",
         [&](TFatDbBuilder &db) {
             db.AddPairs({Pair(a)});
             db.LastBucket = 0;
             db.AddPairs({Pair(b)}); // a page no bucket reaches
         },
         {a.url}},
        {"overflow chain pages are read where they stand",
         [&](TFatDbBuilder &db) {
             db.LastBucket = 1;
             db.AddPairs({Pair(a)}, 4);
             db.AddPairs({Pair(b)});
             db.AddPairs({Pair(c)}, 0);
             db.AddPairs({Pair(d)}, 3);
         },
         {a.url, b.url, c.url, d.url}},
        {"bucket inside the file but never written is empty",
         [&](TFatDbBuilder &db) {
             db.LastBucket = 1;
             db.AddPairs({Pair(a)});
             db.AddRaw(std::string(512, '\0'));
         },
         {a.url}},
    };
    for (const Row &row : rows) {
        desktop.Shown.clear();
        TFatDbBuilder db;
        row.build(db);
        TCabinet &cabinet = Read(db.Bytes());
        std::vector<std::string> urls;
        ForEachDescendant(cabinet, [&](const TTree &item) {
            if (item.IsFile())
                urls.push_back(static_cast<const TFile &>(item).URL);
        });
        std::sort(urls.begin(), urls.end());
        EXPECT_EQ(urls, row.files) << row.name;
        EXPECT_TRUE(desktop.Shown.empty()) << row.name;
        EXPECT_TRUE(cabinet.IndexComplete) << row.name;
        root.RemoveCabinet(&cabinet);
    }
}

TEST_F(FatDbTest, FirstPageEntryOfTheFileFirst) {
    // Pages in file order: the second bucket's page holds a, the first one's overflow page
    // (later in the file) holds A; the first filed wins.
    TFatDbBuilder db;
    db.LastBucket = 1;
    db.AddPairs({}, 3);
    db.AddPairs({Pair(Entry("http://h.example/a", 1))});
    db.AddPairs({Pair(Entry("http://h.example/A", 2))});
    TCabinet &cabinet = Read(db.Bytes());
    auto *file = dynamic_cast<TFile *>(FindChild(*FindChild(cabinet, "http://h.example"), "a"));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Size, 1);
    EXPECT_EQ(cabinet.GetFileCount(), 1);
}

TEST_F(FatDbTest, BrokenTextsGiveOneWarningAndTheEntryStays) {
    struct Row {
        const char *name;
        size_t lengthAt; // offset in the data of the length to corrupt
        uint32_t length;
        bool warningOn;
        std::string cacheFile;
    };
    TFatDbEntry entry = Entry("http://h.example/doc.txt");
    entry.cacheFile = "c1.txt";
    entry.unused = "xy";
    const size_t cacheAt = 29, unusedAt = cacheAt + 4 + 6 + 29, typeAt = unusedAt + 4 + 2;
    const Row rows[] = {
        {"content type runs past the end", typeAt, 0x7FFFFFFF, true, "c1.txt"},
        {"content type length all ones", typeAt, 0xFFFFFFFF, true, "c1.txt"},
        {"warning off", typeAt, 0x7FFFFFFF, false, "c1.txt"},
        {"unused text runs past the end", unusedAt, 0xFFFFFFF0, true, "c1.txt"},
        {"cache file runs past the end", cacheAt, 100000, true, ""},
        {"content type one byte longer than its data", typeAt, 10, true, "c1.txt"},
    };
    for (const Row &row : rows) {
        desktop.Shown.clear();
        Settings().Warning = row.warningOn;
        std::string data = FatDbData(entry);
        PutU32(data, row.lengthAt, row.length);
        TFatDbBuilder db;
        // The good entry comes first: none of its texts may stay in the broken one's record.
        db.AddPairs({Pair(Entry("http://h.example/ok")), {FatDbKey(entry.url), data}});
        TCabinet &cabinet = Read(db.Bytes());
        auto *file =
            dynamic_cast<TFile *>(FindChild(*FindChild(cabinet, "http://h.example"), "doc.txt"));
        ASSERT_NE(file, nullptr) << row.name;
        EXPECT_EQ(file->ContentType, "") << row.name;
        EXPECT_EQ(file->CacheFile, row.cacheFile) << row.name;
        EXPECT_EQ(file->Size, entry.size) << row.name;
        EXPECT_EQ(desktop.Shown, row.warningOn ? std::vector<std::string>{WarningPrefix + entry.url}
                                               : std::vector<std::string>{})
            << row.name;
        EXPECT_TRUE(cabinet.IndexComplete) << row.name;
        EXPECT_EQ(cabinet.GetFileCount(), 2) << row.name;
        root.RemoveCabinet(&cabinet);
    }
}

uint16_t WordAt(const std::string &bytes, size_t offset) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[offset]) |
                                 static_cast<uint8_t>(bytes[offset + 1]) << 8);
}

struct TErrorCase {
    const char *name;
    std::function<void(std::string &)> corrupt;
    int64_t files = 1; // the good entry, and the victim when it comes before the fault
};

TEST_F(FatDbTest, ReadErrorsKeepTheEntriesFiledBefore) {
    // Page 1 holds a good entry; page 2 the entry that is made to break.
    constexpr size_t Page2 = 2 * 512;
    auto keyAt = [](const std::string &bytes) { return Page2 + WordAt(bytes, Page2 + 2); };
    auto setWord = [](std::string &bytes, size_t index, uint16_t value) {
        PutU16(bytes, Page2 + 2 * index, value);
    };
    const TErrorCase rows[] = {
        {"key offset past the end of the file",
         [&](std::string &bytes) { setWord(bytes, 1, 0xFFFF); }},
        {"data offset past the end of the file",
         [&](std::string &bytes) { setWord(bytes, 2, 0xFFF0); }},
        {"key at the last byte of the file", [&](std::string &bytes) { setWord(bytes, 1, 511); }},
        {"size field past the end of its data",
         [&](std::string &bytes) { setWord(bytes, 2, WordAt(bytes, Page2 + 2) - 22); }},
        {"data above its key", [&](std::string &bytes) { setWord(bytes, 2, 500); }},
        {"second key above the first one's data",
         [&](std::string &bytes) {
             setWord(bytes, 0, 4);
             setWord(bytes, 3, 511);
             setWord(bytes, 4, 505);
         },
         2},
        {"word count runs past the page", [&](std::string &bytes) { setWord(bytes, 0, 256); }},
        {"address length past the end",
         [&](std::string &bytes) { PutU32(bytes, keyAt(bytes) + 4, 600); }},
        {"address length all ones",
         [&](std::string &bytes) { PutU32(bytes, keyAt(bytes) + 4, 0xFFFFFFFF); }},
        {"address length negative",
         [&](std::string &bytes) { PutU32(bytes, keyAt(bytes) + 4, 0x80000000); }},
    };
    for (const TErrorCase &row : rows) {
        desktop.Shown.clear();
        desktop.ProgressLog.clear();
        TFatDbBuilder db;
        db.AddPairs({Pair(Entry("http://h.example/good"))});
        db.AddPairs({Pair(Entry("http://h.example/victim"))});
        std::string bytes = db.Bytes();
        row.corrupt(bytes);
        TCabinet &cabinet = Read(bytes);
        EXPECT_EQ(desktop.Shown, std::vector<std::string>{ReadError(Path())}) << row.name;
        EXPECT_FALSE(cabinet.IndexComplete) << row.name;
        EXPECT_EQ(cabinet.GetFileCount(), row.files) << row.name;
        EXPECT_EQ(Resets(), 1) << row.name;
        EXPECT_EQ(desktop.ProgressLog.back(), "reset") << row.name;
        root.RemoveCabinet(&cabinet);
    }
}

TEST_F(FatDbTest, SignatureAndEmptyFileRules) {
    struct Row {
        const char *name;
        std::string bytes;
        bool error;
        std::vector<std::string> progress;
    };
    TFatDbBuilder headerOnly;
    std::string magicLittleEndian = headerOnly.Bytes();
    magicLittleEndian.replace(0, 4, "\x61\x15\x06\x00", 4);
    std::string zeroPageSize = headerOnly.Bytes();
    PutU32BigEndian(zeroPageSize, 12, 0);
    const Row rows[] = {
        {"empty file", "", true, {"reset"}},
        {"ten bytes of something else", "0123456789", false, {"reset"}},
        {"shorter than the magic", std::string("\x00\x06\x15", 3), false, {"reset"}},
        {"magic in the wrong byte order", magicLittleEndian, false, {"reset"}},
        {"header page only", headerOnly.Bytes(), false, {"start:0:0", "reset"}},
        {"page size 0", zeroPageSize, true, {"reset"}},
        {"magic without a bucket table",
         headerOnly.Bytes().substr(0, 100),
         true,
         {"start:0:0", "reset"}},
    };
    for (const Row &row : rows) {
        desktop.Shown.clear();
        desktop.ProgressLog.clear();
        TCabinet &cabinet = Read(row.bytes);
        EXPECT_EQ(cabinet.GetFileCount(), 0) << row.name;
        EXPECT_EQ(desktop.Shown, row.error ? std::vector<std::string>{ReadError(Path())}
                                           : std::vector<std::string>{})
            << row.name;
        EXPECT_EQ(desktop.ProgressLog, row.progress) << row.name;
        EXPECT_FALSE(cabinet.IndexComplete && row.error) << row.name;
        root.RemoveCabinet(&cabinet);
    }
}

TEST_F(FatDbTest, HeadersThatCannotDescribeTheFileAreReadErrors) {
    struct Row {
        const char *name;
        size_t offset;
        uint32_t value;
        bool started; // the page size let the reading begin
        int64_t files;
    };
    const Row rows[] = {
        {"no header pages", 60, 0, true, 0},
        {"page size not a power of two", 12, 768, false, 0},
        {"page size above 64 KiB", 12, 131072, false, 0},
        {"last bucket beyond the end of the file keeps the buckets inside", 40, 3, true, 2},
        {"last bucket below -1", 40, 0xFFFFFFFE, true, 0},
    };
    for (const Row &row : rows) {
        desktop.Shown.clear();
        desktop.ProgressLog.clear();
        TFatDbBuilder db;
        db.AddPairs({Pair(Entry("http://h.example/a"))});
        db.AddPairs({Pair(Entry("http://h.example/b"))});
        std::string bytes = db.Bytes();
        PutU32BigEndian(bytes, row.offset, row.value);
        TCabinet &cabinet = Read(bytes);
        EXPECT_EQ(desktop.Shown, std::vector<std::string>{ReadError(Path())}) << row.name;
        EXPECT_FALSE(cabinet.IndexComplete) << row.name;
        EXPECT_EQ(cabinet.GetFileCount(), row.files) << row.name;
        EXPECT_EQ(desktop.ProgressLog.front(), row.started ? "start:0:2" : "reset") << row.name;
        EXPECT_EQ(desktop.ProgressLog.back(), "reset") << row.name;
        root.RemoveCabinet(&cabinet);
    }
}

TEST_F(FatDbTest, MissingFileIsAReadError) {
    TCabinet *cabinet = root.AddCabinet(KindNetscape2, folder.Path(), "ns");
    ReadFatDb(*cabinet, folder.Path() + "none.db");
    EXPECT_EQ(desktop.Shown, std::vector<std::string>{ReadError(folder.Path() + "none.db")});
    EXPECT_FALSE(cabinet->IndexComplete);
    EXPECT_EQ(desktop.ProgressLog, std::vector<std::string>{"reset"});
}

TEST_F(FatDbTest, ProgressStepsOncePerPageAfterTheHeader) {
    TFatDbBuilder db;
    db.LastBucket = 0;
    db.AddPairs({Pair(Entry("http://h.example/a"))});
    db.AddRaw(std::string(512, '\xFF')); // a bitmap page
    db.AddPairs({});
    std::string bytes = db.Bytes() + std::string(100, '\0'); // and a short last page
    Read(bytes);
    // (4 * 512 + 100 - 512) / 512 = 3, but four pages start below the end of the file.
    EXPECT_EQ(desktop.ProgressLog, (std::vector<std::string>{"start:0:3", "step:1", "step:1",
                                                             "step:1", "step:1", "reset"}));
}

TEST_F(FatDbTest, LoadsAsTheCabinetOfAFolderWithFatDbInAnyCase) {
    TFatDbBuilder db;
    db.AddPairs({Pair(Entry("http://h.example/a")), Pair(Entry("http://h.example/b"))});
    folder.Write("FAT.DB", db.Bytes());
    TCabinet *cabinet = root.AddCabinet(KindUnknown, folder.Path(), "ns");
    LoadCabinet(*cabinet);
    EXPECT_EQ(cabinet->Kind, KindNetscape2);
    EXPECT_EQ(cabinet->GetFileCount(), 2);
    EXPECT_TRUE(desktop.Shown.empty());
    EXPECT_EQ(desktop.ProgressLog.front(),
              "status:Netsacpe Navigator V2.X～のキャッシュを読み込み中．．．");
}

TEST_F(FatDbTest, HostileStructuresEndInBoundedTime) {
    struct Row {
        const char *name;
        std::function<std::string()> build;
        bool error;
    };
    auto longEntryPage = [](uint16_t marker, uint16_t next) {
        TFatDbPage page;
        page.words = {4, 100, marker, TFatDbBuilder::OverflowAddress(next), 0, 0, 100};
        return page;
    };
    const Row rows[] = {
        {"last bucket near 2^31",
         [] {
             TFatDbBuilder db;
             db.AddPairs({Pair(Entry("http://h.example/a"))});
             db.LastBucket = 0x7FFFFFFF;
             return db.Bytes();
         },
         true},
        {"negative spare counts and header pages",
         [] {
             TFatDbBuilder db;
             db.AddPairs({Pair(Entry("http://h.example/a"))});
             std::string bytes = db.Bytes();
             PutU32BigEndian(bytes, 60, 0x80000000);
             for (size_t i = 0; i < 32; ++i)
                 PutU32BigEndian(bytes, 68 + 4 * i, 0xFFFFFFF0);
             return bytes;
         },
         true},
        {"page size of one byte over 64 KiB",
         [] {
             TFatDbBuilder db;
             db.LastBucket = 0x7FFFFFFF;
             std::string bytes = db.Bytes() + std::string(65536, '\x02');
             PutU32BigEndian(bytes, 12, 1);
             return bytes;
         },
         true},
        {"page size all ones",
         [] {
             TFatDbBuilder db;
             std::string bytes = db.Bytes();
             PutU32BigEndian(bytes, 12, 0xFFFFFFFF);
             return bytes;
         },
         true},
        {"chain returns to its own page",
         [] {
             TFatDbBuilder db;
             db.LastBucket = 0;
             db.AddPairs({Pair(Entry("http://h.example/a"))}, 2);
             db.AddPairs({Pair(Entry("http://h.example/b"))}, 2);
             return db.Bytes();
         },
         true},
        {"two buckets share an overflow page",
         [] {
             TFatDbBuilder db;
             db.LastBucket = 1;
             db.AddPairs({Pair(Entry("http://h.example/a"))}, 3);
             db.AddPairs({Pair(Entry("http://h.example/b"))}, 3);
             db.AddPairs({Pair(Entry("http://h.example/c"))});
             return db.Bytes();
         },
         true},
        {"long entry whose pieces loop",
         [&] {
             TFatDbBuilder db;
             db.LastBucket = 0;
             db.AddPage(longEntryPage(1, 2));
             db.AddPage(longEntryPage(1, 3));
             db.AddPage(longEntryPage(1, 2));
             return db.Bytes();
         },
         true},
        {"every page begins a long entry through all later pages",
         [&] {
             TFatDbBuilder db;
             for (size_t page = 1; page <= 2000; ++page)
                 db.AddPage(longEntryPage(1, page + 1));
             return db.Bytes();
         },
         true},
        {"long entry whose next piece is missing",
         [&] {
             TFatDbBuilder db;
             db.LastBucket = 0;
             db.AddPage(longEntryPage(1, 9));
             return db.Bytes();
         },
         true},
        {"long entry not first on its page",
         [] {
             TFatDbBuilder db;
             db.LastBucket = 0;
             db.AddPairs({Pair(Entry("http://h.example/a")), Pair(Entry("http://h.example/b"))});
             db.Page(1).words[4] = 3;
             return db.Bytes();
         },
         true},
        {"long entry with an unknown marker on its next page",
         [&] {
             TFatDbBuilder db;
             db.LastBucket = 0;
             db.AddPage(longEntryPage(1, 2));
             db.AddPage(longEntryPage(9, 3));
             return db.Bytes();
         },
         true},
    };
    for (const Row &row : rows) {
        desktop.Shown.clear();
        TCabinet &cabinet = Read(row.build());
        EXPECT_EQ(desktop.Shown.size(), row.error ? 1u : 0u) << row.name;
        EXPECT_EQ(cabinet.IndexComplete, !row.error) << row.name;
        root.RemoveCabinet(&cabinet);
    }
}

// ---- files written by the real library ----------------------------------------------------

#ifdef TRAWLER_BDB185_WRITE
constexpr const char *WriterTool = TRAWLER_BDB185_WRITE;
#else
constexpr const char *WriterTool = nullptr;
#endif
#ifdef TRAWLER_DB_DUMP185
constexpr const char *Dumper = TRAWLER_DB_DUMP185;
#else
constexpr const char *Dumper = nullptr;
#endif

bool ToolsPresent() {
    return WriterTool && Dumper && fs::FileExists(WriterTool) && fs::FileExists(Dumper);
}

std::string Counted32(const std::string &bytes) {
    return CountedText(bytes).substr(0, 4) + bytes;
}

// Runs the writer over the records; true when it succeeded.
bool WriteWithLibrary(const TTempFolder &folder, const std::string &records, int pageSize,
                      int fillFactor) {
    std::string input = folder.Write("records.bin", records);
    std::string command = std::string(WriterTool) + " " + folder.Path() + "fat.db " +
                          std::to_string(pageSize) + " " + std::to_string(fillFactor) + " < " +
                          input;
    return std::system(command.c_str()) == 0;
}

// The keys the library holds, as its own dumper prints them (hex lines after HEADER=END,
// key and data alternating).
std::set<std::string> KeysTheLibraryHolds(const std::string &file) {
    std::set<std::string> keys;
    std::string command = std::string(Dumper) + " " + file;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        return keys;
    std::string text;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, got);
    pclose(pipe);
    size_t pos = text.find("HEADER=END\n");
    if (pos == std::string::npos)
        return keys;
    pos += 11;
    bool isKey = true;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line[0] == ' ')
            line.erase(0, 1);
        if (isKey) {
            std::string key;
            for (size_t i = 0; i + 1 < line.size(); i += 2)
                key += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
            keys.insert(key);
        }
        isKey = !isKey;
        pos = end + 1;
    }
    return keys;
}

struct TLibraryCase {
    const char *name;
    int entries;
    int pageSize;
    int fillFactor;
    bool longOnes;   // addresses and data longer than a page
    int deleteEvery; // 0: none
};

class FatDbLibraryTest : public FatDbTest, public ::testing::WithParamInterface<TLibraryCase> {};

TEST_P(FatDbLibraryTest, FilesExactlyTheEntriesTheLibraryHolds) {
    if (!ToolsPresent())
        GTEST_SKIP() << "Berkeley DB 1.85 tools are not installed";
    const TLibraryCase &c = GetParam();
    std::map<std::string, TFatDbEntry> written; // by key
    std::string records;
    auto put = [&](const std::string &key, const std::string &data) {
        records += '+' + Counted32(key) + Counted32(data);
    };
    for (int i = 0; i < c.entries; ++i) {
        TFatDbEntry e;
        e.url = "http://www" + std::to_string(i % 37) + ".example.com/dir" + std::to_string(i % 3) +
                "/page" + std::to_string(i) + ".html";
        if (c.longOnes && i % 5 == 1)
            e.url += "?" + std::string(400 + i % 700, 'q');
        e.modified = 852076800 + i;
        e.accessed = 852076900 + 2 * i;
        e.size = i * 13;
        e.cacheFile = "cache" + std::to_string(i) + ".html";
        e.contentType = i % 4 ? "text/html" : "image/gif";
        if (c.longOnes && i % 5 == 3)
            e.unused = std::string(600 + i % 900, 'u');
        std::string key = FatDbKey(e.url);
        written[key] = e;
        put(key, FatDbData(e));
    }
    if (c.deleteEvery)
        for (int i = 0; i < c.entries; i += c.deleteEvery) {
            std::string key = std::next(written.begin(), i % written.size())->first;
            records += '-' + Counted32(key);
            written.erase(key);
        }
    put("INT_CACHESIZE", std::string("\x00\x10\x00\x00", 4));
    ASSERT_TRUE(WriteWithLibrary(folder, records, c.pageSize, c.fillFactor));

    std::set<std::string> held = KeysTheLibraryHolds(Path());
    EXPECT_EQ(held.size(), written.size() + 1);
    std::vector<std::string> expected;
    for (const std::string &key : held)
        if (key.compare(0, 4, "INT_") != 0) {
            ASSERT_EQ(written.count(key), 1u);
            expected.push_back(Describe(written[key]));
        }
    std::sort(expected.begin(), expected.end());

    TCabinet *cabinet = root.AddCabinet(KindNetscape2, folder.Path(), "ns");
    ReadFatDb(*cabinet, Path());
    EXPECT_TRUE(desktop.Shown.empty());
    EXPECT_TRUE(cabinet->IndexComplete);
    EXPECT_EQ(Describe(*cabinet), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FatDbLibraryTest,
    ::testing::Values(TLibraryCase{"ThreeThousandEntries", 3000, 4096, 64, false, 0},
                      TLibraryCase{"SmallPagesWithLongEntries", 400, 512, 8, true, 0},
                      TLibraryCase{"LongEntriesAndDeletions", 600, 512, 4, true, 3},
                      TLibraryCase{"HeaderOfTwoPages", 300, 256, 8, false, 7},
                      TLibraryCase{"DeepChains", 2000, 1024, 200, false, 5}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(FatDbTest, EveryPrefixOfALibraryFileReadsQuietlyOrFails) {
    if (!ToolsPresent())
        GTEST_SKIP() << "Berkeley DB 1.85 tools are not installed";
    std::string records;
    for (int i = 0; i < 40; ++i) {
        TFatDbEntry e = Entry("http://h.example/" + std::to_string(i), i);
        if (i % 9 == 4)
            e.url += std::string(300, 'x');
        records += '+' + Counted32(FatDbKey(e.url)) + Counted32(FatDbData(e));
    }
    ASSERT_TRUE(WriteWithLibrary(folder, records, 256, 4));
    std::string whole;
    ASSERT_TRUE(fs::ReadWholeFile(Path(), whole));
    ASSERT_GT(whole.size(), 1024u);
    for (size_t n = 0; n <= 1024; ++n) {
        desktop.Shown.clear();
        TCabinet *cabinet = root.AddCabinet(KindNetscape2, folder.Path(), "prefix");
        ReadFatDbImage(*cabinet, std::string_view(whole).substr(0, n), "prefix");
        EXPECT_LE(desktop.Shown.size(), 1u) << n;
        EXPECT_EQ(cabinet->IndexComplete, desktop.Shown.empty() && n >= 4) << n;
        EXPECT_LE(cabinet->GetFileCount(), 40) << n;
        root.RemoveCabinet(cabinet);
    }
}

} // namespace
