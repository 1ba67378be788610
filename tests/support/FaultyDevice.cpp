#include "support/FaultyDevice.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <unistd.h>

namespace {

const QString Python = QStringLiteral("/usr/bin/python3");

bool installed(const QString& tool) {
    return !QStandardPaths::findExecutable(tool).isEmpty() ||
           !QStandardPaths::findExecutable(tool, {"/sbin", "/usr/sbin"}).isEmpty();
}

} // namespace

FaultyDevice::FaultyDevice(int megabytes) {
    if (::geteuid() != 0) {
        reason = QStringLiteral("needs root to attach and mount an image");
        return;
    }
    for (const QString& tool :
         {QStringLiteral("mkfs.ext4"), QStringLiteral("losetup"), QStringLiteral("fusermount")})
        if (!installed(tool)) {
            reason = tool + QStringLiteral(" is not installed");
            return;
        }
    if (!QFile::exists(QStringLiteral("/dev/fuse")) || !run(Python, {"-c", "import fuse"})) {
        reason = QStringLiteral("no /dev/fuse or no python3-fuse");
        return;
    }
    image = work.path() + QStringLiteral("/device.img");
    control = work.path() + QStringLiteral("/mode");
    fuseDir = work.path() + QStringLiteral("/fuse");
    mountPoint = work.path() + QStringLiteral("/mnt");
    QFile file(image);
    if (!QDir().mkpath(fuseDir) || !QDir().mkpath(mountPoint) || !file.open(QIODevice::WriteOnly) ||
        !file.resize(qint64(megabytes) << 20) || !setMode(QStringLiteral("good"))) {
        reason = QStringLiteral("cannot make the image");
        return;
    }
    file.close();
    const QString script = QStringLiteral(TANDRIX_SOURCE_DIR "/tests/support/faulty_device.py");
    if (!QProcess::startDetached(Python, {script, image, control, fuseDir})) {
        reason = QStringLiteral("cannot start the FUSE layer");
        return;
    }
    for (int i = 0; i < 100 && !QFile::exists(fuseDir + QStringLiteral("/disk")); ++i)
        QThread::msleep(50);
    fuseMounted = QFile::exists(fuseDir + QStringLiteral("/disk"));
    if (!fuseMounted) {
        reason = QStringLiteral("the FUSE layer did not come up");
        return;
    }
    QString device;
    if (!run(QStringLiteral("losetup"), {"-f", "--show", fuseDir + QStringLiteral("/disk")}, &device))
        return;
    loopDevice = device.trimmed();
    if (run(QStringLiteral("mkfs.ext4"), {"-q", "-F", "-b", "4096", loopDevice}))
        mounted = run(QStringLiteral("mount"), {"-t", "ext4", loopDevice, mountPoint});
}

FaultyDevice::~FaultyDevice() {
    detach();
    if (fuseMounted)
        run(QStringLiteral("fusermount"), {"-u", fuseDir});
}

bool FaultyDevice::setMode(const QString& mode) {
    QFile file(control);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(mode.toUtf8() + '\n') > 0;
}

void FaultyDevice::detach() {
    if (mounted && !run(QStringLiteral("umount"), {mountPoint}))
        run(QStringLiteral("umount"), {"-l", mountPoint});
    mounted = false;
    if (!loopDevice.isEmpty())
        run(QStringLiteral("losetup"), {"-d", loopDevice});
    loopDevice.clear();
}

bool FaultyDevice::replug() {
    detach();
    setMode(QStringLiteral("good"));
    QString device;
    if (!run(QStringLiteral("losetup"), {"-f", "--show", fuseDir + QStringLiteral("/disk")}, &device))
        return false;
    loopDevice = device.trimmed();
    mounted = run(QStringLiteral("mount"), {"-t", "ext4", loopDevice, mountPoint});
    return mounted;
}

bool FaultyDevice::run(const QString& program, const QStringList& arguments, QString* output) {
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
