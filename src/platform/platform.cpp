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

bool Platform::setFileTimes(const std::string& path, const StampSet& stamps) {
    return (!stamps.creation || setFileTime(path, TimeKind::Creation, *stamps.creation)) &&
           (!stamps.lastWrite || setFileTime(path, TimeKind::LastWrite, *stamps.lastWrite)) &&
           (!stamps.lastAccess || setFileTime(path, TimeKind::LastAccess, *stamps.lastAccess));
}

ScopedPlatform::ScopedPlatform(Platform& replacement) : m_previous(g_installed.exchange(&replacement)) {}

ScopedPlatform::~ScopedPlatform() {
    g_installed.store(m_previous);
}

} // namespace kdx
