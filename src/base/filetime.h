#pragma once

// Time values of the program.
//
// FileTime: a file-system stamp, UTC, in 100-ns ticks since 1601-01-01.
// DateTime: a local calendar date and time of day, in milliseconds since
//           0001-01-01 00:00:00 (proleptic Gregorian), no time zone.
// Time text: "yyyy-mm-dd hh:nn:ss", the form every time is shown and kept in.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kdx {

// The kind of stamp a write or a read touches, numbered as the program has
// always numbered them. NotChosen stands for a kind left out (its check box
// is clear); writing it does nothing.
enum class TimeKind : int {
    NotChosen = 0,
    Creation = 1,
    LastWrite = 2,
    LastAccess = 3,
};

struct FileTime {
    int64_t ticks = 0; // 100 ns since 1601-01-01 00:00:00 UTC
    // The nanoseconds below the tick (0-99) that POSIX file systems keep:
    // an exact restore gives them back. 0 where the system counts in ticks.
    int32_t nanos = 0;

    static constexpr int64_t TicksPerSecond = 10'000'000;
    // Seconds from 1601-01-01 to 1970-01-01.
    static constexpr int64_t UnixEpochSeconds = 11'644'473'600;

    static FileTime fromUnix(int64_t seconds, int64_t nanoseconds);
    // Whole seconds and nanoseconds since 1970 (seconds floor toward -inf).
    void toUnix(int64_t& seconds, int64_t& nanoseconds) const;

    auto operator<=>(const FileTime&) const = default;
};

struct CalendarFields {
    int year = 1, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

class DateTime {
public:
    static constexpr int64_t MsPerSecond = 1000;
    static constexpr int64_t MsPerDay = 86'400'000;

    constexpr DateTime() = default;
    static constexpr DateTime fromMs(int64_t ms) { return DateTime(ms); }
    // Fields must be valid (see IsValidDate/IsValidTime).
    static DateTime fromFields(const CalendarFields& f);
    static std::optional<DateTime> tryFromFields(const CalendarFields& f);

    constexpr int64_t ms() const { return m_ms; }
    CalendarFields fields() const;
    // Midnight of the same day.
    DateTime date() const;
    // Milliseconds since midnight.
    int64_t timeOfDayMs() const;
    // Sub-second part dropped.
    DateTime wholeSeconds() const;

    auto operator<=>(const DateTime&) const = default;

private:
    constexpr explicit DateTime(int64_t ms) : m_ms(ms) {}
    int64_t m_ms = 0;
};

// Earliest and latest values the program accepts: years 1 to 9999.
inline constexpr int MinYear = 1;
inline constexpr int MaxYear = 9999;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
bool IsValidDate(int year, int month, int day);
bool IsValidTime(int hour, int minute, int second, int millisecond = 0);

// Days since 0001-01-01 for a valid date, and back.
int64_t DaysFromCivil(int year, int month, int day);
void CivilFromDays(int64_t days, int& year, int& month, int& day);

// Stamp <-> local value with the given offset of local time from UTC.
DateTime FileTimeToLocalDateTime(FileTime stamp, int64_t utcOffsetSeconds);
FileTime LocalDateTimeToFileTime(DateTime local, int64_t utcOffsetSeconds);

// "yyyy-mm-dd hh:nn:ss"; sub-second part dropped, not rounded.
std::string FormatTimeText(DateTime value);
// "yyyymmdd_hhnnss", as used in renamed file names.
std::string FormatCompactTime(DateTime value);

// Reads a time text back: year-month-day with "-", then optionally blanks and
// hour:minute[:second[.fraction]] with ":". Leading and trailing blanks are
// allowed, so are one- or two-digit fields. A date alone means midnight.
// Blanks are spaces: tabs and other control characters are not skipped.
std::optional<DateTime> ParseTimeText(std::string_view text);

// A time as typed in ISO 8601's extended form or as a time text: the date,
// then optionally "T" (or blanks) and the time of day, then optionally a UTC
// offset ("Z", "+hh", "+hh:mm", "+hhmm", or with "-"). A fraction of the
// seconds is read to the millisecond.
struct TypedTime {
    DateTime value;                          // as written: in the offset's zone when one is given
    bool hasTime = false;                    // a time of day was written, not a date alone
    std::optional<int64_t> utcOffsetSeconds; // the offset written, if any
};
std::optional<TypedTime> ParseIsoTime(std::string_view text);

// ISO 8601 with the offset: "yyyy-mm-ddThh:nn:ss+hh:mm" ("Z" for UTC).
// The value is local to that offset and kept to whole seconds; a stamp keeps
// its 100-ns part as seven digits of fraction.
std::string FormatIsoTime(DateTime local, int64_t utcOffsetSeconds);
std::string FormatIsoStamp(FileTime stamp, int64_t utcOffsetSeconds);

// The text held for a missing photo or file-name time.
inline constexpr std::string_view BlankTime = " ";

} // namespace kdx
