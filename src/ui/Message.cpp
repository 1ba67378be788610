#include "ui/Message.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

void Message(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tandrix Meldung"), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

bool AskYesNo(const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Ja"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Nein"));
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec() == QMessageBox::Yes;
}

int AskChoice(const QString& title, const QString& text, const QStringList& buttons, int preselected) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::NoButton, QApplication::activeWindow());
    QList<QPushButton*> added;
    for (const QString& caption : buttons)
        added << box.addButton(caption, QMessageBox::ActionRole);
    if (!added.isEmpty())
        box.setEscapeButton(added.last());
    if (preselected >= 0 && preselected < added.size())
        box.setDefaultButton(added[preselected]);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    const qsizetype chosen = added.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    return chosen >= 0 ? int(chosen) : int(buttons.size()) - 1;
}
