#include "platform/ShellOpen.h"

#include <QDesktopServices>
#include <QUrl>

void ShellOpen(const QString& path) {
    if (path.isEmpty())
        return;
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
