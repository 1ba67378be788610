#include "ops/CopyWithProgress.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

// Copies a generated tree (a few large files and many small ones) through the program's copy,
// then times "cp -a" and "rsync -a" on the same data in the same run and prints the ratios.
namespace {

bool makeData(const QString& root, int smallFiles, int largeFiles, qint64 largeBytes) {
    QByteArray small(4096, 'x');
    QByteArray block(1 << 20, 'y');
    for (int i = 0; i < smallFiles; ++i) {
        const QString dir = root + QStringLiteral("/small/d%1").arg(i / 100);
        QDir().mkpath(dir);
        QFile f(dir + QStringLiteral("/f%1.txt").arg(i));
        if (!f.open(QIODevice::WriteOnly) || f.write(small) != small.size())
            return false;
    }
    QDir().mkpath(root + QStringLiteral("/large"));
    for (int i = 0; i < largeFiles; ++i) {
        QFile f(root + QStringLiteral("/large/big%1.bin").arg(i));
        if (!f.open(QIODevice::WriteOnly))
            return false;
        for (qint64 done = 0; done < largeBytes; done += block.size())
            f.write(block);
    }
    return true;
}

double programCopy(const QString& from, const QString& to) {
    QElapsedTimer clock;
    clock.start();
    QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    QStringList files;
    while (it.hasNext()) {
        const QString path = it.next();
        const QString rel = path.mid(from.size());
        if (it.fileInfo().isDir())
            QDir().mkpath(to + rel);
        else
            files << rel;
    }
    for (const QString& rel : files) {
        if (!CopyWithProgress(from + rel, to + rel, {}))
            std::fprintf(stderr, "copy failed: %s\n", qPrintable(rel));
    }
    return clock.elapsed() / 1000.0;
}

double command(const QString& program, const QStringList& args) {
    QElapsedTimer clock;
    clock.start();
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(-1) || p.exitCode() != 0)
        return -1;
    return clock.elapsed() / 1000.0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int smallFiles = argc > 1 ? atoi(argv[1]) : 5000;
    const int largeFiles = argc > 2 ? atoi(argv[2]) : 4;
    const qint64 largeMB = argc > 3 ? atoll(argv[3]) : 64;
    QTemporaryDir work;
    const QString data = work.path() + QStringLiteral("/data");
    if (!makeData(data, smallFiles, largeFiles, largeMB << 20)) {
        std::fprintf(stderr, "cannot make the test data\n");
        return 1;
    }
    const double own = programCopy(data, work.path() + QStringLiteral("/own"));
    const double cp =
        command(QStringLiteral("cp"), {QStringLiteral("-a"), data, work.path() + QStringLiteral("/cp")});
    const double rsync = command(QStringLiteral("rsync"), {QStringLiteral("-a"), data + QLatin1Char('/'),
                                                           work.path() + QStringLiteral("/rsync/")});
    std::printf("%d small files of 4 KiB, %d files of %lld MiB\n", smallFiles, largeFiles, largeMB);
    std::printf("Tandrix copy: %.3f s\n", own);
    std::printf("cp -a:        %.3f s  (Tandrix / cp = %.2f)\n", cp, cp > 0 ? own / cp : 0.0);
    if (rsync > 0)
        std::printf("rsync -a:     %.3f s  (Tandrix / rsync = %.2f)\n", rsync, own / rsync);
    else
        std::printf("rsync -a:     not available\n");
    return 0;
}
