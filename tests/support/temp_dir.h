#pragma once

// A real temporary folder for tests, removed with everything in it.

#include <cstdint>
#include <string>
#include <string_view>

namespace kdx::test {

// The host's separator, and a relative path written with '/' in the host's
// form, so one test text serves both systems.
char HostSeparator();
std::string HostPath(std::string_view slashed);

// Makes an entry hidden the host's way: POSIX hides a name that starts with
// a dot (the name must), Windows keeps an attribute bit for it.
void MarkHidden(const std::string& path);

// Whether the tests run under Wine, which keeps no creation times and cannot
// keep a read from moving an access time.
bool UnderWine();

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, ending in the separator.
    const std::string& path() const { return m_path; }
    // path() + relative (written with '/', given back in the host's form).
    std::string operator/(const std::string& relative) const { return m_path + HostPath(relative); }

    // Creates a file (and its folders) with the given content. Names are
    // UTF-8 on every system.
    std::string file(const std::string& relative, const std::string& content = {}) const;
    std::string folder(const std::string& relative) const;
    // Sets modification and access times, in seconds since 1970.
    static void setTimes(const std::string& path, int64_t modified, int64_t accessed);

private:
    std::string m_path;
};

} // namespace kdx::test
