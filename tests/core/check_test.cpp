#include "html/check.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "items/cab.h"
#include "items/file.h"
#include "stores/cache.h"
#include "support/fakes.h"

namespace {

constexpr TLinkMark F = TLinkMark::Found;
constexpr TLinkMark O = TLinkMark::Outside;
constexpr TLinkMark E = TLinkMark::FileExists;
constexpr TLinkMark M = TLinkMark::Missing;

// The page http://h/d/page.html lies in the cache "own"; "first" and "last" are registered
// after it.
class CheckTest : public ::testing::Test {
protected:
    TFakeDesktop desktop;
    TTempFolder temp;
    TCabinetRoot root;
    TCabinet *own = root.AddCabinet(KindNetscape2, "/nonexistent-trawler/own/", "own");
    TCabinet *first = root.AddCabinet(KindMsie4, "/nonexistent-trawler/first/", "first");
    TCabinet *last = root.AddCabinet(KindMsie3, "/nonexistent-trawler/last/", "last");
    TFile *page = Add(own, "http://h/d/page.html");

    TFile *Add(TCabinet *cabinet, const std::string &url) {
        TFileData data;
        data.URL = url;
        data.CacheFile = "CF";
        return AddURL(*cabinet, url, data);
    }
};

TEST_F(CheckTest, MarksAndCountsUnderEveryScope) {
    struct Case {
        const char *name;
        std::string link;
        std::array<TLinkMark, ScopeCount> marks; // scopes all, cabinet, server, directory
        const char *cabinet;
    };
    for (const char *url : {"http://h/d/same.html", "http://h/d/sub/deeper.gif", "http://h/up.html",
                            "http://other/x.html", "http://h/d/folder/", "http://h/d/frag.html"})
        Add(own, url);
    TFile *elsewhere = Add(first, "http://h/d/elsewhere.html");
    Add(first, "http://h/twice.gif");
    Add(last, "http://h/twice.gif");
    const std::string file = "file:///" + PathToURL(temp.Write("here.txt", "x"));
    const std::vector<Case> cases = {
        {"same_folder", "same.html", {F, F, F, F}, "own"},
        {"below_the_folder", "sub/deeper.gif", {F, F, F, F}, "own"},
        {"same_server", "../up.html", {F, F, F, O}, "own"},
        {"other_server", "http://other/x.html", {F, F, O, O}, "own"},
        {"folder_means_root_page", "folder/", {F, F, F, F}, "own"},
        {"fragment_cut", "frag.html#part", {F, F, F, F}, "own"},
        {"other_cabinet", "elsewhere.html", {F, O, O, O}, "first"},
        {"last_registered_first", "/twice.gif", {F, O, O, O}, "last"},
        {"nowhere", "mailto:a@b.example", {M, M, M, M}, ""},
        {"existing_file", file, {E, E, E, E}, ""},
        {"missing_file", file + ".gone", {M, M, M, M}, ""},
    };
    // Written twice, and after a "<BASE" that changes nothing, the links stay one row each.
    std::string html;
    for (const Case &c : cases)
        html += "<A HREF=\"" + c.link + "\">" + c.name + "</A>\r\n<BASE HREF=\"./\">";
    TLinkCheck check(*page);
    ASSERT_EQ(check.Collect(html + html), TCollectEnd::Done);
    ASSERT_EQ(check.Count(), cases.size());
    // The rows are the entries that trawler-cli lists for the page.
    TURLs listed;
    CollectLinks(*page, html + html, listed);
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(check.Links()[i].URL + check.Links()[i].Link, listed[i].URL + listed[i].Link);
    std::array<size_t, ScopeCount> counts{};
    for (size_t i = 0; i < cases.size(); ++i) {
        const TCabinet *cabinet = check.Links()[i].FoundCabinet();
        EXPECT_EQ(cabinet ? cabinet->Name() : "", cases[i].cabinet) << cases[i].name;
        for (int scope = 0; scope < ScopeCount; ++scope) {
            EXPECT_EQ(check.Mark(i, scope), cases[i].marks[scope]) << cases[i].name << scope;
            counts[scope] += cases[i].marks[scope] == F;
        }
    }
    for (int scope = 0; scope < ScopeCount; ++scope)
        EXPECT_EQ(check.FoundCount(scope), counts[scope]) << scope;
    EXPECT_EQ(check.ImagePath(9), URLToPath(file));

    // A found item destroyed later is found no more; tools get no path for it.
    elsewhere->Parent()->DestroyChild(elsewhere);
    EXPECT_EQ(check.Mark(6, ScopeAll), M);
    EXPECT_EQ(check.FoundCount(ScopeAll), counts[ScopeAll] - 1);
    EXPECT_EQ(check.ToolPath(6), "");
    // Without the page's cabinet nothing lies within a narrowed scope.
    root.RemoveCabinet(own);
    EXPECT_EQ(check.Mark(7, ScopeAll), F);
    EXPECT_EQ(check.Mark(7, ScopeCabinet), O);
}

TEST_F(CheckTest, EndsAfterATurnThatTookThePageOrWasStopped) {
    std::string html; // about 20 KiB: several turns of the event loop
    for (int i = 0; i < 40; ++i)
        html += "<A HREF=\"g" + std::to_string(i) + ".html\">" + std::string(500, 'x') + "</A>";
    for (bool destroy : {true, false}) {
        TFile *subject =
            Add(own, destroy ? "http://h/e/destroyed.html" : "http://h/e/stopped.html");
        TLinkCheck check(*subject);
        auto progress = [&](size_t) {
            if (destroy && subject)
                std::exchange(subject, nullptr)->Parent()->DestroyChild(check.Page());
        };
        EXPECT_EQ(check.Collect(html, progress, [&] { return destroy; }),
                  destroy ? TCollectEnd::SubjectGone : TCollectEnd::Stopped);
        // What was read before the first turn (4 KiB) is kept, nothing after it.
        EXPECT_GE(check.Count(), 7u);
        EXPECT_LE(check.Count(), 8u);
    }
}

} // namespace
