#include "tandrix/BuildStamp.h"

#include <cstring>

namespace {

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t daysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// The number of `width` digits at `text`, blanks before the first digit allowed; -1 otherwise.
int number(const char* text, int width) {
    int value = 0;
    bool digits = false;
    for (int i = 0; i < width; ++i) {
        const char c = text[i];
        if (c == ' ' && !digits)
            continue;
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
        digits = true;
    }
    return digits ? value : -1;
}

} // namespace

std::int64_t StampOfCompilerDate(const char* date, const char* time) {
    static const char months[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    if (!date || !time || std::strlen(date) != 11 || std::strlen(time) != 8 || date[3] != ' ' ||
        date[6] != ' ' || time[2] != ':' || time[5] != ':')
        return -1;
    int month = 0;
    while (month < 12 && std::strncmp(months + 3 * month, date, 3) != 0)
        ++month;
    const int day = number(date + 4, 2);
    const int year = number(date + 7, 4);
    const int hour = number(time, 2);
    const int minute = number(time + 3, 2);
    const int second = number(time + 6, 2);
    if (month == 12 || day < 1 || day > 31 || year < 0 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || second < 0 || second > 60)
        return -1;
    return daysFromCivil(year, month + 1, day) * 86400 + hour * 3600 + minute * 60 + second;
}
