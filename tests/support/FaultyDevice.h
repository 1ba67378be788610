#pragma once

#include <QString>
#include <QTemporaryDir>

// ext4 on a loop device whose image lies behind the tests' own fault-injecting FUSE layer
// (faulty_device.py): the kernel's own file system, so what is read back with the cache dropped
// comes from the device, and a device that can fail on request. Needs root, python3-fuse and the
// tools; where something is missing, ok() is false and why() says what, so a test can skip.
class FaultyDevice {
public:
    explicit FaultyDevice(int megabytes = 48);
    ~FaultyDevice();
    FaultyDevice(const FaultyDevice&) = delete;
    FaultyDevice& operator=(const FaultyDevice&) = delete;

    bool ok() const { return mounted; }
    QString why() const { return reason; }
    QString path() const { return mountPoint + u'/'; } // the root of the file system, ending with "/"

    // What the device does from now on: "good", "fail", "fail-after <bytes>" or "bad-cells" (a
    // sector beginning with "BADCELL!" is kept with a byte changed).
    bool setMode(const QString& mode);
    // The stick pulled and plugged in again, now working: what the device really holds is mounted.
    bool replug();

private:
    bool attach();
    void detach();
    bool run(const QString& program, const QStringList& arguments, QString* output = nullptr);

    QTemporaryDir work;
    QString image;
    QString control;
    QString fuseDir;
    QString mountPoint;
    QString loopDevice;
    QString reason;
    bool fuseMounted = false;
    bool mounted = false;
};
