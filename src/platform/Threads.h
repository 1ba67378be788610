#pragma once

// Called first on every thread the program starts: gives the thread its own alternate signal
// stack, so a stack overflow on it is still reported as a fault.
void PrepareWorkerThread();
