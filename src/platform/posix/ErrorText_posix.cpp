#include "platform/ErrorText.h"

#include <cerrno>
#include <cstring>

QString ErrorText(int error) {
    switch (error) {
    case 0:
        return QStringLiteral("unbekannter Fehler");
    case EACCES:
    case EPERM:
        return QStringLiteral("Keine Schreibrechte");
    case EROFS:
        return QStringLiteral("Schreibgeschütztes Dateisystem");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("Kein Platz mehr auf dem Datenträger");
    case EEXIST:
    case ENOTDIR:
        return QStringLiteral("Der Ordner ist eine Datei");
    case ENOENT:
        return QStringLiteral("Der Ordner ist nicht vorhanden");
    case EIO:
        return QStringLiteral("Ein-/Ausgabefehler");
    default:
        break;
    }
    char buffer[256] = {};
    // The GNU strerror_r returns its text, which need not be in the buffer.
    return QString::fromLocal8Bit(strerror_r(error, buffer, sizeof buffer));
}
