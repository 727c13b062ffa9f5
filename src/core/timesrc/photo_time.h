#pragma once

#include <string>
#include <string_view>

namespace kdx {

// The shooting time of the photo at path as a time text, or "" when it has
// none (not a JPEG, no EXIF block, no readable date). Never throws.
std::string GetPhotoTime(std::string_view path);

} // namespace kdx
