#include "core/adding/filters.h"

#include "core/common/text.h"

namespace kdx {

namespace {

bool IsItemSeparator(char c) {
    return c == '\t' || c == ' ' || c == ',' || c == ';' || c == '|';
}
bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

} // namespace

std::vector<std::string> SplitFilterItems(std::string_view text) {
    std::vector<std::string> items;
    size_t pos = 0;
    const size_t n = text.size();
    while (pos < n) {
        while (pos < n && IsLineBreak(text[pos]))
            ++pos;
        const size_t start = pos;
        while (pos < n && !IsItemSeparator(text[pos]) && !IsLineBreak(text[pos])) {
            const char c = text[pos];
            if (c == '\'' || c == '"') {
                const size_t close = text.find(c, pos + 1);
                pos = close == std::string_view::npos ? n : close + 1;
            } else {
                ++pos;
            }
        }
        if (pos > start) items.emplace_back(text.substr(start, pos - start));
        // A separator belongs to the item it ends; a line break is left for
        // the skipping at the start of the next item.
        if (pos < n && IsItemSeparator(text[pos])) ++pos;
    }
    return items;
}

void SplitFilters(std::string_view filterText, std::string& maskList, std::string& filterPairList) {
    if (IsBlank(filterText)) return;
    const std::vector<std::string> items = SplitFilterItems(filterText);
    if (items.empty()) return;
    maskList.clear();
    filterPairList.clear();
    for (const std::string& item : items) {
        if (!IsBlank(maskList) && maskList.back() != ';') maskList += ';';
        maskList += item;
        maskList += ';';
        if (!IsBlank(filterPairList) && filterPairList.back() != '|') filterPairList += '|';
        filterPairList += item;
        filterPairList += '|';
        filterPairList += item;
    }
}

} // namespace kdx
