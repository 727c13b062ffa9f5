#include <gtest/gtest.h>

#include "core/adding/filters.h"

namespace kdx {
namespace {

using Items = std::vector<std::string>;

TEST(SplitFilterItems, EverySeparatorSplitsAndEmptyItemsVanish) {
    EXPECT_EQ(SplitFilterItems("*.bmp; *.txt,,*.doc"), (Items{"*.bmp", "*.txt", "*.doc"}));
    EXPECT_EQ(SplitFilterItems("a\tb c,d;e|f"), (Items{"a", "b", "c", "d", "e", "f"}));
    EXPECT_EQ(SplitFilterItems(";;a;;"), (Items{"a"}));
    EXPECT_EQ(SplitFilterItems(""), Items{});
    EXPECT_EQ(SplitFilterItems(" ;|,\t"), Items{});
}

TEST(SplitFilterItems, LineBreaksEndItemsAndAreSkippedWhereAnItemStarts) {
    EXPECT_EQ(SplitFilterItems("a\r\nb"), (Items{"a", "b"}));
    EXPECT_EQ(SplitFilterItems("\r\n\r\na;\nb"), (Items{"a", "b"}));
    EXPECT_EQ(SplitFilterItems("a\n;b"), (Items{"a", "b"})) << "the ';' after a line break ends an empty item";
    EXPECT_EQ(SplitFilterItems("\n\r"), Items{});
}

TEST(SplitFilterItems, QuotesHoldSeparatorsAndStayInTheItem) {
    EXPECT_EQ(SplitFilterItems("'a b';c"), (Items{"'a b'", "c"}));
    EXPECT_EQ(SplitFilterItems("x\"1;2\"y z"), (Items{"x\"1;2\"y", "z"}));
    EXPECT_EQ(SplitFilterItems("'a\"b' \"c'd\""), (Items{"'a\"b'", "\"c'd\""})) << "only the same kind closes";
    EXPECT_EQ(SplitFilterItems("a 'b c;\r\nd"), (Items{"a", "'b c;\r\nd"})) << "an open quote runs to the end";
}

TEST(SplitFilterItems, ItemsAreNeitherTrimmedNorFolded) {
    EXPECT_EQ(SplitFilterItems("*.JPG;\x01x\x02"), (Items{"*.JPG", "\x01x\x02"}));
}

TEST(SplitFilters, BuildsTheMaskListAndThePairList) {
    std::string masks = "old", pairs = "old";
    SplitFilters("*.bmp;*.txt", masks, pairs);
    EXPECT_EQ(masks, "*.bmp;*.txt;");
    EXPECT_EQ(pairs, "*.bmp|*.bmp|*.txt|*.txt");

    SplitFilters("a b", masks, pairs);
    EXPECT_EQ(masks, "a;b;");
    EXPECT_EQ(pairs, "a|a|b|b");

    SplitFilters("*.*", masks, pairs);
    EXPECT_EQ(masks, "*.*;");
    EXPECT_EQ(pairs, "*.*|*.*");
}

TEST(SplitFilters, NothingToSplitLeavesBothOutputsAlone) {
    for (const char* text : {"", "   ", "\t\r\n", ";;", " ; | , "}) {
        std::string masks = "keep;", pairs = "keep|keep";
        SplitFilters(text, masks, pairs);
        EXPECT_EQ(masks, "keep;") << '"' << text << '"';
        EXPECT_EQ(pairs, "keep|keep") << '"' << text << '"';
    }
}

} // namespace
} // namespace kdx
