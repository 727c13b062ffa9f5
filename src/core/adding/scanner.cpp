#include "core/adding/scanner.h"

#include "core/adding/filters.h"
#include "core/common/text.h"

namespace kdx {

namespace {

bool IsDotName(std::string_view name) {
    return name == "." || name == "..";
}

// The mask test with the folded masks computed once per scan rather than
// once per file.
class MaskTest {
public:
    explicit MaskTest(std::string_view masks)
        : m_all(IsBlank(masks) || masks.find("*.*") != std::string_view::npos), m_folded(AsciiUpper(masks)) {}

    // extension: from the last "." of the name, dot included; "" when none.
    bool passes(std::string_view extension) const {
        if (m_all) return true;
        if (extension.empty()) return false;
        m_buffer.assign(extension);
        for (char& c : m_buffer)
            c = AsciiUpper(c);
        return m_folded.find(m_buffer) != std::string::npos;
    }

private:
    bool m_all;
    std::string m_folded;
    mutable std::string m_buffer;
};

// A name as a directory search returns it holds no separator.
std::string_view ExtensionOfName(std::string_view name) {
    const size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
}

class Scanner {
public:
    Scanner(std::string_view masks, std::vector<std::string>& result, const ScanFlags& flags)
        : m_test(masks), m_result(result), m_flags(flags), m_separator(PathSeparator()) {
        // One pass per mask, searching only for the mask's extension; the
        // mask test then decides, so 'IMG_*.jpg' lists every '*.jpg' file.
        for (const std::string& item : SplitFilterItems(masks)) {
            std::string& pattern = m_patterns.emplace_back(1, '*');
            pattern += ExtensionOf(item);
        }
        if (m_patterns.empty()) m_patterns.emplace_back("*.*");
    }

    // folder ends in the separator; it is restored before returning.
    void scan(std::string& folder) {
        if (m_flags.stop && m_flags.stop->load(std::memory_order_relaxed)) return;
        if (m_flags.includeFolders) m_result.push_back(folder);

        // The sub-folder names are collected before descending, so no search
        // is open while a deeper one runs.
        std::vector<std::string> subFolders;
        if (m_flags.subFolders) {
            m_entries.clear();
            if (const Status listed = sys().listDirectory(folder, "*.*", true, m_entries); !listed)
                return refused(folder, listed.error());
            for (DirEntry& e : m_entries)
                if (IsFolderEntry(e)) subFolders.push_back(std::move(e.name));
        }

        // With foldersOnly nothing a file pass finds would be kept.
        if (!m_flags.foldersOnly) {
            for (const std::string& pattern : m_patterns) {
                m_entries.clear();
                if (const Status listed = sys().listDirectory(folder, pattern, false, m_entries); !listed)
                    return refused(folder, listed.error());
                for (const DirEntry& e : m_entries) {
                    if (!IsFileEntry(e) || !m_test.passes(ExtensionOfName(e.name))) continue;
                    std::string& path = m_result.emplace_back();
                    path.reserve(folder.size() + e.name.size());
                    path.append(folder).append(e.name);
                }
            }
        }

        const size_t length = folder.size();
        for (const std::string& name : subFolders) {
            folder.append(name).push_back(m_separator);
            scan(folder);
            folder.resize(length);
        }
    }

private:
    void refused(const std::string& folder, const Failure& failure) const {
        if (m_flags.onUnsearchable && *m_flags.onUnsearchable) (*m_flags.onUnsearchable)(folder, failure.reason);
    }

    MaskTest m_test;
    std::vector<std::string> m_patterns;
    std::vector<std::string>& m_result;
    const ScanFlags& m_flags;
    char m_separator;
    std::vector<DirEntry> m_entries; // reused by every search
};

} // namespace

bool IsFolderEntry(const DirEntry& e) {
    return !IsDotName(e.name) && (e.attributes & attr::Directory) != 0 && !IsLink(e);
}

bool IsFileEntry(const DirEntry& e) {
    return !IsDotName(e.name) && (e.attributes & (attr::Directory | attr::VolumeLabel)) == 0;
}

void ScanDirectory(std::string_view folder, std::string_view masks, std::vector<std::string>& result,
                   const ScanFlags& flags) {
    std::string start = AddTrailingBackslash(folder);
    if (start.empty()) return;
    Scanner(IsBlank(masks) ? std::string_view("*.*") : masks, result, flags).scan(start);
}

bool MatchesMasks(std::string_view fileName, std::string_view masks) {
    return MaskTest(masks).passes(ExtensionOf(fileName));
}

} // namespace kdx
