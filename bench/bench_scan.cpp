// Scan, comparison and list fill of two generated trees, against `find` over the same trees, and
// the selection commands on a long list.
// Usage: bench_scan [files per side] [folders per side]   (default 100000 files in 2000 folders)
//        bench_scan --make A B [files per side] [folders per side]
//            builds the two trees in the existing empty folders A and B, for bench/run_scan_devices.sh
//        bench_scan --roots A B [--cold] [rounds]   (default 5 rounds)
//            the Scan button on two given trees against `find A B` and two `find`s at once (one per
//            tree), in turns; --cold drops the page cache before every measurement (needs root)

#include "BenchSupport.h"
#include "commonstate/CommonState.h"
#include "commonstate/CommonStateFile.h"
#include "commonstate/KeepCommonState.h"
#include "platform/DirectoryListing.h"
#include "scan/Compare.h"
#include "scan/ResultListHandlers.h"
#include "scan/WalkBothSides.h"
#include "tandrix/App.h"
#include "ui/ResultListModel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <malloc.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The two sides hold the same files but for one in a hundred: of those, a third is newer on
// side B, a third exists only on side A and a third only on side B.
enum class Kind { Same, NewerOnB, OnlyA, OnlyB };

Kind kindOf(int n) {
    if (n % 100 != 37)
        return Kind::Same;
    switch ((n / 100) % 3) {
    case 0:
        return Kind::NewerOnB;
    case 1:
        return Kind::OnlyA;
    default:
        return Kind::OnlyB;
    }
}

// `stem` starts every file name; a side made with another stem shares no file with the others.
bool makeSide(const QString& root, int files, int folders, bool sideB, const QByteArray& stem = "Datei_") {
    const int perDir = (files + folders - 1) / folders;
    for (int d = 0; d < folders; ++d) {
        const QByteArray dir =
            QFile::encodeName(root + QStringLiteral("/Ordner_%1").arg(d, 4, 10, QChar(u'0')));
        if (::mkdir(dir.constData(), 0755) != 0)
            return false;
        for (int f = 0; f < perDir && d * perDir + f < files; ++f) {
            const int n = d * perDir + f;
            const Kind kind = kindOf(n);
            if ((kind == Kind::OnlyA && sideB) || (kind == Kind::OnlyB && !sideB))
                continue;
            const QByteArray name = dir + '/' + stem + QByteArray::number(n) + ".dat";
            const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0)
                return false;
            ::close(fd);
            const long date = 1500000000 + (sideB && kind == Kind::NewerOnB ? 100 : 0);
            const timespec times[2] = {{0, UTIME_OMIT}, {date, 0}};
            ::utimensat(AT_FDCWD, name.constData(), times, 0);
        }
    }
    return true;
}

QStringList findArgs(const QStringList& roots) {
    return roots + QStringList{QStringLiteral("-printf"), QStringLiteral("%s %T@ %p\\n")};
}

double runFind(const QString& a, const QString& b) {
    return CommandMs(QStringLiteral("find"), findArgs({a, b}));
}

// One `find` per tree, started together: what two devices read in parallel can give at best.
// Milliseconds until both are done, or -1 when one failed.
double runTwoFinds(const QString& a, const QString& b) {
    QProcess finds[2];
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 2; ++i) {
        finds[i].setStandardOutputFile(QProcess::nullDevice());
        finds[i].start(QStringLiteral("find"), findArgs({i == 0 ? a : b}));
    }
    bool ok = true;
    for (QProcess& find : finds)
        ok = find.waitForFinished(-1) && find.exitStatus() == QProcess::NormalExit && find.exitCode() == 0 &&
             ok;
    return ok ? clock.nsecsElapsed() / 1e6 : -1;
}

// Writes back what is dirty and drops the page cache, dentries and inodes, so the next
// measurement reads from the devices. False without the right to do so.
bool dropCaches() {
    ::sync();
    FILE* f = std::fopen("/proc/sys/vm/drop_caches", "w");
    if (!f)
        return false;
    const bool written = std::fputs("3", f) >= 0;
    return std::fclose(f) == 0 && written;
}

// Resident and peak resident memory of this process in KiB.
long statusField(const char* field) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return 0;
    char line[256];
    long value = 0;
    const size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field, n) == 0)
            value = std::atol(line + n);
    std::fclose(f);
    return value;
}

void resetPeak() {
    if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

struct Phases {
    double scan = 0;
    double match = 0;
    double fill = 0;
    double matchReporting = 0; // MatchRows reporting what the scan found, for the common state
    double stateNew = 0;       // the common state made and written, no state file before
    double stateKept = 0;      // the common state read and compared, unchanged
    int entries = 0;
};

// The scan's parts one by one, without the status texts, to show where the time goes.
Phases runPhases(App& app) {
    Phases p;
    AppState& state = app.state;
    QElapsedTimer clock;
    clock.start();
    state.rows.rows.clear();
    state.rows.current = -1;
    const int64_t offset = LocalUtcOffsetNow();
    std::atomic<bool> cancel{false};
    const std::array<SideTree, 2> trees = WalkBothSides({WalkRequest{state.scan.SourceRoot, {}, {}, offset},
                                                         WalkRequest{state.scan.TargetRoot, {}, {}, offset}},
                                                        cancel, {});
    p.entries = int(trees[0].entries.size() + trees[1].entries.size() - 2);
    p.scan = clock.nsecsElapsed() / 1e6;
    clock.restart();
    state.rows = MatchRows(trees[0], trees[1], state.settings, MatchOptionsOf(state.scan));
    p.match = clock.nsecsElapsed() / 1e6;
    ScanReport report;
    MatchOptions reporting = MatchOptionsOf(state.scan);
    reporting.report = &report;
    clock.restart();
    state.rows = MatchRows(trees[0], trees[1], state.settings, reporting);
    p.matchReporting = clock.nsecsElapsed() / 1e6;
    const QString folder = state.commonStateFolder;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("Tandrix-Stand-*")}, QDir::Files))
        QFile::remove(folder + u'/' + name);
    ScanMemory memory{
        folder,
        StateKeyOf(state.hostName, state.scan.SourceRoot, state.scan.TargetRoot, state.machineId),
        {}};
    double* times[2] = {&p.stateNew, &p.stateKept};
    for (double* time : times) {
        clock.restart();
        memory.identity[0] = FileSystemIdentityOf(state.scan.SourceRoot);
        memory.identity[1] = FileSystemIdentityOf(state.scan.TargetRoot);
        KeepStateOfScan(memory, KeptState(memory), true, state.rows.rows, trees[0], trees[1], report,
                        state.settings, true, 1700000000, 0, false);
        *time = clock.nsecsElapsed() / 1e6;
    }
    clock.restart();
    FillResultList(state, app.form);
    QCoreApplication::processEvents();
    p.fill = clock.nsecsElapsed() / 1e6;
    return p;
}

double clickMs(QPushButton* button) {
    QElapsedTimer clock;
    clock.start();
    button->click();
    QCoreApplication::processEvents();
    return clock.nsecsElapsed() / 1e6;
}

double ratio(double a, double b) {
    return b > 0 ? a / b : 0;
}

// The common state of a real tree in step with itself (names, sizes and dates as they are there),
// made as a scan makes it. Returns the size of its file and sets `count` to the files it holds.
qint64 realStateBytes(const QString& root, size_t& count) {
    std::atomic<bool> cancel{false};
    const std::array<SideTree, 2> trees =
        WalkBothSides({WalkRequest{root, {}, {}, 0}, WalkRequest{root, {}, {}, 0}}, cancel, {});
    ScanReport report;
    MatchOptions options;
    options.report = &report;
    MatchRows(trees[0], trees[1], Settings(), options);
    const StateUpdate state =
        StateAfterScan(CommonState(), trees[0], trees[1], report, Settings(), 1700000000, 0);
    count = state.state.fileCount();
    return SerializeCommonState(state.state).size();
}

// A common state of about `files` files of random names, sizes and dates: the worst case, as these
// hold about 19 bytes of chance per file that no packing can remove. Returns the size of its file
// and sets `count` to the files it holds.
qint64 randomStateBytes(int files, size_t& count) {
    std::mt19937 random(17);
    const auto word = [&random](int shortest, int longest) {
        QByteArray w;
        for (int n = shortest + int(random() % uint32_t(longest - shortest + 1)); n > 0; --n)
            w += char('a' + random() % 26);
        return w;
    };
    CommonState state;
    state.key = {QStringLiteral("rechner"), QStringLiteral("/home/benutzer/Arbeit"),
                 QStringLiteral("/media/stick/Arbeit")};
    constexpr int PerFolder = 50;
    for (int done = 0; done < files; done += PerFolder) {
        const QByteArray folder = word(4, 12) + '/' + word(4, 12) + '/';
        if (state.folders.contains(folder))
            continue;
        std::vector<QByteArray> names;
        for (int i = 0; i < PerFolder; ++i)
            names.push_back(word(5, 24) + '.' + word(2, 4));
        std::sort(names.begin(), names.end());
        names.erase(std::unique(names.begin(), names.end()), names.end());
        StateFolder& into = state.folders[folder];
        for (const QByteArray& name : names) {
            const int64_t size = int64_t(random() % 50000000) >> (random() % 20);
            const int32_t date = int32_t(1300000000 + random() % 400000000);
            into.add({name.constData(), size_t(name.size())},
                     {{size, size}, {date, date}, int32_t(1700000000 + random() % 5 * 86400)});
        }
    }
    count = state.fileCount();
    return SerializeCommonState(state).size();
}

// The Scan button with the common state of the two trees in three conditions: not kept at all,
// kept and unchanged since the scan before (read and compared), and not there yet (made and
// written).
struct StateClicks {
    App& app;
    QString folder = app.state.commonStateFolder;

    double without() {
        app.state.commonStateFolder.clear();
        const double ms = clickMs(app.form.buttonScan);
        app.state.commonStateFolder = folder;
        return ms;
    }
    double kept() { return clickMs(app.form.buttonScan); }
    double fresh() {
        for (const QString& name : stateFiles())
            QFile::remove(folder + u'/' + name);
        return clickMs(app.form.buttonScan);
    }
    QStringList stateFiles() const {
        return QDir(folder).entryList({QStringLiteral("Tandrix-Stand-*")}, QDir::Files);
    }
};

// Resident memory in KiB that a scan through the button adds to an empty list, as it ends with
// its list shown, and the peak on the way.
struct ScanMemory {
    long kept = 0;
    long peak = 0;
};

ScanMemory scanMemory(App& app) {
    app.form.buttonSelNix->click();
    app.state.rows.rows = {};
    app.form.listModel->setLines({});
    malloc_trim(0);
    const long before = statusField("VmRSS:");
    resetPeak();
    clickMs(app.form.buttonScan);
    return {statusField("VmRSS:") - before, statusField("VmHWM:") - before};
}

int benchGenerated(int files, int folders) {
    const BenchWorkspace space;
    const QString& a = space.a;
    const QString& b = space.b;
    if (!space.create() || !makeSide(a, files, folders, false) || !makeSide(b, files, folders, true)) {
        std::fprintf(stderr, "cannot build the trees in %s\n", qPrintable(space.work.path()));
        return 1;
    }
    App app(space.programDir);
    if (!app.open())
        return 1;
    app.form.window->show();
    QCoreApplication::processEvents();

    // Warm the caches for both, then keep the best of five runs of each, taken in turns so that
    // a disturbance of the machine hits both alike.
    runFind(a, b);
    clickMs(app.form.buttonScan);
    StateClicks state{app};
    double bestFind = 1e18;
    double bestButton = 1e18;
    double bestWithout = 1e18;
    double bestFresh = 1e18;
    Phases best;
    best.scan = 1e18;
    for (int i = 0; i < 5; ++i) {
        bestFind = std::min(bestFind, runFind(a, b));
        bestWithout = std::min(bestWithout, state.without());
        bestFresh = std::min(bestFresh, state.fresh());
        bestButton = std::min(bestButton, state.kept());
        const Phases p = runPhases(app);
        if (p.scan + p.match + p.fill < best.scan + best.match + best.fill)
            best = p;
    }
    const int lines = app.form.listModel->lineCount();
    const bool cancelled = app.form.checkBoxCancel->isChecked();
    const QStringList stateFiles = state.stateFiles();
    const qint64 stateBytes =
        stateFiles.size() == 1 ? QFileInfo(state.folder + u'/' + stateFiles[0]).size() : -1;
    const size_t stateEntries =
        LoadCommonState(state.folder, StateKeyOf(app.state.hostName, a + u'/', b + u'/', app.state.machineId))
            .fileCount();

    // Memory: the growth from an empty list to a scanned and listed pair of trees, and the peak
    // on the way, per recorded entry. The benchmark trees list one file in a hundred; against a
    // side whose files all have other names, every file of both sides is listed.
    const ScanMemory memory = scanMemory(app);
    const QString c = space.work.path() + QStringLiteral("/C");
    int allLines = 0;
    int allEntries = 0;
    ScanMemory allMemory;
    if (QDir().mkpath(c) && makeSide(c, files, folders, true, "Andere_")) {
        app.state.sets.sets[0].Mid = c + u'/';
        clickMs(app.form.buttonScan);
        allEntries = runPhases(app).entries;
        allMemory = scanMemory(app);
        allLines = app.form.listModel->lineCount();
    }

    // The worst case of the selection commands: 200 000 lines whose directions alternate, so
    // ">" and "Umk." select 100 000 separate ranges.
    app.state.rows.rows = {};
    app.form.listModel->setLines({});
    malloc_trim(0);
    const long bigBefore = statusField("VmRSS:");
    RowList big;
    big.reserve(200000);
    for (int i = 0; i < 200000; ++i) {
        const bool toTarget = i % 2 == 0;
        big.push_back({QStringLiteral("Ordner_%1/Datei_%2.dat").arg(i / 100, 4, 10, QChar(u'0')).arg(i),
                       toTarget ? 1 : 0,
                       toTarget ? 1500000000 : 0,
                       toTarget ? u'>' : u'<',
                       toTarget ? 0 : 1,
                       toTarget ? 0 : 1500000000,
                       uint8_t(toTarget ? 0 : 1),
                       {},
                       false,
                       false,
                       0});
    }
    app.state.rows.rows = big;
    big = {};
    QElapsedTimer clock;
    clock.start();
    FillResultList(app.state, app.form);
    QCoreApplication::processEvents();
    const double bigFill = clock.nsecsElapsed() / 1e6;
    const long bigFilled = statusField("VmRSS:");
    const char* names[] = {"Alles", ">", "<", "Umk.", "V.", "Nix", "Alles", "Umk."};
    QPushButton* buttons[] = {app.form.buttonSelAll, app.form.buttonSelCR,  app.form.buttonSelCL,
                              app.form.buttonSelNeg, app.form.buttonSelDir, app.form.buttonSelNix,
                              app.form.buttonSelAll, app.form.buttonSelNeg};
    double bigTimes[8];
    for (int i = 0; i < 8; ++i)
        bigTimes[i] = clickMs(buttons[i]);
    app.form.buttonSelCR->click();
    const long bigAfter = statusField("VmRSS:");

    std::printf("trees: %d files in %d folders per side, %d entries read, %d lines listed%s\n", files,
                folders, best.entries, lines, cancelled ? " (cancelled!)" : "");
    std::printf("find A B -printf (reference): %8.1f ms\n", bestFind);
    std::printf("Scan button, click to list:   %8.1f ms  ratio to find %.2f  (target <= 1.5)\n", bestButton,
                ratio(bestButton, bestFind));
    std::printf("  without common state:       %8.1f ms  ratio to find %.2f; with the state kept %+.1f %%, "
                "with a new state written %+.1f %% (%.1f ms; target < 10 %%)\n",
                bestWithout, ratio(bestWithout, bestFind), 100.0 * (ratio(bestButton, bestWithout) - 1),
                100.0 * (ratio(bestFresh, bestWithout) - 1), bestFresh);
    size_t realEntries = 0;
    const qint64 realBytes = realStateBytes(QStringLiteral("/usr/"), realEntries);
    size_t randomEntries = 0;
    const qint64 randomBytes = randomStateBytes(200000, randomEntries);
    std::printf("  common state file:          %lld bytes for the %zu files in step here\n",
                static_cast<long long>(stateBytes), stateEntries);
    std::printf(
        "    the %zu files of /usr:    %lld bytes, %.1f per file, %.2f MB for 200 000 such files (target "
        "< 3 MB)\n",
        realEntries, static_cast<long long>(realBytes), ratio(double(realBytes), double(realEntries)),
        200000 * ratio(double(realBytes), double(realEntries)) / 1e6);
    std::printf("    %zu files of random names, sizes and dates: %lld bytes (the worst case)\n",
                randomEntries, static_cast<long long>(randomBytes));
    std::printf("  of which scan both sides:   %8.1f ms  ratio to find %.2f\n", best.scan,
                ratio(best.scan, bestFind));
    std::printf("  MatchRows:                  %8.1f ms, %.1f ms reporting what the scan found\n", best.match,
                best.matchReporting);
    const double scanPhases = best.scan + best.match + best.fill;
    std::printf("  common state kept:          %8.1f ms (%.1f %% of the scan); made and written: %.1f ms "
                "(%.1f %%)\n",
                best.stateKept + best.matchReporting - best.match,
                100.0 * ratio(best.stateKept + best.matchReporting - best.match, scanPhases),
                best.stateNew + best.matchReporting - best.match,
                100.0 * ratio(best.stateNew + best.matchReporting - best.match, scanPhases));
    std::printf("  FillResultList:             %8.1f ms\n", best.fill);
    auto printMemory = [](const char* what, const ScanMemory& m, int entries) {
        std::printf("memory of a scan, %s: %ld KiB kept, %ld KiB peak above the empty list: %.0f / %.0f "
                    "bytes per entry (target <= 120 kept)\n",
                    what, m.kept, m.peak, 1024.0 * double(m.kept) / entries,
                    1024.0 * double(m.peak) / entries);
    };
    printMemory("benchmark trees", memory, best.entries);
    if (allEntries > 0)
        printMemory(
            qPrintable(
                QStringLiteral("every file listed (%1 lines, %2 entries)").arg(allLines).arg(allEntries)),
            allMemory, allEntries);
    else
        std::printf("memory of a scan, every file listed: the third tree could not be built\n");
    std::printf("200000 alternating lines: fill %.1f ms; %.0f bytes per line listed, %.0f with 100000 "
                "separate ranges selected\n",
                bigFill, 1024.0 * double(bigFilled - bigBefore) / 200000,
                1024.0 * double(bigAfter - bigBefore) / 200000);
    std::printf("  ");
    for (int i = 0; i < 8; ++i)
        std::printf("%s %.1f ms%s", names[i], bigTimes[i], i < 7 ? " / " : "  (target < 300 each)\n");
    app.shutdown();
    return 0;
}

// Builds the two benchmark trees in existing folders, as the generated run does.
int makeTrees(const QString& a, const QString& b, int files, int folders) {
    if (!makeSide(a, files, folders, false) || !makeSide(b, files, folders, true)) {
        std::fprintf(stderr, "cannot build the trees in %s and %s\n", qPrintable(a), qPrintable(b));
        return 1;
    }
    std::printf("trees built: %d files in %d folders per side in %s and %s\n", files, folders, qPrintable(a),
                qPrintable(b));
    return 0;
}

struct Series {
    std::vector<double> ms;
    bool failed = false;
    void add(double value) {
        failed = failed || value < 0;
        ms.push_back(value);
    }
    double best() const { return *std::min_element(ms.begin(), ms.end()); }
    double median() const {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        const size_t n = sorted.size();
        return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }
};

// The Scan button on two given trees against one `find` over both and two `find`s at once, in
// turns, each round starting with the next of the three so that a disturbance hits all alike.
int benchRoots(const QString& a, const QString& b, bool cold, int rounds) {
    const QTemporaryDir programDir(QDir::tempPath() + QStringLiteral("/tandrix-bench-XXXXXX"));
    if (!programDir.isValid() || !WriteBenchSettings(programDir.path(), a, b)) {
        std::fprintf(stderr, "cannot write the settings file\n");
        return 1;
    }
    if (cold && !dropCaches()) {
        std::fprintf(stderr, "cannot drop the page cache (/proc/sys/vm/drop_caches needs root)\n");
        return 1;
    }
    App app(programDir.path());
    if (!app.open())
        return 1;
    app.form.window->show();
    QCoreApplication::processEvents();

    Series find, twoFinds, scan;
    int lines = -1;
    bool linesDiffer = false;
    bool cancelled = false;
    auto prepare = [cold] {
        if (cold)
            dropCaches();
    };
    // A warm run starts from caches that hold both trees; its first round is not counted.
    for (int round = cold ? 1 : 0; round <= rounds; ++round) {
        Series discarded;
        const bool counted = round > 0;
        for (int turn = 0; turn < 3; ++turn) {
            prepare();
            switch ((round + turn) % 3) {
            case 0:
                (counted ? find : discarded).add(runFind(a, b));
                break;
            case 1:
                (counted ? twoFinds : discarded).add(runTwoFinds(a, b));
                break;
            default: {
                (counted ? scan : discarded).add(clickMs(app.form.buttonScan));
                const int listed = app.form.listModel->lineCount();
                linesDiffer = linesDiffer || (lines >= 0 && listed != lines);
                lines = listed;
                cancelled = cancelled || app.form.checkBoxCancel->isChecked();
            }
            }
        }
        if (discarded.failed) {
            find.failed = true;
            break;
        }
    }
    const int entries = app.state.scan.EntryCounter;
    app.shutdown();

    std::printf("roots %s and %s, %s, %d rounds: %d lines listed, %d entries read%s%s\n", qPrintable(a),
                qPrintable(b), cold ? "cold cache (dropped before every measurement)" : "warm cache", rounds,
                lines, entries, cancelled ? " (cancelled!)" : "",
                linesDiffer ? " (LISTS DIFFERED BETWEEN ROUNDS)" : "");
    if (find.failed || twoFinds.failed) {
        std::printf("a find failed; no ratios\n");
        return 1;
    }
    std::printf(
        "                                 best        median      ratio to find A B (best / median)\n");
    auto line = [&](const char* name, const Series& s) {
        std::printf("  %-27s %8.1f ms  %8.1f ms   %.2f / %.2f\n", name, s.best(), s.median(),
                    ratio(s.best(), find.best()), ratio(s.median(), find.median()));
    };
    line("find A B -printf", find);
    line("find A & find B at once", twoFinds);
    line("Scan button, click to list", scan);
    return cancelled || linesDiffer ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    auto number = [&args](qsizetype i, int otherwise) {
        return i < args.size() ? std::max(1, args[i].toInt()) : otherwise;
    };
    if (args.size() >= 3 && args[0] == QStringLiteral("--make"))
        return makeTrees(args[1], args[2], number(3, 100000), number(4, 2000));
    if (args.size() >= 3 && args[0] == QStringLiteral("--roots")) {
        const bool cold = args.size() > 3 && args[3] == QStringLiteral("--cold");
        return benchRoots(args[1], args[2], cold, number(cold ? 4 : 3, 5));
    }
    return benchGenerated(number(0, 100000), number(1, 2000));
}
