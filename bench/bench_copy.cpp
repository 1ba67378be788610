// Synchronisation through the program's "Sync" button against cp -a and rsync -a of the same data,
// in the same run, warm cache, best of three: one large file alone, then a tree of small files.
// The program's Sync ends only when the copies are on the device, so it is also set against cp -a
// followed by sync of the destination's file system, which shows what that flushing costs.
// The program's Sync runs also with "Kopien prüfen" (each copy read back from the device with its
// cached pages dropped, before it is put in place), to show what the check costs.
// Last, a folder holding the large file is renamed on side 1 after a sync, and the program's Sync
// with "Auch dort löschen" (one rename on side 2) is set against cp -a of that folder and sync.
// Usage: bench_copy [work folder] [small files] [MiB of the large file]
//        (defaults: a temporary folder, 10000 files of 1 to 64 KiB in 100 folders, 1024 MiB)

#include "BenchSupport.h"
#include "tandrix/App.h"
#include "ui/ResultListModel.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Rounds = 3;
constexpr int64_t MiB = 1 << 20;

// Cheap pseudo-random bytes: the data must not shrink under a compressing file system.
struct Noise {
    uint64_t state;
    void fill(char* data, size_t length) {
        for (size_t i = 0; i + 8 <= length; i += 8) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            std::memcpy(data + i, &state, 8);
        }
    }
};

bool writeFile(const QString& path, const char* data, int64_t length) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data, length) == length;
}

bool makeLarge(const QString& folder, int64_t bytes) {
    if (!QDir().mkpath(folder))
        return false;
    QFile f(folder + QStringLiteral("/gross.bin"));
    if (!f.open(QIODevice::WriteOnly))
        return false;
    std::vector<char> block(MiB);
    Noise noise{0x9E3779B97F4A7C15ull};
    for (int64_t done = 0; done < bytes; done += MiB) {
        noise.fill(block.data(), block.size());
        const int64_t n = std::min<int64_t>(MiB, bytes - done);
        if (f.write(block.data(), n) != n)
            return false;
    }
    return true;
}

// Sizes from 1 KiB to 64 KiB, evenly spread by a fixed sequence, 100 files per folder.
bool makeSmall(const QString& folder, int files) {
    std::vector<char> block(MiB);
    Noise{0x2545F4914F6CDD1Dull}.fill(block.data(), block.size());
    uint64_t pick = 12345;
    for (int i = 0; i < files; ++i) {
        const QString dir = folder + QStringLiteral("/ordner%1").arg(i / 100, 3, 10, QLatin1Char('0'));
        if (i % 100 == 0 && !QDir().mkpath(dir))
            return false;
        pick = pick * 6364136223846793005ull + 1442695040888963407ull;
        const int64_t size = 1024 + int64_t((pick >> 33) % (63 * 1024 + 1));
        const int64_t offset = int64_t((pick >> 13) % uint64_t(MiB - size));
        if (!writeFile(dir + QStringLiteral("/datei%1.dat").arg(i), block.data() + offset, size))
            return false;
    }
    return true;
}

struct TreeSize {
    int files = 0;
    int64_t bytes = 0;
    bool operator==(const TreeSize&) const = default;
};

TreeSize measureTree(const QString& root) {
    TreeSize size;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++size.files;
        size.bytes += it.fileInfo().size();
    }
    return size;
}

// Reads every file once, so all three tools start from the page cache.
void warm(const QString& root) {
    std::vector<char> buffer(MiB);
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly))
            while (f.read(buffer.data(), qint64(buffer.size())) > 0) {
            }
    }
}

// Without a journal, ext4 passes over inodes freed in the last minute when it places a new one.
// A new folder goes beside its parent, or, below a folder marked as the top of a tree, into a
// group picked by the folder's name. Marked so, and with a new name for every copy, each copy
// starts in a group of its own instead of paying for the 10 000 files the runs before it deleted,
// the more the later it comes. Where the flag is unknown nothing changes.
void spreadNewFolders(const QString& parent) {
    const int fd = ::open(QFile::encodeName(parent).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        flags |= FS_TOPDIR_FL;
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    ::close(fd);
}

// A reference command in seconds, or -1 when it failed.
double runCommand(const QString& program, const QStringList& args) {
    const double ms = CommandMs(program, args);
    return ms < 0 ? -1 : ms / 1e3;
}

// The program on one set naming `from` and `to`: start-up, scan, "Alles", "Sync", the question
// answered with "Ja", closing. Only the synchronisation is timed, from the answer until the
// button's handler returns. Seconds, or -1 when the scan did not list `expectedLines` lines or
// the sync left some.
double programSync(const QString& programDir, const QString& from, const QString& to, int expectedLines,
                   bool verify = false) {
    if (!WriteBenchSettings(programDir, from, to, verify ? "KopienPruefen" : "KopienUngeprueft"))
        return -1;
    if (!QDir().mkpath(to))
        return -1;
    App app(programDir);
    if (!app.open())
        return -1;
    app.form.buttonScan->click();
    if (app.form.listModel->lineCount() != expectedLines) {
        app.shutdown();
        return -1;
    }
    app.form.buttonSelAll->click();

    QElapsedTimer clock;
    clock.start();
    double answeredAt = -1;
    const ModalScript script({NotingTime(Yes(), clock, answeredAt)});
    app.form.buttonSelSync->click();
    const double seconds =
        answeredAt >= 0 && script.seen.size() == 1 ? (clock.nsecsElapsed() / 1e6 - answeredAt) / 1e3 : -1;
    const bool allDone = app.form.listModel->lineCount() == 0;
    app.shutdown();
    return allDone ? seconds : -1;
}

// The program on a set from `from` (holding the folder "Fotos") to an empty `to`: a first sync
// copies it, a scan settles the memory of the sync, then "Fotos" is renamed "Fotos 2024" on side 1
// and the timed sync, answered "Ja" and "Auch dort löschen", renames it on side 2. Seconds from
// the last answer until the button's handler returns, or -1 when anything was not as expected.
double programRename(const QString& programDir, const QString& from, const QString& to) {
    QDir(to).removeRecursively();
    for (const QString& kept : QDir(programDir).entryList({QStringLiteral("Tandrix-Stand-*")}, QDir::Files))
        QFile::remove(programDir + u'/' + kept);
    if (!WriteBenchSettings(programDir, from, to) || !QDir().mkpath(to))
        return -1;
    App app(programDir);
    if (!app.open())
        return -1;
    auto syncAll = [&app](std::vector<ModalScript::Answer> answers) {
        app.form.buttonScan->click();
        app.form.buttonSelAll->click();
        const ModalScript script(std::move(answers));
        app.form.buttonSelSync->click();
        return int(script.seen.size());
    };
    double seconds = -1;
    if (syncAll({Yes()}) == 1) {
        app.form.buttonScan->click();
        if (app.form.listModel->lineCount() == 0 &&
            QDir(from).rename(QStringLiteral("Fotos"), QStringLiteral("Fotos 2024"))) {
            QElapsedTimer clock;
            clock.start();
            double answeredAt = -1;
            const ModalScript::Answer deleteThere = [](QWidget* box) {
                PressButton(box, QStringLiteral("Auch dort löschen"));
            };
            if (syncAll({Yes(), NotingTime(deleteThere, clock, answeredAt)}) == 2 && answeredAt >= 0)
                seconds = (clock.nsecsElapsed() / 1e6 - answeredAt) / 1e3;
        }
    }
    const bool renamed = app.form.listModel->lineCount() == 0 &&
                         !QFileInfo::exists(to + QStringLiteral("/Fotos")) &&
                         QFileInfo::exists(to + QStringLiteral("/Fotos 2024/gross.bin"));
    app.shutdown();
    QDir(from).rename(QStringLiteral("Fotos 2024"), QStringLiteral("Fotos"));
    return renamed ? seconds : -1;
}

struct Times {
    std::vector<double> runs;
    bool failed = false;
    void add(double t) {
        if (t < 0)
            failed = true;
        runs.push_back(t);
    }
    double best() const { return failed ? -1 : *std::min_element(runs.begin(), runs.end()); }
    double worst() const { return failed ? -1 : *std::max_element(runs.begin(), runs.end()); }
};

struct Tools {
    Times program, cp, cpSync, rsync, verified;
};

constexpr int ToolCount = 5;

// cp -a, then the destination's file system written back (syncfs), timed together.
double copyAndSync(const QString& from, const QString& to) {
    const double copy = runCommand(QStringLiteral("cp"), {QStringLiteral("-a"), from, to});
    const double flush = runCommand(QStringLiteral("sync"), {QStringLiteral("-f"), to});
    return copy < 0 || flush < 0 ? -1 : copy + flush;
}

// Each round runs the tools one after the other, each round starting with the next tool,
// so a disturbance of the machine hits all of them alike; every copy is checked against the
// source and deleted afterwards. A first round is not counted: the first writes into memory the
// system has not handed out yet are much slower, whichever tool makes them.
Tools measure(const QString& programDir, const QString& data, const QString& out, int expectedLines) {
    const TreeSize expected = measureTree(data);
    // A new name for every copy, also against the copies of a run just before: see spreadNewFolders.
    const QString tag = QString::number(QRandomGenerator::global()->generate(), 36);
    int runNumber = 0;
    auto destination = [&](const char* tool) {
        return out + QStringLiteral("/%1-%2-%3").arg(QLatin1String(tool)).arg(++runNumber).arg(tag);
    };
    auto checked = [&expected](double t, const QString& copy) {
        const bool same = measureTree(copy) == expected;
        QDir(copy).removeRecursively();
        return same ? t : -1;
    };
    // Each tool starts with everything written back, so what the one before left behind does not
    // slow it down.
    Tools counted;
    for (int round = 0; round <= Rounds; ++round) {
        Tools discarded;
        Tools& tools = round == 0 ? discarded : counted;
        for (int turn = 0; turn < ToolCount; ++turn) {
            switch ((round + turn) % ToolCount) {
            case 0: {
                const QString to = destination("tandrix");
                ::sync();
                tools.program.add(checked(programSync(programDir, data, to, expectedLines), to));
                break;
            }
            case 1: {
                const QString to = destination("cp");
                ::sync();
                tools.cp.add(checked(runCommand(QStringLiteral("cp"), {QStringLiteral("-a"), data, to}), to));
                break;
            }
            case 2: {
                const QString to = destination("cpsync");
                ::sync();
                tools.cpSync.add(checked(copyAndSync(data, to), to));
                break;
            }
            case 4: {
                const QString to = destination("tandrix-check");
                ::sync();
                tools.verified.add(checked(programSync(programDir, data, to, expectedLines, true), to));
                break;
            }
            default: {
                const QString to = destination("rsync");
                ::sync();
                tools.rsync.add(checked(
                    runCommand(QStringLiteral("rsync"), {QStringLiteral("-a"), data + u'/', to + u'/'}), to));
            }
            }
        }
    }
    return counted;
}

void printLine(const char* name, const Times& t, const TreeSize& size) {
    if (t.failed) {
        std::printf("  %-14s failed\n", name);
        return;
    }
    std::printf("  %-14s %8.3f s  (worst %.3f)  %8.1f MiB/s  %9.0f files/s\n", name, t.best(), t.worst(),
                double(size.bytes) / MiB / t.best(), size.files / t.best());
}

void printSet(const char* title, const Tools& tools, const TreeSize& size) {
    std::printf("%s: %d files, %.1f MiB\n", title, size.files, double(size.bytes) / MiB);
    printLine("Tandrix Sync", tools.program, size);
    printLine("+ Kopien prüfen", tools.verified, size);
    printLine("cp -a", tools.cp, size);
    printLine("cp -a + sync", tools.cpSync, size);
    printLine("rsync -a", tools.rsync, size);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const QString parent = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    const int smallFiles = argc > 2 ? std::max(1, atoi(argv[2])) : 10000;
    const int64_t largeMiB = argc > 3 ? std::max(1LL, atoll(argv[3])) : 1024;

    QTemporaryDir work(parent + QStringLiteral("/tandrix-bench-copy-XXXXXX"));
    const QString large = work.path() + QStringLiteral("/quelle-gross");
    const QString small = work.path() + QStringLiteral("/quelle-klein");
    const QString out = work.path() + QStringLiteral("/ziel");
    const QString programDirs[2] = {work.path() + QStringLiteral("/programm-gross"),
                                    work.path() + QStringLiteral("/programm-klein")};
    if (!work.isValid() || !QDir().mkpath(out) || !QDir().mkpath(programDirs[0]) ||
        !QDir().mkpath(programDirs[1]) || !makeLarge(large, largeMiB * MiB) ||
        !makeSmall(small, smallFiles)) {
        std::fprintf(stderr, "cannot make the test data in %s\n", qPrintable(work.path()));
        return 1;
    }
    spreadNewFolders(out);
    const TreeSize largeSize = measureTree(large);
    const TreeSize smallSize = measureTree(small);
    const int smallFolders = (smallFiles + 99) / 100;

    warm(large);
    warm(small);
    const Tools largeTimes = measure(programDirs[0], large, out, 1);
    const Tools smallTimes = measure(programDirs[1], small, out, smallFiles + smallFolders);

    // The renamed folder: side 1 holds "Fotos" with the large file in it.
    const QString renameFrom = work.path() + QStringLiteral("/quelle-umbenannt");
    const QString renameProgram = work.path() + QStringLiteral("/programm-umbenannt");
    Times renameProgramTimes;
    Times renameCpSync;
    if (QDir().mkpath(renameFrom) && QDir().mkpath(renameProgram) &&
        QDir().rename(large, renameFrom + QStringLiteral("/Fotos"))) {
        for (int round = 0; round < Rounds; ++round) {
            ::sync();
            renameProgramTimes.add(
                programRename(renameProgram, renameFrom, out + QStringLiteral("/umbenannt")));
            const QString to = out + QStringLiteral("/cp-umbenannt");
            ::sync();
            renameCpSync.add(copyAndSync(renameFrom + QStringLiteral("/Fotos"), to));
            QDir(to).removeRecursively();
        }
        QDir(out + QStringLiteral("/umbenannt")).removeRecursively();
    } else {
        renameProgramTimes.add(-1);
    }

    std::printf("best of %d after one uncounted round, warm cache, data in %s\n", Rounds,
                qPrintable(work.path()));
    printSet("large file", largeTimes, largeSize);
    printSet("small files", smallTimes, smallSize);
    if (largeTimes.program.failed || largeTimes.cp.failed || largeTimes.cpSync.failed ||
        smallTimes.program.failed || smallTimes.cp.failed || smallTimes.cpSync.failed ||
        smallTimes.rsync.failed || largeTimes.verified.failed || smallTimes.verified.failed) {
        std::printf("a copy failed or differed from its source; no ratios\n");
        return 1;
    }
    const double largeRatio = largeTimes.cp.best() / largeTimes.program.best();
    const double smallRatio = smallTimes.program.best() / smallTimes.rsync.best();
    std::printf("large file:  Tandrix throughput / cp -a throughput = %.2f  (target >= 0.90) %s\n",
                largeRatio, largeRatio >= 0.9 ? "ok" : "MISSED");
    std::printf("small files: Tandrix time / rsync -a time          = %.2f  (target <= 1.00) %s\n",
                smallRatio, smallRatio <= 1.0 ? "ok" : "MISSED");
    std::printf("             Tandrix time / cp -a time             = %.2f\n",
                smallTimes.program.best() / smallTimes.cp.best());
    std::printf("with the flush: Tandrix time / (cp -a + sync) time = %.2f large file, %.2f small files\n",
                largeTimes.program.best() / largeTimes.cpSync.best(),
                smallTimes.program.best() / smallTimes.cpSync.best());
    const double checkLarge = largeTimes.verified.best() / largeTimes.program.best();
    const double checkSmall = smallTimes.verified.best() / smallTimes.program.best();
    std::printf(
        "Kopien prüfen: time with / time without = %.2f large file, %.2f small files  (aim <= 1.50) %s\n",
        checkLarge, checkSmall, checkLarge <= 1.5 && checkSmall <= 1.5 ? "ok" : "MISSED");
    std::printf("renamed folder of %.1f MiB, best of %d:\n", double(largeSize.bytes) / MiB, Rounds);
    if (renameProgramTimes.failed || renameCpSync.failed) {
        std::printf("  the rename or its reference failed\n");
        return 1;
    }
    std::printf("  Tandrix Sync, \"Auch dort löschen\"  %8.3f s\n", renameProgramTimes.best());
    std::printf("  cp -a + sync of the folder         %8.3f s\n", renameCpSync.best());
    const double renameRatio = renameProgramTimes.best() / renameCpSync.best();
    std::printf("  Tandrix time / (cp -a + sync) time = %.4f  (aim < 0.01) %s\n", renameRatio,
                renameRatio < 0.01 ? "ok" : "MISSED");
    return 0;
}
