#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/common/filetime.h"
#include "core/lists/file_entry.h"
#include "core/timesrc/exif.h"
#include "core/timesrc/photo_time.h"
#include "exif_builder.h"
#include "fake_platform.h"
#include "temp_dir.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace kdx {
namespace {

namespace fs = std::filesystem;

const std::string kPhoto = test::CameraPhoto(false, "2020:10:31 18:18:18");
const std::string kTime = "2020-10-31 18:18:18";

TEST(GetPhotoTime, ReadsJpegFilesByTheirExtensionIgnoringCase) {
    test::TempDir dir;
    for (const char* name : {"photo.JPG", "photo.jpg", "a.b.jpeg", "IMG.JpEg"})
        EXPECT_EQ(GetPhotoTime(dir.file(name, kPhoto)), kTime) << name;
    for (const char* name : {"photo.txt", "photo.jpg.txt", "photo", "photo.jpe", "jpg"})
        EXPECT_EQ(GetPhotoTime(dir.file(name, kPhoto)), "") << name << " is not opened";
    // The other picture types are handed to the reader, which knows a JPEG by
    // its content; their own content never passes.
    EXPECT_EQ(GetPhotoTime(dir.file("renamed.png", kPhoto)), kTime);
    EXPECT_EQ(GetPhotoTime(dir.file("real.png", "\x89PNG\r\n\x1a\n" + kPhoto)), "");
    EXPECT_EQ(GetPhotoTime(dir.file("real.gif", "GIF89a" + kPhoto)), "");
    EXPECT_EQ(GetPhotoTime(dir.file("real.bmp", "BM" + kPhoto)), "");
}

TEST(GetPhotoTime, FoldersMissingFilesAndSpecialFilesGiveNothing) {
    test::TempDir dir;
    dir.file("x.jpg/inner.jpg", kPhoto);
    EXPECT_EQ(GetPhotoTime(dir / "x.jpg"), "");
    EXPECT_EQ(GetPhotoTime(dir / "x.jpg/"), "");
    EXPECT_EQ(GetPhotoTime(dir / "missing.jpg"), "");
    EXPECT_EQ(GetPhotoTime(dir.file("empty.jpg")), "");
    EXPECT_EQ(GetPhotoTime(""), "");
#ifndef _WIN32
    // A pipe would block a reader that waited for data.
    ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);
    EXPECT_EQ(GetPhotoTime(dir / "pipe.jpg"), "");
#endif
}

TEST(GetPhotoTime, GoesThroughThePlatform) {
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("D:\\p");
    fake.addFile("D:\\p\\photo.JPG", attr::Archive, kPhoto);
    fake.addFolder("D:\\p\\dir.jpg");
    EXPECT_EQ(GetPhotoTime("D:\\p\\photo.JPG"), kTime);
    EXPECT_EQ(GetPhotoTime("d:\\P\\PHOTO.jpg"), kTime);
    EXPECT_EQ(GetPhotoTime("D:\\p\\dir.jpg"), "");
}

TEST(ReadFileTimes, TakesThePhotoTime) {
    test::TempDir dir;
    EntryTimes t;
    ASSERT_TRUE(ReadFileTimes(dir.file("photo.jpg", kPhoto), {}, t));
    EXPECT_EQ(t.PhotoTime, kTime);
    ASSERT_TRUE(ReadFileTimes(dir.file("plain.jpg", test::Soi() + test::App0() + test::TinyImage()), {}, t));
    EXPECT_EQ(t.PhotoTime, " ");
}

// --- files kept in the repository --------------------------------------------

fs::path DataFolder() {
    return fs::path(__FILE__).parent_path().parent_path() / "data" / "exif";
}

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Hand-made samples (scripts/make_exif_samples.py): NAME.jpg, NAME.heic and
// so on, with NAME.expected beside it.
TEST(PhotoSamples, ReadAsExpected) {
    int samples = 0;
    for (const auto& entry : fs::directory_iterator(DataFolder())) {
        const fs::path p = entry.path();
        const fs::path expectedFile = fs::path(p).replace_extension(".expected");
        if (p.extension() == ".expected" || !fs::exists(expectedFile)) continue;
        std::string expected = Slurp(expectedFile);
        while (!expected.empty() && (expected.back() == '\n' || expected.back() == '\r'))
            expected.pop_back();
        EXPECT_EQ(GetPhotoTime(p.string()), expected) << p.filename();
        ++samples;
    }
    EXPECT_GE(samples, 30);
}

// Inputs that once broke the reader (kept from fuzzing): every file of the
// folder that is not a sample is read again, whole and in small pieces.
TEST(PhotoSamples, EveryKeptInputReadsSafely) {
    int inputs = 0;
    for (const auto& entry : fs::directory_iterator(DataFolder())) {
        if (entry.path().extension() == ".expected") continue;
        const std::string bytes = Slurp(entry.path());
        MemoryInput in(bytes);
        const std::string time = GetPhotoTime(in);
        EXPECT_TRUE(time.empty() || (time.size() == 19 && ParseTimeText(time))) << entry.path().filename();
        EXPECT_EQ(GetPhotoTime(in, 16), time) << entry.path().filename();
        TExif whole, pieces;
        MemoryInput a(bytes), b(bytes);
        EXPECT_EQ(whole.ReadFrom(a), pieces.ReadFrom(b, 16)) << entry.path().filename();
        EXPECT_EQ(whole.DateTimeOriginal, pieces.DateTimeOriginal) << entry.path().filename();
        ++inputs;
    }
    EXPECT_GE(inputs, 9);
}

} // namespace
} // namespace kdx
