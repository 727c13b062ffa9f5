#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <set>

#include "core/timesrc/exif.h"
#include "core/timesrc/photo_time.h"
#include "exif_builder.h"

namespace kdx {
namespace {

using test::CountingInput;

using test::App0;
using test::ExifApp1;
using test::JpegWithExif;
using test::kExifIfd;
using test::kIfd0;
using test::Segment;
using test::Soi;
using test::TiffBuilder;
using test::TinyImage;

const std::string kDate = "2019:05:04 13:22:10";
const std::string kTime = "2019-05-04 13:22:10";

bool Read(TExif& exif, const std::string& bytes, size_t firstRead = TExif::kFirstRead) {
    MemoryInput in(bytes);
    return exif.ReadFrom(in, firstRead);
}

std::string PhotoTime(const std::string& bytes) {
    MemoryInput in(bytes);
    return GetPhotoTime(in);
}

// Every value of a reader, to compare two readings of the same bytes.
std::string Dump(const TExif& e) {
    std::string s;
    for (const std::string* t : {&e.ImageDescription,
                                 &e.Make,
                                 &e.Model,
                                 &e.OrientationText,
                                 &e.Rights,
                                 &e.DateTime,
                                 &e.DateTimeOriginal,
                                 &e.DateTimeDigitized,
                                 &e.UserComment,
                                 &e.ExposureTime,
                                 &e.FNumber,
                                 &e.ShutterSpeed,
                                 &e.Aperture,
                                 &e.MaxAperture,
                                 &e.ExposureProgramText,
                                 &e.MeteringModeText,
                                 &e.LightSourceText,
                                 &e.FlashText,
                                 &e.Software,
                                 &e.Artist,
                                 &e.CompressedBPP})
        s += *t + "|";
    for (long long n : std::initializer_list<long long>{
             e.Orientation, e.ExposureProgram, e.ExifImageWidth, e.ExifImageHeight, e.XResolution, e.YResolution,
             e.MeteringMode, e.LightSource, e.Flash, e.ISOSpeed, e.ExifIFDOffset, e.Valid, e.BigEndian})
        s += std::to_string(n) + "|";
    return s;
}

// --- the values -------------------------------------------------------------

class ByteOrder : public ::testing::TestWithParam<bool> {};

TEST_P(ByteOrder, ReadsEveryValueOfAPhoto) {
    const bool be = GetParam();
    TiffBuilder t(be);
    t.ascii(kIfd0, 270, "Sunset over the bay  ").ascii(kIfd0, 271, "Canon").ascii(kIfd0, 272, "Canon EOS 5D");
    t.shortValue(kIfd0, 274, 6).rational(kIfd0, 282, 72, 1).rational(kIfd0, 283, 300, 1);
    t.ascii(kIfd0, 305, "Firmware 1.0").ascii(kIfd0, 306, "2019:05:05 08:00:00").ascii(kIfd0, 315, "Li Lei");
    t.ascii(kIfd0, 33432, "(c) Li Lei");
    t.rational(kExifIfd, 33434, 1, 250).rational(kExifIfd, 33437, 28, 10).shortValue(kExifIfd, 34850, 3);
    t.shortValue(kExifIfd, 34855, 3200).ascii(kExifIfd, 36867, kDate).ascii(kExifIfd, 36868, "2019:05:04 13:22:11");
    t.rational(kExifIfd, 37122, 5, 1).rational(kExifIfd, 37377, 7, 1).rational(kExifIfd, 37378, 297, 100);
    t.rational(kExifIfd, 37381, 4, 1).shortValue(kExifIfd, 37383, 5).shortValue(kExifIfd, 37384, 2);
    t.shortValue(kExifIfd, 37385, 25).ascii(kExifIfd, 37510, "hello\t\r\n");
    t.longValue(kExifIfd, 40962, 4000).shortValue(kExifIfd, 40963, 3000);

    TExif e;
    ASSERT_TRUE(Read(e, JpegWithExif(t.build())));
    EXPECT_TRUE(e.Valid);
    EXPECT_EQ(e.BigEndian, be);
    EXPECT_EQ(e.ImageDescription, "Sunset over the bay");
    EXPECT_EQ(e.Make, "Canon");
    EXPECT_EQ(e.Model, "Canon EOS 5D");
    EXPECT_EQ(e.Orientation, 6);
    EXPECT_EQ(e.OrientationText, "Rotated 90 right");
    EXPECT_EQ(e.XResolution, 72);
    EXPECT_EQ(e.YResolution, 300);
    EXPECT_EQ(e.Software, "Firmware 1.0");
    EXPECT_EQ(e.DateTime, "2019:05:05 08:00:00");
    EXPECT_EQ(e.Artist, "Li Lei");
    EXPECT_EQ(e.Rights, "(c) Li Lei");
    EXPECT_EQ(e.ExifIFDOffset, 8u + 2 + 12 * 11 + 4) << "IFD0 of 10 entries and the pointer";
    EXPECT_EQ(e.ExposureTime, "1/250 seconds");
    EXPECT_EQ(e.FNumber, "2.8");
    EXPECT_EQ(e.ExposureProgram, 3);
    EXPECT_EQ(e.ExposureProgramText, "Aperture Priority");
    EXPECT_EQ(e.ISOSpeed, 3200) << "all 16 bits of the ISO speed count";
    EXPECT_EQ(e.DateTimeOriginal, kDate);
    EXPECT_EQ(e.DateTimeDigitized, "2019:05:04 13:22:11");
    EXPECT_EQ(e.CompressedBPP, "5.0");
    EXPECT_EQ(e.ShutterSpeed, "1/128 seconds");
    EXPECT_EQ(e.Aperture, "2.97");
    EXPECT_EQ(e.MaxAperture, "4.0");
    EXPECT_EQ(e.MeteringMode, 5);
    EXPECT_EQ(e.MeteringModeText, "Pattern");
    EXPECT_EQ(e.LightSource, 2);
    EXPECT_EQ(e.LightSourceText, "Flourescent");
    EXPECT_EQ(e.Flash, 25);
    EXPECT_EQ(e.FlashText, "Flash (Auto)");
    EXPECT_EQ(e.UserComment, "hello") << "trailing control characters go";
    EXPECT_EQ(e.ExifImageWidth, 4000);
    EXPECT_EQ(e.ExifImageHeight, 3000 & 0xFF) << "other 16-bit values are known by their low byte only";
    EXPECT_EQ(PhotoTime(JpegWithExif(t.build())), kTime);
}

INSTANTIATE_TEST_SUITE_P(Exif, ByteOrder, ::testing::Values(false, true),
                         [](const auto& order) { return order.param ? "Motorola" : "Intel"; });

TEST(Exif, ClearEmptiesEverythingAndReadingStartsWithIt) {
    TExif e;
    EXPECT_EQ(Dump(e), Dump(TExif{}));
    ASSERT_TRUE(Read(e, test::CameraPhoto(true)));
    EXPECT_NE(Dump(e), Dump(TExif{}));
    e.Clear();
    EXPECT_EQ(Dump(e), Dump(TExif{}));

    ASSERT_TRUE(Read(e, test::CameraPhoto(true)));
    ASSERT_TRUE(Read(e, "\x89PNG\r\n\x1a\n........")) << "not a JPEG is no error";
    EXPECT_EQ(Dump(e), Dump(TExif{})) << "a new reading forgets the last one";

    ASSERT_TRUE(Read(e, test::CameraPhoto(false)));
    EXPECT_FALSE(e.ReadFromFile("/no/such/folder/photo.jpg"));
    EXPECT_EQ(e.Make, "Canon") << "a file that cannot be opened leaves the values alone";
}

TEST(Exif, DescriptionTables) {
    EXPECT_EQ(OrientationDescription(1), "Normal");
    EXPECT_EQ(OrientationDescription(8), "Rotated 90 left");
    EXPECT_EQ(OrientationDescription(0), "Unknown");
    EXPECT_EQ(OrientationDescription(9), "Unknown");
    EXPECT_EQ(ExposureProgramDescription(8), "Landscape Mode");
    EXPECT_EQ(ExposureProgramDescription(9), "Unknown");
    EXPECT_EQ(MeteringModeDescription(7), "Other");
    EXPECT_EQ(MeteringModeDescription(255), "Unknown");
    EXPECT_EQ(LightSourceDescription(2), "Flourescent");
    EXPECT_EQ(LightSourceDescription(22), "D75");
    EXPECT_EQ(LightSourceDescription(255), "Other");
    EXPECT_EQ(LightSourceDescription(4), "Unknown");
    EXPECT_EQ(FlashDescription(0), "No Flash");
    EXPECT_EQ(FlashDescription(7), "Flash Strobe");
    EXPECT_EQ(FlashDescription(2), "No Flash");
    EXPECT_EQ(SwapLong(0x12345678u), 0x78563412u);
    EXPECT_EQ(SwapWord(0x1234), 0x3412);
}

TEST(Exif, RationalTexts) {
    struct Case {
        uint16_t tag;
        uint32_t num, den;
        const char* text;
    };
    const Case cases[] = {
        {33434, 1, 250, "1/250 seconds"},
        {33434, 10, 2500, "10/2500 seconds"},
        {33434, 1, 1000000, "0 seconds"},
        {33434, 1, 0, ""},
        {33437, 28, 10, "2.8"},
        {33437, 4, 1, "4.0"},
        {33437, 1, 3, "0.33"},
        {33437, 1, 0, ""},
        {37377, 7, 1, "1/128 seconds"},
        {37377, 0, 1, "1/1 seconds"},
        {37377, 1, 0, ""},
        {37377, 100, 1, ""},
        {37377, 0xFFFFFFF9u, 1, "1 seconds"}, // a negative value read unsigned
    };
    for (bool be : {false, true}) {
        for (const Case& c : cases) {
            TiffBuilder t(be);
            t.rational(kExifIfd, c.tag, c.num, c.den);
            TExif e;
            ASSERT_TRUE(Read(e, JpegWithExif(t.build())));
            const std::string& got = c.tag == 33434 ? e.ExposureTime : c.tag == 33437 ? e.FNumber : e.ShutterSpeed;
            EXPECT_EQ(got, c.text) << c.tag << " " << c.num << "/" << c.den << (be ? " MM" : " II");
        }
    }
}

TEST(Exif, TextsStopAtTheirCountOrANul) {
    TiffBuilder t;
    t.asciiRaw(kIfd0, 271, std::string("Nikon\0garbage", 13), 14); // NUL first
    t.asciiRaw(kIfd0, 272, "D850XYZ", 4);                          // count bytes, no NUL
    t.asciiRaw(kIfd0, 305, "Q", 0);                                // at least one byte
    t.asciiRaw(kIfd0, 315, std::string(4, ' '), 4);                // blanks only
    t.asciiRaw(kExifIfd, 36867, "2019:05:04 13:22:23X", 19);       // a camera's date without NUL
    TExif e;
    ASSERT_TRUE(Read(e, JpegWithExif(t.build())));
    EXPECT_EQ(e.DateTimeOriginal, "2019:05:04 13:22:23");
    EXPECT_EQ(e.Make, "Nikon");
    EXPECT_EQ(e.Model, "D850");
    EXPECT_EQ(e.Software, "Q");
    EXPECT_EQ(e.Artist, "");
}

// --- finding the EXIF segment ---------------------------------------------

TEST(ExifSegment, FoundBehindWhateverComesFirst) {
    TiffBuilder t(true);
    t.ascii(kExifIfd, 36867, kDate);
    const std::string tiff = t.build();
    const std::string icc = Segment(0xE2, "ICC_PROFILE" + std::string(500, 'i'));
    const std::string xmp = Segment(0xE1, std::string("http://ns.adobe.com/xap/1.0/\0", 29) + "<x:xmpmeta/>");
    std::string bigApp2;
    for (int i = 0; i < 2; ++i)
        bigApp2 += Segment(0xE2, std::string(40000, char(0xFF)));
    struct Case {
        const char* what;
        std::string file;
    } cases[] = {
        {"no APP0", Soi() + ExifApp1(tiff)},
        {"APP0 of 16 bytes", Soi() + App0() + ExifApp1(tiff)},
        {"APP0 of odd length", Soi() + App0(101) + ExifApp1(tiff)},
        {"APP0 of 3000 bytes", Soi() + App0(3000) + ExifApp1(tiff)},
        {"ICC and Photoshop segments first", Soi() + App0() + icc + Segment(0xED, "Photoshop 3.0") + ExifApp1(tiff)},
        {"XMP in an earlier APP1", Soi() + xmp + ExifApp1(tiff)},
        {"fill bytes before the marker", Soi() + App0() + "\xFF\xFF\xFF" + ExifApp1(tiff)},
        {"standalone markers", Soi() + "\xFF\xD0\xFF\x01" + App0() + "\xFF\xD7" + ExifApp1(tiff)},
        {"stray bytes between segments", Soi() + App0() + std::string("\x00\x12\x34", 3) + ExifApp1(tiff)},
        {"beyond the first read", Soi() + App0() + bigApp2 + ExifApp1(tiff)},
        {"a padding byte other than NUL", Soi() + Segment(0xE1, std::string("Exif\0\xFF", 6) + tiff)},
        {"tables before the EXIF segment", Soi() + TinyImage().substr(0, 69 + 13) + ExifApp1(tiff)},
        {"behind the image data, where the walk never looks", Soi() + App0() + TinyImage() + ExifApp1(tiff)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PhotoTime(c.file + TinyImage()), kTime) << c.what;
}

TEST(ExifSegment, BrokenLengthsStillFindTheMarkerNearTheStart) {
    TiffBuilder t;
    t.ascii(kExifIfd, 36867, kDate);
    // The APP0 length says 16 but 7 more bytes follow, one of them the start
    // of a segment whose length leads past the end of the file.
    std::string app0 = App0();
    const std::string junk("\x01\x02\xFF\xC4\x7F\xFF\x00", 7);
    EXPECT_EQ(PhotoTime(Soi() + app0 + junk + ExifApp1(t.build()) + TinyImage()), kTime);
}

TEST(ExifSegment, NoExifBlock) {
    TiffBuilder t;
    t.ascii(kExifIfd, 36867, kDate);
    const std::string tiff = t.build();
    TExif e;
    ASSERT_TRUE(Read(e, Soi() + App0() + Segment(0xE1, std::string("Exif", 4)) + TinyImage()))
        << "an APP1 too short for the identifier";
    EXPECT_FALSE(e.Valid);
    ASSERT_TRUE(Read(e, Soi() + Segment(0xE1, std::string("Exig\0\0", 6) + tiff) + TinyImage()));
    EXPECT_FALSE(e.Valid);
    ASSERT_TRUE(Read(e, "GIF89a" + tiff));
    EXPECT_FALSE(e.Valid);
    EXPECT_FALSE(Read(e, "")) << "too short for the start-of-image bytes";
    EXPECT_FALSE(Read(e, "\xFF"));
    EXPECT_FALSE(Read(e, Soi() + App0())) << "the markers end before a start of scan";
    EXPECT_FALSE(Read(e, Soi() + App0() + std::string("\xFF\xE2\x00\x01", 4) + TinyImage())) << "a length below 2";
    EXPECT_EQ(PhotoTime(Soi() + App0() + TinyImage()), "");
}

// --- dates ------------------------------------------------------------------

TEST(ExifDates, FirstOfOriginalDigitizedAndChangedThatGivesATime) {
    struct Case {
        const char* original;
        const char* digitized;
        const char* changed;
        const char* time;
    } cases[] = {
        {"2019:05:04 13:22:10", nullptr, nullptr, "2019-05-04 13:22:10"},
        {nullptr, "2018:01:02 03:04:05", nullptr, "2018-01-02 03:04:05"},
        {nullptr, nullptr, "2017:12:31 23:59:59", "2017-12-31 23:59:59"},
        {"                   ", "2018:01:02 03:04:05", "2017:12:31 23:59:59", "2018-01-02 03:04:05"},
        {"2019:05:04 13:22:10", "2018:01:02 03:04:05", "2017:12:31 23:59:59", "2019-05-04 13:22:10"},
        {"0000:00:00 00:00:00", "2018:01:02 03:04:05", nullptr, "2018-01-02 03:04:05"}, // no clock
        {"0000:00:00 00:00:00", nullptr, nullptr, ""},
        {"2019:05:04 \t13:22:10", nullptr, nullptr, ""}, // only blanks stand between date and time
        {"  2019:05:04 13:22:10", nullptr, nullptr, "2019-05-04 13:22:10"},
        {"2019:05:04", nullptr, nullptr, ""},
        {"2019:5:4 3:2:1", nullptr, nullptr, "2019-05-04 03:02:01"},
        {"2019:05:04 13:22", nullptr, nullptr, "2019-05-04 13:22:00"},
        {"2019:02:30 13:22:10", nullptr, nullptr, ""},
        {"2019-05-04 13:22:10", nullptr, nullptr, "2019-05-04 13:22:10"},
        {"2019:05:04 13:22:10.123", nullptr, nullptr, "2019-05-04 13:22:10"},
        {"May 4 2019", nullptr, nullptr, ""},
        {"2019:05", nullptr, nullptr, ""},
        {nullptr, nullptr, nullptr, ""},
    };
    for (bool be : {false, true}) {
        for (const Case& c : cases) {
            TiffBuilder t(be);
            if (c.changed) t.ascii(kIfd0, 306, c.changed);
            if (c.original) t.ascii(kExifIfd, 36867, c.original);
            if (c.digitized) t.ascii(kExifIfd, 36868, c.digitized);
            EXPECT_EQ(PhotoTime(JpegWithExif(t.build())), c.time)
                << (c.original ? c.original : "-") << " / " << (c.digitized ? c.digitized : "-");
        }
    }
}

// --- damaged data ------------------------------------------------------------

TEST(ExifDamage, ValuesPastTheEndAreEmptyAndReadingGoesOn) {
    for (uint32_t far : {0x00100000u, 0xFFFFFFF0u, 0xFFFFFFFFu}) {
        TiffBuilder t;
        t.rawEntry(kIfd0, 271, 2, 6, far).rawEntry(kIfd0, 282, 5, 1, far).ascii(kIfd0, 272, "X100");
        t.rawEntry(kExifIfd, 36867, 2, 20, far).rawEntry(kExifIfd, 33434, 5, 1, far);
        t.rawEntry(kExifIfd, 37377, 10, 1, far).rawEntry(kExifIfd, 33437, 5, 1, far);
        t.ascii(kExifIfd, 36868, "2018:01:02 03:04:05");
        TExif e;
        ASSERT_TRUE(Read(e, JpegWithExif(t.build())));
        EXPECT_EQ(e.Make, "");
        EXPECT_EQ(e.XResolution, 0);
        EXPECT_EQ(e.Model, "X100") << "reading went on";
        EXPECT_EQ(e.DateTimeOriginal, "");
        EXPECT_EQ(e.ExposureTime, "");
        EXPECT_EQ(e.ShutterSpeed, "");
        EXPECT_EQ(e.FNumber, "");
        EXPECT_EQ(e.DateTimeDigitized, "2018:01:02 03:04:05");
        EXPECT_EQ(PhotoTime(JpegWithExif(t.build())), "2018-01-02 03:04:05");
    }
}

TEST(ExifDamage, StructuresPastTheEndEndTheReading) {
    auto photo = [](auto tweak) {
        TiffBuilder t;
        t.ascii(kIfd0, 306, "2017:12:31 23:59:59").ascii(kExifIfd, 36867, kDate);
        tweak(t);
        return JpegWithExif(t.build());
    };
    TExif e;
    for (uint32_t far : {0x10000u, 0xFFFFFFFEu}) {
        const std::string ifd0Away = photo([&](TiffBuilder& t) { t.ifd0Offset = far; });
        EXPECT_FALSE(Read(e, ifd0Away));
        EXPECT_EQ(PhotoTime(ifd0Away), "");
        const std::string exifAway = photo([&](TiffBuilder& t) { t.exifOffset = far; });
        EXPECT_FALSE(Read(e, exifAway));
        EXPECT_EQ(e.DateTime, "2017:12:31 23:59:59");
        EXPECT_EQ(PhotoTime(exifAway), "") << "values read before the failure are not used";
    }
    // A stored count larger than the entries before the end of the data:
    // header, the date, then IFD0 with its first entry only.
    auto cutIfd0 = [](uint16_t storedCount) {
        TiffBuilder t;
        std::string tiff = "II" + t.u16(42) + t.u32(28) + std::string("2017:12:31 23:59:59\0", 20);
        tiff += t.u16(storedCount) + t.u16(306) + t.u16(2) + t.u32(20) + t.u32(8);
        return Soi() + ExifApp1(tiff);
    };
    EXPECT_EQ(PhotoTime(cutIfd0(1)), "2017-12-31 23:59:59");
    EXPECT_FALSE(Read(e, cutIfd0(2)));
    EXPECT_EQ(e.DateTime, "2017:12:31 23:59:59");
    EXPECT_EQ(PhotoTime(cutIfd0(2)), "");
}

TEST(ExifDamage, AnIfd0CountOf0ReadsUpToATag0) {
    for (bool be : {false, true}) {
        TiffBuilder t(be);
        t.ascii(kIfd0, 306, "2017:12:31 23:59:59").ascii(kIfd0, 271, "Sony").ascii(kExifIfd, 36867, kDate);
        t.ifd0Count = 0;
        TExif e;
        ASSERT_TRUE(Read(e, JpegWithExif(t.build())));
        EXPECT_EQ(e.Make, "Sony");
        EXPECT_EQ(e.DateTimeOriginal, kDate) << "the EXIF pointer is among the entries";
        EXPECT_EQ(PhotoTime(JpegWithExif(t.build())), kTime);
    }
    // No tag 0 before the end of the data: the guessed count ends there.
    TiffBuilder t;
    t.ascii(kIfd0, 306, "2017:12:31 23:59:59");
    t.ifd0Count = 0;
    std::string tiff = t.build();
    tiff.resize(8 + 2 + 12); // header, count and the one entry; its text lies behind...
    tiff += "2017:12:31 23:59:59";
    tiff[8 + 2 + 8] = char(8 + 2 + 12); // ...where the value field now points
    EXPECT_EQ(PhotoTime(Soi() + ExifApp1(tiff)), "2017-12-31 23:59:59");
    // A count of 0 in the EXIF sub-directory means no entries.
    TiffBuilder sub;
    sub.ascii(kExifIfd, 36867, kDate);
    std::string bytes = JpegWithExif(sub.build());
    const size_t countAt = bytes.find(std::string("\x01\x00\x03\x90\x02\x00", 6));
    ASSERT_NE(countAt, std::string::npos);
    bytes[countAt] = 0;
    EXPECT_EQ(PhotoTime(bytes), "");
}

// The same bytes cut at every length: never a crash, and either the answer
// of the whole file or none (or, when the dates differ, another of them).
TEST(ExifDamage, TruncatedAtEveryLength) {
    struct File {
        std::string bytes;
        std::string whole;
        std::set<std::string> answers;
    };
    const std::set<std::string> three = {kTime, "2018-01-02 03:04:05", "2017-12-31 23:59:59"};
    std::vector<File> files;
    for (bool be : {false, true}) {
        files.push_back({test::CameraPhoto(be), kTime, {kTime}});
        TiffBuilder t(be);
        t.ascii(kIfd0, 306, "2017:12:31 23:59:59").ascii(kExifIfd, 36868, "2018:01:02 03:04:05");
        t.ascii(kExifIfd, 36867, kDate).rational(kExifIfd, 37377, 7, 1).ascii(kIfd0, 271, "Fuji");
        files.push_back({JpegWithExif(t.build(), App0(33)), kTime, three});
        t.ifd0Count = 0;
        files.push_back({JpegWithExif(t.build()), kTime, three});
    }
    for (const auto& [file, whole, answers] : files) {
        ASSERT_EQ(PhotoTime(file), whole) << "the whole file";
        for (size_t len = 0; len <= file.size(); ++len) {
            const std::string cut = file.substr(0, len);
            const std::string got = PhotoTime(cut);
            EXPECT_TRUE(got.empty() || answers.count(got)) << "cut at " << len << ": " << got;
            // Reads in small pieces give the same values as one big read.
            TExif oneRead, pieces;
            const bool ok = Read(oneRead, cut);
            for (size_t firstRead : {1, 7, 64}) {
                EXPECT_EQ(Read(pieces, cut, firstRead), ok) << len << " " << firstRead;
                EXPECT_EQ(Dump(pieces), Dump(oneRead)) << len << " " << firstRead;
            }
        }
    }
}

// --- the reading itself -----------------------------------------------------

TEST(ExifReads, OneReadServesAPhoto) {
    CountingInput photo(test::CameraPhoto(false) + std::string(1 << 20, '\x5A'));
    EXPECT_EQ(GetPhotoTime(photo), kTime);
    EXPECT_EQ(photo.calls, 1);
    EXPECT_EQ(photo.bytes, TExif::kFirstRead);

    TiffBuilder t;
    t.ascii(kExifIfd, 36867, kDate);
    std::string far = Soi() + App0();
    for (int i = 0; i < 3; ++i)
        far += Segment(0xE2, std::string(60000, 'i'));
    CountingInput beyond(far + ExifApp1(t.build()) + TinyImage());
    EXPECT_EQ(GetPhotoTime(beyond), kTime);
    EXPECT_LE(beyond.calls, 4) << "only the pieces that are needed are read";
    EXPECT_LE(beyond.bytes, TExif::kFirstRead + 4 * 4096);
}

TEST(ExifReads, WorkIsBoundedOnHostileData) {
    // A long run of empty segments is given up after a while.
    std::string empty = Soi();
    for (int i = 0; i < 100000; ++i)
        empty += std::string("\xFF\xE2\x00\x02", 4);
    TiffBuilder t;
    t.ascii(kExifIfd, 36867, kDate);
    CountingInput segments(empty + ExifApp1(t.build()));
    TExif e;
    EXPECT_TRUE(e.ReadFrom(segments));
    EXPECT_FALSE(e.Valid);
    EXPECT_LE(segments.calls, 2);

    // Segments whose lengths jump far: each costs one small read.
    std::string jumps = Soi();
    for (int i = 0; i < 40; ++i)
        jumps += Segment(0xE3, std::string(65533, 'j'));
    CountingInput jumping(jumps + ExifApp1(t.build()));
    EXPECT_EQ(GetPhotoTime(jumping), kTime);
    EXPECT_LE(jumping.bytes, TExif::kFirstRead + 40 * 4096);

    // 65535 entries, each a text of the largest count over bytes without a NUL:
    // entries and texts are capped.
    TiffBuilder many;
    const uint32_t textAt = 8 + 2 + 12 * 65535 + 4;
    for (int i = 0; i < 65535; ++i)
        many.rawEntry(kIfd0, 271, 2, 0xFFFFFFFFu, textAt);
    std::string tiff = many.build() + std::string(200000, 'M');
    ASSERT_EQ(tiff.size(), textAt + 200000u);
    CountingInput hostile(Soi() + ExifApp1(tiff));
    ASSERT_TRUE(e.ReadFrom(hostile));
    EXPECT_EQ(e.Make.size(), 65535u);
    EXPECT_LE(hostile.bytes, 1u << 20);
}

} // namespace
} // namespace kdx
