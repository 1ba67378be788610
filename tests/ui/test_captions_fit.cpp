#include "support/ModalAnswer.h"
#include "support/QtPrint.h"
#include "tandrix/AppState.h"
#include "ui/DateAlignWindow.h"
#include "ui/FilterWindow.h"
#include "ui/InfoWindow.h"
#include "ui/MainFormWindow.h"
#include "ui/NamePrompt.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleOption>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// What a user cannot read of a control: "name: text" of every caption, item or described text that
// does not fit into the control's rectangle, measured the way the style lays the control out.
QStringList cutTexts(QWidget* window) {
    QStringList cut;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const QFontMetrics fm(w->font());
        QStyle* style = w->style();
        auto check = [&](const QString& text, const QRect& room) {
            if (fm.horizontalAdvance(text) > room.width() || fm.height() > room.height())
                cut << w->metaObject()->className() + QStringLiteral(": ") + text;
        };
        QStyleOptionButton button;
        button.initFrom(w);
        if (auto* b = qobject_cast<QCheckBox*>(w)) {
            button.text = b->text();
            check(b->text(), style->subElementRect(QStyle::SE_CheckBoxContents, &button, w));
        } else if (auto* b = qobject_cast<QRadioButton*>(w)) {
            button.text = b->text();
            check(b->text(), style->subElementRect(QStyle::SE_RadioButtonContents, &button, w));
        } else if (auto* b = qobject_cast<QPushButton*>(w)) {
            // The left-aligned caption keeps its 3 pixels of padding.
            const int padding = b->styleSheet().isEmpty() ? 0 : 3;
            check(
                b->text(),
                style->subElementRect(QStyle::SE_PushButtonContents, &button, w).adjusted(padding, 0, 0, 0));
        } else if (auto* l = qobject_cast<QLabel*>(w); l && !l->text().isEmpty()) {
            if (l->wordWrap() && l->heightForWidth(l->width()) > l->height())
                cut << "QLabel: " + l->text();
            else if (!l->wordWrap())
                check(l->text(), l->contentsRect());
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            QStyleOptionGroupBox box;
            box.initFrom(g);
            box.text = g->title();
            box.subControls = QStyle::SC_GroupBoxLabel;
            check(g->title(), style->subControlRect(QStyle::CC_GroupBox, &box, QStyle::SC_GroupBoxLabel, g)
                                  .intersected(g->rect()));
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            QStyleOptionComboBox combo;
            combo.initFrom(c);
            const QRect field =
                style->subControlRect(QStyle::CC_ComboBox, &combo, QStyle::SC_ComboBoxEditField, c);
            for (int i = 0; i < c->count(); ++i)
                check(c->itemText(i), field);
        } else if (auto* e = qobject_cast<QPlainTextEdit*>(w);
                   e && e->isReadOnly() && !e->toPlainText().isEmpty() &&
                   e->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOn) {
            // An editor sized for its text shows all of it without scrolling.
            QTextCursor end(e->document());
            end.movePosition(QTextCursor::End);
            if (e->cursorRect(end).bottom() >= e->viewport()->height() ||
                e->horizontalScrollBar()->maximum() > 0)
                cut << "QPlainTextEdit: " + e->toPlainText().section(u'\n', -1);
        }
    }
    return cut;
}

class CaptionsAt : public ::testing::TestWithParam<float> {
protected:
    void SetUp() override { InitScale(state.scale, GetParam()); }
    QStringList cutIn(QWidget* window) {
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        return cutTexts(window);
    }
    AppState state;
};

} // namespace

TEST_P(CaptionsAt, EveryTextOfEveryWindowFitsItsRectangle) {
    MainForm form;
    ASSERT_TRUE(dialoge::Window_Form(state.scale, state.registry, form));
    EXPECT_EQ(cutIn(form.window), QStringList()) << "main window";

    std::unique_ptr<FilterWindow> filter = dialoge::Window_FormFilter(state, form.window);
    filter->comboBoxRichtung->addItems({"<>", ">", "<"});
    EXPECT_EQ(cutIn(filter->dialog.get()), QStringList()) << "filter window";

    std::unique_ptr<DateAlignWindow> dates(
        dialoge::WndChldDatumAbgl(state.scale, state.registry, form.window));
    EXPECT_EQ(cutIn(dates.get()), QStringList()) << "date window";

    std::unique_ptr<InfoWindow> info(dialoge::WndChldInfo(state.scale, state.registry, form.window));
    EXPECT_EQ(cutIn(info.get()), QStringList()) << "information window";

    for (const char* message : {"Name für neues Set:", "Set umbenennen:", "Set kopieren - neuer Name:"}) {
        QStringList cut{"not opened"};
        ModalAnswer answer([&](QWidget* prompt) {
            cut = cutTexts(prompt);
            PressEscape(prompt);
        });
        NamePrompt(QString::fromUtf8(message), QStringLiteral("Arbeit"));
        EXPECT_EQ(cut, QStringList()) << message;
    }
    // The windows the main window owns go first.
    info.reset();
    dates.reset();
    filter.reset();
    form.window->closeAllowed = true;
    delete form.window;
}

INSTANTIATE_TEST_SUITE_P(Scales, CaptionsAt, ::testing::Values(1.0f, 1.5f, 2.0f));
