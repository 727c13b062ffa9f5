// Setting several stamps of an entry at once: the host's single call, the
// one-at-a-time fallback of other platforms, and the writer handing its
// whole-value changes over together.

#include <gtest/gtest.h>

#include <vector>

#include "core/timeops/writer.h"
#include "fake_platform.h"
#include "platform/platform.h"
#include "temp_dir.h"

namespace kdx {
namespace {

constexpr int64_t k2001 = 978278400;  // 2001-01-01 00:00:00 at UTC+8
constexpr int64_t k2005 = 1115240705; // 2005-05-05 05:05:05 at UTC+8

FileTime At(int64_t seconds) {
    return FileTime::fromUnix(seconds, 0);
}

TEST(SetFileTimes, HostSetsTheStampsGivenAndKeepsTheOthers) {
    test::TempDir dir;
    const std::string f = dir.file("a.txt");
    Platform& p = hostPlatform();
    test::TempDir::setTimes(f, k2005, k2005);

    ASSERT_TRUE(p.setFileTimes(f, StampSet{std::nullopt, At(k2001), At(k2001 + 60)}));
    auto info = p.findEntry(f);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->lastWrite, At(k2001));
    EXPECT_EQ(info->lastAccess, At(k2001 + 60));

    ASSERT_TRUE(p.setFileTimes(f, StampSet{std::nullopt, std::nullopt, At(k2005)}));
    info = p.findEntry(f);
    EXPECT_EQ(info->lastWrite, At(k2001)) << "a stamp not given stays";
    EXPECT_EQ(info->lastAccess, At(k2005));

    EXPECT_TRUE(p.setFileTimes(f, StampSet{})) << "nothing to set";
    EXPECT_FALSE(p.setFileTimes(dir / "missing", StampSet{std::nullopt, At(k2001), std::nullopt}));
    if (!p.canSetCreationTime()) {
        EXPECT_FALSE(p.setFileTimes(f, StampSet{At(k2001), At(k2005), At(k2005)}));
        EXPECT_EQ(p.findEntry(f)->lastWrite, At(k2001)) << "refused as a whole";
    }
}

// A Windows-like platform whose last-write stamp cannot be set.
struct NoLastWrite : test::FakePlatform {
    Status setFileTime(const std::string& path, TimeKind kind, FileTime value) override {
        if (kind == TimeKind::LastWrite) return Failure{5, "Access is denied."};
        return FakePlatform::setFileTime(path, kind, value);
    }
};

TEST(SetFileTimes, OneAtATimeElsewhereStoppingAtTheFirstFailure) {
    NoLastWrite fake;
    fake.addFolder("C:\\d");
    fake.addFile("C:\\d\\a.txt");
    EXPECT_FALSE(fake.setFileTimes("C:\\d\\a.txt", StampSet{At(k2001), At(k2001), At(k2001)}));
    EXPECT_EQ(fake.node("C:\\d\\a.txt")->creation, At(k2001)) << "written before the failure";
    EXPECT_NE(fake.node("C:\\d\\a.txt")->lastAccess, At(k2001)) << "not tried after it";
    EXPECT_TRUE(fake.setFileTimes("C:\\d\\a.txt", StampSet{At(k2005), std::nullopt, At(k2005)}));
    EXPECT_EQ(fake.node("C:\\d\\a.txt")->creation, At(k2005));
    EXPECT_EQ(fake.node("C:\\d\\a.txt")->lastAccess, At(k2005));
}

// Records what the writer hands to the platform.
struct Recording : test::FakePlatform {
    std::vector<StampSet> calls;
    Status setFileTimes(const std::string& path, const StampSet& stamps) override {
        calls.push_back(stamps);
        return Platform::setFileTimes(path, stamps);
    }
};

TEST(SetFileTimes, TheWriterHandsWholeValuesOverInOneCall) {
    Recording fake;
    ScopedPlatform use(fake);
    fake.needWritable = false;
    fake.addFolder("C:\\d");
    fake.addFile("C:\\d\\a.txt");
    const DateTime v = *ParseTimeText("2001-01-01 00:00:00");

    ASSERT_TRUE(WriteSameTime("C:\\d\\a.txt", TimeKinds::FromChecks(true, true, true), v));
    ASSERT_EQ(fake.calls.size(), 1u);
    EXPECT_EQ(fake.calls[0].creation, At(k2001));
    EXPECT_EQ(fake.calls[0].lastWrite, At(k2001));
    EXPECT_EQ(fake.calls[0].lastAccess, At(k2001));
    EXPECT_EQ(fake.node("C:\\d\\a.txt")->lastAccess, At(k2001));

    // A change that cannot be made ends the write; those before it are made.
    fake.calls.clear();
    const StampChange changes[] = {{TimeKind::LastWrite, *ParseTimeText("2005-05-05 05:05:05")},
                                   {TimeKind::LastAccess, DateTime::fromMs(-1)},
                                   {TimeKind::Creation, v}};
    EXPECT_FALSE(WriteFileTimes("C:\\d\\a.txt", changes));
    ASSERT_EQ(fake.calls.size(), 1u);
    EXPECT_EQ(fake.calls[0].lastWrite, At(k2005));
    EXPECT_FALSE(fake.calls[0].lastAccess);
    EXPECT_FALSE(fake.calls[0].creation);
    EXPECT_EQ(fake.node("C:\\d\\a.txt")->lastWrite, At(k2005));

    fake.calls.clear();
    fake.creationSettable = false;
    EXPECT_FALSE(WriteSameTime("C:\\d\\a.txt", TimeKinds::FromChecks(true, true, false), v));
    EXPECT_TRUE(fake.calls.empty()) << "the creation stamp comes first and cannot be written";
    EXPECT_FALSE(WriteSameTime("C:\\d\\missing.txt", TimeKinds::FromChecks(false, true, true), v));
}

} // namespace
} // namespace kdx
