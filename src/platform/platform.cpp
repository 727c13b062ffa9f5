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

ScopedPlatform::ScopedPlatform(Platform& replacement) : m_previous(g_installed.exchange(&replacement)) {}

ScopedPlatform::~ScopedPlatform() {
    g_installed.store(m_previous);
}

} // namespace kdx
