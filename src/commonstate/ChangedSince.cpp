#include "commonstate/ChangedSince.h"

#include <cstdlib>

bool ChangedOn(int side, const FileNow& now, const RememberedFile& remembered, const Settings& settings) {
    if (now.size != remembered.size[side])
        return true;
    const int32_t then = remembered.date[side];
    if (!now.exactTimes)
        return CompareTimes(now.date, then, settings) != 0;
    if (remembered.utcOffset != RememberedFile::UnknownOffset)
        return int64_t(now.date) - now.utcOffset != int64_t(then) - remembered.utcOffset;
    // A state of an older file does not say what offset its dates were made with: the same second,
    // or exactly one of the daylight-saving shifts.
    const int64_t d = std::llabs(int64_t(now.date) - then);
    return d != 0 && d != settings.TimeSummerDiff && d != settings.TimeSummerDiff2;
}

uint8_t SidesChangedOf(const ResultRow& row, const RememberedFile& remembered, const Settings& settings,
                       int64_t utcOffset) {
    uint8_t changed = NeitherChanged;
    for (int side = 0; side < 2; ++side) {
        const FileNow now{side == 0 ? row.size1 : row.size2, side == 0 ? row.date1 : row.date2, utcOffset,
                          bool(row.sides & (ExactTimesOn1 << side))};
        if (!PresentOn(row, side) || ChangedOn(side, now, remembered, settings))
            changed |= uint8_t(1 << side);
    }
    return changed;
}
