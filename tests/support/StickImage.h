#pragma once

#include <QString>
#include <QTemporaryDir>

// A real file system in an image file, attached to a loop device and mounted in a temporary
// folder: exFAT through exfat-fuse (the medium the program's users carry), or ext4 with a folder
// that matches names without regard to letter case. Needs root and the tools; where something is
// missing, ok() is false and why() says what, so a test can skip. Unmounted at the end.
class StickImage {
public:
    enum class Kind { Exfat, Ext4Casefold };
    explicit StickImage(Kind kind = Kind::Exfat, int megabytes = 64);
    ~StickImage();
    StickImage(const StickImage&) = delete;
    StickImage& operator=(const StickImage&) = delete;

    bool ok() const { return mounted; }
    QString why() const { return reason; }
    // The folder to use on it, ending with "/": the root for exFAT, a casefold folder for ext4.
    QString path() const { return folder; }

    // The stick pulled (its mount folder stays, empty), plugged in again, or swapped for a freshly
    // formatted one at the same mount point (exFAT).
    bool unplug();
    bool plugIn();
    bool plugInFresh();

private:
    bool run(const QString& program, const QStringList& arguments, QString* output = nullptr);

    QTemporaryDir work;
    QString image;
    QString mountPoint;
    QString loopDevice;
    QString folder;
    QString reason;
    bool mounted = false;
};
