#include "ui/InfoWindow.h"

#include "ui/DialogFont.h"
#include "ui/Identifiers.h"
#include "ui/ResizeWindow.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>

InfoWindow::InfoWindow(const LayoutRegistry& registry, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), registry(registry) {}

QWidget* InfoWindow::control(int id) const {
    switch (id) {
    case WndChldInfoEditGdg:
        return editor;
    case WndChldInfoBtnGdgOK:
        return okButton;
    default:
        return nullptr;
    }
}

void InfoWindow::relayout() {
    ResizeWindow(registry, WndChldInfo, this, [this](int id) { return control(id); });
}

// A remembered size is given before the window is shown, when a re-layout cannot run yet.
void InfoWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    relayout();
}

void InfoWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    relayout();
    // The size given at showing is the opening size, not a change by the user.
    if (isVisible() && event->oldSize().isValid() && event->oldSize() != event->size() && sizeChanged)
        sizeChanged(geometry());
}

InfoWindow* dialoge::WndChldInfo(const Scale& scale, LayoutRegistry& registry, QWidget* owner) {
    if (!qApp)
        return nullptr;
    auto s = [&scale](int v) { return Scaled(scale, v); };

    auto* window = new InfoWindow(registry, owner);
    window->setWindowTitle(QStringLiteral("WndChld1"));
    window->setWindowModality(Qt::ApplicationModal);
    QRect frame(s(335), s(200), s(500), s(400));
    ResizeSet(registry, ::WndChldInfo, ResizeNone, frame.x(), frame.y(), frame.width(), frame.height());
    window->setMinimumSize(300, 200);
    window->setMaximumSize(1000, 1000);
    UseDialogFont(window, scale);
    if (owner)
        frame.moveCenter(owner->geometry().center());
    window->setGeometry(frame);

    window->editor = new QPlainTextEdit(window);
    window->editor->setGeometry(s(10), s(10), s(480), s(360));
    window->editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    window->editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    window->editor->setReadOnly(true);
    window->editor->setPlainText(QString());
    ResizeAdd(registry, QStringLiteral("RU"), ::WndChldInfo, WndChldInfoEditGdg, s(10), s(10), s(480),
              s(360));

    window->okButton = new QPushButton(QStringLiteral("OK"), window);
    window->okButton->setGeometry(s(205), s(375), s(80), s(20));
    window->okButton->setDefault(true);
    ResizeAdd(registry, QStringLiteral("LO"), ::WndChldInfo, WndChldInfoBtnGdgOK, s(205), s(375), s(80),
              s(20));
    QObject::connect(window->okButton, &QPushButton::clicked, window, &QDialog::accept);
    return window;
}
