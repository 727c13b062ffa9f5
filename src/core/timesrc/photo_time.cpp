#include "core/timesrc/photo_time.h"

namespace kdx {

// Filled in by the EXIF reader.
std::string GetPhotoTime(std::string_view) { return {}; }

} // namespace kdx
