#include "ops/CopyWithProgress.h"

#include "platform/FileOps.h"

namespace {
constexpr int64_t BytesPerMB = 1048576;
}

QString CopyProgress(int64_t totalSize, int64_t transferred) {
    const int64_t totalMB = totalSize / BytesPerMB;
    if (totalMB == 0)
        return QString();
    return QString::number(transferred / BytesPerMB) + QStringLiteral(" / ") + QString::number(totalMB) +
           QStringLiteral(" MB");
}

std::optional<PreparedCopy> PrepareCopyWithProgress(const QString& source, const QString& destination,
                                                    const CopyHooks& hooks, int* error,
                                                    const CopyCheck& check) {
    std::optional<PreparedCopy> copied = PrepareCopy(
        source, destination,
        [&hooks](int64_t total, int64_t done) {
            if (hooks.showProgress)
                hooks.showProgress(CopyProgress(total, done));
            return !(hooks.cancelRequested && hooks.cancelRequested());
        },
        error, check);
    if (hooks.showProgress)
        hooks.showProgress(QString());
    return copied;
}
