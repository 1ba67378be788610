#include "platform/ShellOpen.h"

#include "platform/FileName.h"

#include <QDesktopServices>
#include <QUrl>

void ShellOpen(const QString& path) {
    if (path.isEmpty())
        return;
    if (!path.startsWith(u'/')) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
        return;
    }
    // Made from the name's bytes, so a name that is not valid UTF-8 still names its own folder.
    QDesktopServices::openUrl(QUrl::fromEncoded("file://" + EncodeFileName(path).toPercentEncoding("/")));
}
