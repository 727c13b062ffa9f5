#include "core/timesrc/photo_time.h"

#include <algorithm>
#include <cstddef>
#include <optional>

#include "core/common/filetime.h"
#include "core/common/text.h"
#include "core/timesrc/exif.h"
#include "platform/platform.h"

namespace kdx {

namespace {

// Only JPEG files can hold the block, but the other picture types are handed
// to the reader too; it turns them away at their first bytes.
bool IsPictureName(std::string_view path) {
    const std::string_view ext = ExtensionOf(path);
    for (std::string_view known : {".jpg", ".jpeg", ".gif", ".png", ".bmp"})
        if (EqualsAsciiFolded(ext, known)) return true;
    return false;
}

// "2019:05:04 13:22:10" as stored: the date part takes "-" instead of ":".
std::optional<DateTime> StoredDateOf(std::string_view stored) {
    const std::string_view s = Trim(stored);
    if (s.size() < 10) return std::nullopt;
    std::string text(s);
    const size_t blank = text.find(' ');
    if (blank != std::string::npos)
        std::replace(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(blank), ':', '-');
    return ParseTimeText(text);
}

// The shooting time, else the digitising time, else the change time. A date
// that gives no time (cameras without a clock store zeros or blanks) is
// passed over like a missing one.
std::string PhotoTimeOf(const TExif& exif) {
    for (const std::string* stored : {&exif.DateTimeOriginal, &exif.DateTimeDigitized, &exif.DateTime})
        if (const auto t = StoredDateOf(*stored)) return FormatTimeText(*t);
    return {};
}

} // namespace

std::string GetPhotoTime(InputFile& source) {
    try {
        TExif exif;
        if (!exif.ReadFrom(source) || !exif.Valid) return {};
        return PhotoTimeOf(exif);
    } catch (...) {
        return {}; // out of memory: no time rather than no program
    }
}

std::string GetPhotoTime(std::string_view path, std::string* openFailure) {
    try {
        if (!IsPictureName(path)) return {};
        // Folders, devices and pipes are not opened.
        const auto file = sys().openForRead(std::string(path));
        if (!file && openFailure) *openFailure = file.error().reason;
        return file ? GetPhotoTime(**file) : std::string();
    } catch (...) {
        return {};
    }
}

} // namespace kdx
