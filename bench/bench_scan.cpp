// Scan, comparison and list fill of two generated trees, against `find` over the same trees.
// Usage: bench_scan [files per side]   (default 100000, in folders of 100)

#include "platform/DirectoryListing.h"
#include "scan/Compare.h"
#include "scan/ResultListHandlers.h"
#include "scan/Scanner.h"
#include "tandrix/App.h"
#include "ui/ResultListModel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Side B holds the same names as side A; every tenth file is newer there and every hundredth
// exists only on one side, so the comparison has real work and a list of some thousand lines.
bool makeSide(const QString& root, int files, bool sideB) {
    const int perDir = 100;
    for (int d = 0; d * perDir < files; ++d) {
        const QByteArray dir = QFile::encodeName(root + QStringLiteral("/ordner%1").arg(d));
        if (::mkdir(dir.constData(), 0755) != 0)
            return false;
        for (int f = 0; f < perDir && d * perDir + f < files; ++f) {
            const int n = d * perDir + f;
            if (n % 100 == (sideB ? 1 : 2))
                continue;
            const QByteArray name = dir + "/datei_" + QByteArray::number(n) + ".txt";
            const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0)
                return false;
            ::close(fd);
            const timespec times[2] = {{0, UTIME_OMIT}, {1500000000 + (sideB && n % 10 == 0 ? 100 : 0), 0}};
            ::utimensat(AT_FDCWD, name.constData(), times, 0);
        }
    }
    return true;
}

double runFind(const QString& a, const QString& b) {
    QProcess find;
    find.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    find.start(QStringLiteral("find"), {a, b, QStringLiteral("-printf"), QStringLiteral("%s %T@ %p\\n")});
    find.waitForFinished(-1);
    return clock.nsecsElapsed() / 1e6;
}

struct Phases {
    double scan = 0;
    double match = 0;
    double fill = 0;
    double total() const { return scan + match + fill; }
};

Phases runScan(App& app) {
    Phases p;
    AppState& state = app.state;
    QElapsedTimer clock;
    clock.start();
    state.rows.rows.clear();
    state.rows.current = -1;
    state.scan.EntryCounter = 0;
    const ScanHooks hooks{};
    ScanWalk walk{state.scan, state.rows, hooks, LocalUtcOffsetNow()};
    ScanTree(walk, state.scan.SourceRoot, 0);
    ScanTree(walk, state.scan.TargetRoot, 1);
    p.scan = clock.nsecsElapsed() / 1e6;
    clock.restart();
    MatchRows(state.rows, state.settings, MatchOptionsOf(state.scan));
    p.match = clock.nsecsElapsed() / 1e6;
    clock.restart();
    FillResultList(state, app.form);
    QCoreApplication::processEvents();
    p.fill = clock.nsecsElapsed() / 1e6;
    return p;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const int files = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;

    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/tandrix-bench-XXXXXX"));
    const QString a = work.path() + QStringLiteral("/A");
    const QString b = work.path() + QStringLiteral("/B");
    const QString programDir = work.path() + QStringLiteral("/programm");
    if (!QDir().mkpath(a) || !QDir().mkpath(b) || !QDir().mkpath(programDir) || !makeSide(a, files, false) ||
        !makeSide(b, files, true)) {
        std::fprintf(stderr, "cannot build the trees in %s\n", qPrintable(work.path()));
        return 1;
    }

    QFile ini(programDir + QStringLiteral("/Tandrix.ini"));
    if (!ini.open(QIODevice::WriteOnly))
        return 1;
    ini.write("\xEF\xBB\xBF\r\n[Generell]\r\nIniVersion=81107\r\nSetCombo=Bench\r\n[Sets]\r\nBench=1\r\n[Set_"
              "Bench]\r\n"
              "Src=" +
              QFile::encodeName(a) + "/\r\nMid=" + QFile::encodeName(b) + "/\r\n");
    ini.close();
    App app(programDir);
    if (!app.open())
        return 1;
    app.state.scan.SourceRoot = a + u'/';
    app.state.scan.TargetRoot = b + u'/';

    // Warm the caches for both, then keep the best of three runs of each.
    runFind(a, b);
    runScan(app);
    double bestFind = 1e18;
    Phases best;
    best.scan = 1e18;
    for (int i = 0; i < 3; ++i) {
        bestFind = std::min(bestFind, runFind(a, b));
        const Phases p = runScan(app);
        if (p.total() < best.total() || best.scan == 1e18)
            best = p;
    }

    // The whole button, with its status texts and event pumping.
    QElapsedTimer clock;
    clock.start();
    app.form.buttonScan->click();
    const double button = clock.nsecsElapsed() / 1e6;

    clock.restart();
    app.form.buttonSelAll->click();
    const double selectAll = clock.nsecsElapsed() / 1e6;
    clock.restart();
    app.form.buttonSelCR->click();
    const double selectArrow = clock.nsecsElapsed() / 1e6;
    clock.restart();
    app.form.buttonSelNeg->click();
    const double invert = clock.nsecsElapsed() / 1e6;

    const int lines = app.form.listModel->lineCount();

    // The worst case of the selection commands: 200 000 lines whose directions alternate, so
    // ">" and "Umk." select 100 000 separate ranges.
    app.state.rows.rows.clear();
    for (int i = 0; i < 200000; ++i) {
        const bool toTarget = i % 2 == 0;
        app.state.rows.rows.push_back({QStringLiteral("ordner%1/datei_%2.txt").arg(i / 100).arg(i),
                                       toTarget ? 1 : 0, toTarget ? 1500000000 : 0, toTarget ? u'>' : u'<',
                                       toTarget ? 0 : 1, toTarget ? 0 : 1500000000,
                                       uint8_t(toTarget ? 0 : 1)});
    }
    clock.restart();
    FillResultList(app.state, app.form);
    QCoreApplication::processEvents();
    const double bigFill = clock.nsecsElapsed() / 1e6;
    double bigTimes[5];
    QPushButton* buttons[5] = {app.form.buttonSelAll, app.form.buttonSelCR, app.form.buttonSelNeg,
                               app.form.buttonSelDir, app.form.buttonSelNix};
    for (int i = 0; i < 5; ++i) {
        clock.restart();
        buttons[i]->click();
        bigTimes[i] = clock.nsecsElapsed() / 1e6;
    }

    std::printf("entries read: %d, rows listed: %d\n", app.state.scan.EntryCounter, lines);
    std::printf("find A B -printf:          %8.1f ms\n", bestFind);
    std::printf("scan both sides:           %8.1f ms\n", best.scan);
    std::printf("MatchRows:                 %8.1f ms\n", best.match);
    std::printf("FillResultList:            %8.1f ms\n", best.fill);
    std::printf("scan+match+fill:           %8.1f ms  (ratio to find: %.2f)\n", best.total(),
                best.total() / bestFind);
    std::printf("Scan button (with status): %8.1f ms  (ratio to find: %.2f)\n", button, button / bestFind);
    std::printf("Alles / > / Umk. on %d lines: %.1f / %.1f / %.1f ms\n", lines, selectAll, selectArrow,
                invert);
    std::printf(
        "200000 alternating lines: fill %.1f ms; Alles / > / Umk. / V. / Nix: %.1f / %.1f / %.1f / %.1f / "
        "%.1f ms\n",
        bigFill, bigTimes[0], bigTimes[1], bigTimes[2], bigTimes[3], bigTimes[4]);
    app.shutdown();
    return 0;
}
