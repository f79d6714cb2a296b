#include "fileops/ovwrt.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/settings.h"
#include "fileops/fileOP.h"
#include "items/cab.h"
#include "platform/error.h"
#include "support/fakes.h"

namespace {

class OverwriteTest : public ::testing::Test {
protected:
    OverwriteTest() {
        CancelRequested = false;
        OverwriteAll = false;
        TFileData older;
        older.Size = 2048;
        older.Modified = 35000.5; // 1995-10-28 12:00
        incoming = TFile::Create(*TDir::Create(*cache, "http://h"), older, "a.html");
    }
    ~OverwriteTest() override {
        FileOpWindow = nullptr;
        CancelRequested = false;
        OverwriteAll = false;
        Settings() = saved;
    }
    TFile *Existing(uint8_t kind, double modified) {
        TCabinet *cabinet = root.AddCabinet(kind, "/nonexistent-trawler/t/", "t");
        TFileData data;
        data.Size = 10;
        data.Modified = modified;
        return TFile::Create(*cabinet, data, "a.html");
    }
    TSettings saved = Settings();
    TFakeDesktop desktop;
    TCabinetRoot root;
    TCabinet *cache = root.AddCabinet(KindNetscape2, "/nonexistent-trawler/c/", "c");
    TFile *incoming;
    TFormFileOP form;
};

struct PolicyCase {
    const char *name;
    bool addedPass;
    uint8_t targetKind;
    int32_t copyDelay;
    int32_t mirrorDelay;
    double existingModified; // the incoming file's is 35000.5
    bool overwrite;
    bool asked;
};

class PolicyTest : public OverwriteTest, public ::testing::WithParamInterface<PolicyCase> {};
TEST_P(PolicyTest, Decides) {
    const PolicyCase &c = GetParam();
    Settings().OpCopyDelay = c.copyDelay;
    Settings().OpMirrorDelay = c.mirrorDelay;
    form.AddedPass = c.addedPass;
    FileOpWindow = &form;
    desktop.DefaultAnswer = TAnswer::Yes;
    TFile *existing = Existing(c.targetKind, c.existingModified);
    EXPECT_EQ(OverwriteCheck(*incoming, *existing), c.overwrite);
    EXPECT_EQ(desktop.Asked.size(), c.asked ? 1u : 0u);
}
INSTANTIATE_TEST_SUITE_P(
    Overwrite, PolicyTest,
    ::testing::Values(
        // Files the user pasted are always asked about, whatever the policies say.
        PolicyCase{"pastedIntoPlainLog", false, KindPlainLog, 1, 1, 0, true, true},
        PolicyCase{"pastedIntoMirror", false, KindMirrorLog, 0, 0, 0, true, true},
        PolicyCase{"plainKeep", true, KindPlainLog, 0, 1, 0, false, false},
        PolicyCase{"plainOverwrite", true, KindPlainLog, 1, 0, 0, true, false},
        PolicyCase{"plainAsk", true, KindPlainLog, 2, 1, 0, true, true},
        PolicyCase{"plainHasNoNewerRuleSoAsks", true, KindPlainLog, 3, 0, 99999, true, true},
        PolicyCase{"mirrorKeep", true, KindMirrorLog, 1, 0, 0, false, false},
        PolicyCase{"mirrorOverwrite", true, KindMirrorLog, 0, 1, 0, true, false},
        PolicyCase{"mirrorAsk", true, KindMirrorLog, 0, 2, 0, true, true},
        PolicyCase{"mirrorExistingIsNewer", true, KindMirrorLog, 0, 3, 35000.6, true, false},
        PolicyCase{"mirrorSameTime", true, KindMirrorLog, 1, 3, 35000.5, false, false},
        PolicyCase{"mirrorExistingIsOlder", true, KindMirrorLog, 1, 3, 34000, false, false},
        PolicyCase{"mirrorUnknownPolicyAsks", true, KindMirrorLog, 1, 7, 0, true, true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(OverwriteTest, TheQuestionShowsBothFiles) {
    TFile *existing = Existing(KindPlainLog, 0);
    desktop.NextAnswers = {TAnswer::No};
    EXPECT_FALSE(AskOverwrite(*incoming, *existing));
    EXPECT_EQ(desktop.Asked, std::vector<std::string>{"overwrite: a.html 2.0 KByte  (2048 Byte) "
                                                      "95/10/28 12:00 | 10 Byte 不明"});
}

TEST_F(OverwriteTest, AllAndCancel) {
    TFile *existing = Existing(KindPlainLog, 0);
    desktop.NextAnswers = {TAnswer::All, TAnswer::Cancel};
    EXPECT_TRUE(OverwriteCheck(*incoming, *existing));
    EXPECT_TRUE(OverwriteAll);
    EXPECT_TRUE(OverwriteCheck(*incoming, *existing)) << "not asked again in the batch";
    EXPECT_EQ(desktop.Asked.size(), 1u);
    OverwriteAll = false;
    EXPECT_THROW(OverwriteCheck(*incoming, *existing), TAbort);
    EXPECT_TRUE(CancelRequested);
}

TEST_F(OverwriteTest, WithoutADesktopExistingFilesAreKept) {
    TFile *existing = Existing(KindPlainLog, 0);
    seam::SetFileOpDialogs(nullptr);
    EXPECT_FALSE(AskOverwrite(*incoming, *existing));
    EXPECT_FALSE(CancelRequested);
}

} // namespace
