#include "core/common/text.h"

#include <charconv>
#include <vector>

#include "platform/platform.h"

namespace kdx {

bool IsBlank(std::string_view text) {
    for (char c : text)
        if (!IsBlankChar(c)) return false;
    return true;
}

std::string_view Trim(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && IsBlankChar(text[b]))
        ++b;
    while (e > b && IsBlankChar(text[e - 1]))
        --e;
    return text.substr(b, e - b);
}

std::string_view TrimRight(std::string_view text) {
    size_t e = text.size();
    while (e > 0 && IsBlankChar(text[e - 1]))
        --e;
    return text.substr(0, e);
}

bool ParseInt(std::string_view text, long long& value) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && ptr == text.data() + text.size();
}

char PathSeparator() {
    return sys().separator();
}

namespace {

// The separator test with the platform's separator asked once per path.
struct SeparatorTest {
    char sep = PathSeparator();
    bool operator()(char c) const { return c == sep || (sep == '\\' && c == '/'); }
};

} // namespace

bool IsPathSeparator(char c) {
    return SeparatorTest{}(c);
}

std::string StripTrailingBackslashes(std::string_view path) {
    const SeparatorTest isSep;
    size_t e = path.size();
    while (e > 0 && isSep(path[e - 1]))
        --e;
    return std::string(path.substr(0, e));
}

std::string EntryPathOf(std::string_view path) {
    std::string p = StripTrailingBackslashes(path);
    if (p.empty()) {
        if (!path.empty() && IsPathSeparator(path.front())) p.assign(1, PathSeparator());
        return p;
    }
    if (p.size() == path.size()) return p;
    Platform& system = sys();
    const auto attributes = system.getAttributes(p);
    if (attributes && (*attributes & attr::ReparsePoint))
        if (auto resolved = system.resolvedPath(p)) return std::move(*resolved);
    return p;
}

std::string AddTrailingBackslash(std::string_view path) {
    if (IsBlank(path)) return {};
    // In UTF-8 a separator byte is never part of a longer character.
    if (IsPathSeparator(path.back())) return std::string(path);
    std::string out(path);
    out += PathSeparator();
    return out;
}

std::string_view FileNameOf(std::string_view path) {
    const SeparatorTest isSep;
    for (size_t i = path.size(); i > 0; --i)
        if (isSep(path[i - 1])) return path.substr(i);
    return path;
}

std::string_view FolderOf(std::string_view path) {
    const SeparatorTest isSep;
    for (size_t i = path.size(); i > 0; --i)
        if (isSep(path[i - 1])) return path.substr(0, i);
    return {};
}

std::string_view ExtensionOf(std::string_view path) {
    const std::string_view name = FileNameOf(path);
    const size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
}

bool PathsEqual(std::string_view a, std::string_view b) {
    if (a.size() == b.size() && a == b) return true;
    if (!sys().pathsIgnoreCase()) return false;
    return sys().toUpper(a) == sys().toUpper(b);
}

std::string PathKey(std::string_view path) {
    return sys().pathsIgnoreCase() ? sys().toUpper(path) : std::string(path);
}

namespace {

bool IsDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool HasDrive(std::string_view path) {
    return path.size() >= 2 && path[1] == ':' && IsDriveLetter(path[0]);
}

// The root of an absolute path in its shortest form ("/", "C:\",
// "\\server\share") and where the rest begins.
size_t RootOf(std::string_view path, bool windows, const SeparatorTest& isSep, std::string& root) {
    if (!windows) {
        root = "/";
        return 1;
    }
    if (HasDrive(path)) {
        root = std::string(path.substr(0, 2)) + '\\';
        return 2;
    }
    // "\\server\share": the first two parts belong to the root.
    size_t at = 2;
    for (int part = 0; part < 2; ++part) {
        while (at < path.size() && isSep(path[at]))
            ++at;
        while (at < path.size() && !isSep(path[at]))
            ++at;
    }
    root = "\\\\";
    for (char c : path.substr(2, at - 2))
        root += isSep(c) ? '\\' : c;
    return at;
}

} // namespace

bool IsAbsolutePath(std::string_view path) {
    const SeparatorTest isSep;
    if (path.empty()) return false;
    if (isSep.sep != '\\') return isSep(path[0]);
    return (path.size() >= 2 && isSep(path[0]) && isSep(path[1])) ||
           (HasDrive(path) && path.size() > 2 && isSep(path[2]));
}

std::string AbsolutePath(std::string_view path) {
    if (path.empty()) return {};
    const SeparatorTest isSep;
    const bool windows = isSep.sep == '\\';
    // Paths in the system's literal form are not to be touched.
    if (windows && path.size() >= 4 && isSep(path[0]) && isSep(path[1]) && (path[2] == '?' || path[2] == '.') &&
        isSep(path[3]))
        return std::string(path);

    std::string full;
    const bool unc = windows && path.size() >= 2 && isSep(path[0]) && isSep(path[1]);
    const bool driveAbsolute = windows && HasDrive(path) && path.size() > 2 && isSep(path[2]);
    if (unc || driveAbsolute || (!windows && isSep(path[0]))) {
        full = path;
    } else {
        const std::string current = sys().currentFolder();
        if (current.empty()) return std::string(path);
        if (windows && HasDrive(path)) {
            // "C:name" is relative to drive C's folder, known only when it
            // is the current one; otherwise to that drive's root.
            const bool sameDrive = HasDrive(current) && AsciiUpper(current[0]) == AsciiUpper(path[0]);
            full = (sameDrive ? current : std::string(path.substr(0, 2))) + '\\' + std::string(path.substr(2));
        } else if (isSep(path[0])) {
            // "\name" is on the current drive (or share).
            std::string root;
            RootOf(current, windows, isSep, root);
            full = root + std::string(path);
        } else {
            full = current + isSep.sep + std::string(path);
        }
    }

    std::string root;
    const size_t restFrom = RootOf(full, windows, isSep, root);
    std::vector<std::string_view> parts;
    const std::string_view rest = std::string_view(full).substr(restFrom);
    size_t at = 0;
    while (at < rest.size()) {
        size_t end = at;
        while (end < rest.size() && !isSep(rest[end]))
            ++end;
        const std::string_view part = rest.substr(at, end - at);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    std::string out = root;
    for (const std::string_view part : parts) {
        if (!isSep(out.back())) out += isSep.sep;
        out += part;
    }
    if (isSep(path.back()) && !isSep(out.back())) out += isSep.sep;
    return out;
}

PathSet::PathSet(const std::vector<std::string>& paths) {
    m_keys.reserve(paths.size());
    for (const std::string& path : paths)
        insert(path);
}

bool PathSet::insert(std::string_view path) {
    return m_keys.insert(PathKey(path)).second;
}

bool PathSet::contains(std::string_view path) const {
    if (m_keys.empty()) return false;
    return containsKey(PathKey(path));
}

} // namespace kdx
