// Photo time of 10,000 JPEG files with EXIF, next to a bare loop that does
// only the unavoidable work (open, one 64 KiB read, close, find the date
// bytes). The goal: GetPhotoTime within 1.5 times the bare loop.
//
// The files (70 KiB each: JFIF, an EXIF block with a thumbnail-sized tail,
// image data) are written to a temporary folder first and removed at exit;
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
#include <unistd.h>

#include "../tests/support/exif_builder.h"
#include "core/timesrc/photo_time.h"

namespace {

namespace fs = std::filesystem;
using namespace kdx::test;

constexpr int kFiles = 10'000;
constexpr size_t kFileSize = 70 * 1024;

std::string Photo(int i) {
    char date[32];
    std::snprintf(date, sizeof date, "20%02d:%02d:%02d %02d:%02d:%02d", 10 + i % 15, 1 + i % 12, 1 + i % 28, i % 24,
                  i % 60, (i / 60) % 60);
    TiffBuilder t(i % 2 == 1);
    t.ascii(kIfd0, 271, "Canon").ascii(kIfd0, 272, "Canon EOS 5D Mark IV").shortValue(kIfd0, 274, 1);
    t.rational(kIfd0, 282, 72, 1).rational(kIfd0, 283, 72, 1).ascii(kIfd0, 305, "Firmware 1.0.4");
    t.ascii(kIfd0, 306, date);
    t.rational(kExifIfd, 33434, 1, 250).rational(kExifIfd, 33437, 28, 10).shortValue(kExifIfd, 34850, 2);
    t.shortValue(kExifIfd, 34855, 400).ascii(kExifIfd, 36867, date).ascii(kExifIfd, 36868, date);
    t.rational(kExifIfd, 37377, 8, 1).rational(kExifIfd, 37378, 3, 1).shortValue(kExifIfd, 37383, 5);
    t.shortValue(kExifIfd, 37385, 16).longValue(kExifIfd, 40962, 6720).longValue(kExifIfd, 40963, 4480);
    std::string file = Soi() + App0() + ExifApp1(t.build() + std::string(9000, '\x7F')) + TinyImage();
    file.resize(kFileSize - 2, '\x5A'); // image data
    return file + "\xFF\xD9";
}

class PhotoFolder {
public:
    PhotoFolder() {
        const char* keep = std::getenv("KAIRODEX_BENCH_PHOTOS");
        m_keep = keep && *keep;
        m_folder = m_keep ? fs::path(keep)
                          : fs::temp_directory_path() / ("kairodex-bench-photos-" + std::to_string(::getpid()));
        fs::create_directories(m_folder);
        for (int i = 0; i < kFiles; ++i) {
            const fs::path p = m_folder / ("IMG_" + std::to_string(10000 + i) + ".jpg");
            std::error_code ec;
            if (!m_keep || fs::file_size(p, ec) != kFileSize) std::ofstream(p, std::ios::binary) << Photo(i);
            m_paths.push_back(p.string());
        }
    }
    ~PhotoFolder() {
        std::error_code ec;
        if (!m_keep) fs::remove_all(m_folder, ec);
    }
    const std::vector<std::string>& paths() const { return m_paths; }

private:
    fs::path m_folder;
    bool m_keep = false;
    std::vector<std::string> m_paths;
};

const PhotoFolder& Photos() {
    static const PhotoFolder folder;
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

void BareLoop(benchmark::State& state) {
    const auto& paths = Photos().paths();
    std::vector<char> buffer(64 * 1024);
    for (auto _ : state) {
        int found = 0;
        for (const std::string& path : paths) {
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) continue;
            const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), 0);
            ::close(fd);
            if (n > 0 && FindDate(buffer.data(), size_t(n))) ++found;
        }
        if (found != kFiles) state.SkipWithError("a date was not found");
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}

void GetPhotoTimeOfEveryFile(benchmark::State& state) {
    const auto& paths = Photos().paths();
    for (auto _ : state) {
        int found = 0;
        for (const std::string& path : paths)
            found += kdx::GetPhotoTime(path).size() == 19;
        if (found != kFiles) state.SkipWithError("a photo time was not found");
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}

BENCHMARK(BareLoop)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(GetPhotoTimeOfEveryFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
