#include "fake_platform.h"

#include <algorithm>

#include "base/utf8.h"
#include "core/common/text.h"

namespace kdx::test {

namespace {

bool Match(std::string_view name, std::string_view pattern) {
    if (pattern == "*" || pattern == "*.*") return true;
    if (pattern.empty()) return name.empty();
    if (pattern.front() == '*') {
        for (size_t i = 0; i <= name.size(); ++i)
            if (Match(name.substr(i), pattern.substr(1))) return true;
        return false;
    }
    if (name.empty()) return false;
    if (pattern.front() != '?' && AsciiUpper(pattern.front()) != AsciiUpper(name.front())) return false;
    return Match(name.substr(1), pattern.substr(1));
}

class StringFile final : public InputFile {
public:
    explicit StringFile(std::string data) : m_data(std::move(data)) {}
    int64_t readAt(uint64_t offset, void* buffer, size_t size) override {
        if (offset >= m_data.size()) return 0;
        const size_t n = std::min<size_t>(size, m_data.size() - offset);
        std::copy_n(m_data.data() + offset, n, static_cast<char*>(buffer));
        return static_cast<int64_t>(n);
    }
    uint64_t size() const override { return m_data.size(); }

private:
    std::string m_data;
};

} // namespace

std::string FakePlatform::key(const std::string& path) const {
    std::string k = path;
    while (k.size() > 1 && k.back() == sep)
        k.pop_back();
    return ignoreCase ? AsciiUpper(k) : k;
}

FakePlatform::Node& FakePlatform::addFolder(const std::string& path, uint32_t attributes) {
    auto& slot = m_nodes[key(path)];
    slot.first = path;
    while (slot.first.size() > 1 && slot.first.back() == sep)
        slot.first.pop_back();
    slot.second = Node{};
    slot.second.attributes = attributes | attr::Directory;
    return slot.second;
}

FakePlatform::Node& FakePlatform::addFile(const std::string& path, uint32_t attributes, std::string content) {
    auto& slot = m_nodes[key(path)];
    slot.first = path;
    slot.second = Node{};
    slot.second.attributes = attributes;
    slot.second.content = std::move(content);
    return slot.second;
}

namespace {
const Failure kMissing{2, "No such file or directory"};
const Failure kDenied{5, "Access is denied."};
} // namespace

std::optional<Failure> FakePlatform::refusal(const std::string& path) {
    for (const auto& [p, error] : refused)
        if (key(p) == key(path)) return error;
    return std::nullopt;
}

FakePlatform::Node* FakePlatform::node(const std::string& path) {
    auto it = m_nodes.find(key(path));
    return it == m_nodes.end() ? nullptr : &it->second.second;
}

Result<EntryInfo> FakePlatform::findEntry(const std::string& path) {
    const Node* n = node(path);
    if (!n) return kMissing;
    return EntryInfo{n->attributes, n->creation, n->lastWrite, n->lastAccess};
}

Result<DirEntry> FakePlatform::entryKind(const std::string& path) {
    const Node* n = node(path);
    if (!n) return kMissing;
    return DirEntry{{}, n->attributes, n->reparseTag};
}

Status FakePlatform::listDirectory(const std::string& folder, std::string_view pattern, bool directoriesOnly,
                                   std::vector<DirEntry>& out) {
    const Node* dir = node(folder);
    if (!dir) return kMissing;
    if (!dir->isDir()) return Failure{20, "Not a directory"};
    if (auto no = refusal(folder)) return *no;
    std::string prefix = folder;
    if (prefix.empty() || prefix.back() != sep) prefix += sep;
    const std::string prefixKey = ignoreCase ? AsciiUpper(prefix) : prefix;
    std::vector<DirEntry> found;
    for (const auto& [k, v] : m_nodes) {
        if (k.size() <= prefixKey.size() || k.compare(0, prefixKey.size(), prefixKey) != 0) continue;
        const std::string name = v.first.substr(prefix.size());
        if (name.find(sep) != std::string::npos) continue;
        if (!Match(name, pattern)) continue;
        const uint32_t a = v.second.attributes;
        if (directoriesOnly && (!(a & attr::Directory) || (a & (attr::Hidden | attr::System | attr::VolumeLabel))))
            continue;
        found.push_back(DirEntry{name, a, v.second.reparseTag});
    }
    std::sort(found.begin(), found.end(), [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    out.insert(out.end(), found.begin(), found.end());
    return {};
}

bool FakePlatform::fileExists(const std::string& path) {
    const Node* n = node(path);
    return n && !n->isDir();
}

bool FakePlatform::folderExists(const std::string& path) {
    const Node* n = node(path);
    return n && n->isDir();
}

std::optional<EntryIdentity> FakePlatform::entryIdentity(const std::string& path) {
    const Node* n = node(path);
    if (!n) return std::nullopt;
    return EntryIdentity{1, reinterpret_cast<uintptr_t>(n)};
}

Status FakePlatform::setFileTime(const std::string& path, TimeKind kind, FileTime value) {
    ++setTimeCalls;
    Node* n = node(path);
    if (!n) return kMissing;
    if (auto no = refusal(path)) return *no;
    if (locked.count(key(path))) return Failure{32, "The process cannot access the file because it is being used."};
    if (kind == TimeKind::Creation && !creationSettable) return Failure{95, "Operation not supported"};
    if (needWritable && readOnlyRefusesTimes && (n->attributes & attr::ReadOnly)) return kDenied;
    if (earliestStamp && value < *earliestStamp) value = *earliestStamp;
    if (latestStamp && value > *latestStamp) value = *latestStamp;
    if (fatResolution && kind == TimeKind::LastWrite)
        value.ticks -= ((value.ticks % (2 * FileTime::TicksPerSecond)) + 2 * FileTime::TicksPerSecond) %
                       (2 * FileTime::TicksPerSecond);
    if (fatResolution && kind == TimeKind::LastAccess)
        value = LocalDateTimeToFileTime(FileTimeToLocalDateTime(value, offsetSeconds).date(), offsetSeconds);
    (kind == TimeKind::Creation ? n->creation : kind == TimeKind::LastWrite ? n->lastWrite : n->lastAccess) = value;
    return {};
}

Result<uint32_t> FakePlatform::getAttributes(const std::string& path) {
    const Node* n = node(path);
    if (!n) return kMissing;
    return n->attributes;
}

Status FakePlatform::setAttributes(const std::string& path, uint32_t attributes) {
    Node* n = node(path);
    if (!n) return kMissing;
    if (auto no = refusal(path)) return *no;
    n->attributes = attributes;
    return {};
}

Status FakePlatform::renameNoReplace(const std::string& from, const std::string& to) {
    auto it = m_nodes.find(key(from));
    if (it == m_nodes.end()) return kMissing;
    if (auto no = refusal(from)) return *no;
    if (node(to)) return Failure{17, "File exists"};
    auto value = it->second;
    m_nodes.erase(it);
    value.first = to;
    m_nodes[key(to)] = value;
    return {};
}

Status FakePlatform::deleteFile(const std::string& path) {
    if (auto no = refusal(path)) return *no;
    if (m_nodes.erase(key(path)) == 0) return kMissing;
    return {};
}

Result<std::unique_ptr<InputFile>> FakePlatform::openForRead(const std::string& path) {
    const Node* n = node(path);
    if (!n) return kMissing;
    if (n->isDir()) return Failure{21, "Is a directory"};
    if (auto no = refusal(path)) return *no;
    return std::unique_ptr<InputFile>(std::make_unique<StringFile>(n->content));
}

Result<std::string> FakePlatform::readWholeFile(const std::string& path, uint64_t maxBytes) {
    const Node* n = node(path);
    if (!n || n->isDir() || n->content.size() > maxBytes)
        return Failure{2, "The system cannot find the file specified."};
    return n->content;
}

Status FakePlatform::writeWholeFile(const std::string& path, std::string_view data) {
    if (!node(std::string(FolderOf(path)))) return Failure{3, "The system cannot find the path specified."};
    Node* n = node(path);
    if (!n) n = &addFile(path);
    n->content = std::string(data);
    return {};
}

namespace {
class FakeOutputFile final : public OutputFile {
public:
    FakeOutputFile(FakePlatform& platform, std::string path) : m_platform(platform), m_path(std::move(path)) {}
    Status append(std::string_view data) override {
        FakePlatform::Node* n = m_platform.node(m_path);
        if (!n) return kMissing;
        n->content += data;
        return {};
    }
    Status sync() override { return {}; }

private:
    FakePlatform& m_platform;
    std::string m_path;
};
} // namespace

Result<std::unique_ptr<OutputFile>> FakePlatform::createNewFile(const std::string& path) {
    if (node(path)) return Failure{17, "File exists"};
    if (!node(std::string(FolderOf(path)))) return kMissing;
    addFile(path);
    return std::unique_ptr<OutputFile>(std::make_unique<FakeOutputFile>(*this, path));
}

Result<std::unique_ptr<OutputFile>> FakePlatform::openForAppend(const std::string& path) {
    const Node* n = node(path);
    if (!n) return kMissing;
    if (n->isDir()) return Failure{21, "Is a directory"};
    return std::unique_ptr<OutputFile>(std::make_unique<FakeOutputFile>(*this, path));
}

Status FakePlatform::truncateFile(const std::string& path, uint64_t size) {
    Node* n = node(path);
    if (!n) return kMissing;
    if (n->isDir()) return Failure{21, "Is a directory"};
    n->content.resize(std::min<size_t>(n->content.size(), static_cast<size_t>(size)));
    return {};
}

Status FakePlatform::createFolders(const std::string& folder) {
    for (size_t pos = 1; pos <= folder.size(); ++pos) {
        if (pos < folder.size() && folder[pos] != sep) continue;
        const std::string prefix = folder.substr(0, pos);
        if (prefix.size() == 2 && prefix[1] == ':') continue;
        if (const Node* n = node(prefix)) {
            if (!n->isDir()) return Failure{20, "Not a directory"};
        } else {
            addFolder(prefix);
        }
    }
    return {};
}

std::optional<std::string> FakePlatform::environment(const std::string& name) {
    if (const auto it = env.find(name); it != env.end()) return it->second;
    if (name == "KAIRODEX_JOURNAL") return std::string(sep == '/' ? "/kdx-journal" : "C:\\kdx-journal");
    return std::nullopt;
}

std::string FakePlatform::toUpper(std::string_view text) {
    return AsciiUpper(text);
}

std::optional<std::string> FakePlatform::toSystemCodePage(std::string_view text) {
    if (!latin1CodePage) return std::string(text);
    std::string out;
    for (size_t pos = 0; pos < text.size();) {
        char32_t cp = 0;
        if (!DecodeUtf8(text, pos, cp) || cp > 0xFF) return std::nullopt;
        out.push_back(static_cast<char>(cp));
    }
    return out;
}

std::string FakePlatform::fromSystemCodePage(std::string_view text) {
    if (!latin1CodePage) return std::string(text);
    std::string out;
    for (char c : text)
        AppendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

} // namespace kdx::test
