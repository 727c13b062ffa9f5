#pragma once

// Moving times forwards or backwards by years, months, days and a time of
// day.

#include <optional>
#include <string_view>
#include <vector>

#include "core/common/filetime.h"
#include "core/common/report.h"
#include "core/lists/file_entry.h"
#include "core/timeops/writer.h"

namespace kdx {

struct ShiftAmount {
    bool add = true;
    int years = 0;
    int months = 0;
    int days = 0;
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
};

// The direction box adds only when its text is exactly "+".
bool IsAddDirection(std::string_view directionText);
// An amount box: a whole number from 0 to 10000; any other text counts as 0.
int ParseShiftAmount(std::string_view text);

// Applies seconds, minutes, hours (rolling over into neighbouring days),
// then whole days, then calendar months, then years as twelve months each,
// in that order. A month step lowers the day to the last day of the target
// month where needed. Nothing when the value would leave years 1 to 9999 at
// any step.
std::optional<DateTime> TryShiftDateTime(const ShiftAmount& amount, DateTime v);

// The same; a result outside years 1 to 9999 is held at the nearest end of
// that range.
DateTime ShiftDateTime(bool add, int years, int months, int days, int hours, int minutes, int seconds, DateTime v);

// Shifts each row's own file times by the amount and writes the checked
// kinds (creation, last write, last access; stopping at the first failure).
// A row whose file cannot be read is skipped and not counted; a row whose
// shifted time would leave years 1 to 9999 is counted as failed and not
// written. After success the row's three file-time texts are read again.
// Nothing when `which` is empty.
std::optional<FailureList> ShiftTimes(std::vector<FileEntry>& rows, const std::vector<size_t>& which,
                                      const ShiftAmount& amount, const TimeKinds& kinds, const WriteHooks& hooks = {});

} // namespace kdx
