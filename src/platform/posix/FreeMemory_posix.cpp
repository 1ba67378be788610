#include "platform/FreeMemory.h"

#include <malloc.h>

void ReturnFreeMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}
