#pragma once

// What the benchmarks that drive the real window share: a settings file naming the two trees,
// a temporary workspace, timed reference commands, and answers that note when they were given.

#include "sets/ModalScript.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

// Writes a Tandrix.ini into `programDir` holding the one set "Bench" from `src` to `mid`.
inline bool WriteBenchSettings(const QString& programDir, const QString& src, const QString& mid,
                               const QByteArray& options = QByteArray()) {
    QFile ini(programDir + QStringLiteral("/Tandrix.ini"));
    if (!ini.open(QIODevice::WriteOnly))
        return false;
    const QByteArray text = "\xEF\xBB\xBF\r\n[Generell]\r\nIniVersion=81107\r\nSetCombo=Bench\r\n[Sets]\r\n"
                            "Bench=1\r\n[Set_Bench]\r\nSrc=" +
                            QFile::encodeName(src) + "/\r\nMid=" + QFile::encodeName(mid) +
                            "/\r\nOptions=" + options + "\r\nFilter=\r\n";
    return ini.write(text) == text.size() && ini.flush();
}

// Two trees A and B and a program folder whose settings name them.
struct BenchWorkspace {
    QTemporaryDir work{QDir::tempPath() + QStringLiteral("/tandrix-bench-XXXXXX")};
    QString a = work.path() + QStringLiteral("/A");
    QString b = work.path() + QStringLiteral("/B");
    QString programDir = work.path() + QStringLiteral("/programm");

    // Makes the folders and the settings file; false when any of it cannot be written.
    bool create() const {
        return work.isValid() && QDir().mkpath(a) && QDir().mkpath(b) && QDir().mkpath(programDir) &&
               WriteBenchSettings(programDir, a, b);
    }
};

// Runs a reference command with its output thrown away; milliseconds, or -1 when it failed.
inline double CommandMs(const QString& program, const QStringList& args) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(program, args);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return -1;
    return clock.nsecsElapsed() / 1e6;
}

// An answer that first notes the moment it is given on `clock`, so an operation can be timed
// from the answer to its question.
inline ModalScript::Answer NotingTime(ModalScript::Answer answer, const QElapsedTimer& clock, double& atMs) {
    return [answer, &clock, &atMs](QWidget* modal) {
        atMs = clock.nsecsElapsed() / 1e6;
        answer(modal);
    };
}
