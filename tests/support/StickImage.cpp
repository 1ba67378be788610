#include "support/StickImage.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <unistd.h>

StickImage::StickImage(Kind kind, int megabytes) {
    if (::geteuid() != 0) {
        reason = QStringLiteral("needs root to attach and mount an image");
        return;
    }
    const bool exfat = kind == Kind::Exfat;
    const QString make = exfat ? QStringLiteral("mkfs.exfat") : QStringLiteral("mkfs.ext4");
    for (const QString& tool : {make, QStringLiteral("losetup"),
                                exfat ? QStringLiteral("mount.exfat-fuse") : QStringLiteral("chattr")}) {
        if (QStandardPaths::findExecutable(tool).isEmpty() &&
            QStandardPaths::findExecutable(tool, {"/sbin", "/usr/sbin"}).isEmpty()) {
            reason = tool + QStringLiteral(" is not installed");
            return;
        }
    }
    if (exfat && !QFile::exists(QStringLiteral("/dev/fuse"))) {
        reason = QStringLiteral("no /dev/fuse");
        return;
    }
    image = work.path() + QStringLiteral("/stick.img");
    mountPoint = work.path() + QStringLiteral("/mnt");
    QFile file(image);
    if (!QDir().mkpath(mountPoint) || !file.open(QIODevice::WriteOnly) ||
        !file.resize(qint64(megabytes) << 20)) {
        reason = QStringLiteral("cannot make the image");
        return;
    }
    file.close();
    const QStringList makeArguments = exfat ? QStringList{image} : QStringList{"-q", "-O", "casefold", image};
    if (!run(make, makeArguments))
        return;
    QString device;
    if (!run(QStringLiteral("losetup"), {"-f", "--show", image}, &device))
        return;
    loopDevice = device.trimmed();
    const bool done = exfat ? run(QStringLiteral("mount.exfat-fuse"), {loopDevice, mountPoint})
                            : run(QStringLiteral("mount"), {"-t", "ext4", loopDevice, mountPoint});
    if (!done)
        return;
    mounted = true;
    folder = mountPoint + u'/';
    if (!exfat) {
        folder = mountPoint + QStringLiteral("/folded/");
        if (!QDir().mkpath(folder) || !run(QStringLiteral("chattr"), {"+F", folder}))
            mounted = false;
    }
}

StickImage::~StickImage() {
    if (!mountPoint.isEmpty())
        run(QStringLiteral("umount"), {mountPoint});
    if (!loopDevice.isEmpty())
        run(QStringLiteral("losetup"), {"-d", loopDevice});
}

bool StickImage::unplug() {
    return run(QStringLiteral("umount"), {mountPoint});
}

bool StickImage::plugIn() {
    return run(QStringLiteral("mount.exfat-fuse"), {loopDevice, mountPoint});
}

bool StickImage::plugInFresh() {
    // Pulled first where it is still plugged in.
    run(QStringLiteral("mountpoint"), {"-q", mountPoint}) && unplug();
    return run(QStringLiteral("mkfs.exfat"), {loopDevice}) && plugIn();
}

bool StickImage::run(const QString& program, const QStringList& arguments, QString* output) {
    QProcess process;
    process.start(program, arguments);
    const bool ok = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
                    process.exitCode() == 0;
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    if (!ok && reason.isEmpty())
        reason = program + u' ' + arguments.join(u' ') + QStringLiteral(": ") +
                 QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    return ok;
}
