#pragma once

// Time values as the program uses them: the values and calendar arithmetic
// of the base, and local time with the UTC offset in force now.

#include "base/filetime.h"

namespace kdx {

// Stamp <-> local value with the platform's offset in force now.
DateTime FileTimeToLocalDateTime(FileTime stamp);
FileTime LocalDateTimeToFileTime(DateTime local);

// A time as a person types it, as a local value with the offset in force
// now: a time text or ISO 8601 (see ParseIsoTime; a UTC offset converts the
// instant to local time), or "@SECONDS" since 1970-01-01 00:00:00 UTC (a
// sign and a fraction allowed). Nothing for other texts and for instants
// outside years 1 to 9999. hasTime tells whether a time of day was given;
// the offset is not kept.
std::optional<TypedTime> ParseTypedTime(std::string_view text);

} // namespace kdx
