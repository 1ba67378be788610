#include "ui/Identifiers.h"
#include "ui/MainFormWindow.h"
#include "ui/ResizeWindow.h"
#include "ui/ResultListModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct Expected {
    int id;
    const char* kind;
    const char* caption;
    int x, y, w, h;
    const char* toolTip;
};

// The main window's controls in creation order, at design size.
const Expected controls[] = {
    {2, "HyperLink", "Quelle (1):", 5, 5, 50, 15, "Verzeichnis öffnen"},
    {3, "QLineEdit", "", 55, 0, 315, 20, ""},
    {4, "QPushButton", "...", 375, 0, 20, 20, "Verzeichnis wählen"},
    {5, "HyperLink", "Ziel (2):", 415, 5, 40, 15, "Verzeichnis öffnen"},
    {6, "QLineEdit", "", 455, 0, 315, 20, ""},
    {7, "QPushButton", "...", 775, 0, 20, 20, "Verzeichnis wählen"},
    {8, "QLabel", "", 455, 20, 315, 15, ""},
    {9, "QLabel", "", 55, 20, 315, 15, ""},
    {10, "QComboBox", "", 5, 45, 180, 20, ""},
    {11, "QCheckBox", "Filter+", 250, 50, 50, 15, "Ausschlussfilter u.a. Optionen"},
    {12, "QCheckBox", "Packen", 190, 50, 55, 15, "Ziel packen (ZIP"},
    {13, "QPushButton", "Scan", 305, 45, 40, 20, ""},
    {14, "QCheckBox", "Abbruch", 350, 45, 100, 25, "Bricht verschiedene Aktionen ab!"},
    {15, "QLabel", "Schnell Einschlussfilter:", 5, 75, 115, 15, ""},
    {16, "QLineEdit", "", 120, 70, 330, 20, "Nur noch diese scannen (nochmal 'Scan' klicken"},
    {17, "QGroupBox", "Auswahl", 455, 40, 345, 50, ""},
    {18, "QPushButton", "Alles", 465, 60, 30, 20, ""},
    {19, "QPushButton", "Nix", 495, 60, 25, 20, ""},
    {20, "QPushButton", "Umk.", 520, 60, 30, 20, "Auswahl umkehren"},
    {21, "QPushButton", ">", 550, 60, 25, 20, "Wählt alle >"},
    {22, "QPushButton", "<", 575, 60, 25, 20, "Wählt alle <"},
    {23, "QPushButton", "V.", 600, 60, 20, 20, "Verzeichnisse wählen"},
    {24, "QPushButton", "Sync", 665, 60, 35, 20, "Ausgewählte synchronisieren"},
    {25, "QPushButton", "Löschen:", 710, 60, 50, 20, "Ausgewählte löschen (Q und/oder Z müssen gewählt sein"},
    {26, "QCheckBox", "Q", 765, 55, 30, 15, "In der Quelle löschen"},
    {27, "QCheckBox", "Z", 765, 70, 30, 15, "Im Ziel löschen"},
    {28, "QTableView", "", 0, 95, 800, 465, ""},
};

QString captionOf(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    return {};
}

class MainWindowAt : public ::testing::TestWithParam<float> {
protected:
    void SetUp() override {
        InitScale(scale, GetParam());
        ASSERT_TRUE(dialoge::Window_Form(scale, registry, form));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.window));
    }
    void TearDown() override {
        form.window->closeAllowed = true;
        delete form.window;
    }
    Scale scale;
    LayoutRegistry registry;
    MainForm form;
};

} // namespace

TEST_P(MainWindowAt, CreatesEveryControlWithItsNumberKindCaptionTipAndGeometry) {
    ASSERT_EQ(form.gadgets.size(), std::size(controls));
    auto it = form.gadgets.begin();
    for (const Expected& e : controls) {
        SCOPED_TRACE(e.id);
        EXPECT_EQ(it->first, e.id);
        ++it;
        QWidget* w = form.gadget(e.id);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->inherits(e.kind)) << w->metaObject()->className();
        EXPECT_EQ(captionOf(w), QString::fromUtf8(e.caption));
        EXPECT_EQ(w->toolTip(), QString::fromUtf8(e.toolTip));
        EXPECT_EQ(w->geometry(),
                  QRect(Scaled(scale, e.x), Scaled(scale, e.y), Scaled(scale, e.w), Scaled(scale, e.h)));
        EXPECT_TRUE(w->isEnabled());
        EXPECT_EQ(w->parentWidget(), form.client);
    }
    // Creation order is stacking order: the frame lies behind the buttons it surrounds.
    const QObjectList kids = form.client->children();
    EXPECT_LT(kids.indexOf(form.frameSel), kids.indexOf(form.buttonSelAll));
}

TEST_P(MainWindowAt, ClientAreaListAndStatusFieldsAreScaled) {
    EXPECT_EQ(form.client->size(), QSize(Scaled(scale, 800), Scaled(scale, 600)));
    // The fields abut at 550 and 650 design units, the last reaching the right edge as the window grows.
    for (int wider : {0, 77}) {
        form.window->resize(form.window->size() + QSize(wider, 0));
        QApplication::processEvents();
        const int edges[4] = {0, Scaled(scale, 550), Scaled(scale, 550) + Scaled(scale, 100),
                              Scaled(scale, 800) + wider};
        for (int i = 0; i < 3; ++i) {
            const QRect field = form.statusField[i]->geometry();
            EXPECT_EQ(QPair(field.x(), field.right() + 1), QPair(edges[i], edges[i + 1])) << i;
            EXPECT_GE(field.height(), form.statusField[i]->fontMetrics().height()) << i;
        }
    }
    EXPECT_EQ(form.window->windowTitle(), "Tandrix");
    // Column widths are pixels and stay unscaled.
    EXPECT_EQ(form.listModel->columnTitles(), QStringList{"Datei"});
    EXPECT_EQ(form.listIconFiles->columnWidth(0), 100);
}

TEST_P(MainWindowAt, OnlyTheListFollowsTheWindowSizeAndShrinkingBackRestoresIt) {
    // What the event loop does on every size event of the main window.
    QObject::connect(form.client, &ClientArea::resized, [this] {
        ResizeWindow(registry, Window_Form, form.client, [this](int id) { return form.gadget(id); });
    });
    std::map<int, QRect> atStart;
    for (auto [id, w] : form.gadgets)
        atStart[id] = w->geometry();
    const QSize start = form.client->size();
    form.window->resize(form.window->size() + QSize(100, 50));
    QApplication::processEvents();
    ASSERT_EQ(form.client->size(), start + QSize(100, 50));
    for (auto [id, w] : form.gadgets) {
        SCOPED_TRACE(id);
        if (id == Gadget_Form_ListIconFiles)
            EXPECT_EQ(w->geometry(), atStart[id].adjusted(0, 0, 100, 50));
        else
            EXPECT_EQ(w->geometry(), atStart[id]);
    }
    form.window->resize(form.window->size() + QSize(37, 12));
    form.window->resize(form.window->size() - QSize(137, 62));
    QApplication::processEvents();
    EXPECT_EQ(form.client->size(), start);
    EXPECT_EQ(form.listIconFiles->geometry(), atStart[Gadget_Form_ListIconFiles]);
}

TEST_P(MainWindowAt, CannotBecomeSmallerThanItsDesignSize) {
    form.window->resize(200, 100);
    QApplication::processEvents();
    EXPECT_EQ(form.client->width(), Scaled(scale, 800));
    EXPECT_EQ(form.client->height(), Scaled(scale, 600));
}

INSTANTIATE_TEST_SUITE_P(Scales, MainWindowAt, ::testing::Values(1.0f, 1.5f));

TEST(MainWindow, At144DpiTheClientIs1200x900AndTheListSitsAt0_142) {
    Scale scale;
    InitScale(scale, 1.5f);
    LayoutRegistry registry;
    MainForm form;
    ASSERT_TRUE(dialoge::Window_Form(scale, registry, form));
    std::unique_ptr<MainWindow> owner(form.window);
    owner->closeAllowed = true;
    EXPECT_EQ(form.client->size(), QSize(1200, 900));
    EXPECT_EQ(form.listIconFiles->geometry(), QRect(0, 142, 1200, 698));
    ASSERT_FALSE(registry.entries.empty());
    EXPECT_EQ(registry.entries[0].control, ResizeNone);
    EXPECT_EQ(registry.entries[0].w, 1200);
    EXPECT_EQ(registry.entries[0].h, 900);
    EXPECT_EQ(registry.entries.size(), 2u); // the window and the list, nothing else is anchored
}

TEST(MainWindow, ResultListSelectsWholeRowsSeveralAtOnceWithGridAndFixedColumns) {
    Scale scale;
    LayoutRegistry registry;
    MainForm form;
    ASSERT_TRUE(dialoge::Window_Form(scale, registry, form));
    std::unique_ptr<MainWindow> owner(form.window);
    owner->closeAllowed = true;
    QTableView* list = form.listIconFiles;
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_TRUE(list->showGrid());
    EXPECT_FALSE(list->horizontalHeader()->sectionsMovable());
    const QPalette pal = list->palette();
    EXPECT_EQ(pal.color(QPalette::Inactive, QPalette::Highlight),
              pal.color(QPalette::Active, QPalette::Highlight));
}

TEST(MainWindow, MenuHoldsItsNumberedItemsAndTheCheckMarkToggles) {
    Scale scale;
    LayoutRegistry registry;
    MainForm form;
    ASSERT_TRUE(dialoge::Window_Form(scale, registry, form));
    std::unique_ptr<MainWindow> owner(form.window);
    owner->closeAllowed = true;
    AttachMenu(form);
    const std::pair<int, const char*> items[] = {{3, "Neues Set"},
                                                 {4, "Set kopieren"},
                                                 {5, "Set umbennen"},
                                                 {6, "Set löschen"},
                                                 {7, "Beenden"},
                                                 {9, "Zu Filter hinzufügen"},
                                                 {10, "Datum abgleichen"},
                                                 {12, "Freier Platz Wechseldatenträger anzeigen"},
                                                 {13, "Info"}};
    ASSERT_EQ(form.menuItems.size(), std::size(items));
    for (auto [number, caption] : items) {
        ASSERT_TRUE(form.menuItems.count(number));
        EXPECT_EQ(form.menuItems[number]->text(), QString::fromUtf8(caption));
        EXPECT_EQ(form.menuItems[number]->data().toInt(), number);
        EXPECT_EQ(form.menuItems[number]->isCheckable(), number == 12);
    }
    const QList<QAction*> titles = form.window->menuBar()->actions();
    ASSERT_EQ(titles.size(), 3);
    EXPECT_EQ(titles[0]->text(), "Datei");
    EXPECT_EQ(titles[1]->text(), "Bearbeiten");
    EXPECT_EQ(titles[2]->text(), "Extras");
    // Separators before "Beenden", "Datum abgleichen" and "Info".
    const QList<QAction*> datei = titles[0]->menu()->actions();
    ASSERT_EQ(datei.size(), 6);
    EXPECT_TRUE(datei[4]->isSeparator());
    const QList<QAction*> extras = titles[2]->menu()->actions();
    ASSERT_EQ(extras.size(), 3);
    EXPECT_TRUE(extras[1]->isSeparator());
    QAction* removable = form.menuItems[12];
    EXPECT_FALSE(removable->isChecked());
    removable->trigger();
    EXPECT_TRUE(removable->isChecked());
    removable->trigger();
    EXPECT_FALSE(removable->isChecked());
}

TEST(MainWindow, EveryCaptionFitsItsControl) {
    Scale scale;
    LayoutRegistry registry;
    MainForm form;
    ASSERT_TRUE(dialoge::Window_Form(scale, registry, form));
    std::unique_ptr<MainWindow> owner(form.window);
    owner->closeAllowed = true;
    for (auto [id, w] : form.gadgets) {
        const QString caption = captionOf(w);
        if (caption.isEmpty() || qobject_cast<QLineEdit*>(w) || qobject_cast<QGroupBox*>(w))
            continue;
        SCOPED_TRACE(caption.toStdString());
        int room = w->width();
        if (qobject_cast<QCheckBox*>(w))
            room -= w->style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                    w->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
        else if (qobject_cast<QPushButton*>(w))
            room -= 2;
        EXPECT_LE(w->fontMetrics().horizontalAdvance(caption), room);
    }
}
