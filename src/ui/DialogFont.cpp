#include "ui/DialogFont.h"

#include <QApplication>
#include <QWidget>

QFont DialogFont(const Scale& scale) {
    QFont font = QApplication::font();
    font.setPixelSize(Scaled(scale, 11));
    font.setStretch(QFont::Condensed);
    return font;
}

void UseDialogFont(QWidget* widget, const Scale& scale) {
    widget->setFont(DialogFont(scale));
}
