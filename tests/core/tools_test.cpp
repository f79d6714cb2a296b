#include "config/tools.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/fakes.h"

namespace {
std::vector<std::string> Describe(const TTools &tools) {
    std::vector<std::string> out;
    for (const TTool *tool : tools.Tools())
        out.push_back(tool->Name + "|" + tool->Path + "|" + tool->Icon);
    return out;
}

class TOtherMember final : public TToolsMember {
public:
    explicit TOtherMember(bool &destroyed) : destroyed(destroyed) {}
    ~TOtherMember() override { destroyed = true; }

private:
    bool &destroyed;
};
} // namespace

TEST(Tools, ToolsKeepCreationOrderWithTheirIcon) {
    TFakeDesktop desktop;
    TTools tools;
    tools.Add("Editor", "/usr/bin/editor");
    tools.Add("Viewer", "/no/such/file");
    tools.Add("Editor", "/usr/bin/editor");
    EXPECT_EQ(Describe(tools),
              (std::vector<std::string>{"Editor|/usr/bin/editor|program-icon:/usr/bin/editor",
                                        "Viewer|/no/such/file|program-icon:/no/such/file",
                                        "Editor|/usr/bin/editor|program-icon:/usr/bin/editor"}));
    EXPECT_EQ(desktop.ProgramIconQueries.size(), 3u);
}

TEST(Tools, ClearThenCopyFromGivesTheWorkingListWithFreshIcons) {
    TFakeDesktop desktop;
    TTools tools, working;
    tools.Add("Old", "/old");
    working.Add("A", "/a");
    working.Add("B", "/b");
    desktop.ProgramIconQueries.clear();
    tools.Clear();
    tools.CopyFrom(working);
    EXPECT_EQ(Describe(tools),
              (std::vector<std::string>{"A|/a|program-icon:/a", "B|/b|program-icon:/b"}));
    EXPECT_EQ(desktop.ProgramIconQueries, (std::vector<std::string>{"/a", "/b"}));
    EXPECT_EQ(Describe(working).size(), 2u);
}

TEST(Tools, CopyFromAppendsAndCopiesAListIntoItselfOnce) {
    TFakeDesktop desktop;
    TTools tools;
    tools.Add("A", "/a");
    tools.CopyFrom(tools);
    EXPECT_EQ(tools.Count(), 2u);
}

TEST(Tools, OtherMembersAreNeitherCopiedNorDestroyedByClear) {
    TFakeDesktop desktop;
    bool destroyed = false;
    {
        TTools tools, copy;
        tools.Add("A", "/a");
        tools.AddMember(std::make_unique<TOtherMember>(destroyed));
        tools.Add("B", "/b");
        ASSERT_EQ(tools.Members().size(), 3u);
        copy.CopyFrom(tools);
        EXPECT_EQ(copy.Members().size(), 2u);
        tools.Clear();
        EXPECT_FALSE(destroyed);
        ASSERT_EQ(tools.Members().size(), 1u);
        EXPECT_EQ(tools.Count(), 0u);
    }
    EXPECT_TRUE(destroyed); // the list still owns it
}
