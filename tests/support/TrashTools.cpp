#include "support/TrashTools.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <sys/mount.h>

namespace {

QByteArray run(const QString& program, const QStringList& arguments, const QByteArray& input = {}) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return {};
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    return process.readAllStandardOutput();
}

} // namespace

bool HaveTrashCli() {
    return !QStandardPaths::findExecutable(QStringLiteral("trash-list")).isEmpty();
}

QByteArrayList TrashListed() {
    QByteArrayList paths;
    // Each line: "YYYY-MM-DD hh:mm:ss <original path>".
    for (const QByteArray& line : run(QStringLiteral("trash-list"), {}).split('\n'))
        if (line.size() > 20)
            paths.append(line.mid(20));
    return paths;
}

bool TrashRestore(const QString& path) {
    const QByteArray wanted = QFile::encodeName(path);
    // The listing numbers the candidates below the folder; the one that came from `path` is chosen.
    const QByteArray listed = run(QStringLiteral("trash-restore"), {path}, "\n");
    for (const QByteArray& line : listed.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        const int space = trimmed.indexOf(' ');
        if (space < 0 || trimmed.size() < space + 21 || trimmed.mid(space + 21) != wanted)
            continue;
        run(QStringLiteral("trash-restore"), {path}, trimmed.left(space) + "\n");
        return QFile::exists(path) || QFile(path).symLinkTarget().size() > 0;
    }
    return false;
}

OtherFileSystem::OtherFileSystem(const char* size) {
    const QByteArray options = QByteArray("size=") + size;
    mounted = dir.isValid() &&
              mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs", 0, options.constData()) == 0;
}

OtherFileSystem::~OtherFileSystem() {
    if (mounted)
        umount2(QFile::encodeName(dir.path()).constData(), MNT_DETACH);
}
