#include "items/sort.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "items/cab.h"
#include "items/file.h"

namespace {

// A server with two folders and four files in a scrambled order. Captions are the Names
// unless a test gives others (the file list shows addresses).
class SortTest : public ::testing::Test {
protected:
    void SetUp() override {
        cab = root.AddCabinet(2, "/tmp/x/", "c");
        server = TDir::Create(*cab, "http://h");
        AddFile("mid.txt", 300, 3, 30);
        TDir::Create(*server, "b-dir");
        AddFile("Big.html", 5000, 1, 40);
        AddFile("small.gif", 10, 4, 10);
        TDir::Create(*server, "a-dir");
        AddFile("noext", 77, 2, 20);
    }

    void AddFile(const std::string &name, int32_t size, double accessed, double modified) {
        TFileData data;
        data.Size = size;
        data.Accessed = accessed;
        data.Modified = modified;
        TFile::Create(*server, data, name);
    }

    // Names of the server's children after a stable sort by the order.
    template <class Order> std::string Sorted(Order order) {
        std::vector<const TTree *> items;
        for (const auto &child : server->Children())
            items.push_back(child.get());
        std::stable_sort(items.begin(), items.end(), [&](const TTree *a, const TTree *b) {
            return order(Key(*a), Key(*b)) < 0;
        });
        std::string names;
        for (const TTree *item : items)
            names += (names.empty() ? "" : " ") + item->Name();
        return names;
    }

    TSortKey Key(const TTree &item) {
        auto it = captions.find(item.Name());
        return {item, it != captions.end() ? it->second : item.Name()};
    }

    TTree &Child(const std::string &name) {
        for (const auto &child : server->Children())
            if (child->Name() == name)
                return *child;
        throw std::runtime_error("no child " + name);
    }

    TCabinetRoot root;
    TCabinet *cab = nullptr;
    TDir *server = nullptr;
    std::map<std::string, std::string> captions;
};

struct OrderCase {
    const char *name;
    int column;
    int direction;
    const char *order;
};

class ListOrderTest : public SortTest, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(ListOrderTest, SortsFoldersAndFiles) {
    const OrderCase &c = GetParam();
    EXPECT_EQ(Sorted([&](const TSortKey &a, const TSortKey &b) {
                  return CompareListRows(c.column, a, b, c.direction);
              }),
              c.order);
}

INSTANTIATE_TEST_SUITE_P(
    Sort, ListOrderTest,
    ::testing::Values(
        // Byte order: capitals before small letters.
        OrderCase{"captionUp", ColumnCaption, 1, "a-dir b-dir Big.html mid.txt noext small.gif"},
        OrderCase{"captionDown", ColumnCaption, -1, "small.gif noext mid.txt Big.html b-dir a-dir"},
        OrderCase{"typeUp", ColumnType, 1, "a-dir b-dir noext small.gif Big.html mid.txt"},
        OrderCase{"sizeUp", ColumnSize, 1, "a-dir b-dir small.gif noext mid.txt Big.html"},
        OrderCase{"sizeDownLargestFirstFoldersLast", ColumnSize, -1,
                  "Big.html mid.txt noext small.gif b-dir a-dir"},
        OrderCase{"accessedUp", ColumnAccessed, 1, "a-dir b-dir Big.html noext mid.txt small.gif"},
        OrderCase{"modifiedDown", ColumnModified, -1,
                  "Big.html mid.txt noext small.gif b-dir a-dir"},
        OrderCase{"noSuchColumnKeepsOrder", 5, 1, "mid.txt b-dir Big.html small.gif a-dir noext"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(SortTest, CaptionColumnUsesTheCallersCaptions) {
    captions = {{"mid.txt", "http://h/z"},
                {"Big.html", "http://h/y"},
                {"small.gif", "http://h/x"},
                {"noext", "http://h/w"},
                {"a-dir", "2"},
                {"b-dir", "1"}};
    EXPECT_EQ(
        Sorted([](const TSortKey &a, const TSortKey &b) { return CompareByCaption(a, b, 1); }),
        "b-dir a-dir noext small.gif Big.html mid.txt");
    // Columns other than 0 order folders by Name, not by caption.
    EXPECT_EQ(Sorted([](const TSortKey &a, const TSortKey &b) { return CompareBySize(a, b, 1); }),
              "a-dir b-dir small.gif noext mid.txt Big.html");
}

TEST_F(SortTest, TreeOrderPutsFoldersFirstAndHasNoDirection) {
    EXPECT_EQ(Sorted(CompareTreeNodes), "a-dir b-dir Big.html mid.txt noext small.gif");
    EXPECT_EQ(CompareTreeNodes(Key(Child("noext")), Key(Child("a-dir"))), 1);
    EXPECT_EQ(CompareTreeNodes(Key(Child("a-dir")), Key(Child("noext"))), -1);
}

TEST_F(SortTest, CollationIsByteWiseWithHighBytesLast) {
    EXPECT_LT(CompareTreeNodes({Child("a-dir"), "Z"}, {Child("b-dir"), "a"}), 0);
    EXPECT_GT(CompareTreeNodes({Child("a-dir"), "\x82\xa0"}, {Child("b-dir"), "z"}), 0);
    EXPECT_EQ(CompareTreeNodes({Child("a-dir"), "same"}, {Child("b-dir"), "same"}), 0);
}

TEST_F(SortTest, MixedPairsAnswerOneAndAreTurnedByDirection) {
    for (int column = ColumnCaption; column < ColumnCount; ++column) {
        SCOPED_TRACE(column);
        EXPECT_EQ(CompareListRows(column, Key(Child("noext")), Key(Child("a-dir")), 1), 1);
        EXPECT_EQ(CompareListRows(column, Key(Child("a-dir")), Key(Child("noext")), 1), -1);
        EXPECT_EQ(CompareListRows(column, Key(Child("noext")), Key(Child("a-dir")), -1), -1);
    }
}

TEST_F(SortTest, ExtremeSizesDoNotOverflow) {
    AddFile("huge", std::numeric_limits<int32_t>::max(), 0, 0);
    AddFile("broken", std::numeric_limits<int32_t>::min(), 0, 0);
    EXPECT_LT(CompareBySize(Key(Child("broken")), Key(Child("huge")), 1), 0);
    EXPECT_GT(CompareBySize(Key(Child("huge")), Key(Child("broken")), 1), 0);
}

TEST_F(SortTest, TimesThatAreNotNumbersSortFirstConsistently) {
    AddFile("nan1", 1, std::nan(""), 0);
    AddFile("nan2", 1, std::nan(""), 0);
    const TSortKey nan1 = Key(Child("nan1")), nan2 = Key(Child("nan2"));
    const TSortKey early = Key(Child("Big.html")), late = Key(Child("small.gif"));
    EXPECT_EQ(CompareByAccessed(nan1, nan2, 1), 0);
    EXPECT_LT(CompareByAccessed(nan1, early, 1), 0);
    EXPECT_GT(CompareByAccessed(late, nan2, 1), 0);
    EXPECT_EQ(
        Sorted([](const TSortKey &a, const TSortKey &b) { return CompareByAccessed(a, b, 1); }),
        "a-dir b-dir nan1 nan2 Big.html noext mid.txt small.gif");
}

struct ClickCase {
    const char *name;
    std::vector<int> clicks;
    std::vector<std::optional<TSortChoice>> sorts;
};

class ColumnSortTest : public ::testing::TestWithParam<ClickCase> {};

TEST_P(ColumnSortTest, AlternatesPerColumn) {
    TColumnSort sort;
    std::vector<std::optional<TSortChoice>> sorts;
    for (int column : GetParam().clicks)
        sorts.push_back(sort.Click(column));
    EXPECT_EQ(sorts, GetParam().sorts);
}

using C = TSortChoice;
INSTANTIATE_TEST_SUITE_P(
    Sort, ColumnSortTest,
    ::testing::Values(ClickCase{"sameColumn", {0, 0, 0}, {C{0, 1}, C{0, -1}, C{0, 1}}},
                      ClickCase{"independentColumns",
                                {2, 4, 2, 4, 4},
                                {C{2, 1}, C{4, 1}, C{2, -1}, C{4, -1}, C{4, 1}}},
                      ClickCase{"beyondFifthIgnored",
                                {5, 3, 6, -1, 3},
                                {std::nullopt, C{3, 1}, std::nullopt, std::nullopt, C{3, -1}}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ColumnSort, CurrentDoesNotTurnTheDirection) {
    TColumnSort sort;
    EXPECT_EQ(sort.Current(0), 1);
    sort.Click(0);
    EXPECT_EQ(sort.Current(0), -1);
    EXPECT_EQ(sort.Current(0), -1);
    EXPECT_EQ(sort.Current(1), 1);
    EXPECT_EQ(sort.Current(7), 1);
}

} // namespace
