// The time writer on real files and, for what Linux cannot show (settable
// creation times, the read-only attribute of Windows, locked files), on the
// fake platform.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "core/journal/journal.h"
#include "core/lists/file_entry.h"
#include "core/timeops/undo.h"
#include "core/timeops/writer.h"
#include "entry_helpers.h"
#include "fake_platform.h"
#include "temp_dir.h"

namespace kdx {
using test::Stamps;

namespace {

namespace fs = std::filesystem;

DateTime T(const char* text) {
    return *ParseTimeText(text);
}

// 2020-10-31 18:18:18 at UTC+8, the zone the tests run in.
constexpr int64_t kOct31 = 1604139498;

TEST(WriteFileTime, WritesOneStampToWholeSecondsAndLeavesTheOthers) {
    test::TempDir dir;
    const std::string f = dir.file("a.txt", "x");
    test::TempDir::setTimes(f, 1500000000, 1500000100);
    const EntryTimes before = Stamps(f);

    ASSERT_TRUE(
        WriteFileTime(f, TimeKind::LastWrite, DateTime::fromMs(T("2020-10-31 18:18:18").ms() + 750), true, true));
    const auto info = hostPlatform().findEntry(f);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->lastWrite, FileTime::fromUnix(kOct31, 0)) << "sub-second part dropped, not rounded";
    EXPECT_EQ(info->lastAccess, FileTime::fromUnix(1500000100, 0));

    ASSERT_TRUE(WriteFileTime(f, TimeKind::LastAccess, T("2001-02-03 04:05:06"), true, true));
    const EntryTimes after = Stamps(f);
    EXPECT_EQ(after.WriteTime, "2020-10-31 18:18:18");
    EXPECT_EQ(after.AccessTime, "2001-02-03 04:05:06");
    if (test::UnderWine()) GTEST_SKIP() << "Wine keeps no creation time: it reports the modification time in its place";
    EXPECT_EQ(after.CreateTime, before.CreateTime);
}

TEST(WriteFileTime, DateOnlyAndTimeOnlyKeepTheOtherPartOfTheCurrentStamp) {
    test::TempDir dir;
    const std::string f = dir.file("a.txt");
    test::TempDir::setTimes(f, kOct31, kOct31);

    ASSERT_TRUE(WriteFileTime(f, TimeKind::LastWrite, T("2001-01-01 09:00:00"), true, false));
    EXPECT_EQ(Stamps(f).WriteTime, "2001-01-01 18:18:18");

    ASSERT_TRUE(WriteFileTime(f, TimeKind::LastAccess, T("2001-01-01 09:07:05.999"), false, true));
    EXPECT_EQ(Stamps(f).AccessTime, "2020-10-31 09:07:05");

    // Neither part: nothing changes.
    ASSERT_TRUE(WriteFileTime(f, TimeKind::LastWrite, T("1999-09-09 09:09:09"), false, false));
    EXPECT_EQ(Stamps(f).WriteTime, "2001-01-01 18:18:18");
}

TEST(WriteFileTime, FoldersWithAndWithoutTrailingSeparators) {
    test::TempDir dir;
    const std::string d = dir.folder("sub");
    ASSERT_TRUE(WriteFileTime(d, TimeKind::LastWrite, T("2011-11-11 11:11:11"), true, true));
    EXPECT_EQ(Stamps(d).WriteTime, "2011-11-11 11:11:11");
    ASSERT_TRUE(WriteFileTime(d + "//", TimeKind::LastWrite, T("2012-12-12 12:12:12"), true, true));
    EXPECT_EQ(Stamps(d).WriteTime, "2012-12-12 12:12:12");
}

TEST(WriteFileTime, ALinkWithATrailingSeparatorIsTheFolderItPointsTo) {
#ifdef _WIN32
    GTEST_SKIP() << "making links needs a privilege tests do not have";
#else
    test::TempDir dir;
    const std::string real = dir.folder("real");
    const std::string link = dir / "link";
    fs::create_directory_symlink(real, link);
    test::TempDir::setTimes(real, 1500000000, 1500000000);
    const auto linkItself = [&] { return hostPlatform().findEntry(link)->lastWrite; };
    const FileTime before = linkItself();

    ASSERT_TRUE(WriteFileTime(link + "/", TimeKind::LastWrite, T("2011-11-11 11:11:11"), true, true));
    EXPECT_EQ(Stamps(real).WriteTime, "2011-11-11 11:11:11");
    EXPECT_EQ(linkItself(), before);
    EXPECT_EQ(Stamps(link + "/").WriteTime, "2011-11-11 11:11:11") << "read the same way";

    ASSERT_TRUE(WriteFileTime(link, TimeKind::LastWrite, T("2012-12-12 12:12:12"), true, true));
    EXPECT_EQ(Stamps(link).WriteTime, "2012-12-12 12:12:12");
    EXPECT_EQ(Stamps(real).WriteTime, "2011-11-11 11:11:11") << "without the separator, the link itself";
#endif
}

TEST(WriteFileTime, ReadOnlyFileOnPosixIsStampedWithoutTouchingPermissions) {
#ifdef _WIN32
    GTEST_SKIP()
        << "POSIX permission bits; Windows' read-only bit: Win32Platform.ReadOnlyEntriesAreStampedAndStayReadOnly";
#endif
    test::TempDir dir;
    const std::string f = dir.file("ro.txt", "x");
    fs::permissions(f, fs::perms::owner_read | fs::perms::group_read, fs::perm_options::replace);
    ASSERT_TRUE(WriteFileTime(f, TimeKind::LastWrite, T("2005-05-05 05:05:05"), true, true));
    EXPECT_EQ(Stamps(f).WriteTime, "2005-05-05 05:05:05");
    EXPECT_EQ(fs::status(f).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::group_read);
}

TEST(WriteFileTime, MissingPathsFailUnlessThereIsNothingToDo) {
    test::TempDir dir;
    const std::string missing = dir / "missing.txt";
    EXPECT_FALSE(WriteFileTime(missing, TimeKind::LastWrite, T("2001-01-01 00:00:00"), true, true));
    EXPECT_FALSE(WriteFileTime(missing, TimeKind::Creation, T("2001-01-01 00:00:00"), true, false));
    EXPECT_FALSE(WriteFileTime("", TimeKind::LastAccess, T("2001-01-01 00:00:00"), false, true));
    EXPECT_TRUE(WriteFileTime(missing, TimeKind::NotChosen, T("2001-01-01 00:00:00"), true, true));
    EXPECT_TRUE(WriteFileTime(missing, static_cast<TimeKind>(7), T("2001-01-01 00:00:00"), true, true));
    EXPECT_TRUE(WriteFileTime(missing, TimeKind::LastWrite, T("2001-01-01 00:00:00"), false, false));
    EXPECT_FALSE(fs::exists(missing));
}

TEST(WriteFileTime, CreationFailsWhereTheSystemCannotSetIt) {
    test::TempDir dir;
    const std::string f = dir.file("a.txt");
    if (hostPlatform().canSetCreationTime())
        GTEST_SKIP() << "this system sets creation times (Win32Platform.SetsTheCreationTimeAlone)";
    const EntryTimes before = Stamps(f);
    EXPECT_FALSE(WriteFileTime(f, TimeKind::Creation, T("2001-01-01 00:00:00"), true, true));
    WriteHooks dry{true, {}, {}};
    EXPECT_FALSE(WriteFileTime(f, TimeKind::Creation, T("2001-01-01 00:00:00"), true, true, dry))
        << "a dry run must not promise what the real run cannot do";
    EXPECT_EQ(Stamps(f).CreateTime, before.CreateTime);
}

TEST(WriteFileTime, ValuesOutsideTheYearsOneTo9999Fail) {
    test::TempDir dir;
    const std::string f = dir.file("a.txt");
    test::TempDir::setTimes(f, kOct31, kOct31);
    EXPECT_FALSE(WriteFileTime(f, TimeKind::LastWrite, DateTime::fromMs(-1000), true, true));
    const DateTime year10000 = DateTime::fromMs(DateTime::fromFields({9999, 12, 31}).ms() + DateTime::MsPerDay);
    EXPECT_FALSE(WriteFileTime(f, TimeKind::LastWrite, year10000, true, true));
    EXPECT_FALSE(WriteFileTime(f, TimeKind::LastWrite, year10000, true, false));
    EXPECT_EQ(Stamps(f).WriteTime, "2020-10-31 18:18:18");
    EXPECT_TRUE(WriteFileTime(f, TimeKind::LastWrite, year10000, false, true)) << "only its time of day is taken";
    EXPECT_EQ(Stamps(f).WriteTime, "2020-10-31 00:00:00");
}

TEST(WriteHooks, EachFailedWriteIsToldWithItsReason) {
    test::TempDir dir;
    const std::string f = dir.file("a.txt");
    std::vector<std::string> reasons;
    WriteHooks hooks;
    hooks.onFailure = [&reasons](std::string_view, std::string_view reason) { reasons.emplace_back(reason); };
    const DateTime year10000 = DateTime::fromMs(DateTime::fromFields({9999, 12, 31}).ms() + DateTime::MsPerDay);
    EXPECT_FALSE(WriteFileTime(dir / "missing.txt", TimeKind::LastWrite, T("2001-01-01 00:00:00"), true, true, hooks));
    EXPECT_FALSE(WriteFileTime(f, TimeKind::LastWrite, year10000, true, false, hooks));
    ASSERT_EQ(reasons.size(), 2u);
#ifndef _WIN32
    EXPECT_EQ(reasons[0], std::strerror(ENOENT));
#endif
    EXPECT_FALSE(reasons[0].empty());
    EXPECT_EQ(reasons[1], OutsideYears);

    // A refusal and a creation time where none can be set, as the system
    // gives them.
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    fake.creationSettable = false;
    fake.addFolder("C:\\t");
    fake.addFile("C:\\t\\theirs.txt");
    fake.refused["C:\\t\\theirs.txt"] = Failure{5, "Access is denied."};
    reasons.clear();
    EXPECT_FALSE(WriteFileTime("C:\\t\\theirs.txt", TimeKind::LastWrite, T("2001-01-01 00:00:00"), true, true, hooks));
    EXPECT_FALSE(WriteFileTime("C:\\t\\theirs.txt", TimeKind::Creation, T("2001-01-01 00:00:00"), true, true, hooks));
    EXPECT_EQ(reasons, (std::vector<std::string>{"Access is denied.", std::string(CreationNotSettable)}));
}

TEST(WriteHooks, DryRunReportsEachChangeAndWritesNothing) {
    test::TempDir dir;
    const std::string f = dir.file("a.txt");
    test::TempDir::setTimes(f, kOct31, kOct31);
    struct Seen {
        std::string path;
        TimeKind kind;
        std::string oldText, newText;
    };
    std::vector<Seen> seen;
    WriteHooks hooks{true,
                     [&](std::string_view p, TimeKind k, std::string_view o, std::string_view n, FileTime, FileTime) {
                         seen.push_back({std::string(p), k, std::string(o), std::string(n)});
                     },
                     {}};
    const StampChange changes[] = {{TimeKind::NotChosen, T("2001-01-01 00:00:00")},
                                   {TimeKind::LastWrite, T("2001-01-01 01:02:03")},
                                   {TimeKind::LastAccess, T("2002-02-02 00:00:00"), false, true}};
    ASSERT_TRUE(WriteFileTimes(f, changes, hooks));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].path, f);
    EXPECT_EQ(seen[0].kind, TimeKind::LastWrite);
    EXPECT_EQ(seen[0].oldText, "2020-10-31 18:18:18");
    EXPECT_EQ(seen[0].newText, "2001-01-01 01:02:03");
    EXPECT_EQ(seen[1].kind, TimeKind::LastAccess);
    EXPECT_EQ(seen[1].newText, "2020-10-31 00:00:00");
    EXPECT_EQ(Stamps(f).WriteTime, "2020-10-31 18:18:18");

    // A real run tells the observer what it wrote.
    seen.clear();
    hooks.dryRun = false;
    ASSERT_TRUE(WriteFileTimes(f, changes, hooks));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(Stamps(f).WriteTime, "2001-01-01 01:02:03");
    EXPECT_EQ(Stamps(f).AccessTime, "2020-10-31 00:00:00");

    // A dry run on a missing file fails as the real one would.
    seen.clear();
    hooks.dryRun = true;
    EXPECT_FALSE(WriteFileTimes(dir / "gone", changes, hooks));
    EXPECT_TRUE(seen.empty());
}

WriteHooks Watching(std::vector<std::string>& reasons, std::vector<std::string>* told = nullptr) {
    WriteHooks hooks;
    if (told)
        hooks.observer = [told](std::string_view, TimeKind, std::string_view, std::string_view newText, FileTime,
                                FileTime) { told->emplace_back(newText); };
    hooks.onFailure = [&reasons](std::string_view, std::string_view reason) { reasons.emplace_back(reason); };
    return hooks;
}

TEST(WriteFileTime, AStampTheFileSystemKeepsOtherwiseFailsWithTheValueItKept) {
    test::FakePlatform fake;
    fake.needWritable = false; // no read needed before writing whole values
    fake.earliestStamp = LocalDateTimeToFileTime(T("1980-01-01 00:00:00"), fake.offsetSeconds);
    fake.latestStamp = LocalDateTimeToFileTime(T("2107-12-31 23:59:58"), fake.offsetSeconds);
    fake.fatResolution = true;
    ScopedPlatform use(fake);
    fake.addFile("C:\\a.txt");
    std::vector<std::string> mismatches;
    std::vector<std::string> told;

    // Read first (an observer watches) and written straight away: both see it.
    for (WriteHooks hooks : {Watching(mismatches, &told), Watching(mismatches)}) {
        mismatches.clear();
        told.clear();
        const Status written =
            WriteFileTime("C:\\a.txt", TimeKind::LastWrite, T("1970-01-01 00:00:00"), true, true, hooks);
        ASSERT_FALSE(written);
        EXPECT_EQ(written.error().reason, "文件系统将修改时间存为 1980-01-01 00:00:00，而不是 1970-01-01 00:00:00");
        EXPECT_EQ(mismatches, std::vector<std::string>{written.error().reason}) << "told once, the same reason";
        EXPECT_TRUE(told.empty()) << "a stamp that does not hold is not reported as written";
    }

    // What only shows the file system's resolution is written, and told as kept.
    const StampChange changes[] = {{TimeKind::LastWrite, T("2020-10-31 18:18:19")},
                                   {TimeKind::LastAccess, T("2020-10-31 18:18:19")}};
    mismatches.clear();
    told.clear();
    EXPECT_TRUE(WriteFileTimes("C:\\a.txt", changes, Watching(mismatches, &told)));
    EXPECT_TRUE(mismatches.empty());
    EXPECT_EQ(told, (std::vector<std::string>{"2020-10-31 18:18:18", "2020-10-31 00:00:00"}));
    EXPECT_TRUE(WriteFileTimes("C:\\a.txt", changes, Watching(mismatches)));
    EXPECT_TRUE(mismatches.empty());
    // A clamp two seconds away is no rounding: FAT's rounds by less.
    EXPECT_FALSE(WriteFileTime("C:\\a.txt", TimeKind::LastWrite, T("1979-12-31 23:59:58"), true, true, {}));
}

TEST(WriteFileTime, YearsTheLocalFileSystemCannotHoldFailWithTheValueItKept) {
    test::TempDir dir;
    const std::string f = dir.file("a.txt");
    const FileTime year1 = LocalDateTimeToFileTime(T("0001-01-01 00:00:00"));
    if (!hostPlatform().setFileTime(f, TimeKind::LastWrite, year1))
        GTEST_SKIP() << "this system refuses year 1 outright (Windows stamps start in 1601)";
    if (hostPlatform().findEntry(f)->lastWrite == year1)
        GTEST_SKIP() << "this file system holds year 1 (ext4 and FAT clamp it; tmpfs and NTFS do not)";

    for (const char* wanted : {"0001-01-01 00:00:00", "9999-12-31 00:00:00"}) {
        test::TempDir::setTimes(f, kOct31, kOct31);
        const Status written = WriteFileTime(f, TimeKind::LastWrite, T(wanted), true, true);
        ASSERT_FALSE(written) << wanted;
        EXPECT_EQ(written.error().reason,
                  "文件系统将修改时间存为 " + Stamps(f).WriteTime + "，而不是 " + std::string(wanted))
            << "the value the file now holds";
    }
}

// A Windows-like platform that records how attributes were handled.
struct RecordingPlatform : test::FakePlatform {
    int setAttributeCalls = 0;
    bool failSetAttributes = false;
    bool failPuttingBack = false; // the read-only bit, once cleared
    std::vector<uint32_t> attributesWhenStamped;

    Status setAttributes(const std::string& path, uint32_t attributes) override {
        ++setAttributeCalls;
        if (failSetAttributes || (failPuttingBack && (attributes & attr::ReadOnly)))
            return Failure{5, "Access is denied."};
        return FakePlatform::setAttributes(path, attributes);
    }
    Status setFileTime(const std::string& path, TimeKind kind, FileTime value) override {
        if (const Node* n = node(path)) attributesWhenStamped.push_back(n->attributes);
        return FakePlatform::setFileTime(path, kind, value);
    }
};

TEST(WriteFileTime, WindowsReadOnlyBitIsClearedForTheWriteAndRestoredWhateverHappened) {
    RecordingPlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\d");
    fake.addFile("C:\\d\\ro.txt", attr::Archive | attr::ReadOnly);
    fake.addFile("C:\\d\\locked.txt", attr::Archive | attr::ReadOnly);
    fake.locked["C:\\D\\LOCKED.TXT"] = true;

    ASSERT_TRUE(WriteFileTime("C:\\d\\ro.txt", TimeKind::Creation, T("2001-01-01 08:00:00"), true, true));
    EXPECT_EQ(fake.node("C:\\d\\ro.txt")->creation, FileTime::fromUnix(978307200, 0));
    EXPECT_EQ(fake.node("C:\\d\\ro.txt")->attributes, attr::Archive | attr::ReadOnly);
    ASSERT_EQ(fake.attributesWhenStamped.size(), 2u) << "refused, then written once the bit is cleared";
    EXPECT_EQ(fake.attributesWhenStamped[1], attr::Archive);

    EXPECT_FALSE(WriteFileTime("C:\\d\\locked.txt", TimeKind::LastWrite, T("2001-01-01 08:00:00"), true, true));
    EXPECT_EQ(fake.node("C:\\d\\locked.txt")->attributes, attr::Archive | attr::ReadOnly);

    // Three stamps of one entry: unlocked once, locked again once.
    fake.setAttributeCalls = 0;
    const StampChange all[] = {{TimeKind::Creation, T("2002-01-01 00:00:00")},
                               {TimeKind::LastWrite, T("2003-01-01 00:00:00")},
                               {TimeKind::LastAccess, T("2004-01-01 00:00:00")}};
    ASSERT_TRUE(WriteFileTimes("C:\\d\\ro.txt\\", all, {}));
    EXPECT_EQ(fake.setAttributeCalls, 2);
    EXPECT_EQ(fake.node("C:\\d\\ro.txt")->attributes, attr::Archive | attr::ReadOnly);
    EXPECT_EQ(fake.node("C:\\d\\ro.txt")->lastAccess, LocalDateTimeToFileTime(T("2004-01-01 00:00:00"), 8 * 3600));

    // Stamps written, but the bit could not be put back: not a success,
    // and said with the system's reason.
    fake.failPuttingBack = true;
    const Status unprotected =
        WriteFileTime("C:\\d\\ro.txt", TimeKind::LastWrite, T("2005-01-01 00:00:00"), true, true);
    ASSERT_FALSE(unprotected);
    EXPECT_EQ(unprotected.error().reason, "未能恢复只读属性：Access is denied.");
    EXPECT_EQ(fake.node("C:\\d\\ro.txt")->lastWrite, LocalDateTimeToFileTime(T("2005-01-01 00:00:00"), 8 * 3600));
    EXPECT_EQ(fake.node("C:\\d\\ro.txt")->attributes, attr::Archive);
    // Neither the stamps nor the bit: both said.
    const Status neither =
        WriteFileTime("C:\\d\\locked.txt", TimeKind::LastWrite, T("2005-01-01 00:00:00"), true, true);
    ASSERT_FALSE(neither);
    EXPECT_TRUE(neither.error().reason.ends_with("；未能恢复只读属性：Access is denied.")) << neither.error().reason;
}

TEST(WriteFileTime, AnUndoThatCannotPutTheReadOnlyBitBackListsTheEntry) {
    RecordingPlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\d");
    fake.addFile("C:\\d\\ro.txt", attr::Archive | attr::ReadOnly);
    {
        auto journal = Journal::Begin("set");
        ASSERT_TRUE(journal);
        WriteHooks hooks;
        hooks.journal = journal->get();
        ASSERT_TRUE(WriteFileTime("C:\\d\\ro.txt", TimeKind::LastWrite, T("2001-01-01 08:00:00"), true, true, hooks));
        ASSERT_TRUE((*journal)->finish());
    }
    fake.failPuttingBack = true;
    const auto undone = UndoCommand(0, {});
    ASSERT_TRUE(undone) << undone.error().reason;
    EXPECT_EQ(undone->restored, 0u);
    ASSERT_EQ(undone->leftAlone.size(), 1u);
    EXPECT_EQ(undone->leftAlone[0].second, "时间已恢复，但未能恢复只读属性：Access is denied.");
}

TEST(WriteFileTime, WindowsReadOnlyBitIsClearedOnlyWhenTheStampIsRefusedAndOnlyThatBit) {
    RecordingPlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\d");
    constexpr uint32_t Pinned = 0x80000;
    const uint32_t customised = attr::Directory | attr::ReadOnly | attr::System | Pinned;
    fake.addFolder("C:\\d\\album", customised);
    fake.readOnlyRefusesTimes = false; // as NTFS: attribute writes are allowed
    ASSERT_TRUE(WriteFileTime("C:\\d\\album", TimeKind::LastWrite, T("2001-01-01 08:00:00"), true, true));
    EXPECT_EQ(fake.setAttributeCalls, 0) << "the folder keeps its customisation";
    EXPECT_EQ(fake.node("C:\\d\\album")->lastWrite, LocalDateTimeToFileTime(T("2001-01-01 08:00:00"), 8 * 3600));

    fake.readOnlyRefusesTimes = true;
    ASSERT_TRUE(WriteFileTime("C:\\d\\album", TimeKind::LastWrite, T("2002-01-01 08:00:00"), true, true));
    ASSERT_EQ(fake.attributesWhenStamped.size(), 3u);
    EXPECT_EQ(fake.attributesWhenStamped.back(), customised & ~attr::ReadOnly) << "only the read-only bit cleared";
    EXPECT_EQ(fake.node("C:\\d\\album")->attributes, customised);
}

TEST(WriteFileTime, LeavesAttributesAloneWhereStampsDoNotNeedWriting) {
    RecordingPlatform fake;
    fake.needWritable = false;
    fake.sep = '/';
    fake.ignoreCase = false;
    ScopedPlatform use(fake);
    fake.addFolder("/d");
    fake.addFile("/d/ro.txt", attr::Archive | attr::ReadOnly);
    fake.addFile("/d/foreign.txt", attr::Archive | attr::ReadOnly);
    fake.locked["/d/foreign.txt"] = true; // not the owner: the system refuses

    EXPECT_TRUE(WriteFileTime("/d/ro.txt", TimeKind::LastWrite, T("2001-01-01 08:00:00"), true, true));
    EXPECT_FALSE(WriteFileTime("/d/foreign.txt", TimeKind::LastWrite, T("2001-01-01 08:00:00"), true, true));
    EXPECT_EQ(fake.setAttributeCalls, 0);
}

TEST(WriteFileTimes, StopsAtTheFirstFailingChange) {
    test::FakePlatform fake;
    fake.creationSettable = false;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\d");
    auto& n = fake.addFile("C:\\d\\a.txt");
    n.lastWrite = FileTime::fromUnix(kOct31, 0);
    const StampChange changes[] = {{TimeKind::Creation, T("2001-01-01 00:00:00")},
                                   {TimeKind::LastWrite, T("2001-01-01 00:00:00")}};
    EXPECT_FALSE(WriteFileTimes("C:\\d\\a.txt", changes));
    EXPECT_EQ(fake.setTimeCalls, 0);
    EXPECT_EQ(fake.node("C:\\d\\a.txt")->lastWrite, FileTime::fromUnix(kOct31, 0));
}

TEST(AdjustReadOnly, ReportsTheFormerStateAndFailedChanges) {
    RecordingPlatform fake;
    ScopedPlatform use(fake);
    fake.addFile("C:\\a.txt", attr::Archive | attr::ReadOnly | attr::Hidden);
    fake.addFile("C:\\b.txt", attr::Archive);

    ReadOnlyState s = AdjustReadOnly("C:\\a.txt", true);
    EXPECT_TRUE(s.wasReadOnly);
    EXPECT_TRUE(s.ok);
    EXPECT_EQ(fake.node("C:\\a.txt")->attributes, attr::Archive | attr::Hidden);

    s = AdjustReadOnly("C:\\b.txt", true); // nothing to clear
    EXPECT_FALSE(s.wasReadOnly);
    EXPECT_EQ(fake.setAttributeCalls, 1);

    s = AdjustReadOnly("C:\\b.txt", false);
    EXPECT_FALSE(s.wasReadOnly);
    EXPECT_EQ(fake.node("C:\\b.txt")->attributes, attr::Archive | attr::ReadOnly);

    fake.failSetAttributes = true;
    s = AdjustReadOnly("C:\\b.txt", true);
    EXPECT_TRUE(s.wasReadOnly);
    EXPECT_FALSE(s.ok);
}

} // namespace
} // namespace kdx
