#pragma once

// Buffered access to the bytes of one file for the photo-time readers: a
// first read from the start that serves almost every photo, and one window
// further on, read only when a reader asks for bytes past the first. Nothing
// is ever read one byte per call, and nothing is read that no reader asked
// for: a far box or item costs one read at its offset, never a scan.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace kdx {

// Bytes in memory as an InputFile (tests, fuzzing, data already loaded).
class MemoryInput final : public InputFile {
public:
    explicit MemoryInput(std::span<const uint8_t> data) : m_data(data) {}
    explicit MemoryInput(std::string_view data) : m_data(reinterpret_cast<const uint8_t*>(data.data()), data.size()) {}
    int64_t readAt(uint64_t offset, void* buffer, size_t size) override;
    uint64_t size() const override { return m_data.size(); }

private:
    std::span<const uint8_t> m_data;
};

// One window at a time per thread: the first read goes to a block the
// thread keeps.
class ByteWindow {
public:
    // The first read of a file: one read serves almost every photo.
    static constexpr size_t kFirstRead = 64 * 1024;

    // Reads the first firstRead bytes (tests use small ones to exercise the
    // reads further on).
    ByteWindow(InputFile& source, size_t firstRead = kFirstRead);
    ByteWindow(const ByteWindow&) = delete;
    ByteWindow& operator=(const ByteWindow&) = delete;

    // Where the data ends: the file's end, or an end set below.
    uint64_t size() const { return m_end; }
    // Hides everything from end on (the bounds of a block inside the file);
    // a larger end than the file's is the file's end.
    void setEnd(uint64_t end);
    void clearEnd() { setEnd(std::numeric_limits<uint64_t>::max()); }

    // Up to want bytes at offset, in one piece; fewer only where the data
    // ends, none past it.
    std::span<const uint8_t> view(uint64_t offset, size_t want);
    // Exactly n bytes at offset, or nullptr where the data ends first.
    const uint8_t* at(uint64_t offset, size_t n) {
        const auto v = view(offset, n);
        return v.size() == n ? v.data() : nullptr;
    }
    // Makes the size bytes at offset (up to the size of the first read)
    // available in one piece, for a structure that is read piece by piece;
    // only what is not held already is read, with one read.
    void load(uint64_t offset, uint64_t size) { loadUpTo(offset, size, m_firstRead); }
    // The same up to 64 times the first read (4 MiB), for a structure whose
    // parts further in are wanted (a movie box with its metadata at its end).
    void loadLarge(uint64_t offset, uint64_t size) { loadUpTo(offset, size, m_loadMax); }

private:
    void loadUpTo(uint64_t offset, uint64_t size, uint64_t most);

    InputFile& m_source;
    uint64_t m_size; // the file's
    uint64_t m_end;  // the visible part's
    size_t m_firstRead;
    uint8_t* m_head = nullptr;
    std::unique_ptr<uint8_t[]> m_ownHead;
    size_t m_headLen = 0;
    std::vector<uint8_t> m_far;
    uint64_t m_farAt = 0;
    size_t m_farMin;
    uint64_t m_loadMax;
};

} // namespace kdx
