#include "support/ModalAnswer.h"
#include "support/QtPrint.h"
#include "tandrix/AppState.h"
#include "ui/DateAlignWindow.h"
#include "ui/FilterWindow.h"
#include "ui/InfoWindow.h"
#include "ui/MainFormWindow.h"
#include "ui/NamePrompt.h"

#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleOption>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The texts a control shows and the room its style lays them out in.
std::pair<QStringList, QRect> captionsAndRoom(QWidget* w) {
    QStyle* style = w->style();
    QStyleOptionButton button;
    button.initFrom(w);
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        const auto element = qobject_cast<QCheckBox*>(w)      ? QStyle::SE_CheckBoxContents
                             : qobject_cast<QRadioButton*>(w) ? QStyle::SE_RadioButtonContents
                                                              : QStyle::SE_PushButtonContents;
        // The left-aligned "Löschen:" keeps its 3 pixels of padding.
        const int padding = b->styleSheet().isEmpty() ? 0 : 3;
        return {{b->text()}, style->subElementRect(element, &button, w).adjusted(padding, 0, 0, 0)};
    }
    if (auto* l = qobject_cast<QLabel*>(w))
        return {{l->text()}, l->contentsRect()};
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return {{g->title()}, g->contentsRect()};
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        QStyleOptionComboBox box;
        box.initFrom(c);
        QStringList items;
        for (int i = 0; i < c->count(); ++i)
            items << c->itemText(i);
        return {items, style->subControlRect(QStyle::CC_ComboBox, &box, QStyle::SC_ComboBoxEditField, c)};
    }
    return {};
}

// Every caption, item or sized text of a window that its control cuts off.
QStringList cutTexts(QWidget* window) {
    QStringList cut;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const QFontMetrics fm(w->font());
        const auto [texts, room] = captionsAndRoom(w);
        auto* label = qobject_cast<QLabel*>(w);
        for (const QString& text : texts) {
            const bool fits =
                label && label->wordWrap()
                    ? label->heightForWidth(label->width()) <= label->height()
                    : fm.horizontalAdvance(text) <= room.width() && fm.height() <= room.height();
            if (!text.isEmpty() && !fits)
                cut << text;
        }
        // An editor sized for its text shows all of it without scrolling.
        auto* editor = qobject_cast<QPlainTextEdit*>(w);
        if (editor && editor->isReadOnly() && editor->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOn) {
            QTextCursor end(editor->document());
            end.movePosition(QTextCursor::End);
            if (editor->cursorRect(end).bottom() >= editor->viewport()->height() ||
                editor->horizontalScrollBar()->maximum() > 0)
                cut << editor->toPlainText();
        }
    }
    return cut;
}

QStringList cutIn(QWidget* window) {
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    return cutTexts(window);
}

class CaptionsAt : public ::testing::TestWithParam<float> {};

} // namespace

TEST_P(CaptionsAt, EveryTextOfEveryWindowFitsItsRectangle) {
    AppState state;
    InitScale(state.scale, GetParam());
    MainForm form;
    ASSERT_TRUE(dialoge::Window_Form(state.scale, state.registry, form));
    EXPECT_EQ(cutIn(form.window), QStringList());
    {
        std::unique_ptr<FilterWindow> filter = dialoge::Window_FormFilter(state, form.window);
        filter->comboBoxRichtung->addItems({"<>", ">", "<"});
        EXPECT_EQ(cutIn(filter->dialog.get()), QStringList());
        std::unique_ptr<QWidget> dates(dialoge::WndChldDatumAbgl(state.scale, state.registry, form.window));
        EXPECT_EQ(cutIn(dates.get()), QStringList());
        std::unique_ptr<QWidget> info(dialoge::WndChldInfo(state.scale, state.registry, form.window));
        EXPECT_EQ(cutIn(info.get()), QStringList());
    }
    for (const char* message : {"Name für neues Set:", "Set umbenennen:", "Set kopieren - neuer Name:"}) {
        QStringList cut{"not opened"};
        ModalAnswer answer([&](QWidget* prompt) {
            cut = cutTexts(prompt);
            PressEscape(prompt);
        });
        NamePrompt(QString::fromUtf8(message), QStringLiteral("Arbeit"));
        EXPECT_EQ(cut, QStringList()) << message;
    }
    form.window->closeAllowed = true;
    delete form.window;
}

INSTANTIATE_TEST_SUITE_P(Scales, CaptionsAt, ::testing::Values(1.0f, 1.5f, 2.0f));
