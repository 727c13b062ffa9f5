// Feeds arbitrary bytes to the undo journal's reader: it must never crash,
// and what it accepts must hold only well-formed records.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/journal/journal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const kdx::Result<kdx::JournalEntry> read = kdx::ParseJournal(bytes);
    if (!read) {
        if (read.error().reason.empty()) std::abort();
        return 0;
    }
    for (const kdx::JournalRecord& r : read->records) {
        if (r.rename) continue;
        const int kind = static_cast<int>(r.kind);
        if (kind < 1 || kind > 3 || r.before.nanos < 0 || r.before.nanos > 99 || r.after.nanos < 0 ||
            r.after.nanos > 99)
            std::abort();
    }
    return 0;
}
