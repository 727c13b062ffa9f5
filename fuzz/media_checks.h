#pragma once

// The promises every container's fuzz target checks besides crashes, hangs
// and sanitizer reports: a part of the file a reader names lies inside the
// file; a photo time is either empty or a valid time text; and reading in
// small pieces gives exactly what one big read gives.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "core/common/filetime.h"
#include "core/timesrc/containers.h"
#include "core/timesrc/photo_time.h"

namespace kdx::fuzz {

inline void CheckRange(const std::optional<ByteRange>& r, uint64_t size) {
    if (r && (r->begin > r->end || r->end > size)) std::abort();
}

inline void CheckPhotoTime(const uint8_t* data, size_t size) {
    MemoryInput in({data, size});
    const std::string whole = GetPhotoTime(in);
    if (!whole.empty() && (whole.size() != 19 || !ParseTimeText(whole))) std::abort();
    if (GetPhotoTime(in, 1 + size % 61) != whole) std::abort();
}

} // namespace kdx::fuzz
