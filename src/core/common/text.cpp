#include "core/common/text.h"

#include <charconv>

#include "platform/platform.h"

namespace kdx {

bool IsBlank(std::string_view text) {
    for (char c : text)
        if (!IsBlankChar(c)) return false;
    return true;
}

std::string_view Trim(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && IsBlankChar(text[b])) ++b;
    while (e > b && IsBlankChar(text[e - 1])) --e;
    return text.substr(b, e - b);
}

std::string_view TrimRight(std::string_view text) {
    size_t e = text.size();
    while (e > 0 && IsBlankChar(text[e - 1])) --e;
    return text.substr(0, e);
}

std::string AsciiUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = AsciiUpper(c);
    return out;
}

int CompareAsciiFolded(std::string_view a, std::string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(AsciiUpper(a[i]));
        const auto y = static_cast<unsigned char>(AsciiUpper(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool EqualsAsciiFolded(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareAsciiFolded(a, b) == 0;
}

bool ParseInt(std::string_view text, long long& value) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && ptr == text.data() + text.size();
}

char PathSeparator() { return sys().separator(); }

namespace {

// The separator test with the platform's separator asked once per path.
struct SeparatorTest {
    char sep = PathSeparator();
    bool operator()(char c) const { return c == sep || (sep == '\\' && c == '/'); }
};

} // namespace

bool IsPathSeparator(char c) { return SeparatorTest{}(c); }

std::string StripTrailingBackslashes(std::string_view path) {
    const SeparatorTest isSep;
    size_t e = path.size();
    while (e > 0 && isSep(path[e - 1])) --e;
    return std::string(path.substr(0, e));
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

} // namespace kdx
