// Delete (into the trash, as a set does by default) and date alignment of many selected rows
// through the real window, against `find -delete`, `gio trash` and `find -exec touch` over the
// same files. The trash is one of the workspace's own ($XDG_DATA_HOME), emptied after each run.
// Usage: bench_delete_align [files] [runs]   (default 50000 files in folders of 100, 3 runs)

#include "BenchSupport.h"
#include "tandrix/App.h"
#include "ui/Identifiers.h"
#include "ui/ResultListModel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int PerDir = 100;
constexpr int64_t SourceBase = 1500000000;

QByteArray folderName(const QString& root, int d) {
    return QFile::encodeName(root) + "/ordner" + QByteArray::number(d);
}

QByteArray fileName(const QString& root, int n) {
    return folderName(root, n / PerDir) + "/datei_" + QByteArray::number(n) + ".txt";
}

bool makeFolders(const QString& root, int files) {
    for (int d = 0; d * PerDir < files; ++d) {
        const QByteArray dir = folderName(root, d);
        if (::mkdir(dir.constData(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

// Every file holds its own number, so both sides have the same contents; file n is dated
// SourceBase + n on side 1, distinct per file.
bool makeFiles(const QString& root, int files, int64_t base) {
    if (!makeFolders(root, files))
        return false;
    for (int n = 0; n < files; ++n) {
        const QByteArray name = fileName(root, n);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0)
            return false;
        const QByteArray contents = QByteArray::number(n);
        const bool written = ::write(fd, contents.constData(), size_t(contents.size())) == contents.size();
        ::close(fd);
        const timespec times[2] = {{0, UTIME_OMIT}, {time_t(base + n), 0}};
        if (!written || ::utimensat(AT_FDCWD, name.constData(), times, 0) != 0)
            return false;
    }
    return true;
}

// Regular files left anywhere below root.
int countFiles(const QByteArray& root) {
    DIR* dir = ::opendir(root.constData());
    if (!dir)
        return 0;
    int found = 0;
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray path = root + '/' + name;
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode))
            found += countFiles(path);
        else
            ++found;
    }
    ::closedir(dir);
    return found;
}

// Files whose side-1 time moved, or whose side-2 time differs from it or has a fraction left.
int datesNotAligned(const QString& a, const QString& b, int files) {
    int wrong = 0;
    for (int n = 0; n < files; ++n) {
        struct stat sa {};
        struct stat sb {};
        if (::lstat(fileName(a, n).constData(), &sa) != 0 || ::lstat(fileName(b, n).constData(), &sb) != 0 ||
            sa.st_mtim.tv_sec != SourceBase + n || sb.st_mtim.tv_sec != sa.st_mtim.tv_sec ||
            sb.st_mtim.tv_nsec != 0)
            ++wrong;
    }
    return wrong;
}

// The window's option with this caption ticked, then the button pressed.
ModalScript::Answer chooseAndPress(const QString& option, const QString& caption) {
    return [option, caption](QWidget* modal) {
        for (QAbstractButton* b : modal->findChildren<QAbstractButton*>())
            if (b->text() == option)
                b->click();
        PressButton(modal, caption);
    };
}

struct Best {
    double ms = 1e18;
    double worst = 0;
    void add(double value) {
        ms = std::min(ms, value);
        worst = std::max(worst, value);
    }
};

struct Bench {
    App& app;
    QString a;
    QString b;
    int files;
    int failures = 0;

    int lines() { return app.form.listModel->lineCount(); }

    void fail(const char* what, int value) {
        std::printf("FAILURE: %s (%d)\n", what, value);
        ++failures;
    }

    // A reference command, counted as a failure when it does not succeed.
    double reference(const QString& program, const QStringList& args) {
        const double ms = CommandMs(program, args);
        if (ms < 0)
            fail(qPrintable(program + QStringLiteral(" failed")), 0);
        return ms;
    }

    // The operation met exactly the one window it was meant to answer.
    void expectOneWindow(const ModalScript& script, const char* what) {
        if (script.seen.isEmpty())
            fail(what, 0);
        else if (script.seen.size() > 1)
            fail(qPrintable(QStringLiteral("unexpected box: ") + script.seen.mid(1).join(u'|')), 0);
    }

    // One run of the delete: side 1 holds every file, side 2 only the folders, so the list holds
    // one ">" row per file and no folder rows. False when the tree cannot be built.
    QString trash;

    void emptyTrash() { QDir(trash).removeRecursively(); }

    bool deleteRun(Best& reference, Best& gio, Best& click, Best& afterAnswer, Best& scan) {
        if (!makeFiles(a, files, SourceBase) || !makeFolders(b, files))
            return false;
        reference.add(
            this->reference(QStringLiteral("find"),
                            {a, QStringLiteral("-type"), QStringLiteral("f"), QStringLiteral("-delete")}));
        if (const int left = countFiles(QFile::encodeName(a)); left != 0)
            fail("find -delete left files", left);
        if (!makeFiles(a, files, SourceBase))
            return false;
        gio.add(this->reference(QStringLiteral("find"),
                                {a, QStringLiteral("-type"), QStringLiteral("f"), QStringLiteral("-exec"),
                                 QStringLiteral("gio"), QStringLiteral("trash"), QStringLiteral("{}"),
                                 QStringLiteral("+")}));
        if (const int left = countFiles(QFile::encodeName(a)); left != 0)
            fail("gio trash left files", left);
        emptyTrash();
        if (!makeFiles(a, files, SourceBase))
            return false;

        QElapsedTimer clock;
        clock.start();
        app.form.buttonScan->click();
        scan.add(clock.nsecsElapsed() / 1e6);
        if (lines() != files)
            fail("lines listed before delete", lines());
        app.form.buttonSelAll->click();
        app.form.checkBoxDelQ->setChecked(true);
        app.form.checkBoxDelZ->setChecked(false);

        double answeredAt = 0;
        clock.restart();
        const ModalScript script({NotingTime(Yes(), clock, answeredAt)});
        app.form.buttonSelDel->click();
        const double total = clock.nsecsElapsed() / 1e6;
        click.add(total);
        afterAnswer.add(total - answeredAt);
        expectOneWindow(script, "delete question not met");
        if (const int left = countFiles(QFile::encodeName(a)); left != 0)
            fail("files left on side 1 after delete", left);
        if (lines() != 0)
            fail("lines left after delete", lines());
        if (const int kept = countFiles(QFile::encodeName(trash + "/files")); kept != files)
            fail("files in the trash after delete", kept);
        emptyTrash();
        return true;
    }

    // One run of the date alignment. The reference re-dates every side-2 file to one time far from
    // side 1's, which is also what makes all files differ for the run that follows.
    void alignRun(int run, Best& reference, Best& total, Best& afterAnswer, Best& scan) {
        const int64_t stamp = SourceBase - 1000000 - run * 1000;
        reference.add(
            this->reference(QStringLiteral("find"),
                            {b, QStringLiteral("-type"), QStringLiteral("f"), QStringLiteral("-exec"),
                             QStringLiteral("touch"), QStringLiteral("-m"), QStringLiteral("-d"),
                             QStringLiteral("@%1").arg(stamp), QStringLiteral("{}"), QStringLiteral("+")}));

        QElapsedTimer clock;
        clock.start();
        app.form.buttonScan->click();
        scan.add(clock.nsecsElapsed() / 1e6);
        if (lines() != files)
            fail("lines listed before date alignment", lines());
        app.form.buttonSelAll->click();

        double answeredAt = 0;
        clock.restart();
        const ModalScript script(
            {NotingTime(chooseAndPress(QStringLiteral("Ziel >>> Quelle"), QStringLiteral("Ausführen!")),
                        clock, answeredAt)});
        app.form.menuItems[Menu_DateAlign]->trigger();
        const double ms = clock.nsecsElapsed() / 1e6;
        total.add(ms);
        afterAnswer.add(ms - answeredAt);
        expectOneWindow(script, "date window not met");
        if (const int wrong = datesNotAligned(a, b, files); wrong != 0)
            fail("side-2 dates not taken from side 1", wrong);
        if (lines() != 0)
            fail("lines left after date alignment", lines());
    }
};

void printLine(const char* what, const Best& value, const Best* reference) {
    std::printf("%-44s %8.3f s  (worst %.3f s)", what, value.ms / 1e3, value.worst / 1e3);
    if (reference)
        std::printf("  ratio %.2f", value.ms / reference->ms);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const int files = argc > 1 ? std::max(1, atoi(argv[1])) : 50000;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 3;

    const BenchWorkspace space;
    const QString& a = space.a;
    const QString& b = space.b;
    if (!space.create()) {
        std::fprintf(stderr, "cannot make the workspace in %s\n", qPrintable(space.work.path()));
        return 1;
    }
    qputenv("XDG_DATA_HOME", QFile::encodeName(space.work.path() + QStringLiteral("/data")));
    App app(space.programDir);
    if (!app.open())
        return 1;

    Bench bench{app, a, b, files, 0, space.work.path() + QStringLiteral("/data/Trash")};
    std::printf("%d files in folders of %d, best of %d runs\n", files, PerDir, runs);

    Best delRef, gioRef, delClick, delAnswer, delScan;
    for (int run = 0; run < runs; ++run) {
        if (!bench.deleteRun(delRef, gioRef, delClick, delAnswer, delScan)) {
            std::fprintf(stderr, "cannot build the delete tree in %s\n", qPrintable(space.work.path()));
            return 1;
        }
    }

    if (!makeFiles(a, files, SourceBase) || !makeFiles(b, files, SourceBase)) {
        std::fprintf(stderr, "cannot build the date trees in %s\n", qPrintable(space.work.path()));
        return 1;
    }
    Best alignRef, alignTotal, alignAnswer, alignScan;
    for (int run = 0; run < runs; ++run)
        bench.alignRun(run, alignRef, alignTotal, alignAnswer, alignScan);

    std::printf("Delete into the trash, only Q ticked, %d one-sided rows:\n", files);
    printLine("  find A -type f -delete", delRef, nullptr);
    printLine("  find A -type f -exec gio trash {} +", gioRef, &delRef);
    printLine("  Löschen: click to finished list", delClick, &delRef);
    printLine("  Löschen: answer \"Ja\" to finished list", delAnswer, &delRef);
    std::printf("  %-42s %8.3f s  ratio %.2f\n", "Löschen: answer to list, against gio trash",
                delAnswer.ms / 1e3, delAnswer.ms / gioRef.ms);
    printLine("  (Scan button before it)", delScan, nullptr);
    std::printf("Date alignment Ziel >>> Quelle, %d rows:\n", files);
    printLine("  find B -type f -exec touch -m -d", alignRef, nullptr);
    printLine("  Datumabgleich: menu to rescanned list", alignTotal, &alignRef);
    printLine("  Datumabgleich: Ausführen! to list", alignAnswer, &alignRef);
    printLine("  (Scan button alone)", alignScan, nullptr);
    const double alignOnly = alignAnswer.ms - alignScan.ms;
    std::printf("  %-42s %8.3f s  ratio %.2f\n", "Ausführen! minus one scan (approx.)", alignOnly / 1e3,
                alignOnly / alignRef.ms);
    std::printf(bench.failures ? "%d FAILURE(S)\n" : "all checks passed\n", bench.failures);
    app.shutdown();
    return bench.failures ? 2 : 0;
}
