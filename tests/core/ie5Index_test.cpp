#include "stores/ie5Index.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "items/cab.h"
#include "items/file.h"
#include "platform/datetime.h"
#include "platform/fs.h"
#include "stores/cache.h"
#include "support/fakes.h"

namespace {

const std::string IndexPath = "/cache/index.dat";

std::string Sample(const std::string &name) {
    std::string image;
    fs::ReadWholeFile(std::string(TRAWLER_SOURCE_DIR) + "/tests/data/msie5/" + name, image);
    return image;
}

// The content sample: its one hash table, and its first record (the icon below, subfolder 0)
// with the hash entry that leads to it.
const std::string Content = Sample("content_ie5_index.dat");
constexpr uint32_t Table = 0x5000, IconEntry = 0x5198, Icon = 0x6000;
const std::string IconURL = "http://static-hp-neu.s-msn.com/sc/54/4f1880.ico";

void Put32(std::string &image, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i)
        image[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

class IE5IndexTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "Asia/Tokyo", 1);
        ResetTimeZoneBias();
    }
    TFakeDesktop desktop;
    TCabinetRoot root;

    TCabinet &Read(std::string_view image) {
        desktop.Shown.clear();
        desktop.ProgressLog.clear();
        TCabinet *cabinet = root.AddCabinet(KindMsie5, "/cache/", "ie5");
        ReadIE5IndexImage(*cabinet, image, IndexPath);
        return *cabinet;
    }
    bool ReadError() const {
        return desktop.Shown ==
               std::vector<std::string>{
                   "error: ファイル内のキャッシュデータが読めません。\r\nFile : " + IndexPath};
    }
    const TFile *Find(const TTree &cabinet, const std::string &url) {
        const TFile *found = nullptr;
        ForEachDescendant(cabinet, [&](const TTree &item) {
            if (item.IsFile() && static_cast<const TFile &>(item).URL == url)
                found = static_cast<const TFile *>(&item);
        });
        return found;
    }
};

// Content records name their cached file; history records are filed under the address after
// the "@" and name none.
TEST_F(IE5IndexTest, TheSamplesAreFiledByTheirKind) {
    struct Row {
        const char *file;
        int64_t files;
        std::string url, cacheFile;
    };
    const Row rows[] = {
        {"content_ie5_index.dat", 21, IconURL, "ENG3X4ZR/4f1880[1].ico"},
        {"nfury_index.dat", 982, "http://feed.tweetdeck.com/recommends?format=json",
         "G7JBVK1M/recommends[1].htm"},
        {"history_ie5_index.dat", 15, "http://www.msn.com/?ocid=iehp", ""},
        {"mshist_daily_index.dat", 23,
         "http://windowsupdate.microsoft.com/windowsupdate/v6/default.aspx", ""},
        {"grr_history_index.dat", 7, "http://www.google.com", ""}, // and 13 deleted entries
    };
    for (const Row &row : rows) {
        TCabinet &cabinet = Read(Sample(row.file));
        EXPECT_TRUE(cabinet.IndexComplete && desktop.Shown.empty()) << row.file;
        EXPECT_EQ(cabinet.GetFileCount(), row.files) << row.file;
        const TFile *file = Find(cabinet, row.url);
        ASSERT_NE(file, nullptr) << row.file;
        EXPECT_EQ(file->CacheFile, row.cacheFile) << row.file;
    }
    const TFile *icon = Find(Read(Content), IconURL);
    EXPECT_EQ(icon->Size, 4286);
    EXPECT_EQ(icon->ContentType, "image/x-icon");
    EXPECT_EQ(icon->Headers.substr(0, 17), "HTTP/1.1 200 OK\r\n");
    EXPECT_EQ(icon->Headers.substr(icon->Headers.size() - 23), "~U:gold_administrator\r\n");
    EXPECT_DOUBLE_EQ(icon->Modified, EncodeDateTime({2015, 3, 6, 18, 24, 44, 0}));
    EXPECT_DOUBLE_EQ(icon->Accessed, EncodeDateTime({2015, 8, 25, 20, 5, 20, 0}));
}

TEST_F(IE5IndexTest, OneRecordChanged) {
    struct Row {
        const char *name;
        void (*change)(std::string &image);
        const char *url, *cacheFile; // nullptr: not filed
    };
    const Row rows[] = {
        {"no cached file", [](std::string &b) { b[Icon + 56] = '\xFF'; }, IconURL.c_str(), ""},
        {"a leaked record", [](std::string &b) { b.replace(Icon, 4, "LEAK"); }, nullptr, nullptr},
        {"a deleted hash entry", [](std::string &b) { Put32(b, IconEntry, 0x45400801); }, nullptr,
         nullptr},
        {"a history address",
         [](std::string &b) { b.replace(Icon + 104, 18, "Visited: j@a:/x/y\0", 18); }, "a:/x/y",
         ""},
        {"a daily history address without a user",
         [](std::string &b) { b.replace(Icon + 104, 22, ":2013031020130311: xy\0", 22); }, "xy",
         ""},
    };
    for (const Row &row : rows) {
        std::string image = Content;
        row.change(image);
        TCabinet &cabinet = Read(image);
        EXPECT_TRUE(cabinet.IndexComplete) << row.name;
        EXPECT_EQ(cabinet.GetFileCount(), row.url ? 21 : 20) << row.name;
        if (row.url) {
            const TFile *file = Find(cabinet, row.url);
            ASSERT_NE(file, nullptr) << row.name;
            EXPECT_EQ(file->CacheFile, row.cacheFile) << row.name;
        }
    }
}

// One field set to a hostile value: a read error that keeps what was filed before the fault
// (nothing when the chain itself is at fault), never a crash or a hang.
TEST_F(IE5IndexTest, HostileFieldsAreReadErrors) {
    const uint32_t size = static_cast<uint32_t>(Content.size());
    struct Row {
        const char *name;
        uint32_t offset, value;
        bool chain;
    };
    const Row rows[] = {
        {"chain back to the table itself", Table + 8, Table, true},
        {"table entries past the end", 32, size - 64, true},
        {"subfolder count overflowing 32 bits", 72, 0x15555556, true},
        {"record past the end", IconEntry + 4, 0xFFFFFFFF, false},
        {"address past the end", Icon + 52, 0x7FFFFFFF, false},
        {"address without a NUL before the end", Icon + 52, size - Icon - 1, false},
        {"headers size overflowing", Icon + 72, 0xFFFFFFFF, false},
        {"subfolder beyond the list", Icon + 56, 0x10100004, false},
    };
    for (const Row &row : rows) {
        std::string image = Content;
        image.replace(size - 64, 4, "HASH"); // a table of 32 blocks at the end
        Put32(image, size - 60, 32);
        image.back() = 'x';
        Put32(image, row.offset, row.value);
        TCabinet &cabinet = Read(image);
        EXPECT_TRUE(ReadError() && !cabinet.IndexComplete) << row.name;
        EXPECT_EQ(desktop.ProgressLog.back(), "reset") << row.name;
        if (row.chain)
            EXPECT_EQ(desktop.ProgressLog, std::vector<std::string>{"reset"}) << row.name;
        else
            EXPECT_LT(cabinet.GetFileCount(), 21) << row.name;
    }
}

// Entries shared by many tables or texts shared by many records cost at most a few times the
// file size.
TEST_F(IE5IndexTest, SharedTablesAndTextsAreBounded) {
    std::string image = Content;
    for (uint32_t entry = Table + 16; entry < Table + 16 + 448 * 8; entry += 8) {
        Put32(image, entry, 0);
        Put32(image, entry + 4, Icon);
    }
    Put32(image, Icon + 68, 0);
    Put32(image, Icon + 72, 20000);
    EXPECT_EQ(Read(image).GetFileCount(), 1);
    EXPECT_TRUE(ReadError());

    std::string chain = Content;
    for (uint32_t table = Table; table + 16 < chain.size(); table += 16) {
        chain.replace(table, 4, "HASH");
        Put32(chain, table + 4, 32);
        Put32(chain, table + 8, table + 16);
    }
    Read(chain);
    EXPECT_TRUE(ReadError());
    EXPECT_EQ(desktop.ProgressLog, std::vector<std::string>{"reset"});
}

TEST_F(IE5IndexTest, EveryPrefixEndsInEntriesOrTheReadError) {
    for (const char *name : {"content_ie5_index.dat", "nfury_index.dat"}) {
        const std::string image = Sample(name);
        for (size_t n = 0; n < image.size(); n += n < 1024 ? 1 : 1021) {
            TCabinet &part = Read(std::string_view(image).substr(0, n));
            const bool signature = n == 0 || n >= IE5IndexSignature.size();
            EXPECT_EQ(ReadError(), signature && !part.IndexComplete) << name << " " << n;
            root.RemoveCabinet(&part);
        }
    }
}

TEST_F(IE5IndexTest, LoadCabinetRecognisesTheLaterFormat) {
    TTempFolder folder;
    folder.Write("INDEX.DAT", Content);
    TCabinet *cabinet = root.AddCabinet(KindUnknown, folder.Path(), "ie5");
    LoadCabinet(*cabinet);
    EXPECT_EQ(cabinet->Kind, KindMsie5);
    EXPECT_EQ(cabinet->GetFileCount(), 21);
    EXPECT_EQ(Find(*cabinet, IconURL)->GetLocalPath(), folder.Path() + "ENG3X4ZR/4f1880[1].ico");
}

} // namespace
