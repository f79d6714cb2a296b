#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "items/cab.h"
#include "items/file.h"
#include "stores/cache.h"
#include "support/fakes.h"

namespace {

// Names from the cabinet down to the item.
std::vector<std::string> NamesFromCabinet(const TTree *item) {
    std::vector<std::string> names;
    for (; item && !item->IsCabinet(); item = item->Parent())
        names.insert(names.begin(), item->Name());
    return names;
}

class AddURLTest : public ::testing::Test {
protected:
    TFakeDesktop desktop;
    TCabinetRoot root;
    TCabinet *cabinet = root.AddCabinet(KindNetscape2, "/nonexistent-trawler/cache/", "c");

    TFileData Data(const std::string &url, const std::string &cacheFile) {
        TFileData data;
        data.URL = url;
        data.CacheFile = cacheFile;
        data.Size = static_cast<int32_t>(cacheFile.size());
        return data;
    }
};

struct SegmentCase {
    const char *name;
    std::string url;
    std::vector<std::string> chain;
    uint8_t rootPage;
};

class AddURLSegmentTest : public AddURLTest, public ::testing::WithParamInterface<SegmentCase> {};
TEST_P(AddURLSegmentTest, FilesTheChain) {
    const SegmentCase &c = GetParam();
    TFileData data = Data(c.url, "CF");
    data.RootPage = c.rootPage ? 0 : 1;
    TFile *file = AddURL(*cabinet, c.url, data);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(NamesFromCabinet(file), c.chain);
    EXPECT_EQ(file->RootPage, c.rootPage);
    EXPECT_EQ(data.RootPage, c.rootPage);
    EXPECT_EQ(file->URL, c.url) << "the stored address stays whole";
    EXPECT_EQ(file->CacheFile, "CF");
    for (const TTree *p = file->Parent(); p != cabinet; p = p->Parent())
        EXPECT_TRUE(p->IsDir()) << p->Name();
    EXPECT_EQ(cabinet->GetFileCount(), 1);
    EXPECT_EQ(cabinet->GetFolderCount(), static_cast<int64_t>(c.chain.size()) - 1);
}
INSTANTIATE_TEST_SUITE_P(
    AddURL, AddURLSegmentTest,
    ::testing::Values(
        SegmentCase{"pathBelowServer", "http://h/a/b.html", {"http://h", "a", "b.html"}, 0},
        SegmentCase{"serverRoot", "http://h/", {"http://h", "RootPage.html"}, 1},
        SegmentCase{"folderRoot", "http://h/a/", {"http://h", "a", "RootPage.html"}, 1},
        SegmentCase{"hostOnly", "http://h", {"http://h"}, 0},
        SegmentCase{"emptySegmentSkipped", "http://h/a//b", {"http://h", "a", "b"}, 0},
        SegmentCase{"trailingSlashes", "http://h/a//", {"http://h", "a", "RootPage.html"}, 1},
        SegmentCase{"port", "ftp://h:21/x", {"ftp://h:21", "x"}, 0},
        SegmentCase{"query", "http://h/cgi?a=1", {"http://h", "cgi?a=1"}, 0},
        SegmentCase{"slashInQuerySplits", "http://h/q?u=a/b", {"http://h", "q?u=a", "b"}, 0},
        SegmentCase{"colonInPath", "http://h/a:b/c", {"http://h", "a:b", "c"}, 0},
        SegmentCase{"leadingSlash", "/a/b", {"a", "b"}, 0},
        SegmentCase{"noScheme", "h/a", {"h", "a"}, 0},
        SegmentCase{"dotDotIsAName", "http://h/../x", {"http://h", "..", "x"}, 0},
        SegmentCase{"empty", "", {"RootPage.html"}, 1}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(AddURLTest, ServerLocalNameFromSchemeHostAndPort) {
    TFileData data = Data("ftp://h:21/x", "CF");
    TFile *file = AddURL(*cabinet, "ftp://h:21/x", data);
    EXPECT_EQ(file->GetServer()->LocalName(), "ftp=h$21");
    EXPECT_EQ(file->GetLinkPath(), "ftp=h$21/x");
    EXPECT_EQ(file->GetURL(), "ftp://h:21/x");
}

TEST_F(AddURLTest, DotDotSegmentNeverLeavesTheCabinet) {
    TCabinet *mirror = root.AddCabinet(KindMirrorLog, "/m/", "m");
    TFileData data = Data("http://h/../../x", "");
    TFile *file = AddURL(*mirror, "http://h/../../x", data);
    EXPECT_EQ(file->GetLocalPath(), "/m/http=h/--/--/x");
}

TEST_F(AddURLTest, SameAddressTwiceKeepsTheFirstData) {
    TFileData first = Data("http://h/a/b.html", "FIRST");
    TFileData second = Data("http://h/a/b.html", "SECOND!");
    TFile *one = AddURL(*cabinet, "http://h/a/b.html", first);
    TFile *two = AddURL(*cabinet, "http://h/a/b.html", second);
    EXPECT_EQ(one, two);
    EXPECT_EQ(one->CacheFile, "FIRST");
    EXPECT_EQ(one->Size, 5);
    EXPECT_EQ(cabinet->GetFileCount(), 1);
    EXPECT_EQ(cabinet->GetFolderCount(), 2);
}

TEST_F(AddURLTest, HostAndPathMatchWithoutRegardToAsciiCase) {
    TFileData first = Data("ftp://Host/a.gif", "FIRST");
    TFileData second = Data("ftp://host/A.GIF", "SECOND");
    TFile *one = AddURL(*cabinet, "ftp://Host/a.gif", first);
    TFile *two = AddURL(*cabinet, "ftp://host/A.GIF", second);
    EXPECT_EQ(one, two);
    EXPECT_EQ(NamesFromCabinet(one), (std::vector<std::string>{"ftp://Host", "a.gif"}));
    EXPECT_EQ(one->URL, "ftp://Host/a.gif");
    EXPECT_EQ(one->CacheFile, "FIRST");
    EXPECT_EQ(cabinet->ChildCount(), 1u);
}

TEST_F(AddURLTest, RootPageAndAPageOfThatNameAreOneItem) {
    TFileData first = Data("http://h/", "ROOT");
    TFileData second = Data("http://h/RootPage.html", "NAMED");
    TFile *root1 = AddURL(*cabinet, "http://h/", first);
    TFile *named = AddURL(*cabinet, "http://h/rootpage.html", second);
    EXPECT_EQ(root1, named);
    EXPECT_EQ(root1->RootPage, 1);
    EXPECT_EQ(second.RootPage, 0) << "the record describes the address it came with";
}

TEST_F(AddURLTest, AFileAndAFolderOfOneName) {
    TFileData page = Data("http://h/a", "PAGE");
    TFileData below = Data("http://h/a/b", "BELOW");
    TFile *file = AddURL(*cabinet, "http://h/a", page);
    TFile *inner = AddURL(*cabinet, "http://h/a/b", below);
    EXPECT_EQ(file->ChildCount(), 0u);
    EXPECT_NE(inner->Parent(), file);
    EXPECT_TRUE(inner->Parent()->IsDir());
    EXPECT_EQ(NamesFromCabinet(inner), (std::vector<std::string>{"http://h", "a", "b"}));
    EXPECT_EQ(AddURL(*cabinet, "http://h/a", page), file);
}

TEST_F(AddURLTest, RefilingMarksTheWholeChainFound) {
    TFileData data = Data("http://h/a/b.html", "CF");
    TFile *file = AddURL(*cabinet, "http://h/a/b.html", data);
    TFileData other = Data("http://h/z.html", "CF");
    TFile *unmet = AddURL(*cabinet, "http://h/z.html", other);
    ResetFound(*cabinet, true);
    AddURL(*cabinet, "HTTP://H/A/B.HTML", data);
    EXPECT_EQ(file->Found, 1);
    EXPECT_EQ(file->Parent()->Found, 1);
    EXPECT_EQ(file->GetServer()->Found, 1);
    EXPECT_EQ(unmet->Found, 0);
    TItemRef refUnmet(unmet);
    SweepNotFound(*cabinet);
    EXPECT_FALSE(refUnmet);
    EXPECT_EQ(cabinet->GetFileCount(), 1);
}

TEST_F(AddURLTest, EntriesOfOneServerShareItsItems) {
    const char *urls[] = {"http://h/a/1", "http://h/a/2", "http://h/b/3", "http://h/4",
                          "http://g/5"};
    for (const char *url : urls) {
        TFileData data = Data(url, "CF");
        AddURL(*cabinet, url, data);
    }
    ASSERT_EQ(cabinet->ChildCount(), 2u);
    EXPECT_EQ(cabinet->Children()[0]->Name(), "http://h");
    EXPECT_EQ(cabinet->Children()[0]->ChildCount(), 3u);
    EXPECT_EQ(cabinet->GetFolderCount(), 4);
    EXPECT_EQ(cabinet->GetFileCount(), 5);
}

} // namespace
