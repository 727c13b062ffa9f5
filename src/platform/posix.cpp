// POSIX implementation of the platform layer (Linux first; nothing here is
// Linux-only where POSIX serves).
//
// Creation time is the file system's birth time (statx) where it records one.
// Where it records none, the modification time stands in for it: the change
// time would be wrong, since every time we set changes it to now. The kernel
// has no call that sets a birth time, so the creation stamp cannot be written.
//
// A symbolic link is reported and stamped as the link itself, never its
// target, as a directory search on Windows reports it.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwctype>
#include <locale.h>
#include <random>

#include "base/ascii.h"
#include "base/utf8.h"
#include "platform/platform.h"

namespace kdx {

namespace {

bool IsHiddenName(std::string_view name) {
    return !name.empty() && name.front() == '.';
}

// The name after the last '/', and the folder up to and with it: this
// layer's own separator, whatever platform the program has installed.
std::string_view NameOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view FolderOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view{} : path.substr(0, slash + 1);
}

uint32_t TypeBits(mode_t mode) {
    if (S_ISDIR(mode)) return attr::Directory;
    if (S_ISREG(mode)) return attr::Archive;
    // Devices, pipes and sockets are listed like files but marked as system
    // entries; nothing ever opens them for reading (see openForRead).
    return attr::Archive | attr::System;
}

// Attribute word of an entry whose own (not followed) status is st.
uint32_t AttributesOf(const std::string& path, const struct stat& st) {
    uint32_t a = 0;
    if (S_ISLNK(st.st_mode)) {
        struct stat target;
        const bool toDir = ::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
        a = attr::ReparsePoint | (toDir ? attr::Directory : attr::Archive);
    } else {
        a = TypeBits(st.st_mode);
        if ((st.st_mode & S_IWUSR) == 0) a |= attr::ReadOnly;
    }
    if (IsHiddenName(NameOf(path))) a |= attr::Hidden;
    return a;
}

// '*' and '?' with ASCII letters compared ignoring case, as the Windows
// directory search matches them. "*.*" matches every name, dotted or not.
bool MatchesPattern(std::string_view name, std::string_view pattern) {
    if (pattern == "*" || pattern == "*.*") return true;
    size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || AsciiUpper(pattern[p]) == AsciiUpper(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

class PosixInputFile final : public InputFile {
public:
    PosixInputFile(int fd, uint64_t size) : m_fd(fd), m_size(size) {}
    ~PosixInputFile() override { ::close(m_fd); }
    int64_t readAt(uint64_t offset, void* buffer, size_t size) override {
        size_t done = 0;
        while (done < size) {
            const ssize_t n =
                ::pread(m_fd, static_cast<char*>(buffer) + done, size - done, static_cast<off_t>(offset + done));
            if (n < 0) {
                if (errno == EINTR) continue;
                return -1;
            }
            if (n == 0) break;
            done += static_cast<size_t>(n);
        }
        return static_cast<int64_t>(done);
    }
    uint64_t size() const override { return m_size; }

private:
    int m_fd;
    uint64_t m_size;
};

// Opens a regular file; -1 for anything else. O_NONBLOCK keeps a pipe or
// device from blocking the open; it is harmless for regular files.
int OpenRegular(const std::string& path, struct stat& st) {
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
#ifdef O_NOATIME
    // Reading a photo's time must not change the access time we show and
    // set; only the owner may ask for that, so others read without it.
    int fd = ::open(path.c_str(), flags | O_NOATIME);
    if (fd < 0 && errno == EPERM) fd = ::open(path.c_str(), flags);
#else
    const int fd = ::open(path.c_str(), flags);
#endif
    if (fd < 0) return -1;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        return -1;
    }
    return fd;
}

Failure ErrorFromErrno(int code) {
    return Failure{code, std::strerror(code)};
}

// The failure errno tells of; lets return statements stay one line.
Failure Failed() {
    return ErrorFromErrno(errno);
}

// Success when the call succeeded, otherwise the failure errno tells of.
Status Checked(bool succeeded) {
    if (succeeded) return {};
    return Failed();
}

class PosixOutputFile final : public OutputFile {
public:
    explicit PosixOutputFile(int fd) : m_fd(fd) {}
    ~PosixOutputFile() override { ::close(m_fd); }
    Status append(std::string_view data) override {
        size_t done = 0;
        while (done < data.size()) {
            const ssize_t n = ::write(m_fd, data.data() + done, data.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return ErrorFromErrno(n < 0 ? errno : EIO);
            done += static_cast<size_t>(n);
        }
        return {};
    }
    Status sync() override {
        if (::fsync(m_fd) == 0) return {};
        return ErrorFromErrno(errno);
    }

private:
    int m_fd;
};

// The entry a write to path lands on: symbolic links followed to the end,
// even to a name that does not exist yet. existed tells whether that entry
// is there, and then st is its status. Fails for anything there that is
// not a regular file.
bool ResolveTarget(const std::string& path, std::string& target, struct stat& st, bool& existed, Failure& error) {
    if (path.empty()) {
        error = ErrorFromErrno(ENOENT);
        return false;
    }
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            error = ErrorFromErrno(EISDIR);
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            error = Failure{EINVAL, "Not a regular file"};
            return false;
        }
        existed = true;
    } else if (errno != ENOENT) {
        error = ErrorFromErrno(errno);
        return false;
    }
    // Follow the links by hand: a link may point at a name yet to be made.
    target = path;
    for (int hops = 0;; ++hops) {
        struct stat own;
        if (::lstat(target.c_str(), &own) != 0) {
            if (errno == ENOENT) break;
            error = ErrorFromErrno(errno);
            return false;
        }
        if (!S_ISLNK(own.st_mode)) break;
        if (hops >= 40) {
            error = ErrorFromErrno(ELOOP);
            return false;
        }
        std::string link(static_cast<size_t>(own.st_size > 0 ? own.st_size : 255) + 1, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0) {
            error = ErrorFromErrno(errno);
            return false;
        }
        if (static_cast<size_t>(n) >= link.size()) continue; // grew meanwhile: read it again
        link.resize(static_cast<size_t>(n));
        target = !link.empty() && link.front() == '/' ? link : std::string(FolderOf(target)) + link;
    }
    return true;
}

// Creates a new, empty file with a short unique name in folder (which is ""
// or ends in '/'), so that a name at the length limit still has a sibling
// and leftovers of an earlier crash never stand in the way.
int CreateUniqueFile(const std::string& folder, std::string& name) {
    static std::atomic<uint64_t> counter{0};
    static const uint64_t seed = std::random_device{}();
    for (int attempt = 0; attempt < 100; ++attempt) {
        uint64_t v = seed ^ (static_cast<uint64_t>(::getpid()) << 32) ^ counter.fetch_add(1) * 0x9E3779B97F4A7C15ull ^
                     static_cast<uint64_t>(::time(nullptr));
        char tail[9];
        for (char& c : tail) {
            c = "abcdefghijklmnopqrstuvwxyz0123456789"[v % 36];
            v /= 36;
        }
        name = folder + ".kdx-" + std::string(tail, sizeof tail);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

class PosixPlatform final : public Platform {
public:
    PosixPlatform() {
        m_utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
        if (!m_utf8) m_utf8 = ::newlocale(LC_CTYPE_MASK, "", nullptr);
    }
    ~PosixPlatform() override {
        if (m_utf8) ::freelocale(m_utf8);
    }

    Result<EntryInfo> findEntry(const std::string& path) override {
        if (path.empty()) return ErrorFromErrno(ENOENT);
        EntryInfo info;
#ifdef STATX_BTIME
        struct statx sx;
        if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
            return Failed();
        struct stat st {};
        st.st_mode = sx.stx_mode;
        info.attributes = AttributesOf(path, st);
        auto conv = [](const struct statx_timestamp& t) { return FileTime::fromUnix(t.tv_sec, t.tv_nsec); };
        info.lastWrite = conv(sx.stx_mtime);
        info.lastAccess = conv(sx.stx_atime);
        info.creation = (sx.stx_mask & STATX_BTIME) ? conv(sx.stx_btime) : info.lastWrite;
#else
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0) return Failed();
        info.attributes = AttributesOf(path, st);
        info.lastWrite = FileTime::fromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
        info.lastAccess = FileTime::fromUnix(st.st_atim.tv_sec, st.st_atim.tv_nsec);
        info.creation = info.lastWrite;
#endif
        return info;
    }

    Status listDirectory(const std::string& folder, std::string_view pattern, bool directoriesOnly,
                         std::vector<DirEntry>& out) override {
        const std::string dirPath = folder.empty() ? std::string(".") : folder;
        DIR* dir = ::opendir(dirPath.c_str());
        if (!dir) return Failed();
        const int dfd = ::dirfd(dir);
        const size_t first = out.size();
        while (const struct dirent* de = ::readdir(dir)) {
            const std::string_view name(de->d_name);
            if (name == "." || name == "..") continue;
            if (!MatchesPattern(name, pattern)) continue;
            uint32_t a = 0;
            switch (de->d_type) {
            case DT_DIR:
                a = attr::Directory;
                break;
            case DT_REG:
                a = attr::Archive;
                break;
            case DT_LNK: {
                struct stat target;
                const bool toDir = ::fstatat(dfd, de->d_name, &target, 0) == 0 && S_ISDIR(target.st_mode);
                a = attr::ReparsePoint | (toDir ? attr::Directory : attr::Archive);
                break;
            }
            default: {
                struct stat st;
                if (::fstatat(dfd, de->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
                a = S_ISLNK(st.st_mode) ? attr::ReparsePoint | attr::Archive : TypeBits(st.st_mode);
                break;
            }
            }
            if (IsHiddenName(name)) a |= attr::Hidden;
            if (directoriesOnly &&
                ((a & attr::Directory) == 0 || (a & (attr::Hidden | attr::System | attr::VolumeLabel)) != 0))
                continue;
            out.push_back(DirEntry{std::string(name), a});
        }
        ::closedir(dir);
        std::sort(out.begin() + static_cast<std::ptrdiff_t>(first), out.end(),
                  [](const DirEntry& x, const DirEntry& y) { return x.name < y.name; });
        return {};
    }

    bool fileExists(const std::string& path) override {
        struct stat st;
        return !path.empty() && ::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
    }

    std::optional<EntryIdentity> entryIdentity(const std::string& path) override {
        struct stat st;
        if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
        return EntryIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
    }

    bool folderExists(const std::string& path) override {
        struct stat st;
        return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }

    Status setFileTime(const std::string& path, TimeKind kind, FileTime value) override {
        if (kind == TimeKind::NotChosen) return {};
        if (kind == TimeKind::Creation) return ErrorFromErrno(ENOTSUP);
        struct timespec times[2];
        times[0].tv_nsec = UTIME_OMIT;
        times[1].tv_nsec = UTIME_OMIT;
        int64_t sec = 0, nsec = 0;
        value.toUnix(sec, nsec);
        struct timespec& t = times[kind == TimeKind::LastAccess ? 0 : 1];
        t.tv_sec = static_cast<time_t>(sec);
        t.tv_nsec = static_cast<long>(nsec);
        return Checked(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0);
    }

    // Modification and access time in one call: half the cost of two, which
    // is most of what synchronising a tree costs.
    Status setFileTimes(const std::string& path, const StampSet& stamps) override {
        if (stamps.creation) return ErrorFromErrno(ENOTSUP);
        if (!stamps.lastWrite && !stamps.lastAccess) return {};
        struct timespec times[2];
        auto put = [](struct timespec& t, const std::optional<FileTime>& value) {
            if (!value) {
                t.tv_sec = 0;
                t.tv_nsec = UTIME_OMIT;
                return;
            }
            int64_t sec = 0, nsec = 0;
            value->toUnix(sec, nsec);
            t.tv_sec = static_cast<time_t>(sec);
            t.tv_nsec = static_cast<long>(nsec);
        };
        put(times[0], stamps.lastAccess);
        put(times[1], stamps.lastWrite);
        return Checked(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0);
    }

    std::optional<std::string> resolvedPath(const std::string& path) override {
        std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
        if (!resolved) return std::nullopt;
        return std::string(resolved.get());
    }

    Result<uint32_t> getAttributes(const std::string& path) override {
        struct stat st;
        if (path.empty()) return ErrorFromErrno(ENOENT);
        if (::lstat(path.c_str(), &st) != 0) return Failed();
        return AttributesOf(path, st);
    }

    // Only the read-only bit has a POSIX meaning: the write permissions.
    Status setAttributes(const std::string& path, uint32_t attributes) override {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0) return Failed();
        if (S_ISLNK(st.st_mode)) return {};
        mode_t mode = st.st_mode & 07777;
        if (attributes & attr::ReadOnly)
            mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
        else
            mode |= S_IWUSR;
        return Checked(mode == (st.st_mode & 07777) || ::chmod(path.c_str(), mode) == 0);
    }

    Status renameNoReplace(const std::string& from, const std::string& to) override {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
        if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
        if (errno != EINVAL && errno != ENOSYS) return Failed();
#endif
        // Without an atomic no-replace rename: link fails when `to` exists.
        struct stat st;
        if (::lstat(from.c_str(), &st) != 0) return Failed();
        if (S_ISDIR(st.st_mode)) {
            if (::lstat(to.c_str(), &st) == 0) return ErrorFromErrno(EEXIST);
            return Checked(::rename(from.c_str(), to.c_str()) == 0);
        }
        if (::link(from.c_str(), to.c_str()) != 0) return Failed();
        if (::unlink(from.c_str()) != 0) {
            const Failure failure = Failed();
            ::unlink(to.c_str());
            return failure;
        }
        return {};
    }

    Status deleteFile(const std::string& path) override {
        return Checked(::unlink(path.c_str()) == 0);
    }

    Result<std::unique_ptr<InputFile>> openForRead(const std::string& path) override {
        struct stat st;
        const int fd = OpenRegular(path, st);
        if (fd < 0) return Failed();
        return std::unique_ptr<InputFile>(std::make_unique<PosixInputFile>(fd, static_cast<uint64_t>(st.st_size)));
    }

    Result<std::string> readWholeFile(const std::string& path, uint64_t maxBytes) override {
        struct stat st;
        const int fd = OpenRegular(path, st);
        if (fd < 0) return Failed();
        if (static_cast<uint64_t>(st.st_size) > maxBytes) {
            ::close(fd);
            return ErrorFromErrno(EFBIG);
        }
        std::string out(static_cast<size_t>(st.st_size), '\0');
        PosixInputFile file(fd, static_cast<uint64_t>(st.st_size));
        const int64_t n = file.readAt(0, out.data(), out.size());
        if (n < 0) return Failed();
        out.resize(static_cast<size_t>(n));
        return out;
    }

    Status writeWholeFile(const std::string& path, std::string_view data) override {
        std::string target;
        struct stat old {};
        bool existed = false;
        Failure error;
        if (!ResolveTarget(path, target, old, existed, error)) return error;
        if (existed) {
            // The rename below needs only the folder's permission; the file's
            // own must not be overridden by it.
            if ((old.st_mode & S_IWUSR) == 0) {
                return ErrorFromErrno(EACCES);
            }
            if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return Failed();
        }
        const std::string folder(FolderOf(target));
        std::string temp;
        const int fd = CreateUniqueFile(folder, temp);
        if (fd < 0) return Failed();
        const auto fail = [&](int code) {
            ::unlink(temp.c_str());
            return ErrorFromErrno(code);
        };
        if (existed) {
            // Owner first: changing it may clear set-id bits the mode restores.
            if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
                // Not allowed to give the file away: at least its group, where allowed.
                [[maybe_unused]] const int groupKept = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
            }
            if (::fchmod(fd, old.st_mode & 07777) != 0) {
                const int code = errno;
                ::close(fd);
                return fail(code);
            }
        }
        size_t done = 0;
        while (done < data.size()) {
            const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                const int code = n < 0 ? errno : EIO;
                ::close(fd);
                return fail(code);
            }
            done += static_cast<size_t>(n);
        }
        if (::fsync(fd) != 0) {
            const int code = errno;
            ::close(fd);
            return fail(code);
        }
        if (::close(fd) != 0) return fail(errno);
        if (::rename(temp.c_str(), target.c_str()) != 0) return fail(errno);
        // The rename itself is on disk only once the folder is.
        const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            const bool synced = ::fsync(dir) == 0 || errno == EINVAL || errno == ENOTSUP || errno == EROFS;
            const int code = errno;
            ::close(dir);
            if (!synced) return ErrorFromErrno(code);
        }
        return {};
    }

    Result<std::unique_ptr<OutputFile>> createNewFile(const std::string& path) override {
        const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) return Failed();
        return std::unique_ptr<OutputFile>(std::make_unique<PosixOutputFile>(fd));
    }

    Result<std::unique_ptr<OutputFile>> openForAppend(const std::string& path) override {
        const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) return Failed();
        struct stat st;
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            const Failure failure = ErrorFromErrno(S_ISREG(st.st_mode) ? errno : EINVAL);
            ::close(fd);
            return failure;
        }
        return std::unique_ptr<OutputFile>(std::make_unique<PosixOutputFile>(fd));
    }

    Status truncateFile(const std::string& path, uint64_t size) override {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) return Failed();
        struct stat st;
        int code = 0;
        if (::fstat(fd, &st) != 0)
            code = errno;
        else if (!S_ISREG(st.st_mode))
            code = EINVAL;
        else if (::ftruncate(fd, static_cast<off_t>(size)) != 0 || ::fsync(fd) != 0)
            code = errno;
        ::close(fd);
        if (code != 0) return ErrorFromErrno(code);
        return {};
    }

    Status createFolders(const std::string& folder) override {
        std::string path;
        for (size_t pos = 0; pos <= folder.size(); ++pos) {
            if (pos < folder.size() && folder[pos] != '/') continue;
            path = folder.substr(0, pos);
            if (path.empty()) continue;
            if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return Failed();
        }
        struct stat st;
        if (::stat(folder.c_str(), &st) != 0) return Failed();
        if (!S_ISDIR(st.st_mode)) return ErrorFromErrno(ENOTDIR);
        return {};
    }

    std::optional<std::string> environment(const std::string& name) override {
        const char* value = std::getenv(name.c_str());
        if (!value) return std::nullopt;
        return std::string(value);
    }

    std::string currentFolder() override {
        std::string buf(4096, '\0');
        while (::getcwd(buf.data(), buf.size()) == nullptr) {
            if (errno != ERANGE || buf.size() > (size_t{1} << 20)) return {};
            buf.resize(buf.size() * 2);
        }
        buf.resize(std::strlen(buf.c_str()));
        return buf;
    }

    int64_t utcOffsetNow() override {
        const time_t now = ::time(nullptr);
        struct tm local;
        if (!::localtime_r(&now, &local)) return 0;
        return local.tm_gmtoff;
    }

    std::string programFolder() override {
        char buf[4096];
        const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
        if (n <= 0) return {};
        return std::string(FolderOf(std::string_view(buf, static_cast<size_t>(n))));
    }

    char separator() const override {
        return '/';
    }
    bool pathsIgnoreCase() const override {
#ifdef __APPLE__
        return true;
#else
        return false;
#endif
    }
    bool canSetCreationTime() const override {
        return false;
    }
    bool timesNeedWritable() const override {
        return false;
    }

    std::string toUpper(std::string_view text) override {
        std::string out;
        out.reserve(text.size());
        size_t pos = 0;
        while (pos < text.size()) {
            const size_t start = pos;
            char32_t cp = 0;
            if (!DecodeUtf8(text, pos, cp)) {
                out.push_back(text[start]); // not UTF-8: keep the byte
                pos = start + 1;
                continue;
            }
            if (cp < 0x80) {
                out.push_back(AsciiUpper(static_cast<char>(cp)));
                continue;
            }
            const auto up = m_utf8 ? static_cast<char32_t>(::towupper_l(static_cast<wint_t>(cp), m_utf8)) : cp;
            AppendUtf8(out, up);
        }
        return out;
    }

private:
    locale_t m_utf8 = nullptr;
};

} // namespace

Platform& hostPlatform() {
    static PosixPlatform instance;
    return instance;
}

} // namespace kdx
