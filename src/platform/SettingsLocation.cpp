#include "platform/SettingsLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString IniName = QStringLiteral("Tandrix.ini");

QString withoutTrailingSeparators(QString path) {
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

} // namespace

bool IsInstalledLayout(const QString& programDir) {
    const QString dir = withoutTrailingSeparators(programDir);
    if (QFileInfo(dir).fileName() != QStringLiteral("bin"))
        return false;
    const QFileInfo entry(dir + QStringLiteral("/../share/applications/tandrix.desktop"));
    return entry.isFile();
}

QString SettingsFilePath(const QString& programDir) {
    const QString dir = programDir.endsWith(u'/') ? programDir : programDir + u'/';
    const QString beside = dir + IniName;
    if (!IsInstalledLayout(dir) || QFileInfo::exists(beside))
        return beside;
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (config.isEmpty())
        return beside;
    return withoutTrailingSeparators(config) + u'/' + IniName;
}

bool EnsureSettingsFolder(const QString& settingsPath) {
    const QString folder = QFileInfo(settingsPath).absolutePath();
    return QDir().mkpath(folder);
}

QString CommonStateFolder(const QString& programDir, const QString& settingsPath) {
    const QString settingsFolder = QDir::cleanPath(QFileInfo(settingsPath).absolutePath());
    if (settingsFolder == QDir::cleanPath(QFileInfo(programDir).absoluteFilePath()))
        return settingsFolder;
    return withoutTrailingSeparators(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}
