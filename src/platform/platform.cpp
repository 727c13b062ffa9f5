#include "platform/platform.h"

#include <atomic>

namespace kdx {

namespace {
std::atomic<Platform*> g_installed{nullptr};
} // namespace

Platform& sys() {
    Platform* p = g_installed.load(std::memory_order_acquire);
    return p ? *p : hostPlatform();
}

Status Platform::setFileTimes(const std::string& path, const StampSet& stamps) {
    StampSet rest = stamps;
    for (TimeKind kind : {TimeKind::Creation, TimeKind::LastWrite, TimeKind::LastAccess})
        if (const std::optional<FileTime>& value = *rest.of(kind))
            if (Status done = setFileTime(path, kind, *value); !done) return done;
    return {};
}

// A platform that keeps no journal (a test's fake) says so.
Result<std::unique_ptr<OutputFile>> Platform::createNewFile(const std::string&) {
    return Failure{0, "not supported"};
}
Result<std::unique_ptr<OutputFile>> Platform::openForAppend(const std::string&) {
    return Failure{0, "not supported"};
}
Status Platform::truncateFile(const std::string&, uint64_t) {
    return Failure{0, "not supported"};
}
Status Platform::createFolders(const std::string&) {
    return Failure{0, "not supported"};
}
std::optional<std::string> Platform::environment(const std::string&) {
    return std::nullopt;
}

ScopedPlatform::ScopedPlatform(Platform& replacement) : m_previous(g_installed.exchange(&replacement)) {}

ScopedPlatform::~ScopedPlatform() {
    g_installed.store(m_previous);
}

} // namespace kdx
