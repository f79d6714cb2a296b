#include "items/fileDB.h"

#include <gtest/gtest.h>

#include "support/fakes.h"

namespace {

class FileDbTest : public ::testing::Test {
protected:
    TFakeDesktop desktop;
    TTempFolder folder;
    TFileDb db;

    std::string Make(const std::string &name) { return folder.Write(name, "x"); }
};

struct ExtensionCase {
    const char *name;
    const char *path;
    const char *ext;
};

class FileExtensionTest : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(FileExtensionTest, TakesLastDotOfLastComponent) {
    EXPECT_EQ(FileExtension(GetParam().path), GetParam().ext);
}

INSTANTIATE_TEST_SUITE_P(FileDb, FileExtensionTest,
                         ::testing::Values(ExtensionCase{"plain", "/c/h/index.htm", ".htm"},
                                           ExtensionCase{"double", "/c/h/a.tar.gz", ".gz"},
                                           ExtensionCase{"none", "/c/h/README", ""},
                                           ExtensionCase{"dotInFolderOnly", "/c/h.d/README", ""},
                                           ExtensionCase{"leadingDot", "/c/h/.profile", ".profile"},
                                           ExtensionCase{"trailingDot", "/c/h/name.", "."},
                                           ExtensionCase{"bareName", "name.GIF", ".GIF"},
                                           ExtensionCase{"empty", "", ""}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(FileDbTest, StartsWithBuiltInImagesOnly) {
    EXPECT_EQ(db.Small.size(), size_t(ImageBuiltInCount));
    EXPECT_EQ(db.Large, db.Small);
    EXPECT_EQ(db.State.size(), size_t(StateCount));
    EXPECT_TRUE(db.Entries().empty());
}

TEST_F(FileDbTest, MissingFileIsUnknownAndMakesNoEntry) {
    const std::string paths[] = {folder.Path() + "gone.htm", folder.Path(), ""};
    for (const std::string &path : paths) {
        SCOPED_TRACE(path);
        EXPECT_EQ(db.GetTypeName(path), "不明");
        EXPECT_EQ(db.GetImageIndex(path), ImageUnknown);
        EXPECT_EQ(db.GetLargeIcon(path), "");
    }
    EXPECT_TRUE(db.Entries().empty());
    EXPECT_EQ(desktop.TypeQueries, 0);
}

TEST_F(FileDbTest, AsksTheShellOncePerExtensionWhateverTheCase) {
    desktop.Types[".htm"] = {"HTML document", "text-html"};
    const std::string lower1 = Make("a.htm"), lower2 = Make("b.htm"), upper = Make("C.HTM");

    EXPECT_EQ(db.GetTypeName(lower1), "HTML document");
    EXPECT_EQ(db.GetImageIndex(lower2), ImageBuiltInCount);
    EXPECT_EQ(db.GetTypeName(upper), "HTML document");
    EXPECT_EQ(db.GetLargeIcon(upper), "text-html");

    EXPECT_EQ(desktop.TypeQueries, 1);
    ASSERT_EQ(db.Entries().size(), 1u);
    EXPECT_EQ(db.Entries()[0].Ext, ".htm");
}

TEST_F(FileDbTest, NewTypesTakeTheNextIndexInBothLists) {
    const std::string gif = Make("p.gif"), txt = Make("t.txt"), none = Make("README");
    EXPECT_EQ(db.GetImageIndex(gif), 5);
    EXPECT_EQ(db.GetImageIndex(txt), 6);
    EXPECT_EQ(db.GetImageIndex(none), 7);
    EXPECT_EQ(db.GetImageIndex(gif), 5);
    EXPECT_EQ(db.Small.size(), 8u);
    EXPECT_EQ(db.Large, db.Small);
    EXPECT_EQ(db.Small[6], "icon-txt");
    EXPECT_EQ(desktop.TypeQueries, 3);
}

TEST_F(FileDbTest, FirstFileOfAnExtensionDecidesForAllLaterOnes) {
    desktop.Types[".exe"] = {"Editor", "editor-icon"};
    const std::string first = Make("edit.exe"), second = Make("game.exe");
    EXPECT_EQ(db.GetTypeName(first), "Editor");
    desktop.Types[".exe"] = {"Game", "game-icon"};
    EXPECT_EQ(db.GetTypeName(second), "Editor");
    EXPECT_EQ(db.GetLargeIcon(second), "editor-icon");
}

TEST_F(FileDbTest, TypeWithoutIconHasNoImageButKeepsItsName) {
    desktop.Types[".dat"] = {"Data", ""};
    const std::string path = Make("x.dat");
    EXPECT_EQ(db.GetImageIndex(path), -1);
    EXPECT_EQ(db.GetTypeName(path), "Data");
    EXPECT_EQ(db.GetLargeIcon(path), "");
    EXPECT_EQ(db.Small.size(), size_t(ImageBuiltInCount));
    EXPECT_EQ(db.GetImageIndex(Make("y.txt")), ImageBuiltInCount);
}

TEST_F(FileDbTest, TypeNameIsCutAtEightyCharactersWithoutSplittingOne) {
    std::string ascii(100, 'a'), japanese;
    for (int i = 0; i < 100; ++i)
        japanese += "文";
    desktop.Types[".a"] = {ascii, "i"};
    desktop.Types[".j"] = {japanese, "i"};
    EXPECT_EQ(db.GetTypeName(Make("f.a")), std::string(80, 'a'));
    EXPECT_EQ(db.GetTypeName(Make("f.j")), japanese.substr(0, 80 * 3));
}

} // namespace
