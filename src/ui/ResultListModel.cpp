#include "ui/ResultListModel.h"

#include "scan/ResultCells.h"

#include <QColor>

ResultListModel::ResultListModel(QObject* parent) : QAbstractTableModel(parent) {}

int ResultListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : lineCount();
}

int ResultListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(titles.size());
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= lineCount())
        return {};
    const ResultRow& row = lines[size_t(index.row())];
    // Changed on both sides since they were last in step: red instead of the direction's colour.
    if (row.bothChanged && role == Qt::ForegroundRole)
        return QColor(220, 0, 0);
    // What the row's note says comes instead of a cut cell's text.
    if (role == Qt::ToolTipRole) {
        const QString note = RowNote(row);
        if (!note.isEmpty())
            return note;
    }
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        const QString text = CellText(row, index.column());
        const QString shown = index.column() <= ColumnPath ? ReadableName(text) : text;
        // The tool tip is the cell's whole text; the list shows it where the column cuts it off.
        if (role == Qt::ToolTipRole && shown.isEmpty())
            return {};
        return shown;
    }
    if (role == Qt::ForegroundRole) {
        if (row.action == u'>')
            return QColor(0, 200, 0);
        if (row.action == u'<')
            return QColor(200, 0, 200);
    }
    return {};
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < titles.size())
        return titles[section];
    return {};
}

void ResultListModel::addColumn(const QString& title) {
    const int at = int(titles.size());
    beginInsertColumns(QModelIndex(), at, at);
    titles.append(title);
    endInsertColumns();
}

void ResultListModel::setLines(RowList newLines) {
    beginResetModel();
    lines = std::move(newLines);
    endResetModel();
}

QString ResultListModel::cellText(int line, int column) const {
    if (line < 0 || line >= lineCount())
        return QString();
    return CellText(lines[size_t(line)], column);
}
