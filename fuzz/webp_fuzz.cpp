// Feeds arbitrary bytes to the WebP reader (the RIFF EXIF chunk) and to the
// photo time. Seeds: tests/data/exif/*.webp (with fuzz/media.dict).

#include "media_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        // One window at a time: they share the thread's first-read block.
        kdx::MemoryInput in({data, size});
        kdx::ByteWindow bytes(in);
        kdx::fuzz::CheckRange(kdx::FindWebpExif(bytes), size);
    }
    kdx::fuzz::CheckPhotoTime(data, size);
    return 0;
}
