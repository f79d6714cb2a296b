// Finding stores below a folder: recognition by signature, cancellation, and folders reached
// through links. The whole walk over the demo caches is checked by tests/cli/find.sh.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "stores/fatIndex.h"
#include "stores/find.h"
#include "support/fakes.h"

namespace {
class TRecorder final : public TFindListener {
public:
    std::string CancelAt; // the folder whose visit cancels the walk
    std::vector<TFoundStore> Stores;
    std::vector<std::string> Warnings;
    bool Visiting(const std::string &folder) override { return folder != CancelAt; }
    void Found(const TFoundStore &store) override { Stores.push_back(store); }
    void Warning(const std::string &text) override { Warnings.push_back(text); }
};

const std::string FatText = std::string(FatIndexSignature) + "\r\n";

TEST(FindTest, RecognisesMarkersBySignature) {
    struct TCase {
        const char *Name;
        std::vector<std::pair<std::string, std::string>> Files;
        uint8_t Kind; // 0: not a store
        bool Warned;
    };
    const std::string ie3 = std::string("Client UrlCache MMF Ver 3.2") + std::string(8, '\0');
    const TCase cases[] = {
        {"netscape2 upper case",
         {{"FAT.DB", std::string("\x00\x06\x15\x61\0\0", 6)}},
         KindNetscape2,
         false},
        {"msie4", {{"index.dat", "Client UrlCache MMF Ver 4.7\0"}}, KindMsie4, false},
        {"msie5", {{"Index.DAT", "Client UrlCache MMF Ver 5.2"}}, KindMsie5, false},
        {"msie2",
         {{"iexplore.cif", "V,Microsoft\xAE Windows(TM) Internet Tools\r\n"}},
         KindMsie2,
         false},
        {"tapline lower case", {{"cache.db", FatText}}, KindTapline, false},
        {"msie3", {{"DESKTOP.INI", ""}, {"c1/mm256.dat", ie3}}, KindMsie3, false},
        {"empty index.dat", {{"index.dat", ""}}, 0, true},
        {"msie2 index of another version", {{"iexplore.cif", "V,Microsoft"}}, 0, true},
        {"desktop.ini of any folder", {{"desktop.ini", ""}, {"c1/MM256.DAT", "x"}}, 0, false},
    };
    for (const TCase &c : cases) {
        TTempFolder folder;
        for (const auto &[name, bytes] : c.Files)
            folder.Write("store/" + name, bytes);
        TRecorder recorder;
        EXPECT_TRUE(FindStores(folder.Path(), recorder)) << c.Name;
        ASSERT_EQ(recorder.Stores.size(), c.Kind ? 1u : 0u) << c.Name;
        EXPECT_EQ(recorder.Warnings.size(), c.Warned ? 1u : 0u) << c.Name;
        if (c.Kind) {
            EXPECT_EQ(recorder.Stores[0].Kind, c.Kind) << c.Name;
            EXPECT_EQ(recorder.Stores[0].Folder, folder.Path() + "store/") << c.Name;
            EXPECT_EQ(recorder.Stores[0].IndexFile, folder.Path() + "store/" + c.Files[0].first)
                << c.Name;
        }
    }
}

TEST(FindTest, CancelReportsWhatWasFoundAndStops) {
    TTempFolder folder;
    for (const char *name : {"a/fat", "b/fat", "c/fat"})
        folder.Write(name, FatText);
    TRecorder recorder;
    recorder.CancelAt = folder.Path() + "b/";
    EXPECT_FALSE(FindStores(folder.Path(), recorder));
    ASSERT_EQ(recorder.Stores.size(), 1u);
    EXPECT_EQ(recorder.Stores[0].Folder, folder.Path() + "a/");
}

TEST(FindTest, LinkedFoldersAreListedOnceUnderTheirOwnPath) {
    TTempFolder folder;
    folder.Write("z/fat", FatText);
    std::filesystem::create_directory(folder.Path() + "a");
    std::filesystem::create_directory_symlink("../z", folder.Path() + "a/link");
    std::filesystem::create_directory_symlink("..", folder.Path() + "z/up");
    std::filesystem::create_directory_symlink(folder.Path() + "elsewhere", folder.Path() + "gone");
    TRecorder recorder;
    EXPECT_TRUE(FindStores(folder.Path(), recorder));
    ASSERT_EQ(recorder.Stores.size(), 1u);
    EXPECT_EQ(recorder.Stores[0].Folder, folder.Path() + "z/");
    ASSERT_EQ(recorder.Warnings.size(), 1u);
    EXPECT_EQ(recorder.Warnings[0], "symbolic link loop, not followed: " + folder.Path() + "z/up");
}
} // namespace
