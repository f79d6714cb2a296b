#include "fileops/convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "config/settings.h"
#include "fileops/fileOP.h"
#include "html/link.h"
#include "html/token.h"
#include "items/cab.h"
#include "items/clip.h"
#include "platform/ascii.h"
#include "platform/program.h"
#include "stores/cache.h"
#include "support/fakes.h"

using namespace std::string_literals;

namespace {

std::string ReadText(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void ReplaceAll(std::string &text, const std::string &what, const std::string &with) {
    for (size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

// ---- relative links ----

struct RelativeCase {
    const char *name;
    const char *from;
    const char *to;
    const char *expected;
};

const RelativeCase RelativeCases[] = {
    {"up_two_folders", "h/d/e/z.html", "h/q.gif", "../../q.gif"},
    {"down_into_folder", "h/z.html", "h/x/y.html", "x/y.html"},
    {"same_file", "h/a.html", "h/a.html", "a.html"},
    {"other_server", "h1/a.html", "h2/b.gif", ""},
    {"same_folder", "h/d/a.html", "h/d/b.gif", "b.gif"},
    {"sideways", "h/a/b/c.html", "h/x/y/z.gif", "../../x/y/z.gif"},
    {"letter_case_ignored", "HTTP=H/D/a.html", "http=h/d/sub/b.gif", "sub/b.gif"},
    {"case_kept_in_result", "h/a.html", "h/Sub/B.GIF", "Sub/B.GIF"},
    {"folder_named_like_file", "h/a.html/z.html", "h/a.html", "../a.html"},
};

class RelativeLinkTest : public ::testing::TestWithParam<RelativeCase> {};

TEST_P(RelativeLinkTest, Cases) {
    EXPECT_EQ(RelativeLink(GetParam().to, GetParam().from), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Convert, RelativeLinkTest, ::testing::ValuesIn(RelativeCases),
                         [](const auto &info) { return std::string(info.param.name); });

// ---- the converting copy over a small world ----
//
// cache (Netscape 1.x): the page http://h/d/x.html and its neighbours; other (Netscape 2.x)
// and third (MS-IE 4.x): further caches; plain: a plain log; mirror: the paste target.

class ConvertTest : public ::testing::Test {
protected:
    ConvertTest() {
        SetProgramFolder("/opt/trawler/");
        cache = root.AddCabinet(KindNetscape1, folder.Path() + "cache/", "cache");
        other = root.AddCabinet(KindNetscape2, folder.Path() + "other/", "other");
        plain = root.AddCabinet(KindPlainLog, folder.Path() + "plain/", "plain");
        mirror = root.AddCabinet(KindMirrorLog, folder.Path() + "mirror/", "mirror");
        third = root.AddCabinet(KindMsie4, folder.Path() + "third/", "third");

        for (const char *url : {"http://h/d/sub/p.html", "http://h/q.gif", "http://h3/c.html",
                                "http://h/d/sub/deep.html", "http://h/d/"})
            Cached(cache, url);
        for (const char *url : {"http://h/d/other.html", "http://h2/b.gif",
                                "http://other/dir/a.gif", "http://h/d/A.class"})
            Cached(other, url);
        Cached(third, "http://h/d/other.html");
        Cached(third, "http://h/d/third.html");
        Cached(plain, "http://h/d/plainonly.html");
        Cached(mirror, "http://h/d/m.html");
        Cached(mirror, "http://h9/z.html");

        batch.Clear(ClipCopy);
        AddedFiles().Clear(ClipAdded);
        window.Clip = &batch;
        window.LinkPrefix = "file:///" + PathToURL(mirror->Path);
        FileOpWindow = &window;
    }
    ~ConvertTest() override {
        FileOpWindow = nullptr;
        AddedFiles().Clear(ClipAdded);
        SetProgramFolder("");
        Settings() = saved;
    }

    // A file of a cabinet with its data on disk.
    TFile *Cached(TCabinet *cabinet, const std::string &url, const std::string &bytes = "x") {
        TFileData data;
        data.URL = url;
        data.ContentType = "text/html";
        if (IsLogKind(cabinet->Kind)) {
            TFile *file = AddURL(*cabinet, url, data);
            std::filesystem::create_directories(
                std::filesystem::path(file->GetLocalPath()).parent_path());
            std::ofstream(file->GetLocalPath(), std::ios::binary) << bytes;
            return file;
        }
        data.CacheFile = "F" + std::to_string(++cacheFiles) + ".html";
        folder.Write(cabinet->Name() + "/" + data.CacheFile, bytes);
        return AddURL(*cabinet, url, data);
    }

    // The page http://h/d/x.html of the cache with the given bytes, and its target below
    // the mirror (or the plain log) at the same path.
    void MakePage(const std::string &bytes, TCabinet *into) {
        page = Cached(cache, "http://h/d/x.html", bytes);
        TFileData data = page->Data();
        target = AddURL(*into, "http://h/d/x.html", data);
        std::filesystem::create_directories(
            std::filesystem::path(target->GetLocalPath()).parent_path());
        if (into == plain)
            window.LinkPrefix = "file:///" + PathToURL(plain->Path);
    }

    TFile *Item(TCabinet *cabinet, const std::string &url) {
        return static_cast<TFile *>(FindByURL(cabinet, url));
    }

    // The output without the footer, which must be there exactly once when expected.
    std::string Converted(bool footer = true) {
        ConvertingCopy(*page, *target);
        std::string out = ReadText(target->GetLocalPath());
        std::string end = ReloadFooter(page->GetURL());
        if (footer) {
            EXPECT_GE(out.size(), end.size());
            EXPECT_EQ(out.substr(out.size() - std::min(out.size(), end.size())), end);
            out.resize(out.size() - std::min(out.size(), end.size()));
        }
        EXPECT_EQ(out.find("<HTML>\r\n<P><BR><HR>"), std::string::npos);
        return out;
    }

    std::vector<std::string> AddedNames() {
        std::vector<std::string> names;
        for (size_t i = 0; i < AddedFiles().Count(); ++i)
            if (TTree *item = AddedFiles().Item(i))
                names.push_back(item->GetCabinetName() + ":" + item->GetURL());
        return names;
    }

    TSettings saved = Settings();
    TFakeDesktop desktop;
    TTempFolder folder;
    TCabinetRoot root;
    TCabinet *cache = nullptr;
    TCabinet *other = nullptr;
    TCabinet *plain = nullptr;
    TCabinet *mirror = nullptr;
    TCabinet *third = nullptr;
    TFile *page = nullptr;
    TFile *target = nullptr;
    TClip batch;
    TFormFileOP window;
    int cacheFiles = 0;
};

struct LinkCase {
    const char *name;
    const char *page;
    const char *expected;             // {P} stands for the batch's LinkPrefix
    std::vector<const char *> pasted; // cache addresses in the batch besides the page
    std::vector<const char *> added;  // "cabinet:address" collected, in order
    bool collect = true;              // OpMirrorLink / OpCopyLink
    bool plainTarget = false;
    bool addedPass = false;
};

const LinkCase LinkCases[] = {
    {"pasted_together_relative",
     R"(<A HREF="sub/p.html">)",
     R"(<A HREF="sub/p.html" >)",
     {"http://h/d/sub/p.html"},
     {}},
    {"pasted_folder_holds_file",
     R"(<A HREF="sub/deep.html">)",
     R"(<A HREF="sub/deep.html" >)",
     {"folder:http://h/d/sub/p.html"},
     {}},
    {"pasted_other_server_prefix",
     R"(<A HREF="http://h3/c.html">)",
     R"(<A HREF="{P}http=h3/c.html" >)",
     {"http://h3/c.html"},
     {}},
    {"other_cache_collected",
     R"(<A HREF="sub/p.html">)",
     R"(<A HREF="{P}http=h/d/sub/p.html" >)",
     {},
     {"cache:http://h/d/sub/p.html"}},
    {"other_cache_not_collected_when_off",
     R"(<A HREF="sub/p.html">)",
     R"(<A HREF="http://h/d/sub/p.html" >)",
     {},
     {},
     false},
    {"not_anywhere_absolute", R"(<A HREF="../a.html">)", R"(<A HREF="http://h/a.html" >)", {}, {}},
    {"collected_once",
     R"(<IMG SRC="../q.gif"><IMG SRC="/q.gif">)",
     R"(<IMG SRC="{P}http=h/q.gif" ><IMG SRC="{P}http=h/q.gif" >)",
     {},
     {"cache:http://h/q.gif"}},
    {"last_registered_cabinet_first",
     R"(<A HREF="other.html"><A HREF="third.html">)",
     R"(<A HREF="{P}http=h/d/other.html" ><A HREF="{P}http=h/d/third.html" >)",
     {},
     {"third:http://h/d/other.html", "third:http://h/d/third.html"}},
    {"plain_log_never_searched",
     R"(<A HREF="plainonly.html">)",
     R"(<A HREF="http://h/d/plainonly.html" >)",
     {},
     {}},
    {"mirror_relative", R"(<A HREF="m.html">)", R"(<A HREF="m.html" >)", {}, {}},
    {"mirror_other_server_prefix",
     R"(<A HREF="http://h9/z.html">)",
     R"(<A HREF="{P}http=h9/z.html" >)",
     {},
     {}},
    {"mirror_without_option", R"(<A HREF="m.html">)", R"(<A HREF="m.html" >)", {}, {}, false},
    {"plain_target_collects",
     R"(<A HREF="sub/p.html">)",
     R"(<A HREF="{P}http=h/d/sub/p.html" >)",
     {},
     {"cache:http://h/d/sub/p.html"},
     true,
     true},
    {"plain_target_option_off",
     R"(<A HREF="sub/p.html">)",
     R"(<A HREF="http://h/d/sub/p.html" >)",
     {},
     {},
     false,
     true},
    {"plain_target_collects_from_mirror",
     R"(<A HREF="http://h9/z.html">)",
     R"(<A HREF="{P}http=h9/z.html" >)",
     {},
     {"mirror:http://h9/z.html"},
     true,
     true},
    {"added_pass_no_other_cabinets",
     R"(<A HREF="other.html"><A HREF="m.html">)",
     R"(<A HREF="http://h/d/other.html" ><A HREF="m.html" >)",
     {},
     {},
     true,
     false,
     true},
    {"base_tag_removed",
     "<HEAD><BASE HREF=\"http://other/dir/\"></HEAD><IMG SRC=\"a.gif\">",
     R"(<HEAD></HEAD><IMG SRC="{P}http=other/dir/a.gif" >)",
     {},
     {"other:http://other/dir/a.gif"}},
    {"base_naming_a_page_sets_its_folder",
     "<BASE HREF=\"http://other/dir/index.html\"><IMG SRC=\"a.gif\">",
     R"(<IMG SRC="{P}http=other/dir/a.gif" >)",
     {},
     {"other:http://other/dir/a.gif"}},
    {"base_without_value_stays",
     "<BASE TARGET=_top>\n<A HREF=\"../a.html\">",
     "<BASE TARGET=_top>\n<A HREF=\"http://h/a.html\" >",
     {},
     {}},
    {"base_unclosed_drops_rest", R"(<P><BASE HREF="http://x/" and no end)", "<P>", {}, {}},
    {"applet_value_kept",
     R"(<APPLET CODE="A.class" WIDTH=1>)",
     R"(<APPLET CODE="A.class" WIDTH=1>)",
     {},
     {"other:http://h/d/A.class"}},
    {"applet_unquoted",
     R"(<APPLET CODE=A.class>)",
     R"(<APPLET CODE="A.class">)",
     {},
     {"other:http://h/d/A.class"}},
    {"empty_value_unchanged", R"(<A HREF="">x</A>)", R"(<A HREF="">x</A>)", {}, {}},
    {"fragment_unchanged", R"(<A HREF="#top">x</A>)", R"(<A HREF="#top">x</A>)", {}, {}},
    {"open_quote_unchanged", R"(<A HREF="sub/p.html)", R"(<A HREF="sub/p.html)", {}, {}},
    {"unquoted_before_tag_end", R"(<A HREF=y.html>)", R"(<A HREF="http://h/d/y.html" >)", {}, {}},
    {"unquoted_before_blank",
     R"(<IMG SRC=y.gif ALT=1>)",
     R"(<IMG SRC="http://h/d/y.gif" ALT=1>)",
     {},
     {}},
    {"fragment_kept_on_relative",
     R"(<A HREF="sub/p.html#s">)",
     R"(<A HREF="sub/p.html#s" >)",
     {"http://h/d/sub/p.html"},
     {}},
    {"fragment_kept_on_absolute",
     R"(<A HREF="../a.html#s">)",
     R"(<A HREF="http://h/a.html#s" >)",
     {},
     {}},
    {"folder_address_is_root_page",
     R"(<A HREF="./">)",
     R"(<A HREF="{P}http=h/d/RootPage.html" >)",
     {},
     {"cache:http://h/d/"}},
    {"folder_is_no_file", R"(<A HREF="sub">)", R"(<A HREF="http://h/d/sub" >)", {}, {}},
    {"quote_inside_value",
     R"(<A HREF='a"b.html'>)",
     R"(<A HREF="http://h/d/a%22b.html" >)",
     {},
     {}},
    {"resolves_to_nothing_kept", R"(<A HREF="../../../">)", R"(<A HREF="../../../" >)", {}, {}},
    {"file_link_elsewhere_kept",
     R"(<A HREF="file:///elsewhere/a.html">)",
     R"(<A HREF="file:///elsewhere/a.html" >)",
     {},
     {}},
    {"mailto_absolute", R"(<A HREF="mailto:x@h">)", R"(<A HREF="mailto:x@h" >)", {}, {}},
    {"repeated_link_after_base",
     R"(<IMG SRC="a.gif"><BASE HREF="http://other/dir/"><IMG SRC="a.gif">)",
     R"(<IMG SRC="http://h/d/a.gif" ><IMG SRC="{P}http=other/dir/a.gif" >)",
     {},
     {"other:http://other/dir/a.gif"}},
};

class ConvertLinkTest : public ConvertTest, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(ConvertLinkTest, Cases) {
    const LinkCase &c = GetParam();
    Settings().OpMirrorLink = c.collect;
    Settings().OpCopyLink = c.collect;
    MakePage(c.page, c.plainTarget ? plain : mirror);
    std::vector<TTree *> entries{page};
    for (const char *url : c.pasted) {
        std::string address = url;
        if (address.rfind("folder:", 0) == 0)
            entries.push_back(Item(cache, address.substr(7))->Parent());
        else
            entries.push_back(Item(cache, address));
    }
    batch.Fill(entries, ClipCopy);
    window.AddedPass = c.addedPass;

    std::string expected = c.expected;
    ReplaceAll(expected, "{P}", window.LinkPrefix);
    EXPECT_EQ(Converted(), expected);
    EXPECT_EQ(AddedNames(), std::vector<std::string>(c.added.begin(), c.added.end()));
    EXPECT_TRUE(desktop.Shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Convert, ConvertLinkTest, ::testing::ValuesIn(LinkCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(ConvertTest, FileLinksIntoTheSourceCabinet) {
    Settings().OpMirrorLink = true;
    std::string own = "file:///" + PathToURL(cache->Path);
    MakePage("<A HREF=\"" + own + "http=h/d/sub/p.html\"><IMG SRC=\"" + ToUpperAscii(own) +
                 "http=h/q.gif\"><A HREF=\"" + own + "http=h/d/none.html\">",
             mirror);
    batch.Fill(std::vector<TTree *>{page, Item(cache, "http://h/d/sub/p.html")}, ClipCopy);
    EXPECT_EQ(Converted(), "<A HREF=\"sub/p.html\" ><IMG SRC=\"" + window.LinkPrefix +
                               "http=h/q.gif\" ><A HREF=\"" + own + "http=h/d/none.html\" >");
    EXPECT_EQ(AddedNames(), std::vector<std::string>{"cache:http://h/q.gif"});
}

TEST_F(ConvertTest, FooterOnlyForPagesFromACache) {
    MakePage("<P>", mirror);
    std::string fromCache = Converted();
    EXPECT_EQ(fromCache, "<P>");
    EXPECT_EQ(ReloadFooter("http://h/d/x.html"),
              "<HTML>\r\n<P><BR><HR>\r\n<A HREF=\"http://h/d/x.html\">\r\n"
              "<IMG SRC=\"File:///opt/trawler/Reload.gif\" BORDER=0>  Reload\r\n</A>\r\n"
              "</HTML>\r\n");

    // The copy in the mirror pasted into a second mirror gets no second footer.
    TCabinet *second = root.AddCabinet(KindMirrorLog, folder.Path() + "second/", "second");
    page = target;
    TFileData data = page->Data();
    target = AddURL(*second, "http://h/d/x.html", data);
    std::filesystem::create_directories(
        std::filesystem::path(target->GetLocalPath()).parent_path());
    ConvertingCopy(*page, *target);
    std::string copied = ReadText(target->GetLocalPath());
    EXPECT_EQ(copied.find("Reload.gif"), copied.rfind("Reload.gif"));
    EXPECT_NE(copied.find("Reload.gif"), std::string::npos);
}

TEST_F(ConvertTest, ProgramFolderComesFromTheExecutable) {
    SetProgramFolder("");
    std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(std::filesystem::exists(folder + "Reload.gif")) << folder;
    SetProgramFolder("/x/y");
    EXPECT_EQ(ProgramFolder(), "/x/y/");
}

// The whole paste: the page is converted, the collected files are copied in the added-files
// batch to the very places its links name, and the bar runs over the page's bytes.
TEST_F(ConvertTest, PastedPageLinksToTheAddedCopies) {
    Settings().OpMirrorLink = true;
    std::string text = "<A HREF=\"sub/p.html\"><IMG SRC=\"../q.gif\"><A HREF=\"other.html\">" +
                       std::string(10000, ' ') + "<A HREF=\"../a.html\">";
    MakePage(text, mirror);
    root.RemoveCabinet(mirror); // the paste creates the page in a fresh mirror
    mirror = root.AddCabinet(KindMirrorLog, folder.Path() + "fresh/", "fresh");
    std::filesystem::create_directories(mirror->Path);
    FileOpWindow = nullptr;
    InstallCopyEngine();
    batch.Fill(std::vector<TTree *>{page}, ClipCopy);
    batch.Paste(*mirror);
    SetCopyEngine(nullptr);

    TTree *copy = FindByURL(mirror, "http://h/d/x.html");
    ASSERT_NE(copy, nullptr);
    std::string out = ReadText(copy->GetLocalPath());
    std::string prefix = "file:///" + PathToURL(mirror->Path);
    EXPECT_EQ(out.substr(0, out.find("  ")),
              "<A HREF=\"" + prefix + "http=h/d/sub/p.html\" ><IMG SRC=\"" + prefix +
                  "http=h/q.gif\" ><A HREF=\"" + prefix + "http=h/d/other.html\" >");
    for (const char *path : {"http=h/d/sub/p.html", "http=h/q.gif", "http=h/d/other.html"})
        EXPECT_TRUE(std::filesystem::exists(URLToPath(prefix + path))) << path;
    EXPECT_EQ(AddedFiles().Count(), 3u);
    EXPECT_EQ(desktop.WindowSteps,
              static_cast<int64_t>(text.size()) + 3); // the added pages: 1 byte
    EXPECT_GE(desktop.EventTurns, 2);
    EXPECT_TRUE(desktop.Shown.empty());
}

// ---- failures ----

TEST_F(ConvertTest, UnreadableSourceShowsItsPath) {
    MakePage("<P>", mirror);
    std::filesystem::remove(page->GetLocalPath());
    ConvertingCopy(*page, *target);
    EXPECT_EQ(desktop.Shown, std::vector<std::string>{"error: ファイル " + page->GetLocalPath() +
                                                      " が開けません。"});
    EXPECT_FALSE(std::filesystem::exists(target->GetLocalPath()));
}

TEST_F(ConvertTest, UncreatableTargetShowsItsPath) {
    MakePage("<A HREF=\"sub/p.html\">", mirror);
    Settings().OpMirrorLink = true;
    std::filesystem::remove_all(mirror->Path + "http=h/d");
    ConvertingCopy(*page, *target);
    EXPECT_EQ(desktop.Shown, std::vector<std::string>{"error: ファイル " + target->GetLocalPath() +
                                                      " が開けません。"});
    EXPECT_TRUE(AddedNames().empty()); // nothing collected for a page never written
}

// An event-loop turn in which the user reloads the source's cabinet: the copy ends with the
// target's message and the previous copy stays as it was.
class TDestroyingProgress final : public TProgress {
public:
    TCabinet *Victim = nullptr;
    void SetStatusText(const std::string &) override {}
    void StartProgress(int64_t, int64_t) override {}
    void StepProgress(int64_t) override {}
    void ResetProgress() override {}
    void ProcessEvents() override {
        if (Victim)
            Victim->DestroyChildrenIf([](const TTree &) { return true; });
        Victim = nullptr;
    }
};

TEST_F(ConvertTest, SourceDestroyedDuringTheCopyKeepsThePreviousFile) {
    std::string big;
    for (int i = 0; i < 2000; ++i)
        big += "<A HREF=\"../a" + std::to_string(i) + ".html\">\n";
    MakePage(big, mirror);
    std::string path = target->GetLocalPath();
    std::ofstream(path, std::ios::binary) << "previous";
    TDestroyingProgress progress;
    progress.Victim = cache;
    seam::SetProgress(&progress);
    ConvertingCopy(*page, *target);
    seam::SetProgress(&desktop);
    EXPECT_EQ(desktop.Shown,
              std::vector<std::string>{"error: ファイル " + path + " が開けません。"});
    EXPECT_EQ(ReadText(path), "previous");
    EXPECT_EQ(cache->ChildCount(), 0u);
}

// ---- nothing but the link values changes ----

// The page with every link value (as the walk reads it) replaced by one marker byte and every
// usable "<BASE" tag left out. In a converted page the blank written after a value goes too.
std::string Stripped(const std::string &page, bool converted) {
    std::string result;
    TLinkWalk walk(page);
    TLinkValue value;
    size_t written = 0;
    while (walk.Next(value)) {
        if (value.Base) {
            result.append(page, written, value.TagStart - written);
            written = walk.SkipToTagEnd() ? walk.Offset() : page.size();
            continue;
        }
        result.append(page, written, value.Start - written);
        result += '\x01';
        written = value.End;
        if (converted && !value.Applet) {
            EXPECT_LT(written, page.size());
            EXPECT_EQ(page[written], ' ');
            ++written;
        }
    }
    result.append(page, std::min(written, page.size()), std::string::npos);
    return result;
}

TEST_F(ConvertTest, CorpusChangesOnlyLinkValues) {
    Settings().OpMirrorLink = true;
    std::string corpus = TRAWLER_SOURCE_DIR "/tests/data/convert/";
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(corpus))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    ASSERT_GE(names.size(), 10u);
    bool first = true;
    for (const std::string &name : names) {
        SCOPED_TRACE(name);
        std::string input = ReadText(corpus + name);
        if (first) {
            MakePage(input, mirror);
            first = false;
        } else {
            std::ofstream(page->GetLocalPath(), std::ios::binary) << input;
        }
        batch.Fill(std::vector<TTree *>{page, Item(cache, "http://h/d/sub/p.html")}, ClipCopy);
        std::string output = Converted();
        EXPECT_EQ(Stripped(output, true), Stripped(input, false));
        EXPECT_TRUE(desktop.Shown.empty());
    }
}

} // namespace
