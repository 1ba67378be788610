#include "ModalScript.h"
#include "ui/NamePrompt.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(NamePrompt, LayoutDefaultTextAndCaretAtItsEndWithNothingSelected) {
    QStringList problems;
    bool met = false;
    ModalScript script({[&](QWidget* box) {
        met = true;
        if (box->windowTitle() != "Tandrix")
            problems << "title " + box->windowTitle();
        if (box->size() != QSize(300, 130))
            problems << "size";
        if (!box->isModal() || box->windowModality() != Qt::ApplicationModal)
            problems << "not application modal";
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QPoint centre = box->frameGeometry().center();
        if (qAbs(centre.x() - screen.center().x()) > 1 || qAbs(centre.y() - screen.center().y()) > 1)
            problems << "not centred";
        auto* label = box->findChild<QLabel*>();
        auto* field = box->findChild<QLineEdit*>();
        auto* ok = box->findChild<QPushButton*>();
        if (!label || label->geometry() != QRect(10, 10, 280, 22) || label->text() != "Set umbenennen:")
            problems << "label";
        if (!field || field->geometry() != QRect(10, 32, 275, 21) || field->text() != "Arbeit" ||
            field->cursorPosition() != 6 || field->hasSelectedText() || box->focusWidget() != field)
            problems << "field";
        if (!ok || ok->geometry() != QRect(110, 67, 80, 25) || ok->text() != "OK")
            problems << "button";
        // The first key typed goes after the name rather than replacing it.
        QTest::keyClicks(box->focusWidget(), "2");
        PressButton(box, "OK");
    }});
    EXPECT_EQ(NamePrompt("Set umbenennen:", "Arbeit"), "Arbeit2");
    EXPECT_TRUE(met);
    EXPECT_TRUE(problems.isEmpty()) << problems.join(", ").toStdString();
}

TEST(NamePrompt, EnterConfirmsTheTypedText) {
    ModalScript script({Type(" Neu ")});
    EXPECT_EQ(NamePrompt("Name für neues Set:", ""), " Neu ");
}

TEST(NamePrompt, EscapeAndClosingCancel) {
    {
        ModalScript script({Escape()});
        EXPECT_EQ(NamePrompt("Set umbenennen:", "Arbeit"), "");
    }
    {
        ModalScript script({[](QWidget* box) { box->close(); }});
        EXPECT_EQ(NamePrompt("Set umbenennen:", "Arbeit"), "");
    }
}

} // namespace
