// Feeds arbitrary bytes to the readers of TIFF and raw files (the TIFF
// marks and a Fuji raw file's JPEG) and to the photo time. Seeds:
// tests/data/exif/*.{tif,dng,orf,rw2,raf} (with fuzz/media.dict).

#include "core/timesrc/exif.h"
#include "media_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        // One window at a time: they share the thread's first-read block.
        kdx::MemoryInput in({data, size});
        kdx::ByteWindow bytes(in);
        kdx::fuzz::CheckRange(kdx::FindFujiJpeg(bytes), size);
        kdx::TExif exif;
        exif.ReadTiff(bytes, 0);
    }
    kdx::fuzz::CheckPhotoTime(data, size);
    return 0;
}
