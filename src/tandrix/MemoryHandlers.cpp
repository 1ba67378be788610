#include "tandrix/MemoryHandlers.h"

#include "commonstate/CommonStateFile.h"
#include "tandrix/AppState.h"
#include "ui/Message.h"

namespace {

QString sideName(int side) {
    return side == 0 ? QStringLiteral("Quelle") : QStringLiteral("Ziel");
}

QString rootOf(const AppState& state, int side) {
    return side == 0 ? state.scan.SourceRoot : state.scan.TargetRoot;
}

} // namespace

void NoteMemoryKept(AppState& state, MemoryOutcome& outcome) {
    if (!state.memory.keeps())
        return;
    const QString name = CommonStateFileName(state.memory.key);
    if (outcome.saved)
        state.unsavedMemories.remove(name);
    else if (outcome.unsaved)
        state.unsavedMemories.insert(name, std::move(*outcome.unsaved));
    outcome.unsaved.reset();
    if (outcome.saveError.isEmpty() || state.memoryFailureTold)
        return;
    state.memoryFailureTold = true;
    Message(QStringLiteral("Das Gedächtnis des letzten Abgleichs konnte nicht gespeichert werden:\n") +
            state.memory.folder + QStringLiteral("\nGrund: ") + outcome.saveError +
            QStringLiteral("\n\nSolange es nicht gespeichert werden kann, schlägt Tandrix nichts zum Löschen "
                           "oder Umbenennen vor; die Zeilen werden nur kopiert."));
}

void TellMemoryAside(const AppState& state, const MemoryCheck& check) {
    QString sides;
    for (int side = 0; side < 2; ++side) {
        if (check.side[side] == Standing::Sure)
            continue;
        sides += u'\n' + sideName(side) + QStringLiteral(": ") + rootOf(state, side) +
                 (check.side[side] == Standing::OtherMedium
                      ? QStringLiteral(" (ein anderer Datenträger als beim letzten Abgleich)")
                      : QStringLiteral(" (die meisten abgeglichenen Dateien fehlen dort)"));
    }
    if (sides.isEmpty())
        return;
    Message(QStringLiteral("Das sieht nach einem anderen oder geleerten Datenträger aus:") + sides +
            QStringLiteral("\n\nDas Gedächtnis des letzten Abgleichs schlägt darum nichts zum Löschen oder "
                           "Umbenennen vor: Die Zeilen werden wie ohne Gedächtnis aufgelistet und kopiert. "
                           "Ist es der falsche Datenträger, bitte den richtigen einstecken und erneut "
                           "scannen."));
}

bool ConfirmRootsWhereRemembered(const AppState& state, const CommonState& kept, const ScanMemory& memory) {
    const int side = SideMovedToOtherFileSystem(kept, memory.identity);
    if (side < 0)
        return true;
    const int answer = AskChoice(
        QStringLiteral("Tandrix: Datenträger nicht eingesteckt?"),
        sideName(side) + QStringLiteral(" liegt nicht mehr auf dem Datenträger des letzten Abgleichs:\n") +
            rootOf(state, side) + QStringLiteral("\nDamals eingehängt unter: ") +
            kept.identity[side].mountPoint + QStringLiteral("\nJetzt auf dem Dateisystem von: ") +
            memory.identity[side].mountPoint +
            QStringLiteral("\n\nIst der Datenträger eingesteckt? \"Abbrechen\" listet nichts auf. \"Trotzdem "
                           "scannen\" listet beide Seiten wie ohne Gedächtnis; was dann kopiert wird, landet "
                           "in diesem Ordner, nicht auf dem Datenträger."),
        {QStringLiteral("Trotzdem scannen"), QStringLiteral("Abbrechen")}, 1);
    return answer == 0;
}
