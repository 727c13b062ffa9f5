#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/timesrc/byte_window.h"

namespace kdx {

// The shooting time of the photo or video at path as a time text, or ""
// when it has none (no EXIF block or recording time, no readable date).
// Only names with the extension of a picture, camera raw or video format
// that may hold one are opened (any case): .jpg .jpeg .gif .png .bmp .webp
// .tif .tiff .dng .cr2 .nef .nrw .arw .sr2 .pef .orf .rw2 .3fr .erf .srw
// .raf .cr3 .heic .heif .avif .mov .mp4 .m4v .3gp .3g2. Never throws. Where
// the file cannot be opened, openFailure (if given) gets the system's reason;
// a folder, pipe or device named like a picture is never opened, and is no
// failure.
std::string GetPhotoTime(std::string_view path, std::string* openFailure = nullptr);

// The same from bytes already open, whatever their name. What they are is
// told by their first bytes:
// - JPEG, TIFF and the raw formats on TIFF, the JPEG of a Fuji raw file, the
//   EXIF item of a HEIF or AVIF file, CR3's metadata, the EXIF chunk of a
//   PNG or WebP: the first of DateTimeOriginal, DateTimeDigitized and
//   DateTime that is not blank, read as a time;
// - QuickTime and MP4 videos: the recording date of the movie's metadata
//   (the local time where it was recorded), else the movie header's creation
//   time in local time.
// firstRead is the size of the first read (tests use small ones).
std::string GetPhotoTime(InputFile& source, size_t firstRead = ByteWindow::kFirstRead);

} // namespace kdx
