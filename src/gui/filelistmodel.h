#pragma once

// The rows of one list pane: one FileEntry per row, shown in seven columns.
// Rows live in a plain vector in display order, so a million rows cost no
// per-row objects; the view asks only for the cells it paints.

#include <QAbstractTableModel>
#include <vector>

#include "core/lists/file_entry.h"

namespace kdx::gui {

class TSysImageList;

class FileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    FileListModel(bool isListA, TSysImageList* icons, QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const std::vector<FileEntry>& rows() const { return m_rows; }
    const FileEntry& row(size_t i) const { return m_rows[i]; }

    void appendRows(std::vector<FileEntry>&& rows);
    // Replaces every row.
    void setRows(std::vector<FileEntry>&& rows);
    void clear();
    // Removes the rows at the given ascending indices.
    void removeRows(const std::vector<size_t>& indices);
    // Puts the rows in a new order: order[i] is the old index of the row
    // that goes to position i. Selection and current row follow their rows.
    void applyOrder(const std::vector<size_t>& order);

    // Lets a command change row texts in place; call rowsChanged afterwards.
    std::vector<FileEntry>& editRows() { return m_rows; }
    void rowsChanged(const std::vector<size_t>& indices);
    void allRowsChanged();

    // Column whose cells get the sort background; -1 for none.
    void setSortColumn(int column);
    int sortColumn() const { return m_sortColumn; }
    // List A paints rows green or red by their compare mark while on.
    void setCompareColouring(bool on);
    bool compareColouring() const { return m_compare; }

private:
    int iconFor(size_t row) const;
    void repaintAll();

    bool m_isListA;
    TSysImageList* m_icons;
    std::vector<FileEntry> m_rows;
    // Icon index per row, found on first paint: -2 not yet looked up.
    mutable std::vector<int> m_iconCache;
    int m_sortColumn = -1;
    bool m_compare = false;
};

} // namespace kdx::gui
