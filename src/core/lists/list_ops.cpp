#include "core/lists/list_ops.h"

#include <algorithm>
#include <numeric>

#include "core/common/text.h"

namespace kdx {

std::string_view ColumnText(const FileEntry& e, int column) {
    switch (column) {
    case ColName: return e.Name;
    case ColCreate: return e.CreateTime;
    case ColWrite: return e.WriteTime;
    case ColAccess: return e.AccessTime;
    case ColPhoto: return e.PhotoTime;
    case ColNameTime: return e.NameTime;
    default: return {};
    }
}

int CompareEntries(const FileEntry& a, const FileEntry& b, int column) {
    if (column < ColName || column > ColNameTime) return 0;
    return CompareAsciiFolded(ColumnText(a, column), ColumnText(b, column));
}

std::vector<size_t> SortOrder(const std::vector<FileEntry>& rows, int column, bool ascending) {
    std::vector<size_t> order(rows.size());
    std::iota(order.begin(), order.end(), size_t{0});
    if (rows.size() < 2) return order;
    // A merge sort: rows that compare equal keep their order in both directions.
    std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) {
        const int c = CompareEntries(rows[x], rows[y], column);
        return ascending ? c < 0 : c > 0;
    });
    return order;
}

std::vector<size_t> MoveUpOrder(const std::vector<bool>& selected) {
    std::vector<size_t> order(selected.size());
    std::iota(order.begin(), order.end(), size_t{0});
    // order[i] holds the old index now at i; sel tracks selection by position.
    std::vector<bool> sel = selected;
    for (size_t i = 1; i < order.size(); ++i) {
        if (sel[i] && !sel[i - 1]) {
            std::swap(order[i], order[i - 1]);
            sel[i - 1] = true;
            sel[i] = false;
        }
    }
    return order;
}

std::vector<size_t> MoveDownOrder(const std::vector<bool>& selected) {
    std::vector<size_t> order(selected.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::vector<bool> sel = selected;
    for (size_t i = order.size(); i-- > 1;) {
        if (sel[i - 1] && !sel[i]) {
            std::swap(order[i], order[i - 1]);
            sel[i] = true;
            sel[i - 1] = false;
        }
    }
    return order;
}

std::string RowHint(const FileEntry& e) {
    std::string s;
    s.reserve(e.Name.size() + 160);
    s += e.Name;
    s += "\r\n\r\n创建时间 ：";
    s += e.CreateTime;
    s += "\r\n修改时间 ：";
    s += e.WriteTime;
    s += "\r\n访问时间 ：";
    s += e.AccessTime;
    s += "\r\n拍摄时间 ：";
    s += e.PhotoTime;
    s += "\r\n文件名时间：";
    s += e.NameTime;
    return s;
}

} // namespace kdx
