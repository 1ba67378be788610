#include "ScanWindowFixture.h"

#include "support/FileBytes.h"
#include "support/ModalAnswer.h"
#include "ui/Identifiers.h"
#include "ui/Status.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QHeaderView>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <QUrl>

namespace {

constexpr int64_t T0 = 1500000000;

// Stands in for the desktop: records every path handed to it instead of opening it.
class OpenedPaths : public QObject {
    Q_OBJECT
public:
    OpenedPaths() { QDesktopServices::setUrlHandler("file", this, "open"); }
    ~OpenedPaths() override { QDesktopServices::unsetUrlHandler("file"); }
    QStringList paths;
public slots:
    void open(const QUrl& url) { paths << url.toLocalFile(); }
};

class ResultList : public ScanWindow {
protected:
    // Ten lines: 0 d1/ >, 1 d1/a >, 2 d1/b >, 3 d2/ <, 4 d2/c <, 5 e >, 6 f <, 7 g >, 8 h <, 9 i <
    void scanTen() {
        ASSERT_TRUE(
            source.add({File("d1/a", "1", T0), File("d1/b", "1", T0), File("e", "1", T0 + 100),
                        File("f", "1", T0), File("g", "1", T0), File("h", "1", T0), File("i", "1", T0)}));
        ASSERT_TRUE(target.add({File("d2/c", "1", T0), File("f", "1", T0 + 100), File("h", "1", T0 + 100),
                                File("i", "1", T0 + 100), File("e", "1", T0)}));
        openApp();
        form().buttonScan->click();
        ASSERT_EQ(paths(), QStringList({"d1/", "d1/a", "d1/b", "d2/", "d2/c", "e", "f", "g", "h", "i"}));
    }
    std::vector<int> selectedLines() {
        std::vector<int> out;
        for (int i = 0; i < lines(); ++i)
            if (selected(i))
                out.push_back(i);
        return out;
    }
};

} // namespace

TEST_F(ResultList, ACutCellShowsItsFullTextAsToolTip) {
    scanTen();
    QTableView* list = form().listIconFiles;
    auto tipAt = [&](int line, int column) {
        const QPoint at = list->visualRect(form().listModel->index(line, column)).center();
        QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    // "?" and the path fit their columns; "Datum 1" at its 50 pixels shows the date cut off.
    EXPECT_EQ(tipAt(1, 4), "");
    EXPECT_EQ(tipAt(1, 1), "");
    ASSERT_EQ(list->columnWidth(3), 50);
    EXPECT_EQ(tipAt(1, 3), "14.07.2017 04:40:00");
    QToolTip::hideText();
}

TEST_F(ResultList, DoubleClickOnADividerFitsTheColumnToItsWidestTextAndTheWidthIsSaved) {
    TreeSpec many; // more lines than Qt's own fit looks at, the widest last
    for (int i = 0; i < 1500; ++i)
        many.push_back(File(QStringLiteral("f%1").arg(i), ""));
    const QString longest = "z/" + QString(60, u'w') + ".txt";
    many.push_back(File(longest, ""));
    ASSERT_TRUE(source.add(many));
    openApp();
    form().buttonScan->click();
    ASSERT_EQ(cell(lines() - 1, 1), longest);

    const QFontMetrics metrics = form().listIconFiles->fontMetrics();
    QHeaderView* header = form().listIconFiles->horizontalHeader();
    for (const auto& [column, widest] : {std::pair(1, longest), {3, cell(0, 3)}}) {
        const QPoint divider(header->sectionViewportPosition(column) + header->sectionSize(column) - 1, 5);
        QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, divider);
        EXPECT_GE(header->sectionSize(column), metrics.horizontalAdvance(widest)) << column;
        EXPECT_LT(header->sectionSize(column), metrics.horizontalAdvance(widest) + 20) << column;
    }
    app->shutdown();
    const QByteArray ini = readBytes(programDir.filePath("Tandrix.ini"));
    for (const auto& [key, column] : {std::pair("LBreite2 = ", 1), {"LBreite4 = ", 3}})
        EXPECT_TRUE(ini.contains(key + QByteArray::number(header->sectionSize(column)) + "\r\n")) << key;
}

TEST_F(ResultList, AllesSelectsEveryLine) {
    scanTen();
    form().buttonSelAll->click();
    EXPECT_EQ(selectedCount(), 10);
    EXPECT_EQ(status(2), "10");
}

TEST_F(ResultList, NixClearsTheSelection) {
    scanTen();
    form().buttonSelAll->click();
    form().buttonSelNix->click();
    EXPECT_EQ(selectedCount(), 0);
    EXPECT_EQ(status(2), "0");
}

TEST_F(ResultList, UmkSelectsTheOtherLines) {
    scanTen();
    selectOnly({1, 4, 9});
    form().buttonSelNeg->click();
    EXPECT_EQ(selectedLines(), (std::vector<int>{0, 2, 3, 5, 6, 7, 8}));
    EXPECT_EQ(status(2), "7");
}

TEST_F(ResultList, ArrowButtonsReplaceTheSelectionByOneDirection) {
    scanTen();
    selectOnly({6});
    form().buttonSelCR->click();
    EXPECT_EQ(selectedLines(), (std::vector<int>{0, 1, 2, 5, 7}));
    EXPECT_EQ(status(2), "5");
    form().buttonSelCL->click();
    EXPECT_EQ(selectedLines(), (std::vector<int>{3, 4, 6, 8, 9}));
    EXPECT_EQ(status(2), "5");
}

TEST_F(ResultList, VSelectsTheDirectoriesOfBothSides) {
    scanTen();
    selectOnly({5});
    form().buttonSelDir->click();
    EXPECT_EQ(selectedLines(), (std::vector<int>{0, 3}));
    EXPECT_EQ(status(2), "2");
}

TEST_F(ResultList, ArrowOnAListWithoutThatDirectionClearsTheSelection) {
    ASSERT_TRUE(source.add({File("a", "1"), File("b", "1")}));
    openApp();
    form().buttonScan->click();
    form().buttonSelAll->click();
    form().buttonSelCL->click();
    EXPECT_EQ(selectedCount(), 0);
    EXPECT_EQ(status(2), "0");
}

TEST_F(ResultList, EveryCommandCountsZeroOnAnEmptyList) {
    openApp();
    form().buttonScan->click();
    for (QPushButton* b : {form().buttonSelAll, form().buttonSelNix, form().buttonSelNeg, form().buttonSelCR,
                           form().buttonSelCL, form().buttonSelDir}) {
        Status(form(), "x", 2);
        b->click();
        EXPECT_EQ(status(2), "0") << b->text().toStdString();
    }
}

TEST_F(ResultList, SelectionChangesByTheUserShowTheirCount) {
    scanTen();
    QTest::mouseClick(form().listIconFiles->viewport(), Qt::LeftButton, Qt::NoModifier,
                      form().listIconFiles->visualRect(form().listModel->index(2, 1)).center());
    EXPECT_EQ(selectedLines(), (std::vector<int>{2}));
    EXPECT_EQ(status(2), "1");
    QTest::mouseClick(form().listIconFiles->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      form().listIconFiles->visualRect(form().listModel->index(5, 1)).center());
    EXPECT_EQ(status(2), "4");
}

TEST_F(ResultList, RefillAfterAScanClearsTheSelection) {
    scanTen();
    form().buttonSelAll->click();
    form().buttonScan->click();
    EXPECT_EQ(selectedCount(), 0);
}

TEST_F(ResultList, DoubleClickOpensTheFoldersOfTheFirstSelectedLine) {
    scanTen();
    OpenedPaths opened;
    selectOnly({4, 9});
    app->controlEvent(Gadget_Form_ListIconFiles, 2);
    EXPECT_EQ(opened.paths, QStringList({source.path("d2/"), target.path("d2/")}));

    opened.paths.clear();
    selectOnly({0});
    app->controlEvent(Gadget_Form_ListIconFiles, 2);
    EXPECT_EQ(opened.paths, QStringList({source.path("d1/"), target.path("d1/")}));

    opened.paths.clear();
    selectOnly({7});
    app->controlEvent(Gadget_Form_ListIconFiles, 2);
    EXPECT_EQ(opened.paths, QStringList({source.path(), target.path()}));
}

// Each side's folder as spelled there; a backslash is part of a folder's name.
TEST_F(ResultList, DoubleClickOpensEachSidesOwnFolder) {
    ASSERT_TRUE(source.add({File("Cased/a\\b/f.txt", "1", T0 + 100)}));
    ASSERT_TRUE(target.add({File("cased/a\\b/f.txt", "1", T0)}));
    openApp();
    form().buttonScan->click();
    ASSERT_EQ(paths(), QStringList({"Cased/a\\b/f.txt"}));
    EXPECT_EQ(cell(0, 0), "f.txt");
    OpenedPaths opened;
    selectOnly({0});
    app->controlEvent(Gadget_Form_ListIconFiles, 2);
    EXPECT_EQ(opened.paths, QStringList({source.path("Cased/a\\b/"), target.path("cased/a\\b/")}));
}

TEST_F(ResultList, DoubleClickUsesTheRootsOfTheLastScan) {
    scanTen();
    OpenedPaths opened;
    QTest::keyClicks(form().stringQuelle, "x");
    selectOnly({1});
    app->controlEvent(Gadget_Form_ListIconFiles, 2);
    EXPECT_EQ(opened.paths, QStringList({source.path("d1/"), target.path("d1/")}));
}

TEST_F(ResultList, HyperlinksOpenTheFieldTextsAsTyped) {
    openApp();
    OpenedPaths opened;
    form().stringQuelle->setText("/srv/quelle");
    form().stringMid->setText("/srv/ziel/");
    QTest::mouseClick(form().hyperLinkQuelle, Qt::LeftButton);
    QTest::mouseClick(form().hyperLinkMid, Qt::LeftButton);
    EXPECT_EQ(opened.paths, QStringList({"/srv/quelle", "/srv/ziel/"}));
}

TEST_F(ResultList, TypingAPathStoresBothPathsWithASeparator) {
    openApp();
    form().stringQuelle->clear();
    QTest::keyClicks(form().stringQuelle, "/daten/eins");
    form().stringMid->setText("/daten/zwei/");
    QTest::keyClicks(form().stringMid, "x");
    EXPECT_EQ(form().stringQuelle->text(), "/daten/eins");
    EXPECT_EQ(state().sets.sets[0].Src, "/daten/eins/");
    EXPECT_EQ(state().sets.sets[0].Mid, "/daten/zwei/x/");
    form().stringQuelle->clear();
    QTest::keyClicks(form().stringQuelle, "a");
    QTest::keyClick(form().stringQuelle, Qt::Key_Backspace);
    EXPECT_EQ(state().sets.sets[0].Src, "");
}

TEST_F(ResultList, TypingWithoutAMatchingSetStoresNothing) {
    openApp();
    state().sets.sets[0].Name = "Anders";
    const QString before = state().sets.sets[0].Src;
    QTest::keyClicks(form().stringQuelle, "zz");
    EXPECT_EQ(state().sets.sets[0].Src, before);
}

TEST_F(ResultList, FolderChooserPutsTheChosenFolderIntoTheFieldAndStoresIt) {
    openApp();
    ASSERT_TRUE(source.add({Dir("gewählt/")}));
    const QString chosen = source.path("gewählt");
    QString title;
    ModalAnswer answer([&](QWidget* modal) {
        title = modal->windowTitle();
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->setDirectory(chosen);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    form().buttonQuelle->click();
    EXPECT_TRUE(answer.done());
    EXPECT_EQ(title, "Tandrix - Quelle auswählen...");
    EXPECT_EQ(form().stringQuelle->text(), chosen);
    EXPECT_EQ(state().sets.sets[0].Src, chosen + "/");
}

TEST_F(ResultList, CancelledTargetChooserChangesNothing) {
    openApp();
    const QString before = form().stringMid->text();
    QString title;
    ModalAnswer answer([&](QWidget* modal) {
        title = modal->windowTitle();
        PressEscape(modal);
    });
    form().buttonMid->click();
    EXPECT_TRUE(answer.done());
    EXPECT_EQ(title, "Tandrix - Middle auswählen...");
    EXPECT_EQ(form().stringMid->text(), before);
    EXPECT_EQ(state().sets.sets[0].Mid, target.path());
}

#include "test_resultlist.moc"
