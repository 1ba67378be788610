#include "ui/NamePrompt.h"

#include "ui/DialogFont.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace {

// Showing a dialog hands its first field the focus as if reached with Tab, which selects the
// whole text, so the first key typed would replace the name. The prompt keeps the caret at the
// end of its default text instead, with nothing selected.
class PromptBox : public QDialog {
public:
    using QDialog::QDialog;
    QLineEdit* field = nullptr;

    void setVisible(bool visible) override {
        QDialog::setVisible(visible);
        if (visible && field) {
            field->deselect();
            field->end(false);
        }
    }
};

} // namespace

QString NamePrompt(const QString& message, const QString& defaultText) {
    PromptBox box(QApplication::activeWindow());
    box.setObjectName(QStringLiteral("NamePrompt"));
    box.setWindowTitle(QStringLiteral("Tandrix"));
    box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowCloseButtonHint);
    box.setWindowModality(Qt::ApplicationModal);
    box.setFixedSize(300, 130);
    // Laid out in pixels, not design units: the font of the layouts at scale 1.
    UseDialogFont(&box, Scale{});

    auto* label = new QLabel(message, &box);
    label->setGeometry(10, 10, 280, 22);
    auto* field = new QLineEdit(defaultText, &box);
    field->setGeometry(10, 32, 275, 21);
    box.field = field;
    auto* ok = new QPushButton(QStringLiteral("OK"), &box);
    ok->setGeometry(110, 67, 80, 25);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &box, &QDialog::accept);
    QObject::connect(field, &QLineEdit::returnPressed, &box, &QDialog::accept);

    // Centred on the screen rather than on the window behind it.
    QScreen* screen = box.parentWidget() ? box.parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen)
        box.move(screen->availableGeometry().center() - QPoint(box.width() / 2, box.height() / 2));
    field->setFocus();

    if (box.exec() != QDialog::Accepted)
        return {};
    return field->text();
}
