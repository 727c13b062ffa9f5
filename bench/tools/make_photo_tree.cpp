// Makes a photo tree as a phone or camera card holds it, for timing the
// command line program against other tools on the same files:
//
//   DCIM/Camera/yyyy/mm/IMG_yyyymmdd_hhmmss.jpg   phone photos: EXIF in Intel
//                                                 order, a JFIF APP0 before
//                                                 the APP1 in every third
//   DCIM/1nnMSDCF/DSCnnnnn.JPG                    camera photos: EXIF in
//                                                 Motorola order
//   Pictures/WeiXin/mmexport<13 digits>.jpg       WeChat exports: half of
//                                                 them with EXIF, half without
//   Pictures/Screenshots/Screenshot_yyyy-mm-dd-hh-mm-ss.png   no EXIF
//
// Photos carry the shooting time in DateTimeOriginal, DateTimeDigitized and
// DateTime (one in twenty only in DateTime). Files are 40 to 100 KiB; their
// modification and access times are set to a copy date in 2021 that differs
// from the shooting time, so that setting times from photos changes them.
//
// Usage: make_photo_tree FOLDER COUNT [SEED]
// The same count and seed give the same tree. Prints the number of files.

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "../../tests/support/exif_builder.h"
#include "core/common/filetime.h"

namespace {

namespace fs = std::filesystem;
using namespace kdx::test;

struct Civil {
    int year, month, day, hour, minute, second;
};

// Seconds since 1970 as a calendar time in UTC (the tree's clock; no zone).
Civil CivilOf(int64_t t) {
    const kdx::CalendarFields f =
        kdx::DateTime::fromMs(kdx::DaysFromCivil(1970, 1, 1) * kdx::DateTime::MsPerDay + t * 1000).fields();
    return {f.year, f.month, f.day, f.hour, f.minute, f.second};
}

std::string Format(const char* pattern, const Civil& c) {
    char buf[64];
    std::snprintf(buf, sizeof buf, pattern, c.year, c.month, c.day, c.hour, c.minute, c.second);
    return buf;
}

std::string Filler(std::mt19937& rng, size_t n) {
    std::string s(n, '\0');
    for (char& ch : s)
        ch = static_cast<char>(rng() % 0xFF); // never 0xFF: no markers inside
    return s;
}

std::string Jpeg(std::mt19937& rng, const std::string& exifDate, bool bigEndian, bool app0, bool withExif,
                 bool onlyDateTime, size_t size) {
    std::string file = Soi();
    if (app0) file += App0();
    if (withExif) {
        TiffBuilder t(bigEndian);
        t.ascii(kIfd0, 271, bigEndian ? "NIKON CORPORATION" : "Xiaomi");
        t.ascii(kIfd0, 272, bigEndian ? "NIKON D750" : "Redmi Note 8 Pro").shortValue(kIfd0, 274, 1);
        t.rational(kIfd0, 282, 72, 1).rational(kIfd0, 283, 72, 1).ascii(kIfd0, 305, "Ver.1.10");
        t.ascii(kIfd0, 306, exifDate);
        t.rational(kExifIfd, 33434, 1, 125).rational(kExifIfd, 33437, 18, 10).shortValue(kExifIfd, 34850, 2);
        t.shortValue(kExifIfd, 34855, 200);
        if (!onlyDateTime) t.ascii(kExifIfd, 36867, exifDate).ascii(kExifIfd, 36868, exifDate);
        t.shortValue(kExifIfd, 37383, 5).shortValue(kExifIfd, 37385, 16);
        t.longValue(kExifIfd, 40962, 4000).longValue(kExifIfd, 40963, 3000);
        // A thumbnail's worth of bytes inside the segment, as cameras store one.
        file += ExifApp1(t.build() + Filler(rng, 6000 + rng() % 4000));
    }
    std::string image = TinyImage();
    if (file.size() + image.size() < size)
        image.insert(image.size() - 2, Filler(rng, size - file.size() - image.size()));
    return file + image;
}

uint32_t Crc32(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string Be32(uint32_t v) {
    return {char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF), char(v & 0xFF)};
}

std::string PngChunk(const std::string& type, const std::string& data) {
    return Be32(static_cast<uint32_t>(data.size())) + type + data + Be32(Crc32(type + data));
}

// A screenshot: signature, header, one data chunk standing for the image, end.
std::string Png(std::mt19937& rng, size_t size) {
    const std::string header = Be32(1080) + Be32(2340) + std::string("\x08\x06\0\0\0", 5);
    std::string file = std::string("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header);
    const size_t data = size > file.size() + 24 ? size - file.size() - 24 : 0;
    return file + PngChunk("IDAT", Filler(rng, data)) + PngChunk("IEND", "");
}

void Write(const fs::path& path, const std::string& content, int64_t mtime) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    struct timespec times[2];
    times[0].tv_sec = static_cast<time_t>(mtime + 3600); // accessed an hour after the copy
    times[0].tv_nsec = 0;
    times[1].tv_sec = static_cast<time_t>(mtime);
    times[1].tv_nsec = 0;
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_photo_tree FOLDER COUNT [SEED]\n");
        return 2;
    }
    const fs::path root = argv[1];
    const long count = std::strtol(argv[2], nullptr, 10);
    std::mt19937 rng(argc > 3 ? static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)) : 20201031u);

    const int64_t firstShot = 1546300800; // 2019-01-01
    const int64_t copyDay = 1617235200;   // 2021-04-01
    int dsc = 0;
    for (long i = 0; i < count; ++i) {
        // Shots some hours apart; every name below is unique by its time.
        const int64_t shot = firstShot + i * 4001 + static_cast<int64_t>(rng() % 1000);
        const Civil c = CivilOf(shot);
        const std::string exifDate = Format("%04d:%02d:%02d %02d:%02d:%02d", c);
        const size_t size = 40 * 1024 + rng() % (60 * 1024);
        const int64_t mtime = copyDay + static_cast<int64_t>(rng() % (86400 * 30));
        const bool onlyDateTime = rng() % 20 == 0;
        const int kind = static_cast<int>(rng() % 20);
        fs::path path;
        std::string content;
        if (kind < 10) {
            path = root / "DCIM" / "Camera" / Format("%04d/%02d", c) / Format("IMG_%04d%02d%02d_%02d%02d%02d.jpg", c);
            content = Jpeg(rng, exifDate, false, i % 3 == 0, true, onlyDateTime, size);
        } else if (kind < 15) {
            char name[32];
            std::snprintf(name, sizeof name, "DSC%05d.JPG", dsc);
            path = root / "DCIM" / (std::to_string(100 + dsc / 500) + "MSDCF") / name;
            ++dsc;
            content = Jpeg(rng, exifDate, true, false, true, onlyDateTime, size);
        } else if (kind < 18) {
            // The stamp is UTC; the name's time is read as UTC+8.
            path =
                root / "Pictures" / "WeiXin" / ("mmexport" + std::to_string((shot - 8 * 3600) * 1000 + 123) + ".jpg");
            content = Jpeg(rng, exifDate, i % 2 == 0, true, i % 4 < 2, onlyDateTime, size);
        } else {
            path = root / "Pictures" / "Screenshots" / Format("Screenshot_%04d-%02d-%02d-%02d-%02d-%02d.png", c);
            content = Png(rng, size);
        }
        Write(path, content, mtime);
    }
    std::printf("%ld\n", count);
    return 0;
}
