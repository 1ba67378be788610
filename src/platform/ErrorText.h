#pragma once

#include <QString>

// Why a call failed, in German, for an errno value; the system's own text where no German one is
// kept. 0 (no errno told) gives "unbekannter Fehler".
QString ErrorText(int error);
