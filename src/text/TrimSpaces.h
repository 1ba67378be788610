#pragma once

#include <QString>

// Removes leading and trailing space characters, and only those: filter words and the quick
// filter keep their tabs and other blanks.
inline QString TrimSpaces(const QString& s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && s[begin] == u' ')
        ++begin;
    while (end > begin && s[end - 1] == u' ')
        --end;
    return s.mid(begin, end - begin);
}
