#include "ops/FreeSpace.h"

#include "platform/Volume.h"

std::atomic<int> freeSpaceToken{0};

namespace {
constexpr int64_t BytesPerMB = 1048576;
}

QString GroupThousands(const QString& digits) {
    QString rest = digits;
    QString result;
    while (rest.size() > 3) {
        result = QLatin1Char('\'') + rest.right(3) + result;
        rest.chop(3);
    }
    return rest + result;
}

QString FormatFreeSpace(int64_t availableBytes, int64_t totalBytes) {
    return GroupThousands(QString::number(availableBytes / BytesPerMB)) + QStringLiteral(" frei von ") +
           GroupThousands(QString::number(totalBytes / BytesPerMB)) + QStringLiteral(" MB");
}

QString FreeSpaceText(const QString& directory, bool includeRemovable) {
    if (!includeRemovable && IsRemovableVolume(directory))
        return QString();
    const std::optional<VolumeSpace> space = QueryVolumeSpace(directory);
    if (!space)
        return QString();
    return FormatFreeSpace(space->available, space->total);
}

FreeSpaceJob NewFreeSpaceJob(const QString& src, const QString& mid, bool includeRemovable) {
    // A counter rather than a random number: two workers can never hold the same token.
    FreeSpaceJob job;
    job.token = freeSpaceToken.fetch_add(1) + 1;
    job.src = src;
    job.mid = mid;
    job.includeRemovable = includeRemovable;
    return job;
}

void RunFreeSpaceWorker(const FreeSpaceJob& job, const FreeSpaceQuery& query,
                        const FreeSpacePublish& publish) {
    const QString srcText = query(job.src, job.includeRemovable);
    if (freeSpaceToken.load() != job.token)
        return;
    publish(0, srcText);
    const QString midText = query(job.mid, job.includeRemovable);
    if (freeSpaceToken.load() != job.token)
        return;
    publish(1, midText);
}
