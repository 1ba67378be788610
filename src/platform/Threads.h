#pragma once

// Called first on every thread the program starts: gives the thread its own alternate signal
// stack for as long as it runs, and notes where its stack lies, so a stack overflow on it is
// still reported, and as a stack overflow.
void PrepareWorkerThread();
