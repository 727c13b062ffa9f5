#pragma once

// Row rules of the two list panes that need no window: the column texts,
// the comparison and sort, and moving selected rows.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/lists/file_entry.h"

namespace kdx {

// Columns of a list pane.
enum Column : int {
    ColSeq = 0,  // "序号": row position + 1
    ColName = 1, // "名称"
    ColCreate = 2,
    ColWrite = 3,
    ColAccess = 4,
    ColPhoto = 5,
    ColNameTime = 6,
    ColumnCount = 7
};

// The entry field shown in column 1-6; empty view for other columns.
std::string_view ColumnText(const FileEntry& e, int column);

// Bytes compared with a-z counted as A-Z; a shorter prefix first. Columns
// other than 1-6 compare equal.
int CompareEntries(const FileEntry& a, const FileEntry& b, int column);

// The new order of rows after a stable sort by column: result[i] is the old
// index of the row that goes to position i.
std::vector<size_t> SortOrder(const std::vector<FileEntry>& rows, int column, bool ascending);

// The new order after moving every selected row one place up (down) past an
// unselected neighbour; blocks move as blocks and stop at the edge.
std::vector<size_t> MoveUpOrder(const std::vector<bool>& selected);
std::vector<size_t> MoveDownOrder(const std::vector<bool>& selected);

// Tooltip of a row: path, an empty line and the five labelled times, lines
// joined by CR LF.
std::string RowHint(const FileEntry& e);

} // namespace kdx
