#include "stores/ie4Index.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "items/cab.h"
#include "items/file.h"
#include "platform/datetime.h"
#include "platform/fs.h"
#include "stores/cache.h"
#include "support/fakes.h"
#include "support/ieBuilder.h"

namespace {

const std::string IndexPath = "/cache/index.dat";
constexpr int64_t May2 = 862563600; // 1997-05-02 09:00:00 UTC, 18:00 in Tokyo

std::string ReadError(const std::string &path) {
    return "error: ファイル内のキャッシュデータが読めません。\r\nFile : " + path;
}

TIE4Record Record(const std::string &url, const std::string &fileName, uint32_t folder = 0) {
    TIE4Record r;
    r.URL = url;
    r.FileName = fileName;
    r.Folder = folder;
    r.Size = 1000;
    r.Modified = IE4FileTime(May2);
    r.Accessed = IE4FileTime(May2 + 3600);
    r.Headers = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n";
    return r;
}

// Every file below the cabinet as "url|cache file|size|type", sorted.
std::vector<std::string> Describe(const TTree &cabinet) {
    std::vector<std::string> rows;
    ForEachDescendant(cabinet, [&](const TTree &item) {
        if (!item.IsFile())
            return;
        const auto &file = static_cast<const TFile &>(item);
        rows.push_back(file.URL + "|" + file.CacheFile + "|" + std::to_string(file.Size) + "|" +
                       file.ContentType);
    });
    std::sort(rows.begin(), rows.end());
    return rows;
}

const TFile *FindFile(const TTree &cabinet, const std::string &url) {
    const TFile *found = nullptr;
    ForEachDescendant(cabinet, [&](const TTree &item) {
        if (item.IsFile() && static_cast<const TFile &>(item).URL == url)
            found = static_cast<const TFile *>(&item);
    });
    return found;
}

class IE4IndexTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "Asia/Tokyo", 1);
        ResetTimeZoneBias();
    }
    TFakeDesktop desktop;
    TCabinetRoot root;

    TCabinet &Read(std::string_view image) {
        TCabinet *cabinet = root.AddCabinet(KindMsie4, "/cache/", "ie4");
        ReadIE4IndexImage(*cabinet, image, IndexPath);
        return *cabinet;
    }
    int Resets() const {
        return static_cast<int>(
            std::count(desktop.ProgressLog.begin(), desktop.ProgressLog.end(), "reset"));
    }
};

TEST_F(IE4IndexTest, FilesEachAddressRecordWithItsFields) {
    TIE4Builder b;
    b.Folders = {"ABCDEFGH", "Q2"};
    TIE4Record home = Record("http://www.a.example/", "index[1].htm", 1);
    home.Size = 4321;
    home.Headers = "HTTP/1.0 200 OK\r\ncontent-type: Text/HTML; Charset=ISO-8859-1\r\n"
                   "Content-Length: 4321\r\n\r\n";
    b.Add(home);
    TIE4Record logo = Record("http://www.a.example/img/logo.gif", "logo[1].gif");
    logo.Headers = "HTTP/1.0 200 OK\r\nContent-Type: image/gif";
    logo.Size = 0xFFFFFFFF;
    b.Add(logo);
    TIE4Record bare = Record("http://www.b.example/x", "x[1]");
    bare.Headers = "HTTP/1.0 200 OK\r\nContent-Type:text/plain\r\n\r\n";
    b.Add(bare);
    TCabinet &cabinet = Read(b.Build().Bytes);
    EXPECT_TRUE(desktop.Shown.empty());
    EXPECT_TRUE(cabinet.IndexComplete);
    // The folder name of exactly eight bytes runs into the next entry's unused field: it is
    // taken whole, and "/" joins it to the file name.
    EXPECT_EQ(Describe(cabinet),
              (std::vector<std::string>{
                  "http://www.a.example/img/logo.gif|ABCDEFGH/logo[1].gif|-1|image/gif",
                  "http://www.a.example/|Q2/index[1].htm|4321|text/html; charset=iso-8859-1",
                  "http://www.b.example/x|ABCDEFGH/x[1]|1000|"}));
    const TFile *rootPage = FindFile(cabinet, "http://www.a.example/");
    ASSERT_NE(rootPage, nullptr);
    EXPECT_EQ(rootPage->Name(), RootPageName);
    EXPECT_EQ(rootPage->RootPage, 1);
    EXPECT_EQ(desktop.ProgressLog,
              (std::vector<std::string>{"start:0:3", "step:1", "step:1", "step:1", "reset"}));
}

TEST_F(IE4IndexTest, FileTimes) {
    struct Row {
        const char *name;
        uint64_t stored;
        double expected;
    };
    const Row rows[] = {
        {"zero", 0, 0},
        {"before 1980", IE4FileTime(300000000), 0},     // 1979-07-05
        {"before 1601 wraps far out", ~uint64_t{0}, 0}, // year 60056
        {"normal date, local time", IE4FileTime(May2), EncodeDateTime({1997, 5, 2, 18, 0, 0, 0})},
        {"odd second drops to the even one", IE4FileTime(May2 + 59),
         EncodeDateTime({1997, 5, 2, 18, 0, 58, 0})},
    };
    for (const Row &row : rows) {
        TIE4Builder b;
        TIE4Record r = Record("http://h.example/a", "a");
        r.Modified = row.stored;
        r.Accessed = row.stored;
        b.Add(r);
        TCabinet &cabinet = Read(b.Build().Bytes);
        const TFile *file = FindFile(cabinet, "http://h.example/a");
        ASSERT_NE(file, nullptr) << row.name;
        EXPECT_DOUBLE_EQ(file->Modified, row.expected) << row.name;
        EXPECT_DOUBLE_EQ(file->Accessed, row.expected) << row.name;
    }
}

// Which entries are read: the chain, the table ends, free entries and the record kinds.
TEST_F(IE4IndexTest, EntriesAndRecordsThatAreReadOrPassedOver) {
    struct Row {
        const char *name;
        void (*shape)(TIE4Builder &b);
        int64_t counted; // the progress maximum
        std::vector<std::string> files;
        int64_t stepped = -1; // -1: one step per file
        bool secondTableBroken = false;
    };
    const Row rows[] = {
        {"no table at all", [](TIE4Builder &b) { b.Tables = {}; }, 0, {}},
        {"two tables chained",
         [](TIE4Builder &b) {
             b.Add(Record("http://h.example/0", "f0"));
             b.Add(Record("http://h.example/1", "f1"));
             b.Tables = {{TIE4Entry::Of(1)}, {TIE4Entry::Of(0)}};
         },
         2,
         {"http://h.example/0|ABCD1234/f0|1000|text/html",
          "http://h.example/1|ABCD1234/f1|1000|text/html"}},
        {"free entries are neither counted nor read",
         [](TIE4Builder &b) {
             b.Add(Record("http://h.example/0", "f0"));
             b.Tables = {{TIE4Entry::RawOffset(3), TIE4Entry::Of(0), TIE4Entry::RawOffset(3)}};
         },
         1,
         {"http://h.example/0|ABCD1234/f0|1000|text/html"}},
        {"the first 0 entry ends the table",
         [](TIE4Builder &b) {
             b.Add(Record("http://h.example/0", "f0"));
             b.Add(Record("http://h.example/1", "f1"));
             b.Tables = {{TIE4Entry::Of(0), TIE4Entry::RawOffset(0), TIE4Entry::Of(1)}};
         },
         1,
         {"http://h.example/0|ABCD1234/f0|1000|text/html"}},
        {"other record kinds and records without a file are counted, not filed",
         [](TIE4Builder &b) {
             TIE4Record leak = Record("http://h.example/leak", "l");
             leak.Magic = "LEAK";
             TIE4Record redirect = Record("http://h.example/redr", "r");
             redirect.Magic = "REDR";
             TIE4Record lowerCase = Record("http://h.example/url", "u");
             lowerCase.Magic = "url ";
             TIE4Record noFile = Record("http://h.example/nofile", "n", 255);
             b.Add(leak);
             b.Add(redirect);
             b.Add(lowerCase);
             b.Add(noFile);
             b.Add(Record("http://h.example/kept", "k", 1));
         },
         5,
         {"http://h.example/kept|XYZ0/k|1000|text/html"}},
        {"a second table without HASH ends the chain quietly",
         [](TIE4Builder &b) {
             b.Add(Record("http://h.example/0", "f0"));
             b.Add(Record("http://h.example/1", "f1"));
             b.Tables = {{TIE4Entry::Of(0)}, {TIE4Entry::Of(1)}};
         },
         1,
         {"http://h.example/0|ABCD1234/f0|1000|text/html"},
         -1,
         true},
        {"the same address twice is filed once with the first record's data",
         [](TIE4Builder &b) {
             b.Add(Record("http://h.example/0", "first"));
             b.Add(Record("http://h.example/0", "second"));
         },
         2,
         {"http://h.example/0|ABCD1234/first|1000|text/html"},
         2},
    };
    for (const Row &row : rows) {
        desktop.ProgressLog.clear();
        TIE4Builder b;
        row.shape(b);
        TIE4Image image = b.Build();
        if (row.secondTableBroken)
            image.Bytes.replace(image.TableAt[1], 4, "HASX");
        TCabinet &cabinet = Read(image.Bytes);
        EXPECT_TRUE(desktop.Shown.empty()) << row.name;
        EXPECT_TRUE(cabinet.IndexComplete) << row.name;
        EXPECT_EQ(Describe(cabinet), row.files) << row.name;
        ASSERT_FALSE(desktop.ProgressLog.empty()) << row.name;
        EXPECT_EQ(desktop.ProgressLog.front(), "start:0:" + std::to_string(row.counted))
            << row.name;
        EXPECT_EQ(desktop.Stepped,
                  row.stepped >= 0 ? row.stepped : static_cast<int64_t>(row.files.size()))
            << row.name;
        EXPECT_EQ(Resets(), 1) << row.name;
    }
}

TEST_F(IE4IndexTest, SignatureAndEmptyFile) {
    struct Row {
        const char *name;
        std::string image;
        bool error;
    };
    TIE4Builder b;
    b.Add(Record("http://h.example/a", "a"));
    const std::string valid = b.Build().Bytes;
    std::string version5 = valid;
    version5.replace(24, 3, "5.2");
    std::string lowerCase = valid;
    lowerCase[0] = 'c';
    const Row rows[] = {
        {"empty file", "", true},
        {"ten other bytes", "0123456789", false},
        {"shorter than the signature", "Client UrlCache MMF", false},
        {"the signature of a later version", version5, false},
        {"signature in another case", lowerCase, false},
        // The signature matches, but the header holds no first table offset.
        {"signature alone", std::string(IE4IndexSignature), true},
    };
    for (const Row &row : rows) {
        desktop.Shown.clear();
        desktop.ProgressLog.clear();
        TCabinet &cabinet = Read(row.image);
        EXPECT_EQ(cabinet.GetFileCount(), 0) << row.name;
        EXPECT_FALSE(cabinet.IndexComplete) << row.name;
        EXPECT_EQ(desktop.Shown, row.error ? std::vector<std::string>{ReadError(IndexPath)}
                                           : std::vector<std::string>{})
            << row.name;
        EXPECT_EQ(desktop.ProgressLog, std::vector<std::string>{"reset"}) << row.name;
    }
}

// One field of a valid three-record index set to a hostile value: a read error that keeps
// the records filed before the fault.
TEST_F(IE4IndexTest, CorruptFieldsAreReadErrorsKeepingWhatWasFiled) {
    TIE4Builder b;
    b.Add(Record("http://h.example/0", "f0"));
    b.Add(Record("http://h.example/1", "f1"));
    b.Add(Record("http://h.example/2", "f2", 1));
    b.Tables = {{TIE4Entry::Of(0)}, {TIE4Entry::Of(1), TIE4Entry::Of(2)}};
    const TIE4Image valid = b.Build();
    const uint32_t size = static_cast<uint32_t>(valid.Bytes.size());
    const uint32_t t0 = valid.TableAt[0], t1 = valid.TableAt[1];
    const uint32_t r1 = valid.RecordAt[1], r2 = valid.RecordAt[2];
    // A second change where one field is not enough.
    using TExtra = void (*)(std::string & image, uint32_t t0);
    const TExtra noTableEnd = [](std::string &image, uint32_t t0) {
        for (size_t at = t0 + 16 + 8; at + 8 <= image.size(); at += 8)
            TIE4Builder::Put32(image, at + 4, 3);
    };
    const TExtra lastByteNotNul = [](std::string &image, uint32_t) { image.back() = 'x'; };
    struct Row {
        const char *name;
        uint32_t offset;
        uint32_t value;
        int64_t filed;
        TExtra extra = nullptr;
    };
    const Row rows[] = {
        {"first table beyond the file", 32, 0xFFFFFFFF, 0},
        {"first table at the last byte", 32, size - 1, 0},
        {"first table where the file ends", 32, size, 0},
        {"subfolder count beyond the file", 72, 0xFFFFFFFF, 0},
        {"subfolder list overflowing 32 bits", 72, 0x15555556, 0},
        {"next table back to the first", t1 + 8, t0, 0},
        {"next table back to itself", t1 + 8, t1, 0},
        {"next table beyond the file", t1 + 8, 0x7FFFFFFF, 0},
        {"table without its terminating entry", t0 + 16 + 8 + 4, 3, 0, noTableEnd},
        {"record beyond the file", t1 + 16 + 4, 0xFFFFFFFF, 1},
        {"record at the last byte", t1 + 16 + 4, size - 1, 1},
        {"record where the file ends", t1 + 16 + 4, size, 1},
        {"subfolder number beyond the list", r1 + 60, 2, 1},
        {"subfolder number 0xFFFFFFFF", r1 + 60, 0xFFFFFFFF, 1},
        {"address beyond the file", r1 + 56, 0xFFFFFFFF, 1},
        {"address before the record", r1 + 56, 0xFFFFFF00, 1},
        {"address without a NUL before the end", r2 + 56, size - r2 - 1, 2, lastByteNotNul},
        {"file name beyond the file", r2 + 64, 0x80000000, 2},
        {"headers beyond the file", r2 + 72, size - r2, 2},
    };
    for (const Row &row : rows) {
        desktop.Shown.clear();
        desktop.ProgressLog.clear();
        std::string image = valid.Bytes;
        TIE4Builder::Put32(image, row.offset, row.value);
        if (row.extra)
            row.extra(image, t0);
        TCabinet &cabinet = Read(image);
        EXPECT_EQ(desktop.Shown, std::vector<std::string>{ReadError(IndexPath)}) << row.name;
        EXPECT_FALSE(cabinet.IndexComplete) << row.name;
        EXPECT_EQ(cabinet.GetFileCount(), row.filed) << row.name;
        EXPECT_EQ(Resets(), 1) << row.name;
        EXPECT_EQ(desktop.ProgressLog.back(), "reset") << row.name;
    }
}

// Text offsets of 0 name the record's own first bytes: odd, but inside the file.
TEST_F(IE4IndexTest, ZeroTextOffsetsReadTheRecordItself) {
    TIE4Builder b;
    b.Add(Record("http://h.example/a", "a"));
    TIE4Image built = b.Build();
    const uint32_t record = built.RecordAt[0];
    TIE4Builder::Put32(built.Bytes, record + TIE4Builder::HeadersField, 0);
    TIE4Builder::Put32(built.Bytes, record + TIE4Builder::FileNameField, 0);
    TCabinet &cabinet = Read(built.Bytes);
    EXPECT_TRUE(desktop.Shown.empty());
    EXPECT_EQ(Describe(cabinet),
              std::vector<std::string>{"http://h.example/a|ABCD1234/URL \x02|1000|"});

    TIE4Builder::Put32(built.Bytes, record + TIE4Builder::AddressField, 0);
    TCabinet &again = Read(built.Bytes);
    EXPECT_TRUE(again.IndexComplete);
    EXPECT_EQ(Describe(again), std::vector<std::string>{"URL \x02|ABCD1234/URL \x02|1000|"});
}

TEST_F(IE4IndexTest, EveryPrefixOfTheFirstKibEndsInEntriesOrTheReadError) {
    TIE4Builder b;
    for (int i = 0; i < 8; ++i)
        b.Add(Record("http://h.example/d" + std::to_string(i % 3) + "/" + std::to_string(i),
                     "f" + std::to_string(i), static_cast<uint32_t>(i % 2)));
    const std::string image = b.Build().Bytes;
    ASSERT_GT(image.size(), 1024u);
    for (size_t n = 0; n <= 1024; ++n) {
        desktop.Shown.clear();
        desktop.ProgressLog.clear();
        TCabinet &cabinet = Read(std::string_view(image).substr(0, n));
        const bool signature = n >= IE4IndexSignature.size();
        EXPECT_EQ(desktop.Shown.size(), n == 0 || signature ? 1u : 0u) << n;
        EXPECT_FALSE(cabinet.IndexComplete) << n;
        EXPECT_LE(cabinet.GetFileCount(), 8) << n;
        EXPECT_EQ(Resets(), 1) << n;
        root.RemoveCabinet(&cabinet);
    }
}

// Overlapping texts and records shared by many entries cannot make a small file expensive.
TEST_F(IE4IndexTest, SharedTextsAreBoundedByTheFileSize) {
    TIE4Builder b;
    TIE4Record big = Record("http://h.example/" + std::string(60000, 'a'), "f");
    b.Add(big);
    std::vector<TIE4Entry> entries(20000, TIE4Entry::Of(0));
    b.Tables = {entries};
    TCabinet &cabinet = Read(b.Build().Bytes);
    EXPECT_EQ(desktop.Shown, std::vector<std::string>{ReadError(IndexPath)});
    EXPECT_EQ(cabinet.GetFileCount(), 1);
    EXPECT_LT(desktop.Stepped, 100);
}

// Tables that start every 16 bytes inside one long run of free entries: each would walk the
// whole run again.
TEST_F(IE4IndexTest, TablesSharingTheirEntriesAreAReadError) {
    TIE4Builder b;
    b.Tables = {std::vector<TIE4Entry>(4000, TIE4Entry::RawOffset(3))};
    TIE4Image valid = b.Build();
    std::string image = valid.Bytes;
    const uint32_t first = valid.TableAt[0];
    for (uint32_t k = 1; k < 1999; ++k) {
        const uint32_t table = first + 16 * k;
        image.replace(table, 4, "HASH");
        TIE4Builder::Put32(image, table + 8, table + 16);
    }
    TIE4Builder::Put32(image, first + 8, first + 16);
    Read(image);
    EXPECT_EQ(desktop.Shown, std::vector<std::string>{ReadError(IndexPath)});
    EXPECT_EQ(desktop.ProgressLog, std::vector<std::string>{"reset"});
}

// A table without a 0 entry of its own reads on into the next table, whose header words are
// taken as entries (records that do not begin with "URL") and whose entries are read twice.
TEST_F(IE4IndexTest, FullTableRunsOnIntoTheNext) {
    TIE4Builder b;
    b.Add(Record("http://h.example/0", "f0"));
    b.Add(Record("http://h.example/1", "f1"));
    b.Tables = {{TIE4Entry::Of(0)}, {TIE4Entry::Of(1)}};
    TIE4Image built = b.Build();
    for (uint32_t at = built.TableAt[0] + 16 + 8; at < built.TableAt[1]; at += 8)
        TIE4Builder::Put32(built.Bytes, at + 4, 3);
    TCabinet &cabinet = Read(built.Bytes);
    EXPECT_TRUE(desktop.Shown.empty());
    EXPECT_TRUE(cabinet.IndexComplete);
    EXPECT_EQ(Describe(cabinet),
              (std::vector<std::string>{"http://h.example/0|ABCD1234/f0|1000|text/html",
                                        "http://h.example/1|ABCD1234/f1|1000|text/html"}));
    // Table 1's header (HASH, 1 block; next 0, sequence 1) and its entry, then table 1 again.
    EXPECT_EQ(desktop.ProgressLog.front(), "start:0:5");
    EXPECT_EQ(desktop.Stepped, 3);
}

TEST_F(IE4IndexTest, IndexFileIsFoundInTheFolderInAnyCase) {
    TTempFolder folder;
    TIE4Builder b;
    b.Add(Record("http://h.example/a", "a"));
    folder.Write("INDEX.DAT", b.Build().Bytes);
    TCabinet *cabinet = root.AddCabinet(KindMsie4, folder.Path(), "ie4");
    ReadIE4Index(*cabinet, folder.Path());
    EXPECT_TRUE(desktop.Shown.empty());
    EXPECT_EQ(cabinet->GetFileCount(), 1);
    // Named directly, the index file is read as it stands.
    TCabinet *direct = root.AddCabinet(KindMsie4, folder.Path(), "direct");
    ReadIE4Index(*direct, folder.Path() + "INDEX.DAT");
    EXPECT_EQ(direct->GetFileCount(), 1);

    TTempFolder empty;
    desktop.ProgressLog.clear();
    TCabinet *missing = root.AddCabinet(KindMsie4, empty.Path(), "missing");
    ReadIE4Index(*missing, empty.Path());
    EXPECT_EQ(desktop.Shown, std::vector<std::string>{ReadError(empty.Path() + "index.dat")});
    EXPECT_FALSE(missing->IndexComplete);
    EXPECT_EQ(desktop.ProgressLog, std::vector<std::string>{"reset"});
}

TEST_F(IE4IndexTest, LoadCabinetRecognisesAndReadsTheCache) {
    TTempFolder folder;
    TIE4Builder b;
    b.Add(Record("http://h.example/a.html", "a[1].html"));
    folder.Write("index.dat", b.Build().Bytes);
    folder.Write("ABCD1234/a[1].html", "<html>");
    TCabinet *cabinet = root.AddCabinet(KindUnknown, folder.Path(), "ie4");
    LoadCabinet(*cabinet);
    EXPECT_EQ(cabinet->Kind, KindMsie4);
    ASSERT_EQ(cabinet->GetFileCount(), 1);
    const TFile *file = FindFile(*cabinet, "http://h.example/a.html");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->GetLocalPath(), folder.Path() + "ABCD1234/a[1].html");
}

// Real index files of the later format: read as they are, they have the wrong signature;
// relabelled as 4.7 (their tables and records lie partly at other places) they must end in
// entries or the read error, also cut short and with bytes changed.
TEST_F(IE4IndexTest, LaterFormatFilesAreHostileButHarmless) {
    const std::string seeds = std::string(TRAWLER_SOURCE_DIR) + "/fuzz/ie4index/seeds/";
    std::vector<std::string> images;
    for (const auto &entry : fs::ListFolder(seeds)) {
        std::string image;
        if (entry.Name.rfind("ver52-", 0) == 0 && fs::ReadWholeFile(seeds + entry.Name, image))
            images.push_back(image);
    }
    ASSERT_GE(images.size(), 2u);
    std::mt19937 random(4711);
    for (std::string &image : images) {
        ASSERT_EQ(image.substr(0, IE4IndexSignature.size()), IE4IndexSignature);
        std::string later = image;
        later.replace(24, 3, "5.2");
        desktop.Shown.clear();
        EXPECT_EQ(Read(later).GetFileCount(), 0);
        EXPECT_TRUE(desktop.Shown.empty());

        for (int round = 0; round < 300; ++round) {
            std::string changed = image;
            if (round % 3 == 0)
                changed.resize(random() % changed.size());
            const int changes = 1 + static_cast<int>(random() % 4);
            for (int i = 0; i < changes && changed.size() > 32; ++i) {
                size_t at = 27 + random() % (changed.size() - 27) / 4 * 4;
                if (at + 4 <= changed.size())
                    TIE4Builder::Put32(changed, at, static_cast<uint32_t>(random()));
            }
            desktop.Shown.clear();
            desktop.ProgressLog.clear();
            TCabinet &cabinet = Read(changed);
            EXPECT_TRUE(cabinet.IndexComplete || desktop.Shown.size() == 1u);
            EXPECT_EQ(Resets(), 1);
            root.RemoveCabinet(&cabinet);
        }
    }
}

} // namespace

namespace {
// The demo caches: every entry is read and names a file that is there, of the stored size.
TEST(IEDemoCacheTest, ReadWhole) {
    struct Row {
        const char *folder;
        uint8_t kind;
    };
    for (const Row &row : {Row{"msie4", KindMsie4}, Row{"msie2", KindMsie2}}) {
        TFakeDesktop desktop;
        TCabinetRoot root;
        const std::string folder = std::string(TRAWLER_SOURCE_DIR) + "/samples/" + row.folder + "/";
        TCabinet *cabinet = root.AddCabinet(KindUnknown, folder, row.folder);
        LoadCabinet(*cabinet);
        EXPECT_EQ(cabinet->Kind, row.kind) << row.folder;
        EXPECT_TRUE(cabinet->IndexComplete) << row.folder;
        EXPECT_TRUE(desktop.Shown.empty()) << row.folder;
        EXPECT_EQ(cabinet->GetFileCount(), 7) << row.folder;
        ForEachDescendant(*cabinet, [&](const TTree &item) {
            if (!item.IsFile())
                return;
            const auto &file = static_cast<const TFile &>(item);
            std::string data;
            EXPECT_TRUE(fs::ReadWholeFile(file.GetLocalPath(), data)) << file.GetLocalPath();
            EXPECT_EQ(data.size(), static_cast<size_t>(file.Size)) << file.GetLocalPath();
            EXPECT_EQ(file.GetURL(), file.URL);
            EXPECT_NE(file.Modified, 0.0);
            EXPECT_GT(file.Accessed, file.Modified);
        });
    }
}
} // namespace
