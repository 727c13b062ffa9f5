#pragma once

// A real temporary folder for tests, removed with everything in it.

#include <cstdint>
#include <string>

namespace kdx::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, ending in the separator.
    const std::string& path() const { return m_path; }
    // path() + relative.
    std::string operator/(const std::string& relative) const { return m_path + relative; }

    // Creates a file (and its folders) with the given content.
    std::string file(const std::string& relative, const std::string& content = {}) const;
    std::string folder(const std::string& relative) const;
    // Sets modification and access times, in seconds since 1970.
    static void setTimes(const std::string& path, int64_t modified, int64_t accessed);

private:
    std::string m_path;
};

} // namespace kdx::test
