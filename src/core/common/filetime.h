#pragma once

// Time values as the program uses them: the values and calendar arithmetic
// of the base, and local time with the UTC offset in force now.

#include "base/filetime.h"

namespace kdx {

// Stamp <-> local value with the platform's offset in force now.
DateTime FileTimeToLocalDateTime(FileTime stamp);
FileTime LocalDateTimeToFileTime(DateTime local);

} // namespace kdx
