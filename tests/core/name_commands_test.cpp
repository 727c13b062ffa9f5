#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/common/report.h"
#include "core/timeops/name_commands.h"
#include "exif_builder.h"
#include "fake_platform.h"
#include "temp_dir.h"

namespace kdx {
namespace {

namespace fs = std::filesystem;

FileEntry Row(const std::string& name, const std::string& photo = " ") {
    FileEntry e;
    e.Name = name;
    e.CreateTime = e.WriteTime = e.AccessTime = "2001-01-01 00:00:00";
    e.PhotoTime = photo;
    e.NameTime = "name time";
    return e;
}

std::vector<size_t> All(const std::vector<FileEntry>& rows) {
    std::vector<size_t> which(rows.size());
    for (size_t i = 0; i < which.size(); ++i)
        which[i] = i;
    return which;
}

std::string Content(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(FillPhotoTimesFromNames, StoresTheNameTimeAsPhotoTime) {
    std::vector<FileEntry> rows = {Row("/p/IMG_20201031_181818.jpg"), Row("/p/mmexport1604139498000.jpg", "keep"),
                                   Row("/p/DSC01234.JPG", "unchanged"), Row("/p/20190504_132210.jpg"),
                                   Row("/p/a1_20201031181818.jpg")};
    const std::vector<FileEntry> before = rows;
    FillPhotoTimesFromNames(rows, {0, 1, 2, 4}, NameTimeOptions{1, true});
    EXPECT_EQ(rows[0].PhotoTime, "2020-10-31 18:18:18");
    EXPECT_EQ(rows[1].PhotoTime, "2020-10-31 18:18:18");
    EXPECT_EQ(rows[2].PhotoTime, "unchanged") << "no time in the name";
    EXPECT_EQ(rows[3].PhotoTime, " ") << "not among the rows asked for";
    EXPECT_EQ(rows[4].PhotoTime, " ") << "15 digits from position 1";
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].Name, before[i].Name) << "nothing is renamed";
        EXPECT_EQ(rows[i].NameTime, "name time");
    }

    FillPhotoTimesFromNames(rows, All(rows), NameTimeOptions{3, false});
    EXPECT_EQ(rows[4].PhotoTime, "2020-10-31 18:18:18") << "the start position is used";
    EXPECT_EQ(rows[3].PhotoTime, " ") << "from position 3 only 12 digits are left";
}

TEST(RefreshPhotoTimes, ReadsEachRowsPhotoAndBlanksTheRest) {
    test::TempDir dir;
    std::vector<FileEntry> rows = {
        Row(dir.file("a.jpg", test::CameraPhoto(true, "2019:05:04 13:22:10")), "old"),
        Row(dir.file("b.jpg", test::Soi() + test::App0() + test::TinyImage()), "old"),
        Row(dir / "missing.jpg", "old"),
        Row(dir.file("c.JPG", test::CameraPhoto(false, "2018:01:02 03:04:05")), "old"),
        Row(dir.folder("d.jpg"), "old"),
    };
    std::vector<std::pair<size_t, size_t>> calls;
    RefreshPhotoTimes(rows, {0, 1, 2, 4}, [&](size_t done, size_t total) { calls.emplace_back(done, total); });
    EXPECT_EQ(rows[0].PhotoTime, "2019-05-04 13:22:10");
    EXPECT_EQ(rows[1].PhotoTime, " ");
    EXPECT_EQ(rows[2].PhotoTime, " ");
    EXPECT_EQ(rows[3].PhotoTime, "old") << "not among the rows asked for";
    EXPECT_EQ(rows[4].PhotoTime, " ");
    const std::vector<std::pair<size_t, size_t>> expected = {{1, 4}, {2, 4}, {3, 4}, {4, 4}};
    EXPECT_EQ(calls, expected);

    RefreshPhotoTimes(rows, All(rows));
    EXPECT_EQ(rows[3].PhotoTime, "2018-01-02 03:04:05");
}

TEST(RenameWeChatFiles, RenamesAfterTheStampNeverOverAnExistingFile) {
    test::TempDir dir;
    const std::string stamped = dir.file("mmexport1604139498000.jpg", "photo one");
    const std::string bare = dir.file("sub/1604139498000.mp4", "video");
    const std::string blocked = dir.file("1505788478724.jpg", "photo two");
    const std::string existing = dir.file("mmexport_20170919_103438.jpg", "already here");
    const std::string dated = dir.file("IMG_20201031_181818.jpg", "photo three");
    const std::string folder = dir.folder("1604139498000");
    const std::string missing = dir / "1604139498001.jpg";
    std::vector<FileEntry> rows = {Row(stamped),
                                   Row(bare),
                                   Row(blocked),
                                   Row(dated),
                                   Row(folder),
                                   Row(missing),
                                   Row(dir.file("notes.txt"), "old")};

    const auto failures = RenameWeChatFiles(rows, All(rows), NameTimeOptions{1, true});
    ASSERT_TRUE(failures.has_value());

    EXPECT_EQ(rows[0].Name, dir / "mmexport_20201031_181818.jpg");
    EXPECT_EQ(Content(rows[0].Name), "photo one");
    EXPECT_FALSE(fs::exists(stamped));
    EXPECT_EQ(rows[0].PhotoTime, "2020-10-31 18:18:18");
    EXPECT_EQ(rows[0].WriteTime, "2001-01-01 00:00:00") << "the row keeps its other fields";
    EXPECT_EQ(rows[0].NameTime, "name time");

    EXPECT_EQ(rows[1].Name, dir / "sub/mmexport_20201031_181818.mp4") << "in its own folder";
    EXPECT_EQ(Content(rows[1].Name), "video");

    EXPECT_EQ(rows[2].Name, blocked) << "the target exists: the row keeps its name";
    EXPECT_EQ(rows[2].PhotoTime, "2017-09-19 10:34:38");
    EXPECT_EQ(Content(blocked), "photo two");
    EXPECT_EQ(Content(existing), "already here") << "the existing file is untouched";

    EXPECT_EQ(rows[3].Name, dated) << "a date in the name is no stamp";
    EXPECT_EQ(rows[3].PhotoTime, "2020-10-31 18:18:18");
    EXPECT_EQ(rows[4].Name, folder) << "folders never get a new name";
    EXPECT_EQ(rows[4].PhotoTime, "2020-10-31 18:18:18");
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(rows[5].Name, missing) << "no file, nothing to rename, no failure";
    EXPECT_EQ(rows[5].PhotoTime, "2020-10-31 18:18:18");
    EXPECT_EQ(rows[6].PhotoTime, "old");

    EXPECT_EQ(failures->paths, std::vector<std::string>{blocked});
    EXPECT_EQ(ClosingMessage(DoneRenamed, FailedModified, *failures),
              "重命名完成!下列文件修改失败：\r\n" + blocked + "\r\n");
}

TEST(RenameWeChatFiles, OnlyTheRowsAskedForAndOnlyWithTheWeChatRule) {
    test::TempDir dir;
    const std::string a = dir.file("mmexport1604139498000.jpg");
    const std::string b = dir.file("wx_camera_1505788478724.jpg");
    std::vector<FileEntry> rows = {Row(a), Row(b)};

    auto failures = RenameWeChatFiles(rows, {1}, NameTimeOptions{1, false});
    ASSERT_TRUE(failures.has_value());
    EXPECT_TRUE(failures->empty());
    EXPECT_EQ(ClosingMessage(DoneRenamed, FailedModified, *failures), "重命名完成!") << "shown all the same";
    EXPECT_EQ(rows[1].Name, b) << "without the rule no file gets a new name";
    EXPECT_EQ(rows[1].PhotoTime, " ") << "13 digits are no time without it";

    failures = RenameWeChatFiles(rows, {1}, NameTimeOptions{1, true});
    EXPECT_EQ(rows[1].Name, dir / "mmexport_20170919_103438.jpg");
    EXPECT_EQ(rows[0].Name, a);
    EXPECT_TRUE(fs::exists(a));

    EXPECT_FALSE(RenameWeChatFiles(rows, {}, NameTimeOptions{}).has_value()) << "no rows: no message";
}

TEST(RenameWeChatFiles, DryRunRenamesNothingButTellsAndFailsAsTheRealRunWould) {
    test::TempDir dir;
    const std::string a = dir.file("mmexport1604139498000.jpg", "a");
    const std::string b = dir.file("sub/1604139498000.mp4", "b");
    const std::string taken = dir.file("1505788478724.jpg", "c");
    dir.file("mmexport_20170919_103438.jpg", "already here");
    // The same stamp as a, in the same folder: the second to want that name.
    const std::string twin = dir.file("1604139498000.jpg", "d");
    std::vector<FileEntry> rows = {Row(a), Row(b), Row(taken), Row(twin), Row(dir.file("notes.txt"))};
    const std::vector<FileEntry> before = rows;
    std::vector<std::pair<std::string, std::string>> told;
    RenameHooks hooks;
    hooks.dryRun = true;
    hooks.observer = [&](std::string_view from, std::string_view to) { told.emplace_back(from, to); };

    const auto failures = RenameWeChatFiles(rows, All(rows), NameTimeOptions{1, true}, hooks);
    ASSERT_TRUE(failures.has_value());
    EXPECT_EQ(rows, before) << "a dry run changes no row";
    for (const std::string& p : {a, b, taken, twin})
        EXPECT_TRUE(fs::exists(p)) << p;
    EXPECT_FALSE(fs::exists(dir / "mmexport_20201031_181818.jpg"));
    const std::vector<std::pair<std::string, std::string>> expected = {{a, dir / "mmexport_20201031_181818.jpg"},
                                                                       {b, dir / "sub/mmexport_20201031_181818.mp4"}};
    EXPECT_EQ(told, expected);
    EXPECT_EQ(failures->paths, (std::vector<std::string>{taken, twin}));

    // The real run fails the same rows and tells about the renames it made.
    hooks.dryRun = false;
    told.clear();
    const auto real = RenameWeChatFiles(rows, All(rows), NameTimeOptions{1, true}, hooks);
    ASSERT_TRUE(real.has_value());
    EXPECT_EQ(real->paths, failures->paths);
    EXPECT_EQ(told, expected);
    EXPECT_EQ(rows[0].Name, dir / "mmexport_20201031_181818.jpg");
}

TEST(RenameWeChatFiles, WindowsPathsThroughTheFakePlatform) {
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("D:\\p");
    fake.addFile("D:\\p\\mmexport1604139498000.jpg");
    fake.addFile("D:\\p\\1604139498000.png");
    fake.addFile("D:\\p\\MMEXPORT_20201031_181818.PNG"); // the same name as far as Windows is concerned
    std::vector<FileEntry> rows = {Row("D:\\p\\mmexport1604139498000.jpg"), Row("D:\\p\\1604139498000.png")};
    const auto failures = RenameWeChatFiles(rows, All(rows), NameTimeOptions{1, true});
    EXPECT_EQ(rows[0].Name, "D:\\p\\mmexport_20201031_181818.jpg");
    EXPECT_NE(fake.node("D:\\p\\mmexport_20201031_181818.jpg"), nullptr);
    EXPECT_EQ(rows[1].Name, "D:\\p\\1604139498000.png");
    ASSERT_TRUE(failures.has_value());
    EXPECT_EQ(failures->paths, std::vector<std::string>{"D:\\p\\1604139498000.png"});
}

} // namespace
} // namespace kdx
