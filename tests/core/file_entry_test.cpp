#include <gtest/gtest.h>

#include "core/lists/file_entry.h"
#include "fake_platform.h"
#include "temp_dir.h"

namespace kdx {
namespace {

TEST(ReadFileTimes, ReadsTheThreeStampsAsLocalTimeText) {
    test::TempDir dir;
    const std::string f = dir.file("plain.txt", "x");
    test::TempDir::setTimes(f, 1604139498, 1604100000); // UTC; the tests run at UTC+8
    EntryTimes t;
    ASSERT_TRUE(ReadFileTimes(f, {}, t));
    EXPECT_EQ(t.WriteTime, "2020-10-31 18:18:18");
    EXPECT_EQ(t.AccessTime, "2020-10-31 07:20:00");
    EXPECT_EQ(t.CreateTime.size(), 19u);
    EXPECT_EQ(t.PhotoTime, " ");
    EXPECT_EQ(t.NameTime, " ");
}

TEST(ReadFileTimes, FoldersWithTrailingSeparatorsReadTheSame) {
    test::TempDir dir;
    const std::string d = dir.folder("sub");
    test::TempDir::setTimes(d, 1500000000, 1500000000);
    EntryTimes plain, one, two;
    ASSERT_TRUE(ReadFileTimes(d, {}, plain));
    ASSERT_TRUE(ReadFileTimes(d + "/", {}, one));
    ASSERT_TRUE(ReadFileTimes(d + "//", {}, two));
    EXPECT_EQ(plain.WriteTime, one.WriteTime);
    EXPECT_EQ(plain.WriteTime, two.WriteTime);
    EXPECT_TRUE(IsDirectory(d + "//"));
    EXPECT_TRUE(ReadFileTimes("/", {}, plain)) << "the root is a folder too";
}

TEST(ReadFileTimes, MissingEntryGivesEmptyStampsAndBlankSources) {
    test::TempDir dir;
    EntryTimes t;
    t.CreateTime = "old";
    EXPECT_FALSE(ReadFileTimes(dir / "IMG_20201031_181818.jpg", {}, t));
    EXPECT_EQ(t.CreateTime, "");
    EXPECT_EQ(t.WriteTime, "");
    EXPECT_EQ(t.AccessTime, "");
    EXPECT_EQ(t.PhotoTime, " ");
    EXPECT_EQ(t.NameTime, " ");
}

TEST(ReadFileTimes, FileNameTimeFollowsTheOptions) {
    test::TempDir dir;
    const std::string f = dir.file("a1_20201031181818.jpg");
    EntryTimes t;
    ASSERT_TRUE(ReadFileTimes(f, NameTimeOptions{1, false}, t));
    EXPECT_EQ(t.NameTime, " ");
    ASSERT_TRUE(ReadFileTimes(f, NameTimeOptions{3, false}, t));
    EXPECT_EQ(t.NameTime, "2020-10-31 18:18:18");
}

TEST(ReadFileTimes, WorksThroughTheFakePlatformWithBackslashes) {
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\Photos");
    auto& n = fake.addFile("C:\\Photos\\a.txt");
    n.lastWrite = FileTime::fromUnix(0, 0);
    EntryTimes t;
    ASSERT_TRUE(ReadFileTimes("C:\\Photos\\a.txt", {}, t));
    EXPECT_EQ(t.WriteTime, "1970-01-01 08:00:00");
    ASSERT_TRUE(ReadFileTimes("C:\\Photos\\\\", {}, t));
    EXPECT_TRUE(IsDirectory("c:\\photos\\"));
    EXPECT_TRUE(EntryExists("C:\\Photos\\a.txt"));
    EXPECT_FALSE(EntryExists("C:\\Photos\\b.txt"));
}

TEST(StartPosition, WholeNumbersOfAtLeastOne) {
    EXPECT_EQ(ParseStartPosition("0"), 1);
    EXPECT_EQ(ParseStartPosition("-3"), 1);
    EXPECT_EQ(ParseStartPosition("abc"), 1);
    EXPECT_EQ(ParseStartPosition(""), 1);
    EXPECT_EQ(ParseStartPosition("5"), 5);
}

} // namespace
} // namespace kdx
