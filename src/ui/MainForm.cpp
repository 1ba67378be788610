#include "ui/MainForm.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QResizeEvent>

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
