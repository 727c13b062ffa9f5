#include "gui/filelistview.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QUrl>
#include <algorithm>

#include "base/utf8.h"
#include "core/common/text.h"
#include "core/lists/list_ops.h"
#include "gui/shell.h"

namespace kdx::gui {

namespace {

// Draws the cells of a list: no focus rectangle; a row's own text colour
// (the compare marks) also on selected rows; a text too long for its cell
// running on into the next column's cell when that cell is empty; and row
// hints that stay up as long as the window's other hints.
class CellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const auto* view = qobject_cast<const QTableView*>(option.widget);
        if (!view) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        QStyle* style = view->style();
        if (!opt.text.isEmpty()) {
            if (!overflows(opt, view) || !neighbourText(view, index, +1).isEmpty()) {
                style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, view);
                return;
            }
            // Cut at the cell's edge, not shortened: the next cell shows the rest.
            const QString text = opt.text;
            opt.text.clear();
            style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, view);
            opt.text = text;
            drawRunningText(painter, opt, view, option.rect);
            return;
        }
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, view);
        // An empty cell shows the part of the text before it that did not fit there.
        const QModelIndex before = neighbour(view, index, -1);
        if (!before.isValid()) return;
        QStyleOptionViewItem prev = option;
        prev.rect = view->visualRect(before);
        initStyleOption(&prev, before);
        if (!prev.text.isEmpty() && overflows(prev, view)) drawRunningText(painter, prev, view, option.rect);
    }

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip) return QStyledItemDelegate::helpEvent(event, view, option, index);
        // Over a row its hint, elsewhere the list's own; both for the window's hint time.
        QString text = view->toolTip();
        QRect area;
        if (index.isValid()) {
            text = index.data(Qt::ToolTipRole).toString();
            const QRect cell = view->visualRect(index);
            area = QRect(view->mapFromGlobal(view->viewport()->mapToGlobal(cell.topLeft())), cell.size());
        }
        QToolTip::showText(event->globalPos(), text, view, area, view->toolTipDuration());
        return true;
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->state &= ~QStyle::State_HasFocus;
        const QVariant colour = index.data(Qt::ForegroundRole);
        if (colour.canConvert<QBrush>()) option->palette.setBrush(QPalette::HighlightedText, colour.value<QBrush>());
    }

private:
    // The cell of the same row in the visible column next to index's, or an
    // invalid index.
    static QModelIndex neighbour(const QTableView* view, const QModelIndex& index, int step) {
        const QHeaderView* header = view->horizontalHeader();
        for (int visual = header->visualIndex(index.column()) + step; visual >= 0 && visual < header->count();
             visual += step) {
            const int logical = header->logicalIndex(visual);
            if (!header->isSectionHidden(logical)) return index.siblingAtColumn(logical);
        }
        return {};
    }

    static QString neighbourText(const QTableView* view, const QModelIndex& index, int step) {
        const QModelIndex next = neighbour(view, index, step);
        return next.isValid() ? next.data(Qt::DisplayRole).toString() : QStringLiteral("-");
    }

    static QRect textArea(const QStyleOptionViewItem& opt, const QWidget* view) {
        const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
        return view->style()->subElementRect(QStyle::SE_ItemViewItemText, &opt, view).adjusted(margin, 0, -margin, 0);
    }

    static bool overflows(const QStyleOptionViewItem& opt, const QWidget* view) {
        return opt.fontMetrics.horizontalAdvance(opt.text) > textArea(opt, view).width();
    }

    // The text of the cell opt, from its left edge on, as much of it as falls
    // into clip.
    static void drawRunningText(QPainter* painter, const QStyleOptionViewItem& opt, const QWidget* view,
                                const QRect& clip) {
        const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                           : (opt.state & QStyle::State_Active) ? QPalette::Active
                                                                                : QPalette::Inactive;
        const QPalette::ColorRole role =
            (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text;
        const QRect area = textArea(opt, view);
        painter->save();
        painter->setClipRect(clip);
        painter->setFont(opt.font);
        painter->setPen(opt.palette.color(group, role));
        painter->drawText(
            QRect(area.left(), area.top(), opt.fontMetrics.horizontalAdvance(opt.text) + 2, area.height()),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, opt.text);
        painter->restore();
    }
};

// The sort arrow as Windows users know it: pointing up for an ascending
// sort, in every style. Which indicator Qt hands a style for which order,
// and which way a style draws each, differ between platforms and styles
// (Fusion draws SortDown downwards, the Windows theme upwards), so the
// arrow is drawn from the header's own order, with the indicator this style
// draws upwards, found by drawing it once.
class HeaderArrowStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        const auto* header = qstyleoption_cast<const QStyleOptionHeader*>(option);
        const auto* view = qobject_cast<const QHeaderView*>(widget);
        if (element != PE_IndicatorHeaderArrow || !header || !view ||
            header->sortIndicator == QStyleOptionHeader::None) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        const bool ascending = view->sortIndicatorOrder() == Qt::AscendingOrder;
        const QStyleOptionHeader::SortIndicator up = upwards();
        QStyleOptionHeader shown = *header;
        shown.sortIndicator = ascending                          ? up
                              : up == QStyleOptionHeader::SortUp ? QStyleOptionHeader::SortDown
                                                                 : QStyleOptionHeader::SortUp;
        QProxyStyle::drawPrimitive(element, &shown, painter, widget);
    }

private:
    // The indicator the base style draws pointing up: an arrow drawn
    // upwards is heavier in its lower half.
    QStyleOptionHeader::SortIndicator upwards() const {
        if (m_up == QStyleOptionHeader::None) {
            QImage image(24, 24, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QStyleOptionHeader probe;
            probe.rect = image.rect();
            probe.state = State_Enabled;
            probe.palette = QApplication::palette();
            probe.sortIndicator = QStyleOptionHeader::SortUp;
            {
                QPainter painter(&image);
                baseStyle()->drawPrimitive(PE_IndicatorHeaderArrow, &probe, &painter, nullptr);
            }
            // Where the ink lies against the middle of the rows it covers.
            double weight = 0, sum = 0;
            int first = image.height(), last = -1;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (const int alpha = qAlpha(image.pixel(x, y))) {
                        weight += alpha;
                        sum += double(y) * alpha;
                        first = std::min(first, y);
                        last = std::max(last, y);
                    }
            const bool downwards = weight > 0 && sum / weight < (first + last) / 2.0;
            m_up = downwards ? QStyleOptionHeader::SortDown : QStyleOptionHeader::SortUp;
        }
        return m_up;
    }

    mutable QStyleOptionHeader::SortIndicator m_up = QStyleOptionHeader::None;
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
    setItemDelegate(new CellDelegate(this));
    setFrameShape(QFrame::NoFrame);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setShowGrid(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // By pixel, so that the last row can stand 20 pixels above the bottom.
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
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
    auto* arrows = new HeaderArrowStyle(QStyleFactory::create(style()->name()));
    arrows->setParent(header);
    header->setStyle(arrows);
    connect(header, &QHeaderView::sectionClicked, this, &FileListView::lv1HeaderClick);
    // Qt turns the second of two quick presses into a double click; each
    // counts, but only with the left button (see eventFilter).
    connect(header, &QHeaderView::sectionDoubleClicked, this, &FileListView::lv1HeaderClick);
    header->viewport()->installEventFilter(this);
    connect(header, &QHeaderView::sectionResized, this, &FileListView::keepWidthInBounds);

    // Selected rows: a stronger blue while the list has the focus.
    QPalette pal = palette();
    pal.setColor(QPalette::Active, QPalette::Highlight, QColor(150, 191, 237));
    pal.setColor(QPalette::Inactive, QPalette::Highlight, QColor(215, 231, 249));
    pal.setColor(QPalette::Active, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::Text));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Inactive, QPalette::Text));
    setPalette(pal);
}

bool FileListView::eventFilter(QObject* watched, QEvent* event) {
    // The header reports a double click of any button; only the left one sorts.
    if (watched == horizontalHeader()->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return true;
    return QTableView::eventFilter(watched, event);
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

void FileListView::updateGeometries() {
    QTableView::updateGeometries();
    // 20 pixels of empty space below the last row.
    constexpr int kSpaceBelow = 20;
    const int rowsHeight = verticalHeader()->length();
    verticalScrollBar()->setRange(0, std::max(0, rowsHeight + kSpaceBelow - viewport()->height()));
}

void FileListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        RemoveSelectedRows();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void FileListView::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    // Each selected row is framed in white. The selection's ranges are
    // walked once: asking row by row would scan them all for every row.
    const int first = std::max(0, rowAt(event->rect().top()));
    int last = rowAt(event->rect().bottom());
    if (last < 0) last = static_cast<int>(rowCount()) - 1;
    if (first > last) return;
    const int left = -horizontalOffset();
    const int width = horizontalHeader()->length();
    QPainter painter(viewport());
    painter.setPen(Qt::white);
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        const int top = std::max(first, range.top()), bottom = std::min(last, range.bottom());
        // The row's grid line is its last pixel.
        for (int row = top; row <= bottom; ++row)
            painter.drawRect(QRect(left, rowViewportPosition(row), width - 2, rowHeight(row) - 2));
    }
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
    sel.reserve(
        static_cast<qsizetype>(std::count(flags.begin(), flags.begin() + static_cast<std::ptrdiff_t>(n), true)));
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
    // Cleared first, then set in one step: Qt compares an old and a new
    // selection range by range, which takes seconds when both are in pieces.
    selectionModel()->clearSelection();
    if (!sel.isEmpty()) selectionModel()->select(sel, QItemSelectionModel::Select);
}

void FileListView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    // A change in thousands of pieces: working out the region of every
    // piece, most of them out of sight, costs more than repainting the
    // rows in sight.
    constexpr qsizetype kManyPieces = 1000;
    if (selected.size() + deselected.size() > kManyPieces) {
        viewport()->update();
        return;
    }
    QTableView::selectionChanged(selected, deselected);
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
    if (rowCount() >= 2) reorder(SortOrder(m_model->rows(), column, m_sortOrder == Qt::AscendingOrder));
}

void FileListView::reorder(const std::vector<size_t>& order) {
    if (order.size() != rowCount()) return;
    // Qt would carry a scattered selection through the move as one tracked
    // index per row and rebuild it afterwards; taking it off and putting it
    // back in its new places is many times quicker.
    const std::vector<bool> before = selectionFlags();
    const int current = focusedRow();
    const int currentColumn = currentIndex().isValid() ? currentIndex().column() : 0;
    selectionModel()->reset();
    m_model->applyOrder(order);
    std::vector<bool> after(order.size());
    int newCurrent = -1;
    for (size_t i = 0; i < order.size(); ++i) {
        after[i] = before[order[i]];
        if (static_cast<int>(order[i]) == current) newCurrent = static_cast<int>(i);
    }
    setSelectionFlags(after);
    if (newCurrent >= 0)
        selectionModel()->setCurrentIndex(m_model->index(newCurrent, currentColumn), QItemSelectionModel::NoUpdate);
    viewport()->update();
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
    reorder(MoveUpOrder(selectionFlags()));
}

void FileListView::MoveSelectedDown() {
    if (m_locked) return;
    if (rowCount() == 0 || !hasSelection()) return;
    reorder(MoveDownOrder(selectionFlags()));
}

void FileListView::SelectAllRows() {
    if (rowCount() == 0) return;
    selectionModel()->clearSelection();
    selectionModel()->select(
        QItemSelection(m_model->index(0, 0), m_model->index(m_model->rowCount() - 1, ColumnCount - 1)),
        QItemSelectionModel::Select);
}

void FileListView::selectAll() {
    SelectAllRows();
}

void FileListView::InvertSelection() {
    std::vector<bool> flags = selectionFlags();
    flags.flip();
    setSelectionFlags(flags);
}

QByteArray FocusedExistingPath(const FileListView* list) {
    if (list->rowCount() == 0 || !list->hasSelection()) return {};
    const int row = list->focusedRow();
    if (row < 0) return {};
    const std::string& name = list->rowsModel()->row(static_cast<size_t>(row)).Name;
    if (IsBlank(name) || !EntryExists(name)) return {};
    return QByteArray::fromStdString(name);
}

void FileListView::OpenEntry() {
    const QByteArray path = FocusedExistingPath(this);
    if (!path.isEmpty()) OpenWithDesktop(path);
}

void FileListView::LocateEntry() {
    const QByteArray path = FocusedExistingPath(this);
    if (!path.isEmpty()) ShowInFileManager(path);
}

// On POSIX a name is bytes, not always UTF-8: the URL's percent-encoding
// keeps those bytes, where going through a text string would replace them.
// "file://localhost/..." names this computer as "file:///..." does.
QByteArray LocalPathOf(const QUrl& url) {
    if (!url.isLocalFile()) return {};
    QUrl local = url;
    if (url.host().compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) local.setHost(QString());
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(local.toLocalFile()).toUtf8();
#else
    if (!local.host().isEmpty()) return {};
    return QByteArray::fromPercentEncoding(local.path(QUrl::FullyEncoded).toLatin1());
#endif
}

QUrl LocalFileUrl(const QByteArray& path) {
#ifndef Q_OS_WIN
    if (!IsValidUtf8(std::string_view(path.constData(), static_cast<size_t>(path.size()))))
        return QUrl::fromEncoded("file://" + path.toPercentEncoding("/"));
#endif
    return QUrl::fromLocalFile(QString::fromUtf8(path));
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
