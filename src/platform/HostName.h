#pragma once

#include <QString>

// The name of this computer as the system reports it; empty when it cannot be read.
QString HostName();
