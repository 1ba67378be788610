#pragma once

// A temporary workspace for the benchmarks that drive the real window: two trees A and B and a
// program folder whose Tandrix.ini holds the one set "Bench" naming them.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

struct BenchWorkspace {
    QTemporaryDir work{QDir::tempPath() + QStringLiteral("/tandrix-bench-XXXXXX")};
    QString a = work.path() + QStringLiteral("/A");
    QString b = work.path() + QStringLiteral("/B");
    QString programDir = work.path() + QStringLiteral("/programm");

    // Makes the folders and the settings file; false when any of it cannot be written.
    bool create() const {
        if (!work.isValid() || !QDir().mkpath(a) || !QDir().mkpath(b) || !QDir().mkpath(programDir))
            return false;
        QFile ini(programDir + QStringLiteral("/Tandrix.ini"));
        if (!ini.open(QIODevice::WriteOnly))
            return false;
        const QByteArray text =
            "\xEF\xBB\xBF\r\n[Generell]\r\nIniVersion=81107\r\nSetCombo=Bench\r\n[Sets]\r\n"
            "Bench=1\r\n[Set_Bench]\r\nSrc=" +
            QFile::encodeName(a) + "/\r\nMid=" + QFile::encodeName(b) + "/\r\nOptions=\r\nFilter=\r\n";
        return ini.write(text) == text.size() && ini.flush();
    }
};
