#include "items/cab.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "items/file.h"
#include "platform/error.h"
#include "platform/fs.h"
#include "support/fakes.h"

namespace {

class CabinetTest : public ::testing::Test {
protected:
    TFakeDesktop desktop;
    TCabinetRoot root;
};

struct FolderCase {
    const char *name;
    const char *folder;
    const char *path;
};

class CabinetFolderTest : public CabinetTest, public ::testing::WithParamInterface<FolderCase> {};
TEST_P(CabinetFolderTest, PathEndsWithSlashUnlessEmpty) {
    TCabinet *cabinet = root.AddCabinet(KindPlainLog, GetParam().folder, "c");
    EXPECT_EQ(cabinet->Path, GetParam().path);
    EXPECT_EQ(cabinet->GetLocalPath(), GetParam().path);
}
INSTANTIATE_TEST_SUITE_P(
    Cabinet, CabinetFolderTest,
    ::testing::Values(FolderCase{"withSlash", "/home/u/log/", "/home/u/log/"},
                      FolderCase{"withoutSlash", "/home/u/log", "/home/u/log/"},
                      FolderCase{"empty", "", ""}, FolderCase{"fileSystemRoot", "/", "/"},
                      FolderCase{"relative", "log", "log/"},
                      FolderCase{"doubleSlashKept", "/a//", "/a//"}),
    [](const auto &info) { return std::string(info.param.name); });

struct KindCase {
    const char *name;
    uint8_t kind;
    bool deletable;
    int image;
};

class CabinetKindTest : public CabinetTest, public ::testing::WithParamInterface<KindCase> {};
TEST_P(CabinetKindTest, DeletableAndImageFollowTheKind) {
    TCabinet *cabinet = root.AddCabinet(GetParam().kind, "/c", "c");
    EXPECT_EQ(cabinet->Kind, GetParam().kind);
    EXPECT_EQ(cabinet->Deletable, GetParam().deletable);
    EXPECT_EQ(cabinet->GetDeletable(), GetParam().deletable);
    EXPECT_EQ(GetCabinetImage(*cabinet), GetParam().image);
    TDir *server = TDir::Create(*cabinet, "http://h");
    TFile *file = TFile::Create(*server, TFileData(), "f");
    EXPECT_EQ(GetCabinetImage(*file), GetParam().image);
    EXPECT_EQ(file->GetKind(), GetParam().kind);
    EXPECT_EQ(file->GetDeletable(), GetParam().deletable);
}
INSTANTIATE_TEST_SUITE_P(Cabinet, CabinetKindTest,
                         ::testing::Values(KindCase{"unknown", KindUnknown, false, -1},
                                           KindCase{"plainLog", KindPlainLog, true, 5},
                                           KindCase{"mirrorLog", KindMirrorLog, true, 7},
                                           KindCase{"netscape1", KindNetscape1, false, 6},
                                           KindCase{"netscape2", KindNetscape2, false, 6},
                                           KindCase{"msie2", KindMsie2, false, 6},
                                           KindCase{"msie3", KindMsie3, false, 6},
                                           KindCase{"tapline", KindTapline, true, 6},
                                           KindCase{"msie4", KindMsie4, false, 6},
                                           KindCase{"msie5", KindMsie5, false, 6},
                                           KindCase{"outOfRange", 10, false, -1},
                                           KindCase{"byteMax", 255, false, -1}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(CabinetTest, StartsUnreadAndEmpty) {
    TCabinet *cabinet = root.AddCabinet(KindNetscape2, "/cache", "ネットスケープ");
    EXPECT_EQ(cabinet->Name(), "ネットスケープ");
    EXPECT_EQ(cabinet->LocalName(), "");
    EXPECT_EQ(cabinet->Found, 1);
    EXPECT_EQ(cabinet->Program, "");
    EXPECT_EQ(cabinet->User, "");
    EXPECT_FALSE(cabinet->Temporary);
    EXPECT_FALSE(cabinet->IndexRead);
    EXPECT_TRUE(cabinet->IsCabinet());
    EXPECT_EQ(cabinet->Parent(), nullptr);
    EXPECT_EQ(cabinet->Root(), &root);
    cabinet->MakeTemporary();
    EXPECT_TRUE(cabinet->Temporary);
}

TEST_F(CabinetTest, AnswersOfTheCabinet) {
    TCabinet *cabinet = root.AddCabinet(KindMirrorLog, "/m", "mirror");
    cabinet->Program = "/usr/bin/navigator";
    cabinet->User = "profile";
    EXPECT_EQ(cabinet->GetKind(), KindMirrorLog);
    EXPECT_EQ(cabinet->GetLocalPath(), "/m/");
    EXPECT_EQ(cabinet->GetLinkPath(), "");
    EXPECT_EQ(cabinet->GetURL(), "");
    EXPECT_EQ(cabinet->GetURLFrom(cabinet), "");
    EXPECT_EQ(cabinet->GetURLFrom(nullptr), "");
    EXPECT_EQ(cabinet->GetCabinetName(), "mirror");
    EXPECT_EQ(cabinet->GetCabinet(), cabinet);
    EXPECT_EQ(cabinet->GetProgram(), "/usr/bin/navigator");
    EXPECT_EQ(cabinet->GetUser(), "profile");
    TCabinet *other = root.AddCabinet(KindPlainLog, "/l", "log");
    EXPECT_EQ(cabinet->CopyTo(*other), nullptr);
    EXPECT_EQ(other->ChildCount(), 0u);
}

TEST_F(CabinetTest, ShowPropertiesAnswersWhatTheDialogSays) {
    TCabinet *cabinet = root.AddCabinet(KindUnknown, "/c", "c");
    desktop.CabinetDialogAnswer = true;
    EXPECT_TRUE(cabinet->ShowProperties());
    desktop.CabinetDialogAnswer = false;
    EXPECT_FALSE(cabinet->ShowProperties());
    EXPECT_EQ(desktop.DialogsShown, (std::vector<std::string>{"cabinet", "cabinet"}));
}

struct RenameCase {
    const char *name;
    std::string newName;
};

class CabinetRenameTest : public CabinetTest, public ::testing::WithParamInterface<RenameCase> {};
TEST_P(CabinetRenameTest, AcceptsAnyText) {
    TTempFolder folder;
    folder.Write("keep.html", "x");
    TCabinet *cabinet = root.AddCabinet(KindPlainLog, folder.Path(), "log");
    EXPECT_EQ(cabinet->Rename(GetParam().newName), GetParam().newName);
    EXPECT_EQ(cabinet->Name(), GetParam().newName);
    EXPECT_EQ(cabinet->LocalName(), "");
    EXPECT_EQ(cabinet->Path, folder.Path());
    EXPECT_TRUE(desktop.Shown.empty());
    EXPECT_TRUE(fs::FileExists(folder.Path() + "keep.html"));
}
INSTANTIATE_TEST_SUITE_P(Cabinet, CabinetRenameTest,
                         ::testing::Values(RenameCase{"question", "a?b"},
                                           RenameCase{"allReserved", "\\/:*?\"<>|"},
                                           RenameCase{"empty", ""}, RenameCase{"dotDot", ".."},
                                           RenameCase{"japanese", "保存ログ"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(CabinetTest, RenamedCabinetIsStillFoundByItsItems) {
    TCabinet *cabinet = root.AddCabinet(KindPlainLog, "/l", "old");
    TFile *file = TFile::Create(*TDir::Create(*cabinet, "s"), TFileData(), "f");
    cabinet->Rename("new");
    EXPECT_EQ(file->GetCabinetName(), "new");
    cabinet->SetName("newer");
    EXPECT_EQ(file->GetCabinetName(), "newer");
}

TEST_F(CabinetTest, RemoveDestroysTheSubtreeAndKeepsTheFolder) {
    TTempFolder folder;
    folder.Write("http=h/a/b.html", "page");
    TCabinet *first = root.AddCabinet(KindPlainLog, "/first", "first");
    TCabinet *cabinet = root.AddCabinet(KindPlainLog, folder.Path(), "log");
    TCabinet *last = root.AddCabinet(KindNetscape2, "/last", "last");
    const size_t before = LiveItemCount();
    TDir *server = TDir::Create(*cabinet, "http://h");
    TDir *dir = TDir::Create(*server, "a");
    TFile *file = TFile::Create(*dir, TFileData(), "b.html");
    EXPECT_EQ(LiveItemCount(), before + 3);
    TItemRef refCabinet(cabinet), refFile(file);

    cabinet->Remove();

    EXPECT_EQ(LiveItemCount(), before - 1);
    EXPECT_FALSE(refCabinet);
    EXPECT_FALSE(refFile);
    EXPECT_THROW(CheckValid(refCabinet), TError);
    ASSERT_EQ(root.Cabinets().size(), 2u);
    EXPECT_EQ(root.Cabinets()[0].get(), first);
    EXPECT_EQ(root.Cabinets()[1].get(), last);
    EXPECT_TRUE(fs::FileExists(folder.Path() + "http=h/a/b.html"));
}

TEST_F(CabinetTest, RootKeepsRegistrationOrderAndClears) {
    const size_t before = LiveItemCount();
    std::vector<TCabinet *> made;
    for (int i = 0; i < 5; ++i)
        made.push_back(root.AddCabinet(KindPlainLog, "/c" + std::to_string(i), std::to_string(i)));
    TDir::Create(*made[2], "http://h");
    ASSERT_EQ(root.Cabinets().size(), 5u);
    for (size_t i = 0; i < made.size(); ++i)
        EXPECT_EQ(root.Cabinets()[i].get(), made[i]);
    TItemRef ref(made[2]);
    root.RemoveCabinet(nullptr);
    TCabinetRoot stranger;
    stranger.RemoveCabinet(made[1]);
    EXPECT_EQ(root.Cabinets().size(), 5u);
    root.Clear();
    EXPECT_TRUE(root.Cabinets().empty());
    EXPECT_FALSE(ref);
    EXPECT_EQ(LiveItemCount(), before);
}

TEST_F(CabinetTest, CheckValidOfALiveCabinet) {
    TCabinet *cabinet = root.AddCabinet(KindPlainLog, "/l", "log");
    EXPECT_NO_THROW(CheckValid(*cabinet));
    EXPECT_NO_THROW(CheckValid(TItemRef(cabinet)));
}

} // namespace
