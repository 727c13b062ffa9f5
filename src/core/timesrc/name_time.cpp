#include "core/timesrc/name_time.h"

#include "base/utf8.h"
#include "core/common/filetime.h"
#include "core/common/text.h"

namespace kdx {

namespace {

constexpr long long kLastStamp = 4'102'415'999'000; // 2099-12-31 23:59:59.999 at UTC+8, whole seconds
constexpr int64_t kWeChatShiftMs = 8LL * 3600 * 1000;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Byte offset of the character with the given 1-based position; the text
// length when the text has fewer characters.
size_t OffsetOfChar(std::string_view text, size_t position) {
    size_t pos = 0;
    for (size_t n = 1; n < position && pos < text.size(); ++n) {
        char32_t cp;
        if (!DecodeUtf8(text, pos, cp)) ++pos;
    }
    return pos;
}

size_t CharCount(std::string_view text) {
    size_t pos = 0, n = 0;
    while (pos < text.size()) {
        char32_t cp;
        if (!DecodeUtf8(text, pos, cp)) ++pos;
        ++n;
    }
    return n;
}

} // namespace

bool WeChatStampToTime(std::string_view digits, std::string& timeText) {
    const std::string_view d = Trim(digits);
    if (d.size() < 13) return false;
    long long n = 0;
    if (!ParseInt(d, n) || n <= 0 || n > kLastStamp) return false;
    const int64_t epochMs = DaysFromCivil(1970, 1, 1) * DateTime::MsPerDay;
    timeText = FormatTimeText(DateTime::fromMs(epochMs + n + kWeChatShiftMs));
    return true;
}

bool ParseFileNameTime(std::string_view path, int start, bool weChat, std::string& timeText, std::string& newName) {
    timeText.clear();
    newName.clear();
    const std::string p = StripTrailingBackslashes(path);
    const std::string_view name = FileNameOf(p);
    const std::string_view ext = ExtensionOf(name);
    const std::string_view stem = name.substr(0, name.size() - ext.size());

    // The start position counts characters of the stem before separators go.
    size_t s = start < 2 ? 1 : static_cast<size_t>(start);
    if (!stem.empty() && CharCount(stem) < s) s = 1;
    const std::string_view from = stem.substr(OffsetOfChar(stem, s));
    std::string cleaned;
    for (char c : from)
        if (c != '_' && c != '-' && c != ' ') cleaned.push_back(c);

    std::string digits;
    size_t firstDigit = std::string::npos;
    for (size_t i = 0; i < cleaned.size(); ++i) {
        if (!IsDigit(cleaned[i])) continue;
        if (firstDigit == std::string::npos) firstDigit = i;
        digits.push_back(cleaned[i]);
    }
    if (!weChat && digits.size() < 14) return false;
    if (firstDigit == std::string::npos) return false;
    // The digits that count must stand together.
    const std::string_view lead = std::string_view(cleaned).substr(firstDigit, 13);
    for (char c : lead)
        if (!IsDigit(c)) return false;

    bool found = false;
    // A stamp is read only where the first run of digits is exactly 13 long,
    // measured before the separators go: a copy number after one
    // (mmexport1604139498000_1) is no part of the stamp, and date and time
    // runs joined by one (IMG_20201031_181818, PXL_20220831_003137144) must
    // not be taken for milliseconds.
    const size_t runBegin = from.find_first_of("0123456789");
    size_t runEnd = runBegin;
    while (runEnd < from.size() && IsDigit(from[runEnd]))
        ++runEnd;
    if (weChat && runEnd - runBegin == 13) {
        std::string stampText;
        if (WeChatStampToTime(from.substr(runBegin, 13), stampText)) {
            const DateTime t = *ParseTimeText(stampText);
            newName = std::string(FolderOf(p)) + "mmexport_" + FormatCompactTime(t) + std::string(ext);
            timeText = std::move(stampText);
            found = true;
        }
    }
    if (digits.size() == 14) {
        auto num = [&](size_t at, size_t len) { return std::stoi(digits.substr(at, len)); };
        CalendarFields f{num(0, 4), num(4, 2), num(6, 2), num(8, 2), num(10, 2), num(12, 2), 0};
        if (const auto t = DateTime::tryFromFields(f)) {
            timeText = FormatTimeText(*t);
            found = true;
        }
    }
    return found;
}

} // namespace kdx
