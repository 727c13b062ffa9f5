#include "core/timesrc/photo_time.h"

#include <algorithm>
#include <cstddef>
#include <optional>

#include "core/common/filetime.h"
#include "core/common/text.h"
#include "core/timesrc/containers.h"
#include "core/timesrc/exif.h"
#include "platform/platform.h"

namespace kdx {

namespace {

// The names of pictures and videos that may hold a time; what a file is is
// then decided by its first bytes (GIF and BMP never hold one, but are
// opened as they always were).
bool IsPictureName(std::string_view path) {
    static constexpr std::string_view kKnown[] = {
        ".jpg", ".jpeg", ".gif", ".png", ".bmp", ".webp",                                    // pictures
        ".tif", ".tiff", ".dng", ".cr2", ".nef", ".nrw",  ".arw",  ".sr2",  ".pef",  ".orf", // TIFF and raw
        ".rw2", ".3fr",  ".erf", ".srw", ".raf", ".cr3",  ".heic", ".heif", ".avif",         // raw, HEIF
        ".mov", ".mp4",  ".m4v", ".3gp", ".3g2"};                                            // videos
    const std::string_view ext = ExtensionOf(path);
    for (std::string_view known : kKnown)
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
    if (!exif.Valid) return {};
    for (const std::string* stored : {&exif.DateTimeOriginal, &exif.DateTimeDigitized, &exif.DateTime})
        if (const auto t = StoredDateOf(*stored)) return FormatTimeText(*t);
    return {};
}

// The TIFF data in range: its offsets count from its start and reach no
// further than its end.
std::string PhotoTimeOfTiff(ByteWindow& bytes, ByteRange range) {
    TExif exif;
    bytes.load(range.begin, range.end - range.begin);
    bytes.setEnd(range.end);
    return exif.ReadTiff(bytes, range.begin) ? PhotoTimeOf(exif) : std::string();
}

// "2019-05-04T13:22:10+08:00" (the time where it was recorded, with the
// zone of that place, which is left as it is, as for a photo): the date
// with "-" (or ":"), "T" or a blank, the time; a fraction and a zone may
// follow.
std::optional<DateTime> RecordingDateOf(std::string_view text) {
    std::string s(Trim(text.substr(0, std::min<size_t>(text.find('\0'), text.size()))));
    if (s.size() < 19 || (s[10] != 'T' && s[10] != ' ')) return std::nullopt;
    for (char c : s.substr(19))
        if (!(c == '.' || c == '+' || c == '-' || c == ':' || c == 'Z' || (c >= '0' && c <= '9'))) return std::nullopt;
    if (s[4] == ':' && s[7] == ':') s[4] = s[7] = '-';
    s[10] = ' ';
    s.resize(19);
    return ParseTimeText(s);
}

// The movie header's creation time: seconds since 1904-01-01 UTC, shown in
// local time as the file times are.
std::optional<DateTime> MovieCreatedOf(uint64_t seconds) {
    constexpr int64_t k1904To1970 = 2'082'844'800;
    constexpr uint64_t kLast = 253'402'300'799 + k1904To1970; // 9999-12-31 23:59:59 UTC
    if (seconds == 0 || seconds > kLast) return std::nullopt;
    const FileTime stamp = FileTime::fromUnix(static_cast<int64_t>(seconds) - k1904To1970, 0);
    const DateTime local = FileTimeToLocalDateTime(stamp);
    const CalendarFields f = local.fields();
    if (f.year < MinYear || f.year > MaxYear) return std::nullopt;
    return local.wholeSeconds();
}

std::string IsoMediaTime(ByteWindow& bytes) {
    const IsoMediaTimes found = ReadIsoMedia(bytes);
    if (found.exif) return PhotoTimeOfTiff(bytes, *found.exif);
    if (found.canonIfd0 || found.canonExif) {
        // CR3 keeps IFD0 and the EXIF directory in two blocks of their own.
        TExif exif;
        for (const auto& [range, firstIsExif] : {std::pair{found.canonIfd0, false}, std::pair{found.canonExif, true}}) {
            if (!range) continue;
            bytes.setEnd(range->end);
            if (!exif.ReadTiff(bytes, range->begin, firstIsExif)) return {};
            bytes.clearEnd();
        }
        return PhotoTimeOf(exif);
    }
    if (const auto t = RecordingDateOf(found.creationDate)) return FormatTimeText(*t);
    if (const auto t = MovieCreatedOf(found.movieCreated)) return FormatTimeText(*t);
    return {};
}

std::string ReadPhotoTime(ByteWindow& bytes) {
    TExif exif;
    switch (MediaKindOf(bytes.view(0, 16))) {
    case MediaKind::Jpeg:
        return exif.ReadJpeg(bytes, 0) ? PhotoTimeOf(exif) : std::string();
    case MediaKind::Tiff:
        return PhotoTimeOfTiff(bytes, {0, bytes.size()});
    case MediaKind::FujiRaw:
        if (const auto jpeg = FindFujiJpeg(bytes)) {
            bytes.setEnd(jpeg->end);
            return exif.ReadJpeg(bytes, jpeg->begin) ? PhotoTimeOf(exif) : std::string();
        }
        return {};
    case MediaKind::Png:
        if (const auto tiff = FindPngExif(bytes)) return PhotoTimeOfTiff(bytes, *tiff);
        return {};
    case MediaKind::WebP:
        if (const auto tiff = FindWebpExif(bytes)) return PhotoTimeOfTiff(bytes, *tiff);
        return {};
    case MediaKind::IsoMedia:
        return IsoMediaTime(bytes);
    case MediaKind::Unknown:
        break;
    }
    return {};
}

} // namespace

std::string GetPhotoTime(InputFile& source, size_t firstRead) {
    try {
        ByteWindow bytes(source, firstRead);
        return ReadPhotoTime(bytes);
    } catch (...) {
        return {}; // out of memory: no time rather than no program
    }
}

std::string GetPhotoTime(std::string_view path, std::string* openFailure) {
    try {
        if (!IsPictureName(path)) return {};
        const auto file = sys().openForRead(std::string(path));
        if (file) return GetPhotoTime(**file);
        // Folders, pipes and devices (system entries) named like pictures
        // are never opened, which is no failure to open them.
        if (openFailure) {
            const auto entry = sys().findEntry(std::string(path));
            if (!entry || !(entry->attributes & (attr::Directory | attr::System))) *openFailure = file.error().reason;
        }
        return {};
    } catch (...) {
        return {};
    }
}

} // namespace kdx
