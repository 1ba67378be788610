#include "tandrix/InfoHandlers.h"

#include "tandrix/AppState.h"
#include "tandrix/BuildStamp.h"
#include "tandrix/InfoText.h"
#include "ui/InfoWindow.h"
#include "ui/MainForm.h"
#include "ui/Message.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <memory>

void Info(AppState& state, MainForm& form) {
    InfoWithStream(state, form, BuiltInInfoStream());
}

void InfoWithStream(AppState& state, MainForm& form, InfoStream stream) {
    std::unique_ptr<InfoWindow> window(dialoge::WndChldInfo(state.scale, state.registry, form.window));
    if (!window) {
        Message(QStringLiteral("Fehler in _Info(): Konnte Info-Fenster nicht öffnen!"));
        return;
    }
    const InfoGeometry& remembered = state.infoGeometry;
    if (remembered.width > 10 && remembered.height > 0)
        window->setGeometry(remembered.x, remembered.y, remembered.width, remembered.height);
    window->sizeChanged = [&state](const QRect& r) {
        state.infoGeometry = {r.x(), r.y(), r.width(), r.height()};
    };
    window->show();
    window->setWindowTitle(InfoTitle(BuildTimeStamp(), ProgramVersion()));

    const UnpackedInfo info = UnpackInfoStream(stream);
    if (info.status == UnpackStatus::NoMemory) {
        Message(QStringLiteral("Fehler in _Info(): Konnte Speicher nicht anfordern!"));
    } else if (info.status == UnpackStatus::Damaged) {
        Message(QStringLiteral("Fehler in _Info() beim Entpacken der Infodaten!"));
    } else {
        window->editor->setReadOnly(true);
        window->editor->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        window->editor->setPlainText(
            DecodeWindows1252(info.bytes).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    }

    window->exec();
    window.reset();
    // Events that reached the main window meanwhile are drained while this handler still counts
    // as busy, so they run no handler.
    QCoreApplication::processEvents();
}
