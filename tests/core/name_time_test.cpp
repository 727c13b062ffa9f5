#include <gtest/gtest.h>

#include "core/timesrc/name_time.h"
#include "fake_platform.h"

namespace kdx {
namespace {

struct Case {
    const char* name;
    int start;
    bool weChat;
    const char* time; // "" when none
    const char* newName;
};

class NameTime : public ::testing::Test {
protected:
    test::FakePlatform fake;
    ScopedPlatform use{fake};
};

TEST_F(NameTime, WorkedExamples) {
    const Case cases[] = {
        {"mmexport1604139498000.jpg", 1, true, "2020-10-31 18:18:18", "D:\\p\\mmexport_20201031_181818.jpg"},
        {"1604139498000.mp4", 1, true, "2020-10-31 18:18:18", "D:\\p\\mmexport_20201031_181818.mp4"},
        {"IMG_20201031_181818.jpg", 1, false, "2020-10-31 18:18:18", ""},
        // A date run is never read as a millisecond stamp.
        {"IMG_20201031_181818.jpg", 1, true, "2020-10-31 18:18:18", ""},
        {"a1_20201031181818.jpg", 3, false, "2020-10-31 18:18:18", ""},
        {"a1_20201031181818.jpg", 1, false, "", ""},
        {"DSC01234.JPG", 1, true, "", ""},
        {"20201031T181818.jpg", 1, true, "", ""},
        {"mmexport_20201031_181818.jpg", 1, true, "2020-10-31 18:18:18", ""},
        {"PXL_20220831_003137144.jpg", 1, true, "", ""},
        {"mmexport1604139498000(1).jpg", 1, true, "2020-10-31 18:18:18", "D:\\p\\mmexport_20201031_181818.jpg"},
        {"wx_camera_1505788478724.jpg", 1, true, "2017-09-19 10:34:38", "D:\\p\\mmexport_20170919_103438.jpg"},
        // A copy number behind a separator is no part of the stamp.
        {"mmexport1604139498000_1.jpg", 1, true, "2020-10-31 18:18:18", "D:\\p\\mmexport_20201031_181818.jpg"},
        {"mmexport1604139498000 2.jpg", 1, true, "2020-10-31 18:18:18", "D:\\p\\mmexport_20201031_181818.jpg"},
        {"1604139498000_2.mp4", 1, true, "2020-10-31 18:18:18", "D:\\p\\mmexport_20201031_181818.mp4"},
        {"wx_camera_1505788478724_1.jpg", 1, true, "2017-09-19 10:34:38", "D:\\p\\mmexport_20170919_103438.jpg"},
        // Nor do digits split by one make a stamp.
        {"1604139_498000.jpg", 1, true, "", ""},
        {"1604139498000.mp4", 1, false, "", ""},
        {"Screenshot_2019-04-16-11-19-37.png", 1, true, "2019-04-16 11:19:37", ""},
        {"IMG_20201332_181818.jpg", 1, true, "", ""},
    };
    for (const Case& c : cases) {
        std::string time, newName;
        const bool ok = ParseFileNameTime(std::string("D:\\p\\") + c.name, c.start, c.weChat, time, newName);
        EXPECT_EQ(ok, *c.time != 0) << c.name;
        EXPECT_EQ(time, c.time) << c.name;
        EXPECT_EQ(newName, c.newName) << c.name;
    }
}

TEST_F(NameTime, StartPositionIsClampedAndCountedBeforeSeparatorsGo) {
    std::string t, n;
    EXPECT_FALSE(ParseFileNameTime("a1_20201031181818.jpg", 100, false, t, n)) << "too large counts as 1";
    EXPECT_FALSE(ParseFileNameTime("a1_20201031181818.jpg", 0, false, t, n));
    EXPECT_TRUE(ParseFileNameTime("中1_20201031181818.jpg", 3, false, t, n)) << "positions count characters";
}

TEST_F(NameTime, FoldersAndTrailingSeparators) {
    std::string t, n;
    ASSERT_TRUE(ParseFileNameTime("D:\\IMG_20201031_181818\\\\", 1, true, t, n));
    EXPECT_EQ(t, "2020-10-31 18:18:18");
}

TEST(WeChatStamp, Range) {
    std::string t;
    EXPECT_FALSE(WeChatStampToTime("0000000000000", t));
    EXPECT_TRUE(WeChatStampToTime("4102415999000", t));
    EXPECT_EQ(t, "2099-12-31 23:59:59");
    EXPECT_FALSE(WeChatStampToTime("4102415999001", t));
    EXPECT_FALSE(WeChatStampToTime("123456789012", t));
    EXPECT_FALSE(WeChatStampToTime("16041394980x0", t));
    EXPECT_TRUE(WeChatStampToTime(" 0000000000001 ", t));
    EXPECT_EQ(t, "1970-01-01 08:00:00");
}

} // namespace
} // namespace kdx
