#pragma once

#include <QString>
#include <atomic>
#include <functional>

// Token of the newest free-space worker; an older worker seeing another value throws its
// result away. The program's only shared variable between threads.
extern std::atomic<int> freeSpaceToken;

// "1234567" -> "1'234'567".
QString GroupThousands(const QString& digits);

// "<available MB> frei von <total MB> MB", both grouped in threes.
QString FormatFreeSpace(int64_t availableBytes, int64_t totalBytes);

// The text for one directory, or empty when the volume cannot be asked or is removable while
// removable drives are not to be shown.
QString FreeSpaceText(const QString& directory, bool includeRemovable);

// What one worker gets when it starts: copies, so it never reads the program's state.
struct FreeSpaceJob {
    int token = 0;
    QString src;
    QString mid;
    bool includeRemovable = false;
};

// Field 0 is the side-1 text, 1 the side-2 text.
using FreeSpacePublish = std::function<void(int side, const QString& text)>;
using FreeSpaceQuery = std::function<QString(const QString& directory, bool includeRemovable)>;

// Starts a worker: takes the next token and returns the job that carries it.
FreeSpaceJob NewFreeSpaceJob(const QString& src, const QString& mid, bool includeRemovable);

// The worker's body: queries side 1, then side 2, and publishes each text only while the job
// is still the newest.
void RunFreeSpaceWorker(const FreeSpaceJob& job, const FreeSpaceQuery& query,
                        const FreeSpacePublish& publish);
