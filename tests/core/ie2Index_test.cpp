#include "stores/ie2Index.h"

#include <algorithm>
#include <cstdint>
#include <optional>
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

const std::string IndexPath = "/cache/iexplore.cif";
const uint32_t May2 = IE2PackedTime(1997, 5, 2, 9, 0);    // 18:00 in Tokyo
const uint32_t May11 = IE2PackedTime(1997, 5, 11, 10, 1); // 19:01 in Tokyo

std::string ReadError(const std::string &path) {
    return "error: ファイル内のキャッシュデータが読めません。\r\nFile : " + path;
}

double Local(int year, int month, int day, int hour, int minute) {
    return EncodeDateTime({year, month, day, hour, minute, 0, 0});
}

const TFile *FindFile(const TTree &cabinet, const std::string &url) {
    const TFile *found = nullptr;
    ForEachDescendant(cabinet, [&](const TTree &item) {
        if (item.IsFile() && static_cast<const TFile &>(item).URL == url)
            found = static_cast<const TFile *>(&item);
    });
    return found;
}

class IE2IndexTest : public ::testing::Test {
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
        TCabinet *cabinet = root.AddCabinet(KindMsie2, "/cache/", "ie2");
        ReadIE2IndexImage(*cabinet, image, IndexPath);
        return *cabinet;
    }
};

TEST_F(IE2IndexTest, PackedTimes) {
    struct Row {
        const char *name;
        uint32_t packed;
        std::optional<double> expected;
    };
    const Row rows[] = {
        {"the documented example, UTC to Tokyo", 2094076100, Local(1997, 1, 2, 12, 4)},
        {"late evening passes midnight", IE2PackedTime(1997, 12, 31, 20, 59),
         Local(1998, 1, 1, 5, 59)},
        {"leap day", IE2PackedTime(1996, 2, 29, 0, 0), Local(1996, 2, 29, 9, 0)},
        {"the last year the bits hold", IE2PackedTime(4095, 12, 31, 23, 59),
         Local(4096, 1, 1, 8, 59)},
        {"month 0", IE2PackedTime(1997, 0, 2, 3, 4), std::nullopt},
        {"month 13", IE2PackedTime(1997, 13, 2, 3, 4), std::nullopt},
        {"day 0", IE2PackedTime(1997, 1, 0, 3, 4), std::nullopt},
        {"February 29 of a common year", IE2PackedTime(1997, 2, 29, 3, 4), std::nullopt},
        {"April 31", IE2PackedTime(1997, 4, 31, 3, 4), std::nullopt},
        {"hour 24", IE2PackedTime(1997, 1, 2, 24, 0), std::nullopt},
        {"minute 60", IE2PackedTime(1997, 1, 2, 3, 60), std::nullopt},
        {"year 0", IE2PackedTime(0, 1, 2, 3, 4), std::nullopt},
        {"all bits set", 0xFFFFFFFF, std::nullopt},
        {"zero", 0, std::nullopt},
    };
    for (const Row &row : rows) {
        std::optional<double> got = PackedTimeToDateTime(row.packed);
        ASSERT_EQ(got.has_value(), row.expected.has_value()) << row.name;
        if (got) {
            TDateFields want = DecodeDateTime(*row.expected), have = DecodeDateTime(*got);
            EXPECT_EQ(std::vector<int>(
                          {have.Year, have.Month, have.Day, have.Hour, have.Minute, have.Second}),
                      std::vector<int>(
                          {want.Year, want.Month, want.Day, want.Hour, want.Minute, want.Second}))
                << row.name;
        }
    }
}

TEST_F(IE2IndexTest, FilesEachLineWithItsFields) {
    const std::string first = IE2Line("http://www.a.example/", 4321, May2, May11, "text/html",
                                      "C:\\WINDOWS\\Cache\\abc.htm");
    const std::string second =
        IE2Line("http://www.a.example/img/logo.gif", -1, May11, May2, "image/GIF", "D:xyz.gif");
    const std::string third =
        IE2Line("http://www.b.example/plain", 0, May2, May2, "", "plain_name");
    const std::string text = IE2Header() + first + second + third + "1,trailing";
    TCabinet &cabinet = Read(text);
    EXPECT_TRUE(desktop.Shown.empty());
    EXPECT_TRUE(cabinet.IndexComplete);
    ASSERT_EQ(cabinet.GetFileCount(), 3);

    const TFile *home = FindFile(cabinet, "http://www.a.example/");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(home->Name(), RootPageName);
    EXPECT_EQ(home->RootPage, 1);
    EXPECT_EQ(home->Size, 4321);
    EXPECT_DOUBLE_EQ(home->Modified, Local(1997, 5, 2, 18, 0));
    EXPECT_DOUBLE_EQ(home->Accessed, Local(1997, 5, 11, 19, 1));
    EXPECT_EQ(home->ContentType, "text/html");
    EXPECT_EQ(home->CacheFile, "abc.htm");

    const TFile *logo = FindFile(cabinet, "http://www.a.example/img/logo.gif");
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->Size, -1);
    EXPECT_EQ(logo->ContentType, "image/GIF"); // as stored
    EXPECT_EQ(logo->CacheFile, "xyz.gif");
    EXPECT_EQ(FindFile(cabinet, "http://www.b.example/plain")->CacheFile, "plain_name");

    EXPECT_EQ(desktop.ProgressLog,
              (std::vector<std::string>{"start:0:" + std::to_string(text.size()),
                                        "step:" + std::to_string(first.size()),
                                        "step:" + std::to_string(second.size()),
                                        "step:" + std::to_string(third.size()), "reset"}));
}

TEST_F(IE2IndexTest, RecordCarriesOverToShorterLines) {
    TCabinet &cabinet = Read(
        IE2Header() + IE2Line("http://h.example/a", 42, May2, May11, "text/html", "C:\\c\\a.htm") +
        "1,http://h.example/b,7\r\n" +
        // Text after the last separator is not stored: the address stays.
        "1,http://h.example/c\n");
    EXPECT_TRUE(cabinet.IndexComplete);
    EXPECT_EQ(cabinet.GetFileCount(), 2);
    const TFile *b = FindFile(cabinet, "http://h.example/b");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Size, 7);
    EXPECT_DOUBLE_EQ(b->Modified, Local(1997, 5, 2, 18, 0));
    EXPECT_DOUBLE_EQ(b->Accessed, Local(1997, 5, 11, 19, 1));
    EXPECT_EQ(b->ContentType, "text/html");
    EXPECT_EQ(b->CacheFile, "a.htm");
    EXPECT_EQ(FindFile(cabinet, "http://h.example/c"), nullptr);
}

// One line between two good ones: accepted, or a read error that keeps the first.
TEST_F(IE2IndexTest, Lines) {
    const std::string twelve = "1,http://h.example/2,3,2094076100,4,5,6,2094076100,8,t,p,11";
    struct Row {
        const char *name;
        std::string line;
        bool accepted;
    };
    const Row rows[] = {
        {"twelve separators", twelve + "\r\n", true},
        {"twelve separators and a last field", twelve + ",12\n", true},
        {"thirteen separators", twelve + ",12\r\n", false},
        {"carriage returns separate fields", "1\rhttp://h.example/2\r3\r\n", true},
        {"an address with a comma is cut, the size follows", "1,http://h.example/2?a,5\r\n", true},
        {"an address with a comma shifts text into the size", "1,http://h.example/2?a,b,5\r\n",
         false},
        {"size in hex with blanks and sign", "1,http://h.example/2,  -$1F\r\n", true},
        {"size empty", "1,http://h.example/2,\r\n", false},
        {"size with a letter", "1,http://h.example/2,12a\r\n", false},
        {"size above 32 bits", "1,http://h.example/2,2147483648\r\n", false},
        {"modified with month 0", "1,http://h.example/2,3,2093010000\r\n", false},
        {"accessed not a number", "1,http://h.example/2,3,2094076100,4,5,6,never\r\n", false},
        {"unused fields are not numbers", "x,http://h.example/2,3,2094076100,y,z,w\r\n", true},
    };
    for (const Row &row : rows) {
        TCabinet &cabinet =
            Read(IE2Header() + IE2Line("http://h.example/1", 1, May2, May2, "", "a") + row.line +
                 IE2Line("http://h.example/3", 1, May2, May2, "", "c"));
        EXPECT_EQ(cabinet.IndexComplete, row.accepted) << row.name;
        EXPECT_EQ(cabinet.GetFileCount(), row.accepted ? 3 : 1) << row.name;
        EXPECT_EQ(desktop.Shown, row.accepted ? std::vector<std::string>{}
                                              : std::vector<std::string>{ReadError(IndexPath)})
            << row.name;
        EXPECT_EQ(desktop.ProgressLog.back(), "reset") << row.name;
    }
}

TEST_F(IE2IndexTest, SignatureAndEmptyFile) {
    const std::string line = IE2Line("http://h.example/a", 1, May2, May2, "", "a");
    std::string withoutRegistered = IE2Header() + line;
    withoutRegistered.replace(11, 1, "(R)");
    struct Row {
        const char *name;
        std::string text;
        bool error;
        bool complete;
        int64_t files;
    };
    const Row rows[] = {
        {"empty file", "", true, false, 0},
        {"ten other bytes", "0123456789", false, false, 0},
        {"shorter than the signature", "V,Microsoft", false, false, 0},
        {"signature in another case", "v" + IE2Header().substr(1) + line, false, false, 0},
        {"registered sign written out", withoutRegistered, false, false, 0},
        {"signature without a line feed", std::string(IE2IndexSignature), false, true, 0},
        {"signature line only", IE2Header(), false, true, 0},
        {"last line without a line feed", IE2Header() + line + line.substr(0, line.size() - 1),
         false, true, 1},
    };
    for (const Row &row : rows) {
        TCabinet &cabinet = Read(row.text);
        EXPECT_EQ(cabinet.GetFileCount(), row.files) << row.name;
        EXPECT_EQ(cabinet.IndexComplete, row.complete) << row.name;
        EXPECT_EQ(desktop.Shown, row.error ? std::vector<std::string>{ReadError(IndexPath)}
                                           : std::vector<std::string>{})
            << row.name;
        EXPECT_EQ(std::count(desktop.ProgressLog.begin(), desktop.ProgressLog.end(), "reset"), 1)
            << row.name;
    }
}

TEST_F(IE2IndexTest, EveryPrefixOfTheFirstKibReadsItsWholeLinesQuietly) {
    std::string text = IE2Header();
    for (int i = 0; i < 12; ++i)
        text += IE2Line("http://h.example/d" + std::to_string(i % 3) + "/" + std::to_string(i),
                        i * 100, May2 + static_cast<uint32_t>(i), May11, "text/html",
                        "C:\\WINDOWS\\Cache\\f" + std::to_string(i) + ".htm");
    ASSERT_GT(text.size(), 1024u);
    for (size_t n = 0; n <= 1024; ++n) {
        std::string prefix = text.substr(0, n);
        TCabinet &cabinet = Read(prefix);
        const auto lineFeeds = std::count(prefix.begin(), prefix.end(), '\n');
        const bool signature = n >= IE2IndexSignature.size();
        EXPECT_EQ(cabinet.GetFileCount(), lineFeeds > 1 ? lineFeeds - 1 : 0) << n;
        EXPECT_EQ(desktop.Shown.size(), n == 0 ? 1u : 0u) << n;
        EXPECT_EQ(cabinet.IndexComplete, signature) << n;
        root.RemoveCabinet(&cabinet);
    }
}

TEST_F(IE2IndexTest, MissingFileIsAReadError) {
    TTempFolder folder;
    TCabinet *cabinet = root.AddCabinet(KindMsie2, folder.Path(), "ie2");
    ReadIE2Index(*cabinet, folder.Path() + "iexplore.cif");
    EXPECT_EQ(desktop.Shown, std::vector<std::string>{ReadError(folder.Path() + "iexplore.cif")});
    EXPECT_FALSE(cabinet->IndexComplete);
    EXPECT_EQ(desktop.ProgressLog, std::vector<std::string>{"reset"});
}

TEST_F(IE2IndexTest, LoadCabinetFindsTheIndexAndTheCachedFilesInAnyCase) {
    TTempFolder folder;
    folder.Write("IEXPLORE.CIF",
                 IE2Header() + IE2Line("http://h.example/a.html", 6, May2, May2, "text/html",
                                       "C:\\WINDOWS\\CACHE\\A0B1C2D3.HTM"));
    folder.Write("a0b1c2d3.htm", "<html>");
    TCabinet *cabinet = root.AddCabinet(KindUnknown, folder.Path(), "ie2");
    LoadCabinet(*cabinet);
    EXPECT_EQ(cabinet->Kind, KindMsie2);
    EXPECT_TRUE(desktop.Shown.empty());
    const TFile *file = FindFile(*cabinet, "http://h.example/a.html");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->GetLocalPath(), folder.Path() + "a0b1c2d3.htm");
}

} // namespace
