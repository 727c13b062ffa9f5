// Feeds arbitrary bytes to the reader of ISO base media files (HEIF, AVIF,
// CR3, QuickTime, MP4) and to the photo time. Seeds:
// tests/data/exif/*.{heic,avif,cr3,mov,mp4,m4v,3gp} (with fuzz/media.dict).

#include <cstdlib>

#include "media_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        // One window at a time: they share the thread's first-read block.
        kdx::MemoryInput in({data, size});
        kdx::ByteWindow bytes(in);
        const kdx::IsoMediaTimes t = kdx::ReadIsoMedia(bytes);
        for (const auto& range : {t.exif, t.canonIfd0, t.canonExif})
            kdx::fuzz::CheckRange(range, size);
        if (t.creationDate.size() > 64) std::abort();
    }
    kdx::fuzz::CheckPhotoTime(data, size);
    return 0;
}
