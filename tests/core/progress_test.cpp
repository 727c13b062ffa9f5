#include <gtest/gtest.h>

#include "core/common/progress.h"

namespace kdx {
namespace {

TEST(Progress, WindowFromAThousandRows) {
    EXPECT_FALSE(ShowsProgressWindow(0));
    EXPECT_FALSE(ShowsProgressWindow(999));
    EXPECT_TRUE(ShowsProgressWindow(1000));
    EXPECT_TRUE(ProgressUpdates(ScanningCaption, 999).empty());
    EXPECT_FALSE(IsProgressUpdate(0, 999));
}

TEST(Progress, StepIsAHundredthRoundedHalfToEvenAndAtLeastTen) {
    EXPECT_EQ(ProgressStep(1000), 10u);
    EXPECT_EQ(ProgressStep(999), 10u);
    EXPECT_EQ(ProgressStep(1549), 15u);
    EXPECT_EQ(ProgressStep(1551), 16u);
    EXPECT_EQ(ProgressStep(1450), 14u) << "14.5 goes to the even 14";
    EXPECT_EQ(ProgressStep(1550), 16u) << "15.5 goes to the even 16";
    EXPECT_EQ(ProgressStep(100000), 1000u);
}

TEST(Progress, AThousandRowsUpdateEveryTenRows) {
    const auto updates = ProgressUpdates(ScanningCaption, 1000);
    ASSERT_EQ(updates.size(), 100u);
    EXPECT_EQ(updates.front().position, 1u);
    EXPECT_EQ(updates.front().caption, "正在扫描添加文件，请稍候...  [0.10%]");
    EXPECT_EQ(updates[1].position, 11u);
    EXPECT_EQ(updates[1].caption, "正在扫描添加文件，请稍候...  [1.10%]");
    EXPECT_EQ(updates.back().position, 991u);
    EXPECT_EQ(updates.back().caption, "正在扫描添加文件，请稍候...  [99.10%]");
    EXPECT_TRUE(IsProgressUpdate(990, 1000));
    EXPECT_FALSE(IsProgressUpdate(991, 1000));
}

TEST(Progress, UpdatesFollowTheStepAndStopShortOfTheEnd) {
    // 1551 rows: step 16, updates before rows 0, 16, ..., 1536.
    const auto updates = ProgressUpdates("x", 1551);
    ASSERT_EQ(updates.size(), 97u);
    EXPECT_EQ(updates.back().position, 1537u);
    EXPECT_EQ(updates.back().caption, "x  [99.10%]");
    for (size_t i = 0; i < 1551; ++i)
        EXPECT_EQ(IsProgressUpdate(i, 1551), i % 16 == 0) << i;
}

TEST(Progress, CaptionHasTwoBlanksAndTwoDecimals) {
    EXPECT_EQ(ProgressCaption("正在扫描添加文件，请稍候...", 121, 1000), "正在扫描添加文件，请稍候...  [12.10%]");
    EXPECT_EQ(ProgressCaption("c", 1, 3000), "c  [0.03%]");
    EXPECT_EQ(ProgressCaption("c", 2, 3), "c  [66.67%]");
    EXPECT_EQ(ProgressCaption("c", 1000, 1000), "c  [100.00%]");
}

} // namespace
} // namespace kdx
