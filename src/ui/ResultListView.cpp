#include "ui/ResultListView.h"

#include <QHeaderView>
#include <QHoverEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// Up to this code point kerning only narrows a text: Latin, Greek and Cyrillic.
constexpr char16_t SimpleScriptEnd = 0x0500;
// The most texts shaped for one measure.
constexpr int MostShaped = 2000;

} // namespace

qreal WidestText(const QFontMetricsF& metrics, int count, const std::function<QString(int)>& textAt) {
    // Shaping a text takes microseconds, too long for 10^5 lines. The sum of the advances of its
    // characters takes nanoseconds and is never below the shaped width in the simple scripts, so
    // the texts are shaped from the largest sum down, until no sum left beats the widest width
    // found. A text of another script gets an unbounded sum and is always shaped.
    std::array<qreal, SimpleScriptEnd> advances;
    advances.fill(-1);
    std::vector<std::pair<qreal, int>> sums;
    sums.reserve(size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        qreal sum = 0;
        for (const QChar c : textAt(i)) {
            if (c.unicode() >= SimpleScriptEnd) {
                sum = std::numeric_limits<qreal>::infinity();
                break;
            }
            qreal& advance = advances[c.unicode()];
            if (advance < 0)
                advance = metrics.horizontalAdvance(c);
            sum += advance;
        }
        sums.emplace_back(sum, i);
    }
    std::make_heap(sums.begin(), sums.end());
    qreal widest = 0;
    for (int shaped = 0; !sums.empty(); ++shaped) {
        std::pop_heap(sums.begin(), sums.end());
        const auto [sum, i] = sums.back();
        sums.pop_back();
        if (sum <= widest)
            break;
        // Past the limit the largest sum left stands in for the texts not shaped: a little too
        // wide at worst, never too narrow.
        if (shaped >= MostShaped && !std::isinf(sum))
            return std::max(widest, sum);
        widest = std::max(widest, metrics.horizontalAdvance(textAt(i)));
    }
    return widest;
}

ResultListView::ResultListView(QWidget* parent) : QTableView(parent) {}

void ResultListView::setModel(QAbstractItemModel* newModel) {
    for (const QMetaObject::Connection& c : modelConnections)
        disconnect(c);
    modelConnections.clear();
    QTableView::setModel(newModel);
    if (newModel) {
        // A reset clears the selection model without a signal of its own.
        modelConnections = {
            connect(newModel, &QAbstractItemModel::modelReset, this, &ResultListView::markStale),
            connect(newModel, &QAbstractItemModel::layoutChanged, this, &ResultListView::markStale),
            connect(newModel, &QAbstractItemModel::rowsInserted, this, &ResultListView::markStale),
            connect(newModel, &QAbstractItemModel::rowsRemoved, this, &ResultListView::markStale),
            connect(newModel, &QAbstractItemModel::rowsMoved, this, &ResultListView::markStale),
            connect(newModel, &QAbstractItemModel::columnsInserted, this, &ResultListView::markStale),
            connect(newModel, &QAbstractItemModel::columnsRemoved, this, &ResultListView::markStale),
        };
    }
    markStale();
}

void ResultListView::setSelectionModel(QItemSelectionModel* newSelectionModel) {
    disconnect(selectionChangedConnection);
    QTableView::setSelectionModel(newSelectionModel);
    // The column header would ask the selection, at every repaint, whether each column is wholly
    // selected, walking all ranges each time; it shows no selection (its sections are not
    // highlighted), so it gets an empty selection of its own.
    delete headerSelection;
    headerSelection = nullptr;
    if (QAbstractItemModel* m = horizontalHeader()->model()) {
        headerSelection = new QItemSelectionModel(m, this);
        horizontalHeader()->setSelectionModel(headerSelection);
    }
    if (newSelectionModel)
        selectionChangedConnection = connect(newSelectionModel, &QItemSelectionModel::selectionChanged, this,
                                             &ResultListView::markStale);
    markStale();
}

void ResultListView::refreshSelected() const {
    if (!stale)
        return;
    stale = false;
    const QAbstractItemModel* m = model();
    const int lines = m ? m->rowCount(rootIndex()) : 0;
    const int columns = m ? m->columnCount(rootIndex()) : 0;
    selectedLines.assign(size_t(lines), false);
    partialRanges.clear();
    if (!selectionModel())
        return;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        if (!range.isValid() || range.parent() != rootIndex())
            continue;
        if (range.left() > 0 || range.right() < columns - 1) {
            partialRanges.append(range);
            continue;
        }
        const int last = std::min(range.bottom(), lines - 1);
        for (int line = std::max(range.top(), 0); line <= last; ++line)
            selectedLines[size_t(line)] = true;
    }
}

bool ResultListView::cellSelected(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != model() || index.parent() != rootIndex())
        return false;
    refreshSelected();
    const size_t line = size_t(index.row());
    const bool inRange = (line < selectedLines.size() && selectedLines[line]) ||
                         (!partialRanges.isEmpty() && partialRanges.contains(index));
    // As the selection model: only a selectable, enabled cell counts as selected.
    const Qt::ItemFlags needed = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    return inRange && (model()->flags(index) & needed) == needed;
}

// The item delegate keeps the focus frame's margin and one pixel free on either side of a text.
int ResultListView::textMargin() const {
    return style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
}

bool ResultListView::textCut(const QModelIndex& index) const {
    const int room = columnWidth(index.column()) - (showGrid() ? 1 : 0) - 2 * textMargin();
    return fontMetrics().horizontalAdvance(index.data(Qt::DisplayRole).toString()) > room;
}

int ResultListView::sizeHintForColumn(int column) const {
    const QAbstractItemModel* m = model();
    if (!m || column < 0 || column >= m->columnCount(rootIndex()))
        return -1;
    const auto textAt = [&](int line) { return m->index(line, column, rootIndex()).data().toString(); };
    const qreal widest = WidestText(QFontMetricsF(font()), m->rowCount(rootIndex()), textAt);
    return int(std::ceil(widest)) + 2 * textMargin() + (showGrid() ? 1 : 0);
}

// A tool tip that only repeats the cell's text is shown only where the column cuts the text off;
// any other tool tip of the model is always shown.
bool ResultListView::showToolTip(QHelpEvent* event) {
    const QModelIndex index = indexAt(event->pos());
    const QString tip = index.isValid() ? index.data(Qt::ToolTipRole).toString() : QString();
    if (tip.isEmpty() || (tip == index.data(Qt::DisplayRole).toString() && !textCut(index))) {
        QToolTip::hideText();
        return true;
    }
    QToolTip::showText(event->globalPos(), tip, viewport(), visualRect(index));
    return true;
}

bool ResultListView::viewportEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::ToolTip:
        return showToolTip(static_cast<QHelpEvent*>(event));
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
        hover = indexAt(static_cast<QHoverEvent*>(event)->position().toPoint());
        break;
    case QEvent::HoverLeave:
    case QEvent::Leave:
        hover = QPersistentModelIndex();
        break;
    default:
        break;
    }
    return QTableView::viewportEvent(event);
}

// The cells, then the grid, as QTableView paints them for a table without spans.
void ResultListView::paintEvent(QPaintEvent* event) {
    QAbstractItemModel* m = model();
    const QHeaderView* rowsHeader = verticalHeader();
    const QHeaderView* columnsHeader = horizontalHeader();
    if (!m || columnsHeader->count() == 0 || rowsHeader->count() == 0 || !itemDelegate())
        return;

    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const bool grid = showGrid();
    const int gridSize = grid ? 1 : 0;
    const int gridHint = style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this);
    const QPen gridPen(QColor::fromRgba(static_cast<QRgb>(gridHint)), 1, gridStyle());
    const bool alternate = alternatingRowColors();
    const bool rightToLeft = isRightToLeft();
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();

    QPainter painter(viewport());
    const int x = columnsHeader->length() - columnsHeader->offset() - (rightToLeft ? 0 : 1);
    const int y = rowsHeader->length() - rowsHeader->offset() - 1;

    for (QRect area : event->region()) {
        area.setBottom(std::min(area.bottom(), y));
        if (rightToLeft)
            area.setLeft(std::max(area.left(), viewport()->width() - x));
        else
            area.setRight(std::min(area.right(), x));
        if (!area.isValid())
            continue;

        int left = columnsHeader->visualIndexAt(area.left());
        int right = columnsHeader->visualIndexAt(area.right());
        if (rightToLeft)
            std::swap(left, right);
        if (left == -1)
            left = 0;
        if (right == -1)
            right = columnsHeader->count() - 1;
        int bottom = rowsHeader->visualIndexAt(area.bottom());
        if (bottom == -1)
            bottom = rowsHeader->count() - 1;
        const int top = rowsHeader->visualIndexAt(area.top());
        if (top == -1 || top > bottom)
            continue;

        bool alternateBase = (top & 1) && alternate;
        for (int visualRow = top; visualRow <= bottom; ++visualRow) {
            const int row = rowsHeader->logicalIndex(visualRow);
            if (rowsHeader->isSectionHidden(row))
                continue;
            const int rowY = rowViewportPosition(row);
            const int rowH = rowHeight(row) - gridSize;
            for (int visualColumn = left; visualColumn <= right; ++visualColumn) {
                const int column = columnsHeader->logicalIndex(visualColumn);
                if (columnsHeader->isSectionHidden(column))
                    continue;
                const QModelIndex index = m->index(row, column, rootIndex());
                if (!index.isValid())
                    continue;
                QStyleOptionViewItem cell = option;
                cell.rect = QRect(columnViewportPosition(column) + (grid && rightToLeft ? 1 : 0), rowY,
                                  columnWidth(column) - gridSize, rowH);
                if (alternate)
                    cell.features.setFlag(QStyleOptionViewItem::Alternate, alternateBase);
                if (cellSelected(index))
                    cell.state |= QStyle::State_Selected;
                if (index == hover)
                    cell.state |= QStyle::State_MouseOver;
                if (option.state & QStyle::State_Enabled) {
                    if (m->flags(index) & Qt::ItemIsEnabled) {
                        cell.palette.setCurrentColorGroup(QPalette::Normal);
                    } else {
                        cell.state &= ~QStyle::State_Enabled;
                        cell.palette.setCurrentColorGroup(QPalette::Disabled);
                    }
                }
                if (focus && index == current)
                    cell.state |= QStyle::State_HasFocus;
                style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &cell, &painter, this);
                itemDelegateForIndex(index)->paint(&painter, cell, index);
            }
            alternateBase = !alternateBase && alternate;
        }

        if (grid) {
            const QPen old = painter.pen();
            painter.setPen(gridPen);
            for (int visualRow = top; visualRow <= bottom; ++visualRow) {
                const int row = rowsHeader->logicalIndex(visualRow);
                if (rowsHeader->isSectionHidden(row))
                    continue;
                const int lineY = rowViewportPosition(row) + rowHeight(row) - gridSize;
                painter.drawLine(area.left(), lineY, area.right(), lineY);
            }
            for (int visualColumn = left; visualColumn <= right; ++visualColumn) {
                const int column = columnsHeader->logicalIndex(visualColumn);
                if (columnsHeader->isSectionHidden(column))
                    continue;
                int lineX = columnViewportPosition(column);
                if (!rightToLeft)
                    lineX += columnWidth(column) - gridSize;
                painter.drawLine(lineX, area.top(), lineX, area.bottom());
            }
            painter.setPen(old);
        }
    }
}
