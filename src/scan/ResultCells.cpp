#include "scan/ResultCells.h"

#include "platform/FileName.h"

namespace {

// Days since 1970-01-01 to year, month and day of the proleptic Gregorian calendar, in integers
// only, so the cell does not depend on the time-zone rules of the machine showing it.
void civilFromDays(int64_t days, int64_t& year, int& month, int& day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    day = int(dayOfYear - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

void putTwo(QChar*& out, int value) {
    *out++ = QChar(u'0' + value / 10);
    *out++ = QChar(u'0' + value % 10);
}

} // namespace

QString DateText(int32_t localSeconds) {
    if (localSeconds == 0)
        return QString();
    int64_t secs = localSeconds;
    int64_t days = secs / 86400;
    int64_t rest = secs % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    int64_t year;
    int month;
    int day;
    civilFromDays(days, year, month, day);
    const int hour = int(rest / 3600);
    const int minute = int(rest / 60 % 60);
    const int second = int(rest % 60);

    QString text(19, Qt::Uninitialized);
    QChar* out = text.data();
    putTwo(out, day);
    *out++ = u'.';
    putTwo(out, month);
    *out++ = u'.';
    putTwo(out, int(year / 100));
    putTwo(out, int(year % 100));
    *out++ = u' ';
    putTwo(out, hour);
    *out++ = u':';
    putTwo(out, minute);
    *out++ = u':';
    putTwo(out, second);
    return text;
}

QString SizeText(int64_t size) {
    if (size == DirectorySize)
        return QStringLiteral("<DIR>");
    return QString::number(size);
}

QString FileNameOf(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString FolderPartOf(const QString& path) {
    return path.left(path.lastIndexOf(u'/') + 1);
}

QString ReadableName(const QString& name) {
    if (!HasRawBytes(name))
        return name;
    QString out = name;
    char16_t* u = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (u[i] >= 0xD800 && u[i] <= 0xDBFF && i + 1 < out.size() && u[i + 1] >= 0xDC00 &&
            u[i + 1] <= 0xDFFF)
            ++i;
        else if (u[i] >= 0xD800 && u[i] <= 0xDFFF)
            u[i] = 0xFFFD;
    }
    return out;
}

QString RowNote(const ResultRow& row) {
    QStringList notes;
    if (!row.failure.isEmpty())
        notes << row.failure;
    if (row.unreadable)
        notes << QStringLiteral("Ordner konnte nicht gelesen werden");
    else if (row.uncertain)
        notes << QStringLiteral("Unvollständiger Scan: erst nach einem vollständigen Scan ausführbar");
    if (row.bothChanged)
        notes << QStringLiteral("Auf beiden Seiten geändert seit dem letzten Abgleich ") +
                     DateText(row.inStepSince);
    // By SinceSync, which starts with NothingKnown.
    static const char16_t* const since[] = {nullptr, u"Seit dem letzten Abgleich auf Seite 1 gelöscht",
                                            u"Seit dem letzten Abgleich auf Seite 2 gelöscht",
                                            u"Auf Seite 1 gelöscht, auf Seite 2 geändert",
                                            u"Auf Seite 2 gelöscht, auf Seite 1 geändert"};
    if (row.sinceSync > NothingKnown && row.sinceSync <= DeletedOn2ChangedOn1)
        notes << QString::fromUtf16(since[row.sinceSync]);
    if (row.olderWins)
        notes << QStringLiteral("Seit dem letzten Abgleich auf Seite %1 geändert (älteres Datum)")
                     .arg(row.action == u'<' ? 2 : 1);
    return notes.join(u'\n');
}

QString FutureDatedText(int count) {
    return QString::number(count) +
           QStringLiteral(" Datei(en) tragen ein Datum, das mehr als einen Tag nach der Uhrzeit dieses "
                          "Computers liegt: Die Uhr dieses Computers oder die Daten dieser Dateien sind "
                          "falsch.");
}

QString FileAndFolderReason() {
    return QStringLiteral("Datei und Ordner gleichen Namens");
}

QString CaseTakenReason(const QString& existingName) {
    return QStringLiteral(
               "Das Ziel unterscheidet nicht zwischen Groß- und Kleinschreibung und hat schon '%1'")
        .arg(ReadableName(existingName));
}

QString CellText(const ResultRow& row, int column) {
    switch (column) {
    case ColumnFile:
        return FileNameOf(row.path);
    case ColumnPath:
        return row.path;
    case ColumnSize1:
        return SizeText(row.size1);
    case ColumnDate1:
        return DateText(row.date1);
    case ColumnAction:
        return row.action.isNull() ? QString() : QString(row.action);
    case ColumnDate2:
        return DateText(row.date2);
    case ColumnSize2:
        return SizeText(row.size2);
    default:
        return QString();
    }
}
