#include "ops/RemovalHandlers.h"

#include "platform/FileName.h"
#include "sets/FilterText.h"
#include "tandrix/AppState.h"
#include "ui/Message.h"

bool SetRemovesToTrash(const AppState& state) {
    const int index = state.sets.current;
    if (index < 0 || index >= int(state.sets.sets.size()))
        return true;
    return !state.sets.sets[size_t(index)].Options.contains(OptionNoTrash);
}

Removal RemovalForRun(const AppState& state) {
    Removal removal;
    removal.toTrash = SetRemovesToTrash(state);
    removal.askForGood = [](int count, const QStringList& places) {
        const QString text =
            QString::number(count) +
            QStringLiteral(
                " Eintrag/Einträge können nicht in den Papierkorb: auf %1 lässt sich kein Papierkorb "
                "anlegen (keine Schreibrechte, schreibgeschützt oder nicht sicher).\n\n"
                "\"Endgültig löschen\" löscht sie ohne Papierkorb, \"Auslassen\" lässt sie stehen.")
                .arg(places.join(QStringLiteral(", ")));
        return AskChoice(QStringLiteral("Tandrix: Kein Papierkorb"), text,
                         {QStringLiteral("Endgültig löschen"), QStringLiteral("Auslassen")}, 1) == 0;
    };
    return removal;
}

bool AskReplaceForGood(const QString& side, const QString& trashFolder, int64_t trashBytes) {
    const QString text =
        QStringLiteral(
            "%1 ist voll, und sein Papierkorb behält die alten Versionen der ersetzten Dateien.\n"
            "Papierkorb %2: %3 MB (%4)\n\n"
            "\"Endgültig ersetzen\" ersetzt die übrigen Dateien dort ohne Papierkorb, \"Auslassen\" "
            "lässt sie in der Liste.")
            .arg(side,
                 side == QStringLiteral("Seite 1 (Quelle)") ? QStringLiteral("der Quelle")
                                                            : QStringLiteral("des Ziels"),
                 QString::number(trashBytes / 1000000), trashFolder);
    return AskChoice(QStringLiteral("Tandrix: Kein Platz für den Papierkorb"), text,
                     {QStringLiteral("Endgültig ersetzen"), QStringLiteral("Auslassen")}, 1) == 0;
}
