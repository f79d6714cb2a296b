// Letter-case resolution through the folder listings a cabinet keeps for one load.
#include "platform/listings.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>

#include "items/cab.h"
#include "items/file.h"
#include "platform/fs.h"
#include "stores/cache.h"
#include "support/fakes.h"

namespace {

TEST(FolderListingsTest, AnswersAsResolveCaseDoes) {
    TTempFolder folder;
    folder.Write("Cache/INDEX.DAT", "x");
    folder.Write("Cache/sub/Page.HTM", "x");
    folder.Write("twin/a", "file");
    std::filesystem::create_directories(folder.Path() + "twin/A");
    folder.Write("twin/A/b", "x");
    const char *rows[] = {
        "Cache/INDEX.DAT", "Cache/index.dat", "CACHE/SUB/page.htm", "twin/A",    "TWIN/a",
        "TWIN/a/B",        "cache/none.dat",  "none/INDEX.DAT",     "a/../../x",
    };
    fs::TFolderListings listings;
    for (const char *relative : rows)
        EXPECT_EQ(listings.Resolve(folder.Path(), relative),
                  fs::ResolveCase(folder.Path() + relative))
            << relative;
    // A cabinet folder given in another case is resolved too.
    EXPECT_EQ(listings.Resolve(folder.Path() + "CACHE/", "sub/page.htm"),
              folder.Path() + "Cache/sub/Page.HTM");
}

TEST(FolderListingsTest, EachFolderIsListedOnceAndLaterFilesNeedTheirExactName) {
    TTempFolder folder;
    folder.Write("a/one.html", "1");
    fs::TFolderListings listings;
    for (int i = 0; i < 1000; ++i)
        listings.Resolve(folder.Path(), "A/missing" + std::to_string(i) + ".html");
    EXPECT_EQ(listings.ListedCount(), 2u); // the folder and a/

    folder.Write("a/Later.html", "2");
    EXPECT_EQ(listings.Resolve(folder.Path(), "A/Later.html"), folder.Path() + "a/Later.html");
    EXPECT_EQ(listings.Resolve(folder.Path(), "A/LATER.HTML"), folder.Path() + "A/LATER.HTML");
    listings.Clear();
    EXPECT_EQ(listings.Resolve(folder.Path(), "A/LATER.HTML"), folder.Path() + "a/Later.html");
}

TEST(FolderListingsTest, AReloadForgetsTheListings) {
    TFakeDesktop desktop;
    TTempFolder folder;
    folder.Write("fat",
                 "MCOM-Cache-file-allocation-table-format-1\r\n"
                 "0\t852076800\t852076900\tCACHE0.HTM\thttp://h/a.html\ttext/html\t\t3\t\t\t\r\n");
    TCabinetRoot root;
    TCabinet *cabinet = root.AddCabinet(KindUnknown, folder.Path(), "n");
    LoadCabinet(*cabinet);
    const TTree *server = FindChild(*cabinet, "http://h");
    ASSERT_NE(server, nullptr);
    const TTree *file = FindChild(*server, "a.html");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->GetLocalPath(), folder.Path() + "CACHE0.HTM");
    folder.Write("cache0.htm", "abc");
    EXPECT_EQ(file->GetLocalPath(), folder.Path() + "CACHE0.HTM");
    RefreshCabinet(*cabinet);
    EXPECT_EQ(file->GetLocalPath(), folder.Path() + "cache0.htm");
}

TEST(FolderListingsTest, AListingIsSharedWhileItsFolderStaysUnchanged) {
    TTempFolder folder;
    folder.Write("old/a.htm", "1");
    const std::string old = folder.Path() + "old/";
    const auto past = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    std::filesystem::last_write_time(old, past);
    const auto first = fs::CurrentListing(old);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(fs::CurrentListing(old), first);
    EXPECT_EQ(fs::ResolveCase(old + "A.HTM"), old + "a.htm");
    EXPECT_EQ(fs::CurrentListing(old), first);

    // A new name changes the folder's time; a folder changed just now is read at every call.
    folder.Write("old/B.htm", "2");
    const auto fresh = fs::CurrentListing(old);
    EXPECT_NE(fresh, first);
    EXPECT_NE(fs::CurrentListing(old), fresh);
    EXPECT_EQ(fresh->Match(old, "b.HTM", false), "B.htm");
    EXPECT_EQ(fs::CurrentListing(folder.Path() + "none/"), nullptr);

    // Hints never change an answer, whatever they are given.
    fs::TFolderListings listings;
    for (const char *hint : {"", "/", "a\\", "x/A.HTM", "\\"})
        listings.Prefetch(hint, true);
    EXPECT_EQ(listings.Resolve(folder.Path(), "OLD/a.HTM"), old + "a.htm");
    for (const char *hint : {"old\\A.HTM", "old/a.htm", "b.htm"}) {
        listings.Prefetch(hint, true);
        listings.Prefetch(hint, false);
    }
    EXPECT_EQ(listings.Resolve(folder.Path(), "old/b.htm"), old + "B.htm");
}

} // namespace
