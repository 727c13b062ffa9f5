// Photo time of 10,000 files next to a bare loop that does only the
// unavoidable work: open, the same reads, close, find the date bytes. The
// goal: GetPhotoTime within 1.5 times the bare loop.
//
// - JPEG: 10,000 JPEG files with EXIF (70 KiB each: JFIF, an EXIF block with
//   a thumbnail-sized tail, image data); the bare loop reads 64 KiB of each.
// - Mixed: half of them JPEG, the rest HEIC, MP4 and MOV files as phones
//   write them, 70 KiB each, with what holds the time at the end (the EXIF
//   item behind the image, the movie box behind the data): the bare loop
//   reads 64 KiB and then, told where by the generator, the end of the file
//   from that offset, as the reader does.
//
// The files are written to a temporary folder first and removed at exit;
// with KAIRODEX_BENCH_PHOTOS=<folder> they are written there (unless already
// there) and kept, so other tools can be timed on the same files.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "../tests/support/exif_builder.h"
#include "../tests/support/media_builder.h"
#include "core/timesrc/photo_time.h"

namespace {

namespace fs = std::filesystem;
using namespace kdx::test;

constexpr int kFiles = 10'000;
constexpr size_t kFileSize = 70 * 1024;

std::string DateOf(int i) {
    char date[32];
    std::snprintf(date, sizeof date, "20%02d:%02d:%02d %02d:%02d:%02d", 10 + i % 15, 1 + i % 12, 1 + i % 28, i % 24,
                  i % 60, (i / 60) % 60);
    return date;
}

// The EXIF block of a camera or phone.
std::string CameraTiff(int i) {
    const std::string date = DateOf(i);
    TiffBuilder t(i % 2 == 1);
    t.ascii(kIfd0, 271, "Canon").ascii(kIfd0, 272, "Canon EOS 5D Mark IV").shortValue(kIfd0, 274, 1);
    t.rational(kIfd0, 282, 72, 1).rational(kIfd0, 283, 72, 1).ascii(kIfd0, 305, "Firmware 1.0.4");
    t.ascii(kIfd0, 306, date);
    t.rational(kExifIfd, 33434, 1, 250).rational(kExifIfd, 33437, 28, 10).shortValue(kExifIfd, 34850, 2);
    t.shortValue(kExifIfd, 34855, 400).ascii(kExifIfd, 36867, date).ascii(kExifIfd, 36868, date);
    t.rational(kExifIfd, 37377, 8, 1).rational(kExifIfd, 37378, 3, 1).shortValue(kExifIfd, 37383, 5);
    t.shortValue(kExifIfd, 37385, 16).longValue(kExifIfd, 40962, 6720).longValue(kExifIfd, 40963, 4480);
    return t.build();
}

std::string Photo(int i) {
    std::string file = Soi() + App0() + ExifApp1(CameraTiff(i) + std::string(9000, '\x7F')) + TinyImage();
    file.resize(kFileSize - 2, '\x5A'); // image data
    return file + "\xFF\xD9";
}

// A file of the mixed set, and where the part that holds its time begins
// (0: in the first 64 KiB).
struct MixedFile {
    std::string name;
    std::string content;
    uint64_t far = 0;
};

MixedFile Mixed(int i) {
    if (i % 2 == 0) return {"IMG_" + std::to_string(10000 + i) + ".jpg", Photo(i), 0};
    // What holds the time is the last part of each file.
    MixedFile f;
    std::string tail;
    switch (i / 2 % 3) {
    case 0: {
        const std::string tiff = CameraTiff(i);
        f = {"IMG_" + std::to_string(10000 + i) + ".heic", Heif(tiff, kFileSize - 1200 - tiff.size()), 0};
        tail = Be32(6) + std::string("Exif\0\0", 6) + tiff;
        break;
    }
    case 1: {
        MovieParts m;
        m.mediaBytes = kFileSize - 1200;
        m.mvhd = Mvhd(3'600'000'000u + static_cast<uint64_t>(i) * 7919);
        f = {"VID_" + std::to_string(10000 + i) + ".mp4", Movie(m), 0};
        tail = Box("moov", m.mvhd + Trak() + Trak(64) + m.moovExtra);
        break;
    }
    default: {
        MovieParts m;
        m.brand = "qt  ";
        m.mediaBytes = kFileSize - 1600;
        m.mvhd = Mvhd(3'600'000'000u);
        std::string date = DateOf(i);
        date[4] = date[7] = '-';
        date[10] = 'T';
        m.moovExtra = KeysMeta("com.apple.quicktime.creationdate", date + "+0800");
        f = {"IMG_" + std::to_string(10000 + i) + ".MOV", Movie(m), 0};
        tail = Box("moov", m.mvhd + Trak() + Trak(64) + m.moovExtra);
        break;
    }
    }
    f.far = f.content.size() - tail.size();
    if (f.content.compare(f.far, tail.size(), tail) != 0) std::abort();
    return f;
}

class PhotoFolder {
public:
    explicit PhotoFolder(bool mixed) {
        const char* keep = std::getenv("KAIRODEX_BENCH_PHOTOS");
        m_keep = keep && *keep;
        const std::string leaf = mixed ? "mixed" : "jpeg";
        m_folder =
            m_keep ? fs::path(keep) / leaf
                   : fs::temp_directory_path() / ("kairodex-bench-photos-" + std::to_string(::getpid()) + "-" + leaf);
        fs::create_directories(m_folder);
        for (int i = 0; i < kFiles; ++i) {
            MixedFile f = mixed ? Mixed(i) : MixedFile{"IMG_" + std::to_string(10000 + i) + ".jpg", Photo(i), 0};
            const fs::path p = m_folder / f.name;
            std::error_code ec;
            if (!m_keep || fs::file_size(p, ec) != f.content.size()) std::ofstream(p, std::ios::binary) << f.content;
            m_paths.push_back(p.string());
            m_far.push_back(f.far);
        }
    }
    ~PhotoFolder() {
        std::error_code ec;
        if (!m_keep) fs::remove_all(m_folder, ec);
    }
    const std::vector<std::string>& paths() const { return m_paths; }
    const std::vector<uint64_t>& far() const { return m_far; }

private:
    fs::path m_folder;
    bool m_keep = false;
    std::vector<std::string> m_paths;
    std::vector<uint64_t> m_far;
};

const PhotoFolder& Photos() {
    static const PhotoFolder folder(false);
    return folder;
}

const PhotoFolder& MixedPhotos() {
    static const PhotoFolder folder(true);
    return folder;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The first "dddd:dd:dd dd:dd:dd" in the bytes.
const char* FindDate(const char* begin, size_t n) {
    const char* end = begin + n;
    for (const char* p = begin + 4; p < end; ++p) {
        p = static_cast<const char*>(std::memchr(p, ':', end - p));
        if (!p) return nullptr;
        const char* d = p - 4;
        if (end - d >= 19 && IsDigit(d[0]) && IsDigit(d[3]) && d[7] == ':' && d[10] == ' ' && d[13] == ':' &&
            d[16] == ':' && IsDigit(d[18]))
            return d;
    }
    return nullptr;
}

// Open, 64 KiB from the start, the far part when there is one, close; the
// date bytes (or the movie header) looked for in what was read.
void BareLoopOver(benchmark::State& state, const PhotoFolder& photos) {
    const auto& paths = photos.paths();
    const auto& far = photos.far();
    std::vector<char> buffer(64 * 1024), tail(64 * 1024);
    for (auto _ : state) {
        int found = 0;
        for (size_t i = 0; i < paths.size(); ++i) {
            const int fd = ::open(paths[i].c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) continue;
            const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), 0);
            ssize_t t = 0;
            if (far[i] != 0) {
                struct stat st;
                if (::fstat(fd, &st) == 0)
                    t = ::pread(fd, tail.data(), static_cast<size_t>(st.st_size) - far[i], static_cast<off_t>(far[i]));
            }
            ::close(fd);
            if (far[i] == 0 ? n > 0 && FindDate(buffer.data(), size_t(n))
                            : t > 0 && (FindDate(tail.data(), size_t(t)) || memmem(tail.data(), size_t(t), "mvhd", 4)))
                ++found;
        }
        if (found != kFiles) state.SkipWithError("a date was not found");
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}

void GetPhotoTimeOver(benchmark::State& state, const PhotoFolder& photos) {
    const auto& paths = photos.paths();
    for (auto _ : state) {
        int found = 0;
        for (const std::string& path : paths)
            found += kdx::GetPhotoTime(path).size() == 19;
        if (found != kFiles) state.SkipWithError("a photo time was not found");
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}

void BareLoop(benchmark::State& state) {
    BareLoopOver(state, Photos());
}
void GetPhotoTimeOfEveryFile(benchmark::State& state) {
    GetPhotoTimeOver(state, Photos());
}
void BareLoopMixed(benchmark::State& state) {
    BareLoopOver(state, MixedPhotos());
}
void GetPhotoTimeOfEveryMixedFile(benchmark::State& state) {
    GetPhotoTimeOver(state, MixedPhotos());
}

BENCHMARK(BareLoop)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(GetPhotoTimeOfEveryFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BareLoopMixed)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(GetPhotoTimeOfEveryMixedFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
