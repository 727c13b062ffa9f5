#include "gui/filelistview.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QStyledItemDelegate>
#include <QUrl>
#include <algorithm>

#include "core/common/text.h"
#include "core/lists/list_ops.h"
#include "gui/shell.h"

namespace kdx::gui {

namespace {

// Rows are drawn without a focus rectangle.
class NoFocusDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->state &= ~QStyle::State_HasFocus;
    }
};

struct WidthBounds {
    int min, maxA, maxB;
};
constexpr WidthBounds kBounds[ColumnCount] = {{40, 1000, 10000}, {120, 10000, 10000}, {80, 200, 200},
                                              {80, 200, 200},    {80, 10000, 10000},  {80, 10000, 10000},
                                              {10, 10000, 10000}};

} // namespace

FileListView::FileListView(bool isListA, TSysImageList* icons, QWidget* parent)
    : QTableView(parent), m_isListA(isListA), m_model(new FileListModel(isListA, icons, this)) {
    setObjectName(isListA ? QStringLiteral("lv1") : QStringLiteral("lv2"));
    setToolTip(isListA ? QStringLiteral("文件列表A") : QStringLiteral("文件列表B"));
    setModel(m_model);
    setItemDelegate(new NoFocusDelegate(this));
    setFrameShape(QFrame::NoFrame);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setShowGrid(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setDragDropMode(QAbstractItemView::DropOnly);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setIconSize(QSize(16, 16));

    // Uniform rows: the view never asks a million rows for their height.
    QHeaderView* rowsHeader = verticalHeader();
    rowsHeader->hide();
    rowsHeader->setSectionResizeMode(QHeaderView::Fixed);
    rowsHeader->setDefaultSectionSize(20);
    rowsHeader->setMinimumSectionSize(20);

    QHeaderView* header = horizontalHeader();
    header->setFixedHeight(20);
    header->setSectionsClickable(true);
    header->setSectionsMovable(true);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setMinimumSectionSize(10);
    header->setStretchLastSection(false);
    header->setSortIndicatorShown(false);
    header->resizeSection(ColSeq, 50);
    for (int c = ColCreate; c <= ColPhoto; ++c)
        header->resizeSection(c, 130);
    header->resizeSection(ColNameTime, 160);
    connect(header, &QHeaderView::sectionClicked, this, &FileListView::lv1HeaderClick);
    connect(header, &QHeaderView::sectionResized, this, &FileListView::keepWidthInBounds);

    // Selected rows: a stronger blue while the list has the focus.
    QPalette pal = palette();
    pal.setColor(QPalette::Active, QPalette::Highlight, QColor(150, 191, 237));
    pal.setColor(QPalette::Inactive, QPalette::Highlight, QColor(215, 231, 249));
    pal.setColor(QPalette::Active, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::Text));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Inactive, QPalette::Text));
    setPalette(pal);
}

void FileListView::keepWidthInBounds(int column, int /*oldSize*/, int newSize) {
    if (column < 0 || column >= ColumnCount) return;
    if (column != ColNameTime) {
        const WidthBounds& b = kBounds[column];
        const int max = m_isListA ? b.maxA : b.maxB;
        const int bounded = std::clamp(newSize, b.min, max);
        if (bounded != newSize) horizontalHeader()->resizeSection(column, bounded);
    }
    // The last column always takes the rest of the list's width.
    fitLastColumn();
}

void FileListView::setLayoutWidths(int nameWidth) {
    QHeaderView* header = horizontalHeader();
    header->resizeSection(ColName, std::max(nameWidth, kBounds[ColName].min));
    for (int c = ColCreate; c <= ColPhoto; ++c)
        header->resizeSection(c, 130);
    fitLastColumn();
}

void FileListView::fitLastColumn() {
    if (m_fitting) return;
    m_fitting = true;
    QHeaderView* header = horizontalHeader();
    int others = 0;
    for (int c = 0; c < ColumnCount; ++c)
        if (c != ColNameTime && !header->isSectionHidden(c)) others += header->sectionSize(c);
    header->resizeSection(ColNameTime, std::clamp(viewport()->width() - others, 10, 10000));
    m_fitting = false;
}

void FileListView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    fitLastColumn();
}

std::vector<size_t> FileListView::selectedRows() const {
    std::vector<size_t> out;
    const QItemSelection sel = selectionModel()->selection();
    for (const QItemSelectionRange& r : sel)
        for (int row = r.top(); row <= r.bottom(); ++row)
            out.push_back(static_cast<size_t>(row));
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

std::vector<bool> FileListView::selectionFlags() const {
    std::vector<bool> flags(rowCount(), false);
    for (const QItemSelectionRange& r : selectionModel()->selection())
        for (int row = r.top(); row <= r.bottom(); ++row)
            flags[static_cast<size_t>(row)] = true;
    return flags;
}

void FileListView::setSelectionFlags(const std::vector<bool>& flags) {
    QItemSelection sel;
    const size_t n = std::min(flags.size(), rowCount());
    for (size_t i = 0; i < n;) {
        if (!flags[i]) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j + 1 < n && flags[j + 1])
            ++j;
        sel.select(m_model->index(static_cast<int>(i), 0), m_model->index(static_cast<int>(j), ColumnCount - 1));
        i = j + 1;
    }
    selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
}

bool FileListView::hasSelection() const {
    return selectionModel()->hasSelection();
}

std::vector<size_t> FileListView::rowsToProcess(bool allRows) const {
    if (!allRows) return selectedRows();
    std::vector<size_t> all(rowCount());
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = i;
    return all;
}

int FileListView::focusedRow() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void FileListView::lv1HeaderClick(int column) {
    if (m_locked) return;
    if (column == ColSeq) {
        // The arrow goes; the rows keep their current order.
        m_sortColumn = -1;
        horizontalHeader()->setSortIndicatorShown(false);
        m_model->setSortColumn(-1);
        return;
    }
    if (m_sortColumn != column) {
        m_sortColumn = column;
        m_sortOrder = Qt::AscendingOrder;
    } else {
        m_sortOrder = m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    }
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSortIndicator(column, m_sortOrder);
    m_model->setSortColumn(column);
    if (rowCount() >= 2) m_model->applyOrder(SortOrder(m_model->rows(), column, m_sortOrder == Qt::AscendingOrder));
}

void FileListView::RemoveSelectedRows() {
    if (m_locked) return;
    const std::vector<size_t> rows = selectedRows();
    if (rows.empty()) return;
    m_model->removeRows(rows);
}

void FileListView::RemoveAllRows() {
    if (m_locked) return;
    m_model->clear();
    emit allRowsRemoved();
}

void FileListView::MoveSelectedUp() {
    if (m_locked) return;
    if (rowCount() == 0 || !hasSelection()) return;
    m_model->applyOrder(MoveUpOrder(selectionFlags()));
}

void FileListView::MoveSelectedDown() {
    if (m_locked) return;
    if (rowCount() == 0 || !hasSelection()) return;
    m_model->applyOrder(MoveDownOrder(selectionFlags()));
}

void FileListView::SelectAllRows() {
    selectAll();
}

void FileListView::InvertSelection() {
    std::vector<bool> flags = selectionFlags();
    flags.flip();
    setSelectionFlags(flags);
}

QString FocusedExistingPath(const FileListView* list) {
    if (list->rowCount() == 0 || !list->hasSelection()) return {};
    const int row = list->focusedRow();
    if (row < 0) return {};
    const std::string& name = list->rowsModel()->row(static_cast<size_t>(row)).Name;
    if (IsBlank(name) || !EntryExists(name)) return {};
    return QString::fromUtf8(name);
}

void FileListView::OpenEntry() {
    const QString path = FocusedExistingPath(this);
    if (!path.isEmpty()) OpenWithDesktop(path);
}

void FileListView::LocateEntry() {
    const QString path = FocusedExistingPath(this);
    if (!path.isEmpty()) ShowInFileManager(path);
}

// On POSIX a name is bytes, not always UTF-8: the URL's percent-encoding
// keeps those bytes, where going through a text string would replace them.
QByteArray LocalPathOf(const QUrl& url) {
    if (!url.isLocalFile()) return {};
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(url.toLocalFile()).toUtf8();
#else
    if (!url.host().isEmpty()) return {};
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
#endif
}

namespace {
// The dropped local paths as the file system spells them.
QList<QByteArray> LocalPaths(const QMimeData* mime) {
    QList<QByteArray> paths;
    if (!mime || !mime->hasUrls()) return paths;
    for (const QUrl& url : mime->urls()) {
        QByteArray path = LocalPathOf(url);
        if (!path.isEmpty()) paths.push_back(std::move(path));
    }
    return paths;
}
} // namespace

void FileListView::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void FileListView::dragMoveEvent(QDragMoveEvent* event) {
    if (!LocalPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void FileListView::dropEvent(QDropEvent* event) {
    const QList<QByteArray> paths = LocalPaths(event->mimeData());
    if (paths.isEmpty() || m_locked) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit pathsDropped(paths);
}

} // namespace kdx::gui
