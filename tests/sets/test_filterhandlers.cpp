#include "ModalScript.h"
#include "sets/FilterText.h"
#include "tandrix/App.h"
#include "ui/Identifiers.h"
#include "ui/ResultListModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace {

// What the filter window showed when it opened.
struct FilterWindowSeen {
    QString title;
    QString editor;
    bool ignoreDate = false;
    int direction = -1;
    QStringList items;
    QSize size;
};

// Edits the filter window and ends it with `finish`: "OK", "Abbrechen" or "close".
ModalScript::Answer FilterWindowAnswer(FilterWindowSeen* seen, std::function<void(QWidget*)> edit,
                                       const QString& finish) {
    return [=](QWidget* window) {
        auto* editor = window->findChild<QPlainTextEdit*>("Gadget_FormFilter_EditorFilter");
        auto* ignore = window->findChild<QCheckBox*>("Gadget_FormFilter_CheckBoxIgnoreDate");
        auto* direction = window->findChild<QComboBox*>("Gadget_FormFilter_ComboBoxRichtung");
        if (seen && editor && ignore && direction) {
            seen->title = window->windowTitle();
            seen->editor = editor->toPlainText();
            seen->ignoreDate = ignore->isChecked();
            seen->direction = direction->currentIndex();
            for (int i = 0; i < direction->count(); ++i)
                seen->items << direction->itemText(i);
            seen->size = window->size();
        }
        if (edit)
            edit(window);
        if (finish == "close")
            window->close();
        else
            PressButton(window, finish);
    };
}

std::function<void(QWidget*)> SetEditor(const QString& text) {
    return [text](QWidget* w) {
        w->findChild<QPlainTextEdit*>("Gadget_FormFilter_EditorFilter")->setPlainText(text);
    };
}

std::function<void(QWidget*)> SetDirection(int item, std::optional<bool> ignoreDate = {}) {
    return [item, ignoreDate](QWidget* w) {
        w->findChild<QComboBox*>("Gadget_FormFilter_ComboBoxRichtung")->setCurrentIndex(item);
        if (ignoreDate)
            w->findChild<QCheckBox*>("Gadget_FormFilter_CheckBoxIgnoreDate")->setChecked(*ignoreDate);
    };
}

class FilterHandlersTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::unique_ptr<App> app;

    void start(const QString& filter, const QString& options) {
        QFile f(dir.filePath("Tandrix.ini"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\xEF\xBB\xBF\r\n[Generell]\r\nIniVersion = 81107\r\nSetCombo = Arbeit\r\n[Sets]\r\nArbeit = "
                "1\r\n"
                "Leer = 1\r\n[Set_Arbeit]\r\nSrc = /a/\r\nMid = /b/\r\nOptions = " +
                options.toUtf8() + "\r\nFilter = " + filter.toUtf8() + "\r\n");
        f.close();
        app = std::make_unique<App>(dir.path());
        ASSERT_TRUE(app->open());
    }
    MainForm& form() { return app->form; }
    SyncSet& set() {
        for (SyncSet& s : app->state.sets.sets) {
            if (s.Name == "Arbeit")
                return s;
        }
        return app->state.sets.sets.front();
    }
    void clickFilterBox() { form().checkBoxFilter->click(); }
};

TEST_F(FilterHandlersTest, CheckBox_ShowsWhetherTheSetHasFilterOrOptions) {
    start("", "");
    EXPECT_FALSE(form().checkBoxFilter->isChecked());
    EXPECT_EQ(form().checkBoxFilter->text(), "Filter");
    app.reset();
    start("", "IgnoreDate");
    EXPECT_TRUE(form().checkBoxFilter->isChecked());
    EXPECT_EQ(form().checkBoxFilter->text(), "Filter+");
    app.reset();
    start("temp", "");
    EXPECT_TRUE(form().checkBoxFilter->isChecked());
    EXPECT_EQ(form().checkBoxFilter->text(), "Filter");
}

TEST_F(FilterHandlersTest, Window_ShowsFilterOneWordPerLineAndTheOptions) {
    start("bak|temp", "IgnoreDateScannRichtung<");
    FilterWindowSeen seen;
    ModalScript script({FilterWindowAnswer(&seen, {}, "Abbrechen")});
    clickFilterBox();
    ASSERT_EQ(script.answered(), 1);
    EXPECT_EQ(seen.title, "Tandrix Filter");
    EXPECT_EQ(seen.editor, "bak\ntemp");
    EXPECT_TRUE(seen.ignoreDate);
    EXPECT_EQ(seen.direction, 2);
    EXPECT_EQ(seen.items, QStringList({"<>", ">", "<"}));
}

TEST_F(FilterHandlersTest, Window_LayoutAndTexts) {
    start("", "");
    QStringList problems;
    bool checked = false;
    ModalScript script({[&](QWidget* w) {
        checked = true;
        const float scale = app->state.scale.DialogScale;
        auto s = [scale](int v) { return qRound(v * scale); };
        if (w->size() != QSize(s(400), s(245)))
            problems << "size";
        struct Gadget {
            const char* name;
            QRect rect;
            QString text;
            QString tip;
        };
        const Gadget gadgets[] = {
            {"Gadget_FormFilter_EditorFilter", {5, 40, 390, 150}, "", ""},
            {"Gadget_FormFilter_Text33",
             {5, 5, 390, 30},
             QString::fromUtf8("Das Zeichen | kann nicht verwendet werden (auch Dateinamen können es nicht "
                               "enthalten. Mehrere Zeichenketten durch Zeilensprung trennen..."),
             ""},
            {"Gadget_FormFilter_CheckBoxIgnoreDate", {5, 200, 100, 15}, "Ignoriere Datum", "Ignoriert Datum"},
            {"Gadget_FormFilter_TextRichtung", {120, 200, 50, 15}, "Richtung:", ""},
            {"Gadget_FormFilter_ComboBoxRichtung",
             {170, 200, 45, 20},
             ">",
             "Nur bestimmte Richtungen anzeigen!"},
            {"Gadget_FormFilter_ButtonOK", {270, 200, 60, 20}, "OK", ""},
            {"Gadget_FormFilter_ButtonAbbr", {335, 200, 60, 20}, "Abbrechen", ""},
            {"Gadget_FormFilter_CheckBoxVerify",
             {275, 222, 120, 15},
             QString::fromUtf8("Kopien prüfen"),
             QString::fromUtf8(
                 "Liest jede Kopie vom Datenträger zurück und vergleicht sie mit dem Original")},
            {"Gadget_FormFilter_CheckBoxTrash",
             {5, 222, 260, 15},
             "Gelöschtes und Ersetztes in den Papierkorb",
             "Gelöschte Einträge und die alten Versionen ersetzter Dateien kommen in den Papierkorb"},
        };
        for (const Gadget& g : gadgets) {
            QWidget* c = w->findChild<QWidget*>(g.name);
            if (!c) {
                problems << QString("%1 missing").arg(g.name);
                continue;
            }
            const QRect scaled(s(g.rect.x()), s(g.rect.y()), s(g.rect.width()), s(g.rect.height()));
            if (c->geometry() != scaled)
                problems << QString("%1 at wrong place").arg(g.name);
            if (c->toolTip() != g.tip)
                problems << QString("%1 tooltip").arg(g.name);
            QString text;
            if (auto* b = qobject_cast<QAbstractButton*>(c))
                text = b->text();
            else if (auto* l = qobject_cast<QLabel*>(c))
                text = l->text();
            if (!g.text.isEmpty() && !qobject_cast<QComboBox*>(c) && text != g.text)
                problems << QString("%1 text").arg(g.name);
        }
        // No keyboard shortcut ends the window: Escape leaves it open.
        PressEscape(w);
        if (!w->isVisible())
            problems << "Escape closed the window";
        PressButton(w, "Abbrechen");
    }});
    clickFilterBox();
    EXPECT_TRUE(checked);
    EXPECT_TRUE(problems.isEmpty()) << problems.join(", ").toStdString();
    int windowEntries = 0;
    int gadgetEntries = 0;
    for (const ResizeEntry& e : app->state.registry.entries) {
        if (e.window == Window_FormFilter)
            (e.control == ResizeNone ? windowEntries : gadgetEntries) += 1;
    }
    EXPECT_EQ(windowEntries, 1);
    EXPECT_EQ(gadgetEntries, 0);
}

TEST_F(FilterHandlersTest, Ok_LinesBecomeSortedLowerCaseWordsWithDuplicates) {
    start("", "");
    ModalScript script({FilterWindowAnswer(nullptr, SetEditor("Temp\n bak \n\nTemp"), "OK")});
    clickFilterBox();
    EXPECT_EQ(set().Filter, "bak|temp|temp");
    EXPECT_TRUE(form().checkBoxFilter->isChecked());
    EXPECT_EQ(form().checkBoxFilter->text(), "Filter");
}

TEST_F(FilterHandlersTest, Ok_BarInALineSeparatesWords) {
    start("", "");
    ModalScript script({FilterWindowAnswer(nullptr, SetEditor("a|b"), "OK")});
    clickFilterBox();
    EXPECT_EQ(set().Filter, "a|b");
}

TEST_F(FilterHandlersTest, CancelOrClose_KeepFilterAndOptions) {
    start("bak", "IgnoreDate");
    auto edits = [](QWidget* w) {
        SetEditor("neu\nanders")(w);
        SetDirection(2, false)(w);
    };
    for (const char* finish : {"Abbrechen", "close"}) {
        ModalScript script({FilterWindowAnswer(nullptr, edits, finish)});
        clickFilterBox();
        EXPECT_EQ(script.answered(), 1);
        EXPECT_EQ(set().Filter, "bak") << finish;
        EXPECT_EQ(set().Options, "IgnoreDate") << finish;
        EXPECT_TRUE(form().checkBoxFilter->isChecked());
        EXPECT_EQ(form().checkBoxFilter->text(), "Filter+");
    }
}

TEST_F(FilterHandlersTest, Ok_DirectionWordsFollowIgnoreDateInTheOrderChosen) {
    start("", "IgnoreDate");
    {
        ModalScript script({FilterWindowAnswer(nullptr, SetDirection(1), "OK")});
        clickFilterBox();
    }
    EXPECT_EQ(set().Options, "IgnoreDateScannRichtung>");
    {
        ModalScript script({FilterWindowAnswer(nullptr, SetDirection(2), "OK")});
        clickFilterBox();
    }
    EXPECT_EQ(set().Options, "IgnoreDateScannRichtung<");
    {
        ModalScript script({FilterWindowAnswer(nullptr, SetDirection(0, false), "OK")});
        clickFilterBox();
    }
    EXPECT_EQ(set().Options, "");
    EXPECT_FALSE(form().checkBoxFilter->isChecked());
    EXPECT_EQ(form().checkBoxFilter->text(), "Filter");
}

// "Kopien prüfen" follows the drives until the user changes it: /a/ and /b/ are no removable
// drives, so the box shows unticked; a tick stores the word, clearing it again goes back to none.
TEST_F(FilterHandlersTest, VerifyBox_StoresOnlyWhatDiffersFromTheDrives) {
    start("", "IgnoreDate");
    const auto setVerify = [](std::optional<bool> ticked, bool* shown) {
        return FilterWindowAnswer(
            nullptr,
            [=](QWidget* w) {
                auto* box = w->findChild<QCheckBox*>("Gadget_FormFilter_CheckBoxVerify");
                *shown = box->isChecked();
                if (ticked)
                    box->setChecked(*ticked);
            },
            "OK");
    };
    const struct {
        std::optional<bool> tick;
        bool shown;
        QString options;
    } steps[] = {{{}, false, "IgnoreDate"},
                 {true, false, "IgnoreDateKopienPruefen"},
                 {{}, true, "IgnoreDateKopienPruefen"},
                 {false, true, "IgnoreDate"}};
    for (const auto& step : steps) {
        bool shown = !step.shown;
        ModalScript script({setVerify(step.tick, &shown)});
        clickFilterBox();
        EXPECT_EQ(shown, step.shown);
        EXPECT_EQ(set().Options, step.options);
    }
    EXPECT_FALSE(VerifiesCopies("KopienUngeprueft", true));
    EXPECT_TRUE(VerifiesCopies("", true));
    EXPECT_EQ(OptionsAfterVerifyBox("", false, true), "KopienUngeprueft");
    EXPECT_EQ(OptionsAfterVerifyBox("KopienUngeprueft", true, true), "");
}

TEST_F(FilterHandlersTest, BothDirectionWords_PreselectToTargetAndOkKeepsOne) {
    start("", "ScannRichtung<ScannRichtung>");
    FilterWindowSeen seen;
    ModalScript script({FilterWindowAnswer(&seen, {}, "OK")});
    clickFilterBox();
    EXPECT_EQ(seen.direction, 1);
    EXPECT_EQ(set().Options, "ScannRichtung>");
}

// Every set sends what is removed to the trash, also one written before the box existed; only
// the exception is stored.
TEST_F(FilterHandlersTest, TrashBox_TickedUnlessTheSetSaysForGood) {
    struct Case {
        QString options;
        bool shown;
        bool tick;
        QString after;
    };
    for (const Case& c :
         {Case{"", true, false, "OhnePapierkorb"}, Case{"IgnoreDate", true, true, "IgnoreDate"},
          Case{"IgnoreDateOhnePapierkorb", false, true, "IgnoreDate"},
          Case{"OhnePapierkorb", false, false, "OhnePapierkorb"}}) {
        SCOPED_TRACE(c.options.toStdString());
        start("", c.options);
        bool shown = !c.shown;
        ModalScript script({FilterWindowAnswer(
            nullptr,
            [&](QWidget* w) {
                auto* box = w->findChild<QCheckBox*>("Gadget_FormFilter_CheckBoxTrash");
                shown = box->isChecked();
                box->setChecked(c.tick);
            },
            "OK")});
        clickFilterBox();
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(set().Options, c.after);
        app.reset();
    }
}

TEST_F(FilterHandlersTest, CheckBox_ShowsTheSetNotTheClick) {
    start("", "");
    {
        ModalScript script({FilterWindowAnswer(nullptr, {}, "Abbrechen")});
        clickFilterBox();
    }
    EXPECT_FALSE(form().checkBoxFilter->isChecked());
    app.reset();
    start("temp", "");
    {
        ModalScript script({FilterWindowAnswer(nullptr, {}, "Abbrechen")});
        clickFilterBox();
    }
    EXPECT_TRUE(form().checkBoxFilter->isChecked());
}

TEST_F(FilterHandlersTest, EmptyCombo_OpensNoWindow) {
    start("temp", "");
    form().comboBoxSets->setCurrentIndex(-1);
    ModalScript script({});
    clickFilterBox();
    QCoreApplication::processEvents();
    EXPECT_EQ(script.answered(), 0);
    EXPECT_EQ(set().Filter, "temp");
}

class AddSelectionTest : public FilterHandlersTest {
protected:
    void fillList() {
        RowList lines;
        for (const char* path : {"Alt/a.txt", "Neu/Bilder/b.jpg", "c.txt"}) {
            ResultRow row;
            row.path = path;
            row.size1 = 1;
            row.action = u'>';
            lines.push_back(row);
        }
        form().listModel->setLines(std::move(lines));
    }
    void select(std::initializer_list<int> lines) {
        form().listIconFiles->clearSelection();
        for (int line : lines)
            form().listIconFiles->selectionModel()->select(
                form().listModel->index(line, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    void addToFilter() { form().menuItems[Menu_AddToFilter]->trigger(); }
};

TEST_F(AddSelectionTest, AddsThePathColumnOfSelectedLinesInLowerCase) {
    start("zzz| temp ", "");
    fillList();
    select({1, 0});
    addToFilter();
    EXPECT_EQ(set().Filter, "alt/a.txt|neu/bilder/b.jpg|temp|zzz");
    EXPECT_TRUE(form().checkBoxFilter->isChecked());
}

TEST_F(AddSelectionTest, SamePathTwiceIsStoredTwice) {
    start("", "");
    fillList();
    select({0});
    addToFilter();
    addToFilter();
    EXPECT_EQ(set().Filter, "alt/a.txt|alt/a.txt");
}

TEST_F(AddSelectionTest, NoSelectionStillSortsTheFilter) {
    start("b||A", "");
    fillList();
    select({});
    addToFilter();
    EXPECT_EQ(set().Filter, "a|b");
    form().comboBoxSets->setCurrentIndex(-1);
    select({0});
    addToFilter();
    EXPECT_EQ(set().Filter, "a|b");
}

} // namespace
