#include <gtest/gtest.h>

#include "core/common/filetime.h"
#include "fake_platform.h"

namespace kdx {
namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return DateTime::fromFields({y, mo, d, h, mi, s, ms});
}

TEST(Calendar, DayNumbersRoundTripAcrossTheWholeRange) {
    EXPECT_EQ(DaysFromCivil(1, 1, 1), 0);
    EXPECT_EQ(DaysFromCivil(1601, 1, 1), 584388);
    for (int64_t d = 0; d < DaysFromCivil(9999, 12, 31); d += 997) {
        int y, m, day;
        CivilFromDays(d, y, m, day);
        ASSERT_TRUE(IsValidDate(y, m, day)) << d;
        ASSERT_EQ(DaysFromCivil(y, m, day), d);
    }
}

TEST(Calendar, LeapYearsAndMonthLengths) {
    EXPECT_EQ(DaysInMonth(2020, 2), 29);
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_FALSE(IsValidDate(2021, 2, 29));
    EXPECT_FALSE(IsValidDate(0, 1, 1));
    EXPECT_FALSE(IsValidDate(10000, 1, 1));
}

TEST(TimeText, FormatsFixedWidthAndDropsMilliseconds) {
    EXPECT_EQ(FormatTimeText(At(2020, 10, 31, 18, 18, 18, 999)), "2020-10-31 18:18:18");
    EXPECT_EQ(FormatTimeText(At(1, 1, 1)), "0001-01-01 00:00:00");
    EXPECT_EQ(FormatCompactTime(At(2020, 10, 31, 8, 1, 2)), "20201031_080102");
    // Stamps can lie past year 9999; their text must not read back as another time.
    const std::string far = FormatTimeText(DateTime::fromMs((DaysFromCivil(9999, 12, 31) + 2) * DateTime::MsPerDay));
    EXPECT_EQ(far, "10000-01-02 00:00:00");
    EXPECT_FALSE(ParseTimeText(far).has_value());
}

TEST(TimeText, ParsesTheTimeTextAndLooseForms) {
    EXPECT_EQ(ParseTimeText("2020-10-31 18:18:18"), At(2020, 10, 31, 18, 18, 18));
    EXPECT_EQ(ParseTimeText("2019-05-04  13:22:10"), At(2019, 5, 4, 13, 22, 10));
    EXPECT_EQ(ParseTimeText(" 2020-1-5 1:2:3 "), At(2020, 1, 5, 1, 2, 3));
    EXPECT_EQ(ParseTimeText("2020-10-31"), At(2020, 10, 31));
    EXPECT_EQ(ParseTimeText("2020-10-31 18:18"), At(2020, 10, 31, 18, 18));
    EXPECT_EQ(ParseTimeText("2020-10-31 18:18:18.75"), At(2020, 10, 31, 18, 18, 18, 750));
}

TEST(TimeText, RejectsWhatIsNotATime) {
    for (const char* bad :
         {"", " ", "0000-00-00 00:00:00", "2021-02-29 00:00:00", "2020-10-31 24:00:00", "2020-10-31 18:60:00",
          "2020:10:31 18:18:18", "2020-10-31T18:18:18", "2020-10-31 18:18:18x", "20201031"})
        EXPECT_FALSE(ParseTimeText(bad).has_value()) << bad;
}

TEST(Conversion, StampToLocalUsesTheGivenOffsetAndBack) {
    // 2020-10-31 10:18:18.5 UTC
    const FileTime stamp = FileTime::fromUnix(1604139498, 500'000'000);
    const DateTime local = FileTimeToLocalDateTime(stamp, 8 * 3600);
    EXPECT_EQ(local, At(2020, 10, 31, 18, 18, 18, 500));
    EXPECT_EQ(LocalDateTimeToFileTime(local, 8 * 3600), stamp);
    EXPECT_EQ(LocalDateTimeToFileTime(local.wholeSeconds(), 8 * 3600), FileTime::fromUnix(1604139498, 0));
}

TEST(Conversion, StampsBefore1970AndBefore1601) {
    const FileTime stamp = FileTime::fromUnix(-1, 0);
    EXPECT_EQ(FormatTimeText(FileTimeToLocalDateTime(stamp, 0)), "1969-12-31 23:59:59");
    int64_t s, ns;
    FileTime{-1}.toUnix(s, ns);
    EXPECT_EQ(s, -FileTime::UnixEpochSeconds - 1);
    EXPECT_EQ(ns, 9'999'999 * 100);
    EXPECT_EQ(FormatTimeText(FileTimeToLocalDateTime(FileTime{0}, 0)), "1601-01-01 00:00:00");
}

TEST(Conversion, PlatformOffsetInForceNowIsUsed) {
    test::FakePlatform fake;
    fake.offsetSeconds = -5 * 3600;
    ScopedPlatform use(fake);
    EXPECT_EQ(FormatTimeText(FileTimeToLocalDateTime(FileTime::fromUnix(0, 0))), "1969-12-31 19:00:00");
}

TEST(TypedTime, EveryFormAsLocalTimeWithTheOffsetInForceNow) {
    test::FakePlatform fake;
    fake.offsetSeconds = 8 * 3600;
    ScopedPlatform use(fake);
    const struct {
        const char* text;
        DateTime local;
        bool hasTime;
    } cases[] = {
        {"2020-10-31 18:18:18", At(2020, 10, 31, 18, 18, 18), true},
        {"2020-10-31", At(2020, 10, 31), false},
        {"2020-10-31T18:18:18", At(2020, 10, 31, 18, 18, 18), true},
        {"2020-10-31t18:18", At(2020, 10, 31, 18, 18), true},
        {"2020-10-31T10:18:18Z", At(2020, 10, 31, 18, 18, 18), true},
        {"2020-10-31T18:18:18+08:00", At(2020, 10, 31, 18, 18, 18), true},
        {"2020-10-31T05:18:18.250-0500", At(2020, 10, 31, 18, 18, 18, 250), true},
        {"2020-11-01 01:18:18+15", At(2020, 10, 31, 18, 18, 18), true},
        {"@1604139498", At(2020, 10, 31, 18, 18, 18), true},
        {" @1604139498.5 ", At(2020, 10, 31, 18, 18, 18, 500), true},
        {"@-1", At(1970, 1, 1, 7, 59, 59), true},
        {"@-0.5", At(1970, 1, 1, 7, 59, 59, 500), true},
    };
    for (const auto& c : cases) {
        const std::optional<TypedTime> t = ParseTypedTime(c.text);
        ASSERT_TRUE(t.has_value()) << c.text;
        EXPECT_EQ(t->value, c.local) << c.text;
        EXPECT_EQ(t->hasTime, c.hasTime) << c.text;
    }
    for (const char* bad :
         {"", "yesterday", "2020-10-31T", "2020-10-31Z", "2020-10-31T18:18:18+24:00", "2020-10-31T18:18:18+8",
          "2020-10-31T18:18:18 CST", "@", "@+5", "@1e9", "@1.", "@999999999999", "@-62135596800",
          "9999-12-31T23:00:00-08:00", "2020-02-30T00:00:00", "18:18:18"})
        EXPECT_FALSE(ParseTypedTime(bad).has_value()) << bad;
}

TEST(TypedTime, IsoFormsCarryTheOffsetAndAStampsFraction) {
    EXPECT_EQ(FormatIsoTime(At(2020, 10, 31, 18, 18, 18, 999), 8 * 3600), "2020-10-31T18:18:18+08:00");
    EXPECT_EQ(FormatIsoTime(At(2020, 10, 31, 18, 18, 18), 0), "2020-10-31T18:18:18Z");
    EXPECT_EQ(FormatIsoTime(At(2020, 10, 31, 18, 18, 18), -(9 * 3600 + 30 * 60)), "2020-10-31T18:18:18-09:30");
    EXPECT_EQ(FormatIsoStamp(FileTime::fromUnix(1604139498, 123'456'700), 8 * 3600),
              "2020-10-31T18:18:18.1234567+08:00");
    EXPECT_EQ(FormatIsoStamp(FileTime::fromUnix(-1, 0), 0), "1969-12-31T23:59:59.0000000Z");
    EXPECT_EQ(FormatIsoStamp(FileTime{-1}, 0).substr(19), ".9999999Z") << "before 1601 the fraction counts up";
}

TEST(DateTimeValue, SplitsDateAndTimeOfDay) {
    const DateTime t = At(2020, 2, 29, 23, 59, 59, 999);
    EXPECT_EQ(t.date(), At(2020, 2, 29));
    EXPECT_EQ(t.timeOfDayMs(), DateTime::MsPerDay - 1);
    EXPECT_EQ(t.wholeSeconds(), At(2020, 2, 29, 23, 59, 59));
}

} // namespace
} // namespace kdx
