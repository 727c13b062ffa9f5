// The photo time of the formats other than JPEG: TIFF and raw files, HEIF,
// CR3, QuickTime and MP4 videos, PNG and WebP. Local time is UTC+8 (see
// tests/CMakeLists.txt), which the movie header's UTC time is shown in.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/timesrc/photo_time.h"
#include "exif_builder.h"
#include "media_builder.h"
#include "temp_dir.h"

namespace kdx {
namespace {

using test::CountingInput;

using namespace test;

const std::string kDate = "2019:05:04 13:22:10";
const std::string kTime = "2019-05-04 13:22:10";
// The change date put beside the shooting date, which a cut file may give.
const std::string kChanged = "2001:01:01 00:00:00";
// 2019-05-04 05:22:10 UTC, which is kTime in UTC+8, in seconds since 1904.
constexpr uint64_t kMovieSeconds = 1556947330ull + 2082844800ull;

std::string PhotoTime(const std::string& bytes, size_t firstRead = ByteWindow::kFirstRead) {
    MemoryInput in(bytes);
    return GetPhotoTime(in, firstRead);
}

// TIFF data with the date in the EXIF sub-directory, or in IFD0 only.
std::string Tiff(bool bigEndian = false, const std::string& date = kDate, bool inIfd0 = false) {
    TiffBuilder t(bigEndian);
    t.ascii(kIfd0, 271, "Camera").ascii(kIfd0, 306, inIfd0 ? date : kChanged);
    if (!inIfd0) t.ascii(kExifIfd, 36867, date);
    return t.build();
}

// CR3's second block: TIFF data whose first directory holds the EXIF tags.
std::string ExifFirstTiff(const std::string& date) {
    TiffBuilder t;
    t.rational(kIfd0, 33434, 1, 250);
    if (!date.empty()) t.ascii(kIfd0, 36867, date);
    return t.build();
}

MovieParts MovieWith(std::string extra, uint64_t created = 0, bool version1 = false) {
    MovieParts m;
    m.moovExtra = std::move(extra);
    m.mvhd = Mvhd(created, version1);
    return m;
}

std::string MovieOf(std::function<void(MovieParts&)> change) {
    MovieParts m;
    change(m);
    return Movie(m);
}

struct Sample {
    const char* name;
    std::string bytes;
    std::string time;
};

std::vector<Sample> Samples() {
    const std::string creationKey = "com.apple.quicktime.creationdate";
    return {
        {"TIFF, Intel order", Tiff(false), kTime},
        {"TIFF, Motorola order", Tiff(true), kTime},
        {"TIFF, date in IFD0 only", Tiff(false, kDate, true), kTime},
        {"Olympus raw (IIRO)", TiffFile(Tiff(false), "IIRO"), kTime},
        {"Olympus raw (MMOR)", TiffFile(Tiff(true), "MMOR"), kTime},
        {"Panasonic raw (IIU)", TiffFile(Tiff(false), std::string("IIU\0", 4)), kTime},
        {"Fuji raw", FujiRaw(JpegWithExif(Tiff(true))), kTime},
        {"HEIC, EXIF behind the image", Heif(Tiff(true)), kTime},
        {"HEIC, EXIF in idat", Heif(Tiff(false), 500, true), kTime},
        {"AVIF", Heif(Tiff(false), 800, false, "avif"), kTime},
        {"CR3", Cr3(Tiff(false, kChanged, true), ExifFirstTiff(kDate)), kTime},
        {"CR3, date in CMT1 only", Cr3(Tiff(false, kDate, true), ExifFirstTiff("")), kTime},
        {"PNG", PngWithExif(Tiff(true)), kTime},
        {"PNG, EXIF after the image", PngWithExif(Tiff(true), 20000, true), kTime},
        {"PNG, Exif prefix", PngWithExif(std::string("Exif\0\0", 6) + Tiff(false)), kTime},
        {"WebP", WebpWithExif(Tiff(false)), kTime},
        {"WebP, RIFF size past the end (a cut file)",
         "RIFF" + Le32(~0u) + "WEBPEXIF" + Le32(uint32_t(Tiff().size())) + Tiff(), kTime},
        {"WebP, animation", WebpWithExif(Tiff(true), 301, 3), kTime},
        {"WebP, odd sizes", WebpWithExif(std::string("Exif\0\0", 6) + Tiff(true) + "x", 301), kTime},
        {"MP4, movie header", Movie(MovieWith("", kMovieSeconds)), kTime},
        {"MP4, 64-bit times", Movie(MovieWith("", kMovieSeconds, true)), kTime},
        {"MP4, no creation time", Movie(MovieWith("")), ""},
        {"MOV, recording date key", Movie(MovieWith(KeysMeta(creationKey, "2019-05-04T13:22:10+0800"), 12345)), kTime},
        {"MOV, key with another zone", Movie(MovieWith(KeysMeta(creationKey, "2019-05-04T13:22:10-05:00"))), kTime},
        {"MP4, key in udta/meta",
         Movie(MovieWith(Box("udta", KeysMeta(creationKey, "2019-05-04T13:22:10Z", true)), kMovieSeconds + 99)), kTime},
        {"MOV, broken key falls back", Movie(MovieWith(KeysMeta(creationKey, "yesterday"), kMovieSeconds)), kTime},
        {"MOV, other key only", Movie(MovieWith(KeysMeta("com.apple.quicktime.model", kDate))), ""},
        {"MP4, moov first", MovieOf([](MovieParts& m) {
             m.moovFirst = true;
             m.mvhd = Mvhd(kMovieSeconds);
         }),
         kTime},
        {"MP4, 64-bit mdat size", MovieOf([](MovieParts& m) {
             m.largeMdat = true;
             m.mvhd = Mvhd(kMovieSeconds);
         }),
         kTime},
        {"PNG without EXIF", PngWithExif(""), ""},
        {"GIF", "GIF89a" + Tiff(), ""},
        {"text", "II*\0 is how a TIFF file starts", ""},
    };
}

TEST(MediaTime, EachFormatGivesItsTime) {
    for (const Sample& s : Samples()) {
        EXPECT_EQ(PhotoTime(s.bytes), s.time) << s.name;
        // Read in small pieces, every far read path is taken: same answer.
        for (size_t firstRead : {1, 16, 100})
            EXPECT_EQ(PhotoTime(s.bytes, firstRead), s.time) << s.name << ", first read " << firstRead;
    }
}

TEST(MediaTime, CutAtEveryLengthGivesTheTimeOrNothing) {
    for (const Sample& s : Samples()) {
        for (size_t len = 0; len < s.bytes.size(); ++len) {
            const std::string cut = s.bytes.substr(0, len);
            const std::string whole = PhotoTime(cut);
            EXPECT_TRUE(whole.empty() || whole == s.time || whole == "2001-01-01 00:00:00")
                << s.name << " cut at " << len;
            EXPECT_EQ(PhotoTime(cut, 7), whole) << s.name << " cut at " << len;
        }
    }
}

TEST(MediaTime, KindIsToldByContentAndOnlyKnownNamesAreOpened) {
    TempDir dir;
    const std::string heic = Heif(Tiff());
    for (const char* name : {"a.HEIC", "b.heif", "c.avif", "d.mp4", "e.MOV", "f.3gp", "g.3g2", "h.m4v", "i.cr3",
                             "j.dng", "k.NEF", "l.arw", "m.raf", "n.webp", "o.png", "p.tif", "q.tiff", "r.jpg"})
        EXPECT_EQ(GetPhotoTime(dir.file(name, heic)), kTime) << name;
    for (const char* name : {"s.txt", "t.heic.bak", "u", "v.mkv"})
        EXPECT_EQ(GetPhotoTime(dir.file(name, heic)), "") << name << " is not opened";
    EXPECT_EQ(GetPhotoTime(dir.file("w.heic", "not a picture at all")), "");
}

// --- reading -----------------------------------------------------------------

TEST(MediaReads, AFarBoxOrItemCostsOneReadAtItsOffset) {
    const size_t big = 4 << 20;
    const size_t track = 300 << 10; // a long video's sample tables
    struct Case {
        const char* name;
        std::string bytes;
        int reads;
        size_t structureBytes = 0; // read in one piece beyond the first read and the far one
    } cases[] = {
        {"HEIC, EXIF at the end", Heif(Tiff(), big), 2},
        {"HEIC, EXIF in meta", Heif(Tiff(), big, true), 1},
        {"MP4, moov behind the data", Movie(MovieWith("", kMovieSeconds)), 1},
        {"MOV, moov behind 4 MiB", MovieOf([&](MovieParts& m) {
             m.mediaBytes = big;
             m.brand = "qt  ";
             m.moovExtra = KeysMeta("com.apple.quicktime.creationdate", "2019-05-04T13:22:10+0800");
         }),
         2},
        // The movie box is read once in full, its start not again.
        {"MOV, large moov behind 4 MiB, its key at its end", MovieOf([&](MovieParts& m) {
             m.mediaBytes = big;
             m.brand = "qt  ";
             m.trackBytes = track;
             m.moovExtra = KeysMeta("com.apple.quicktime.creationdate", "2019-05-04T13:22:10+0800");
         }),
         3, track},
        {"MP4, large moov first", MovieOf([&](MovieParts& m) {
             m.moovFirst = true;
             m.trackBytes = track;
             m.moovExtra = Box("udta", KeysMeta("com.apple.quicktime.creationdate", "2019-05-04T13:22:10Z", true));
         }),
         2, track},
        {"WebP, EXIF behind the image", WebpWithExif(Tiff(), big), 2},
        {"WebP, EXIF behind 100 frames", WebpWithExif(Tiff(), 20000, 100), 2},
        {"PNG, EXIF behind the image data", PngWithExif(Tiff(), big, true), 2},
        {"Fuji raw", FujiRaw(JpegWithExif(Tiff())), 1},
        {"TIFF raw, its image behind the directories", TiffFile(Tiff()) + std::string(big, '\0'), 1},
    };
    for (Case& c : cases) {
        CountingInput in(std::move(c.bytes));
        EXPECT_EQ(GetPhotoTime(in), kTime) << c.name;
        EXPECT_EQ(in.calls, c.reads) << c.name;
        EXPECT_LE(in.bytes, 2 * ByteWindow::kFirstRead + c.structureBytes) << c.name;
    }
}

TEST(MediaReads, HostileStructuresEndQuicklyWithoutATime) {
    const std::string tiff = Tiff();
    std::string manyBoxes = Ftyp("heic", "mif1");
    for (int i = 0; i < 200000; ++i)
        manyBoxes += Box("free", "");
    std::string manyChunks = std::string("\x89PNG\r\n\x1a\n", 8);
    for (int i = 0; i < 20000; ++i)
        manyChunks += PngChunk("tEXt", "");
    std::string manyItems;
    for (int i = 0; i < 70000; ++i)
        manyItems += FullBox("infe", 2, Be16(1) + Be16(0) + "hvc1");
    const std::string iinf =
        FullBox("iinf", 1, Be32(70001) + manyItems + FullBox("infe", 2, Be16(2) + Be16(0) + "Exif"));
    const std::string huge = Be32(0xFFFFFFFFu);
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"a box larger than its parent", Ftyp("heic", "mif1") + Box("meta", Be32(0) + huge + "iinf")},
        {"a 64-bit size past the end", Ftyp("isom", "") + Be32(1) + "moov" + Be64(~0ull) + Mvhd(kMovieSeconds)},
        {"boxes without end", manyBoxes + Box("moov", Mvhd(kMovieSeconds))},
        {"items without end", Ftyp("heic", "mif1") + FullBox("meta", 0, iinf)},
        {"an item offset that wraps",
         [&] {
             std::string h = Heif(tiff);
             const size_t at = h.find(Be16(2) + Be16(0) + Be16(0) + Be16(1));
             return h.replace(at + 8, 4, huge);
         }()},
        {"an item past the end", Heif(tiff).substr(0, Heif(tiff).size() - tiff.size() / 2)},
        {"a chunk past the end", std::string("\x89PNG\r\n\x1a\n", 8) + huge + "eXIf" + tiff},
        {"chunks without end", manyChunks + PngChunk("eXIf", tiff)},
        {"a Fuji JPEG past the end",
         [&] {
             std::string raf = FujiRaw(JpegWithExif(tiff));
             return raf.replace(88, 4, huge);
         }()},
    };
    for (const Case& c : cases) {
        CountingInput in(c.bytes);
        EXPECT_EQ(GetPhotoTime(in), "") << c.name;
        EXPECT_LE(in.calls, 2) << c.name;
    }
}

} // namespace
} // namespace kdx
