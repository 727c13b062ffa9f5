// Feeds arbitrary bytes to the undo journal's reader: it must never crash,
// and what it accepts must hold only well-formed records.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/journal/journal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    size_t records = 0;
    const kdx::Result<kdx::JournalEntry> read = kdx::ParseJournal(bytes, [&records](kdx::JournalRecord&& r) {
        ++records;
        if (r.rename) return;
        const int kind = static_cast<int>(r.kind);
        if (kind < 1 || kind > 3 || r.before.nanos < 0 || r.before.nanos > 99 || r.after.nanos < 0 ||
            r.after.nanos > 99)
            std::abort();
    });
    if (!read) {
        if (read.error().reason.empty()) std::abort();
        return 0;
    }
    if (read->records != records || read->entries > records) std::abort();
    return 0;
}
