#include "platform/HostName.h"

#include "platform/FileName.h"

#include <cstring>
#include <unistd.h>

QString HostName() {
    char name[256] = {};
    // A name cut at the buffer's end need not be terminated.
    if (gethostname(name, sizeof name - 1) != 0)
        return QString();
    return DecodeFileName(name, qsizetype(std::strlen(name)));
}
