#include "core/lists/list_ops.h"

#include <algorithm>
#include <numeric>

#include "core/common/text.h"

namespace kdx {

std::string_view ColumnText(const FileEntry& e, int column) {
    switch (column) {
    case ColName:
        return e.Name;
    case ColCreate:
        return e.CreateTime;
    case ColWrite:
        return e.WriteTime;
    case ColAccess:
        return e.AccessTime;
    case ColPhoto:
        return e.PhotoTime;
    case ColNameTime:
        return e.NameTime;
    default:
        return {};
    }
}

int CompareEntries(const FileEntry& a, const FileEntry& b, int column) {
    if (column < ColName || column > ColNameTime) return 0;
    return CompareAsciiFolded(ColumnText(a, column), ColumnText(b, column));
}

namespace {

// Eight bytes of a key from pos on, as a number that orders like the bytes
// themselves (missing bytes count as zero; the full compare settles ties).
uint64_t Head(std::string_view key, size_t pos) {
    uint64_t h = 0;
    for (size_t i = 0; i < 8; ++i) {
        h <<= 8;
        if (pos + i < key.size()) h |= static_cast<unsigned char>(key[pos + i]);
    }
    return h;
}

} // namespace

std::vector<size_t> SortOrder(const std::vector<FileEntry>& rows, int column, bool ascending) {
    const size_t n = rows.size();
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), size_t{0});
    if (n < 2 || column < ColName || column > ColNameTime) return order;

    // Folding every text once into one buffer, and comparing the folded keys
    // with memcmp, is what keeps a million rows fast; comparing the fields
    // byte by byte with folding on every comparison is ten times slower.
    size_t total = 0;
    for (const FileEntry& e : rows)
        total += ColumnText(e, column).size();
    std::string folded;
    folded.reserve(total);
    std::vector<size_t> start(n + 1);
    for (size_t i = 0; i < n; ++i) {
        start[i] = folded.size();
        for (char c : ColumnText(rows[i], column))
            folded.push_back(AsciiUpper(c));
    }
    start[n] = folded.size();
    auto key = [&](size_t i) { return std::string_view(folded).substr(start[i], start[i + 1] - start[i]); };

    // Paths share long beginnings; skipping the part every key shares lets
    // the sixteen bytes held beside each index tell most keys apart.
    size_t common = key(0).size();
    for (size_t i = 1; i < n && common > 0; ++i) {
        const std::string_view k = key(i);
        size_t j = 0;
        while (j < common && j < k.size() && k[j] == key(0)[j])
            ++j;
        common = j;
    }

    struct Item {
        uint64_t head, next; // bytes common+0..7 and common+8..15
        size_t index;
    };
    std::vector<Item> items(n);
    for (size_t i = 0; i < n; ++i)
        items[i] = {Head(key(i), common), Head(key(i), common + 8), i};
    auto less = [&](const Item& a, const Item& b) {
        if (a.head != b.head) return a.head < b.head;
        if (a.next != b.next) return a.next < b.next;
        const std::string_view x = key(a.index).substr(common), y = key(b.index).substr(common);
        return x.compare(y) < 0; // unsigned bytes, the shorter prefix first
    };
    if (ascending)
        std::stable_sort(items.begin(), items.end(), less);
    else
        std::stable_sort(items.begin(), items.end(), [&](const Item& a, const Item& b) { return less(b, a); });
    for (size_t i = 0; i < n; ++i)
        order[i] = items[i].index;
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
