#include "items/tree.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "items/cab.h"
#include "items/file.h"
#include "platform/error.h"
#include "support/fakes.h"

using namespace std::string_literals;

namespace {

TFileData DataOfSize(int32_t size) {
    TFileData data;
    data.Size = size;
    return data;
}

// The answer a lookup must give: the last child whose key matches, scanning backwards.
TTree *BackwardScan(const TTree &parent, std::string_view key, bool byLocalName,
                    TWant want = TWant::Any) {
    const auto &list = parent.Children();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        const TTree &t = **it;
        if (want == TWant::Folder && t.IsFile())
            continue;
        if (want == TWant::File && !t.IsFile())
            continue;
        if (SameName(byLocalName ? t.LocalName() : t.Name(), key))
            return it->get();
    }
    return nullptr;
}

std::vector<std::string> ChildNames(const TTree &item) {
    std::vector<std::string> names;
    for (const auto &child : item.Children())
        names.push_back(child->Name());
    return names;
}

class TreeTest : public ::testing::Test {
protected:
    TFakeDesktop desktop;
    TCabinetRoot root;
    TCabinet *cabinet = root.AddCabinet(KindMirrorLog, "/nonexistent-trawler/m/", "mirror");
};

// ---- name mapping ----

struct MappingCase {
    const char *name;
    std::string input;
    std::string output;
};

class ServerFileNameTest : public ::testing::TestWithParam<MappingCase> {};
TEST_P(ServerFileNameTest, Maps) {
    EXPECT_EQ(ServerFileName(GetParam().input), GetParam().output);
}
INSTANTIATE_TEST_SUITE_P(
    Tree, ServerFileNameTest,
    ::testing::Values(MappingCase{"withPort", "ftp://host:21", "ftp=host$21"},
                      MappingCase{"withoutPort", "ftp://host", "ftp=host"},
                      MappingCase{"otherPort", "ftp://h:8021", "ftp=h$8021"},
                      MappingCase{"noSchemeColonsOnly", "a:b:c", "a$b$c"},
                      MappingCase{"onlyFirstSchemeMark", "x://y://z", "x=y$//z"},
                      MappingCase{"emptyScheme", "://h", "=h"}, MappingCase{"empty", "", ""},
                      MappingCase{"otherCharactersKept", "http://h?x*y", "http=h?x*y"}),
    [](const auto &info) { return std::string(info.param.name); });

class ValidFileNameTest : public ::testing::TestWithParam<MappingCase> {};
TEST_P(ValidFileNameTest, Maps) {
    EXPECT_EQ(ValidFileName(GetParam().input), GetParam().output);
}
INSTANTIATE_TEST_SUITE_P(
    Tree, ValidFileNameTest,
    ::testing::Values(MappingCase{"query", "b.html?x", "b.html-x"},
                      MappingCase{"allNine", "\"*/:<>?\\|", "---------"},
                      MappingCase{"plainKept", "index.html", "index.html"},
                      MappingCase{"shiftJisTrailBytesAreBytes", "\x83\x5c\x83\x7c.html",
                                  "\x83-\x83-.html"},
                      MappingCase{"highBytesKept", "\xe3\x81\x82.gif", "\xe3\x81\x82.gif"},
                      MappingCase{"equalsAndDollarKept", "ftp=h$21", "ftp=h$21"},
                      MappingCase{"empty", "", ""}),
    [](const auto &info) { return std::string(info.param.name); });

class SafeLocalNameTest : public ::testing::TestWithParam<MappingCase> {};
TEST_P(SafeLocalNameTest, Maps) {
    EXPECT_EQ(SafeLocalName(GetParam().input), GetParam().output);
}
INSTANTIATE_TEST_SUITE_P(
    Tree, SafeLocalNameTest,
    ::testing::Values(MappingCase{"empty", "", "-"}, MappingCase{"dot", ".", "-"},
                      MappingCase{"dotDot", "..", "--"}, MappingCase{"threeDotsKept", "...", "..."},
                      MappingCase{"dotPrefixKept", ".htaccess", ".htaccess"},
                      MappingCase{"dotDotPrefixKept", "..a", "..a"},
                      MappingCase{"nul", "a\0b"s, "a-b"}, MappingCase{"onlyNul", "\0"s, "-"},
                      MappingCase{"tab", "a\tb", "a-b"}, MappingCase{"newline", "a\nb\r", "a-b-"},
                      MappingCase{"escape", "\x1b[0m", "-[0m"},
                      MappingCase{"delete", "a\x7f", "a-"},
                      MappingCase{"highBytesKept", "\x82\xa0\x81\x40", "\x82\xa0\x81\x40"},
                      MappingCase{"ordinary", "index.html", "index.html"}),
    [](const auto &info) { return std::string(info.param.name); });

struct LocalNameCase {
    const char *name;
    bool belowCabinet;
    std::string itemName;
    std::string localName;
};

class LocalNameTest : public TreeTest, public ::testing::WithParamInterface<LocalNameCase> {};
TEST_P(LocalNameTest, DerivedAtConstruction) {
    TTree *parent = cabinet;
    if (!GetParam().belowCabinet)
        parent = TDir::Create(*cabinet, "ftp://host");
    TDir *dir = TDir::Create(*parent, GetParam().itemName);
    TFile *file = TFile::Create(*parent, TFileData(), GetParam().itemName);
    EXPECT_EQ(dir->Name(), GetParam().itemName);
    EXPECT_EQ(dir->LocalName(), GetParam().localName);
    EXPECT_EQ(file->LocalName(), GetParam().localName);
    EXPECT_EQ(dir->Found, 1);
}
INSTANTIATE_TEST_SUITE_P(
    Tree, LocalNameTest,
    ::testing::Values(LocalNameCase{"colonBelowCabinet", true, "a:b", "a$b"},
                      LocalNameCase{"colonBelowServer", false, "a:b", "a-b"},
                      LocalNameCase{"serverWithPort", true, "ftp://host:21", "ftp=host$21"},
                      LocalNameCase{"serverWithoutPort", true, "ftp://host", "ftp=host"},
                      LocalNameCase{"queryBelowServer", false, "b.html?x", "b.html-x"},
                      LocalNameCase{"queryBelowCabinet", true, "http://h/?x", "http=h--x"},
                      LocalNameCase{"dotDotBelowServer", false, "..", "--"},
                      LocalNameCase{"dotDotBelowCabinet", true, "..", "--"},
                      LocalNameCase{"dotBelowServer", false, ".", "-"},
                      LocalNameCase{"emptyBelowServer", false, "", "-"},
                      LocalNameCase{"nulBelowServer", false, "a\0b"s, "a-b"},
                      LocalNameCase{"controlBelowCabinet", true, "h\x01:1", "h-$1"}),
    [](const auto &info) { return std::string(info.param.name); });

// ---- lookups ----

struct FoldCase {
    const char *name;
    std::string stored;
    std::string asked;
    bool matches;
};

class FoldTest : public TreeTest, public ::testing::WithParamInterface<FoldCase> {};
TEST_P(FoldTest, FoldsAsciiLettersOnly) {
    TDir *server = TDir::Create(*cabinet, "http://h");
    TTree *item = TFile::Create(*server, TFileData(), GetParam().stored);
    EXPECT_EQ(SameName(GetParam().stored, GetParam().asked), GetParam().matches);
    EXPECT_EQ(FindChild(*server, GetParam().asked), GetParam().matches ? item : nullptr);
}
INSTANTIATE_TEST_SUITE_P(
    Tree, FoldTest,
    ::testing::Values(
        FoldCase{"sameCase", "a.gif", "a.gif", true},
        FoldCase{"upperAsksLower", "a.gif", "A.GIF", true},
        FoldCase{"lowerAsksUpper", "INDEX.HTM", "index.htm", true},
        FoldCase{"mixed", "MiXeD", "mIxEd", true}, FoldCase{"longer", "ab", "abc", false},
        FoldCase{"shorter", "abc", "ab", false}, FoldCase{"bracketNotBrace", "[", "{", false},
        FoldCase{"atNotBacktick", "@", "`", false}, FoldCase{"caretNotTilde", "^", "~", false},
        FoldCase{"underscoreNotDel", "_", "\x7f", false},
        FoldCase{"latinHighBytesExact", "\xe0", "\xc0", false},
        FoldCase{"utf8Exact", "\xc3\xa9", "\xc3\x89", false},
        FoldCase{"trailByteInLetterRangeFolds", "\x83\x61", "\x83\x41", true},
        FoldCase{"nulCounts", "a\0b"s, "a\0c"s, false}, FoldCase{"empty", "", "", true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(TreeTest, MostRecentlyAddedMatchWins) {
    TDir *server = TDir::Create(*cabinet, "http://h");
    TTree *first = TFile::Create(*server, TFileData(), "a.gif");
    TTree *second = TFile::Create(*server, TFileData(), "A.GIF");
    TFile::Create(*server, TFileData(), "other");
    EXPECT_EQ(FindChild(*server, "a.gif"), second);
    server->DestroyChild(second);
    EXPECT_EQ(FindChild(*server, "a.GIF"), first);
}

TEST_F(TreeTest, FoundIsSetOnlyOnTheMatch) {
    TDir *server = TDir::Create(*cabinet, "http://h");
    TTree *a = TFile::Create(*server, TFileData(), "a");
    TTree *b = TFile::Create(*server, TFileData(), "b");
    ResetFound(*cabinet, true);
    EXPECT_EQ(FindChild(*server, "zz"), nullptr);
    EXPECT_EQ(FindChildByLocalName(*server, "zz"), nullptr);
    EXPECT_EQ(a->Found, 0);
    EXPECT_EQ(b->Found, 0);
    EXPECT_EQ(FindChild(*server, "B"), b);
    EXPECT_EQ(a->Found, 0);
    EXPECT_EQ(b->Found, 1);
    EXPECT_EQ(server->Found, 0);
    EXPECT_EQ(FindChildByLocalName(*server, "A"), a);
    EXPECT_EQ(a->Found, 1);
}

TEST_F(TreeTest, LookupByLocalNameComparesTheDiskName) {
    TTree *server = TDir::Create(*cabinet, "ftp://host:21");
    EXPECT_EQ(FindChildByLocalName(*cabinet, "FTP=HOST$21"), server);
    EXPECT_EQ(FindChildByLocalName(*cabinet, "ftp://host:21"), nullptr);
    EXPECT_EQ(FindChild(*cabinet, "ftp=host$21"), nullptr);
    EXPECT_EQ(FindChild(*cabinet, "FTP://HOST:21"), server);
}

TEST_F(TreeTest, LookupOnEmptyFolderAndFile) {
    TDir *server = TDir::Create(*cabinet, "http://h");
    TFile *file = TFile::Create(*server, TFileData(), "x");
    EXPECT_EQ(FindChild(*server, "x", TWant::Folder), nullptr);
    EXPECT_EQ(FindChild(*file, "x"), nullptr);
    EXPECT_EQ(FindChildByLocalName(*TDir::Create(*server, "empty"), ""), nullptr);
}

TEST_F(TreeTest, WantSelectsTheSortOfItem) {
    TDir *server = TDir::Create(*cabinet, "http://h");
    TTree *dir = TDir::Create(*server, "a");
    TTree *file = TFile::Create(*server, TFileData(), "A");
    EXPECT_EQ(FindChild(*server, "a"), file);
    EXPECT_EQ(FindChild(*server, "a", TWant::Folder), dir);
    EXPECT_EQ(FindChild(*server, "a", TWant::File), file);
    EXPECT_EQ(FindChildByLocalName(*server, "a", TWant::Folder), dir);
}

// Lookups must answer as the backward scan does through any mix of additions, renames and
// destructions, in folders small enough for the scan and large enough for the index.
class LookupIndexTest : public TreeTest, public ::testing::WithParamInterface<int> {};
TEST_P(LookupIndexTest, AgreesWithBackwardScan) {
    const int target = GetParam();
    std::mt19937 random(static_cast<unsigned>(target) * 7919u + 1u);
    TDir *server = TDir::Create(*cabinet, "http://h");
    const int pool = std::max(4, target / 8);
    auto randomName = [&](bool allowColon) {
        std::string name = "n" + std::to_string(random() % static_cast<unsigned>(pool));
        if (allowColon && random() % 5 == 0)
            name += ":x";
        for (char &c : name)
            if (c == 'n' && random() % 2)
                c = 'N';
        return name;
    };
    auto check = [&]() {
        for (int k = 0; k < 40; ++k) {
            const unsigned i = random() % static_cast<unsigned>(pool);
            std::string probe = (i % 2 ? "N" : "n") + std::to_string(i);
            std::string probeLocal = probe + "-X";
            for (TWant want : {TWant::Any, TWant::Folder, TWant::File}) {
                ASSERT_EQ(FindChild(*server, probe, want),
                          BackwardScan(*server, probe, false, want))
                    << probe;
                ASSERT_EQ(FindChild(*server, probe + ":X", want),
                          BackwardScan(*server, probe + ":X", false, want))
                    << probe;
                ASSERT_EQ(FindChildByLocalName(*server, probeLocal, want),
                          BackwardScan(*server, probeLocal, true, want))
                    << probeLocal;
            }
        }
    };
    const int operations = target * 3 + 40;
    for (int op = 0; op < operations; ++op) {
        const size_t count = server->ChildCount();
        const unsigned roll = random() % 10;
        if (count < static_cast<size_t>(target) || roll < 5) {
            if (random() % 2)
                TDir::Create(*server, randomName(true));
            else
                TFile::Create(*server, TFileData(), randomName(true));
        } else if (roll < 7) {
            server->DestroyChild(server->Children()[random() % count].get());
        } else if (roll < 8) {
            server->Children()[random() % count]->Rename(randomName(false));
        } else if (roll < 9) {
            ResetFound(*server, false);
            for (const auto &child : server->Children())
                child->Found = random() % 4 != 0;
            SweepNotFound(*server);
        } else {
            const TTree *doomed = server->Children()[random() % count].get();
            server->DestroyChildrenIf([&](const TTree &t) { return &t == doomed; });
        }
        if (op % std::max(1, operations / 12) == 0)
            check();
        if (HasFatalFailure())
            return;
    }
    check();
}
INSTANTIATE_TEST_SUITE_P(Tree, LookupIndexTest, ::testing::Values(3, 7, 8, 9, 40, 3000),
                         [](const auto &info) { return "children" + std::to_string(info.param); });

TEST_F(TreeTest, LookupsInAFolderOfManyChildrenFindEach) {
    TDir *server = TDir::Create(*cabinet, "http://h");
    std::vector<TTree *> items;
    for (int i = 0; i < 5000; ++i)
        items.push_back(TFile::Create(*server, TFileData(), "f" + std::to_string(i) + ".HTM"));
    for (int i = 0; i < 5000; i += 7)
        ASSERT_EQ(FindChild(*server, "F" + std::to_string(i) + ".htm"), items[i]);
    for (int i = 0; i < 5000; i += 2)
        server->DestroyChild(items[i]);
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(FindChild(*server, "f" + std::to_string(i) + ".htm"), i % 2 ? items[i] : nullptr);
    TTree *again = TFile::Create(*server, TFileData(), "f1.htm");
    EXPECT_EQ(FindChild(*server, "F1.HTM"), again);
}

// ---- found flags ----

class FoundCycleTest : public TreeTest {
protected:
    // s1 {a {x.html, y.html}, b {z.html}}, s2 {w.gif}
    TDir *s1 = TDir::Create(*cabinet, "http://s1");
    TDir *a = TDir::Create(*s1, "a");
    TFile *x = TFile::Create(*a, DataOfSize(1), "x.html");
    TFile *y = TFile::Create(*a, DataOfSize(2), "y.html");
    TDir *b = TDir::Create(*s1, "b");
    TFile *z = TFile::Create(*b, DataOfSize(3), "z.html");
    TDir *s2 = TDir::Create(*cabinet, "http://s2");
    TFile *w = TFile::Create(*s2, DataOfSize(4), "w.gif");

    std::vector<TTree *> All() const { return {s1, a, x, y, b, z, s2, w}; }
};

TEST_F(FoundCycleTest, RecursiveResetClearsTheSubtreeButNotTheItem) {
    ResetFound(*cabinet, true);
    EXPECT_EQ(cabinet->Found, 1);
    for (TTree *t : All())
        EXPECT_EQ(t->Found, 0) << t->Name();
}

TEST_F(FoundCycleTest, FlatResetClearsOnlyTheChildren) {
    ResetFound(*s1, false);
    EXPECT_EQ(s1->Found, 1);
    EXPECT_EQ(a->Found, 0);
    EXPECT_EQ(b->Found, 0);
    EXPECT_EQ(x->Found, 1);
    EXPECT_EQ(z->Found, 1);
    EXPECT_EQ(s2->Found, 1);
}

TEST_F(FoundCycleTest, SweepKeepsMetItemsWithIdentityDataAndOrder) {
    TItemRef refY(y), refZ(z), refS2(s2), refW(w), refX(x);
    const size_t before = LiveItemCount();
    ResetFound(*cabinet, true);
    // A reload meets s1, s1/a/x.html and the folder s1/b, and brings one new file.
    TDir *metS1 = FindOrAddDir(*cabinet, "HTTP://S1");
    TDir *metA = FindOrAddDir(*metS1, "A");
    TFile *metX = FindOrAddFile(*metA, "x.html", DataOfSize(99));
    TDir *metB = FindOrAddDir(*metS1, "b");
    TFile *added = FindOrAddFile(*metA, "new.html", DataOfSize(5));
    SweepNotFound(*cabinet);

    EXPECT_EQ(metS1, s1);
    EXPECT_EQ(metA, a);
    EXPECT_EQ(metX, x);
    EXPECT_EQ(metB, b);
    EXPECT_EQ(x->Size, 1) << "a met file keeps its data";
    EXPECT_EQ(ChildNames(*cabinet), std::vector<std::string>{"http://s1"});
    EXPECT_EQ(ChildNames(*s1), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(ChildNames(*a), (std::vector<std::string>{"x.html", "new.html"}));
    EXPECT_EQ(b->ChildCount(), 0u) << "a met folder whose children were all unmet stays, empty";
    EXPECT_EQ(added->Found, 1);
    EXPECT_TRUE(refX);
    EXPECT_FALSE(refY);
    EXPECT_FALSE(refZ);
    EXPECT_FALSE(refS2);
    EXPECT_FALSE(refW);
    EXPECT_EQ(LiveItemCount(), before - 4 + 1);
}

TEST_F(FoundCycleTest, SweepAfterNothingWasMetEmptiesTheCabinet) {
    ResetFound(*cabinet, true);
    SweepNotFound(*cabinet);
    EXPECT_EQ(cabinet->ChildCount(), 0u);
    EXPECT_EQ(FindChild(*cabinet, "http://s1"), nullptr);
}

TEST_F(FoundCycleTest, SweepWithEverythingMetChangesNothing) {
    SweepNotFound(*cabinet);
    EXPECT_EQ(cabinet->GetFileCount(), 4);
    EXPECT_EQ(cabinet->GetFolderCount(), 4);
}

TEST_F(FoundCycleTest, UnmetFolderGoesWithItsMetChildren) {
    ResetFound(*cabinet, true);
    s1->Found = 1;
    x->Found = 1; // met below a folder that was not
    TItemRef refX(x);
    SweepNotFound(*cabinet);
    EXPECT_EQ(ChildNames(*s1), std::vector<std::string>{});
    EXPECT_FALSE(refX);
}

// ---- aggregates ----

TEST_F(TreeTest, FolderCountCountsEveryFolderBelow) {
    TDir *s1 = TDir::Create(*cabinet, "http://s1");
    TDir *a = TDir::Create(*s1, "a");
    TDir::Create(*a, "b");
    TDir *s2 = TDir::Create(*cabinet, "http://s2");
    TFile::Create(*s2, DataOfSize(10), "f");
    TFile::Create(*a, DataOfSize(20), "g");
    EXPECT_EQ(cabinet->GetFolderCount(), 4);
    EXPECT_EQ(s1->GetFolderCount(), 2);
    EXPECT_EQ(s2->GetFolderCount(), 0);
    EXPECT_EQ(cabinet->GetFileCount(), 2);
    EXPECT_EQ(cabinet->GetSize(), 30);
    EXPECT_EQ(s1->GetSize(), 20);
    TTree *file = s2->Children()[0].get();
    EXPECT_EQ(file->GetFileCount(), 1);
    EXPECT_EQ(file->GetFolderCount(), 0);
    EXPECT_EQ(file->GetSize(), 10);
}

TEST_F(TreeTest, TotalsBeyondTwoGibibytes) {
    TDir *server = TDir::Create(*cabinet, "http://h");
    TDir *dir = TDir::Create(*server, "big");
    for (int i = 0; i < 3; ++i)
        TFile::Create(*dir, DataOfSize(INT32_MAX), "f" + std::to_string(i));
    const int64_t expected = int64_t(INT32_MAX) * 3;
    EXPECT_EQ(dir->GetSize(), expected);
    EXPECT_EQ(server->GetSize(), expected);
    EXPECT_EQ(cabinet->GetSize(), expected);
}

// ---- navigation ----

TEST_F(TreeTest, IsWithin) {
    TCabinet *other = root.AddCabinet(KindPlainLog, "/nonexistent-trawler/l/", "log");
    TDir *server = TDir::Create(*cabinet, "http://h");
    TDir *dir = TDir::Create(*server, "a");
    TFile *file = TFile::Create(*dir, TFileData(), "b.html");
    TDir *otherServer = TDir::Create(*other, "http://h");
    EXPECT_TRUE(IsWithin(file, cabinet));
    EXPECT_TRUE(IsWithin(file, server));
    EXPECT_TRUE(IsWithin(file, file));
    EXPECT_TRUE(IsWithin(cabinet, cabinet));
    EXPECT_FALSE(IsWithin(server, dir));
    EXPECT_FALSE(IsWithin(file, other));
    EXPECT_FALSE(IsWithin(file, otherServer));
    EXPECT_FALSE(IsWithin(cabinet, other));
    EXPECT_FALSE(IsWithin(file, nullptr));
}

TEST_F(TreeTest, NavigationAsksTheCabinet) {
    cabinet->Program = "/usr/bin/browser";
    cabinet->User = "u1";
    TDir *server = TDir::Create(*cabinet, "http://h");
    TDir *dir = TDir::Create(*server, "a");
    TFile *file = TFile::Create(*dir, TFileData(), "b.html");
    EXPECT_EQ(file->GetServer(), server);
    EXPECT_EQ(dir->GetServer(), server);
    EXPECT_EQ(server->GetServer(), server);
    EXPECT_EQ(file->GetCabinet(), cabinet);
    EXPECT_EQ(file->GetCabinetName(), "mirror");
    EXPECT_EQ(file->GetProgram(), "/usr/bin/browser");
    EXPECT_EQ(file->GetUser(), "u1");
    EXPECT_EQ(GetCaption(*file), "b.html");
    EXPECT_EQ(file->GetKind(), KindMirrorLog);
    EXPECT_TRUE(file->GetDeletable());
    cabinet->Kind = KindNetscape2;
    cabinet->Deletable = false;
    EXPECT_EQ(dir->GetKind(), KindNetscape2);
    EXPECT_FALSE(file->GetDeletable());
}

TEST_F(TreeTest, CheckValidOnLiveAndDestroyedItems) {
    TDir *server = TDir::Create(*cabinet, "http://h");
    TDir *dir = TDir::Create(*server, "a");
    TFile *file = TFile::Create(*dir, TFileData(), "b.html");
    TItemRef refServer(server), refDir(dir), refFile(file), refCabinet(cabinet);
    EXPECT_NO_THROW(CheckValid(refFile));
    EXPECT_NO_THROW(CheckValid(refCabinet));
    EXPECT_NO_THROW(CheckValid(*file));
    EXPECT_EQ(refFile.Get(), file);

    const size_t before = LiveItemCount();
    cabinet->DestroyChild(server);
    EXPECT_EQ(LiveItemCount(), before - 3);
    for (const TItemRef *ref : {&refServer, &refDir, &refFile}) {
        EXPECT_EQ(ref->Get(), nullptr);
        try {
            CheckValid(*ref);
            ADD_FAILURE() << "no error for a destroyed item";
        } catch (const TError &error) {
            EXPECT_STREQ(error.what(), "開放されたオブジェクトです。");
        }
    }
    EXPECT_THROW(CheckValid(TItemRef()), TError);
    EXPECT_THROW(CheckValid(TItemRef(nullptr)), TError);
    EXPECT_NO_THROW(CheckValid(refCabinet));
}

TEST_F(TreeTest, SerialsAreNeverReused) {
    TDir *server = TDir::Create(*cabinet, "http://h");
    TItemRef old(TFile::Create(*server, TFileData(), "a"));
    const uint64_t oldSerial = old.Serial();
    server->DestroyChild(old.Get());
    TTree *fresh = TFile::Create(*server, TFileData(), "a");
    EXPECT_NE(fresh->Serial(), oldSerial);
    EXPECT_EQ(old.Get(), nullptr);
    EXPECT_FALSE(TItemRef(fresh) == old);
}

TEST_F(TreeTest, RefsDieWithTheCabinetRoot) {
    std::vector<TItemRef> refs;
    {
        TCabinetRoot local;
        TCabinet *c = local.AddCabinet(KindPlainLog, "", "c");
        TDir *s = TDir::Create(*c, "http://h");
        refs = {TItemRef(c), TItemRef(s), TItemRef(TFile::Create(*s, TFileData(), "f"))};
        for (const TItemRef &ref : refs)
            EXPECT_TRUE(ref);
    }
    for (const TItemRef &ref : refs)
        EXPECT_FALSE(ref);
}

TEST_F(TreeTest, NotifyItemChangedPostsAReference) {
    TDir *server = TDir::Create(*cabinet, "http://h");
    NotifyItemChanged(server);
    ASSERT_EQ(desktop.Changed.size(), 1u);
    EXPECT_EQ(desktop.Changed[0].Get(), server);
    cabinet->DestroyChild(server);
    EXPECT_EQ(desktop.Changed[0].Get(), nullptr);
}

TEST_F(TreeTest, ForEachDescendantVisitsInChildOrderDepthFirst) {
    TDir *s = TDir::Create(*cabinet, "s");
    TDir *a = TDir::Create(*s, "a");
    TFile::Create(*a, TFileData(), "a1");
    TFile::Create(*s, TFileData(), "f");
    TDir::Create(*cabinet, "t");
    std::vector<std::string> seen;
    ForEachDescendant(*cabinet, [&](const TTree &t) { seen.push_back(t.Name()); });
    EXPECT_EQ(seen, (std::vector<std::string>{"s", "a", "a1", "f", "t"}));
}

// ---- a deep chain ----

TEST(TreeDeepTest, ChainOfAHundredThousandLevels) {
    constexpr int Depth = 100000;
    const size_t before = LiveItemCount();
    TCabinetRoot root;
    TCabinet *cabinet = root.AddCabinet(KindMirrorLog, "/nonexistent-trawler/deep/", "deep");
    TDir *server = TDir::Create(*cabinet, "http://h");
    TTree *folder = server;
    TTree *middle = nullptr;
    for (int i = 0; i < Depth; ++i) {
        folder = TDir::Create(*folder, "d");
        if (i == Depth / 2)
            middle = folder;
    }
    TFile *file = TFile::Create(*folder, DataOfSize(7), "f.html");
    TItemRef refFile(file);

    const std::string url = file->GetURL();
    EXPECT_EQ(url.size(), std::string("http://h/").size() + 2 * Depth + 6);
    EXPECT_EQ(url.substr(0, 13), "http://h/d/d/");
    EXPECT_EQ(url.substr(url.size() - 8), "d/f.html");
    const std::string local = file->GetLocalPath();
    EXPECT_EQ(local.substr(0, 34), "/nonexistent-trawler/deep/http=h/d");
    EXPECT_EQ(local.size(), cabinet->Path.size() + 7 + 2 * Depth + 6);
    EXPECT_EQ(file->GetLinkPath().size(), 7 + 2 * Depth + 6);
    EXPECT_EQ(GetFileURLFrom(*file, middle).size(), 2 * (Depth - Depth / 2 - 1) + 6);
    EXPECT_EQ(cabinet->GetSize(), 7);
    EXPECT_EQ(cabinet->GetFolderCount(), Depth + 1);
    EXPECT_EQ(cabinet->GetFileCount(), 1);
    EXPECT_EQ(file->GetServer(), server);
    EXPECT_TRUE(IsWithin(file, cabinet));

    ResetFound(*cabinet, true);
    EXPECT_EQ(file->Found, 0);
    EXPECT_EQ(middle->Found, 0);
    // Everything down to the middle was met again; the rest goes.
    for (TTree *p = middle; p != cabinet; p = p->Parent())
        p->Found = 1;
    SweepNotFound(*cabinet);
    EXPECT_FALSE(refFile);
    EXPECT_EQ(middle->ChildCount(), 0u);
    EXPECT_EQ(cabinet->GetFolderCount(), Depth / 2 + 2);

    for (int i = 0; i < Depth / 2; ++i)
        middle = TDir::Create(*middle, "e");
    root.RemoveCabinet(cabinet);
    EXPECT_EQ(LiveItemCount(), before);
}

} // namespace
