#include "ops/FreeSpaceHandlers.h"

#include "ops/FreeSpace.h"
#include "platform/Threads.h"
#include "tandrix/AppState.h"
#include "ui/Identifiers.h"
#include "ui/MainForm.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <system_error>
#include <thread>

namespace {

bool removableShown(const MainForm& form) {
    auto it = form.menuItems.find(Menu_RemovableFreeSpace);
    return it != form.menuItems.end() && it->second && it->second->isChecked();
}

// Hands a worker's text to the UI thread; the label is written there, and only while the worker
// is still the newest, so a late result of an overtaken worker never shows. The call goes to the
// application object, which outlives every window: the worker never touches a label, which the
// UI thread may delete at any moment, and the pointer is tested only on the UI thread.
void publishText(const QPointer<QLabel>& label, int token, const QString& text) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(
        app,
        [label, token, text] {
            if (label && freeSpaceToken.load() == token)
                label->setText(text);
        },
        Qt::QueuedConnection);
}

} // namespace

void RefreshFreeSpace(AppState& state, MainForm& form) {
    const SyncSet* set = state.sets.currentSet();
    const FreeSpaceJob job =
        NewFreeSpaceJob(set ? set->Src : QString(), set ? set->Mid : QString(), removableShown(form));
    if (form.textQuelleFree)
        form.textQuelleFree->clear();
    if (form.textZielFree)
        form.textZielFree->clear();

    const QPointer<QLabel> sideLabels[2] = {form.textQuelleFree, form.textZielFree};
    const FreeSpacePublish publish = [sideLabels, token = job.token](int side, const QString& text) {
        publishText(sideLabels[side == 0 ? 0 : 1], token, text);
    };
    // Detached: a worker stuck on a dead mount must never hold up the program's end.
    try {
        std::thread([job, publish,
                     query = state.freeSpaceQuery ? state.freeSpaceQuery : FreeSpaceQuery(FreeSpaceText)] {
            PrepareWorkerThread();
            RunFreeSpaceWorker(job, query, publish);
        }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the texts simply stay empty until the next refresh.
    }
}
