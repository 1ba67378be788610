#pragma once

#include "scan/SideWalk.h"

#include <array>
#include <atomic>
#include <functional>

// Walks side 1 and side 2 at the same time, one worker thread each: the two sides are usually two
// devices (a disk and a stick), and each waits for its own. The calling thread runs `tick` about
// every 10 ms until both walks are done, with both walks' progress, and once more after that with
// `done` set; it keeps the window alive and may set `cancel`, which both walks watch. The result
// never depends on which walk ends first.
std::array<SideTree, 2>
WalkBothSides(const std::array<WalkRequest, 2>& requests, std::atomic<bool>& cancel,
              const std::function<void(std::array<WalkProgress, 2>&, bool done)>& tick);
