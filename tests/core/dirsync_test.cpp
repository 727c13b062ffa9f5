// Directory sync on real temporary trees, and the name rules of Windows
// through the fake platform.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "core/lists/file_entry.h"
#include "core/sync/dirsync.h"
#include "entry_helpers.h"
#include "fake_platform.h"
#include "temp_dir.h"

namespace kdx {
using test::Stamps;

namespace {

constexpr int64_t kOld = 978278400;  // 2001-01-01 00:00:00 at UTC+8
constexpr int64_t kNew = 1604139498; // 2020-10-31 18:18:18 at UTC+8
constexpr const char* kOldText = "2001-01-01 00:00:00";
constexpr const char* kNewText = "2020-10-31 18:18:18";
const TimeKinds kWriteAccess = TimeKinds::FromChecks(false, true, true);
const ScanFlags kDefaultFlags{true, true, false};

// The message a refusal shows; "" when there was none.
template <class T>
std::string Refusal(const Result<T>& result) {
    return result ? std::string() : result.error().reason;
}

// src/ and dst/ with the same layout; source entries carry kOld, target
// entries kNew. Extra entries exist in one tree only.
struct Trees {
    test::TempDir dir;
    std::string src, dst;
    const std::vector<std::string> shared{"a.jpg", "b.txt", "sub/c.jpg", "sub/deep/d.txt"};
    const std::vector<std::string> folders{"sub", "sub/deep"};

    Trees() {
        src = dir.folder("src") + test::HostSeparator();
        dst = dir.folder("dst") + test::HostSeparator();
        for (const auto& f : shared) {
            dir.file("src/" + f);
            dir.file("dst/" + f);
        }
        dir.file("src/only-source.txt");
        dir.file("dst/only-target.txt");
        for (const auto& f : shared) {
            test::TempDir::setTimes(inSrc(f), kOld, kOld);
            test::TempDir::setTimes(inDst(f), kNew, kNew);
        }
        test::TempDir::setTimes(inDst("only-target.txt"), kNew, kNew);
        // Folders last: adding entries moves their times.
        for (const auto& f : folders) {
            test::TempDir::setTimes(inSrc(f), kOld, kOld);
            test::TempDir::setTimes(inDst(f), kNew, kNew);
        }
        for (const std::string& root : {src, dst})
            test::TempDir::setTimes(root, root == src ? kOld : kNew, kNew);
    }
    std::string inSrc(const std::string& relative) const { return src + test::HostPath(relative); }
    std::string inDst(const std::string& relative) const { return dst + test::HostPath(relative); }
    std::string writeTime(const std::string& relative) { return Stamps(inDst(relative)).WriteTime; }
};

TEST(CheckSyncFolders, TheSameFolderUnderAnotherSpellingIsRefused) {
    test::TempDir dir;
    const std::string a = dir.folder("S");
    dir.folder("T");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const std::string relative = Refusal(CheckSyncFolders("S", "./S"));
    const std::string mixed = Refusal(CheckSyncFolders("S", a));
    const std::string others = Refusal(CheckSyncFolders("S", "T"));
    std::filesystem::current_path(before);
    EXPECT_EQ(relative, SameFoldersMessage);
    EXPECT_EQ(mixed, SameFoldersMessage);
    EXPECT_EQ(others, "");
    std::error_code linkRefused;
    std::filesystem::create_directory_symlink(a, dir / "link", linkRefused);
    if (!linkRefused) {
        EXPECT_EQ(Refusal(CheckSyncFolders(a, dir / "link")), SameFoldersMessage);
    }
}

TEST(CheckSyncFolders, MissingFoldersAndTheSameFolderAreRefused) {
    test::TempDir dir;
    const std::string a = dir.folder("Photos");
    const std::string b = dir.folder("photos");
    const std::string file = dir.file("file.txt");
    EXPECT_EQ(Refusal(CheckSyncFolders("", b)), FolderMissingMessage);
    EXPECT_EQ(Refusal(CheckSyncFolders(a, "")), FolderMissingMessage);
    EXPECT_EQ(Refusal(CheckSyncFolders(a, dir / "missing")), FolderMissingMessage);
    EXPECT_EQ(Refusal(CheckSyncFolders(file, b)), FolderMissingMessage);
    EXPECT_EQ(Refusal(CheckSyncFolders(a, a + "/")), SameFoldersMessage);
    EXPECT_EQ(Refusal(CheckSyncFolders(a + "//", a)), SameFoldersMessage);
#ifdef _WIN32
    EXPECT_EQ(Refusal(CheckSyncFolders(a, b)), SameFoldersMessage) << "Windows names differing in case are one folder";
#else
    EXPECT_EQ(Refusal(CheckSyncFolders(a, b)), "") << "Linux names differing in case are two folders";
    // Windows resolves ".." in the text, before it looks at the disk.
    EXPECT_EQ(Refusal(CheckSyncFolders(a, a + "/sub-less/..")), FolderMissingMessage);
#endif
}

TEST(CheckSyncFolders, WindowsNamesIgnoreCase) {
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\Photos");
    fake.addFolder("C:\\Photos\\Sub");
    EXPECT_EQ(Refusal(CheckSyncFolders("C:\\Photos", "c:\\photos\\")), SameFoldersMessage);
    EXPECT_EQ(Refusal(CheckSyncFolders("C:\\Photos", "C:\\Photos\\Sub")), "")
        << "a target inside the source is accepted";
}

TEST(SyncDirectoryTrees, PairsEntriesOfTheSameRelativeNameOnly) {
    Trees t;
    const auto r = SyncDirectoryTrees(t.src, t.dst, "", kDefaultFlags, kWriteAccess);
    ASSERT_TRUE(r) << r.error().reason;
    EXPECT_TRUE(r->empty());
    for (const auto& f : t.shared) {
        EXPECT_EQ(t.writeTime(f), kOldText) << f;
        EXPECT_EQ(Stamps(t.inDst(f)).AccessTime, kOldText) << f;
    }
    for (const auto& f : t.folders)
        EXPECT_EQ(t.writeTime(f), kOldText) << f;
    EXPECT_EQ(t.writeTime(""), kOldText);
    EXPECT_EQ(t.writeTime("only-target.txt"), kNewText);
    EXPECT_FALSE(std::filesystem::exists(t.inDst("only-source.txt"))) << "nothing is created";
}

TEST(SyncDirectoryTrees, FilterMasksChooseTheFiles) {
    Trees t;
    const auto r = SyncDirectoryTrees(t.src, t.dst, " *.JPG ", kDefaultFlags, kWriteAccess);
    ASSERT_TRUE(r && r->empty());
    EXPECT_EQ(t.writeTime("a.jpg"), kOldText);
    EXPECT_EQ(t.writeTime("sub/c.jpg"), kOldText);
    EXPECT_EQ(t.writeTime("b.txt"), kNewText);
    EXPECT_EQ(t.writeTime("sub/deep/d.txt"), kNewText);
    EXPECT_EQ(t.writeTime("sub/deep"), kOldText) << "folders are included";
}

TEST(SyncDirectoryTrees, WithoutFoldersTheRootsAreStillSynchronised) {
    Trees t;
    const auto r = SyncDirectoryTrees(t.src, t.dst, "*.*", ScanFlags{true, false, false}, kWriteAccess);
    ASSERT_TRUE(r && r->empty());
    EXPECT_EQ(t.writeTime("sub"), kNewText);
    EXPECT_EQ(t.writeTime("sub/deep"), kNewText);
    EXPECT_EQ(t.writeTime("sub/c.jpg"), kOldText);
    EXPECT_EQ(t.writeTime(""), kOldText);
}

TEST(SyncDirectoryTrees, WithoutSubFoldersOnlyTheTopLevel) {
    Trees t;
    const auto r = SyncDirectoryTrees(t.src, t.dst, "", ScanFlags{false, true, false}, kWriteAccess);
    ASSERT_TRUE(r && r->empty());
    EXPECT_EQ(t.writeTime("a.jpg"), kOldText);
    EXPECT_EQ(t.writeTime("b.txt"), kOldText);
    EXPECT_EQ(t.writeTime("sub"), kNewText);
    EXPECT_EQ(t.writeTime("sub/c.jpg"), kNewText);
    EXPECT_EQ(t.writeTime(""), kOldText);
}

TEST(SyncDirectoryTrees, FoldersOnly) {
    Trees t;
    const auto r = SyncDirectoryTrees(t.src, t.dst, "", ScanFlags{true, true, true}, kWriteAccess);
    ASSERT_TRUE(r && r->empty());
    EXPECT_EQ(t.writeTime("sub"), kOldText);
    EXPECT_EQ(t.writeTime("sub/deep"), kOldText);
    EXPECT_EQ(t.writeTime("a.jpg"), kNewText);
    EXPECT_EQ(t.writeTime("sub/c.jpg"), kNewText);
}

TEST(SyncDirectoryTrees, NoKindChangesNothingAndRefusalsDoNothing) {
    Trees t;
    auto r = SyncDirectoryTrees(t.src, t.dst, "", kDefaultFlags, TimeKinds::None());
    ASSERT_TRUE(r) << r.error().reason;
    EXPECT_TRUE(r->empty());
    EXPECT_EQ(t.writeTime("a.jpg"), kNewText);

    r = SyncDirectoryTrees(t.src, t.src, "", kDefaultFlags, kWriteAccess);
    EXPECT_EQ(Refusal(r), SameFoldersMessage);
    r = SyncDirectoryTrees(t.src + "nope", t.dst, "", kDefaultFlags, kWriteAccess);
    EXPECT_EQ(Refusal(r), FolderMissingMessage);
    EXPECT_EQ(t.writeTime("a.jpg"), kNewText);
}

TEST(SyncDirectoryTrees, CreationCannotBeCopiedOnLinuxAndEveryPairIsListed) {
    if (hostPlatform().canSetCreationTime())
        GTEST_SKIP() << "this system sets creation times (SyncDirectoryTrees.CreationIsCopiedWhereTheSystemSetsIt)";
    Trees t;
    const auto r = SyncDirectoryTrees(t.src, t.dst, "*.txt", ScanFlags{true, false, false}, TimeKinds{});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->paths, (std::vector<std::string>{t.inDst("b.txt"), t.inDst("sub/deep/d.txt"), t.dst}));
    EXPECT_EQ(t.writeTime("b.txt"), kNewText) << "stopped at the creation kind";
}

TEST(SyncDirectoryTrees, CreationIsCopiedWhereTheSystemSetsIt) {
    if (!hostPlatform().canSetCreationTime()) GTEST_SKIP() << "this system cannot set creation times";
    if (test::UnderWine()) GTEST_SKIP() << "Wine keeps no creation time: it reports the modification time in its place";
    Trees t;
    for (const char* f : {"b.txt", "sub/deep/d.txt", ""})
        ASSERT_TRUE(hostPlatform().setFileTime(t.inSrc(f), TimeKind::Creation, FileTime::fromUnix(kOld, 0)));
    const auto r = SyncDirectoryTrees(t.src, t.dst, "*.txt", ScanFlags{true, false, false}, TimeKinds{});
    EXPECT_TRUE(r && r->empty());
    for (const char* f : {"b.txt", "sub/deep/d.txt", ""})
        EXPECT_EQ(Stamps(t.inDst(f)).CreateTime, kOldText) << f;
    EXPECT_EQ(t.writeTime("b.txt"), kOldText);
    EXPECT_NE(Stamps(t.inDst("a.jpg")).CreateTime, kOldText) << "the masks chose only the text files";
}

TEST(SyncDirectoryTrees, DryRunReportsEveryStampAndWritesNone) {
    Trees t;
    std::vector<std::string> reported;
    WriteHooks dry{true,
                   [&](std::string_view p, TimeKind kind, std::string_view, std::string_view n, FileTime, FileTime) {
                       if (kind == TimeKind::LastWrite) reported.push_back(std::string(p) + " " + std::string(n));
                   },
                   {}};
    const auto r = SyncDirectoryTrees(t.src, t.dst, "*.txt", ScanFlags{false, false, false}, kWriteAccess, dry);
    ASSERT_TRUE(r && r->empty());
    EXPECT_EQ(reported, (std::vector<std::string>{t.inDst("b.txt") + " " + kOldText, t.dst + " " + kOldText}));
    EXPECT_EQ(t.writeTime("b.txt"), kNewText);
}

TEST(SyncDirectoryTrees, AStopRequestEndsTheRunAfterTheEntryInHand) {
    Trees t;
    size_t written = 0, lastDone = 0;
    WriteHooks hooks;
    hooks.observer = [&](std::string_view, TimeKind kind, std::string_view, std::string_view, FileTime, FileTime) {
        written += kind == TimeKind::LastWrite;
    };
    hooks.stopRequested = [&] { return written > 0; };
    const auto r = SyncDirectoryTrees(t.src, t.dst, "*.txt", ScanFlags{false, false, false}, kWriteAccess, hooks,
                                      [&](size_t done, size_t) { lastDone = done; });
    EXPECT_TRUE(r && r->empty());
    EXPECT_EQ(t.writeTime("b.txt"), kOldText);
    EXPECT_EQ(Stamps(t.dst).WriteTime, kNewText) << "the root comes after the entry in hand";
    EXPECT_EQ(lastDone, 1u) << "the progress tells how far it got";
}

TEST(SyncDirectories, FailuresAreListedPerTimeAnEntryIsProcessed) {
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\S");
    fake.addFolder("C:\\T");
    fake.addFile("C:\\S\\a.txt").lastWrite = FileTime::fromUnix(kOld, 0);
    fake.addFile("C:\\T\\a.txt");
    fake.addFile("C:\\T\\vanished.txt");
    fake.locked["C:\\T"] = true;
    const std::vector<std::string> source{"C:\\S\\", "C:\\S\\", "C:\\S\\a.txt", "C:\\S\\vanished.txt"};
    const std::vector<std::string> target{"C:\\T\\", "C:\\T\\", "C:\\T\\a.txt", "C:\\T\\vanished.txt"};
    std::vector<std::pair<size_t, size_t>> progress;
    const auto failures = SyncDirectories("C:\\S", "C:\\T", true, target, source, TimeKinds{}, {},
                                          [&](size_t d, size_t n) { progress.emplace_back(d, n); });
    EXPECT_EQ(failures.paths, (std::vector<std::string>{"C:\\T\\", "C:\\T\\", "C:\\T\\vanished.txt", "C:\\T\\"}));
    EXPECT_EQ(fake.node("C:\\T\\a.txt")->lastWrite, FileTime::fromUnix(kOld, 0));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), std::make_pair(size_t{3}, size_t{3})) << "the progress counts each entry once";
}

TEST(SyncDirectoryTrees, WindowsPairsNamesDifferingInCaseAndSwapsRootsIgnoringCase) {
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\Src");
    fake.addFolder("C:\\Src\\Sub");
    fake.addFile("C:\\Src\\Sub\\IMG.JPG").lastWrite = FileTime::fromUnix(kOld, 0);
    fake.addFolder("D:\\dst");
    fake.addFolder("D:\\dst\\sub");
    fake.addFile("D:\\dst\\sub\\img.jpg");
    const auto r = SyncDirectoryTrees("c:\\src", "d:\\DST\\", "*.jpg", kDefaultFlags, TimeKinds{});
    ASSERT_TRUE(r) << r.error().reason;
    EXPECT_TRUE(r->empty());
    EXPECT_EQ(fake.node("D:\\dst\\sub\\img.jpg")->lastWrite, FileTime::fromUnix(kOld, 0));
}

TEST(SyncDirectoryTrees, ExactNamesDoNotPairDifferentCase) {
    test::FakePlatform fake;
    fake.sep = '/';
    fake.ignoreCase = false;
    ScopedPlatform use(fake);
    fake.addFolder("/src");
    fake.addFile("/src/IMG.JPG").lastWrite = FileTime::fromUnix(kOld, 0);
    fake.addFile("/src/same.jpg").lastWrite = FileTime::fromUnix(kOld, 0);
    fake.addFolder("/dst");
    fake.addFile("/dst/img.jpg");
    fake.addFile("/dst/same.jpg");
    const auto r = SyncDirectoryTrees("/src", "/dst", "", kDefaultFlags, TimeKinds{});
    EXPECT_TRUE(r && r->empty());
    EXPECT_EQ(fake.node("/dst/img.jpg")->lastWrite, FileTime{});
    EXPECT_EQ(fake.node("/dst/same.jpg")->lastWrite, FileTime::fromUnix(kOld, 0));
}

TEST(CopyTimeFromFile, ReadsTheSourceEvenForNoKind) {
    test::TempDir dir;
    const std::string s = dir.file("s.txt");
    const std::string t = dir.file("t.txt");
    test::TempDir::setTimes(s, kOld, kNew);
    test::TempDir::setTimes(t, kNew, kOld);
    EXPECT_FALSE(CopyTimeFromFile(dir / "missing", t, TimeKind::NotChosen));
    EXPECT_TRUE(CopyTimeFromFile(s, dir / "missing", TimeKind::NotChosen));
    EXPECT_TRUE(CopyTimeFromFile(s, t, TimeKind::LastAccess));
    EXPECT_EQ(Stamps(t).AccessTime, kNewText);
    EXPECT_EQ(Stamps(t).WriteTime, kNewText);
    EXPECT_TRUE(CopyTimeFromFile(s, t, TimeKind::LastWrite));
    EXPECT_EQ(Stamps(t).WriteTime, kOldText);
    EXPECT_EQ(CopyTimeFromFile(s, t, TimeKind::Creation).has_value(), hostPlatform().canSetCreationTime());
}

} // namespace
} // namespace kdx
