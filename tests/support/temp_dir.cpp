#include "temp_dir.h"

#include <algorithm>
#include <random>
#include <stdexcept>

#include "platform/platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <filesystem>
#include <fstream>
#endif

namespace kdx::test {

char HostSeparator() {
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

std::string HostPath(std::string_view slashed) {
    std::string out(slashed);
    std::replace(out.begin(), out.end(), '/', HostSeparator());
    return out;
}

void MarkHidden(const std::string& path) {
#ifdef _WIN32
    Platform& host = hostPlatform();
    const auto a = host.getAttributes(path);
    if (!a || !host.setAttributes(path, *a | attr::Hidden)) throw std::runtime_error("cannot hide " + path);
#else
    std::string name = path;
    while (!name.empty() && name.back() == '/')
        name.pop_back();
    name = name.substr(name.find_last_of('/') + 1);
    if (name.empty() || name.front() != '.') throw std::runtime_error("only a dot name is hidden here: " + path);
#endif
}

bool UnderWine() {
#ifdef _WIN32
    static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
#else
    return false;
#endif
}

#ifdef _WIN32

// The tests' own file making, with the system's calls: std::filesystem
// in this runtime takes neither UTF-8 names nor paths past the classic limit.
namespace {

std::wstring Wide(const std::string& utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string Narrow(const std::wstring& wide) {
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// Test paths are absolute drive paths; long ones take the "\\?\" form.
std::wstring Long(const std::wstring& path) {
    return path.size() < 240 ? path : L"\\\\?\\" + path;
}

void MakeFolders(const std::wstring& path) {
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(Long(path.substr(0, at)).c_str(), nullptr);
    if (!CreateDirectoryW(Long(path).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        throw std::runtime_error("cannot create the folder " + Narrow(path));
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(Long(folder + L"\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            SetFileAttributesW(Long(path).c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
                FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryW(Long(path).c_str());
            else
                DeleteFileW(Long(path).c_str());
        } while (FindNextFileW(h, &found));
        FindClose(h);
    }
    SetFileAttributesW(Long(folder).c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(Long(folder).c_str());
}

} // namespace

TempDir::TempDir() {
    std::random_device rd;
    wchar_t base[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, base);
    if (n == 0 || n > MAX_PATH) throw std::runtime_error("no temporary folder");
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring p = std::wstring(base, n) + L"kairodex-test-" + std::to_wstring(rd());
        if (CreateDirectoryW(p.c_str(), nullptr)) {
            m_path = Narrow(p) + '\\';
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    RemoveTree(Wide(m_path.substr(0, m_path.size() - 1)));
}

std::string TempDir::file(const std::string& relative, const std::string& content) const {
    const std::string path = *this / relative;
    const std::wstring wide = Wide(path);
    MakeFolders(wide.substr(0, wide.find_last_of(L'\\')));
    HANDLE h =
        CreateFileW(Long(wide).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool ok = h != INVALID_HANDLE_VALUE &&
                    WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
                    written == content.size();
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (!ok) throw std::runtime_error("cannot create the file " + path);
    return path;
}

std::string TempDir::folder(const std::string& relative) const {
    const std::string path = *this / relative;
    std::wstring wide = Wide(path);
    while (!wide.empty() && wide.back() == L'\\')
        wide.pop_back();
    MakeFolders(wide);
    return path;
}

#else

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::random_device rd;
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path p = base / ("kairodex-test-" + std::to_string(rd()));
        if (fs::create_directory(p)) {
            m_path = p.string() + '/';
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

#endif

void TempDir::setTimes(const std::string& path, int64_t modified, int64_t accessed) {
    Platform& host = hostPlatform();
    if (!host.setFileTime(path, TimeKind::LastWrite, FileTime::fromUnix(modified, 0)) ||
        !host.setFileTime(path, TimeKind::LastAccess, FileTime::fromUnix(accessed, 0)))
        throw std::runtime_error("cannot set the times of " + path);
}

} // namespace kdx::test
