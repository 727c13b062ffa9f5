#include "core/common/filetime.h"

#include "core/common/text.h"
#include "platform/platform.h"

namespace kdx {

DateTime FileTimeToLocalDateTime(FileTime stamp) {
    return FileTimeToLocalDateTime(stamp, sys().utcOffsetNow());
}

FileTime LocalDateTimeToFileTime(DateTime local) {
    return LocalDateTimeToFileTime(local, sys().utcOffsetNow());
}

namespace {

// "SECONDS[.FRACTION]" as an instant; nothing past years 1 to 9999.
std::optional<FileTime> ParseUnixSeconds(std::string_view text) {
    const size_t dot = text.find('.');
    long long seconds = 0;
    const std::string_view whole = text.substr(0, dot);
    if (whole.empty() || whole.front() == '+' || !ParseInt(whole, seconds)) return std::nullopt;
    int64_t nanoseconds = 0;
    if (dot != std::string_view::npos) {
        const std::string_view fraction = text.substr(dot + 1);
        if (fraction.empty() || fraction.size() > 9) return std::nullopt;
        for (size_t i = 0; i < 9; ++i) {
            const char c = i < fraction.size() ? fraction[i] : '0';
            if (c < '0' || c > '9') return std::nullopt;
            nanoseconds = nanoseconds * 10 + (c - '0');
        }
        if (whole.front() == '-') nanoseconds = -nanoseconds;
    }
    // 0001-01-01 and 9999-12-31 23:59:59 UTC, a day's margin for any offset.
    if (seconds < -62'135'596'800 + 86'400 || seconds > 253'402'300'799 - 86'400) return std::nullopt;
    return FileTime::fromUnix(seconds, nanoseconds);
}

bool InProgramYears(DateTime value) {
    const int year = value.fields().year;
    return year >= MinYear && year <= MaxYear;
}

} // namespace

std::optional<TypedTime> ParseTypedTime(std::string_view text) {
    const std::string_view trimmed = Trim(text);
    std::optional<TypedTime> typed;
    if (trimmed.starts_with('@')) {
        const auto stamp = ParseUnixSeconds(trimmed.substr(1));
        if (!stamp) return std::nullopt;
        typed = TypedTime{FileTimeToLocalDateTime(*stamp), true, std::nullopt};
    } else {
        typed = ParseIsoTime(text);
        if (!typed) return std::nullopt;
        if (typed->utcOffsetSeconds) {
            typed->value = FileTimeToLocalDateTime(LocalDateTimeToFileTime(typed->value, *typed->utcOffsetSeconds));
            typed->utcOffsetSeconds.reset();
        }
    }
    if (!InProgramYears(typed->value)) return std::nullopt;
    return typed;
}

} // namespace kdx
