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
    return (!stamps.creation || setFileTime(path, TimeSlot::Creation, *stamps.creation)) &&
           (!stamps.lastWrite || setFileTime(path, TimeSlot::LastWrite, *stamps.lastWrite)) &&
           (!stamps.lastAccess || setFileTime(path, TimeSlot::LastAccess, *stamps.lastAccess));
}

ScopedPlatform::ScopedPlatform(Platform& replacement) : m_previous(g_installed.exchange(&replacement)) {}

ScopedPlatform::~ScopedPlatform() {
    g_installed.store(m_previous);
}

} // namespace kdx
