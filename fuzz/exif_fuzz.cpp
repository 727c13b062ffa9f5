// Feeds arbitrary bytes to the EXIF reader. Besides crashes, hangs and
// sanitizer reports it stops on a broken promise: reading in small pieces
// gives exactly what one big read gives, and a photo time is either empty or
// a valid time text.
//
// Seeds: tests/data/exif (with fuzz/exif.dict). Inputs that break it go
// there too, where photo_time_test reads them again.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <string>

#include "core/common/filetime.h"
#include "core/timesrc/exif.h"
#include "core/timesrc/photo_time.h"

namespace {

std::string Dump(const kdx::TExif& e) {
    std::string s;
    for (const std::string* t : {&e.ImageDescription,
                                 &e.Make,
                                 &e.Model,
                                 &e.OrientationText,
                                 &e.Rights,
                                 &e.DateTime,
                                 &e.DateTimeOriginal,
                                 &e.DateTimeDigitized,
                                 &e.UserComment,
                                 &e.ExposureTime,
                                 &e.FNumber,
                                 &e.ShutterSpeed,
                                 &e.Aperture,
                                 &e.MaxAperture,
                                 &e.ExposureProgramText,
                                 &e.MeteringModeText,
                                 &e.LightSourceText,
                                 &e.FlashText,
                                 &e.Software,
                                 &e.Artist,
                                 &e.CompressedBPP})
        s += *t + '|';
    for (long long n : std::initializer_list<long long>{
             e.Orientation, e.ExposureProgram, e.ExifImageWidth, e.ExifImageHeight, e.XResolution, e.YResolution,
             e.MeteringMode, e.LightSource, e.Flash, e.ISOSpeed, e.ExifIFDOffset, e.Valid, e.BigEndian})
        s += std::to_string(n) + '|';
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kdx::MemoryInput in({data, size});

    kdx::TExif whole;
    const bool ok = whole.ReadFrom(in);
    kdx::TExif pieces;
    if (pieces.ReadFrom(in, 1 + size % 61) != ok || Dump(pieces) != Dump(whole)) std::abort();
    for (const std::string* text : {&whole.Make, &whole.DateTimeOriginal, &whole.UserComment})
        if (text->size() > 65535) std::abort();

    const std::string time = kdx::GetPhotoTime(in);
    if (!time.empty() && (time.size() != 19 || !kdx::ParseTimeText(time))) std::abort();
    // Other formats give times of their own; a JPEG's comes from its block.
    const bool jpeg = size >= 2 && data[0] == 0xFF && data[1] == 0xD8;
    if (!time.empty() && jpeg && (!ok || !whole.Valid)) std::abort();
    return 0;
}
