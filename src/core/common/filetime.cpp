#include "core/common/filetime.h"

#include "platform/platform.h"

namespace kdx {

DateTime FileTimeToLocalDateTime(FileTime stamp) {
    return FileTimeToLocalDateTime(stamp, sys().utcOffsetNow());
}

FileTime LocalDateTimeToFileTime(DateTime local) {
    return LocalDateTimeToFileTime(local, sys().utcOffsetNow());
}

} // namespace kdx
