#pragma once

// Setting the times of list rows: to fixed values, or to a time each row's
// own file or entry provides.

#include <optional>
#include <string_view>
#include <vector>

#include "core/common/filetime.h"
#include "core/common/report.h"
#include "core/lists/file_entry.h"
#include "core/timeops/writer.h"

namespace kdx {

// The value of one picker row: the date of its date picker and the time of
// day of its time picker, to whole seconds.
DateTime CombinePickers(DateTime datePicker, DateTime timePicker);

struct PickerValues {
    struct Row {
        DateTime value;
        bool changeDate = true; // the row's date box
        bool changeTime = true; // the row's time box
        // A stamp to copy as it is, sub-second part included, instead of value.
        std::optional<FileTime> exact{};
    };
    Row creation;
    Row lastWrite;
    Row lastAccess;
    TimeKinds kinds;
    // For re-reading the rows afterwards.
    NameTimeOptions nameOptions;
};

// Writes the picker values to the rows `which` (indices in display order):
// creation, then last write, then last access, stopping at the first that
// fails. A row whose writes all succeeded is read again (all five texts).
// Nothing when `which` is empty; otherwise the paths that failed.
std::optional<FailureList> SetTimesFromPickers(std::vector<FileEntry>& rows, const std::vector<size_t>& which,
                                               const PickerValues& values, const WriteHooks& hooks = {});

// Where source mode takes a row's time from (the items of the source group).
enum class TimeSource : int {
    Creation = 0,   // A: the file's creation time
    LastWrite = 1,  // B: its modification time
    LastAccess = 2, // C: its access time
    Row = 3,        // D: the three times the row holds, each kind its own
    Earliest = 4,   // E: the earliest of the file's times
    Latest = 5,     // F: the latest of them
    Photo = 6,      // G: the photo's shooting time
    FileName = 7,   // H: the time in the file name
};

struct SourceOptions {
    TimeKinds kinds;
    // Earliest and latest also weigh the photo and file-name times.
    bool includePhotoTime = true;
    NameTimeOptions nameOptions;
};

// Writes each row's source value to its checked kinds. A row without a
// usable value (no such file, no photo or name time, row texts that are not
// times) is skipped and not counted. Nothing when `which` is empty.
std::optional<FailureList> SetTimesFromSource(std::vector<FileEntry>& rows, const std::vector<size_t>& which,
                                              TimeSource source, const SourceOptions& options,
                                              const WriteHooks& hooks = {});

} // namespace kdx
