#include "support/TreeBuilder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

// A whole session with the real program on a real X server, driven only by mouse and keyboard
// through xdotool, as a person would: first start, a new set, both paths typed, Scan, Alles,
// Sync confirmed, Beenden. Then the trees and the settings file are checked on disk.

namespace {

struct Geometry {
    int x = 0, y = 0, w = 0, h = 0;
};

class XSession {
public:
    bool start() {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty() ||
            QStandardPaths::findExecutable("xdotool").isEmpty())
            return false;
        server.setProgram("Xvfb");
        server.setArguments({"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        server.start();
        if (!server.waitForStarted(10000))
            return false;
        QByteArray out;
        for (int i = 0; i < 100 && !out.contains('\n'); ++i) {
            server.waitForReadyRead(100);
            out += server.readAllStandardOutput();
        }
        display = ":" + QString::fromLatin1(out.trimmed());
        return out.contains('\n');
    }
    ~XSession() {
        if (server.state() != QProcess::NotRunning) {
            server.terminate();
            server.waitForFinished(5000);
        }
    }
    QProcessEnvironment env() const {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("DISPLAY", display);
        e.insert("QT_QPA_PLATFORM", "xcb");
        e.remove("WAYLAND_DISPLAY");
        return e;
    }
    QString xdo(const QStringList& args, int timeoutMs = 15000) const {
        QProcess p;
        p.setProcessEnvironment(env());
        p.start("xdotool", args);
        p.waitForFinished(timeoutMs);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    // The newest visible window whose name matches, waiting for it to appear.
    QString waitFor(const QString& nameRegex, int timeoutMs = 15000) const {
        for (int waited = 0; waited < timeoutMs; waited += 100) {
            const QStringList ids =
                xdo({"search", "--onlyvisible", "--name", nameRegex}).split('\n', Qt::SkipEmptyParts);
            if (!ids.isEmpty())
                return ids.last();
            QThread::msleep(100);
        }
        return {};
    }
    bool gone(const QString& nameRegex, int timeoutMs = 15000) const {
        for (int waited = 0; waited < timeoutMs; waited += 100) {
            if (xdo({"search", "--onlyvisible", "--name", nameRegex}).isEmpty())
                return true;
            QThread::msleep(100);
        }
        return false;
    }
    Geometry geometry(const QString& window) const {
        Geometry g;
        for (const QString& line : xdo({"getwindowgeometry", "--shell", window}).split('\n')) {
            const QStringList kv = line.split('=');
            if (kv.size() != 2)
                continue;
            const int v = kv[1].toInt();
            if (kv[0] == "X")
                g.x = v;
            else if (kv[0] == "Y")
                g.y = v;
            else if (kv[0] == "WIDTH")
                g.w = v;
            else if (kv[0] == "HEIGHT")
                g.h = v;
        }
        return g;
    }
    void focus(const QString& window) const { xdo({"windowfocus", "--sync", window}); }
    void key(const QString& window, const QString& keys) const {
        focus(window);
        xdo({"key", "--clearmodifiers", keys});
        QThread::msleep(150);
    }
    void type(const QString& text) const {
        xdo({"type", "--delay", "5", text});
        QThread::msleep(150);
    }
    void click(int x, int y) const {
        xdo({"mousemove", "--sync", QString::number(x), QString::number(y)});
        xdo({"click", "1"});
        QThread::msleep(200);
    }

    QProcess server;
    QString display;
};

} // namespace

TEST(Session, FirstStartNewSetScanSelectAllSyncAndQuit) {
    const QString program = qEnvironmentVariable("TANDRIX_PROGRAM");
    XSession x;
    if (program.isEmpty() || !x.start())
        GTEST_SKIP() << "needs the program's path from CTest, Xvfb and xdotool";

    QTemporaryDir programDir;
    ASSERT_TRUE(programDir.isValid());
    const QString copy = programDir.path() + "/Tandrix";
    ASSERT_TRUE(QFile::copy(program, copy));
    QFile::setPermissions(copy, QFile::permissions(program));

    // Side 1 has the newer a.txt and a folder the stick lacks; side 2 has a file of its own.
    TestTree source({File("a.txt", "neu von Rechner A", 1700000000), Dir("Briefe/", 1690000000),
                     File("Briefe/brief.txt", "Lieber Hans", 1690000100), File("leer.txt", "", 1600000000)});
    TestTree target({File("a.txt", "alt", 1650000000), File("notizen.txt", "vom Stick", 1710000000)});
    ASSERT_TRUE(source.ok() && target.ok());

    QProcess tandrix;
    tandrix.setProcessEnvironment(x.env());
    tandrix.setProgram(copy);
    tandrix.start();
    ASSERT_TRUE(tandrix.waitForStarted());

    // First start: the program says that a set must exist, then asks for its name.
    const QString box = x.waitFor("^Tandrix Meldung$");
    ASSERT_FALSE(box.isEmpty()) << "no message at the first start";
    x.key(box, "Return");
    const QString prompt = x.waitFor("^Tandrix$");
    ASSERT_FALSE(prompt.isEmpty()) << "no name prompt";
    x.focus(prompt);
    x.type("Stick");
    x.key(prompt, "Return");
    ASSERT_TRUE(x.gone("^Tandrix$"));

    const QString main = x.waitFor("^ Tandrix $");
    ASSERT_FALSE(main.isEmpty());
    const Geometry g = x.geometry(main);
    ASSERT_EQ(g.w, 800) << "the session expects 96 dpi";
    const int top = g.y + g.h - 600; // the client area lies below the menu bar
    auto at = [&](int dx, int dy) { x.click(g.x + dx, top + dy); };

    at(60, 10); // source path field
    x.type(source.path());
    at(460, 10); // target path field
    x.type(target.path());
    at(325, 55); // "Scan"
    QThread::msleep(700);
    at(480, 70); // "Alles"
    at(682, 70); // "Sync"
    const QString question = x.waitFor("^Tandrix: Dateien synchronisieren$");
    ASSERT_FALSE(question.isEmpty()) << "Sync did not ask";
    x.key(question, "Return"); // "Ja" is the default button
    ASSERT_TRUE(x.gone("^Tandrix: Dateien synchronisieren$"));
    QThread::msleep(700);

    // "Beenden": open "Datei" in the menu bar, the last item is "Beenden".
    x.click(g.x + 20, g.y + (top - g.y) / 2);
    QThread::msleep(300);
    x.key(main, "Up");
    x.key(main, "Return");
    ASSERT_TRUE(tandrix.waitForFinished(15000)) << "the program did not end";
    EXPECT_EQ(tandrix.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tandrix.exitCode(), 0);

    // Both trees now hold the same files with the same contents and times.
    const QStringList expected = {"Briefe/", "Briefe/brief.txt 11 @1690000100", "a.txt 17 @1700000000",
                                  "leer.txt 0 @1600000000", "notizen.txt 9 @1710000000"};
    EXPECT_EQ(DescribeTree(source.path()), expected);
    EXPECT_EQ(DescribeTree(target.path()), expected);
    EXPECT_EQ(ReadTree(target.path()).at(2).contents, "neu von Rechner A");

    QFile ini(programDir.path() + "/Tandrix.ini");
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly)) << "no settings file next to the program";
    const QByteArray text = ini.readAll();
    EXPECT_TRUE(text.startsWith("\xEF\xBB\xBF\r\n[Generell]\r\n"));
    EXPECT_TRUE(text.contains("SetCombo = Stick\r\n"));
    EXPECT_TRUE(text.contains("[Set_Stick]\r\nSrc = " + source.path().toUtf8() +
                              "\r\nMid = " + target.path().toUtf8() + "\r\n"));
}
