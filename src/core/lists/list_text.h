#pragma once

// Whole-list operations that change no file: replacing a piece of every
// path, the clipboard text of a list, and exchanging the two lists.

#include <string>
#include <string_view>
#include <vector>

#include "core/lists/file_entry.h"

namespace kdx {

// Replaces every occurrence of search in every row's Name by replacement.
// The scan runs left to right and continues after each replacement, so
// inserted text is never searched again. Letters are compared ignoring case
// as the platform's locale upper-cases them, one whole character at a time:
// a match starts and ends on character boundaries. The replacement goes in
// as typed. An empty search changes nothing; other fields are untouched.
void ReplaceInNames(std::vector<FileEntry>& rows, std::string_view search, std::string_view replacement);

// The header line of the list text.
inline constexpr std::string_view ListTextHeader = "序号\t名称\t创建时间\t修改时间\t访问时间\t拍摄时间\t文件名时间";

// A list as text: the header line, then per row its position from 1, the
// path and the five time texts (photo and file-name time trimmed, so a
// missing one is an empty field), separated by TAB, each line ended by
// lineEnd. An empty list gives an empty text.
std::string CopyListText(const std::vector<FileEntry>& rows, std::string_view lineEnd = "\r\n");

// Exchanges the contents of two lists with their selections. Afterwards
// each list looks as if the other had been saved as a snapshot and loaded:
// same texts, order and selection, SeqNo and DiffMark 0, one selection flag
// per row.
void ExchangeLists(std::vector<FileEntry>& rowsA, std::vector<bool>& selectedA, std::vector<FileEntry>& rowsB,
                   std::vector<bool>& selectedB);

} // namespace kdx
