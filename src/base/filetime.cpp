#include "base/filetime.h"

namespace kdx {

namespace {

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

int64_t FloorMod(int64_t a, int64_t b) {
    return a - FloorDiv(a, b) * b;
}

// Milliseconds from 0001-01-01 to 1601-01-01, the epoch of file stamps.
constexpr int64_t kDays1601 = 584'388;
constexpr int64_t kMs1601 = kDays1601 * DateTime::MsPerDay;

} // namespace

FileTime FileTime::fromUnix(int64_t seconds, int64_t nanoseconds) {
    return FileTime{(seconds + UnixEpochSeconds) * TicksPerSecond + FloorDiv(nanoseconds, 100),
                    static_cast<int32_t>(FloorMod(nanoseconds, 100))};
}

void FileTime::toUnix(int64_t& seconds, int64_t& nanoseconds) const {
    seconds = FloorDiv(ticks, TicksPerSecond) - UnixEpochSeconds;
    nanoseconds = FloorMod(ticks, TicksPerSecond) * 100 + nanos;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidDate(int year, int month, int day) {
    return year >= MinYear && year <= MaxYear && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month);
}

bool IsValidTime(int hour, int minute, int second, int millisecond) {
    return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 && millisecond >= 0 &&
           millisecond < 1000;
}

// Howard Hinnant's days-from-civil, shifted so that 0001-01-01 is day 0.
int64_t DaysFromCivil(int year, int month, int day) {
    int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
    const int64_t era = FloorDiv(y, 400);
    const int64_t yoe = y - era * 400;
    const int64_t mp = (month + 9) % 12;
    const int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const int64_t daysFrom0000_03_01 = era * 146097 + doe;
    // 0001-01-01 is 306 days after 0000-03-01.
    return daysFrom0000_03_01 - 306;
}

void CivilFromDays(int64_t days, int& year, int& month, int& day) {
    const int64_t z = days + 306;
    const int64_t era = FloorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

DateTime DateTime::fromFields(const CalendarFields& f) {
    const int64_t days = DaysFromCivil(f.year, f.month, f.day);
    return DateTime(days * MsPerDay + ((f.hour * 60LL + f.minute) * 60 + f.second) * MsPerSecond + f.millisecond);
}

std::optional<DateTime> DateTime::tryFromFields(const CalendarFields& f) {
    if (!IsValidDate(f.year, f.month, f.day) || !IsValidTime(f.hour, f.minute, f.second, f.millisecond))
        return std::nullopt;
    return fromFields(f);
}

CalendarFields DateTime::fields() const {
    CalendarFields f;
    const int64_t days = FloorDiv(m_ms, MsPerDay);
    int64_t rest = m_ms - days * MsPerDay;
    CivilFromDays(days, f.year, f.month, f.day);
    f.millisecond = static_cast<int>(rest % 1000);
    rest /= 1000;
    f.second = static_cast<int>(rest % 60);
    rest /= 60;
    f.minute = static_cast<int>(rest % 60);
    f.hour = static_cast<int>(rest / 60);
    return f;
}

DateTime DateTime::date() const {
    return DateTime(FloorDiv(m_ms, MsPerDay) * MsPerDay);
}

int64_t DateTime::timeOfDayMs() const {
    return FloorMod(m_ms, MsPerDay);
}

DateTime DateTime::wholeSeconds() const {
    return DateTime(FloorDiv(m_ms, MsPerSecond) * MsPerSecond);
}

DateTime FileTimeToLocalDateTime(FileTime stamp, int64_t utcOffsetSeconds) {
    const int64_t msSince1601 = FloorDiv(stamp.ticks, 10'000);
    return DateTime::fromMs(kMs1601 + msSince1601 + utcOffsetSeconds * 1000);
}

FileTime LocalDateTimeToFileTime(DateTime local, int64_t utcOffsetSeconds) {
    const int64_t msSince1601 = local.ms() - kMs1601 - utcOffsetSeconds * 1000;
    return FileTime{msSince1601 * 10'000};
}

namespace {

// The six fields with the separators between them: date, date, between date
// and time, time, time ('\0' for none). Written digit by digit, since this
// runs for every stamp of every row read.
std::string FormatFields(DateTime value, const char (&seps)[5]) {
    const CalendarFields f = value.fields();
    const int fields[6] = {f.year, f.month, f.day, f.hour, f.minute, f.second};
    std::string s;
    s.reserve(20);
    for (int i = 0; i < 6; ++i) {
        if (i > 0 && seps[i - 1] != '\0') s.push_back(seps[i - 1]);
        if (i == 0 && (f.year < 0 || f.year > 9999)) {
            // A stamp outside the four-digit years keeps its true year, so
            // the text never reads back as another time.
            s += std::to_string(f.year);
            continue;
        }
        const int digits = i == 0 ? 4 : 2;
        char buf[4];
        for (int d = digits - 1, v = fields[i]; d >= 0; --d, v /= 10)
            buf[d] = static_cast<char>('0' + v % 10);
        s.append(buf, static_cast<size_t>(digits));
    }
    return s;
}

} // namespace

std::string FormatTimeText(DateTime value) {
    return FormatFields(value, {'-', '-', ' ', ':', ':'});
}

std::string FormatCompactTime(DateTime value) {
    return FormatFields(value, {'\0', '\0', '_', '\0', '\0'});
}

namespace {

// Blanks only: a control character inside a time text makes it no time.
bool IsBlank(char c) {
    return c == ' ';
}

// Reads 1 to maxDigits decimal digits at pos.
bool ReadNumber(std::string_view s, size_t& pos, int maxDigits, int& value) {
    int digits = 0;
    value = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9' && digits < maxDigits) {
        value = value * 10 + (s[pos] - '0');
        ++pos;
        ++digits;
    }
    return digits > 0;
}

} // namespace

std::optional<DateTime> ParseTimeText(std::string_view s) {
    size_t pos = 0;
    while (pos < s.size() && IsBlank(s[pos]))
        ++pos;
    CalendarFields f;
    if (!ReadNumber(s, pos, 4, f.year) || pos >= s.size() || s[pos++] != '-') return std::nullopt;
    if (!ReadNumber(s, pos, 2, f.month) || pos >= s.size() || s[pos++] != '-') return std::nullopt;
    if (!ReadNumber(s, pos, 2, f.day)) return std::nullopt;
    const size_t afterDate = pos;
    while (pos < s.size() && IsBlank(s[pos]))
        ++pos;
    if (pos < s.size()) {
        if (pos == afterDate) return std::nullopt; // time must be set apart by a blank
        if (!ReadNumber(s, pos, 2, f.hour) || pos >= s.size() || s[pos++] != ':') return std::nullopt;
        if (!ReadNumber(s, pos, 2, f.minute)) return std::nullopt;
        if (pos < s.size() && s[pos] == ':') {
            ++pos;
            if (!ReadNumber(s, pos, 2, f.second)) return std::nullopt;
            if (pos < s.size() && s[pos] == '.') {
                ++pos;
                int frac = 0;
                const size_t start = pos;
                if (!ReadNumber(s, pos, 3, frac)) return std::nullopt;
                for (size_t n = pos - start; n < 3; ++n)
                    frac *= 10;
                f.millisecond = frac;
            }
        }
        while (pos < s.size() && IsBlank(s[pos]))
            ++pos;
        if (pos != s.size()) return std::nullopt;
    }
    return DateTime::tryFromFields(f);
}

namespace {

// "Z", or the sign, two digits of hours and two of minutes after a colon.
void AppendOffset(std::string& out, int64_t utcOffsetSeconds) {
    if (utcOffsetSeconds == 0) {
        out += 'Z';
        return;
    }
    const int64_t minutes = (utcOffsetSeconds < 0 ? -utcOffsetSeconds : utcOffsetSeconds) / 60;
    const char text[] = {utcOffsetSeconds < 0 ? '-' : '+',           static_cast<char>('0' + minutes / 600),
                         static_cast<char>('0' + minutes / 60 % 10), ':',
                         static_cast<char>('0' + minutes % 60 / 10), static_cast<char>('0' + minutes % 10)};
    out.append(text, sizeof text);
}

// hh, hh:mm or hhmm after the sign; hours to 23, minutes to 59.
std::optional<int64_t> ParseOffset(std::string_view s) {
    if (s == "Z" || s == "z") return 0;
    if (s.empty() || (s[0] != '+' && s[0] != '-')) return std::nullopt;
    const int64_t sign = s[0] == '-' ? -1 : 1;
    s.remove_prefix(1);
    std::string digits;
    if (s.size() == 5 && s[2] == ':')
        digits = std::string(s.substr(0, 2)) + std::string(s.substr(3));
    else if (s.size() == 2 || s.size() == 4)
        digits = std::string(s);
    else
        return std::nullopt;
    int value[2] = {0, 0};
    for (size_t i = 0; i < digits.size(); ++i) {
        if (digits[i] < '0' || digits[i] > '9') return std::nullopt;
        value[i / 2] = value[i / 2] * 10 + (digits[i] - '0');
    }
    if (value[0] > 23 || value[1] > 59) return std::nullopt;
    return sign * (value[0] * 3600 + value[1] * 60);
}

} // namespace

std::optional<TypedTime> ParseIsoTime(std::string_view text) {
    // The date: digits, "-", digits, "-", digits, after any blanks.
    size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    int dashes = 0;
    while (pos < text.size() && ((text[pos] >= '0' && text[pos] <= '9') || (text[pos] == '-' && dashes < 2))) {
        dashes += text[pos] == '-';
        ++pos;
    }
    std::string plain(text);
    const size_t afterDate = pos;
    TypedTime typed;
    if (pos < text.size() && (text[pos] == 'T' || text[pos] == 't')) {
        plain[pos] = ' ';
        typed.hasTime = true;
    } else {
        while (pos < text.size() && IsBlank(text[pos]))
            ++pos;
        typed.hasTime = pos < text.size();
    }
    if (typed.hasTime) {
        // An offset begins at the first "Z", "+" or "-" after the date.
        const size_t zone = plain.find_first_of("Zz+-", afterDate);
        if (zone != std::string::npos) {
            size_t end = plain.size();
            while (end > zone && IsBlank(plain[end - 1]))
                --end;
            typed.utcOffsetSeconds = ParseOffset(std::string_view(plain).substr(zone, end - zone));
            if (!typed.utcOffsetSeconds) return std::nullopt;
            plain.erase(zone);
        }
    }
    // "2020-10-31T" or "2020-10-31Z", with no time of day, is no time.
    size_t timeStart = afterDate;
    while (timeStart < plain.size() && IsBlank(plain[timeStart]))
        ++timeStart;
    if (typed.hasTime && timeStart == plain.size()) return std::nullopt;
    const auto value = ParseTimeText(plain);
    if (!value) return std::nullopt;
    typed.value = *value;
    return typed;
}

std::string FormatIsoTime(DateTime local, int64_t utcOffsetSeconds) {
    std::string s = FormatTimeText(local.wholeSeconds());
    if (s.size() > 10 && s[s.size() - 9] == ' ') s[s.size() - 9] = 'T';
    AppendOffset(s, utcOffsetSeconds);
    return s;
}

std::string FormatIsoStamp(FileTime stamp, int64_t utcOffsetSeconds) {
    std::string s = FormatTimeText(FileTimeToLocalDateTime(stamp, utcOffsetSeconds));
    if (s.size() > 10 && s[s.size() - 9] == ' ') s[s.size() - 9] = 'T';
    const int64_t ticks = stamp.ticks - FloorDiv(stamp.ticks, FileTime::TicksPerSecond) * FileTime::TicksPerSecond;
    std::string fraction = std::to_string(ticks);
    s += '.';
    s.append(7 - fraction.size(), '0');
    s += fraction;
    AppendOffset(s, utcOffsetSeconds);
    return s;
}

} // namespace kdx
