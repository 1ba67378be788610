#include "ui/MainForm.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <algorithm>

void HyperLink::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The program decides when the window may close: it saves the settings first.
    if (closeAllowed) {
        event->accept();
        return;
    }
    event->ignore();
    emit closeRequested();
}

void ClientArea::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (statusBar) {
        const int h = statusBar->sizeHint().height();
        statusBar->setGeometry(0, height() - h, width(), h);
    }
    emit resized();
}

StatusBar::StatusBar(const Scale& scale, QWidget* parent) : QStatusBar(parent), scale(scale) {
    setObjectName(QStringLiteral("StatusBar_Form"));
    setSizeGripEnabled(false);
    for (int i = 0; i < 3; ++i) {
        // Placed by hand rather than by the bar's layout, whose spacing would push them apart.
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("StatusBarAddField%1").arg(i));
        label->setTextFormat(Qt::PlainText);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setContentsMargins(2, 0, 2, 0);
        field[i] = label;
    }
    field[1]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

QSize StatusBar::sizeHint() const {
    return {field[0]->sizeHint().width() * 3, field[0]->sizeHint().height() + 4};
}

void StatusBar::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    const int widths[2] = {Scaled(scale, 550), Scaled(scale, 100)};
    const int h = height() - 2;
    field[0]->setGeometry(0, 2, widths[0], h);
    field[1]->setGeometry(widths[0], 2, widths[1], h);
    field[2]->setGeometry(widths[0] + widths[1], 2, std::max(0, width() - widths[0] - widths[1]), h);
}
