#include "ops/ExpectedOn.h"

ExpectedEntry ExpectedOn(const ResultRow& row, int side, int64_t utcOffset) {
    ExpectedEntry expected;
    if (!PresentOn(row, side)) {
        expected.kind = ExpectedEntry::Kind::Nothing;
        return expected;
    }
    expected.kind = ExpectedEntry::Kind::Entry;
    expected.folder = row.path.endsWith(u'/');
    expected.link = row.sides & (LinkOn1 << side);
    expected.stableInodes = row.sides & (StableInodesOn1 << side);
    expected.device = row.seen[side].device;
    expected.inode = row.seen[side].inode;
    expected.size = side == 0 ? row.size1 : row.size2;
    expected.date = side == 0 ? row.date1 : row.date2;
    expected.utcOffset = utcOffset;
    return expected;
}
