#include "sets/SettingsFile.h"

#include "platform/FileReplace.h"
#include "sets/SetList.h"
#include "sets/SettingsDocument.h"
#include "text/FoldCase.h"

#include <QFileInfo>

const std::array<ResultColumnSpec, ResultColumnCount> ResultColumnSpecs = {{
    {u"Datei", u"LBreite1", 150},
    {u"Dateipfad", u"LBreite2", 260},
    {u"Byte 1", u"LBreite3", 70},
    {u"Datum 1", u"LBreite4", 50},
    {u"?", u"LBreite6", 50},
    {u"Datum 2", u"LBreite8", 50},
    {u"Byte 2", u"LBreite9", 70},
}};

namespace {

constexpr int OldSetFormBelow = 80603;

QString str(const char16_t* text) {
    return QString::fromUtf16(text);
}

const QString SetGroupPrefix = QStringLiteral("Set_");

struct SetKey {
    QString name;
    QString value;
};

std::vector<SetKey> readSetKeys(SettingsDocument& doc) {
    std::vector<SetKey> keys;
    while (doc.nextKey())
        keys.push_back({doc.keyName(), doc.keyValue()});
    return keys;
}

// A set whose name is empty could never be chosen or deleted, and a second name that differs only
// in letter case would shadow the first: neither becomes a set.
bool acceptableSetName(const std::vector<SyncSet>& sets, const QString& name) {
    if (name.isEmpty())
        return false;
    const QString lower = name.toLower();
    for (const SyncSet& s : sets) {
        if (s.Name.toLower() == lower)
            return false;
    }
    return true;
}

void writeHeader(SettingsDocument& doc) {
    doc.selectGroup(QStringLiteral("Generell"));
    doc.addComment(QStringLiteral("-------------------------------------------- Generell"));
    doc.addComment(QStringLiteral("TimeTolerance: Dient dem Ausgleich bei verschiedenen Dateisystemen mit "
                                  "unterschiedlicher Datumsgenauigkeit."));
    doc.addComment(
        QStringLiteral("\tStandard: 3 - d.h. Zeitabweichungen von +/- 3 Sekunden werden ignoriert."));
    doc.addComment(
        QStringLiteral("TimeSummerDiff: Dient dem Ausgleich bei verschiedenen Dateisystemen, welche "
                       "Sommerzeit unterschiedlich behandeln."));
    doc.addComment(QStringLiteral("\tStandard: 3600 - d.h. Zeitabweichungen von +/- 3600 Sekunden werden "
                                  "ignoriert (TimeTolerance gilt hier auch)."));
    doc.selectGroup(QStringLiteral("Fenster"));
    doc.addComment(QStringLiteral("-------------------------------------------- Fenster"));
    doc.selectGroup(QStringLiteral("Sets"));
    doc.addComment(QStringLiteral("-------------------------------------------- Sets"));
}

// Why a file is not one this version wrote; empty when it is. Such a file is never rewritten
// before its old bytes are kept.
QStringList foreignReasons(SettingsDocument& doc) {
    QStringList reasons;
    if (doc.encoding() == SettingsEncoding::Utf16LE || doc.encoding() == SettingsEncoding::Utf16BE)
        reasons << QStringLiteral("als UTF-16 gespeichert");
    if (doc.hasNonText())
        reasons << QStringLiteral("enthält Zeichen, die kein Text sind");
    const QString generell = QStringLiteral("Generell");
    if (!doc.hasGroup(generell)) {
        reasons << QStringLiteral("Gruppe [Generell] fehlt");
        return reasons;
    }
    doc.selectGroup(generell);
    const QString versionKey = QStringLiteral("IniVersion");
    const int version = doc.readInteger(versionKey, 0);
    if (!doc.hasKey(versionKey))
        reasons << QStringLiteral("IniVersion fehlt");
    else if (version != CurrentIniVersion)
        reasons << QStringLiteral("IniVersion %1 statt %2").arg(version).arg(CurrentIniVersion);
    return reasons;
}

struct ExistingFile {
    QByteArray bytes;
    QStringList foreign;
};

ExistingFile examineFile(const QString& path) {
    SettingsDocument doc;
    if (!doc.open(path))
        return {};
    ExistingFile file{doc.fileBytes(), foreignReasons(doc)};
    doc.abandon();
    return file;
}

// Keeps the old bytes of a file that is not the program's own before `doc` rewrites it. False when
// no backup could be made: then the document is closed unwritten, as the user's sets must not be
// thrown away.
bool keepForeignFile(const QString& path, const ExistingFile& file, SettingsDocument& doc,
                     QStringList& messages) {
    if (file.foreign.isEmpty() || file.bytes.isEmpty() || !doc.willWrite())
        return true;
    QString backup = KeepBackupBeside(path, file.bytes);
    const QString target = FinalLinkTarget(path);
    if (backup.isEmpty() && !target.isEmpty() && target != path)
        backup = KeepBackupBeside(target, file.bytes);
    const QString why = file.foreign.join(QStringLiteral(", "));
    if (backup.isEmpty()) {
        doc.abandon();
        messages << QStringLiteral("Fehler - INI nicht im eigenen Format (%1) und keine Sicherung möglich, "
                                   "nichts gespeichert: ")
                            .arg(why) +
                        path;
        return false;
    }
    messages << QStringLiteral("Hinweis - INI war nicht im eigenen Format (%1). Vor dem Überschreiben "
                               "gesichert als: ")
                        .arg(why) +
                    backup;
    return true;
}

} // namespace

LoadedSettings ReadSettingsFile(const QString& path, const WindowPlacement& current) {
    LoadedSettings loaded;
    SettingsDocument doc;
    doc.open(path); // a missing file is no error: every read yields its default

    doc.selectGroup(QStringLiteral("Generell"));
    Settings& s = loaded.settings;
    s.IniVersion = doc.readInteger(QStringLiteral("IniVersion"), 0);
    const bool versionMissing = !doc.hasKey(QStringLiteral("IniVersion"));
    loaded.setCombo = doc.readString(QStringLiteral("SetCombo"), QString());
    s.TimeTolerance = doc.readInteger(QStringLiteral("TimeTolerance"), 3);
    s.TimeSummerDiff = doc.readInteger(QStringLiteral("TimeSummerDiff"), 3600);
    s.TimeSummerDiff2 = doc.readInteger(QStringLiteral("TimeSummerDiff2"), 7200);

    doc.selectGroup(QStringLiteral("Fenster"));
    loaded.window.x = doc.readInteger(QStringLiteral("WinX"), current.x);
    loaded.window.y = doc.readInteger(QStringLiteral("WinY"), current.y);
    loaded.window.height = doc.readInteger(QStringLiteral("WinH"), current.height);
    loaded.window.width = doc.readInteger(QStringLiteral("WinW"), current.width);
    loaded.moveWindow = loaded.window.x != 0;
    loaded.maximize = doc.readInteger(QStringLiteral("WinMax"), 0) != 0;
    for (int i = 0; i < ResultColumnCount; ++i)
        loaded.columnWidths[size_t(i)] = doc.readInteger(str(ResultColumnSpecs[size_t(i)].widthKey),
                                                         ResultColumnSpecs[size_t(i)].defaultWidth);

    doc.selectGroup(QStringLiteral("Sets"));
    loaded.hasSetsGroup = doc.examineKeys();
    if (loaded.hasSetsGroup) {
        const std::vector<SetKey> keys = readSetKeys(doc);
        std::vector<bool> ownGroup;
        for (const SetKey& key : keys) {
            if (!acceptableSetName(loaded.sets, key.name))
                continue;
            SyncSet set;
            set.Name = key.name;
            // Without any version the file is damaged rather than old: a set that has a group of
            // its own keeps what that group says instead of taking the key's value "1" as a path.
            const bool fromGroup = s.IniVersion >= OldSetFormBelow ||
                                   (versionMissing && doc.hasGroup(SetGroupPrefix + key.name));
            if (!fromGroup) {
                const QStringList parts = key.value.split(u'|');
                set.Src = parts.value(0);
                set.Mid = parts.value(1);
            }
            loaded.sets.push_back(std::move(set));
            ownGroup.push_back(fromGroup);
        }
        for (size_t i = 0; i < loaded.sets.size(); ++i) {
            SyncSet& set = loaded.sets[i];
            if (ownGroup[i]) {
                doc.selectGroup(SetGroupPrefix + set.Name);
                set.Src = doc.readString(QStringLiteral("Src"), QString());
                set.Mid = doc.readString(QStringLiteral("Mid"), QString());
                set.Options = doc.readString(QStringLiteral("Options"), QString());
                set.Filter = FoldCase(doc.readString(QStringLiteral("Filter"), QString()));
            }
        }
    }
    doc.close();
    return loaded;
}

QStringList WriteSettingsFile(const QString& path, const SettingsToSave& data) {
    QStringList messages;
    SettingsDocument doc;
    const QFileInfo info(path);
    const bool fileExists = info.exists() && info.isFile();
    const ExistingFile existing = fileExists ? examineFile(path) : ExistingFile{};

    // An older file is recreated: rather than deleting it first, the fresh document replaces it
    // whole when it is closed, so a failed save leaves the old file as it was.
    bool fresh = !fileExists;
    if (fileExists && data.settings.IniVersion < CurrentIniVersion) {
        fresh = doc.create(path);
        if (!fresh)
            messages << QStringLiteral("Problem - Konnte alte INI nicht löschen (evtl. fehlerhaft): ") + path;
    }
    if (fresh) {
        if (!fileExists && !doc.create(path)) {
            messages << QStringLiteral("Fehler - kann INI nicht anlegen: ") + path;
            return messages;
        }
        writeHeader(doc);
    } else if (!doc.open(path)) {
        messages << QStringLiteral("Fehler - kann INI nicht öffnen: ") + path;
        return messages;
    }

    doc.selectGroup(QStringLiteral("Generell"));
    doc.writeInteger(QStringLiteral("IniVersion"), CurrentIniVersion);
    doc.writeString(QStringLiteral("SetCombo"), data.setCombo);
    doc.writeInteger(QStringLiteral("TimeTolerance"), data.settings.TimeTolerance);
    doc.writeInteger(QStringLiteral("TimeSummerDiff"), data.settings.TimeSummerDiff);
    doc.writeInteger(QStringLiteral("TimeSummerDiff2"), data.settings.TimeSummerDiff2);

    doc.selectGroup(QStringLiteral("Fenster"));
    switch (data.window.state) {
    case WindowPlacement::State::Normal:
        doc.writeInteger(QStringLiteral("WinMax"), 0);
        doc.writeInteger(QStringLiteral("WinX"), data.window.x);
        doc.writeInteger(QStringLiteral("WinY"), data.window.y);
        doc.writeInteger(QStringLiteral("WinH"), data.window.height);
        doc.writeInteger(QStringLiteral("WinW"), data.window.width);
        break;
    case WindowPlacement::State::Maximized:
        // The normal geometry stored earlier stays for the next start.
        doc.writeInteger(QStringLiteral("WinMax"), 1);
        break;
    case WindowPlacement::State::Minimized:
        break;
    }
    for (int i = 0; i < ResultColumnCount; ++i)
        doc.writeInteger(str(ResultColumnSpecs[size_t(i)].widthKey), data.columnWidths[size_t(i)]);

    doc.selectGroup(QStringLiteral("Sets"));
    for (const SyncSet& set : data.sets)
        doc.writeInteger(set.Name, 1);
    for (const SyncSet& set : data.sets) {
        doc.selectGroup(SetGroupPrefix + set.Name);
        doc.writeString(QStringLiteral("Src"), set.Src);
        doc.writeString(QStringLiteral("Mid"), set.Mid);
        doc.writeString(QStringLiteral("Options"), set.Options);
        doc.writeString(QStringLiteral("Filter"), set.Filter);
    }
    if (!keepForeignFile(path, existing, doc, messages))
        return messages;
    if (!doc.close())
        messages << QStringLiteral("Fehler - kann INI nicht schreiben: ") + path;
    return messages;
}

QStringList RemoveSetFromFile(const QString& path, const QString& name) {
    QStringList messages;
    SettingsDocument doc;
    if (!doc.open(path))
        return messages;
    const ExistingFile existing{doc.fileBytes(), foreignReasons(doc)};
    doc.selectGroup(QStringLiteral("Sets"));
    doc.removeKey(name);
    doc.removeGroup(SetGroupPrefix + name);
    if (keepForeignFile(path, existing, doc, messages))
        doc.close();
    return messages;
}
