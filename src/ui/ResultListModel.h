#pragma once

#include "scan/ResultRow.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

// The lines of the result list as of its last fill. The lines share the rows they were filled
// from (a later change of those rows leaves the lines as they are); the cell texts are made when
// the view asks for them, so a fill of 10^5 lines costs next to nothing.
class ResultListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ResultListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void addColumn(const QString& title);
    QStringList columnTitles() const { return titles; }

    // Replaces all lines.
    void setLines(RowList lines);
    int lineCount() const { return int(lines.size()); }
    const ResultRow& line(int i) const { return lines[size_t(i)]; }
    QString cellText(int line, int column) const;

private:
    QStringList titles;
    RowList lines;
};
