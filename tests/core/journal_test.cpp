#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/journal/journal.h"
#include "core/sync/dirsync.h"
#include "core/sync/pairs.h"
#include "core/timeops/name_commands.h"
#include "core/timeops/set_times.h"
#include "core/timeops/shift.h"
#include "core/timeops/undo.h"
#include "core/timeops/writer.h"
#include "fake_platform.h"
#include "platform/platform.h"
#include "temp_dir.h"

namespace kdx {
namespace {

namespace fs = std::filesystem;

void SetEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

// A journal of its own in a temporary folder for each test.
class Journaled : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("KAIRODEX_JOURNAL")) m_old = old;
        SetEnvironment("KAIRODEX_JOURNAL", dir / "journal");
    }
    void TearDown() override { SetEnvironment("KAIRODEX_JOURNAL", m_old); }

    // The stamps as the platform reads them, to the nanosecond.
    static EntryInfo Info(const std::string& path) { return *hostPlatform().findEntry(path); }

    // The modification and access times written as the writer writes
    // them, recorded in a journal of one command.
    static void WriteJournaled(const std::vector<std::string>& paths, const std::string& value) {
        auto journal = Journal::Begin("set --to " + value);
        ASSERT_TRUE(journal) << journal.error().reason;
        WriteHooks hooks;
        hooks.journal = journal->get();
        for (const std::string& p : paths)
            ASSERT_TRUE(WriteSameTime(p, TimeKinds::FromChecks(false, true, true), *ParseTimeText(value), hooks));
        ASSERT_TRUE((*journal)->finish());
    }

    test::TempDir dir;

private:
    std::string m_old;
};

// A stamp with nanoseconds below the tick where the file system keeps them.
FileTime Odd(int64_t seconds) {
    return FileTime::fromUnix(seconds, hostPlatform().separator() == '/' ? 123'456'789 : 123'456'700);
}

TEST_F(Journaled, UndoGivesBackEveryStampExactlyAndIsItselfUndoable) {
    const std::string a = dir.file("a.txt"), b = dir.file("b.txt");
    ASSERT_TRUE(hostPlatform().setFileTime(a, TimeKind::LastWrite, Odd(1'600'000'000)));
    ASSERT_TRUE(hostPlatform().setFileTime(b, TimeKind::LastWrite, Odd(1'500'000'000)));
    WriteJournaled({a, b}, "2001-01-01 00:00:00");
    const FileTime written = Info(a).lastWrite;
    ASSERT_NE(written, Odd(1'600'000'000));

    const auto undone = UndoCommand(0, {});
    ASSERT_TRUE(undone) << undone.error().reason;
    EXPECT_EQ(undone->restored, 2u);
    EXPECT_TRUE(undone->leftAlone.empty());
    EXPECT_EQ(Info(a).lastWrite, Odd(1'600'000'000)) << "to the nanosecond";
    EXPECT_EQ(Info(b).lastWrite, Odd(1'500'000'000));

    // Nothing left to take back by default; the undo itself by its number.
    EXPECT_FALSE(UndoCommand(0, {}));
    EXPECT_FALSE(UndoCommand(undone->undoneId, {})) << "taken back once only";
    ASSERT_TRUE(UndoCommand(undone->journalId, {}));
    EXPECT_EQ(Info(a).lastWrite, written);

    const std::vector<JournalEntry> entries = ReadJournal();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].undoneBy, entries[1].id);
    EXPECT_EQ(entries[1].undoneBy, entries[2].id);
    EXPECT_TRUE(entries[2].finished);
}

TEST_F(Journaled, AnEntryChangedSinceIsLeftAloneWholeUnlessForced) {
    const std::string a = dir.file("a.txt"), b = dir.file("b.txt");
    WriteJournaled({a, b}, "2001-01-01 00:00:00");
    // One of the two stamps written to b changes since.
    const FileTime later = FileTime::fromUnix(1'234'567'890, 0);
    ASSERT_TRUE(hostPlatform().setFileTime(b, TimeKind::LastAccess, later));
    const FileTime writtenToB = Info(b).lastWrite;

    UndoOptions dry;
    dry.dryRun = true;
    std::vector<std::string> told;
    dry.observer = [&](std::string_view path, TimeKind, std::string_view, std::string_view, FileTime, FileTime) {
        told.emplace_back(path);
    };
    const FileTime written = Info(a).lastWrite;
    const auto preview = UndoCommand(0, dry);
    ASSERT_TRUE(preview);
    EXPECT_EQ(told, (std::vector<std::string>{a, a})) << "both stamps of a, none of b";
    EXPECT_EQ(Info(a).lastWrite, written) << "a dry run writes nothing";
    EXPECT_EQ(ReadJournal().size(), 1u) << "a dry run records and marks nothing";

    const auto undone = UndoCommand(0, {});
    ASSERT_TRUE(undone);
    EXPECT_EQ(undone->restored, 1u) << "entries, not stamps";
    EXPECT_EQ(undone->leftAlone, (std::vector<std::pair<std::string, std::string>>{{b, std::string(ChangedSince)}}));
    EXPECT_EQ(Info(b).lastAccess, later) << "left alone";
    EXPECT_EQ(Info(b).lastWrite, writtenToB) << "the unchanged stamp too";

    UndoOptions force;
    force.force = true;
    ASSERT_TRUE(UndoCommand(0, force)) << "not taken back while something was left";
    EXPECT_NE(Info(b).lastAccess, later);
    EXPECT_NE(Info(b).lastWrite, writtenToB);
    EXPECT_FALSE(UndoCommand(0, {}));
}

TEST_F(Journaled, AnUnreadableNewerRecordIsToldAndStopsAnUndoWithoutANumber) {
    const std::string a = dir.file("a.txt"), b = dir.file("b.txt");
    WriteJournaled({a}, "2001-01-01 00:00:00");
    WriteJournaled({b}, "2002-02-02 00:00:00");
    const FileTime written = Info(a).lastWrite;
    // A line of the newest record damaged: it may be the last command.
    std::ofstream(dir / "journal/2.kdxj", std::ios::app | std::ios::binary) << "end\t00000000\n";

    std::vector<std::string> damaged;
    UndoOptions options;
    options.onDamaged = [&](std::string_view file, std::string_view) { damaged.emplace_back(file); };
    const auto refused = UndoCommand(0, options);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().reason.find("命令 1"), std::string::npos) << refused.error().reason;
    EXPECT_EQ(damaged, std::vector<std::string>{dir / "journal/2.kdxj"});
    EXPECT_EQ(Info(a).lastWrite, written);

    ASSERT_TRUE(UndoCommand(1, {})) << "named, it is taken back";
    EXPECT_NE(Info(a).lastWrite, written);
}

TEST_F(Journaled, RenamesGoBackWithoutReplacing) {
    const std::string wechat = dir.file("mmexport1604139498000.jpg", "photo");
    std::vector<FileEntry> rows(1);
    rows[0].Name = wechat;
    auto journal = Journal::Begin("rename-wechat");
    ASSERT_TRUE(journal);
    RenameHooks hooks;
    hooks.journal = journal->get();
    ASSERT_TRUE(RenameWeChatFiles(rows, {0}, NameTimeOptions{}, hooks)->empty());
    ASSERT_TRUE((*journal)->finish());
    const std::string renamed = rows[0].Name;
    ASSERT_NE(renamed, wechat);

    // The old name taken meanwhile: nothing is replaced.
    dir.file("mmexport1604139498000.jpg", "another");
    const auto blocked = UndoCommand(0, {});
    ASSERT_TRUE(blocked);
    EXPECT_EQ(blocked->restored, 0u);
    EXPECT_EQ(blocked->leftAlone.size(), 1u);
    EXPECT_TRUE(fs::exists(renamed));

    // Left alone, the command stays to be undone once the way is free.
    fs::remove(wechat);
    const auto undone = UndoCommand(0, {});
    ASSERT_TRUE(undone) << undone.error().reason;
    EXPECT_TRUE(fs::exists(wechat));
    EXPECT_FALSE(fs::exists(renamed));
}

TEST_F(Journaled, AKilledCommandCanBeUndoneAndDamagedFilesAreSkipped) {
    const std::string a = dir.file("a.txt");
    const FileTime before = Odd(1'600'000'000);
    ASSERT_TRUE(hostPlatform().setFileTime(a, TimeKind::LastWrite, before));
    {
        // Killed after its first write: no end, and a torn last line.
        auto journal = Journal::Begin("set");
        ASSERT_TRUE(journal);
        WriteHooks hooks;
        hooks.journal = journal->get();
        ASSERT_TRUE(WriteFileTime(a, TimeKind::LastWrite, *ParseTimeText("2001-01-01 00:00:00"), true, true, hooks));
    }
    std::ofstream(dir / "journal/1.kdxj", std::ios::app | std::ios::binary) << "S\t/half";
    std::ofstream(dir / "journal/7.kdxj", std::ios::binary) << "a photo, not a journal";

    std::vector<std::string> damaged;
    const std::vector<JournalEntry> entries =
        ReadJournal([&](std::string_view file, std::string_view) { damaged.emplace_back(file); });
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_FALSE(entries[0].finished);
    EXPECT_EQ(damaged, std::vector<std::string>{dir / "journal/7.kdxj"});

    const auto undone = UndoCommand(1, {});
    ASSERT_TRUE(undone) << undone.error().reason;
    EXPECT_EQ(Info(a).lastWrite, before);
    // The mark went after the torn line's place, not onto it.
    const auto marked = ReadJournalCommand(1);
    ASSERT_TRUE(marked) << marked.error().reason;
    EXPECT_EQ(marked->undoneBy, undone->journalId);
    EXPECT_EQ(marked->entries, 1u);
}

TEST_F(Journaled, ReadingAheadShiftsAnEntryListedTwiceTwiceAndUndoesExactly) {
    // More rows than one slice read ahead, one entry listed again in the
    // same slice and in the next.
    std::vector<FileEntry> rows;
    for (int i = 0; i < 600; ++i) {
        FileEntry row;
        row.Name = dir.file("f" + std::to_string(i) + ".txt");
        ASSERT_TRUE(hostPlatform().setFileTime(row.Name, TimeKind::LastWrite, Odd(1'600'000'000 + i)));
        rows.push_back(std::move(row));
    }
    std::vector<size_t> which(rows.size());
    for (size_t i = 0; i < which.size(); ++i)
        which[i] = i;
    which[7] = 0;
    which[300] = 0;
    auto journal = Journal::Begin("shift");
    ASSERT_TRUE(journal);
    WriteHooks hooks;
    hooks.journal = journal->get();
    hooks.jobs = 2;
    ShiftAmount day;
    day.add = true;
    day.days = 1;
    const auto failures = ShiftTimes(rows, which, day, TimeKinds::FromChecks(false, true, false), hooks);
    ASSERT_TRUE(failures && failures->empty());
    ASSERT_TRUE((*journal)->finish());
    const auto shifted = [&](int i, int days) {
        return Info(rows[static_cast<size_t>(i)].Name).lastWrite ==
               (days == 0 ? Odd(1'600'000'000 + i) : FileTime::fromUnix(1'600'000'000 + i + days * 86'400, 0));
    };
    EXPECT_TRUE(shifted(0, 3)) << "each row shifts the entry as it is by then";
    EXPECT_TRUE(shifted(1, 1));
    EXPECT_TRUE(shifted(599, 1));
    EXPECT_TRUE(shifted(7, 0));

    const auto undone = UndoCommand(0, {});
    ASSERT_TRUE(undone) << undone.error().reason;
    EXPECT_TRUE(undone->leftAlone.empty());
    for (int i : {0, 1, 299, 599})
        EXPECT_EQ(Info(rows[static_cast<size_t>(i)].Name).lastWrite, Odd(1'600'000'000 + i)) << i;
}

TEST_F(Journaled, EveryWritingCommandOverAThousandFilesIsTakenBackExactly) {
    constexpr int kFiles = 1000;
    std::vector<FileEntry> a(kFiles), b(kFiles);
    std::vector<EntryInfo> original(kFiles);
    for (int i = 0; i < kFiles; ++i) {
        // WeChat names, so that the rename has work too; not photos, whose
        // reading Wine lets change the access time.
        const std::string name = "mmexport" + std::to_string(1'604'139'498'000 + int64_t{i} * 1000) + ".txt";
        a[i].Name = dir.file("a/" + name);
        b[i].Name = dir.file("b/" + name);
        StampSet stamps;
        stamps.lastWrite = Odd(1'500'000'000 + i);
        stamps.lastAccess = Odd(1'400'000'000 + i);
        ASSERT_TRUE(hostPlatform().setFileTimes(a[i].Name, stamps));
        ASSERT_TRUE(hostPlatform().setFileTime(b[i].Name, TimeKind::LastWrite, Odd(1'300'000'000 + i)));
        original[i] = Info(a[i].Name);
    }
    const std::vector<FileEntry> listed = a;
    std::vector<size_t> all(kFiles);
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = i;
    const TimeKinds kinds = TimeKinds::FromChecks(false, true, true);
    // Each command journaled, its old stamps read ahead on a second thread.
    const auto run = [&](const std::function<void(const WriteHooks&)>& command) {
        auto journal = Journal::Begin("command");
        ASSERT_TRUE(journal);
        WriteHooks hooks;
        hooks.journal = journal->get();
        hooks.jobs = 2;
        command(hooks);
        ASSERT_TRUE((*journal)->finish());
        // The window shows how far the undo got.
        size_t reports = 0, reached = 0, total = 0;
        UndoOptions options;
        options.progress = [&](size_t done, size_t of) {
            ++reports;
            reached = done;
            total = of;
        };
        const auto undone = UndoCommand(0, options);
        ASSERT_TRUE(undone) << undone.error().reason;
        EXPECT_TRUE(undone->leftAlone.empty());
        EXPECT_GT(reports, 2u);
        EXPECT_TRUE(reached == total && total >= kFiles);
        for (int i = 0; i < kFiles; ++i) {
            const EntryInfo now = Info(listed[i].Name);
            ASSERT_EQ(now.lastWrite, original[i].lastWrite) << i;
            ASSERT_EQ(now.lastAccess, original[i].lastAccess) << i;
        }
        a = listed;
    };
    run([&](const WriteHooks& hooks) {
        PickerValues values;
        values.kinds = kinds;
        values.lastWrite.value = values.lastAccess.value = *ParseTimeText("2001-01-01 00:00:00");
        ASSERT_TRUE(SetTimesFromPickers(a, all, values, hooks)->empty());
    });
    run([&](const WriteHooks& hooks) {
        SourceOptions options;
        options.kinds = kinds;
        ASSERT_TRUE(SetTimesFromSource(a, all, TimeSource::FileName, options, hooks)->empty());
        ASSERT_NE(Info(listed[0].Name).lastWrite, original[0].lastWrite) << "set to the name's time";
    });
    run([&](const WriteHooks& hooks) {
        ShiftAmount amount;
        amount.hours = 5;
        ASSERT_TRUE(ShiftTimes(a, all, amount, kinds, hooks)->empty());
    });
    run([&](const WriteHooks& hooks) { ASSERT_TRUE(SyncPairs(a, b, {}, {}, true, true, kinds, hooks)->empty()); });
    run([&](const WriteHooks& hooks) {
        ScanFlags flags;
        flags.subFolders = true;
        ASSERT_TRUE(SyncDirectoryTrees(dir / "b", dir / "a", "", flags, kinds, hooks)->empty());
    });
    run([&](const WriteHooks& hooks) {
        RenameHooks renames;
        renames.journal = hooks.journal;
        ASSERT_TRUE(RenameWeChatFiles(a, all, NameTimeOptions{}, renames)->empty());
        ASSERT_FALSE(fs::exists(listed[0].Name));
    });
}

TEST(JournalFile, DamageIsToldAndNeverTaken) {
    EXPECT_FALSE(ParseJournal(""));
    EXPECT_FALSE(ParseJournal("KDXJ\t1\n")) << "no checksum";
    // A valid start, then a line whose checksum does not match.
    const std::string start = "KDXJ\t1\t" + std::string("8a8631ad") + "\n";
    ASSERT_TRUE(ParseJournal(start));
    const auto damaged = ParseJournal(start + "end\t00000000\nend\t00fc33b1\n");
    ASSERT_FALSE(damaged);
    EXPECT_EQ(damaged.error().reason, "撤销日志第 2 行已损坏");
}

// A journal number another program takes and gives up again (its command
// wrote nothing) just as this one tries it.
class NumberTakenAndGone : public test::FakePlatform {
public:
    int refusals = 1;
    Result<std::unique_ptr<OutputFile>> createNewFile(const std::string& path) override {
        if (refusals > 0) {
            --refusals;
            return Failure{17, "File exists"};
        }
        return FakePlatform::createNewFile(path);
    }
};

TEST(JournalFile, ANumberTakenAndGivenUpMeanwhileIsTriedAgainOnce) {
    NumberTakenAndGone disk;
    ScopedPlatform use(disk);
    const auto journal = Journal::Begin("set");
    ASSERT_TRUE(journal) << journal.error().reason;
    disk.refusals = 2;
    EXPECT_FALSE(Journal::Begin("set")) << "a failure that stays is told";
}

} // namespace
} // namespace kdx
