#pragma once

// The user's filter text ("*.bmp;*.txt;*.doc") taken apart into masks.

#include <string>
#include <string_view>
#include <vector>

namespace kdx {

// The filter items of text, in order. TAB, space, ",", ";" and "|" separate
// items; CR, LF and the end of the text end one, and CR/LF are skipped where
// an item starts. A ' or " opens a stretch up to the next quote of the same
// kind (or the end of the text) in which nothing splits; the quotes stay in
// the item. Empty items are dropped; items are neither trimmed nor folded.
std::vector<std::string> SplitFilterItems(std::string_view text);

// Turns a filter text into the mask list ("*.bmp;*.txt;": every mask followed
// by ";") and the filter pair list ("*.bmp|*.bmp|*.txt|*.txt": each mask as
// its own description). Both outputs are replaced, but left exactly as they
// were when the text is blank or holds no item at all.
void SplitFilters(std::string_view filterText, std::string& maskList, std::string& filterPairList);

} // namespace kdx
