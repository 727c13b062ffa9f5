// Pairing list A with list B by position: marks, selection on either side,
// what a sync writes and what the A rows show afterwards.

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "core/sync/pairs.h"
#include "entry_helpers.h"
#include "fake_platform.h"
#include "temp_dir.h"

namespace kdx {
using test::RowOf;
using test::Stamps;

namespace {

std::vector<int> Marks(const std::vector<FileEntry>& rows) {
    std::vector<int> m;
    for (const auto& r : rows)
        m.push_back(r.DiffMark);
    return m;
}

constexpr int64_t kOct31 = 1604139498; // 2020-10-31 18:18:18 at UTC+8
constexpr int64_t kJan1 = 978278400;   // 2001-01-01 00:00:00 at UTC+8
const TimeKinds kWriteAccess = TimeKinds::FromChecks(false, true, true);

// Real files a0..a{n-1} and b0..b{n-1}; every b has the same times, every a
// differs from them unless said otherwise.
struct Lists {
    test::TempDir dir;
    std::vector<FileEntry> a, b;
    Lists(size_t na, size_t nb) {
        for (size_t i = 0; i < na; ++i) {
            const std::string p = dir.file("a" + std::to_string(i) + ".txt");
            test::TempDir::setTimes(p, kOct31, kOct31);
            a.push_back(RowOf(p));
        }
        for (size_t i = 0; i < nb; ++i) {
            const std::string p = dir.file("b" + std::to_string(i) + ".txt");
            test::TempDir::setTimes(p, kJan1, kJan1);
            b.push_back(RowOf(p));
        }
    }
};

TEST(ComparePairs, MarksOnlyThePairsBothListsHave) {
    Lists l(5, 3);
    test::TempDir::setTimes(l.a[1].Name, kJan1, kJan1); // same as b1
    l.a[3].DiffMark = 1;
    l.a[4].DiffMark = 0;
    l.b[0].DiffMark = 1;
    ComparePairs(l.a, l.b, kWriteAccess);
    EXPECT_EQ(Marks(l.a), (std::vector<int>{1, 0, 1, 1, 0})) << "rows past the shorter list keep their mark";
    EXPECT_EQ(Marks(l.b), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(Stamps(l.a[0].Name).WriteTime, "2020-10-31 18:18:18") << "a compare writes nothing";

    EXPECT_FALSE(SyncPairs(l.a, l.b, {}, {}, false, false, kWriteAccess)) << "a compare has no message";
}

TEST(SyncPairs, AStopRequestEndsTheRunAfterThePairInHand) {
    Lists l(3, 3);
    size_t written = 0, lastDone = 0;
    WriteHooks hooks;
    hooks.observer = [&](std::string_view, TimeKind kind, std::string_view, std::string_view, FileTime, FileTime) {
        written += kind == TimeKind::LastWrite;
    };
    hooks.stopRequested = [&] { return written > 0; };
    const auto failures =
        SyncPairs(l.a, l.b, {}, {}, true, true, kWriteAccess, hooks, [&](size_t done, size_t) { lastDone = done; });
    ASSERT_TRUE(failures);
    EXPECT_TRUE(failures->empty());
    EXPECT_EQ(Stamps(l.a[0].Name).WriteTime, "2001-01-01 00:00:00");
    EXPECT_EQ(Stamps(l.a[1].Name).WriteTime, "2020-10-31 18:18:18");
    EXPECT_EQ(lastDone, 1u);
}

TEST(ComparePairs, NothingHappensWhenEitherListIsEmpty) {
    Lists l(2, 0);
    l.a[0].DiffMark = 1;
    EXPECT_FALSE(CanCompare(l.a, l.b));
    EXPECT_FALSE(SyncPairs(l.a, l.b, {0}, {}, true, true, kWriteAccess));
    EXPECT_EQ(Marks(l.a), (std::vector<int>{1, 0}));
    EXPECT_TRUE(CanCompare(l.a, l.a));
}

TEST(ComparePairs, OnlyCheckedKindsCountAndUnreadablePairsAreSame) {
    Lists l(3, 3);
    test::TempDir::setTimes(l.a[0].Name, kJan1, kOct31); // differs in access only
    std::filesystem::remove(l.b[2].Name);
    ComparePairs(l.a, l.b, TimeKinds::FromChecks(false, true, false));
    EXPECT_EQ(Marks(l.a), (std::vector<int>{0, 1, 0}));
    ComparePairs(l.a, l.b, kWriteAccess);
    EXPECT_EQ(Marks(l.a), (std::vector<int>{1, 1, 0}));
    ComparePairs(l.a, l.b, TimeKinds::None());
    EXPECT_EQ(Marks(l.a), (std::vector<int>{0, 0, 0}));
}

TEST(ComparePairs, MarksStayUntilTheNextCompareRecomputesThem) {
    Lists l(2, 2);
    ComparePairs(l.a, l.b, kWriteAccess);
    ASSERT_EQ(Marks(l.a), (std::vector<int>{1, 1}));
    // Cancelling only stops the colouring; the files change meanwhile.
    test::TempDir::setTimes(l.a[0].Name, kJan1, kJan1);
    ComparePairs(l.a, l.b, kWriteAccess);
    EXPECT_EQ(Marks(l.a), (std::vector<int>{0, 1}));
    EXPECT_EQ(l.a[0].WriteTime, "2020-10-31 18:18:18") << "a compare does not refresh the row texts";
}

TEST(SyncPairs, SelectionOnEitherSideChoosesThePair) {
    Lists l(4, 4);
    const auto failures = SyncPairs(l.a, l.b, {0}, {1, 3}, true, false, kWriteAccess);
    ASSERT_TRUE(failures);
    EXPECT_TRUE(failures->empty());
    EXPECT_EQ(Stamps(l.a[0].Name).WriteTime, "2001-01-01 00:00:00");
    EXPECT_EQ(Stamps(l.a[1].Name).WriteTime, "2001-01-01 00:00:00");
    EXPECT_EQ(Stamps(l.a[2].Name).WriteTime, "2020-10-31 18:18:18") << "neither side selected";
    EXPECT_EQ(Stamps(l.a[3].Name).AccessTime, "2001-01-01 00:00:00");
    EXPECT_EQ(Marks(l.a), (std::vector<int>{0, 0, 1, 0}));
    EXPECT_EQ(l.a[1].WriteTime, "2001-01-01 00:00:00");
    EXPECT_EQ(l.a[2].WriteTime, "2020-10-31 18:18:18");

    ASSERT_TRUE(SyncPairs(l.a, l.b, {}, {}, true, true, kWriteAccess)->empty());
    EXPECT_EQ(Stamps(l.a[2].Name).WriteTime, "2001-01-01 00:00:00");
    EXPECT_EQ(Marks(l.a), (std::vector<int>{0, 0, 0, 0}));
}

TEST(SyncPairs, TheARowShowsTheTimesItsFileReallyHas) {
    Lists l(1, 1);
    test::TempDir::setTimes(l.a[0].Name, kOct31, kOct31);
    l.a[0].AccessTime = "stale";
    ASSERT_TRUE(SyncPairs(l.a, l.b, {}, {}, true, true, TimeKinds::FromChecks(false, true, false))->empty());
    EXPECT_EQ(l.a[0].WriteTime, "2001-01-01 00:00:00");
    EXPECT_EQ(l.a[0].AccessTime, "2020-10-31 18:18:18") << "the access time was not copied";
    EXPECT_EQ(Stamps(l.a[0].Name).AccessTime, "2020-10-31 18:18:18");
    EXPECT_EQ(l.a[0].CreateTime, Stamps(l.a[0].Name).CreateTime);
}

TEST(SyncPairs, CreationIsCopiedWhereTheSystemCanSetIt) {
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\a");
    fake.addFolder("D:\\b");
    fake.addFile("C:\\a\\x.txt");
    fake.addFile("C:\\a\\locked.txt");
    fake.locked["C:\\A\\LOCKED.TXT"] = true;
    auto& x = fake.addFile("D:\\b\\x.txt");
    x.creation = FileTime::fromUnix(kJan1, 0);
    x.lastWrite = FileTime::fromUnix(kOct31, 0);
    x.lastAccess = FileTime::fromUnix(kOct31, 0);
    fake.addFile("D:\\b\\y.txt").creation = FileTime::fromUnix(kJan1, 0);
    std::vector<FileEntry> a{RowOf("C:\\a\\x.txt"), RowOf("C:\\a\\locked.txt")};
    std::vector<FileEntry> b{RowOf("D:\\b\\x.txt"), RowOf("D:\\b\\y.txt")};

    size_t lastDone = 0, lastTotal = 0;
    const auto failures = SyncPairs(a, b, {}, {}, true, true, TimeKinds{}, {}, [&](size_t d, size_t t) {
        lastDone = d;
        lastTotal = t;
    });
    ASSERT_TRUE(failures);
    EXPECT_EQ(failures->paths, std::vector<std::string>{"C:\\a\\locked.txt"});
    EXPECT_EQ(fake.node("C:\\a\\x.txt")->creation, FileTime::fromUnix(kJan1, 0));
    EXPECT_EQ(fake.node("C:\\a\\x.txt")->lastWrite, FileTime::fromUnix(kOct31, 0));
    EXPECT_EQ(a[0].CreateTime, "2001-01-01 00:00:00");
    EXPECT_EQ(Marks(a), (std::vector<int>{0, 1})) << "a failed pair stays marked";
    EXPECT_EQ(lastDone, 2u);
    EXPECT_EQ(lastTotal, 2u);
}

TEST(SyncPairs, CreationOnLinuxFailsThePairAndListsIt) {
    if (hostPlatform().canSetCreationTime())
        GTEST_SKIP() << "this system sets creation times (SyncPairs.CreationIsCopiedWhereTheSystemCanSetIt)";
    Lists l(1, 1);
    const auto failures = SyncPairs(l.a, l.b, {}, {}, true, true, TimeKinds{});
    ASSERT_TRUE(failures);
    // The pair differs in its write and access times; the creation kind
    // comes first and cannot be written here.
    EXPECT_EQ(failures->paths, std::vector<std::string>{l.a[0].Name});
    EXPECT_EQ(Stamps(l.a[0].Name).WriteTime, "2020-10-31 18:18:18") << "stopped before the later kinds";
    EXPECT_EQ(l.a[0].DiffMark, 1);
}

TEST(SyncPairs, DryRunReportsWithoutWritingOrUnmarking) {
    Lists l(2, 2);
    const auto before = l.a;
    int reported = 0;
    WriteHooks dry{true,
                   [&](std::string_view path, TimeKind, std::string_view, std::string_view n, FileTime, FileTime) {
                       ++reported;
                       EXPECT_EQ(n, "2001-01-01 00:00:00");
                       EXPECT_TRUE(path == l.a[0].Name || path == l.a[1].Name);
                   },
                   {}};
    ASSERT_TRUE(SyncPairs(l.a, l.b, {}, {}, true, true, kWriteAccess, dry)->empty());
    EXPECT_EQ(reported, 4);
    EXPECT_EQ(Stamps(l.a[0].Name).WriteTime, "2020-10-31 18:18:18");
    EXPECT_EQ(Marks(l.a), (std::vector<int>{1, 1}));
    EXPECT_EQ(l.a[0].WriteTime, before[0].WriteTime);
}

} // namespace
} // namespace kdx
