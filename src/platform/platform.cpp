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

ScopedPlatform::ScopedPlatform(Platform& replacement) : m_previous(g_installed.exchange(&replacement)) {}

ScopedPlatform::~ScopedPlatform() { g_installed.store(m_previous); }

} // namespace kdx
