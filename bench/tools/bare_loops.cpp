// The floor the command line program is measured against: single-threaded
// loops that do only the work no program can avoid for the same result,
// straight on the system calls, with no rule of their own beyond it.
//
//   bare_loops list FOLDER     one walk, one statx per entry, one 64 KiB read
//                              per photo and the date found in it; prints a
//                              line per entry (path, three stamps, photo date)
//   bare_loops set FOLDER      the same walk, statx and read, and one
//                              utimensat setting the modification time to the
//                              photo's date (local time)
//   bare_loops sync SRC DST    one walk of DST; per entry one statx of the
//                              same relative name under SRC and, when it is
//                              there, one utimensat with its two times
//
// Prints the count of entries (list: to standard error) and exits 0.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The first "dddd:dd:dd dd:dd:dd" in the bytes.
const char* FindDate(const char* begin, size_t n) {
    const char* end = begin + n;
    for (const char* p = begin + 4; p < end; ++p) {
        p = static_cast<const char*>(std::memchr(p, ':', static_cast<size_t>(end - p)));
        if (!p) return nullptr;
        const char* d = p - 4;
        if (end - d >= 19 && IsDigit(d[0]) && IsDigit(d[3]) && d[7] == ':' && d[10] == ' ' && d[13] == ':' &&
            d[16] == ':' && IsDigit(d[18]))
            return d;
    }
    return nullptr;
}

bool IsJpegName(const char* name) {
    const char* dot = std::strrchr(name, '.');
    return dot && (strcasecmp(dot, ".jpg") == 0 || strcasecmp(dot, ".jpeg") == 0);
}

int64_t DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int Num(const char* p, int n) {
    int v = 0;
    for (int i = 0; i < n; ++i)
        v = v * 10 + (p[i] - '0');
    return v;
}

class Walker {
public:
    std::vector<char> buffer = std::vector<char>(64 * 1024);
    std::string out;
    long long entries = 0;
    long offset = 0; // local time minus UTC, seconds

    Walker() {
        const time_t now = ::time(nullptr);
        struct tm local;
        ::localtime_r(&now, &local);
        offset = local.tm_gmtoff;
    }

    // Calls each(path, isDir) for the folder's entries, depth first.
    template <class Each>
    void walk(std::string& folder, const Each& each) {
        DIR* dir = ::opendir(folder.c_str());
        if (!dir) return;
        std::vector<std::string> subfolders;
        const size_t length = folder.size();
        while (const struct dirent* de = ::readdir(dir)) {
            if (de->d_name[0] == '.') continue;
            folder.append("/").append(de->d_name);
            const bool isDir = de->d_type == DT_DIR;
            each(folder, de->d_name, isDir);
            if (isDir) subfolders.push_back(de->d_name);
            folder.resize(length);
        }
        ::closedir(dir);
        for (const std::string& s : subfolders) {
            folder.append("/").append(s);
            walk(folder, each);
            folder.resize(length);
        }
    }

    const char* photoDate(const std::string& path, const char* name) {
        if (!IsJpegName(name)) return nullptr;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOATIME);
        if (fd < 0) return nullptr;
        const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), 0);
        ::close(fd);
        return n > 0 ? FindDate(buffer.data(), static_cast<size_t>(n)) : nullptr;
    }

    void appendStamp(const struct statx_timestamp& t) {
        const int64_t local = t.tv_sec + offset;
        int64_t days = local / 86400, secs = local % 86400;
        if (secs < 0) {
            secs += 86400;
            --days;
        }
        // Civil date of days since 1970.
        const int64_t z = days + 719468;
        const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
        const int64_t doe = z - era * 146097;
        const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const int64_t mp = (5 * doy + 2) / 153;
        const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
        const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
        const int y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
        char text[32];
        const int n =
            std::snprintf(text, sizeof text, "\t%04d-%02d-%02d %02d:%02d:%02d", y, m, d, static_cast<int>(secs / 3600),
                          static_cast<int>(secs / 60 % 60), static_cast<int>(secs % 60));
        out.append(text, static_cast<size_t>(n));
    }
};

int List(const char* root) {
    Walker w;
    std::string folder = root;
    w.walk(folder, [&](const std::string& path, const char* name, bool) {
        struct statx sx;
        if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) return;
        ++w.entries;
        w.out += path;
        w.appendStamp((sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_mtime);
        w.appendStamp(sx.stx_mtime);
        w.appendStamp(sx.stx_atime);
        w.out += '\t';
        if (S_ISREG(sx.stx_mode))
            if (const char* d = w.photoDate(path, name)) w.out.append(d, 19);
        w.out += '\n';
        if (w.out.size() > (1 << 20)) {
            std::fwrite(w.out.data(), 1, w.out.size(), stdout);
            w.out.clear();
        }
    });
    std::fwrite(w.out.data(), 1, w.out.size(), stdout);
    std::fprintf(stderr, "%lld\n", w.entries);
    return 0;
}

int Set(const char* root) {
    Walker w;
    std::string folder = root;
    w.walk(folder, [&](const std::string& path, const char* name, bool) {
        struct statx sx;
        if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) return;
        if (!S_ISREG(sx.stx_mode)) return;
        const char* d = w.photoDate(path, name);
        if (!d) return;
        const int64_t local = DaysFromCivil(Num(d, 4), Num(d + 5, 2), Num(d + 8, 2)) * 86400 + Num(d + 11, 2) * 3600 +
                              Num(d + 14, 2) * 60 + Num(d + 17, 2);
        struct timespec times[2];
        times[0].tv_sec = 0;
        times[0].tv_nsec = UTIME_OMIT;
        times[1].tv_sec = static_cast<time_t>(local - w.offset);
        times[1].tv_nsec = 0;
        if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0) ++w.entries;
    });
    std::printf("%lld\n", w.entries);
    return 0;
}

int Sync(const char* source, const char* target) {
    Walker w;
    std::string folder = target;
    const size_t targetLength = folder.size();
    std::string counterpart = source;
    const size_t sourceLength = counterpart.size();
    auto copy = [&](const std::string& from, const std::string& to) {
        struct statx sx;
        if (::statx(AT_FDCWD, from.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &sx) != 0) return;
        struct timespec times[2];
        times[0].tv_sec = sx.stx_atime.tv_sec;
        times[0].tv_nsec = sx.stx_atime.tv_nsec;
        times[1].tv_sec = sx.stx_mtime.tv_sec;
        times[1].tv_nsec = sx.stx_mtime.tv_nsec;
        if (::utimensat(AT_FDCWD, to.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0) ++w.entries;
    };
    w.walk(folder, [&](const std::string& path, const char*, bool) {
        counterpart.resize(sourceLength);
        counterpart.append(path, targetLength, std::string::npos);
        copy(counterpart, path);
    });
    copy(source, target);
    std::printf("%lld\n", w.entries);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "list" && argc == 3) return List(argv[2]);
    if (mode == "set" && argc == 3) return Set(argv[2]);
    if (mode == "sync" && argc == 4) return Sync(argv[2], argv[3]);
    std::fprintf(stderr, "usage: bare_loops list FOLDER | set FOLDER | sync SOURCE TARGET\n");
    return 2;
}
