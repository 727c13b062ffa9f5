// Time arithmetic: the six steps in their order, month ends, leap days,
// year rollovers, the ends of the year range, and shifting real files.

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "core/journal/journal.h"
#include "core/timeops/shift.h"
#include "entry_helpers.h"
#include "fake_platform.h"
#include "temp_dir.h"

namespace kdx {
using test::RowOf;
using test::Stamps;

namespace {

DateTime T(const char* text) {
    return *ParseTimeText(text);
}

std::string Shift(bool add, int y, int mo, int d, int h, int mi, int s, const char* from) {
    return FormatTimeText(ShiftDateTime(add, y, mo, d, h, mi, s, T(from)));
}

TEST(ShiftDateTime, MonthEndsAndLeapDaysClampToTheLastDay) {
    EXPECT_EQ(Shift(true, 0, 1, 1, 0, 0, 0, "2021-01-30 00:00:00"), "2021-02-28 00:00:00") << "days before months";
    EXPECT_EQ(Shift(true, 1, 0, 0, 0, 0, 0, "2020-02-29 12:00:00"), "2021-02-28 12:00:00");
    EXPECT_EQ(Shift(true, 4, 0, 0, 0, 0, 0, "2020-02-29 12:00:00"), "2024-02-29 12:00:00");
    EXPECT_EQ(Shift(false, 0, 1, 0, 0, 0, 0, "2021-03-31 10:00:00"), "2021-02-28 10:00:00");
    EXPECT_EQ(Shift(false, 0, 1, 0, 0, 0, 0, "2020-03-31 10:00:00"), "2020-02-29 10:00:00");
    EXPECT_EQ(Shift(true, 0, 1, 0, 0, 0, 0, "2021-05-31 23:59:59"), "2021-06-30 23:59:59");
    // Months then years, each clamped in turn: not the same as 13 months.
    EXPECT_EQ(Shift(true, 1, 1, 0, 0, 0, 0, "2019-01-31 00:00:00"), "2020-02-28 00:00:00");
    EXPECT_EQ(Shift(true, 0, 13, 0, 0, 0, 0, "2019-01-31 00:00:00"), "2020-02-29 00:00:00");
}

TEST(ShiftDateTime, TimeOfDayRollsOverDaysMonthsAndYears) {
    EXPECT_EQ(Shift(false, 0, 0, 0, 1, 0, 0, "2021-03-01 00:30:00"), "2021-02-28 23:30:00");
    EXPECT_EQ(Shift(true, 0, 0, 0, 0, 0, 1, "2020-12-31 23:59:59"), "2021-01-01 00:00:00");
    EXPECT_EQ(Shift(false, 0, 0, 0, 0, 0, 1, "2021-01-01 00:00:00"), "2020-12-31 23:59:59");
    EXPECT_EQ(Shift(true, 0, 0, 0, 23, 59, 59, "2020-02-28 00:00:01"), "2020-02-29 00:00:00");
    EXPECT_EQ(Shift(true, 0, 0, 366, 0, 0, 0, "2020-01-01 06:00:00"), "2021-01-01 06:00:00");
    // The hour step lands on the 31st, which the month step then clamps.
    EXPECT_EQ(Shift(true, 0, 1, 0, 1, 0, 0, "2021-01-30 23:30:00"), "2021-02-28 00:30:00");
    // Subtraction mirrors it: seconds first, then months.
    EXPECT_EQ(Shift(false, 0, 1, 0, 0, 0, 1, "2021-04-01 00:00:00"), "2021-02-28 23:59:59");
    EXPECT_EQ(Shift(false, 1, 0, 0, 0, 0, 0, "2021-01-15 08:00:00"), "2020-01-15 08:00:00");
    EXPECT_EQ(Shift(true, 0, 0, 0, 0, 0, 0, "2021-01-15 08:00:00"), "2021-01-15 08:00:00");
}

TEST(ShiftDateTime, KeepsMillisecondsAndNeverLeavesTheYearRange) {
    const DateTime v = DateTime::fromMs(T("2021-01-15 08:00:00").ms() + 250);
    EXPECT_EQ(ShiftDateTime(true, 0, 0, 1, 0, 0, 0, v).ms() % 1000, 250);

    EXPECT_FALSE(TryShiftDateTime({true, 1}, T("9999-06-01 00:00:00")));
    EXPECT_FALSE(TryShiftDateTime({true, 0, 0, 0, 0, 0, 1}, T("9999-12-31 23:59:59")));
    EXPECT_FALSE(TryShiftDateTime({false, 0, 0, 0, 0, 0, 1}, T("0001-01-01 00:00:00")));
    EXPECT_FALSE(TryShiftDateTime({false, 0, 1}, T("0001-01-31 00:00:00")));
    EXPECT_FALSE(TryShiftDateTime({true, 10000, 10000, 10000, 23, 59, 59}, T("2000-01-01 00:00:00")));
    EXPECT_FALSE(TryShiftDateTime({true, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX}, T("2000-01-01")));
    EXPECT_FALSE(TryShiftDateTime({false, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX}, T("2000-01-01")));
    EXPECT_FALSE(TryShiftDateTime({}, DateTime::fromMs(-1)));
    ASSERT_TRUE(TryShiftDateTime({true, 7998}, T("2001-12-31 23:59:59")));
    EXPECT_EQ(FormatTimeText(*TryShiftDateTime({true, 7998}, T("2001-12-31 23:59:59"))), "9999-12-31 23:59:59");
    EXPECT_EQ(FormatTimeText(*TryShiftDateTime({false, 0, 0, 1}, T("0001-01-02 00:00:00"))), "0001-01-01 00:00:00");

    // The plain form holds at the ends instead of wrapping.
    EXPECT_EQ(Shift(true, 10000, 0, 0, 0, 0, 0, "2000-01-01 00:00:00"), "9999-12-31 23:59:59");
    EXPECT_EQ(Shift(false, 10000, 0, 0, 0, 0, 0, "2000-01-01 00:00:00"), "0001-01-01 00:00:00");
}

TEST(ShiftAmountText, DirectionAndAmountBoxes) {
    EXPECT_TRUE(IsAddDirection("+"));
    EXPECT_FALSE(IsAddDirection("-"));
    EXPECT_FALSE(IsAddDirection(" "));
    EXPECT_FALSE(IsAddDirection("+ "));
    EXPECT_EQ(ParseShiftAmount("12"), 12);
    EXPECT_EQ(ParseShiftAmount("1.5"), 0);
    EXPECT_EQ(ParseShiftAmount(""), 0);
    EXPECT_EQ(ParseShiftAmount("-3"), 0);
    EXPECT_EQ(ParseShiftAmount("99999"), 10000);
}

constexpr int64_t kOct31 = 1604139498; // 2020-10-31 18:18:18 at UTC+8
constexpr int64_t kJan1 = 978278400;   // 2001-01-01 00:00:00 at UTC+8

TEST(ShiftTimes, EachFileMovesFromItsOwnTimes) {
    test::TempDir dir;
    const std::string a = dir.file("a.txt");
    const std::string b = dir.file("b.txt");
    const std::string c = dir.file("c.txt");
    test::TempDir::setTimes(a, kOct31, kJan1);
    test::TempDir::setTimes(b, kJan1, kOct31);
    test::TempDir::setTimes(c, kJan1, kJan1);
    std::vector<FileEntry> rows{RowOf(a), RowOf(dir / "gone.txt"), RowOf(b), RowOf(c)};
    rows[0].NameTime = "kept";
    const ShiftAmount amount{false, 0, 1, 0, 1, 0, 0};

    const auto failures = ShiftTimes(rows, {0, 1, 2}, amount, TimeKinds::FromChecks(false, true, true));
    ASSERT_TRUE(failures);
    EXPECT_TRUE(failures->empty()) << "a file that cannot be read is skipped, not listed";
    EXPECT_EQ(Stamps(a).WriteTime, "2020-09-30 17:18:18");
    EXPECT_EQ(Stamps(a).AccessTime, "2000-11-30 23:00:00");
    EXPECT_EQ(Stamps(b).WriteTime, "2000-11-30 23:00:00");
    EXPECT_EQ(rows[0].WriteTime, "2020-09-30 17:18:18");
    EXPECT_EQ(rows[0].AccessTime, "2000-11-30 23:00:00");
    EXPECT_EQ(rows[0].NameTime, "kept") << "only the three file times are read again";
    EXPECT_EQ(Stamps(c).WriteTime, "2001-01-01 00:00:00") << "not chosen";
    EXPECT_EQ(rows[1].WriteTime, "");
}

TEST(ShiftTimes, OnlyCheckedKindsChangeButTheRowShowsAllThree) {
    test::TempDir dir;
    const std::string a = dir.file("a.txt");
    test::TempDir::setTimes(a, kOct31, kJan1);
    std::vector<FileEntry> rows{RowOf(a)};
    rows[0].AccessTime = "stale";
    ASSERT_TRUE(ShiftTimes(rows, {0}, {true, 1}, TimeKinds::FromChecks(false, true, false))->empty());
    EXPECT_EQ(Stamps(a).WriteTime, "2021-10-31 18:18:18");
    EXPECT_EQ(Stamps(a).AccessTime, "2001-01-01 00:00:00");
    EXPECT_EQ(rows[0].AccessTime, "2001-01-01 00:00:00");

    // Nothing to add and no kind: every file is rewritten with its own times.
    ASSERT_TRUE(ShiftTimes(rows, {0}, {}, TimeKinds::FromChecks(false, true, true))->empty());
    EXPECT_EQ(Stamps(a).WriteTime, "2021-10-31 18:18:18");
}

TEST(ShiftTimes, OutOfRangeRowsFailWithoutBeingHalfShifted) {
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\p");
    auto& n = fake.addFile("C:\\p\\a.txt");
    n.creation = LocalDateTimeToFileTime(T("2000-01-01 00:00:00"), fake.offsetSeconds);
    n.lastWrite = LocalDateTimeToFileTime(T("9990-01-01 00:00:00"), fake.offsetSeconds);
    n.lastAccess = n.creation;
    fake.addFile("C:\\p\\b.txt").lastWrite = n.creation;
    std::vector<FileEntry> rows{RowOf("C:\\p\\a.txt"), RowOf("C:\\p\\b.txt")};
    const auto before = rows[0];

    const auto failures = ShiftTimes(rows, {0, 1}, {true, 20}, TimeKinds{});
    ASSERT_TRUE(failures);
    EXPECT_EQ(failures->paths, std::vector<std::string>{"C:\\p\\a.txt"});
    EXPECT_EQ(fake.node("C:\\p\\a.txt")->creation, n.creation) << "no kind of a failing row is written";
    EXPECT_EQ(rows[0], before);
    EXPECT_EQ(rows[1].WriteTime, "2020-01-01 00:00:00");
    EXPECT_EQ(rows[1].CreateTime, "1621-01-01 08:00:00");

    // The same stamp left unchecked does not stop the others.
    ASSERT_TRUE(ShiftTimes(rows, {0}, {true, 20}, TimeKinds::FromChecks(true, false, true))->empty());
    EXPECT_EQ(rows[0].CreateTime, "2020-01-01 00:00:00");
    EXPECT_EQ(rows[0].WriteTime, "9990-01-01 00:00:00");
}

TEST(ShiftTimes, AJournaledRunShiftsAnEntryListedUnderTwoSpellingsTwice) {
    // Read ahead of the writes, the second spelling must still see the
    // first one's shift, as an unjournaled run does.
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\p");
    fake.addFile("C:\\p\\a.txt").lastWrite = LocalDateTimeToFileTime(T("2020-01-01 00:00:00"), fake.offsetSeconds);
    std::vector<FileEntry> rows{RowOf("C:\\p\\a.txt"), RowOf("c:\\P\\A.TXT")};
    auto journal = Journal::Begin("shift");
    ASSERT_TRUE(journal);
    WriteHooks hooks;
    hooks.journal = journal->get();
    ASSERT_TRUE(ShiftTimes(rows, {0, 1}, {true, 0, 0, 1}, TimeKinds::FromChecks(false, true, false), hooks)->empty());
    EXPECT_EQ(rows[1].WriteTime, "2020-01-03 00:00:00");
}

TEST(ShiftTimes, WriteFailuresAreListedAndDryRunsChangeNothing) {
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\p");
    fake.addFile("C:\\p\\a.txt");
    fake.addFile("C:\\p\\locked.txt");
    fake.locked["C:\\P\\LOCKED.TXT"] = true;
    std::vector<FileEntry> rows{RowOf("C:\\p\\locked.txt"), RowOf("C:\\p\\a.txt")};
    const auto before = rows;

    int reported = 0;
    WriteHooks dry{true,
                   [&](std::string_view, TimeKind, std::string_view o, std::string_view n, FileTime, FileTime) {
                       ++reported;
                       EXPECT_EQ(o, "1601-01-01 08:00:00");
                       EXPECT_EQ(n, "1601-01-02 08:00:00");
                   },
                   {}};
    ASSERT_TRUE(ShiftTimes(rows, {0, 1}, {true, 0, 0, 1}, TimeKinds{}, dry)->empty()) << "a dry run cannot see a lock";
    EXPECT_EQ(reported, 6);
    EXPECT_EQ(rows, before);
    EXPECT_EQ(fake.node("C:\\p\\a.txt")->lastWrite, FileTime{});

    const auto failures = ShiftTimes(rows, {0, 1}, {true, 0, 0, 1}, TimeKinds{});
    ASSERT_TRUE(failures);
    EXPECT_EQ(failures->paths, std::vector<std::string>{"C:\\p\\locked.txt"});
    EXPECT_EQ(rows[1].AccessTime, "1601-01-02 08:00:00");
    EXPECT_EQ(rows[0], before[0]);
    EXPECT_FALSE(ShiftTimes(rows, {}, {true, 0, 0, 1}, TimeKinds{}));
}

} // namespace
} // namespace kdx
