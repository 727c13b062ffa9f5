#include "core/common/progress.h"

#include <charconv>

namespace kdx {

bool ShowsProgressWindow(size_t n) {
    return n >= 1000;
}

size_t ProgressStep(size_t n) {
    size_t step = n / 100;
    const size_t rest = n % 100;
    if (rest > 50 || (rest == 50 && step % 2 == 1)) ++step;
    return step < 10 ? 10 : step;
}

bool IsProgressUpdate(size_t i, size_t n) {
    return ShowsProgressWindow(n) && i < n && i % ProgressStep(n) == 0;
}

std::string ProgressCaption(std::string_view savedCaption, size_t position, size_t n) {
    const double percent = n == 0 ? 0.0 : static_cast<double>(position) * 100.0 / static_cast<double>(n);
    char digits[64];
    // to_chars rounds the double exactly as printf's "%.2f" does, but never
    // writes a locale's decimal comma.
    const auto r = std::to_chars(digits, digits + sizeof digits, percent, std::chars_format::fixed, 2);
    std::string caption(savedCaption);
    caption += "  [";
    caption.append(digits, r.ptr);
    caption += "%]";
    return caption;
}

std::vector<ProgressUpdate> ProgressUpdates(std::string_view savedCaption, size_t n) {
    std::vector<ProgressUpdate> updates;
    if (!ShowsProgressWindow(n)) return updates;
    const size_t step = ProgressStep(n);
    for (size_t i = 0; i < n; i += step)
        updates.push_back({i + 1, ProgressCaption(savedCaption, i + 1, n)});
    return updates;
}

} // namespace kdx
