#include "ops/ListLinesHandlers.h"

#include "ui/MainForm.h"
#include "ui/Message.h"
#include "ui/ResultListModel.h"

#include <QItemSelectionModel>
#include <algorithm>

int ListLineCount(const MainForm& form) {
    return form.listModel ? form.listModel->lineCount() : 0;
}

QString ListLinePath(const MainForm& form, int line) {
    return form.listModel->line(line).path;
}

std::vector<bool> SelectedLineFlags(const MainForm& form) {
    std::vector<bool> flags(size_t(ListLineCount(form)), false);
    if (!form.listIconFiles || !form.listIconFiles->selectionModel())
        return flags;
    for (const QItemSelectionRange& range : form.listIconFiles->selectionModel()->selection()) {
        const int last = std::min(range.bottom(), int(flags.size()) - 1);
        for (int line = std::max(range.top(), 0); line <= last; ++line)
            flags[size_t(line)] = true;
    }
    return flags;
}

int CountSelected(const std::vector<bool>& flags) {
    return int(std::count(flags.begin(), flags.end(), true));
}

int CountSelectedRows(const MainForm& form, const std::vector<bool>& selected,
                      bool (*test)(const ResultRow&)) {
    int count = 0;
    for (size_t line = 0; line < selected.size(); ++line)
        if (selected[line] && test(form.listModel->line(int(line))))
            ++count;
    return count;
}

bool SelectionIsCertain(const MainForm& form, const std::vector<bool>& selected) {
    int uncertain = 0;
    for (size_t line = 0; line < selected.size(); ++line)
        if (selected[line] && form.listModel->line(int(line)).uncertain)
            ++uncertain;
    if (uncertain == 0)
        return true;
    Message(QString::number(uncertain) +
            QStringLiteral(" der ausgewählten Zeilen stammen aus einem unvollständigen Scan (abgebrochen, "
                           "oder Ordner konnten nicht gelesen werden). Dort könnten Dateien als fehlend "
                           "gelten, die es gibt.\nEs wurde nichts geändert. Bitte erneut scannen."));
    return false;
}

void ReportFailures(int failed, int damaged, bool verifyMissedDevice) {
    QString text;
    if (failed > 0)
        text = QStringLiteral("%1 Zeile(n) konnten nicht ausgeführt werden. Der Tooltip jeder dieser Zeilen "
                              "nennt den Grund.")
                   .arg(failed);
    if (damaged > 0)
        text += QStringLiteral("\n\n%1 Kopie(n) waren beim Zurücklesen vom Datenträger fehlerhaft; die alten "
                               "Fassungen sind geblieben. Der Datenträger ist möglicherweise defekt.")
                    .arg(damaged);
    if (verifyMissedDevice)
        text += QStringLiteral("\n\nHinweis: Auf einem der Datenträger (FUSE-Dateisystem) erreicht das "
                               "Zurücklesen beim Prüfen der Kopien den Datenträger nicht sicher; geprüft "
                               "wurde, was das Dateisystem zurückgibt.");
    if (!text.isEmpty())
        Message(text.trimmed());
}
