#include "fileops/list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "items/cab.h"
#include "items/file.h"
#include "items/fileDB.h"
#include "items/sort.h"
#include "stores/cache.h"
#include "support/fakes.h"

namespace {

constexpr double Today = 40000; // 2009-07-06 00:00
constexpr double Minute = 1.0 / 24 / 60;
const double NaN = std::numeric_limits<double>::quiet_NaN();
const TListTimes Times{Today, Today - 2 + 10 * Minute, Today - 1 + 18 * 60 * Minute};
using Strings = std::vector<std::string>;

TFile *Add(TTree &parent, const std::string &url, double accessed, int32_t size = 0,
           double modified = 0) {
    TFileData data;
    data.Accessed = accessed;
    data.Modified = modified;
    data.Size = size;
    data.URL = url;
    return AddURL(parent, url, data);
}

Strings Captions(const std::vector<TListRow> &rows) {
    Strings captions;
    for (const TListRow &row : rows)
        captions.push_back(row.Caption);
    return captions;
}

template <class Case> std::string Named(const ::testing::TestParamInfo<Case> &info) {
    return info.param.name;
}

// ---- filters, marks and texts ----

struct FilterCase {
    const char *name;
    int32_t mode;
    double accessed, previousStart;
    bool shown;
};
class FilterTest : public ::testing::TestWithParam<FilterCase> {};
TEST_P(FilterTest, ShowsByAccessTime) {
    const FilterCase &c = GetParam();
    EXPECT_EQ(ListShows(c.mode, c.accessed, {Today, c.previousStart, Today - 1}), c.shown);
}
INSTANTIATE_TEST_SUITE_P(
    List, FilterTest,
    ::testing::Values(FilterCase{"AllShowsNoDate", ListAll, 0, 0, true},
                      FilterCase{"AllShowsNaN", ListAll, NaN, 0, true},
                      FilterCase{"WeekYesterday2359", ListWeek, Today - Minute, 0, true},
                      FilterCase{"DayYesterday2359", ListDay, Today - Minute, 0, false},
                      FilterCase{"DayMidnightIsNotAfter", ListDay, Today, 0, false},
                      FilterCase{"DayJustAfterMidnight", ListDay, Today + Minute, 0, true},
                      FilterCase{"WeekExactlySevenDays", ListWeek, Today - 7, 0, false},
                      FilterCase{"WeekNaN", ListWeek, NaN, 0, false},
                      FilterCase{"NewWithoutPreviousStart", ListNew, Today + 0.5, 0, false},
                      FilterCase{"NewNegativePreviousStart", ListNew, Today + 0.5, -3, false},
                      FilterCase{"NewAfterStart", ListNew, Today - 1 + Minute, Today - 1, true},
                      FilterCase{"NewAtStart", ListNew, Today - 1, Today - 1, false},
                      FilterCase{"DamagedModeShowsAll", 9, 0, 0, true}),
    Named<FilterCase>);

struct MarkCase {
    const char *name;
    double accessed, previousStart, previousEnd;
    int mark;
};
class MarkTest : public ::testing::TestWithParam<MarkCase> {};
TEST_P(MarkTest, MarksRecentUse) {
    const MarkCase &c = GetParam();
    EXPECT_EQ(ListMark(c.accessed, {Today, c.previousStart, c.previousEnd}), c.mark);
}
INSTANTIATE_TEST_SUITE_P(
    List, MarkTest,
    ::testing::Values(
        MarkCase{"StartUnknown", Today, 0, 0, StateNone},
        MarkCase{"AtStart", Today - 2, Today - 2, Today - 1, StateNone},
        MarkCase{"DuringPreviousRun", Today - 1.5, Today - 2, Today - 1, StateAccessedLastRun},
        MarkCase{"AtPreviousEnd", Today - 1, Today - 2, Today - 1, StateAccessedLastRun},
        MarkCase{"SinceEnd", Today - 0.5, Today - 2, Today - 1, StateAccessedSinceEnd},
        MarkCase{"EndUnknown", Today - 1.5, Today - 2, 0, StateAccessedSinceEnd},
        MarkCase{"NaN", NaN, Today - 2, Today - 1, StateNone}),
    Named<MarkCase>);

struct TextCase {
    const char *name;
    std::string text, expected;
};
class TextTest : public ::testing::TestWithParam<TextCase> {};
TEST_P(TextTest, Reads) {
    EXPECT_EQ(GetParam().text, GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    List, TextTest,
    ::testing::Values(
        TextCase{"SizeZero", ListSizeText(0), "0KB"}, TextCase{"SizeOne", ListSizeText(1), "1KB"},
        TextCase{"Size1025", ListSizeText(1025), "2KB"},
        TextCase{"SizeNearTwoGiB", ListSizeText(std::numeric_limits<int32_t>::max()), "2097152KB"},
        TextCase{"SizeDamaged", ListSizeText(-5000), "0KB"},
        TextCase{"PreviousStart", PreviousStartText(Today + 13 * 60 * Minute + 5 * Minute),
                 " 09/07/06 13:05"},
        TextCase{"PreviousStartUnknown", PreviousStartText(0), std::string(15, ' ')},
        TextCase{"Selection", SelectionText(3, 10),
                 "3 個のオブジェクトを選択 (全オブジェクト数 ： 10 個)"}),
    Named<TextCase>);

// ---- the files below a listed folder ----

class ListTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        cache = root.AddCabinet(KindNetscape2, "/nonexistent-trawler/c/", "cache");
        Add(*cache, "http://h/a.html", Today + 0.5, 10, 3);
        Add(*cache, "http://h/sub/", Today - 3, 2000, 1); // the root page of sub
        Add(*cache, "http://h/sub/deep/b.gif", Today - 10, 1, 2);
        Add(*cache, "http://h/c.txt", 0, 0, 0);
        Add(*cache, "ftp://f:21/x.zip", Today - 1.5, 5, 5);
        server = cache->Children().front().get();
        sub = FindChild(*server, "sub");
    }

    TFakeDesktop desktop;
    TCabinetRoot root;
    TCabinet *cache = nullptr;
    TTree *server = nullptr;
    TTree *sub = nullptr;
};

// Whatever the cabinet kind and names, the walk's addresses are those GetFileURLFrom gives.
TEST_F(ListTreeTest, CaptionsAreAddressesRelativeToTheListedFolder) {
    EXPECT_EQ(Captions(CollectListRows(*sub, ListAll, Times)), (Strings{"", "deep/b.gif"}));
    TCabinet *log = root.AddCabinet(KindPlainLog, "/nonexistent-trawler/l/", "log");
    TDir *odd = TDir::Create(*log, "a:b?c");
    TFileData data;
    TFile::Create(*TDir::Create(*odd, ".."), data, "x|y.html");
    TFile::Create(*log, data, "top*.gif");
    for (const TTree *listed : std::vector<const TTree *>{cache, server, sub, log, odd}) {
        int64_t count = 0;
        ForEachListFile(*listed, *listed, [&](const TFile &file, const std::string &caption) {
            EXPECT_EQ(caption, GetFileURLFrom(file, listed)) << file.Name();
            ++count;
        });
        EXPECT_EQ(count, CountListFiles(*listed));
    }
    auto rows = CollectListRows(*log, ListAll, Times);
    EXPECT_EQ(Captions(rows), (Strings{"a$b-c/--/x-y.html", "top-.gif"}));
    EXPECT_TRUE(PlanFollow(rows, log, log, ListAll, Times).Captions.empty());
}

TEST_F(ListTreeTest, FillFiltersButStepsEveryFile) {
    int steps = 0;
    EXPECT_EQ(Captions(CollectListRows(*cache, ListDay, Times, [&] { ++steps; })),
              (Strings{"http://h/a.html"}));
    EXPECT_EQ(steps, 5);
    EXPECT_EQ(Captions(CollectListRows(*cache, ListNew, Times, {}, 5)),
              (Strings{"http://h/a.html", "ftp://f:21/x.zip"}));
    EXPECT_TRUE(CollectListRows(*cache, ListNew, {Today, 0, 0}).empty());
    TDir *empty = TDir::Create(*sub, "empty");
    EXPECT_TRUE(CollectListRows(*empty, ListAll, Times).empty());
    EXPECT_EQ(CountListFiles(*empty), 0);
}

// The sort agrees with the shared list orders (stable, rows of destroyed files last) on many
// files with equal, missing and damaged values, in both directions of every column.
TEST(ListSortTest, AgreesWithCompareListRows) {
    TCabinetRoot root;
    TCabinet *cabinet = root.AddCabinet(KindNetscape2, "/nonexistent-trawler/s/", "s");
    const char *names[] = {"a.html", "B.HTML", "c.gif", "noext", "d.tar.gz", ".hidden", "e.Gif"};
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7fff; };
    for (int i = 0; i < 400; ++i) {
        std::string url = "http://h" + std::to_string(next() % 3) + "/d" +
                          std::to_string(next() % 4) + "/" + std::to_string(i) + names[next() % 7];
        double time = next() % 5 == 0 ? NaN : Today - (next() % 6) * 0.25;
        Add(*cabinet, url, time, static_cast<int32_t>(next() % 4) - 1, next() % 3 ? time : 0);
    }
    const auto filled = CollectListRows(*cabinet, ListAll, Times);
    TTree *gone = cabinet->Children().front()->Children().front().get();
    gone->Parent()->DestroyChild(gone);
    for (int column = 0; column < ColumnCount; ++column) {
        for (int direction : {1, -1}) {
            auto rows = filled;
            auto places = SortListRows(rows, column, direction);
            std::vector<const TListRow *> expected;
            for (const TListRow &row : filled)
                expected.push_back(&row);
            std::stable_sort(expected.begin(), expected.end(), [&](auto *a, auto *b) {
                TTree *x = a->Ref.Get(), *y = b->Ref.Get();
                if (!x || !y)
                    return x && !y;
                return CompareListRows(column, {*x, a->Caption}, {*y, b->Caption}, direction) < 0;
            });
            for (size_t i = 0; i < rows.size(); ++i) {
                ASSERT_EQ(rows[i].Ref.Serial(), expected[i]->Ref.Serial())
                    << "column " << column << " direction " << direction << " row " << i;
                size_t place = places.empty() ? i : places[i];
                ASSERT_EQ(rows[place].Ref.Serial(), filled[i].Ref.Serial());
            }
        }
    }
}

// ---- following the tree ----

TEST_F(ListTreeTest, FollowDropsGoneRowsAndAddsNewFilesOfTheChangedFolder) {
    auto rows = CollectListRows(*server, ListWeek, Times);
    ASSERT_EQ(Captions(rows), (Strings{"a.html", "sub/"}));
    server->DestroyChild(sub);
    Add(*cache, "http://h/new.html", Today + 0.1);
    Add(*cache, "http://h/old.html", Today - 30); // the filter keeps it out
    Add(*cache, "http://h/more/n1.gif", Today + 0.2);
    Add(*cache, "http://h/more/n2.gif", Today + 0.3);
    TListFollow plan = PlanFollow(rows, server, server, ListWeek, Times);
    EXPECT_EQ(plan.Gone, (std::vector<size_t>{1}));
    // New rows come in the walk's reverse child order.
    EXPECT_EQ(Captions(plan.Added), (Strings{"more/n2.gif", "more/n1.gif", "new.html"}));
    ApplyFollow(rows, std::move(plan));
    EXPECT_EQ(Captions(rows), (Strings{"a.html", "more/n2.gif", "more/n1.gif", "new.html"}));
    plan = PlanFollow(rows, server, server, ListWeek, Times);
    EXPECT_TRUE(plan.Gone.empty() && plan.Added.empty() && plan.Captions.empty());
    // A stale address (a folder on the way was renamed) is renewed.
    rows[0].Caption = "old/a.html";
    plan = PlanFollow(rows, server, nullptr, ListWeek, Times);
    EXPECT_EQ(plan.Captions, (std::vector<std::pair<size_t, std::string>>{{0, "a.html"}}));
}

struct ScopeCase {
    const char *name;
    int changed; // 0 the cabinet, 1 the listed folder, 2 the other server, 3 the new file,
                 // 4 the listed folder destroyed
    Strings added;
    size_t gone;
};
class FollowScopeTest : public ListTreeTest, public ::testing::WithParamInterface<ScopeCase> {};
TEST_P(FollowScopeTest, ListsOnlyFilesBelowTheListedFolder) {
    const ScopeCase &c = GetParam();
    auto rows = CollectListRows(*sub, ListAll, Times);
    TFile *made = Add(*cache, "http://h/sub/deep/new.gif", 0);
    Add(*cache, "http://h/outside.gif", 0);
    Add(*cache, "ftp://f:21/outside.zip", 0);
    const TTree *changed[] = {cache, sub, cache->Children().back().get(), made, server};
    TItemRef listed(sub);
    if (c.changed == 4)
        server->DestroyChild(sub);
    TListFollow plan = PlanFollow(rows, listed.Get(), changed[c.changed], ListAll, Times);
    EXPECT_EQ(Captions(plan.Added), c.added);
    EXPECT_EQ(plan.Gone.size(), c.gone);
}
INSTANTIATE_TEST_SUITE_P(List, FollowScopeTest,
                         ::testing::Values(ScopeCase{"CabinetAbove", 0, {"deep/new.gif"}, 0},
                                           ScopeCase{"ListedFolder", 1, {"deep/new.gif"}, 0},
                                           ScopeCase{"BesideIt", 2, {}, 0},
                                           ScopeCase{"TheNewFile", 3, {"deep/new.gif"}, 0},
                                           ScopeCase{"ListedFolderGone", 4, {}, 2}),
                         Named<ScopeCase>);

TEST(ListDepthTest, AnAddressOfAHundredThousandFoldersIsListed) {
    TCabinetRoot root;
    TCabinet *cabinet = root.AddCabinet(KindNetscape2, "/nonexistent-trawler/d/", "deep");
    std::string url = "http://d";
    for (int i = 0; i < 100000; ++i)
        url += "/d";
    Add(*cabinet, url + "/leaf.html", Today);
    auto rows = CollectListRows(*cabinet, ListAll, Times);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Caption, url + "/leaf.html");
    TListFollow plan = PlanFollow(rows, cabinet, cabinet, ListAll, Times);
    EXPECT_TRUE(plan.Gone.empty() && plan.Captions.empty() && plan.Added.empty());
}

} // namespace
