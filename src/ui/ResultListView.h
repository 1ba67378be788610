#pragma once

#include <QItemSelection>
#include <QPersistentModelIndex>
#include <QTableView>
#include <functional>
#include <vector>

class QFontMetricsF;
class QHelpEvent;

// The width of the widest of `count` texts, `textAt(i)` giving the i-th.
qreal WidestText(const QFontMetricsF& metrics, int count, const std::function<QString(int)>& textAt);

// The table of the result list. It paints like QTableView, but tells selected cells apart through
// a table of selected lines made once per change of the selection: Qt's own paint asks the
// selection model about every visible cell, and each question walks all selected ranges, which
// for 10^5 separate ranges makes one repaint take longer than the selection command itself.
class ResultListView : public QTableView {
    Q_OBJECT
public:
    explicit ResultListView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    void setSelectionModel(QItemSelectionModel* selectionModel) override;

    // Whether the cell is shown as selected; the same answer as the selection model's.
    bool cellSelected(const QModelIndex& index) const;
    // Whether the column is too narrow for the cell's text, which is then drawn cut off.
    bool textCut(const QModelIndex& index) const;

    // The width of the widest text of the column over all lines, as a double click on the
    // column's divider fits the column to it. Qt's own measures only a thousand lines or so.
    int sizeHintForColumn(int column) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    int textMargin() const;
    bool showToolTip(QHelpEvent* event);
    void markStale() { stale = true; }
    void refreshSelected() const;

    QMetaObject::Connection selectionChangedConnection;
    std::vector<QMetaObject::Connection> modelConnections;
    mutable bool stale = true;
    mutable std::vector<bool> selectedLines; // lines selected across every column
    mutable QItemSelection partialRanges;    // ranges over only some of the columns
    QPersistentModelIndex hover;
    QItemSelectionModel* headerSelection = nullptr;
};
