#pragma once

// Readers of the files that keep a photo's or a video's time inside a
// container: each finds where the container keeps the EXIF block (its TIFF
// data, which TExif then reads) or the recording time, and nothing else.
//
// Like the JPEG reader they work on a ByteWindow, check every offset and size
// against the data and against the structure around it, cap the boxes,
// chunks and items they walk, never recurse, and read a far structure with
// one read at its offset.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "core/timesrc/byte_window.h"

namespace kdx {

// What a file is, from its first bytes (at least 16 of them are looked at
// when there are that many); never from its name.
enum class MediaKind {
    Unknown,
    Jpeg,     // FF D8
    Tiff,     // TIFF and the raw formats built on it: "II*\0", "MM\0*", "IIRO", "MMOR", "IIU\0"
    FujiRaw,  // "FUJIFILMCCD-RAW ": a header, then a JPEG with the EXIF block
    IsoMedia, // boxes: HEIF, AVIF, CR3, QuickTime and MP4 videos
    Png,
    WebP,
};
MediaKind MediaKindOf(std::span<const uint8_t> head);

// A part of the file: [begin, end).
struct ByteRange {
    uint64_t begin = 0;
    uint64_t end = 0;
};

// The JPEG a Fuji raw file embeds.
std::optional<ByteRange> FindFujiJpeg(ByteWindow& bytes);
// The TIFF data of a PNG's eXIf chunk.
std::optional<ByteRange> FindPngExif(ByteWindow& bytes);
// The TIFF data of a WebP's EXIF chunk.
std::optional<ByteRange> FindWebpExif(ByteWindow& bytes);

// What an ISO base media file holds of the times.
struct IsoMediaTimes {
    std::optional<ByteRange> exif;      // TIFF data of the item of type "Exif" (HEIF, AVIF)
    std::optional<ByteRange> canonIfd0; // CR3: CMT1, TIFF data with IFD0
    std::optional<ByteRange> canonExif; // CR3: CMT2, TIFF data whose first directory is the EXIF one
    std::string creationDate;           // moov/meta key com.apple.quicktime.creationdate, as stored
    uint64_t movieCreated = 0;          // moov/mvhd: seconds since 1904-01-01 UTC; 0 for none
};
IsoMediaTimes ReadIsoMedia(ByteWindow& bytes);

} // namespace kdx
