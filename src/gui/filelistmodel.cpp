#include "gui/filelistmodel.h"

#include <QColor>
#include <algorithm>
#include <numeric>

#include "core/lists/list_ops.h"
#include "gui/sysimagelist.h"

namespace kdx::gui {

namespace {
constexpr int kNotLookedUp = -2;
const char* const kCaptions[ColumnCount] = {"序号",     "名称",     "创建时间",  "修改时间",
                                            "访问时间", "拍摄时间", "文件名时间"};
} // namespace

FileListModel::FileListModel(bool isListA, TSysImageList* icons, QObject* parent)
    : QAbstractTableModel(parent), m_isListA(isListA), m_icons(icons) {}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

int FileListModel::iconFor(size_t row) const {
    if (!m_icons) return -1;
    int& cached = m_iconCache[row];
    if (cached == kNotLookedUp) {
        const std::string& name = m_rows[row].Name;
        cached = IsDirectory(name) ? m_icons->FolderIconIndex() : m_icons->FileIconIndex(name);
    }
    return cached;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || static_cast<size_t>(index.row()) >= m_rows.size()) return {};
    const size_t r = static_cast<size_t>(index.row());
    const int c = index.column();
    const FileEntry& e = m_rows[r];
    switch (role) {
    case Qt::DisplayRole:
        if (c == ColSeq) return QString::number(index.row() + 1);
        return QString::fromUtf8(ColumnText(e, c));
    case Qt::TextAlignmentRole: {
        const bool left = c == ColName || c == ColNameTime || (c == ColPhoto && !m_isListA);
        return QVariant::fromValue(Qt::AlignVCenter | (left ? Qt::AlignLeft : Qt::AlignHCenter));
    }
    case Qt::ToolTipRole:
        return QString::fromUtf8(RowHint(e)).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    case Qt::DecorationRole:
        if (c == ColName && m_icons) return m_icons->icon(iconFor(r));
        return {};
    case Qt::ForegroundRole:
        if (m_compare && m_isListA) {
            if (e.DiffMark == 0) return QColor(0, 128, 0);
            if (e.DiffMark == 1) return QColor(255, 0, 0);
        }
        return {};
    case Qt::BackgroundRole:
        if (c == m_sortColumn) return QColor(247, 247, 247);
        return {};
    default:
        return {};
    }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount) return {};
    if (role == Qt::DisplayRole) return QString::fromUtf8(kCaptions[section]);
    if (role == Qt::BackgroundRole && section == m_sortColumn) return QColor(247, 247, 247);
    return {};
}

void FileListModel::appendRows(std::vector<FileEntry>&& rows) {
    if (rows.empty()) return;
    const int first = static_cast<int>(m_rows.size());
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    m_iconCache.resize(m_rows.size(), kNotLookedUp);
    endInsertRows();
}

void FileListModel::setRows(std::vector<FileEntry>&& rows) {
    beginResetModel();
    m_rows = std::move(rows);
    m_iconCache.assign(m_rows.size(), kNotLookedUp);
    endResetModel();
}

void FileListModel::clear() {
    setRows({});
}

void FileListModel::removeRows(const std::vector<size_t>& indices) {
    if (indices.empty()) return;
    // Count the runs of adjacent rows; many scattered runs are removed in one
    // pass instead of one shift of the whole vector per run.
    size_t runs = 1;
    for (size_t i = 1; i < indices.size(); ++i)
        if (indices[i] != indices[i - 1] + 1) ++runs;
    if (runs > 64) {
        std::vector<bool> drop(m_rows.size(), false);
        for (size_t i : indices)
            drop[i] = true;
        std::vector<FileEntry> kept;
        kept.reserve(m_rows.size() - indices.size());
        for (size_t i = 0; i < m_rows.size(); ++i)
            if (!drop[i]) kept.push_back(std::move(m_rows[i]));
        setRows(std::move(kept));
        return;
    }
    size_t end = indices.size();
    while (end > 0) {
        size_t begin = end - 1;
        while (begin > 0 && indices[begin - 1] + 1 == indices[begin])
            --begin;
        const size_t first = indices[begin], last = indices[end - 1];
        beginRemoveRows({}, static_cast<int>(first), static_cast<int>(last));
        m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(first),
                     m_rows.begin() + static_cast<std::ptrdiff_t>(last) + 1);
        m_iconCache.erase(m_iconCache.begin() + static_cast<std::ptrdiff_t>(first),
                          m_iconCache.begin() + static_cast<std::ptrdiff_t>(last) + 1);
        endRemoveRows();
        end = begin;
    }
}

namespace {

// Puts v in the new order in place, one cycle of the permutation at a time:
// a million rows move without a second copy of the list.
template <class T>
void Permute(std::vector<T>& v, const std::vector<size_t>& order) {
    std::vector<bool> done(order.size(), false);
    for (size_t start = 0; start < order.size(); ++start) {
        if (done[start] || order[start] == start) continue;
        T carried = std::move(v[start]);
        size_t at = start;
        while (order[at] != start) {
            v[at] = std::move(v[order[at]]);
            done[at] = true;
            at = order[at];
        }
        v[at] = std::move(carried);
        done[at] = true;
    }
}

} // namespace

void FileListModel::applyOrder(const std::vector<size_t>& order) {
    if (order.size() != m_rows.size()) return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    Permute(m_rows, order);
    Permute(m_iconCache, order);
    const QModelIndexList from = persistentIndexList();
    if (!from.isEmpty()) {
        std::vector<int> newPos(order.size());
        for (size_t i = 0; i < order.size(); ++i)
            newPos[order[i]] = static_cast<int>(i);
        QModelIndexList to;
        to.reserve(from.size());
        for (const QModelIndex& i : from)
            to.push_back(index(newPos[static_cast<size_t>(i.row())], i.column()));
        changePersistentIndexList(from, to);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void FileListModel::rowsChanged(const std::vector<size_t>& indices) {
    if (indices.empty()) return;
    for (size_t i : indices)
        m_iconCache[i] = kNotLookedUp;
    // One signal for the span the changed rows cover.
    const auto [lo, hi] = std::minmax_element(indices.begin(), indices.end());
    emit dataChanged(index(static_cast<int>(*lo), 0), index(static_cast<int>(*hi), ColumnCount - 1));
}

void FileListModel::allRowsChanged() {
    std::fill(m_iconCache.begin(), m_iconCache.end(), kNotLookedUp);
    repaintAll();
}

void FileListModel::repaintAll() {
    if (!m_rows.empty()) emit dataChanged(index(0, 0), index(static_cast<int>(m_rows.size()) - 1, ColumnCount - 1));
}

void FileListModel::setSortColumn(int column) {
    m_sortColumn = column;
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    repaintAll();
}

void FileListModel::setCompareColouring(bool on) {
    m_compare = on;
    repaintAll();
}

} // namespace kdx::gui
