#pragma once

// Small text and path helpers shared by every part of the core. Texts are
// UTF-8; "blank" characters are those with codes up to 0x20.

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "base/ascii.h"

namespace kdx {

inline bool IsBlankChar(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}
bool IsBlank(std::string_view text);
std::string_view Trim(std::string_view text);
std::string_view TrimRight(std::string_view text);

// Whole decimal number (optional sign, no blanks) or nothing.
bool ParseInt(std::string_view text, long long& value);

// --- paths: the separator is the platform's -------------------------------

char PathSeparator();
// Also '/' on Windows, where both separate.
bool IsPathSeparator(char c);

// The path without trailing separators; "" for a path made only of them.
std::string StripTrailingBackslashes(std::string_view path);
// The path to hand to the platform for an entry: no trailing separators, but
// a root made only of separators stays a root. A path that ends in a
// separator names a folder, so where the name is a link (or junction) it
// means the folder the link points to, as "link/" does for POSIX tools;
// without the separator it is the link itself.
std::string EntryPathOf(std::string_view path);
// "" for a blank path; otherwise the path ending in one separator.
std::string AddTrailingBackslash(std::string_view path);
// The part after the last separator.
std::string_view FileNameOf(std::string_view path);
// The folder part, up to and including the last separator ("" if none).
std::string_view FolderOf(std::string_view path);
// From the last "." of the file name on, dot included; "" when none.
std::string_view ExtensionOf(std::string_view path);

// The path made absolute by text alone: joined to the current folder when
// relative, "." and empty parts dropped and ".." taking away the part before
// it (never the root), without asking the file system, so symbolic links are
// not resolved ("link/.." is the folder holding the link). A trailing
// separator stays, since "link/" names the folder a link points to. On
// Windows "C:\..." and "\\server\share\..." are already absolute and "\\?\"
// paths are taken as they are. "" stays "".
std::string AbsolutePath(std::string_view path);
// Whether path names one entry wherever the program runs: it begins at a
// root ("/", "C:\", "\\server\share").
bool IsAbsolutePath(std::string_view path);

// Paths compared as the platform's file names are: ignoring case where it
// does (Windows, macOS), exactly elsewhere.
bool PathsEqual(std::string_view a, std::string_view b);
// A key with which equal paths are equal strings (for hashing).
std::string PathKey(std::string_view path);

// A hashed set of paths under the platform's case rule (see PathKey): on
// Windows 'C:\A.jpg' and 'c:\a.JPG' are one path, on Linux two. Paths are
// whole texts: 'D:\a' and 'D:\a\' differ.
class PathSet {
public:
    PathSet() = default;
    explicit PathSet(const std::vector<std::string>& paths);

    // True when path was not in the set yet.
    bool insert(std::string_view path);
    bool contains(std::string_view path) const;
    // The same for a key already made with PathKey (saves making it twice).
    bool containsKey(std::string_view key) const { return m_keys.find(key) != m_keys.end(); }
    size_t size() const { return m_keys.size(); }
    bool empty() const { return m_keys.empty(); }
    void clear() { m_keys.clear(); }

private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_set<std::string, Hash, std::equal_to<>> m_keys;
};

} // namespace kdx
