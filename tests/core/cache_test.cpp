// Cabinet loading: kind recognition, flags, progress, the refresh cycle and the helpers all
// readers share.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <unistd.h>

#include "config/settings.h"
#include "items/cab.h"
#include "items/file.h"
#include "platform/datetime.h"
#include "platform/fs.h"
#include "stores/cache.h"
#include "stores/plainLog.h"
#include "support/fakes.h"

namespace {
const std::string Signature = "MCOM-Cache-file-allocation-table-format-1\r\n";

std::string IndexLine(const std::string &link, const std::string &url, int size) {
    return "0\t852076800\t852076900\t" + link + "\t" + url + "\ttext/html\t\t" +
           std::to_string(size) + "\t\t\t\r\n";
}

class CacheTest : public ::testing::Test {
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
};

std::string Read(const std::string &path) {
    std::string bytes;
    fs::ReadWholeFile(path, bytes);
    return bytes;
}
} // namespace

TEST_F(CacheTest, RecognisesKindFromMarkerFilesInProbeOrder) {
    struct Row {
        const char *name;
        std::vector<std::string> files;
        uint8_t kind;
    };
    const Row rows[] = {
        {"fat before index.dat", {"fat", "index.dat"}, KindNetscape1},
        {"DESKTOP.INI before trfat.db", {"trfat.db", "DESKTOP.INI"}, KindMsie3},
        {"fat.db", {"fat.db"}, KindNetscape2},
        {"iexplore.cif", {"iexplore.cif"}, KindMsie2},
        {"Tapline", {"Cache.db"}, KindTapline},
        {"index.dat in upper case from a FAT disk", {"INDEX.DAT"}, KindMsie4},
        {"index.dat of the later format", {"index.dat=Client UrlCache MMF Ver 5.2"}, KindMsie5},
        {"index.dat cut inside the later signature", {"index.dat=Client UrlCache MMF Ver 5."},
         KindMsie4},
        {"desktop.ini in lower case", {"desktop.ini"}, KindMsie3},
        {"nothing is a plain log", {"page.html"}, KindPlainLog},
    };
    for (const Row &row : rows) {
        TTempFolder dir;
        for (const auto &f : row.files) {
            const size_t equals = f.find('=');
            dir.Write(f.substr(0, equals), equals == std::string::npos ? "x" : f.substr(equals + 1));
        }
        TCabinet *cabinet = root.AddCabinet(KindUnknown, dir.Path(), "c");
        DetectCabinetKind(*cabinet);
        EXPECT_EQ(cabinet->Kind, row.kind) << row.name;
    }
}

TEST_F(CacheTest, FolderNamedLikeAMarkerDoesNotCountAndAKnownKindStays) {
    std::filesystem::create_directories(folder.Path() + "fat");
    TCabinet *unknown = root.AddCabinet(KindUnknown, folder.Path(), "c");
    DetectCabinetKind(*unknown);
    EXPECT_EQ(unknown->Kind, KindPlainLog);

    folder.Write("trfat.db", Signature);
    TCabinet *known = root.AddCabinet(KindNetscape2, folder.Path(), "c");
    DetectCabinetKind(*known);
    EXPECT_EQ(known->Kind, KindNetscape2);
}

TEST_F(CacheTest, MirrorWithoutIndexLoadsEmptyWithoutLoadingText) {
    TCabinet *cabinet = root.AddCabinet(KindMirrorLog, folder.Path(), "m");
    LoadCabinet(*cabinet);
    EXPECT_TRUE(cabinet->IndexRead);
    EXPECT_EQ(cabinet->ChildCount(), 0u);
    EXPECT_EQ(desktop.ProgressLog, std::vector<std::string>{"status:"});
    EXPECT_TRUE(desktop.Shown.empty());
}

TEST_F(CacheTest, LoadingShowsTextProgressAndClearsTheText) {
    folder.Write("trfat.db", Signature + IndexLine("a", "http://h/a.html", 3));
    TCabinet *cabinet = root.AddCabinet(KindUnknown, folder.Path(), "m");
    LoadCabinet(*cabinet);
    ASSERT_FALSE(desktop.ProgressLog.empty());
    EXPECT_EQ(desktop.ProgressLog.front(), "status:ミラーログを読み込み中．．．");
    EXPECT_EQ(desktop.ProgressLog.back(), "status:");
    EXPECT_EQ(cabinet->Kind, KindMirrorLog);
    EXPECT_EQ(cabinet->GetFileCount(), 1);
}

TEST_F(CacheTest, DeletableFollowsTheKindUnlessOpDelete) {
    struct Row {
        const char *name;
        uint8_t kind;
        bool opDelete;
        bool stored;
        bool expected;
    };
    const Row rows[] = {
        {"cache made deletable by the settings, OpDelete off", KindNetscape1, false, true, false},
        {"plain log stored not deletable, OpDelete off", KindPlainLog, false, false, true},
        {"cache kept deletable with OpDelete on", KindNetscape1, true, true, true},
        {"plain log kept not deletable with OpDelete on", KindPlainLog, true, false, false},
        {"Tapline, OpDelete off", KindTapline, false, false, true},
    };
    for (const Row &row : rows) {
        TTempFolder dir;
        if (row.kind == KindNetscape1)
            dir.Write("fat", Signature);
        Settings().OpDelete = row.opDelete;
        TCabinet *cabinet = root.AddCabinet(row.kind, dir.Path(), "c");
        cabinet->Deletable = row.stored;
        LoadCabinet(*cabinet);
        EXPECT_EQ(cabinet->Deletable, row.expected) << row.name;
    }
}

TEST_F(CacheTest, NetscapeCacheWithoutItsIndexIsAReadError) {
    TCabinet *cabinet = root.AddCabinet(KindNetscape1, folder.Path(), "n");
    LoadCabinet(*cabinet);
    ASSERT_EQ(desktop.Shown.size(), 1u);
    EXPECT_EQ(desktop.Shown[0], "error: ファイル内のキャッシュデータが読めません。\r\nFile : " +
                                    folder.Path() + "fat");
    EXPECT_TRUE(cabinet->IndexRead);
}

TEST_F(CacheTest, RefreshOfAPlainLogKeepsMetItemsAddsNewOnesAndSweepsGoneOnes) {
    folder.Write("http=h/a/kept.html", "1");
    folder.Write("http=h/a/gone.html", "2");
    TCabinet *cabinet = root.AddCabinet(KindUnknown, folder.Path(), "p");
    LoadCabinet(*cabinet);
    ASSERT_EQ(cabinet->GetFileCount(), 2);
    TTree *server = FindChild(*cabinet, "http=h");
    ASSERT_NE(server, nullptr);
    TTree *a = FindChild(*server, "a");
    auto *kept = static_cast<TFile *>(FindChild(*a, "kept.html"));
    TItemRef keptRef(kept), goneRef(FindChild(*a, "gone.html"));
    kept->ContentType = "text/x-kept"; // data of met items is not replaced

    std::filesystem::remove(folder.Path() + "http=h/a/gone.html");
    folder.Write("http=h/a/new.html", "33");
    RefreshCabinet(*cabinet);

    EXPECT_EQ(keptRef.Get(), kept);
    EXPECT_EQ(kept->ContentType, "text/x-kept");
    EXPECT_EQ(goneRef.Get(), nullptr);
    TTree *fresh = FindChild(*a, "new.html");
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(static_cast<TFile *>(fresh)->Size, 2);
    EXPECT_EQ(cabinet->GetFileCount(), 2);
}

TEST_F(CacheTest, RefreshOfAMirrorWritesTheTreeFirstSoPastedItemsStay) {
    folder.Write("trfat.db", Signature + IndexLine("http=h/a.html", "http://h/a.html", 3));
    TCabinet *cabinet = root.AddCabinet(KindUnknown, folder.Path(), "m");
    LoadCabinet(*cabinet);
    TTree *server = FindChild(*cabinet, "http://h");
    ASSERT_NE(server, nullptr);
    TFileData data;
    data.URL = "http://h/b.html";
    data.Size = 7;
    TItemRef pasted(TFile::Create(*server, data, "b.html"));

    RefreshCabinet(*cabinet);
    EXPECT_NE(pasted.Get(), nullptr);
    EXPECT_EQ(cabinet->GetFileCount(), 2);
    EXPECT_TRUE(fs::FileExists(folder.Path() + "trfat.bak"));
    EXPECT_NE(Read(folder.Path() + "trfat.db").find("http://h/b.html"), std::string::npos);
}

TEST_F(CacheTest, IndexThatFailedToReadIsNeverWrittenBack) {
    const std::string broken = Signature + IndexLine("x", "http://h/x", 1) +
                               "0\tnot-a-number\t0\ty\thttp://h/y\r\n" +
                               IndexLine("z", "http://h/z", 1);
    folder.Write("trfat.db", broken);
    TCabinet *cabinet = root.AddCabinet(KindUnknown, folder.Path(), "m");
    LoadCabinet(*cabinet);
    EXPECT_EQ(cabinet->GetFileCount(), 1); // what was filed before the failure stays
    EXPECT_FALSE(cabinet->IndexComplete);
    UpdateCabinetIndex(*cabinet);
    RefreshCabinet(*cabinet);
    EXPECT_EQ(Read(folder.Path() + "trfat.db"), broken);
    EXPECT_FALSE(fs::FileExists(folder.Path() + "trfat.bak"));
}

TEST_F(CacheTest, TaplineIndexIsWrittenToTheFileRecognitionFound) {
    folder.Write("cache.db", Signature + IndexLine("c1", "http://h/a.html", 3));
    TCabinet *cabinet = root.AddCabinet(KindUnknown, folder.Path(), "t");
    LoadCabinet(*cabinet);
    ASSERT_EQ(cabinet->Kind, KindTapline);
    UpdateCabinetIndex(*cabinet);
    EXPECT_TRUE(fs::FileExists(folder.Path() + "cache.db"));
    EXPECT_FALSE(fs::FileExists(folder.Path() + "Cache.db"));
    EXPECT_TRUE(fs::FileExists(folder.Path() + "cache.bak"));
    EXPECT_NE(std::find(desktop.ProgressLog.begin(), desktop.ProgressLog.end(),
                        "status:Taplineのデータベースを更新中．．．"),
              desktop.ProgressLog.end());
}

TEST_F(CacheTest, OtherKindsWriteNoIndex) {
    folder.Write("fat", Signature + IndexLine("c1", "http://h/a.html", 3));
    TCabinet *cabinet = root.AddCabinet(KindUnknown, folder.Path(), "n");
    LoadCabinet(*cabinet);
    const std::string before = Read(folder.Path() + "fat");
    UpdateCabinetIndex(*cabinet);
    EXPECT_EQ(Read(folder.Path() + "fat"), before);
    EXPECT_FALSE(fs::FileExists(folder.Path() + "fat.bak"));
}

TEST(FileTimeTest, ConvertsThroughLocalDosTime) {
    setenv("TZ", "Asia/Tokyo", 1);
    ResetTimeZoneBias();
    auto fileTime = [](int64_t unixSeconds) {
        return static_cast<uint64_t>(unixSeconds + 11644473600ll) * 10000000ull;
    };
    struct Row {
        const char *name;
        uint64_t value;
        double expected;
    };
    const Row rows[] = {
        {"zero is no date", 0, 0},
        {"before 1980 has no DOS form", fileTime(0), 0},
        {"after 2107 has no DOS form", fileTime(4354819200ll), 0},
        {"odd second falls to the 2-second step", fileTime(852076801),
         EncodeDateTime({1997, 1, 1, 9, 0, 0, 0})},
        {"even second", fileTime(852076802), EncodeDateTime({1997, 1, 1, 9, 0, 2, 0})},
        {"largest value", ~0ull, 0},
    };
    for (const Row &row : rows)
        EXPECT_DOUBLE_EQ(FileTimeToDateTime(row.value), row.expected) << row.name;
}

TEST(DiskTimeTest, TimesFarOutsideTheDosRangeHaveNoDate) {
    setenv("TZ", "Asia/Tokyo", 1);
    ResetTimeZoneBias();
    struct Row {
        const char *name;
        int64_t seconds;
    };
    // File systems such as tmpfs keep any 64-bit modification time.
    const Row rows[] = {
        {"year 2000 plus 25 times 2^32 years", INT64_C(3388401920997082800)},
        {"largest", std::numeric_limits<int64_t>::max()},
        {"smallest", std::numeric_limits<int64_t>::min()},
    };
    for (const Row &row : rows)
        EXPECT_EQ(UtcSecondsToDosDateTime(row.seconds), 0) << row.name;
}

TEST(ContentTypeTest, FindsTheFirstHeaderWithOneBlank) {
    struct Row {
        const char *name;
        std::string headers;
        std::string expected;
    };
    const Row rows[] = {
        {"usual block", "HTTP/1.0 200 OK\r\nContent-Type: text/HTML; charset=x\r\nServer: y\r\n",
         "text/html; charset=x"},
        {"runs to the end without CR", "Content-type: image/gif", "image/gif"},
        {"no blank after the colon", "Content-Type:text/html\r\n", ""},
        {"two blanks keep one", "Content-Type:  text/html\r\n", " text/html"},
        {"stops at the first NUL", std::string("Server: x\r\n\0Content-Type: a/b\r\n", 31), ""},
        {"first of two", "content-type: a/b\r\ncontent-type: c/d\r\n", "a/b"},
        {"no header", "HTTP/1.0 200 OK\r\n", ""},
        {"empty", "", ""},
    };
    for (const Row &row : rows)
        EXPECT_EQ(GetContentType(row.headers), row.expected) << row.name;
}

TEST(AddURLDepthTest, AnAddressOfAHundredThousandSegmentsIsFiledAnsweredAndDestroyed) {
    TCabinetRoot root;
    TCabinet *cabinet = root.AddCabinet(KindMirrorLog, "/nonexistent/m/", "m");
    std::string url = "http://h";
    for (int i = 0; i < 100000; ++i)
        url += "/d";
    url += "/leaf.html";
    TFileData data;
    TFile *file = AddURL(*cabinet, url, data);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->GetURL(), url);
    EXPECT_EQ(cabinet->GetFolderCount(), 100001);
    ResetFound(*cabinet, true);
    SweepNotFound(*cabinet);
    EXPECT_EQ(cabinet->ChildCount(), 0u);
}

TEST_F(CacheTest, PlainLogScanFilesHiddenEntriesAndCreatesAMissingFolder) {
    folder.Write("http=h/.hidden/x.gif", "gif");
    std::filesystem::create_directories(folder.Path() + "http=h/empty");
    const std::string missing = folder.Path() + "new-log/";
    TCabinet *fresh = root.AddCabinet(KindPlainLog, missing, "new");
    LoadCabinet(*fresh);
    EXPECT_TRUE(fs::FolderExists(missing));

    TCabinet *cabinet = root.AddCabinet(KindPlainLog, folder.Path(), "p");
    LoadCabinet(*cabinet);
    TTree *server = FindChild(*cabinet, "http=h");
    ASSERT_NE(server, nullptr);
    ASSERT_NE(FindChild(*server, ".hidden"), nullptr);
    EXPECT_EQ(FindChild(*server, ".hidden")->ChildCount(), 1u);
    ASSERT_NE(FindChild(*server, "empty"), nullptr);
    EXPECT_EQ(FindChild(*server, "empty")->ChildCount(), 0u);
    EXPECT_TRUE(desktop.Shown.empty());
}

TEST_F(CacheTest, PlainLogScanEndsOnAFolderLinkLoop) {
    std::filesystem::create_directories(folder.Path() + "log/http=h/a");
    std::filesystem::create_directory_symlink(folder.Path() + "log/http=h",
                                              folder.Path() + "log/http=h/a/loop");
    TCabinet *cabinet = root.AddCabinet(KindPlainLog, folder.Path() + "log/", "p");
    LoadCabinet(*cabinet);
    EXPECT_LT(cabinet->GetFolderCount(), 10);
}

TEST_F(CacheTest, PlainLogFolderIsFiledEvenWhenALinkToItIsMetFirst) {
    folder.Write("log/z/deep/real/page.html", "page");
    std::filesystem::create_directory_symlink(folder.Path() + "log/z/deep/real",
                                              folder.Path() + "log/alias");
    TCabinet *cabinet = root.AddCabinet(KindPlainLog, folder.Path() + "log/", "p");
    LoadCabinet(*cabinet);
    TTree *deep = FindChild(*cabinet, "z");
    deep = deep ? FindChild(*deep, "deep") : nullptr;
    TTree *real = deep ? FindChild(*deep, "real") : nullptr;
    ASSERT_NE(real, nullptr);
    EXPECT_NE(FindChild(*real, "page.html"), nullptr);
}

TEST_F(CacheTest, PlainLogCaseTwinsNeverMixOneFilesDataWithAnothersPath) {
    folder.Write("log/http=h/Dir/a.txt", std::string(30, 'd'));
    folder.Write("log/http=h/DIR/a.txt", std::string(50, 'D'));
    folder.Write("log/http=h/DIR/only.txt", "only");
    folder.Write("log/http=h/Same.txt", std::string(10, 's'));
    folder.Write("log/http=h/SAME.txt", std::string(20, 'S'));
    TCabinet *cabinet = root.AddCabinet(KindPlainLog, folder.Path() + "log/", "p");
    // Every file as "local path|size", checked against the file its local path names.
    auto describe = [&] {
        std::vector<std::string> rows;
        ForEachDescendant(*cabinet, [&](const TTree &item) {
            if (!item.IsFile())
                return;
            const std::string path = item.GetLocalPath();
            const auto size = static_cast<const TFile &>(item).Size;
            EXPECT_EQ(std::filesystem::file_size(path), static_cast<uintmax_t>(size)) << path;
            rows.push_back(path + "|" + std::to_string(size));
        });
        std::sort(rows.begin(), rows.end());
        return rows;
    };
    LoadCabinet(*cabinet);
    const std::vector<std::string> first = describe();
    TTree *server = FindChild(*cabinet, "http=h");
    ASSERT_NE(server, nullptr);
    EXPECT_EQ(server->ChildCount(), 2u); // one folder, one file
    RefreshCabinet(*cabinet);
    EXPECT_EQ(describe(), first);
    EXPECT_TRUE(desktop.Shown.empty());
}

TEST_F(CacheTest, CabinetWithoutAFolderReadsNothing) {
    TCabinet *cabinet = root.AddCabinet(KindUnknown, "", "no folder");
    LoadCabinet(*cabinet);
    EXPECT_EQ(cabinet->Kind, KindPlainLog);
    EXPECT_EQ(cabinet->ChildCount(), 0u);
    EXPECT_TRUE(cabinet->IndexRead);
}

TEST_F(CacheTest, MarkerFileIsFoundBesideAFolderOfTheSameNameInOtherCase) {
    std::filesystem::create_directories(folder.Path() + "FAT");
    folder.Write("Fat", Signature);
    TCabinet *cabinet = root.AddCabinet(KindUnknown, folder.Path(), "n");
    DetectCabinetKind(*cabinet);
    EXPECT_EQ(cabinet->Kind, KindNetscape1);
}
