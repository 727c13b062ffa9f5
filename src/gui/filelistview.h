#pragma once

// One list pane (list A "lv1" or list B "lv2"): a table over a FileListModel
// with the row commands of its tool bar. Nothing here changes anything on disk.

#include <QTableView>
#include <vector>

#include "gui/filelistmodel.h"

class QUrl;

namespace kdx::gui {

class TSysImageList;

class FileListView : public QTableView {
    Q_OBJECT
public:
    FileListView(bool isListA, TSysImageList* icons, QWidget* parent);

    bool isListA() const { return m_isListA; }
    FileListModel* rowsModel() const { return m_model; }
    size_t rowCount() const { return m_model->rows().size(); }

    // Selected rows in display order.
    std::vector<size_t> selectedRows() const;
    std::vector<bool> selectionFlags() const;
    void setSelectionFlags(const std::vector<bool>& flags);
    bool hasSelection() const;
    // All rows, or the selected ones, in display order.
    std::vector<size_t> rowsToProcess(bool allRows) const;
    // The focused row, or -1.
    int focusedRow() const;

    // Sorting by a header click (left button).
    void lv1HeaderClick(int column);
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    void RemoveSelectedRows();
    void RemoveAllRows();
    void MoveSelectedUp();
    void MoveSelectedDown();
    void SelectAllRows();
    void InvertSelection();
    // Ctrl+A selects every row the same quick way as "全选".
    void selectAll() override;
    void OpenEntry();
    void LocateEntry();

    // Column widths the layout rule sets; the last column takes the rest.
    void setLayoutWidths(int nameWidth);

    // While a long command fills or walks the rows, nothing else may change
    // them: sorting, moving, removing and drops are refused.
    void setLocked(bool locked) { m_locked = locked; }
    bool isLocked() const { return m_locked; }

signals:
    // Every row was removed (the shared path lists empty with it).
    void allRowsRemoved();
    // Local files and folders dropped from the desktop's file manager, as
    // the file system spells their paths.
    void pathsDropped(const QList<QByteArray>& paths);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void updateGeometries() override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

private:
    // Puts the rows in a new order (see FileListModel::applyOrder); the
    // selection and the current row follow their rows.
    void reorder(const std::vector<size_t>& order);
    void keepWidthInBounds(int column, int oldSize, int newSize);
    // Column 6 gets the list's width less the other columns (10 at least).
    void fitLastColumn();

    bool m_isListA;
    FileListModel* m_model;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    bool m_locked = false;
    bool m_fitting = false;
};

// The path of the focused row as the file system spells it, if it names an
// existing file or folder.
QByteArray FocusedExistingPath(const FileListView* list);

// The local path a "file:" URL names, as the file system spells it (on
// POSIX the URL's bytes, which need not be UTF-8); empty for other URLs.
QByteArray LocalPathOf(const QUrl& url);
// The "file:" URL of a local path as the file system spells it; the inverse
// of LocalPathOf.
QUrl LocalFileUrl(const QByteArray& path);

} // namespace kdx::gui
