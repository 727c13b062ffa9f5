// Win32 implementation of the platform layer.
//
// The program holds every text as UTF-8; every call here is a wide-character
// call, and texts are converted at this door and nowhere else. Both '\' and
// '/' separate. Every path gets the "\\?\" form in one place (SystemPath),
// which every call goes through, so a name is always taken as it is: the
// system's own clean-up would strip a trailing space or dot, or make "CON"
// a device. Paths shown to the user never carry that form.
//
// A bare drive "C:" means that drive's root, never the current folder of
// drive C: the program strips trailing separators before it asks for an
// entry, so "C:\" reaches us as "C:". "C:name" is relative to the drive's
// current folder, as everywhere on Windows.
//
// As on POSIX, a symbolic link or junction is reported and stamped as the
// link itself, never its target.

#include <windows.h>
// (after windows.h, which it needs)
#include <aclapi.h>

// "An operation is not supported on a directory."; older headers lack it.
#ifndef ERROR_DIRECTORY_NOT_SUPPORTED
#define ERROR_DIRECTORY_NOT_SUPPORTED 336L
#endif

#include <algorithm>
#include <atomic>
#include <climits>
#include <optional>
#include <vector>

#include "base/ascii.h"
#include "base/utf8.h"
#include "platform/platform.h"
#include "platform/win32_text.h"

namespace kdx {

namespace win32 {

namespace {

bool StartsWith(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

// UTF-8 that may carry lone surrogates in their three-byte form. Anything
// else that is not UTF-8 gives nothing.
std::optional<std::wstring> WideFromGeneralisedUtf8(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    size_t pos = 0;
    bool afterHighSurrogate = false;
    while (pos < text.size()) {
        char32_t cp = 0;
        if (DecodeUtf8(text, pos, cp)) {
            if (cp >= 0x10000) {
                cp -= 0x10000;
                out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
                out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
            } else {
                out.push_back(static_cast<wchar_t>(cp));
            }
            afterHighSurrogate = false;
            continue;
        }
        const auto b0 = static_cast<unsigned char>(text[pos]);
        if (b0 != 0xED || text.size() - pos < 3) return std::nullopt;
        const auto b1 = static_cast<unsigned char>(text[pos + 1]);
        const auto b2 = static_cast<unsigned char>(text[pos + 2]);
        if (b1 < 0xA0 || b1 > 0xBF || (b2 & 0xC0) != 0x80) return std::nullopt;
        const auto unit = static_cast<wchar_t>(0xD000 | ((b1 & 0x3F) << 6) | (b2 & 0x3F));
        // A whole pair has exactly one text, its four-byte form.
        const bool low = unit >= 0xDC00;
        if (low && afterHighSurrogate) return std::nullopt;
        out.push_back(unit);
        afterHighSurrogate = !low;
        pos += 3;
    }
    return out;
}

bool IsDriveLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// Windows builds: conversion of one piece of at most INT_MAX bytes.
int Size(size_t n) {
    return static_cast<int>(n);
}

std::optional<std::wstring> WideFromCodePageStrict(std::string_view bytes, unsigned codePage) {
    if (bytes.empty()) return std::wstring();
    if (bytes.size() > INT_MAX) return std::nullopt;
    const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), Size(bytes.size()), nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), Size(bytes.size()), out.data(), n);
    return out;
}

} // namespace

std::optional<std::wstring> WideFromUtf8(std::string_view text) {
    if (auto wide = WideFromCodePageStrict(text, CP_UTF8)) return wide;
    return WideFromGeneralisedUtf8(text);
}

std::string Utf8FromWide(std::wstring_view text) {
    if (text.empty()) return {};
    if (text.size() <= INT_MAX) {
        const int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), Size(text.size()), nullptr, 0,
                                          nullptr, nullptr);
        if (n > 0) {
            std::string out(static_cast<size_t>(n), '\0');
            WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), Size(text.size()), out.data(), n, nullptr,
                                nullptr);
            return out;
        }
    }
    // A lone surrogate: every unit by hand, the lone ones in their
    // three-byte form.
    std::string out;
    out.reserve(text.size() * 3);
    for (size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = text[i];
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

namespace {

// A folder the system gives as a full path, in the ordinary form.
std::wstring OrdinaryForm(std::wstring path) {
    if (StartsWith(path, L"\\\\?\\UNC\\"))
        path.replace(0, 8, L"\\\\");
    else if (StartsWith(path, L"\\\\?\\"))
        path.erase(0, 4);
    return path;
}

std::wstring CurrentFolder() {
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    std::wstring out(n, L'\0');
    n = n == 0 ? 0 : GetCurrentDirectoryW(n, out.data());
    out.resize(n < out.size() ? n : 0);
    return OrdinaryForm(out);
}

// The current folder of a drive, which Windows keeps per drive.
std::wstring CurrentFolderOf(wchar_t drive) {
    const wchar_t here[] = {drive, L':', L'.', L'\0'};
    DWORD n = GetFullPathNameW(here, 0, nullptr, nullptr);
    std::wstring out(n, L'\0');
    n = n == 0 ? 0 : GetFullPathNameW(here, n, out.data(), nullptr);
    out.resize(n < out.size() ? n : 0);
    return OrdinaryForm(out);
}

// Length of the root of an absolute path in the ordinary form with '\'
// only: "C:" or "\\server\share"; 0 for any other path.
size_t RootLength(std::wstring_view p) {
    if (p.size() >= 2 && p[1] == L':' && IsDriveLetter(p[0])) return 2;
    if (!StartsWith(p, L"\\\\")) return 0;
    const size_t server = p.find(L'\\', 2);
    if (server == std::wstring_view::npos) return p.size();
    const size_t share = p.find(L'\\', server + 1);
    return share == std::wstring_view::npos ? p.size() : share;
}

} // namespace

std::optional<std::wstring> SystemPath(std::string_view path) {
    std::optional<std::wstring> wide = WideFromUtf8(path);
    if (!wide) return std::nullopt;
    std::wstring p = std::move(*wide);
    if (StartsWith(p, L"\\\\?\\") || StartsWith(p, L"\\\\.\\")) return p;
    std::replace(p.begin(), p.end(), L'/', L'\\');

    // Made absolute the way the system would, but by hand: its own clean-up
    // would also strip a trailing space or dot from a name and turn "CON"
    // or "NUL" into a device, naming another entry than the one asked for.
    std::wstring full;
    if (p.size() == 2 && p[1] == L':' && IsDriveLetter(p[0])) {
        full = p + L'\\'; // a bare drive is its root (see above)
    } else if (p.size() >= 2 && p[1] == L':' && IsDriveLetter(p[0]) && p[2] != L'\\') {
        full = CurrentFolderOf(p[0]) + L'\\' + p.substr(2);
    } else if (StartsWith(p, L"\\\\")) {
        full = p;
    } else if (StartsWith(p, L"\\")) {
        const std::wstring here = CurrentFolder();
        full = here.substr(0, RootLength(here)) + p;
    } else if (p.size() < 2 || p[1] != L':') {
        full = CurrentFolder() + L'\\' + p;
    } else {
        full = p;
    }
    const size_t root = RootLength(full);
    if (root == 0) return p; // no current folder: the call will report it

    // "." and ".." resolved, never above the root; every other name kept as
    // it is, spaces and dots at its end included.
    std::vector<std::wstring_view> names;
    const std::wstring_view rest = std::wstring_view(full).substr(root);
    for (size_t at = 0; at < rest.size();) {
        size_t end = rest.find(L'\\', at);
        if (end == std::wstring_view::npos) end = rest.size();
        const std::wstring_view name = rest.substr(at, end - at);
        if (name == L"..") {
            if (!names.empty()) names.pop_back();
        } else if (!name.empty() && name != L".") {
            names.push_back(name);
        }
        at = end + 1;
    }
    std::wstring out = root == 2 ? L"\\\\?\\" + full.substr(0, 2) : L"\\\\?\\UNC\\" + full.substr(2, root - 2);
    for (const std::wstring_view name : names)
        out.append(L"\\").append(name);
    // A root, or a path given with a trailing separator, keeps one.
    if (names.empty() || (!p.empty() && p.back() == L'\\')) out += L'\\';
    return out;
}

bool HasFatStampRange(std::wstring_view fileSystem) {
    return fileSystem == L"FAT" || fileSystem == L"FAT32" || fileSystem == L"exFAT";
}

std::optional<std::string> CodePageFromUtf8(std::string_view text, unsigned codePage) {
    if (text.empty()) return std::string();
    if (codePage == CP_UTF8) {
        // Lone surrogates have no form in real UTF-8.
        if (IsValidUtf8(text)) return std::string(text);
        return std::nullopt;
    }
    const std::optional<std::wstring> wide = WideFromUtf8(text);
    if (!wide || wide->size() > INT_MAX) return std::nullopt;
    const int units = Size(wide->size());
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(codePage, flags, wide->data(), units, nullptr, 0, nullptr, &usedDefault);
    if (n <= 0 && GetLastError() == ERROR_INVALID_FLAGS) {
        // Code pages that take no flags: the read-back below still guards.
        flags = 0;
        n = WideCharToMultiByte(codePage, flags, wide->data(), units, nullptr, 0, nullptr, nullptr);
    }
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, wide->data(), units, out.data(), n, nullptr, flags ? &usedDefault : nullptr);
    if (usedDefault || Utf8FromCodePage(out, codePage) != text) return std::nullopt;
    return out;
}

std::string Utf8FromCodePage(std::string_view bytes, unsigned codePage) {
    if (auto wide = WideFromCodePageStrict(bytes, codePage)) return Utf8FromWide(*wide);
    if (bytes.size() > INT_MAX) return {};
    if (codePage == CP_UTF8) {
        // The system's own lenient reading gives U+FFFD for each bad byte.
        const int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), Size(bytes.size()), nullptr, 0);
        std::wstring wide(static_cast<size_t>(std::max(n, 0)), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), Size(bytes.size()), wide.data(), n);
        return Utf8FromWide(wide);
    }
    // Character by character (one byte, or a lead byte and its trail), each
    // one the code page does not define replaced on its own.
    std::wstring wide;
    wide.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<BYTE>(bytes[i]);
        const size_t length = IsDBCSLeadByteEx(codePage, lead) && i + 1 < bytes.size() ? 2 : 1;
        if (auto piece = WideFromCodePageStrict(bytes.substr(i, length), codePage))
            wide += *piece;
        else
            wide.push_back(L'\xFFFD');
        i += length;
    }
    return Utf8FromWide(wide);
}

} // namespace win32

namespace {

using win32::StartsWith;
using win32::SystemPath;
using win32::Utf8FromWide;
using win32::WideFromUtf8;

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

FileTime FromFiletime(const FILETIME& t) {
    return FileTime{static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime)};
}

FILETIME ToFiletime(FileTime t) {
    const auto v = static_cast<uint64_t>(t.ticks);
    return FILETIME{static_cast<DWORD>(v & 0xFFFFFFFF), static_cast<DWORD>(v >> 32)};
}

// Failures the system has no words for, as codes of our own (the bit the
// system leaves to applications).
constexpr DWORD ErrorOnlyInCloud = 0x20000001;
constexpr DWORD ErrorOutsideFatRange = 0x20000002;

Failure ErrorFrom(DWORD code) {
    if (code == ErrorOnlyInCloud) return Failure{static_cast<int>(code), "文件仅在云端，未下载"};
    if (code == ErrorOutsideFatRange)
        return Failure{static_cast<int>(code), "此卷只能保存 1980-01-01 到 2107-12-31 之间的时间"};
    wchar_t* text = nullptr;
    const DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string reason = n > 0 ? Utf8FromWide(std::wstring_view(text, n)) : "Error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!reason.empty() && static_cast<unsigned char>(reason.back()) <= 0x20)
        reason.pop_back();
    return Failure{static_cast<int>(code), std::move(reason)};
}

// Names on Windows never hold '*' or '?'; a path that does would make a
// search for one entry match others.
bool HasWildcard(std::string_view path) {
    if (path.substr(0, 4) == "\\\\?\\") path.remove_prefix(4);
    return path.find_first_of("*?") != std::string_view::npos;
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// The final path of an open entry into a buffer as large as the longest path
// can be: asking for the size first does not work everywhere (some systems
// answer a short buffer with ERROR_MORE_DATA instead of the size needed).
// Returns the length written, or 0 or more than the buffer on failure.
DWORD FinalPathOf(HANDLE h, std::wstring& out) {
    out.assign(32768, L'\0');
    return GetFinalPathNameByHandleW(h, out.data(), static_cast<DWORD>(out.size()), FILE_NAME_NORMALIZED);
}

// Creates a new, empty file for writing with a short unique name in folder
// (which is empty or ends in '\\'), so that a name at the length limit still
// has a sibling and leftovers of an earlier crash never stand in the way.
HANDLE CreateUniqueFile(const std::wstring& folder, std::wstring& name) {
    static std::atomic<uint64_t> counter{0};
    const uint64_t seed = (static_cast<uint64_t>(GetCurrentProcessId()) << 32) ^ GetTickCount64();
    for (int attempt = 0; attempt < 100; ++attempt) {
        uint64_t v = seed ^ (counter.fetch_add(1) + 1) * 0x9E3779B97F4A7C15ull;
        std::wstring tail(9, L'0');
        for (wchar_t& c : tail) {
            c = L"abcdefghijklmnopqrstuvwxyz0123456789"[v % 36];
            v /= 36;
        }
        name = folder + L"~kdx-" + tail + L".tmp";
        HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return h;
    }
    return INVALID_HANDLE_VALUE;
}

// Closes a handle and keeps the error of what went before.
void CloseKeepingError(HANDLE h) {
    const DWORD error = GetLastError();
    CloseHandle(h);
    SetLastError(error);
}

class Win32OutputFile final : public OutputFile {
public:
    explicit Win32OutputFile(HANDLE h) : m_handle(h) {}
    ~Win32OutputFile() override { CloseHandle(m_handle); }
    Win32OutputFile(const Win32OutputFile&) = delete;
    Win32OutputFile& operator=(const Win32OutputFile&) = delete;

    Status append(std::string_view data) override {
        size_t done = 0;
        while (done < data.size()) {
            const auto chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, DWORD{1} << 30));
            DWORD written = 0;
            if (!WriteFile(m_handle, data.data() + done, chunk, &written, nullptr)) return ErrorFrom(GetLastError());
            if (written == 0) return ErrorFrom(ERROR_WRITE_FAULT);
            done += written;
        }
        return {};
    }
    Status sync() override {
        if (FlushFileBuffers(m_handle)) return {};
        return ErrorFrom(GetLastError());
    }

private:
    HANDLE m_handle;
};

class Win32InputFile final : public InputFile {
public:
    Win32InputFile(HANDLE h, uint64_t size) : m_handle(h), m_size(size) {}
    ~Win32InputFile() override { CloseHandle(m_handle); }
    Win32InputFile(const Win32InputFile&) = delete;
    Win32InputFile& operator=(const Win32InputFile&) = delete;

    int64_t readAt(uint64_t offset, void* buffer, size_t size) override {
        size_t done = 0;
        while (done < size) {
            const uint64_t at = offset + done;
            OVERLAPPED where{};
            where.Offset = static_cast<DWORD>(at & 0xFFFFFFFF);
            where.OffsetHigh = static_cast<DWORD>(at >> 32);
            const auto chunk = static_cast<DWORD>(std::min<size_t>(size - done, DWORD{1} << 30));
            DWORD got = 0;
            if (!ReadFile(m_handle, static_cast<char*>(buffer) + done, chunk, &got, &where)) {
                if (GetLastError() == ERROR_HANDLE_EOF) break;
                return -1;
            }
            if (got == 0) break;
            done += got;
        }
        return static_cast<int64_t>(done);
    }
    uint64_t size() const override { return m_size; }

private:
    HANDLE m_handle;
    uint64_t m_size;
};

// Opens a regular file for reading; INVALID_HANDLE_VALUE, with the error
// set, for folders, devices and anything that cannot be opened. Without
// fetch, a file whose content is elsewhere (only in the cloud, offline) is
// refused rather than fetched: reading it would download it.
HANDLE OpenRegular(const std::string& path, uint64_t& size, bool fetch) {
    const auto p = SystemPath(path);
    if (!p) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE h = CreateFileW(p->c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES, ShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        // Reading a photo's time must not change the access time we show
        // and set: this handle's reads leave it alone. Where the stamps may
        // not be written, the file is read without that.
        FILETIME keep{0xFFFFFFFF, 0xFFFFFFFF};
        SetFileTime(h, nullptr, &keep, nullptr);
    } else if (const DWORD error = GetLastError();
               error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND && error != ERROR_INVALID_NAME) {
        // Access denied, a write-protected card, a share that allows no
        // attribute writes: reading is all that is needed.
        h = CreateFileW(p->c_str(), GENERIC_READ, ShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (h == INVALID_HANDLE_VALUE) return h;
    BY_HANDLE_FILE_INFORMATION info;
    LARGE_INTEGER length;
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || !GetFileSizeEx(h, &length)) {
        CloseHandle(h);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if (!fetch && (info.dwFileAttributes & (attr::RecallOnDataAccess | FILE_ATTRIBUTE_OFFLINE))) {
        CloseHandle(h);
        SetLastError(ErrorOnlyInCloud);
        return INVALID_HANDLE_VALUE;
    }
    size = static_cast<uint64_t>(length.QuadPart);
    return h;
}

EntryInfo InfoOf(DWORD attributes, const FILETIME& creation, const FILETIME& lastWrite, const FILETIME& lastAccess) {
    return EntryInfo{attributes, FromFiletime(creation), FromFiletime(lastWrite), FromFiletime(lastAccess)};
}

struct Found {
    std::wstring name;
    DWORD attributes;
    DWORD reparseTag;
};

// The name order of NTFS (ordinal, ignoring case by the system's table),
// which other file systems and Wine do not keep by themselves.
bool NameBefore(const Found& a, const Found& b) {
    const int c = CompareStringOrdinal(a.name.data(), static_cast<int>(a.name.size()), b.name.data(),
                                       static_cast<int>(b.name.size()), TRUE);
    if (c != CSTR_EQUAL) return c == CSTR_LESS_THAN;
    return a.name < b.name;
}

// The failure the system's last error code tells of.
Failure Failed() {
    return ErrorFrom(GetLastError());
}

// Success when the call succeeded, otherwise the failure the system tells of.
Status Checked(bool succeeded) {
    if (succeeded) return {};
    return Failed();
}

// The old file's access list goes to its replacement, protected from the
// folder's or inheriting from it as it was, and its owner and group where
// this user may set them. A file system without access lists has none to
// keep.
Status KeepSecurity(const std::wstring& from, const std::wstring& to) {
    PSID owner = nullptr, group = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD got =
        GetNamedSecurityInfoW(from.c_str(), SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION | OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION,
                              &owner, &group, &dacl, nullptr, &descriptor);
    if (got == ERROR_NOT_SUPPORTED || got == ERROR_INVALID_FUNCTION || got == ERROR_CALL_NOT_IMPLEMENTED) return {};
    if (got != ERROR_SUCCESS) return ErrorFrom(got);
    Status kept;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (dacl && GetSecurityDescriptorControl(descriptor, &control, &revision)) {
        const SECURITY_INFORMATION how =
            DACL_SECURITY_INFORMATION | ((control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION
                                                                       : UNPROTECTED_DACL_SECURITY_INFORMATION);
        std::wstring name = to;
        // A share that cannot store this list keeps the folder's instead, as
        // any new file there would have it.
        const DWORD set = SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, how, nullptr, nullptr, dacl, nullptr);
        if (set != ERROR_SUCCESS && set != ERROR_NOT_SUPPORTED && set != ERROR_CALL_NOT_IMPLEMENTED &&
            set != ERROR_INVALID_FUNCTION && set != ERROR_INVALID_PARAMETER)
            kept = ErrorFrom(set);
        // Only an administrator may give a file to another owner.
        if (kept && (owner || group))
            SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION,
                                  owner, group, nullptr, nullptr);
    }
    LocalFree(descriptor);
    return kept;
}

// The entry at p as a search of its folder reports it, without opening it;
// nothing when no search finds it (a root, or nothing there).
std::optional<WIN32_FIND_DATAW> SearchOne(const std::wstring& p) {
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileExW(p.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    FindClose(h);
    return found;
}

class Win32Platform final : public Platform {
public:
    Result<EntryInfo> findEntry(const std::string& path) override {
        if (path.empty() || HasWildcard(path)) return ErrorFrom(ERROR_INVALID_NAME);
        const auto p = SystemPath(path);
        if (!p) return ErrorFrom(ERROR_INVALID_NAME);
        if (const auto found = SearchOne(*p))
            return InfoOf(found->dwFileAttributes, found->ftCreationTime, found->ftLastWriteTime,
                          found->ftLastAccessTime);
        // A root (of a drive or a share) is no entry of any folder, so no
        // search finds it; it has attributes and stamps all the same.
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(p->c_str(), GetFileExInfoStandard, &data)) return Failed();
        return InfoOf(data.dwFileAttributes, data.ftCreationTime, data.ftLastWriteTime, data.ftLastAccessTime);
    }

    // The pattern is the system's to match, as Explorer matches it: ignoring
    // case beyond ASCII too, and through 8.3 names where a volume keeps them.
    Status listDirectory(const std::string& folder, std::string_view pattern, bool directoriesOnly,
                         std::vector<DirEntry>& out) override {
        std::string query = folder;
        if (!query.empty() && !IsSeparator(query.back())) query += '\\';
        query += pattern;
        const auto p = SystemPath(query);
        if (!p) return ErrorFrom(ERROR_INVALID_NAME);
        WIN32_FIND_DATAW found;
        HANDLE h = FindFirstFileExW(p->c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                    FIND_FIRST_EX_LARGE_FETCH);
        if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER) // before Windows 7
            h = FindFirstFileExW(p->c_str(), FindExInfoStandard, &found, FindExSearchNameMatch, nullptr, 0);
        if (h == INVALID_HANDLE_VALUE) {
            // "Nothing matches" from a folder that is there is an empty
            // result, not a failure.
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND && folderExists(folder.empty() ? "." : folder)) return {};
            return ErrorFrom(error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error);
        }
        std::vector<Found> entries;
        do {
            const std::wstring_view name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const DWORD a = found.dwFileAttributes;
            if (directoriesOnly && ((a & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
                                    (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | attr::VolumeLabel)) != 0))
                continue;
            entries.push_back(Found{std::wstring(name), a, (a & FILE_ATTRIBUTE_REPARSE_POINT) ? found.dwReserved0 : 0});
        } while (FindNextFileW(h, &found));
        // A search that breaks off (a share dropped, a card pulled) ends like
        // a finished one: only this code says every entry was seen.
        const DWORD end = GetLastError();
        FindClose(h);
        if (end != ERROR_NO_MORE_FILES) return ErrorFrom(end);
        if (!std::is_sorted(entries.begin(), entries.end(), NameBefore))
            std::sort(entries.begin(), entries.end(), NameBefore);
        out.reserve(out.size() + entries.size());
        for (const Found& e : entries)
            out.push_back(DirEntry{Utf8FromWide(e.name), e.attributes, e.reparseTag});
        return {};
    }

    bool fileExists(const std::string& path) override {
        const DWORD a = attributesOf(path);
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }

    Result<DirEntry> entryKind(const std::string& path) override {
        const DWORD a = attributesOf(path);
        if (a == INVALID_FILE_ATTRIBUTES) return Failed();
        DWORD tag = 0;
        if (a & FILE_ATTRIBUTE_REPARSE_POINT) {
            // Only a directory search reports the tag without opening the entry.
            if (const auto p = HasWildcard(path) ? std::nullopt : SystemPath(path))
                if (const auto found = SearchOne(*p)) tag = found->dwReserved0;
        }
        return DirEntry{{}, a, tag};
    }

    bool folderExists(const std::string& path) override {
        const DWORD a = attributesOf(path);
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }

    Status setFileTime(const std::string& path, TimeKind kind, FileTime value) override {
        StampSet one;
        if (std::optional<FileTime>* stamp = one.of(kind)) *stamp = value;
        return setFileTimes(path, one);
    }

    // One open and one SetFileTime for all the stamps given; the others get
    // no value, which leaves them as they are.
    Status setFileTimes(const std::string& path, const StampSet& stamps) override {
        // Zero means "leave unchanged" to the system, and nothing before
        // 1601 exists: either would be a silent no-op.
        for (const auto* value : {&stamps.creation, &stamps.lastWrite, &stamps.lastAccess}) {
            if (*value && (*value)->ticks <= 0) return ErrorFrom(ERROR_INVALID_PARAMETER);
        }
        if (!stamps.creation && !stamps.lastWrite && !stamps.lastAccess) return {};
        const auto p = SystemPath(path);
        if (!p) return ErrorFrom(ERROR_INVALID_NAME);
        // Writing attributes is all SetFileTime needs, and unlike write
        // access it is not refused for a file another program holds open
        // without write sharing.
        HANDLE h = CreateFileW(p->c_str(), FILE_WRITE_ATTRIBUTES, ShareAll, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (h == INVALID_HANDLE_VALUE) return Failed();
        FILETIME c{}, a{}, w{};
        if (stamps.creation) c = ToFiletime(*stamps.creation);
        if (stamps.lastAccess) a = ToFiletime(*stamps.lastAccess);
        if (stamps.lastWrite) w = ToFiletime(*stamps.lastWrite);
        const bool ok = SetFileTime(h, stamps.creation ? &c : nullptr, stamps.lastAccess ? &a : nullptr,
                                    stamps.lastWrite ? &w : nullptr) != 0;
        if (!ok && GetLastError() == ERROR_INVALID_PARAMETER) {
            // FAT keeps 1980 to 2107 only, and says no more than that the
            // value is wrong.
            wchar_t fileSystem[MAX_PATH + 1] = {};
            if (GetVolumeInformationByHandleW(h, nullptr, 0, nullptr, nullptr, nullptr, fileSystem, MAX_PATH + 1) &&
                win32::HasFatStampRange(fileSystem))
                SetLastError(ErrorOutsideFatRange);
        }
        CloseKeepingError(h);
        return Checked(ok);
    }

    Result<uint32_t> getAttributes(const std::string& path) override {
        const DWORD a = attributesOf(path);
        if (a == INVALID_FILE_ATTRIBUTES) return Failed();
        return a;
    }

    Status setAttributes(const std::string& path, uint32_t attributes) override {
        const auto p = SystemPath(path);
        if (!p) return ErrorFrom(ERROR_INVALID_NAME);
        // Only these can be set; the others (folder, compressed, ...) are
        // facts about the entry. An empty word must say "normal".
        // A cloud service's pinning bits go back as they were.
        constexpr uint32_t Pinned = 0x80000, Unpinned = 0x100000;
        constexpr uint32_t Settable = attr::ReadOnly | attr::Hidden | attr::System | attr::Archive | attr::Temporary |
                                      attr::Offline | attr::NotContentIndexed | Pinned | Unpinned;
        const uint32_t a = attributes & Settable;
        return Checked(SetFileAttributesW(p->c_str(), a != 0 ? a : FILE_ATTRIBUTE_NORMAL) != 0);
    }

    Status renameNoReplace(const std::string& from, const std::string& to) override {
        const auto f = SystemPath(from);
        const auto t = SystemPath(to);
        if (!f || !t) return ErrorFrom(ERROR_INVALID_NAME);
        return Checked(MoveFileExW(f->c_str(), t->c_str(), 0) != 0);
    }

    Status deleteFile(const std::string& path) override {
        const auto p = SystemPath(path);
        if (!p) return ErrorFrom(ERROR_INVALID_NAME);
        return Checked(DeleteFileW(p->c_str()) != 0);
    }

    Result<std::unique_ptr<InputFile>> openForRead(const std::string& path) override {
        uint64_t size = 0;
        HANDLE h = OpenRegular(path, size, false);
        if (h == INVALID_HANDLE_VALUE) return Failed();
        return std::unique_ptr<InputFile>(std::make_unique<Win32InputFile>(h, size));
    }

    Result<std::string> readWholeFile(const std::string& path, uint64_t maxBytes) override {
        uint64_t size = 0;
        // A file the user names as a whole (a snapshot) is fetched.
        HANDLE h = OpenRegular(path, size, true);
        if (h == INVALID_HANDLE_VALUE) return Failed();
        Win32InputFile file(h, size);
        if (size > maxBytes) return ErrorFrom(ERROR_FILE_TOO_LARGE);
        std::string out(static_cast<size_t>(size), '\0');
        const int64_t n = file.readAt(0, out.data(), out.size());
        if (n < 0) return Failed();
        out.resize(static_cast<size_t>(n));
        return out;
    }

    Status writeWholeFile(const std::string& path, std::string_view data) override {
        Failure error;
        const auto named = SystemPath(path);
        if (!named) return ErrorFrom(ERROR_INVALID_NAME);
        // What is there decides where the new content goes: an existing
        // file is asked for its final name (links followed), so a link is
        // kept and its target replaced.
        std::wstring target = *named;
        DWORD oldAttributes = 0;
        bool existed = false;
        HANDLE h = CreateFileW(named->c_str(), FILE_READ_ATTRIBUTES, ShareAll, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            BY_HANDLE_FILE_INFORMATION info;
            if (GetFileType(h) != FILE_TYPE_DISK) {
                CloseHandle(h);
                return Failure{ERROR_INVALID_FUNCTION, "Not a regular file"};
            }
            if (!GetFileInformationByHandle(h, &info)) {
                const Failure failure = Failed();
                CloseHandle(h);
                return failure;
            }
            if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                CloseHandle(h);
                return ErrorFrom(ERROR_DIRECTORY_NOT_SUPPORTED);
            }
            // Only a link needs its final name; the name of anything else is
            // already the one to replace (and some systems cannot tell the
            // final name of a long path).
            const DWORD own = GetFileAttributesW(named->c_str());
            if (own == INVALID_FILE_ATTRIBUTES || (own & FILE_ATTRIBUTE_REPARSE_POINT)) {
                std::wstring final;
                const DWORD n = FinalPathOf(h, final);
                const DWORD finalError = GetLastError();
                if (n == 0 || n >= final.size()) {
                    CloseHandle(h);
                    return ErrorFrom(finalError);
                }
                final.resize(n);
                target = final;
            }
            CloseHandle(h);
            oldAttributes = info.dwFileAttributes;
            existed = true;
            // The rename below would replace a read-only file only after
            // clearing the bit; such a file is not ours to replace.
            if (oldAttributes & FILE_ATTRIBUTE_READONLY) return ErrorFrom(ERROR_ACCESS_DENIED);
            // Nor is one whose access list lets us delete it but not write it.
            HANDLE probe = CreateFileW(target.c_str(), FILE_WRITE_DATA, ShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
            if (probe == INVALID_HANDLE_VALUE) return Failed();
            CloseHandle(probe);
        } else {
            const DWORD openError = GetLastError();
            // Only a name that is not there at all is made new; a dangling
            // link or anything that cannot be opened is reported.
            if (openError != ERROR_FILE_NOT_FOUND || GetFileAttributesW(named->c_str()) != INVALID_FILE_ATTRIBUTES)
                return ErrorFrom(openError);
        }
        const size_t cut = target.find_last_of(L'\\');
        const std::wstring folder = cut == std::wstring::npos ? std::wstring() : target.substr(0, cut + 1);
        std::wstring temp;
        h = CreateUniqueFile(folder, temp);
        if (h == INVALID_HANDLE_VALUE) return ErrorFrom(GetLastError());
        size_t done = 0;
        bool ok = true;
        while (ok && done < data.size()) {
            const auto chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, DWORD{1} << 30));
            DWORD written = 0;
            ok = WriteFile(h, data.data() + done, chunk, &written, nullptr) && written > 0;
            done += written;
        }
        ok = ok && FlushFileBuffers(h);
        if (!ok) error = ErrorFrom(GetLastError());
        if (!CloseHandle(h) && ok) {
            ok = false;
            error = ErrorFrom(GetLastError());
        }
        // The old file's hidden, system and similar bits stay with the name.
        constexpr DWORD Kept =
            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
        if (ok && existed && (oldAttributes & Kept) != 0 && !SetFileAttributesW(temp.c_str(), oldAttributes & Kept)) {
            ok = false;
            error = ErrorFrom(GetLastError());
        }
        if (ok && existed) {
            if (const Status kept = KeepSecurity(target, temp); !kept) {
                ok = false;
                error = kept.error();
            }
        }
        // One rename replaces the old file; write-through makes it durable
        // before the call returns.
        if (ok && !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            ok = false;
            error = ErrorFrom(GetLastError());
        }
        if (ok) return {};
        DeleteFileW(temp.c_str());
        return error;
    }

    Result<std::unique_ptr<OutputFile>> openAppending(const std::string& path, DWORD disposition) {
        const auto p = SystemPath(path);
        if (!p) return ErrorFrom(ERROR_INVALID_NAME);
        HANDLE h = CreateFileW(p->c_str(), FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ, nullptr, disposition,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return Failed();
        if (GetFileType(h) != FILE_TYPE_DISK) {
            CloseHandle(h);
            return ErrorFrom(ERROR_INVALID_FUNCTION);
        }
        return std::unique_ptr<OutputFile>(std::make_unique<Win32OutputFile>(h));
    }

    std::optional<EntryIdentity> entryIdentity(const std::string& path) override {
        const auto p = SystemPath(path);
        if (!p) return std::nullopt;
        // Without FILE_FLAG_OPEN_REPARSE_POINT links and junctions are followed.
        HANDLE h = CreateFileW(p->c_str(), FILE_READ_ATTRIBUTES, ShareAll, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return std::nullopt;
        BY_HANDLE_FILE_INFORMATION info;
        const BOOL ok = GetFileInformationByHandle(h, &info);
        CloseKeepingError(h);
        if (!ok) return std::nullopt;
        return EntryIdentity{info.dwVolumeSerialNumber,
                             (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    }

    std::optional<std::string> resolvedPath(const std::string& path) override {
        const auto p = SystemPath(path);
        if (!p) return std::nullopt;
        // Opened without FILE_FLAG_OPEN_REPARSE_POINT: the system follows
        // every link and junction to the entry behind them.
        HANDLE h = CreateFileW(p->c_str(), FILE_READ_ATTRIBUTES, ShareAll, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return std::nullopt;
        std::wstring final;
        const DWORD n = FinalPathOf(h, final);
        CloseKeepingError(h);
        if (n == 0 || n >= final.size()) return std::nullopt;
        final.resize(n);
        // The answer comes in the long form; the rest of the program uses the
        // ordinary one ("C:\x", "\\server\share").
        return Utf8FromWide(win32::OrdinaryForm(std::move(final)));
    }

    Result<std::unique_ptr<OutputFile>> createNewFile(const std::string& path) override {
        return openAppending(path, CREATE_NEW);
    }

    Result<std::unique_ptr<OutputFile>> openForAppend(const std::string& path) override {
        return openAppending(path, OPEN_EXISTING);
    }

    Status truncateFile(const std::string& path, uint64_t size) override {
        const auto p = SystemPath(path);
        if (!p) return ErrorFrom(ERROR_INVALID_NAME);
        HANDLE h = CreateFileW(p->c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return Failed();
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(size);
        const bool cut = GetFileType(h) == FILE_TYPE_DISK && SetFilePointerEx(h, at, nullptr, FILE_BEGIN) &&
                         SetEndOfFile(h) && FlushFileBuffers(h);
        const DWORD error = cut ? ERROR_SUCCESS : GetLastError();
        CloseHandle(h);
        if (!cut) return ErrorFrom(error == ERROR_SUCCESS ? ERROR_INVALID_FUNCTION : error);
        return {};
    }

    Status createFolders(const std::string& folder) override {
        // Each prefix ending before a separator, past the root (a drive or
        // a share), is made where it is missing.
        for (size_t pos = 0; pos <= folder.size(); ++pos) {
            if (pos < folder.size() && !IsSeparator(folder[pos])) continue;
            const std::string prefix = folder.substr(0, pos);
            if (prefix.empty() || (prefix.size() == 2 && prefix[1] == ':')) continue;
            const auto p = SystemPath(prefix);
            if (!p) return ErrorFrom(ERROR_INVALID_NAME);
            if (!CreateDirectoryW(p->c_str(), nullptr)) {
                const DWORD error = GetLastError();
                // The server and share names of a UNC path cannot be made.
                if (error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED && error != ERROR_INVALID_NAME &&
                    error != ERROR_BAD_NETPATH)
                    return ErrorFrom(error);
            }
        }
        if (!folderExists(folder)) return ErrorFrom(ERROR_PATH_NOT_FOUND);
        return {};
    }

    std::optional<std::string> environment(const std::string& name) override {
        const auto wide = WideFromUtf8(name);
        if (!wide) return std::nullopt;
        std::wstring value(256, L'\0');
        for (;;) {
            const DWORD n = GetEnvironmentVariableW(wide->c_str(), value.data(), static_cast<DWORD>(value.size()));
            if (n == 0) {
                if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
                return std::string();
            }
            if (n < value.size()) {
                value.resize(n);
                return Utf8FromWide(value);
            }
            value.resize(n);
        }
    }

    std::string currentFolder() override {
        DWORD n = GetCurrentDirectoryW(0, nullptr);
        if (n == 0) return {};
        std::wstring buffer(n, L'\0');
        n = GetCurrentDirectoryW(n, buffer.data());
        if (n == 0 || n >= buffer.size()) return {};
        buffer.resize(n);
        return Utf8FromWide(buffer);
    }

    // The offset FileTimeToLocalFileTime applies: the one in force now,
    // daylight saving included, whatever the date being converted.
    int64_t utcOffsetNow() override {
        FILETIME utc, local;
        GetSystemTimeAsFileTime(&utc);
        if (!FileTimeToLocalFileTime(&utc, &local)) return 0;
        return (FromFiletime(local).ticks - FromFiletime(utc).ticks) / FileTime::TicksPerSecond;
    }

    std::string programFolder() override {
        std::wstring buffer(MAX_PATH, L'\0');
        for (;;) {
            const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
            if (n == 0) return {};
            if (n < buffer.size()) {
                buffer.resize(n);
                break;
            }
            if (buffer.size() >= 32768) return {};
            buffer.resize(buffer.size() * 2);
        }
        const size_t last = buffer.find_last_of(L"\\/");
        return last == std::wstring::npos ? std::string() : Utf8FromWide(std::wstring_view(buffer).substr(0, last + 1));
    }

    void prepareProcess() override {
        // Kept with the bits the process already has.
        SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS);
    }

    char separator() const override { return '\\'; }
    bool pathsIgnoreCase() const override { return true; }
    bool canSetCreationTime() const override { return true; }
    bool timesNeedWritable() const override { return true; }

    // The system's casing of file names (not the linguistic one, which
    // would upper-case "i" differently under a Turkish locale and make two
    // names of one file differ). Bytes that are not UTF-8 stay as they are.
    std::string toUpper(std::string_view text) override {
        std::string out;
        out.reserve(text.size());
        size_t pos = 0;
        while (pos < text.size()) {
            const size_t start = pos;
            bool ascii = true;
            char32_t cp = 0;
            for (size_t next = pos; DecodeUtf8(text, next, cp); pos = next)
                ascii = ascii && cp < 0x80;
            const std::string_view run = text.substr(start, pos - start);
            if (ascii)
                out += AsciiUpper(run);
            else
                out += upperRun(run);
            if (pos < text.size() && pos == start) out.push_back(text[pos++]);
        }
        return out;
    }

    std::optional<std::string> toSystemCodePage(std::string_view text) override {
        return win32::CodePageFromUtf8(text, GetACP());
    }

    std::string fromSystemCodePage(std::string_view text) override { return win32::Utf8FromCodePage(text, GetACP()); }

private:
    DWORD attributesOf(const std::string& path) {
        const auto p = path.empty() ? std::nullopt : SystemPath(path);
        if (!p) SetLastError(ERROR_INVALID_NAME);
        return p ? GetFileAttributesW(p->c_str()) : INVALID_FILE_ATTRIBUTES;
    }

    // Upper case of well-formed UTF-8 text; the same length in UTF-16 units.
    static std::string upperRun(std::string_view run) {
        std::optional<std::wstring> wide = WideFromUtf8(run);
        if (!wide || wide->size() > INT_MAX) return std::string(run);
        std::wstring upper(wide->size(), L'\0');
        const int n =
            LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_UPPERCASE, wide->data(), static_cast<int>(wide->size()),
                          upper.data(), static_cast<int>(upper.size()), nullptr, nullptr, 0);
        if (n <= 0) return std::string(run);
        upper.resize(static_cast<size_t>(n));
        return Utf8FromWide(upper);
    }
};

} // namespace

Platform& hostPlatform() {
    static Win32Platform instance;
    return instance;
}

} // namespace kdx
