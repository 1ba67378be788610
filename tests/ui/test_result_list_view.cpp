#include "ui/ResultListModel.h"
#include "ui/ResultListView.h"

#include <QHeaderView>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

// The result table next to a plain QTableView on the same model and the same selection, so that
// every picture of the one can be held against Qt's own painting of the other.
class ResultListViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* title : {"A", "Pfad", "Größe 1", "Datum 1", "Richtung", "Größe 2", "Datum 2"})
            model.addColumn(QString::fromUtf8(title));
        fill(60);
        setUpView(ours);
        setUpView(plain);
        plain.setSelectionModel(ours.selectionModel());
    }

    void fill(int count) {
        RowList rows;
        for (int i = 0; i < count; ++i)
            rows.push_back({QStringLiteral("ordner/datei_%1.txt").arg(i),
                            10 + i,
                            1500000000,
                            i % 3 ? u'>' : u'<',
                            0,
                            0,
                            0,
                            {},
                            false});
        model.setLines(rows);
    }

    void setUpView(QTableView& view) {
        view.setModel(&model);
        view.setSelectionBehavior(QAbstractItemView::SelectRows);
        view.setSelectionMode(QAbstractItemView::ExtendedSelection);
        view.setShowGrid(true);
        view.verticalHeader()->hide();
        view.horizontalHeader()->setHighlightSections(false);
        view.verticalHeader()->setDefaultSectionSize(18);
        view.resize(600, 400);
        view.show();
    }

    QImage picture(QTableView& view) { return view.viewport()->grab().toImage(); }
    void expectSamePictures() {
        EXPECT_EQ(picture(ours), picture(plain)) << "the list paints its cells unlike QTableView";
        EXPECT_EQ(ours.horizontalHeader()->grab().toImage(), plain.horizontalHeader()->grab().toImage());
    }
    void expectSameAnswers() {
        QItemSelectionModel* selection = ours.selectionModel();
        for (int r = 0; r < model.rowCount(); ++r)
            for (int c = 0; c < model.columnCount(); ++c) {
                const QModelIndex index = model.index(r, c);
                ASSERT_EQ(ours.cellSelected(index), selection->isSelected(index)) << r << "," << c;
            }
    }
    QItemSelection lines(int first, int last) {
        return QItemSelection(model.index(first, 0), model.index(last, model.columnCount() - 1));
    }
    QPoint cellCentre(int row, int column) { return ours.visualRect(model.index(row, column)).center(); }

    ResultListModel model;
    ResultListView ours;
    QTableView plain;
};

} // namespace

TEST_F(ResultListViewTest, PaintsLikeQtForSeparateRanges) {
    const QImage unselected = picture(ours);
    QItemSelection every;
    for (int i = 0; i < 60; i += 2)
        every.append(lines(i, i).front());
    ours.selectionModel()->select(every, QItemSelectionModel::Select);
    expectSameAnswers();
    expectSamePictures();
    // The comparison would pass for two views that both show no selection.
    EXPECT_NE(picture(ours), unselected);
}

TEST_F(ResultListViewTest, PaintsLikeQtForCellsAndColumnsOnly) {
    QItemSelection some;
    some.append(QItemSelectionRange(model.index(1, 1), model.index(3, 2)));
    some.append(lines(5, 7).front());
    some.append(QItemSelectionRange(model.index(6, 4)));
    ours.selectionModel()->select(some, QItemSelectionModel::Select);
    expectSameAnswers();
    expectSamePictures();
}

TEST_F(ResultListViewTest, FollowsTheMouseAndTheKeyboard) {
    ours.setFocus();
    QTest::mouseClick(ours.viewport(), Qt::LeftButton, {}, cellCentre(2, 1));
    QTest::mouseClick(ours.viewport(), Qt::LeftButton, Qt::ShiftModifier, cellCentre(6, 3));
    QTest::mouseClick(ours.viewport(), Qt::LeftButton, Qt::ControlModifier, cellCentre(4, 0));
    ASSERT_TRUE(ours.selectionModel()->isRowSelected(2, {}));
    ASSERT_FALSE(ours.selectionModel()->isRowSelected(4, {}));
    expectSameAnswers();
    QTest::keyClick(ours.viewport(), Qt::Key_Down, Qt::ShiftModifier);
    expectSameAnswers();
    // The plain view shows the focus differently, as it has none: compare only the answers here,
    // then the pictures once the focus has gone.
    plain.setFocus();
    expectSamePictures();
}

TEST_F(ResultListViewTest, ANewFillShowsNoOldSelection) {
    ours.selectAll();
    ASSERT_TRUE(ours.cellSelected(model.index(10, 1)));
    fill(40);
    expectSameAnswers();
    expectSamePictures();
    EXPECT_FALSE(ours.cellSelected(model.index(10, 1)));
    ours.selectionModel()->select(lines(30, 39), QItemSelectionModel::Select);
    expectSameAnswers();
    expectSamePictures();
}

TEST_F(ResultListViewTest, ScrolledDownPaintsTheLinesInView) {
    ours.selectionModel()->select(lines(45, 50), QItemSelectionModel::Select);
    ours.scrollToBottom();
    plain.scrollToBottom();
    expectSamePictures();
}
