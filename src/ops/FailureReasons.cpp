#include "ops/FailureReasons.h"

#include "platform/DirectoryListing.h"
#include "platform/FileName.h"
#include "platform/FileOps.h"
#include "scan/ResultCells.h"
#include "text/FoldCase.h"

#include <cerrno>

namespace {

QString prefixOf(Attempt attempt) {
    switch (attempt) {
    case Attempt::Copy:
    case Attempt::CopyLink:
        return QStringLiteral("Nicht kopiert: ");
    case Attempt::Delete:
        return QStringLiteral("Nicht gelöscht: ");
    case Attempt::Redate:
        return QStringLiteral("Datum nicht geändert: ");
    }
    return QString();
}

// Characters that FAT, exFAT and NTFS refuse in a name.
bool refusedOnSticks(const QString& name) {
    for (const QChar c : name)
        if (c.unicode() < 0x20 || QStringLiteral(":?*\"<>|\\").contains(c))
            return true;
    return false;
}

// What stands at a destination's name in its folder: the entry of exactly that name, or else one
// whose name differs only in letter case.
struct Occupant {
    QString name;
    bool folder = false;
    bool exact = false;
};

Occupant occupantOf(const QString& destination) {
    const QString path = destination.endsWith(u'/') ? destination.chopped(1) : destination;
    const QString folder = FolderPartOf(path);
    const QString name = FileNameOf(path);
    const QString folded = FoldCase(name);
    Occupant found;
    Folder listing = Folder::openRoot(folder.isEmpty() ? QStringLiteral(".") : folder);
    listing.read([&](const ListedEntry& e) {
        if (e.kind == EntryKind::Dot)
            return true;
        const QString entry = DecodeFileName(e.name, e.nameLength);
        if (entry == name || (!found.exact && FoldCase(entry) == folded)) {
            found = {entry, e.kind == EntryKind::Directory, entry == name};
            return !found.exact;
        }
        return true;
    });
    return found;
}

QString takenReason(const QString& destination) {
    const bool wantFolder = destination.endsWith(u'/');
    const Occupant occupant = occupantOf(destination);
    if (!occupant.name.isEmpty() && occupant.folder != wantFolder)
        return FileAndFolderReason();
    if (!occupant.name.isEmpty() && !occupant.exact)
        return CaseTakenReason(occupant.name);
    return QStringLiteral("Auf dem Ziel steht seit dem Scan ein anderer Eintrag dieses Namens");
}

// Whether the folder of a destination can still be looked at: a medium that is gone cannot.
bool mediumAnswers(const QString& destination) {
    const QString path = destination.endsWith(u'/') ? destination.chopped(1) : destination;
    return path.isEmpty() || StatPath(FolderPartOf(path)).kind == PathKind::Directory;
}

QString reasonOf(Attempt attempt, int error, const QString& destination) {
    if (attempt == Attempt::CopyLink && (error == EPERM || error == ENOSYS || error == EOPNOTSUPP))
        return QStringLiteral("Verknüpfungen sind auf dem Ziel-Dateisystem nicht möglich");
    switch (error) {
    case PathThroughLink:
        return QStringLiteral("Der Pfad führt über eine Verknüpfung");
    case NoTrash:
        return QStringLiteral("Auf diesem Datenträger gibt es keinen Papierkorb");
    case NoRoomForTrash:
        return QStringLiteral("Kein Platz mehr, solange der Papierkorb die alten Versionen behält");
    case NotAsScanned:
        return attempt == Attempt::Copy || attempt == Attempt::CopyLink
                   ? QStringLiteral("Das Ziel hat sich seit dem Scan verändert; bitte erneut scannen")
                   : QStringLiteral("Der Eintrag hat sich seit dem Scan verändert; bitte erneut scannen");
    case WriteProtected:
        return QStringLiteral("Die Datei ist schreibgeschützt");
    case EEXIST:
    case ENOTEMPTY:
        if (attempt == Attempt::Delete)
            return QStringLiteral("Der Ordner ist nicht leer");
        return takenReason(destination);
    case EISDIR:
    case ENOTDIR:
        return FileAndFolderReason();
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("Kein Platz mehr auf dem Datenträger");
    case EFBIG:
        return QStringLiteral("größer als 4 GB, zu groß für FAT32");
    case EACCES:
    case EROFS:
        return QStringLiteral("Keine Schreibrechte");
    case ENAMETOOLONG:
        return QStringLiteral("Name zu lang für das Ziel-Dateisystem");
    case SourceNotAsScanned:
        return QStringLiteral("Die Quelle hat sich seit dem Scan verändert; bitte erneut scannen");
    case CopyDamaged:
        return QStringLiteral("Kopie auf dem Datenträger fehlerhaft");
    case EIO:
        // The medium still answers: it failed to write. Gone, it is unreachable.
        if (mediumAnswers(destination))
            return QStringLiteral("Schreibfehler auf dem Datenträger (Ein-/Ausgabefehler)");
        return QStringLiteral("Datenträger nicht erreichbar (entfernt?)");
    case ENODEV:
    case ENXIO:
    case ENOTCONN:
    case ESHUTDOWN:
        return QStringLiteral("Datenträger nicht erreichbar (entfernt?)");
    case ENOTSUP:
        return attempt == Attempt::Redate
                   ? QStringLiteral("Das Ziel-Dateisystem hat das Datum nicht übernommen")
                   : QStringLiteral("Vom Ziel-Dateisystem nicht unterstützt");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("Die Datei ist in Benutzung");
    default:
        break;
    }
    if ((error == EINVAL || error == EILSEQ || error == ENOENT || error == EPERM) &&
        refusedOnSticks(FileNameOf(destination.endsWith(u'/') ? destination.chopped(1) : destination)))
        return QStringLiteral("Name auf dem Ziel-Dateisystem nicht erlaubt");
    if (error == EPERM)
        return QStringLiteral("Keine Schreibrechte");
    if (error == ENOENT && attempt != Attempt::Copy && attempt != Attempt::CopyLink)
        return QStringLiteral("Der Eintrag ist nicht mehr vorhanden");
    if (error == ENOENT) {
        const QString path = destination.endsWith(u'/') ? destination.chopped(1) : destination;
        return StatPath(FolderPartOf(path)).kind == PathKind::Directory
                   ? QStringLiteral("Die Quelle ist nicht mehr vorhanden")
                   : QStringLiteral("Der Ordner fehlt auf dem Ziel");
    }
    if (error == EINVAL || error == EILSEQ)
        return QStringLiteral("Name auf dem Ziel-Dateisystem nicht erlaubt");
    return QStringLiteral("Fehler Nr. %1 des Systems").arg(error);
}

} // namespace

QString FailureText(Attempt attempt, int error, const QString& destination) {
    return prefixOf(attempt) + reasonOf(attempt, error, destination);
}

QString FailureText(Attempt attempt, const QString& reason) {
    return prefixOf(attempt) + reason;
}
