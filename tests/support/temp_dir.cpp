#include "temp_dir.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#include "platform/platform.h"

namespace kdx::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::random_device rd;
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path p = base / ("kairodex-test-" + std::to_string(rd()));
        if (fs::create_directory(p)) {
            m_path = p.string() + static_cast<char>(fs::path::preferred_separator);
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    // Read-only entries made by a test must not keep the folder alive.
    for (auto it = fs::recursive_directory_iterator(m_path, ec); it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (!it->is_symlink(ec)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(m_path, ec);
}

std::string TempDir::file(const std::string& relative, const std::string& content) const {
    const fs::path p = fs::path(m_path) / relative;
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out << content;
    return p.string();
}

std::string TempDir::folder(const std::string& relative) const {
    const fs::path p = fs::path(m_path) / relative;
    fs::create_directories(p);
    return p.string();
}

void TempDir::setTimes(const std::string& path, int64_t modified, int64_t accessed) {
    Platform& host = hostPlatform();
    if (!host.setFileTime(path, TimeSlot::LastWrite, FileTime::fromUnix(modified, 0)) ||
        !host.setFileTime(path, TimeSlot::LastAccess, FileTime::fromUnix(accessed, 0)))
        throw std::runtime_error("cannot set the times of " + path);
}

} // namespace kdx::test
