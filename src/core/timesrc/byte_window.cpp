#include "core/timesrc/byte_window.h"

#include <algorithm>
#include <cstring>

namespace kdx {

namespace {

constexpr size_t kFarReadMin = 4096; // smallest read beyond the first one
// A structure loaded at once: a movie box of a long phone video, with its
// metadata at its end, is a few hundred KiB; one read of it costs less than
// a read per child box.
constexpr uint64_t kLoadsPerFirstRead = 64;

// A fresh 64 KiB block for every file would cost the allocator a trip to the
// system and the pages their faults: the first read goes to a block kept per
// thread (one reading at a time per thread).
uint8_t* ThreadScratch() {
    thread_local const std::unique_ptr<uint8_t[]> block =
        std::make_unique_for_overwrite<uint8_t[]>(ByteWindow::kFirstRead);
    return block.get();
}

} // namespace

int64_t MemoryInput::readAt(uint64_t offset, void* buffer, size_t size) {
    if (offset >= m_data.size()) return 0;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(size, m_data.size() - offset));
    std::memcpy(buffer, m_data.data() + offset, n);
    return static_cast<int64_t>(n);
}

ByteWindow::ByteWindow(InputFile& source, size_t firstRead)
    : m_source(source), m_size(source.size()), m_firstRead(std::max<size_t>(firstRead, 1)),
      m_farMin(std::min(m_firstRead, kFarReadMin)), m_loadMax(uint64_t{m_firstRead} * kLoadsPerFirstRead) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(m_firstRead, m_size));
    if (want <= kFirstRead) {
        m_head = ThreadScratch();
    } else {
        m_ownHead = std::make_unique_for_overwrite<uint8_t[]>(want);
        m_head = m_ownHead.get();
    }
    const int64_t got = want ? m_source.readAt(0, m_head, want) : 0;
    m_headLen = got > 0 ? static_cast<size_t>(got) : 0;
    // A file that shrank since it was opened ends where reading ended.
    if (m_headLen < want) m_size = m_headLen;
    m_end = m_size;
}

void ByteWindow::setEnd(uint64_t end) {
    m_end = std::min(end, m_size);
}

std::span<const uint8_t> ByteWindow::view(uint64_t offset, size_t want) {
    if (offset >= m_end) return {};
    const size_t n = static_cast<size_t>(std::min<uint64_t>(want, m_end - offset));
    if (offset < m_headLen && m_headLen - offset >= n) return {m_head + offset, n};
    if (offset >= m_farAt && offset - m_farAt <= m_far.size() && m_far.size() - (offset - m_farAt) >= n)
        return {m_far.data() + (offset - m_farAt), n};
    const size_t len = static_cast<size_t>(std::min<uint64_t>(std::max(n, m_farMin), m_end - offset));
    m_far.resize(len);
    const int64_t got = m_source.readAt(offset, m_far.data(), len);
    m_far.resize(got > 0 ? static_cast<size_t>(got) : 0);
    m_farAt = offset;
    return {m_far.data(), std::min(n, m_far.size())};
}

void ByteWindow::loadUpTo(uint64_t offset, uint64_t size, uint64_t most) {
    if (offset >= m_end) return;
    const size_t n = static_cast<size_t>(std::min<uint64_t>({size, most, m_end - offset}));
    const auto held = [&]() -> std::span<const uint8_t> {
        if (offset < m_headLen) return {m_head + offset, m_headLen - offset};
        if (offset >= m_farAt && offset - m_farAt < m_far.size())
            return {m_far.data() + (offset - m_farAt), m_far.size() - (offset - m_farAt)};
        return {};
    }();
    if (held.size() >= n) return;
    // What is held from offset on (the first read's end, or a box header
    // read on its own) is kept: only the rest is read.
    std::vector<uint8_t> window(n);
    if (!held.empty()) std::memcpy(window.data(), held.data(), held.size());
    const int64_t got = m_source.readAt(offset + held.size(), window.data() + held.size(), n - held.size());
    window.resize(held.size() + (got > 0 ? static_cast<size_t>(got) : 0));
    m_far = std::move(window);
    m_farAt = offset;
}

} // namespace kdx
