#include "html/token.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/error.h"
#include "support/fakes.h"

using namespace std::string_literals;

namespace {

// The usable values of the walk, a "<BASE" value marked with "base:".
std::vector<std::string> Walk(const std::string &data) {
    std::vector<std::string> found;
    TLinkWalk walk(data);
    TLinkValue value;
    while (walk.Next(value))
        found.push_back((value.Base ? "base:" : "") + std::string(value.Value));
    EXPECT_TRUE(walk.Ended());
    EXPECT_EQ(walk.Offset(), data.size());
    return found;
}

using Values = std::vector<std::string>;

struct WalkCase {
    const char *name;
    std::string data;
    Values expected;
};

class LinkWalkCases : public ::testing::TestWithParam<WalkCase> {};

TEST_P(LinkWalkCases, YieldsTheValues) {
    EXPECT_EQ(Walk(GetParam().data), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Token, LinkWalkCases,
    ::testing::Values(
        WalkCase{"first_attribute_only", R"(<IMG SRC="a.gif" HREF="b.html">)", {"a.gif"}},
        WalkCase{"one_value_per_tag",
                 R"(<A HREF="a"><IMG SRC="b"><BODY BACKGROUND=c.gif>)",
                 {"a", "b", "c.gif"}},
        // ">" ends a tag only when a delimiter follows, so the attribute scan after "<TD"
        // runs on through "><A " and takes the HREF.
        WalkCase{"tag_end_needs_delimiter", R"(<TD><A HREF="x.html">)", {"x.html"}},
        WalkCase{"tag_end_before_line_break", "<TD>\n<IMG SRC=q.gif>", {"q.gif"}},
        WalkCase{"running_text_after_td", "<TD>the SRC of it</TD>", {"of"}},
        WalkCase{"fragment_and_empty_skipped", R"(<A HREF="#top"><A HREF=""><A HREF="b">)", {"b"}},
        WalkCase{"blanks_and_equals_before", R"(<A HREF = "a b.html">)", {"a b.html"}},
        WalkCase{"unquoted_ends_at_gt", "<A HREF=a.html>", {"a.html"}},
        WalkCase{"unquoted_ends_at_blank", "<A HREF=a.html TARGET=x>", {"a.html"}},
        WalkCase{"single_quotes", "<A HREF='x'>", {"x"}},
        WalkCase{"quoted_value_holds_gt", R"(<A HREF="a>b">)", {"a>b"}},
        WalkCase{"value_trimmed", "<A HREF=\" \t a.html\r\n\">", {"a.html"}},
        WalkCase{"line_break_inside_unquoted", "<A HREF=a\nb>", {"a\nb"}},
        WalkCase{"closing_quote_never_comes", R"(<A HREF="x.html><IMG SRC=y.gif>)", {}},
        WalkCase{"lower_and_mixed_case", "<img src=a.gif><A hReF=b>", {"a.gif", "b"}},
        WalkCase{"tag_then_line_break", "<A\r\nHREF=x>", {"x"}},
        WalkCase{"lone_cr", "<A\rHREF\r=\r'v'>", {"v"}},
        WalkCase{"nul_delimits", "<A\0HREF=x>"s, {"x"}},
        WalkCase{"nul_inside_value", "<A HREF=\"a\0b\">"s, {"a\0b"s}},
        WalkCase{"unknown_tags", "<ABBR HREF=x><LINK HREF=y><P HREF=z>", {}},
        // The "<" that breaks the partial match "<" is not tried again as a new start.
        WalkCase{"broken_match_not_retried", "<<A HREF=x>", {}},
        WalkCase{"no_value_before_gt", "<A HREF=><IMG SRC=b>", {"b"}},
        WalkCase{
            "base_marked", R"(<BASE HREF="http://o/d/"><A HREF=a>)", {"base:http://o/d/", "a"}},
        WalkCase{"applet_code", R"(<APPLET CODE="A.class">)", {"A.class"}},
        WalkCase{"empty", "", {}}, WalkCase{"no_tags", "plain text SRC=x HREF=y", {}},
        WalkCase{"ends_inside_tag", "<A HREF", {}}, WalkCase{"ends_after_equals", "<A HREF=  ", {}},
        WalkCase{"ends_inside_unquoted", "<A HREF=x", {}},
        WalkCase{"shift_jis_bytes_kept",
                 "<A HREF=\"\x83\x65\x83\x58\x83\x67.html\">",
                 {"\x83\x65\x83\x58\x83\x67.html"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Token, ValueOffsetsFrameTheBytesAsRead) {
    struct Case {
        std::string data;
        std::string asRead; // data[Start, End)
        size_t tagStart;
        std::string tag, attribute;
    };
    for (const Case &c : {
             Case{R"(ab<A HREF="x.html">)", R"("x.html")", 2, "<A", "HREF"},
             Case{"<img src=y.gif>", "y.gif", 0, "<IMG", "SRC"},
             Case{"<A HREF=y.gif >", "y.gif ", 0, "<A", "HREF"},
             Case{"..<TD>text CODE='c'", "'c'", 2, "<TD", "CODE"},
         }) {
        TLinkWalk walk(c.data);
        TLinkValue value;
        ASSERT_TRUE(walk.Next(value)) << c.data;
        EXPECT_EQ(c.data.substr(value.Start, value.End - value.Start), c.asRead) << c.data;
        EXPECT_EQ(value.TagStart, c.tagStart) << c.data;
        EXPECT_EQ(value.Tag, c.tag);
        EXPECT_EQ(value.Attribute, c.attribute);
        EXPECT_EQ(walk.Offset(), value.End);
    }
}

TEST(Token, SkipToTagEndLeavesTheRestOfTheTag) {
    std::string data = R"(<BASE HREF="http://o/" <A HREF="in.html">X<A HREF="b.html">)";
    TLinkWalk walk(data);
    TLinkValue value;
    ASSERT_TRUE(walk.Next(value));
    EXPECT_TRUE(value.Base);
    ASSERT_TRUE(walk.SkipToTagEnd());
    EXPECT_EQ(data.substr(walk.Offset(), 1), "X");
    ASSERT_TRUE(walk.Next(value));
    EXPECT_EQ(value.Value, "b.html");

    TLinkWalk open("<BASE HREF=\"x\" no end");
    ASSERT_TRUE(open.Next(value));
    EXPECT_FALSE(open.SkipToTagEnd());
    EXPECT_TRUE(open.Ended());
    EXPECT_FALSE(open.Next(value));
}

// Every prefix of a hostile page ends the walk with values inside the data.
TEST(Token, EveryPrefixEndsWithValuesInBounds) {
    std::string page = "<HTML>\r<BASE href='http://h/'>\0<td>the SRC=\"a\rb\" <A\tHREF=x>"
                       "<img src = 'y'><APPLET CODE=\"z\"><A HREF=\"never"s;
    for (size_t n = 0; n <= page.size(); ++n) {
        std::string prefix = page.substr(0, n);
        TLinkWalk walk(prefix);
        TLinkValue value;
        size_t steps = 0;
        while (walk.Next(value)) {
            ASSERT_LE(value.End, prefix.size());
            ASSERT_LT(value.Start, value.End);
            ASSERT_LT(value.TagStart, value.Start);
            ASSERT_LT(++steps, prefix.size());
        }
        EXPECT_EQ(walk.Offset(), prefix.size());
    }
}

TEST(Token, FinderTreesAndScan) {
    TFindWord finder("AB\0\0ABC\0X\0\0"s); // the empty word adds nothing
    const TFindChar &root = finder.Root();
    ASSERT_EQ(root.Children.size(), 2u);
    const TFindChar *a = FindNode(root, 'A', false);
    ASSERT_NE(a, nullptr);
    const TFindChar *b = FindNode(*a, 'B', false);
    ASSERT_NE(b, nullptr);
    // "AB" ends beside the longer word's next letter.
    ASSERT_EQ(b->Children.size(), 2u);
    EXPECT_EQ(FindNode(*b, '\0', false)->Letter, 0);
    EXPECT_EQ(FindNode(*b, ' ', false), nullptr);
    EXPECT_EQ(FindNode(*b, ' ', true)->Letter, 0);
    EXPECT_EQ(FindNode(*b, '>', true)->Letter, 0);
    EXPECT_EQ(FindNode(*b, 'C', true)->Letter, 'C');
    EXPECT_EQ(FindNode(*b, 'D', true), nullptr);

    struct Case {
        std::string data;
        std::string word; // empty: the end was reached
        size_t at;        // cursor offset on return
    };
    for (const Case &c : {Case{"xx ab=", "AB", 5}, Case{"abc\t", "ABC", 3}, Case{"abd x ", "X", 5},
                          Case{"abcd", "", 0}, Case{"ab", "", 0}, Case{"", "", 0}}) {
        const char *cursor = c.data.empty() ? nullptr : c.data.data();
        size_t remaining = c.data.size();
        finder.Scan(cursor, remaining);
        if (c.word.empty()) {
            EXPECT_EQ(cursor, nullptr) << c.data;
            EXPECT_EQ(remaining, 0u);
        } else {
            ASSERT_NE(cursor, nullptr) << c.data;
            EXPECT_EQ(finder.Word, c.word);
            EXPECT_EQ(static_cast<size_t>(cursor - c.data.data()), c.at);
            EXPECT_EQ(remaining, c.data.size() - c.at);
        }
    }

    TFindWord tags(TagWords);
    std::string text = "<applet ";
    const char *cursor = text.data();
    size_t remaining = text.size();
    tags.Scan(cursor, remaining);
    EXPECT_TRUE(tags.IsApplet());
    EXPECT_FALSE(tags.IsBase());
}

TEST(Token, ReadValueAndSkips) {
    struct Case {
        const char *name;
        std::string data;
        std::string value;
        size_t consumed;
    };
    for (const Case &c : {
             Case{"double", R"("a b">)", "a b", 5},
             Case{"single", "'a\"b' x", "a\"b", 5},
             Case{"blank_ends", "ab cd", "ab", 3},
             Case{"gt_not_consumed", "ab>cd", "ab", 2},
             Case{"no_close", "\"ab", "", 3},
             Case{"unquoted_to_end", "ab", "", 2},
             Case{"trimmed", "\" \x01 ab \x7f \"", "ab \x7f", 10},
         }) {
        const char *cursor = c.data.data();
        size_t remaining = c.data.size();
        EXPECT_EQ(ReadValue(cursor, remaining), c.value) << c.name;
        ASSERT_NE(cursor, nullptr) << c.name;
        EXPECT_EQ(static_cast<size_t>(cursor - c.data.data()), c.consumed) << c.name;
        EXPECT_EQ(remaining, c.data.size() - c.consumed) << c.name;
    }

    std::string blanks = " =\r\n\tx";
    const char *cursor = blanks.data();
    size_t remaining = blanks.size();
    SkipBlanks(cursor, remaining);
    EXPECT_EQ(remaining, 1u);
    SkipToTagEnd(cursor, remaining);
    EXPECT_EQ(cursor, nullptr);

    std::string tag = "a b>c";
    cursor = tag.data();
    remaining = tag.size();
    SkipToTagEnd(cursor, remaining);
    EXPECT_EQ(*cursor, 'c');
    EXPECT_EQ(remaining, 1u);
    std::string onlyBlanks = " \t ";
    cursor = onlyBlanks.data();
    remaining = onlyBlanks.size();
    SkipBlanks(cursor, remaining);
    EXPECT_EQ(cursor, nullptr);
}

TEST(Token, EventLoopTurnsOncePer4KiB) {
    TFakeDesktop desktop;
    std::string page;
    while (page.size() < 100 * 1024)
        page += "<TD>some text and <A HREF=\"page.html\"> a \"quoted\" word<BR>\n";
    TLinkWalk walk(page);
    std::vector<size_t> seen;
    walk.OnTurn() = [&](size_t consumed) { seen.push_back(consumed); };
    TLinkValue value;
    size_t links = 0;
    while (walk.Next(value))
        ++links;
    EXPECT_GT(links, 1000u);
    EXPECT_LE(desktop.EventTurns, static_cast<int>(page.size() / EventTurnBytes));
    EXPECT_GE(desktop.EventTurns, static_cast<int>(page.size() / EventTurnBytes) - 1);
    ASSERT_EQ(seen.size(), static_cast<size_t>(desktop.EventTurns));
    for (size_t i = 0; i < seen.size(); ++i)
        EXPECT_GE(seen[i], (i + 1) * EventTurnBytes);

    // A long value without its closing quote still gives the loop its turns, and a turn that
    // cancels ends the walk by its exception.
    std::string open = "<A HREF=\"" + std::string(64 * 1024, 'x');
    TLinkWalk cancelled(open);
    cancelled.OnTurn() = [](size_t) { throw TAbort(); };
    EXPECT_THROW(cancelled.Next(value), TAbort);
}

} // namespace
