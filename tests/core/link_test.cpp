#include "html/link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "items/cab.h"
#include "items/file.h"
#include "stores/cache.h"
#include "support/fakes.h"

namespace {

struct ResolveCase {
    const char *name;
    std::string link, base, expected;
};

class ResolveCases : public ::testing::TestWithParam<ResolveCase> {};
TEST_P(ResolveCases, GivesTheAddress) {
    EXPECT_EQ(Resolve(GetParam().link, GetParam().base), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    Link, ResolveCases,
    ::testing::Values(
        ResolveCase{"parent", "../b.html", "http://h/d/e/", "http://h/d/b.html"},
        ResolveCase{"root_relative", "/b.html", "http://h/d/", "http://h/b.html"},
        ResolveCase{"relative", "b.html", "http://h/d/", "http://h/d/b.html"},
        ResolveCase{"absolute_kept", "HTTP://X/y", "http://h/d/", "HTTP://X/y"},
        ResolveCase{"dot_with_colon_joined", "./a:b", "http://h/d/", "http://h/d/a:b"},
        ResolveCase{"mailto_kept", "mailto:a@b.c", "http://h/d/", "mailto:a@b.c"},
        ResolveCase{"news_kept", "news:comp.lang", "http://h/", "news:comp.lang"},
        ResolveCase{"too_many_parents", "../../../x", "http://h/d/", "x"},
        ResolveCase{"dots_in_absolute", "http://host/a/./b/../c.html", "http://h/",
                    "http://host/a/c.html"},
        ResolveCase{"backslashes", "sub\\x.gif", "http://h/d/", "http://h/d/sub/x.gif"},
        ResolveCase{"doubled_slashes", "a//b.html", "http://h/d/", "http://h/d/a/b.html"},
        ResolveCase{"folder_link", "sub/", "http://h/d/", "http://h/d/sub/"},
        ResolveCase{"root_of_base_without_path", "/x", "http://h", "http://h/x"},
        ResolveCase{"file_base", "img/a.gif", "file:///home/u/log/",
                    "file:///home/u/log/img/a.gif"},
        ResolveCase{"file_base_root", "/a.gif", "file:///home/u/", "file:///home/a.gif"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Link, SplitPathAndSchemeHost) {
    using Segments = std::vector<std::string>;
    struct Case {
        std::string path;
        Segments segments;
    };
    for (const Case &c : {
             Case{"http://host/a/./b/../c.html", {"http://host/", "a/", "c.html"}},
             Case{"dir\\sub\\x.gif", {"dir/", "sub/", "x.gif"}},
             // Only the separators are written as "/"; a "\\" after ":" stays in its segment.
             Case{"C:\\dir\\x", {"C:\\dir/", "x"}},
             Case{"http://host/dir/", {"http://host/", "dir/", ""}},
             Case{"//a///b", {"a/", "b"}},
             Case{"../../x", {"x"}},
             Case{"a/../../b/", {"b/", ""}},
             Case{"", {""}},
         })
        EXPECT_EQ(SplitPath(c.path), c.segments) << c.path;

    for (auto [base, expected] : std::vector<std::pair<std::string, std::string>>{
             {"http://host/dir/", "http://host"},
             {"http://host", "http://host"},
             {"/dir/", ""},
             {"file:///home/u/", "file:///home"},
         })
        EXPECT_EQ(SchemeHost(base), expected) << base;

    EXPECT_EQ(WithoutFragment("page.html#part"), "page.html");
    EXPECT_EQ(FragmentOf("page.html#part"), "#part");
    EXPECT_EQ(FragmentOf("page.html"), "");
    EXPECT_TRUE(HasFileScheme("FILE:///x"));
    EXPECT_FALSE(HasFileScheme("file://x"));
}

class LinkTreeTest : public ::testing::Test {
protected:
    TFakeDesktop desktop;
    TTempFolder temp;
    TCabinetRoot root;
    TCabinet *own = root.AddCabinet(KindNetscape1, "/nonexistent-trawler/own/", "own");
    TCabinet *first = root.AddCabinet(KindNetscape2, "/nonexistent-trawler/first/", "first");
    TCabinet *last = root.AddCabinet(KindMsie4, "/nonexistent-trawler/last/", "last");

    TFile *Add(TCabinet *cabinet, const std::string &url) {
        TFileData data;
        data.URL = url;
        data.CacheFile = "CF";
        return AddURL(*cabinet, url, data);
    }
};

TEST_F(LinkTreeTest, FindByURLWalksNamesAndRootPages) {
    TFile *page = Add(own, "http://h/d/x.html");
    TFile *rootPage = Add(own, "http://h/d/");
    TFile *query = Add(own, "http://h/cgi?a=b");
    TTree *folder = page->Parent();
    struct Case {
        const char *url;
        TTree *expected;
    };
    for (const Case &c : {
             Case{"http://h/d/x.html", page},
             Case{"HTTP://H/D/X.HTML", page},
             Case{"http://h/d/", rootPage},
             Case{"http://h/d", folder},
             Case{"http://h/cgi?a=b", query},
             Case{"http://h/q.html", nullptr},
             Case{"http://other/d/x.html", nullptr},
             Case{"http://h/d/x.html/", nullptr},
         })
        EXPECT_EQ(FindByURL(own, c.url), c.expected) << c.url;
    EXPECT_EQ(FindByURL(nullptr, "http://h/d/x.html"), nullptr);

    // A file and a folder of the same name: the address names the file.
    TFile *sameName = Add(own, "http://h/d");
    EXPECT_EQ(FindByURL(own, "http://h/d"), sameName);
    EXPECT_EQ(FindByURL(own, "http://h/d/x.html"), page);
}

TEST_F(LinkTreeTest, FindByLocalPathWalksLocalNames) {
    TCabinet *mirror = root.AddCabinet(KindMirrorLog, temp.Path(), "mirror");
    TFile *page = Add(mirror, "http://h:80/d/x.html");
    std::string server = page->Parent()->Parent()->LocalName();
    EXPECT_NE(server, "http://h:80");
    EXPECT_EQ(FindByLocalPath(mirror, server + "/d/x.html"), page);
    EXPECT_EQ(FindByLocalPath(mirror, server + "\\d\\x.html"), page);
    EXPECT_EQ(FindByLocalPath(mirror, server + "/d/"), nullptr);
    EXPECT_EQ(FindByLocalPath(mirror, "http://h:80/d/x.html"), nullptr);
}

TEST_F(LinkTreeTest, ListKeepsOneEntryPerAddressInOrder) {
    Add(own, "http://h/d/a.html");
    Add(own, "http://h/d/p.html");
    TFile *html = Add(own, "http://h/d/index.html");
    TURLs links;
    const TTree &folder = *html->Parent();
    std::string base = "http://h/d/";
    TURL &a = links.Add(folder, "a.html", base);
    EXPECT_EQ(&links.Add(folder, "A.HTML", base), &a);
    EXPECT_EQ(&links.Add(folder, "http://h/d/a.html", base), &a);
    EXPECT_EQ(&links.Add(folder, "../d/./a.html", base), &a);
    // A fragment is cut before the lookup: the page is found, and every fragment of it
    // gives the same entry.
    TURL &part = links.Add(folder, "p.html#one", base);
    EXPECT_EQ(&links.Add(folder, "p.html#two", base), &part);
    links.Add(folder, "mailto:x@y", base);

    ASSERT_EQ(links.Count(), 3u);
    EXPECT_EQ(links[0].Link, "a.html");
    EXPECT_EQ(links[0].URL, "http://h/d/a.html");
    EXPECT_NE(links[0].FoundItem(), nullptr);
    EXPECT_EQ(links[1].Link, "p.html#one");
    EXPECT_EQ(links[1].URL, "http://h/d/p.html");
    EXPECT_EQ(links[1].FoundCabinet(), own);
    EXPECT_EQ(links[2].URL, "mailto:x@y");
    EXPECT_EQ(links[2].FoundItem(), nullptr);
    EXPECT_EQ(links[2].FoundCabinet(), nullptr);
    EXPECT_FALSE(links[2].Exists);
}

TEST_F(LinkTreeTest, ListStaysOneEntryPerAddressAsItGrows) {
    TFile *html = Add(own, "http://h/d/index.html");
    TURLs links;
    for (int i = 0; i < 3000; ++i)
        links.Add(*html->Parent(), "p" + std::to_string(i) + ".html", "http://h/d/");
    for (int i = 2999; i >= 0; --i) {
        std::string address = "HTTP://H/D/P" + std::to_string(i) + ".HTML";
        ASSERT_EQ(&links.Add(*html->Parent(), address, "x"), &links[static_cast<size_t>(i)]);
    }
    EXPECT_EQ(links.Count(), 3000u);
    links.Clear();
    EXPECT_EQ(links.Add(*html->Parent(), "index.html", "http://h/d/").FoundItem(), html);
}

TEST_F(LinkTreeTest, LocateSearchesOwnCabinetThenLastRegisteredFirst) {
    TFile *inFirst = Add(first, "http://h/shared.gif");
    TFile *inLast = Add(last, "http://h/shared.gif");
    TFile *onlyFirst = Add(first, "http://h/first.gif");
    TFile *html = Add(own, "http://h/index.html");

    TURLs links;
    std::string base = BaseAddress(*html);
    EXPECT_EQ(base, "http://h/");
    links.Add(*html->Parent(), "shared.gif", base);
    links.Add(*html->Parent(), "first.gif", base);
    links.Add(*html->Parent(), "index.html", base);
    EXPECT_EQ(links[0].FoundItem(), inLast);
    EXPECT_EQ(links[0].FoundCabinet(), last);
    EXPECT_EQ(links[1].FoundItem(), onlyFirst);
    EXPECT_EQ(links[2].FoundItem(), html);
    EXPECT_EQ(links[2].FoundCabinet(), own);

    TFile *inOwn = Add(own, "http://h/shared.gif");
    TURL again;
    again.URL = "http://h/shared.gif";
    again.Locate(own);
    EXPECT_EQ(again.FoundItem(), inOwn);
    again.Locate(first);
    EXPECT_EQ(again.FoundItem(), inFirst);

    // The found items are references: a destroyed item is no longer answered.
    last->DestroyChild(inLast->Parent());
    EXPECT_EQ(links[0].FoundItem(), nullptr);
}

TEST_F(LinkTreeTest, FileLinksAreLookedUpOnDiskOnly) {
    std::string present = temp.Write("log/img/a.gif", "GIF");
    TCabinet *plain = root.AddCabinet(KindPlainLog, temp.Path() + "log/", "plain");
    TFileData data;
    data.URL = "page.html";
    TFile *html = AddURL(*plain, "page.html", data);
    ASSERT_NE(html, nullptr);

    std::string base = BaseAddress(*html);
    EXPECT_EQ(base, "file:///" + PathToURL(temp.Path() + "log/"));
    TURLs links;
    const TTree &folder = *html->Parent();
    TURL &relative = links.Add(folder, "img/a.gif", base);
    EXPECT_EQ(relative.URL, "file:///" + PathToURL(present));
    EXPECT_TRUE(relative.Exists);
    EXPECT_EQ(relative.FoundItem(), nullptr);
    EXPECT_EQ(relative.FoundCabinet(), nullptr);
    TURL &missing = links.Add(folder, "img/b.gif", base);
    EXPECT_FALSE(missing.Exists);
    TURL &absolute = links.Add(folder, "FILE:///" + PathToURL(present) + "#x", base);
    EXPECT_TRUE(absolute.Exists);
    EXPECT_EQ(&absolute, &relative);
}

TEST_F(LinkTreeTest, CollectLinksFollowsTheBaseTag) {
    Add(first, "http://other/dir/b.gif");
    TFile *html = Add(own, "http://h/d/page.html");
    std::string page = R"(<A HREF="a.html"><BASE HREF="http://other/dir/">)"
                       R"(<IMG SRC="b.gif"><A HREF="#top"><A href="A.html">)";
    TURLs links;
    std::vector<size_t> progress;
    CollectLinks(*html, page, links, [&](size_t consumed) { progress.push_back(consumed); });
    ASSERT_EQ(links.Count(), 3u);
    EXPECT_EQ(links[0].URL, "http://h/d/a.html");
    EXPECT_EQ(links[1].URL, "http://other/dir/b.gif");
    EXPECT_EQ(links[1].FoundCabinet(), first);
    EXPECT_EQ(links[2].URL, "http://other/dir/A.html");
    EXPECT_EQ(links[2].Link, "A.html");
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), page.size());

    // A tag naming a page or a bare server still sets a folder.
    for (auto [tag, expected] :
         {std::pair{"<BASE HREF=\"http://other/dir/index.html?q#f\">", "http://other/dir/x.gif"},
          std::pair{"<BASE HREF=\"http://other\">", "http://other/x.gif"},
          std::pair{"<BASE HREF=\"sub/\">", "http://h/d/sub/x.gif"}}) {
        TURLs based;
        CollectLinks(*html, std::string(tag) + "<IMG SRC=\"x.gif\">", based);
        ASSERT_EQ(based.Count(), 1u) << tag;
        EXPECT_EQ(based[0].URL, expected) << tag;
    }

    TURLs none;
    CollectLinks(*html, "", none);
    CollectLinks(*html, "<P>no links here</P>", none);
    EXPECT_EQ(none.Count(), 0u);
}

} // namespace
