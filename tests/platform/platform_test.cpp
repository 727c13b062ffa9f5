// The host's platform layer on real temporary folders.

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "platform/platform.h"
#include "temp_dir.h"

namespace kdx {
namespace {

namespace fs = std::filesystem;

TEST(HostPlatform, FindsFilesAndFoldersWithTheirStamps) {
    test::TempDir dir;
    const std::string f = dir.file("a.txt", "x");
    test::TempDir::setTimes(f, 1604139498, 1604139000);
    Platform& p = hostPlatform();
    const auto info = p.findEntry(f);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->attributes & (attr::Directory | attr::Archive), attr::Archive);
    EXPECT_EQ(info->lastWrite, FileTime::fromUnix(1604139498, 0));
    EXPECT_EQ(info->lastAccess, FileTime::fromUnix(1604139000, 0));
    const auto folder = p.findEntry(dir.folder("sub"));
    ASSERT_TRUE(folder);
    EXPECT_TRUE(folder->attributes & attr::Directory);
    EXPECT_FALSE(p.findEntry(dir / "missing"));
    EXPECT_FALSE(p.findEntry(""));
}

TEST(HostPlatform, OneFolderHasOneIdentityHoweverItIsSpelt) {
    test::TempDir dir;
    const std::string a = dir.folder("a");
    const std::string b = dir.folder("b");
    Platform& p = hostPlatform();
    const auto id = p.entryIdentity(a);
    ASSERT_TRUE(id);
    EXPECT_EQ(p.entryIdentity(a + "/./"), id);
    EXPECT_EQ(p.entryIdentity(dir / "b/../a"), id);
    EXPECT_NE(p.entryIdentity(b), id);
    EXPECT_FALSE(p.entryIdentity(dir / "missing"));
    std::error_code linkRefused;
    fs::create_directory_symlink(a, dir / "link", linkRefused);
    if (!linkRefused) {
        EXPECT_EQ(p.entryIdentity(dir / "link"), id);
    }
}

TEST(HostPlatform, SynthesisesTheAttributeWord) {
#ifdef _WIN32
    GTEST_SKIP() << "the attribute word is the system's own on Windows (Win32Platform.AttributeWordsAreTheSystems)";
#endif
    test::TempDir dir;
    const std::string hidden = dir.file(".hidden");
    const std::string ro = dir.file("ro.txt");
    fs::permissions(ro, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    fs::create_symlink(ro, dir / "link");
    fs::create_directory_symlink(dir.folder("d"), dir / "dlink");
    Platform& p = hostPlatform();
    EXPECT_EQ(*p.getAttributes(hidden), attr::Archive | attr::Hidden);
    EXPECT_EQ(*p.getAttributes(ro), attr::Archive | attr::ReadOnly);
    EXPECT_EQ(*p.getAttributes(dir / "link"), attr::Archive | attr::ReparsePoint);
    EXPECT_EQ(*p.getAttributes(dir / "dlink"), attr::Directory | attr::ReparsePoint);
    EXPECT_EQ(*p.getAttributes(dir / "d"), attr::Directory);
}

TEST(HostPlatform, ListsInNameOrderWithPatternIgnoringAsciiCase) {
    test::TempDir dir;
    for (const char* n : {"b.JPG", "a.jpg", "c.txt", "noext", ".h.jpg"})
        dir.file(n);
    dir.folder("sub");
    const std::string hidden = dir.folder(".hid");
    Platform& p = hostPlatform();
#ifdef _WIN32
    // A leading dot hides on POSIX; Windows keeps a bit for it.
    ASSERT_TRUE(p.setAttributes(hidden, attr::Hidden));
#endif
    std::vector<DirEntry> all, jpg, dirs;
    ASSERT_TRUE(p.listDirectory(dir.path(), "*.*", false, all));
    std::vector<std::string> names;
    for (auto& e : all)
        names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{".h.jpg", ".hid", "a.jpg", "b.JPG", "c.txt", "noext", "sub"}));
    ASSERT_TRUE(p.listDirectory(dir.path(), "*.jpg", false, jpg));
    ASSERT_EQ(jpg.size(), 3u);
    EXPECT_EQ(jpg[2].name, "b.JPG");
    ASSERT_TRUE(p.listDirectory(dir.path(), "*.*", true, dirs));
    ASSERT_EQ(dirs.size(), 1u);
    EXPECT_EQ(dirs[0].name, "sub");
    std::vector<DirEntry> none;
    EXPECT_FALSE(p.listDirectory(dir / "missing", "*.*", false, none));
}

TEST(HostPlatform, SetsOneStampAndLeavesTheOthers) {
    test::TempDir dir;
    const std::string f = dir.file("a.txt");
    test::TempDir::setTimes(f, 1000000000, 1100000000);
    Platform& p = hostPlatform();
    ASSERT_TRUE(p.setFileTime(f, TimeKind::LastWrite, FileTime::fromUnix(1200000000, 0)));
    auto info = p.findEntry(f);
    EXPECT_EQ(info->lastWrite, FileTime::fromUnix(1200000000, 0));
    EXPECT_EQ(info->lastAccess, FileTime::fromUnix(1100000000, 0));
    ASSERT_TRUE(p.setFileTime(f, TimeKind::LastAccess, FileTime::fromUnix(900000000, 0)));
    info = p.findEntry(f);
    EXPECT_EQ(info->lastWrite, FileTime::fromUnix(1200000000, 0));
    EXPECT_EQ(info->lastAccess, FileTime::fromUnix(900000000, 0));
    // Linux has no call that sets a birth time: that is a failure, never a
    // silent success. (Windows sets it: Win32Platform.SetsTheCreationTime.)
    if (!p.canSetCreationTime()) {
        EXPECT_FALSE(p.setFileTime(f, TimeKind::Creation, FileTime::fromUnix(1, 0)));
    }
    EXPECT_FALSE(p.setFileTime(dir / "missing", TimeKind::LastWrite, FileTime::fromUnix(1, 0)));
}

// The content of a whole file, or what kept it from being read.
std::string Content(const std::string& path, uint64_t maxBytes = 100) {
    Result<std::string> read = hostPlatform().readWholeFile(path, maxBytes);
    return read ? *read : "(not read: " + read.error().reason + ")";
}

// The reason a call failed with; "(done)" when it did not fail.
std::string Why(const Status& done) {
    return done ? std::string("(done)") : done.error().reason;
}

TEST(HostPlatform, RenameNeverReplaces) {
    test::TempDir dir;
    const std::string a = dir.file("a", "A");
    const std::string b = dir.file("b", "B");
    Platform& p = hostPlatform();
    EXPECT_FALSE(p.renameNoReplace(a, b));
    EXPECT_EQ(Content(b), "B");
    EXPECT_TRUE(p.fileExists(a));
    EXPECT_TRUE(p.renameNoReplace(a, dir / "c"));
    EXPECT_FALSE(p.fileExists(a));
    EXPECT_TRUE(p.fileExists(dir / "c"));
}

TEST(HostPlatform, WholeFileWriteReplacesContentSafely) {
    test::TempDir dir;
    Platform& p = hostPlatform();
    const std::string f = dir / "snap.kdx";
    ASSERT_TRUE(p.writeWholeFile(f, "one"));
    ASSERT_TRUE(p.writeWholeFile(f, "two!"));
    EXPECT_EQ(Content(f), "two!");
    EXPECT_FALSE(p.readWholeFile(f, 3)) << "larger than allowed";
    const Status refused = p.writeWholeFile(dir / "no/such/folder/x.kdx", "x");
    ASSERT_FALSE(refused);
    EXPECT_FALSE(refused.error().reason.empty());
    std::vector<DirEntry> left;
    ASSERT_TRUE(p.listDirectory(dir.path(), "*", false, left));
    EXPECT_EQ(left.size(), 1u) << "no temporary file stays behind";
}

std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<DirEntry> found;
    if (!hostPlatform().listDirectory(folder, "*", false, found)) return {"(not searchable)"};
    std::vector<std::string> names;
    for (const DirEntry& e : found)
        names.push_back(e.name);
    return names;
}

TEST(HostPlatform, WholeFileWriteLeavesAFolderAlone) {
    test::TempDir dir;
    const std::string folder = dir.folder("Pictures");
    dir.file("Pictures/IMG_0001.JPG", "photo");
    const Status refused = hostPlatform().writeWholeFile(folder, "x");
    ASSERT_FALSE(refused);
    EXPECT_FALSE(refused.error().reason.empty());
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(NamesIn(folder), std::vector<std::string>{"IMG_0001.JPG"});
    EXPECT_EQ(NamesIn(dir.path()), std::vector<std::string>{"Pictures"}) << "nothing moved aside or left behind";
}

TEST(HostPlatform, WholeFileWriteIsNotBlockedByLeftoversOfACrash) {
    test::TempDir dir;
    const std::string f = dir.file("x.kdx", "old");
    dir.file("x.kdx.kdx-new", "stale");
    dir.file("x.kdx.kdx-old", "stale");
    ASSERT_EQ(Why(hostPlatform().writeWholeFile(f, "new")), "(done)");
    EXPECT_EQ(Content(f), "new");
    EXPECT_EQ(NamesIn(dir.path()).size(), 3u);
}

TEST(HostPlatform, WholeFileWriteTakesANameAtTheLengthLimit) {
    test::TempDir dir;
    const std::string f = dir / (std::string(251, 'n') + ".kdx");
    ASSERT_EQ(Why(hostPlatform().writeWholeFile(f, "one")), "(done)");
    ASSERT_EQ(Why(hostPlatform().writeWholeFile(f, "two")), "(done)");
    EXPECT_EQ(Content(f), "two");
}

#ifndef _WIN32
TEST(HostPlatform, WholeFileWriteRefusesAPipe) {
    test::TempDir dir;
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(Why(hostPlatform().writeWholeFile(fifo, "x")), "Not a regular file");
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST(HostPlatform, WholeFileWriteReplacesALinksTargetAndKeepsTheLink) {
    test::TempDir dir;
    const std::string target = dir.file("real/list.kdx", "old");
    const std::string link = dir / "link.kdx";
    fs::create_symlink("real/list.kdx", link);
    ASSERT_EQ(Why(hostPlatform().writeWholeFile(link, "new")), "(done)");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Content(target), "new");
    EXPECT_EQ(NamesIn(dir / "real").size(), 1u);
}

TEST(HostPlatform, WholeFileWriteKeepsTheFilesMode) {
    test::TempDir dir;
    const std::string f = dir.file("x.kdx", "old");
    fs::permissions(f, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_EQ(Why(hostPlatform().writeWholeFile(f, "new")), "(done)");
    EXPECT_EQ(fs::status(f).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}
#endif

TEST(HostPlatform, OpensOnlyRegularFilesForReading) {
    test::TempDir dir;
    Platform& p = hostPlatform();
    EXPECT_FALSE(p.openForRead(dir.folder("d")));
#ifdef _WIN32
    EXPECT_FALSE(p.openForRead("NUL"));
#else
    EXPECT_FALSE(p.openForRead("/dev/null"));
#endif
    auto opened = p.openForRead(dir.file("x", "hello"));
    ASSERT_TRUE(opened);
    InputFile* f = opened->get();
    char buf[8] = {};
    EXPECT_EQ(f->size(), 5u);
    EXPECT_EQ(f->readAt(1, buf, 8), 4);
    EXPECT_EQ(std::string(buf, 4), "ello");
    EXPECT_EQ(f->readAt(10, buf, 8), 0);
}

TEST(HostPlatform, OffsetFollowsTheZone) {
#ifdef _WIN32
    if (!test::UnderWine())
        GTEST_SKIP() << "Windows takes its zone from the system's settings, not from TZ "
                        "(Win32Platform.OffsetIsTheOneInForceNow checks it against them)";
#endif
    // The test environment fixes TZ to UTC+8 without daylight saving.
    EXPECT_EQ(hostPlatform().utcOffsetNow(), 8 * 3600);
}

// The host's platform, save that it spells paths with another separator:
// what a test of the core installs to play another system.
class OtherSeparator : public Platform {
public:
    explicit OtherSeparator(char sep) : m_sep(sep) {}

    Result<EntryInfo> findEntry(const std::string& path) override { return host().findEntry(path); }
    Status listDirectory(const std::string& folder, std::string_view pattern, bool directoriesOnly,
                         std::vector<DirEntry>& out) override {
        return host().listDirectory(folder, pattern, directoriesOnly, out);
    }
    std::optional<EntryIdentity> entryIdentity(const std::string& path) override { return host().entryIdentity(path); }
    bool fileExists(const std::string& path) override { return host().fileExists(path); }
    bool folderExists(const std::string& path) override { return host().folderExists(path); }
    Status setFileTime(const std::string& path, TimeKind kind, FileTime value) override {
        return host().setFileTime(path, kind, value);
    }
    Result<uint32_t> getAttributes(const std::string& path) override { return host().getAttributes(path); }
    Status setAttributes(const std::string& path, uint32_t attributes) override {
        return host().setAttributes(path, attributes);
    }
    Status renameNoReplace(const std::string& from, const std::string& to) override {
        return host().renameNoReplace(from, to);
    }
    Status deleteFile(const std::string& path) override { return host().deleteFile(path); }
    Result<std::unique_ptr<InputFile>> openForRead(const std::string& path) override {
        return host().openForRead(path);
    }
    Result<std::string> readWholeFile(const std::string& path, uint64_t maxBytes) override {
        return host().readWholeFile(path, maxBytes);
    }
    Status writeWholeFile(const std::string& path, std::string_view data) override {
        return host().writeWholeFile(path, data);
    }
    int64_t utcOffsetNow() override { return host().utcOffsetNow(); }
    std::string currentFolder() override { return host().currentFolder(); }
    std::string programFolder() override { return host().programFolder(); }
    char separator() const override { return m_sep; }
    bool pathsIgnoreCase() const override { return hostPlatform().pathsIgnoreCase(); }
    bool canSetCreationTime() const override { return hostPlatform().canSetCreationTime(); }
    bool timesNeedWritable() const override { return hostPlatform().timesNeedWritable(); }
    std::string toUpper(std::string_view text) override { return host().toUpper(text); }

private:
    static Platform& host() { return hostPlatform(); }
    char m_sep;
};

TEST(HostPlatform, KeepsItsOwnSeparatorWhateverPlatformIsInstalled) {
#ifdef _WIN32
    GTEST_SKIP() << "no Windows name holds a separator of the other system";
#endif
    test::TempDir dir;
    // One name on POSIX; under '\\' it would be ".b", hidden.
    const std::string path = dir.file("a\\.b");
    OtherSeparator backslash('\\');
    ScopedPlatform use(backslash);
    ASSERT_EQ(sys().separator(), '\\');
    Platform& p = hostPlatform();
    EXPECT_EQ(*p.getAttributes(path), attr::Archive);
    ASSERT_TRUE(p.findEntry(path));
    EXPECT_EQ(p.findEntry(path)->attributes & attr::Hidden, 0u);
    std::vector<DirEntry> listed;
    ASSERT_TRUE(p.listDirectory(dir.path(), "*", false, listed));
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].name, "a\\.b");
    EXPECT_EQ(listed[0].attributes & attr::Hidden, 0u);
}

} // namespace
} // namespace kdx
