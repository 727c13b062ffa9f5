#include "core/timeops/shift.h"

#include "core/common/text.h"
#include "platform/platform.h"

namespace kdx {

namespace {

constexpr int kMaxAmount = 10000;

const DateTime kFirst = DateTime::fromFields({MinYear, 1, 1, 0, 0, 0, 0});
const DateTime kLast = DateTime::fromFields({MaxYear, 12, 31, 23, 59, 59, 999});

bool InRange(int64_t ms) {
    return ms >= kFirst.ms() && ms <= kLast.ms();
}

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// Calendar months added to an in-range value; the day is clamped to the
// target month, the time of day kept.
std::optional<DateTime> AddMonths(DateTime v, int64_t months) {
    const CalendarFields f = v.fields();
    const int64_t index = static_cast<int64_t>(f.year) * 12 + (f.month - 1) + months;
    const int64_t year = FloorDiv(index, 12);
    if (year < MinYear || year > MaxYear) return std::nullopt;
    const int month = static_cast<int>(index - year * 12) + 1;
    const int y = static_cast<int>(year);
    const int day = f.day <= DaysInMonth(y, month) ? f.day : DaysInMonth(y, month);
    return DateTime::fromMs(DaysFromCivil(y, month, day) * DateTime::MsPerDay + v.timeOfDayMs());
}

} // namespace

bool IsAddDirection(std::string_view directionText) {
    return directionText == "+";
}

int ParseShiftAmount(std::string_view text) {
    long long n = 0;
    if (!ParseInt(text, n) || n < 0) return 0;
    return n > kMaxAmount ? kMaxAmount : static_cast<int>(n);
}

std::optional<DateTime> TryShiftDateTime(const ShiftAmount& a, DateTime v) {
    if (!InRange(v.ms())) return std::nullopt;
    const int64_t sign = a.add ? 1 : -1;
    // Each amount is an int, so no product below can overflow 64 bits, and
    // every step starts from an in-range value.
    const int64_t steps[4] = {
        int64_t{a.seconds} * 1000,
        int64_t{a.minutes} * 60 * 1000,
        int64_t{a.hours} * 3600 * 1000,
        int64_t{a.days} * DateTime::MsPerDay,
    };
    int64_t ms = v.ms();
    for (int64_t step : steps) {
        ms += sign * step;
        if (!InRange(ms)) return std::nullopt;
    }
    auto r = AddMonths(DateTime::fromMs(ms), sign * a.months);
    if (!r) return std::nullopt;
    r = AddMonths(*r, sign * 12 * int64_t{a.years});
    if (!r || !InRange(r->ms())) return std::nullopt;
    return r;
}

DateTime ShiftDateTime(bool add, int years, int months, int days, int hours, int minutes, int seconds, DateTime v) {
    if (const auto r = TryShiftDateTime({add, years, months, days, hours, minutes, seconds}, v)) return *r;
    // Out of range: the direction of travel tells which end was passed.
    // Non-negative amounts all move one way.
    return add ? kLast : kFirst;
}

std::optional<FailureList> ShiftTimes(std::vector<FileEntry>& rows, const std::vector<size_t>& which,
                                      const ShiftAmount& amount, const TimeKinds& kinds, const WriteHooks& hooks) {
    if (which.empty()) return std::nullopt;
    return WriteRows(
        rows, which, true,
        [&](const FileEntry&, const EntryInfo* entry) {
            EntryChanges c;
            const LocalStamps old = LocalStampsOf(*entry, sys().utcOffsetNow());
            const std::optional<DateTime> shifted[3] = {
                TryShiftDateTime(amount, old.creation),
                TryShiftDateTime(amount, old.lastWrite),
                TryShiftDateTime(amount, old.lastAccess),
            };
            const TimeKind order[3] = {kinds.creation, kinds.lastWrite, kinds.lastAccess};
            for (int n = 0; n < 3; ++n) {
                // A checked kind that cannot be shifted fails the row before
                // anything is written, so no file is left half shifted.
                if (order[n] >= TimeKind::Creation && order[n] <= TimeKind::LastAccess && !shifted[n])
                    c.failure = "移动后的时间超出 1 至 9999 年";
                c.changes[n] = StampChange{order[n], shifted[n].value_or(DateTime{}), true, true};
            }
            return c;
        },
        [](FileEntry& row, const EntryChanges&) { RereadStampTexts(row); }, hooks);
}

} // namespace kdx
