// The Windows shell's services as the window uses them.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/desktop.h"

using namespace kdx;

TEST(SystemIcon, ComesFromTheNameAloneInTheAskedSize) {
    // No such file anywhere: the shell answers from the extension.
    const auto icon = SystemIcon("C:\\nowhere\\at\\all\\photo.jpg", false, 16);
    ASSERT_TRUE(icon.has_value());
    EXPECT_EQ(icon->width, 16);
    EXPECT_EQ(icon->height, 16);
    ASSERT_EQ(icon->argb.size(), 16u * 16u);
    EXPECT_TRUE(std::any_of(icon->argb.begin(), icon->argb.end(), [](uint32_t p) { return (p >> 24) != 0; }))
        << "an icon with no visible pixel";
    const auto large = SystemIcon("photo.jpg", false, 32);
    ASSERT_TRUE(large.has_value());
    EXPECT_EQ(large->width, 32);
    EXPECT_TRUE(SystemIcon("folder", true, 16).has_value());
}
