#pragma once

#include "commonstate/CommonState.h"

// Why the memory of the last sync stands aside for a side: it acts only where it is sure.
enum class Standing : uint8_t {
    Sure,
    OtherMedium, // the side lies on another file system or folder than when the memory was kept
    Emptied,     // the side lost most of the files the memory holds in step there
};

// What a complete look at the memory against a scan finds.
struct MemoryCheck {
    Standing side[2] = {Standing::Sure, Standing::Sure};
    // A memory kept before machine ids were, that the scan could not prove to be this
    // installation's: it may be the other one's of the same host name, and is not used.
    bool foreign = false;

    bool sure() const { return side[0] == Standing::Sure && side[1] == Standing::Sure && !foreign; }
};

// A side whose root now lies on another mounted file system than when the memory was kept (a stick
// not plugged in, its empty mount folder left on the computer's own disk): 0 or 1, -1 for none.
int SideMovedToOtherFileSystem(const CommonState& state, const FileSystemIdentity now[2]);

// How the memory stands to what the scan found, given what each root lies on now:
// - another file system or root folder than the one remembered (where one is) is another medium;
// - a side missing more than half of the files the memory holds in step and seen by the scan on
//   the other side, and more than `Handful`, beyond the files new on it (a renamed folder loses
//   as many as it gains), is emptied;
// - a memory of the old key is this installation's only where the inodes it remembers on a side
//   that keeps inodes are mostly still those of the files there.
constexpr size_t Handful = 5;
MemoryCheck CheckMemory(const CommonState& state, const FileSystemIdentity now[2], const SideTree& side1,
                        const SideTree& side2, const ScanReport& report);
