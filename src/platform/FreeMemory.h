#pragma once

// Hands the memory that is free inside the process back to the system. A scan builds the trees
// of both sides (tens of megabytes for a large pair of roots) and frees them when the rows are
// made; without this the freed pages stay resident until the program ends.
void ReturnFreeMemory();
