// Compiled anew each time the program file is linked (see CMakeLists.txt beside it), so the
// compiler's __DATE__ and __TIME__, which are local time without zone, are that moment's.
#include "tandrix/BuildStamp.h"

[[gnu::used]] const char BuildStampMarker[] = "Tandrix build stamp: " __DATE__ " " __TIME__;

std::int64_t BuildTimeStamp() {
    return StampOfCompilerDate(__DATE__, __TIME__);
}
