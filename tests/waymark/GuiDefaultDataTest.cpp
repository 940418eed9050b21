// The data installed for a first start: the default files load and are in
// the writer's own form byte for byte.  (The scripts that seed them and
// start the browser are tested in WmDataScriptTest.)
#include <gtest/gtest.h>

#include <string>

#include "TestUtil.h"
#include "waymark/WmFile.h"

namespace {

std::string DataDir() {
    return testutil::BuildBinDir() + "/../waymark/data/";
}

TEST(GuiWmDefaultData, DefaultFilesLoadAndAreWrittenBackUnchanged) {
    for (const char* guest : {"User00.dat", "User00-noterm.dat"}) {
        testutil::TempDir dir;
        const std::string navi = testutil::ReadFile(DataDir() + "Waymark.dat");
        const std::string user = testutil::ReadFile(DataDir() + guest);
        testutil::WriteFile(dir / "Waymark.dat", navi);
        testutil::WriteFile(dir / "User00.dat", user);
        wm::NaviData data;
        ASSERT_EQ(wm::ReadNaviInfo(data, dir.path().c_str()), 0) << guest;
        ASSERT_EQ(data.UserCount, 1);
        EXPECT_TRUE(data.UserList[0].NoDelete);
        EXPECT_EQ(data.UserList[0].MenuCount, 4);
        EXPECT_FALSE(data.FileManager.empty());
        EXPECT_EQ(data.UserList[0].MenuList[1].ItemList[0].LinkName.rfind(data.HelpPath, 0), 0u);
        std::string text;
        ASSERT_EQ(wm::BuildNaviText(data, text), 0);
        EXPECT_EQ(text, navi);
        ASSERT_EQ(wm::BuildUserText(data, 0, text), 0);
        // Icons that are not installed here are dropped at load; the rest is identical.
        const bool iconsKept = !data.UserList[0].MenuList[0].ItemList[0].IconPath.empty();
        std::string expected;
        for (std::size_t pos = 0; pos < user.size();) {
            const std::size_t end = user.find('\n', pos);
            const std::string line = user.substr(pos, end - pos + 1);
            if (iconsKept || line.rfind("IconPath=", 0) != 0) {
                expected += line;
            }
            pos = end + 1;
        }
        EXPECT_EQ(text, expected) << guest;
    }
}

}  // namespace
