// Feeds arbitrary bytes to the snapshot reader. Besides crashes and
// sanitizer reports it stops on a broken promise: a refused file yields no
// rows, and whatever was read is written and read back unchanged.
//
// Seeds: tests/data/snapshot; inputs that break it go there too. Name a
// scratch folder first so that new inputs do not land among the seeds:
//   snapshot_fuzz -max_len=4096 -max_total_time=300 /tmp/corpus tests/data/snapshot

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/lists/snapshot.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const kdx::Result<kdx::Snapshot> read = kdx::DecodeSnapshot(bytes);
    if (!read.has_value()) {
        if (read.error().reason.empty()) std::abort();
        return 0;
    }
    if (read->rows.size() != read->selected.size()) std::abort();
    const std::string written = kdx::EncodeSnapshot(read->rows, read->selected);
    if (written.size() != kdx::SnapshotSize(read->rows)) std::abort();
    const kdx::Result<kdx::Snapshot> again = kdx::DecodeSnapshot(written);
    if (!again.has_value() || again->rows != read->rows || again->selected != read->selected) std::abort();
    return 0;
}
