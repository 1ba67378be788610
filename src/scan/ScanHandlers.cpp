#include "scan/ScanHandlers.h"

#include "text/TrimSpaces.h"

#include "platform/DirectoryListing.h"
#include "scan/Compare.h"
#include "scan/ResultListHandlers.h"
#include "scan/Scanner.h"
#include "sets/SetList.h"
#include "tandrix/AppState.h"
#include "tandrix/DisableControls.h"
#include "ui/EventPump.h"
#include "ui/MainForm.h"
#include "ui/Message.h"
#include "ui/Status.h"

#include <QElapsedTimer>

namespace {

void readQuickFilter(ScanState& scan, MainForm& form) {
    scan.QuickFilter = TrimSpaces(form.stringSchnellFilter->text()).toLower();
    if (!scan.QuickFilter.isEmpty())
        form.stringSchnellFilter->setText(scan.QuickFilter);
}

// The status texts of the walk change faster than anyone can read them; writing each one to its
// label would cost more than the walk itself. One is shown at most every 20 ms.
struct StatusThrottle {
    QElapsedTimer shown;
    bool due() {
        if (shown.isValid() && shown.elapsed() < 20)
            return false;
        shown.start();
        return true;
    }
};

bool rootExists(const QString& root) {
    if (IsExistingDirectory(root))
        return true;
    Message(QStringLiteral("Fehler - Das Verzeichnis existiert nicht: ") + root);
    return false;
}

} // namespace

void StartScan(AppState& state, MainForm& form) {
    ScanState& scan = state.scan;
    readQuickFilter(scan, form);
    scan.EntryCounter = 0;
    QElapsedTimer clock;
    clock.start();

    if (state.sets.empty()) {
        Message(QStringLiteral("Bitte erst ein Set erstellen!"));
        return;
    }
    const int index = FindSet(state.sets, form.comboBoxSets->currentText());
    if (index < 0) {
        Message(QStringLiteral("Set nicht gefunden!"));
        return;
    }
    const SyncSet set = state.sets.sets[size_t(index)];

    scan.IgnoreDateFlag = set.Options.contains(QStringLiteral("IgnoreDate"));
    scan.OnlyToTargetFlag = set.Options.contains(QStringLiteral("ScannRichtung>"));
    scan.OnlyToSourceFlag = set.Options.contains(QStringLiteral("ScannRichtung<"));
    scan.FilterWords = FilterWordsOf(set.Filter);
    state.rows.rows.clear();
    state.rows.current = -1;

    scan.SourceRoot = set.Src;
    if (!rootExists(scan.SourceRoot))
        return;
    scan.TargetRoot = set.Mid;
    if (!rootExists(scan.TargetRoot))
        return;

    DisableControls(form, true);
    EventPump pump(form.checkBoxCancel);
    StatusThrottle activity;
    StatusThrottle count;
    const ScanHooks hooks{
        [&](const QString& text) {
            if (activity.due())
                Status(form, text, 0);
        },
        [&](int32_t entries) {
            if (count.due())
                Status(form, QString::number(entries), 2);
        },
        [&pump] { return pump.step(); },
    };
    // One offset for the whole scan, so both sides are converted alike.
    ScanWalk walk{scan, state.rows, hooks, LocalUtcOffsetNow()};
    ScanTree(walk, scan.SourceRoot, 0);
    ScanTree(walk, scan.TargetRoot, 1);
    MatchRows(state.rows, state.settings, MatchOptionsOf(scan));
    DisableControls(form, false);

    FillResultList(state, form);
    Status(form, QStringLiteral("%1 : %2ms").arg(scan.EntryCounter).arg(clock.elapsed()), 2);
}
