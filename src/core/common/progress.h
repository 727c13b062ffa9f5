#pragma once

// The arithmetic of the progress window shown while rows are added: when it
// appears, how often it moves, and what its caption says.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kdx {

// The progress window's own caption.
inline constexpr std::string_view ScanningCaption = "正在扫描添加文件，请稍候...";

// Whether adding n rows shows the progress window: from 1000 rows on.
bool ShowsProgressWindow(size_t n);

// Rows between two updates: n / 100 rounded to the nearest whole number
// (halves to the even one), at least 10. About a hundred updates per batch.
size_t ProgressStep(size_t n);

// Whether the update happens before row i (0-based) of n: the window is shown
// and i is a multiple of the step. The bar then goes to position i + 1.
bool IsProgressUpdate(size_t i, size_t n);

// savedCaption, two blanks and the position as a percentage of n with two
// decimals in brackets: '正在扫描添加文件，请稍候...  [12.10%]'. The decimal
// point is always ".", whatever the process locale.
std::string ProgressCaption(std::string_view savedCaption, size_t position, size_t n);

struct ProgressUpdate {
    size_t position = 0;
    std::string caption;
    bool operator==(const ProgressUpdate&) const = default;
};

// Every update of adding n rows in order; none below 1000 rows. The last
// position can stay short of n: the bar moves only at multiples of the step.
std::vector<ProgressUpdate> ProgressUpdates(std::string_view savedCaption, size_t n);

} // namespace kdx
