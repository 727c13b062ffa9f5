#pragma once

#include <string>
#include <string_view>

namespace kdx {

class InputFile;

// The shooting time of the photo at path as a time text, or "" when it has
// none (not a JPEG, no EXIF block, no readable date). Only names ending in
// .jpg .jpeg .gif .png .bmp (any case) are opened. Never throws. Where the
// photo cannot be opened, openFailure (if given) gets the system's reason.
std::string GetPhotoTime(std::string_view path, std::string* openFailure = nullptr);

// The same from bytes already open: the first of DateTimeOriginal,
// DateTimeDigitized and DateTime that is not blank, read as a time.
std::string GetPhotoTime(InputFile& source);

} // namespace kdx
