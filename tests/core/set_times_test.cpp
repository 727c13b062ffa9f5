// Setting row times from fixed values and from each of the eight sources.
// Real files carry the modification and access times; creation times, which
// Linux cannot set, go through the fake platform.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/timeops/set_times.h"
#include "core/timesrc/photo_time.h"
#include "entry_helpers.h"
#include "fake_platform.h"
#include "temp_dir.h"

namespace kdx {
using test::RowOf;
using test::Stamps;

namespace {

namespace fs = std::filesystem;

DateTime T(const char* text) {
    return *ParseTimeText(text);
}

// Local 2001-01-01 00:00:00 and 2005-05-05 05:05:05 at UTC+8.
constexpr int64_t k2001 = 978278400;
constexpr int64_t k2005 = 1115240705;

PickerValues Pickers(TimeKinds kinds) {
    PickerValues v;
    v.kinds = kinds;
    v.creation.value = T("2010-01-01 01:01:01");
    v.lastWrite.value = T("2011-02-02 02:02:02");
    v.lastAccess.value = T("2012-03-03 03:03:03");
    return v;
}

TEST(SetTimes, NothingRunsWithoutRows) {
    test::TempDir dir;
    std::vector<FileEntry> rows{RowOf(dir.file("a.txt"))};
    const auto before = rows;
    EXPECT_FALSE(SetTimesFromPickers(rows, {}, Pickers(TimeKinds::FromChecks(false, true, true))));
    EXPECT_FALSE(SetTimesFromSource(rows, {}, TimeSource::LastWrite, {}));
    EXPECT_EQ(rows, before);
}

TEST(SetTimesFromPickers, WritesEachKindItsOwnValueAndRereadsTheRow) {
    if (test::UnderWine())
        GTEST_SKIP() << "under Wine, Linux moves the access time of a file that is read, and Wine cannot stop it";
    test::TempDir dir;
    // A .jpg is opened for its photo time when the row is read again; that
    // must not undo the access time just set.
    const std::string a = dir.file("IMG_20001231_235959.jpg", "not a photo");
    const std::string b = dir.file("b.txt");
    const std::string c = dir.file("c.txt");
    test::TempDir::setTimes(b, k2005, k2005);
    std::vector<FileEntry> rows{RowOf(a), RowOf(b), RowOf(c)};
    rows[0].NameTime = " "; // stale: the re-read fills it again
    rows[0].PhotoTime = "stale";

    const auto failures = SetTimesFromPickers(rows, {0, 2}, Pickers(TimeKinds::FromChecks(false, true, true)));
    ASSERT_TRUE(failures);
    EXPECT_TRUE(failures->empty());
    for (size_t i : {0u, 2u}) {
        EXPECT_EQ(Stamps(rows[i].Name).WriteTime, "2011-02-02 02:02:02");
        EXPECT_EQ(Stamps(rows[i].Name).AccessTime, "2012-03-03 03:03:03");
        EXPECT_EQ(rows[i].WriteTime, "2011-02-02 02:02:02");
        EXPECT_EQ(rows[i].AccessTime, "2012-03-03 03:03:03");
    }
    EXPECT_EQ(rows[0].NameTime, "2000-12-31 23:59:59");
    EXPECT_EQ(rows[0].PhotoTime, " ");
    EXPECT_EQ(Stamps(b).WriteTime, "2005-05-05 05:05:05") << "row 1 was not chosen";
}

TEST(SetTimesFromPickers, DateOrTimeBoxAloneChangesOnlyThatPart) {
    test::TempDir dir;
    const std::string f = dir.file("a.txt");
    test::TempDir::setTimes(f, k2005, k2005);
    std::vector<FileEntry> rows{RowOf(f)};
    PickerValues v = Pickers(TimeKinds::FromChecks(false, true, true));
    v.lastWrite.changeTime = false;
    v.lastAccess.changeDate = false;
    ASSERT_TRUE(SetTimesFromPickers(rows, {0}, v)->empty());
    EXPECT_EQ(rows[0].WriteTime, "2011-02-02 05:05:05");
    EXPECT_EQ(rows[0].AccessTime, "2005-05-05 03:03:03");
}

TEST(SetTimesFromPickers, NoKindCheckedWritesNothingButStillRefreshes) {
    test::TempDir dir;
    const std::string f = dir.file("a.txt");
    test::TempDir::setTimes(f, k2005, k2005);
    std::vector<FileEntry> rows{RowOf(f), RowOf(dir / "gone.txt")};
    rows[0].WriteTime = "1999-01-01 00:00:00";
    const auto failures = SetTimesFromPickers(rows, {0, 1}, Pickers(TimeKinds::None()));
    ASSERT_TRUE(failures);
    EXPECT_TRUE(failures->empty()) << "nothing to write cannot fail, even for a missing file";
    EXPECT_EQ(rows[0].WriteTime, "2005-05-05 05:05:05");
    EXPECT_EQ(Stamps(f).WriteTime, "2005-05-05 05:05:05");
}

TEST(SetTimesFromPickers, FailuresAreListedInOrderAndTheWalkGoesOn) {
    test::TempDir dir;
    const std::string a = dir.file("a.txt");
    const std::string b = dir.file("b.txt");
    std::vector<FileEntry> rows{RowOf(dir / "gone1.txt"), RowOf(a), RowOf(dir / "gone2.txt"), RowOf(b)};
    const auto failures = SetTimesFromPickers(rows, {0, 1, 2, 3}, Pickers(TimeKinds::FromChecks(false, true, false)));
    ASSERT_TRUE(failures);
    EXPECT_EQ(failures->paths, (std::vector<std::string>{dir / "gone1.txt", dir / "gone2.txt"}));
    EXPECT_EQ(Stamps(b).WriteTime, "2011-02-02 02:02:02");
    EXPECT_EQ(rows[2].WriteTime, "") << "a failed row keeps its texts";
}

TEST(SetTimesFromPickers, CreationOnLinuxFailsTheRowBeforeAnythingIsWritten) {
    if (hostPlatform().canSetCreationTime())
        GTEST_SKIP() << "this system sets creation times (SetTimesFromPickers.AllThreeKindsWhereCreationCanBeSet)";
    test::TempDir dir;
    const std::string f = dir.file("a.txt");
    test::TempDir::setTimes(f, k2005, k2005);
    std::vector<FileEntry> rows{RowOf(f)};
    const auto failures = SetTimesFromPickers(rows, {0}, Pickers(TimeKinds::FromChecks(true, true, true)));
    ASSERT_TRUE(failures);
    EXPECT_EQ(failures->paths, std::vector<std::string>{f});
    EXPECT_EQ(Stamps(f).WriteTime, "2005-05-05 05:05:05");
}

TEST(SetTimesFromPickers, AllThreeKindsWhereCreationCanBeSet) {
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\p");
    fake.addFile("C:\\p\\a.txt", attr::Archive | attr::ReadOnly);
    std::vector<FileEntry> rows{RowOf("C:\\p\\a.txt")};
    ASSERT_TRUE(SetTimesFromPickers(rows, {0}, Pickers(TimeKinds::FromChecks(true, true, true)))->empty());
    EXPECT_EQ(rows[0].CreateTime, "2010-01-01 01:01:01");
    EXPECT_EQ(rows[0].WriteTime, "2011-02-02 02:02:02");
    EXPECT_EQ(rows[0].AccessTime, "2012-03-03 03:03:03");
    EXPECT_EQ(fake.node("C:\\p\\a.txt")->attributes, attr::Archive | attr::ReadOnly);
}

TEST(SetTimesFromSource, FileTimesAToCWriteTheChosenStampAndKeepItsText) {
    test::TempDir dir;
    const std::string f = dir.file("a.txt");
    test::TempDir::setTimes(f, k2005, k2001);
    std::vector<FileEntry> rows{RowOf(f), RowOf(dir / "gone.txt")};
    const std::string created = rows[0].CreateTime;
    SourceOptions o;
    o.kinds = TimeKinds::FromChecks(false, false, true);

    // B: modification time into the access time.
    auto failures = SetTimesFromSource(rows, {0, 1}, TimeSource::LastWrite, o);
    ASSERT_TRUE(failures);
    EXPECT_TRUE(failures->empty()) << "a file that cannot be read is skipped, not listed";
    EXPECT_EQ(Stamps(f).AccessTime, "2005-05-05 05:05:05");
    EXPECT_EQ(rows[0].AccessTime, "2005-05-05 05:05:05");

    // C: access time into the modification time.
    test::TempDir::setTimes(f, k2005, k2001);
    o.kinds = TimeKinds::FromChecks(false, true, false);
    ASSERT_TRUE(SetTimesFromSource(rows, {0}, TimeSource::LastAccess, o)->empty());
    EXPECT_EQ(Stamps(f).WriteTime, "2001-01-01 00:00:00");
    EXPECT_EQ(rows[0].WriteTime, "2001-01-01 00:00:00");

    // A: the creation time into both others; the creation text stays.
    if (test::UnderWine()) GTEST_SKIP() << "Wine keeps no creation time: it reports the modification time in its place";
    o.kinds = TimeKinds::FromChecks(false, true, true);
    ASSERT_TRUE(SetTimesFromSource(rows, {0}, TimeSource::Creation, o)->empty());
    EXPECT_EQ(Stamps(f).WriteTime, Stamps(f).CreateTime);
    EXPECT_EQ(Stamps(f).AccessTime, Stamps(f).CreateTime);
    EXPECT_EQ(rows[0].WriteTime, created);
    EXPECT_EQ(rows[0].AccessTime, created);
    EXPECT_EQ(rows[0].CreateTime, created);
}

TEST(SetTimesFromSource, RowTimesRestoreEachKindWithoutReadingTheFile) {
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\p");
    fake.addFile("C:\\p\\a.txt");
    fake.addFile("C:\\p\\b.txt");
    std::vector<FileEntry> rows(4);
    rows[0].Name = "C:\\p\\a.txt";
    rows[0].CreateTime = "2001-01-01 01:01:01";
    rows[0].WriteTime = "2002-02-02 02:02:02";
    rows[0].AccessTime = "2003-03-03 03:03:03";
    rows[1] = rows[0];
    rows[1].Name = "C:\\p\\b.txt";
    rows[1].AccessTime = "not a time";
    rows[2] = rows[0];
    rows[2].Name = "C:\\p\\gone.txt";
    rows[3] = rows[0];
    rows[3].Name = "C:\\p\\gone-too.txt";
    rows[3].WriteTime = ""; // not a time: skipped even though missing
    const auto before = rows;

    SourceOptions o;
    const auto failures = SetTimesFromSource(rows, {0, 1, 2, 3}, TimeSource::Row, o);
    ASSERT_TRUE(failures);
    EXPECT_EQ(failures->paths, std::vector<std::string>{"C:\\p\\gone.txt"});
    EXPECT_EQ(rows, before);
    const auto* a = fake.node("C:\\p\\a.txt");
    EXPECT_EQ(a->creation, LocalDateTimeToFileTime(T("2001-01-01 01:01:01"), fake.offsetSeconds));
    EXPECT_EQ(a->lastWrite, LocalDateTimeToFileTime(T("2002-02-02 02:02:02"), fake.offsetSeconds));
    EXPECT_EQ(a->lastAccess, LocalDateTimeToFileTime(T("2003-03-03 03:03:03"), fake.offsetSeconds));
    EXPECT_EQ(fake.node("C:\\p\\b.txt")->lastWrite, FileTime{}) << "row with a bad text is skipped";
}

TEST(SetTimesFromSource, EarliestAndLatestWithAndWithoutNameTimes) {
    if (test::UnderWine())
        GTEST_SKIP() << "under Wine, Linux moves the access time of a file that is read, and Wine cannot stop it";
    test::TempDir dir;
    const std::string early = dir.file("IMG_20001231_235959.jpg", "no exif here");
    const std::string late = dir.file("IMG_20901231_000000.jpg", "no exif here");
    test::TempDir::setTimes(early, k2005, k2001);
    test::TempDir::setTimes(late, k2005, k2001);
    std::vector<FileEntry> rows{RowOf(early), RowOf(late)};
    SourceOptions o;
    o.kinds = TimeKinds::FromChecks(false, true, false);

    o.includePhotoTime = false;
    ASSERT_TRUE(SetTimesFromSource(rows, {0}, TimeSource::Earliest, o)->empty());
    EXPECT_EQ(rows[0].WriteTime, "2001-01-01 00:00:00") << "midnight keeps the full time text";
    EXPECT_EQ(Stamps(early).WriteTime, "2001-01-01 00:00:00");

    o.includePhotoTime = true;
    test::TempDir::setTimes(early, k2005, k2001);
    ASSERT_TRUE(SetTimesFromSource(rows, {0}, TimeSource::Earliest, o)->empty());
    EXPECT_EQ(rows[0].WriteTime, "2000-12-31 23:59:59");
    EXPECT_EQ(Stamps(early).WriteTime, "2000-12-31 23:59:59");

    // Latest without the name time is the creation (birth) time, which is
    // now; with it, the name's far-future midnight.
    o.includePhotoTime = false;
    o.kinds = TimeKinds::FromChecks(false, false, true);
    ASSERT_TRUE(SetTimesFromSource(rows, {1}, TimeSource::Latest, o)->empty());
    EXPECT_EQ(rows[1].AccessTime, rows[1].CreateTime);
    o.includePhotoTime = true;
    ASSERT_TRUE(SetTimesFromSource(rows, {1}, TimeSource::Latest, o)->empty());
    EXPECT_EQ(rows[1].AccessTime, "2090-12-31 00:00:00");
    EXPECT_EQ(Stamps(late).AccessTime, "2090-12-31 00:00:00");
    EXPECT_EQ(rows[1].NameTime, "2090-12-31 00:00:00") << "source texts are not touched";
}

TEST(SetTimesFromSource, NameTimeSkipsFilesWithoutOne) {
    test::TempDir dir;
    const std::string named = dir.file("sub/IMG_20001231_235959.jpg");
    const std::string plain = dir.file("sub/plain.txt");
    const std::string shifted = dir.file("sub/ab20201031181818.txt");
    test::TempDir::setTimes(plain, k2005, k2005);
    std::vector<FileEntry> rows{RowOf(named), RowOf(plain), RowOf(shifted), RowOf(dir / "IMG_20001231_235959.png")};
    SourceOptions o;
    o.kinds = TimeKinds::FromChecks(false, true, true);
    o.nameOptions.start = 3;
    const auto failures = SetTimesFromSource(rows, {0, 1, 2, 3}, TimeSource::FileName, o);
    ASSERT_TRUE(failures);
    EXPECT_TRUE(failures->empty());
    EXPECT_EQ(Stamps(plain).WriteTime, "2005-05-05 05:05:05");
    EXPECT_EQ(Stamps(shifted).WriteTime, "2020-10-31 18:18:18") << "the start position is honoured";
    EXPECT_EQ(rows[2].WriteTime, "2020-10-31 18:18:18");
    EXPECT_EQ(rows[2].AccessTime, "2020-10-31 18:18:18");
    // Position 3 skips the digits at the start of "IMG_2000...": still found
    // further on, since the digits start at position 5.
    EXPECT_EQ(Stamps(named).WriteTime, "2000-12-31 23:59:59");
}

// A JPEG whose EXIF block holds only the date-time tag of the first
// directory.
std::string JpegWithTime(const std::string& exifTime) {
    std::string tiff = std::string("II\x2A\x00\x08\x00\x00\x00", 8);
    tiff += std::string("\x01\x00", 2);                         // one entry
    tiff += std::string("\x32\x01\x02\x00\x14\x00\x00\x00", 8); // 0x0132 ASCII, 20 bytes
    tiff += std::string("\x1A\x00\x00\x00", 4);                 // at offset 26
    tiff += std::string("\x00\x00\x00\x00", 4);                 // no next directory
    tiff += exifTime + std::string(1, '\0');
    const std::string payload = std::string("Exif\0\0", 6) + tiff;
    const size_t len = payload.size() + 2;
    std::string jpeg = std::string("\xFF\xD8\xFF\xE1", 4);
    jpeg += static_cast<char>(len >> 8);
    jpeg += static_cast<char>(len & 0xFF);
    jpeg += payload;
    jpeg += std::string("\xFF\xD9", 2);
    return jpeg;
}

TEST(SetTimesFromSource, PhotoTimeChangesPhotosAndSkipsTheRest) {
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\p");
    fake.addFile("C:\\p\\photo.jpg", attr::Archive, JpegWithTime("2019:05:04 13:22:10"));
    fake.addFile("C:\\p\\note.txt").lastWrite = FileTime::fromUnix(k2005, 0);
    if (GetPhotoTime("C:\\p\\photo.jpg").empty()) GTEST_SKIP() << "no photo reader in this build";

    std::vector<FileEntry> rows{RowOf("C:\\p\\photo.jpg"), RowOf("C:\\p\\note.txt")};
    ASSERT_EQ(rows[0].PhotoTime, "2019-05-04 13:22:10");
    SourceOptions o;
    o.kinds = TimeKinds::FromChecks(true, true, false);
    const auto failures = SetTimesFromSource(rows, {0, 1}, TimeSource::Photo, o);
    ASSERT_TRUE(failures);
    EXPECT_TRUE(failures->empty());
    EXPECT_EQ(rows[0].CreateTime, "2019-05-04 13:22:10");
    EXPECT_EQ(rows[0].WriteTime, "2019-05-04 13:22:10");
    EXPECT_EQ(fake.node("C:\\p\\photo.jpg")->lastWrite,
              LocalDateTimeToFileTime(T("2019-05-04 13:22:10"), fake.offsetSeconds));
    EXPECT_EQ(fake.node("C:\\p\\note.txt")->lastWrite, FileTime::fromUnix(k2005, 0));

    // Earliest with photo times weighs the shooting time too.
    const FileTime later = LocalDateTimeToFileTime(T("2020-01-01 00:00:00"), fake.offsetSeconds);
    fake.node("C:\\p\\photo.jpg")->lastWrite = later;
    fake.node("C:\\p\\photo.jpg")->creation = later;
    fake.node("C:\\p\\photo.jpg")->lastAccess = later;
    o.kinds = TimeKinds::FromChecks(false, false, true);
    ASSERT_TRUE(SetTimesFromSource(rows, {0}, TimeSource::Earliest, o)->empty());
    EXPECT_EQ(rows[0].AccessTime, "2019-05-04 13:22:10");

    // A photo that cannot be opened is passed over and told with the reason.
    fake.refused["C:\\p\\photo.jpg"] = Failure{5, "Access is denied."};
    const FileTime accessed = fake.node("C:\\p\\photo.jpg")->lastAccess;
    std::vector<std::string> told;
    WriteHooks hooks;
    hooks.onUnreadable = [&](std::string_view path, std::string_view reason) {
        told.push_back(std::string(path) + ": " + std::string(reason));
    };
    ASSERT_TRUE(SetTimesFromSource(rows, {0, 1}, TimeSource::Photo, o, hooks)->empty());
    EXPECT_EQ(told, std::vector<std::string>{"C:\\p\\photo.jpg: Access is denied."});
    EXPECT_EQ(fake.node("C:\\p\\photo.jpg")->lastAccess, accessed);
    EXPECT_EQ(RowOf("C:\\p\\photo.jpg").PhotoUnreadable, "Access is denied.") << "and a row read tells it";
}

TEST(SetTimesFromSource, PhotoTimeSkipsRealFilesWithoutOne) {
    test::TempDir dir;
    const std::string f = dir.file("not-a-photo.jpg", "plain text");
    test::TempDir::setTimes(f, k2005, k2005);
    std::vector<FileEntry> rows{RowOf(f)};
    const auto failures = SetTimesFromSource(rows, {0}, TimeSource::Photo, {});
    ASSERT_TRUE(failures);
    EXPECT_TRUE(failures->empty()) << "the creation kind would fail here if the row were not skipped";
    EXPECT_EQ(Stamps(f).WriteTime, "2005-05-05 05:05:05");
}

TEST(SetTimesFromSource, WriteFailuresAreListedAndUncheckedTextsStay) {
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\p");
    fake.addFile("C:\\p\\a.txt").lastWrite = FileTime::fromUnix(k2005, 0);
    fake.addFile("C:\\p\\locked.txt").lastWrite = FileTime::fromUnix(k2005, 0);
    fake.locked["C:\\P\\LOCKED.TXT"] = true;
    std::vector<FileEntry> rows{RowOf("C:\\p\\locked.txt"), RowOf("C:\\p\\a.txt")};
    rows[1].CreateTime = "kept";
    SourceOptions o;
    o.kinds = TimeKinds::FromChecks(false, false, true);
    const auto failures = SetTimesFromSource(rows, {0, 1}, TimeSource::LastWrite, o);
    ASSERT_TRUE(failures);
    EXPECT_EQ(failures->paths, std::vector<std::string>{"C:\\p\\locked.txt"});
    EXPECT_EQ(rows[1].AccessTime, "2005-05-05 05:05:05");
    EXPECT_EQ(rows[1].CreateTime, "kept");
    EXPECT_EQ(rows[0].AccessTime, "1601-01-01 08:00:00") << "a failed row keeps its texts";
}

TEST(SetTimesFromSource, DryRunLeavesFilesAndRowsAndReportsEachStamp) {
    test::TempDir dir;
    const std::string f = dir.file("a.txt");
    test::TempDir::setTimes(f, k2005, k2001);
    std::vector<FileEntry> rows{RowOf(f)};
    const auto before = rows;
    std::vector<std::string> seen;
    WriteHooks hooks{true,
                     [&](std::string_view, TimeKind kind, std::string_view o, std::string_view n, FileTime, FileTime) {
                         seen.push_back(std::to_string(static_cast<int>(kind)) + " " + std::string(o) + " -> " +
                                        std::string(n));
                     },
                     {}};
    SourceOptions o;
    o.kinds = TimeKinds::FromChecks(false, true, true);
    ASSERT_TRUE(SetTimesFromSource(rows, {0}, TimeSource::LastAccess, o, hooks)->empty());
    EXPECT_EQ(seen, (std::vector<std::string>{"2 2005-05-05 05:05:05 -> 2001-01-01 00:00:00",
                                              "3 2001-01-01 00:00:00 -> 2001-01-01 00:00:00"}));
    EXPECT_EQ(rows, before);
    EXPECT_EQ(Stamps(f).WriteTime, "2005-05-05 05:05:05");
    ASSERT_TRUE(SetTimesFromPickers(rows, {0}, Pickers(TimeKinds::FromChecks(false, true, true)), hooks)->empty());
    EXPECT_EQ(rows, before);
    EXPECT_EQ(Stamps(f).WriteTime, "2005-05-05 05:05:05");
}

TEST(SetTimesFromSource, StampsPastTheYear9999AreNoUsableValue) {
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\p");
    auto& n = fake.addFile("C:\\p\\far.txt");
    n.lastWrite = LocalDateTimeToFileTime(DateTime::fromFields({12000, 1, 1}), fake.offsetSeconds);
    n.creation = FileTime::fromUnix(k2005, 0);
    n.lastAccess = FileTime::fromUnix(k2005, 0);
    std::vector<FileEntry> rows{RowOf("C:\\p\\far.txt")};
    SourceOptions o;
    o.kinds = TimeKinds::FromChecks(false, false, true);
    for (TimeSource source : {TimeSource::LastWrite, TimeSource::Earliest, TimeSource::Latest}) {
        const auto failures = SetTimesFromSource(rows, {0}, source, o);
        ASSERT_TRUE(failures);
        EXPECT_TRUE(failures->empty()) << "skipped, not failed: source " << static_cast<int>(source);
    }
    EXPECT_EQ(fake.setTimeCalls, 0);
    ASSERT_TRUE(SetTimesFromSource(rows, {0}, TimeSource::Creation, o)->empty());
    EXPECT_EQ(fake.setTimeCalls, 1);
}

TEST(CombinePickers, DateOfOneTimeOfDayOfTheOtherToWholeSeconds) {
    EXPECT_EQ(FormatTimeText(CombinePickers(T("2020-02-29 23:59:59"), T("1999-01-01 07:08:09.999"))),
              "2020-02-29 07:08:09");
    EXPECT_EQ(CombinePickers(T("2020-02-29 23:59:59"), T("1999-01-01 07:08:09.999")).ms() % 1000, 0);
}

} // namespace
} // namespace kdx
