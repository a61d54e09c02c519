#include "WeatherReport.h"

#include <QStringList>

namespace Weather {
namespace {

// Anything longer is no date, and the parsers never see a 64 KiB field.
constexpr qsizetype kMaxDateText = 80;

QStringList dateFormats(const QLocale& locale) {
    return {locale.dateFormat(QLocale::ShortFormat),
            locale.dateFormat(QLocale::LongFormat),
            QStringLiteral("yyyy-MM-dd"),
            QStringLiteral("M/d/yyyy"),
            QStringLiteral("M/d/yy"),
            QStringLiteral("d.M.yyyy")};
}

QStringList timeFormats(const QLocale& locale) {
    return {locale.timeFormat(QLocale::ShortFormat),
            locale.timeFormat(QLocale::LongFormat),
            QStringLiteral("H:mm"),
            QStringLiteral("H:mm:ss"),
            QStringLiteral("H:mm:ss.zzz"),
            QStringLiteral("h:mm AP"),
            QStringLiteral("h:mm:ss AP"),
            QStringLiteral("h:mmAP"),
            QStringLiteral("h:mm:ssAP")};
}

bool hasTwoDigitYear(const QString& format) {
    return format.contains(QLatin1String("yy")) && !format.contains(QLatin1String("yyyy"));
}

QDate parseDate(const QString& text, const QLocale& locale, const QStringList& formats,
                const QDate& near) {
    for (const QString& format : formats) {
        QDate d = locale.toDate(text, format);
        if (!d.isValid())
            continue;
        // Two-digit years come back in the 1900s; move them to the century of `near`.
        if (hasTwoDigitYear(format)) {
            while (d.year() + 50 < near.year())
                d = d.addYears(100);
        }
        return d;
    }
    return {};
}

bool isTime(const QString& text, const QLocale& locale, const QStringList& formats) {
    for (const QString& format : formats) {
        if (locale.toTime(text, format).isValid())
            return true;
    }
    return false;
}

} // namespace

Fields splitFields(const QString& text) {
    Fields fields;
    int n = 0;
    for (const QChar ch : text) {
        if (ch == u'|')
            ++n;
        else if (n < kFieldCount)
            fields[n] += ch;
        if (n >= kFieldCount)
            break;
    }
    return fields;
}

bool isDateOfDay(const QString& text, const QDate& day, const QLocale& locale) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > kMaxDateText || !day.isValid())
        return false;
    const QStringList dates = dateFormats(locale);
    QDate d = parseDate(t, locale, dates, day);
    if (d.isValid())
        return d == day;

    // A date with a time after it: try every place the two could meet.
    const QStringList times = timeFormats(locale);
    for (qsizetype i = 1; i + 1 < t.size(); ++i) {
        if (!t[i].isSpace() && t[i] != u'T')
            continue;
        const QString head = t.left(i).trimmed();
        const QString tail = t.mid(i + 1).trimmed();
        if (head.isEmpty() || tail.isEmpty() || !isTime(tail, locale, times))
            continue;
        d = parseDate(head, locale, dates, day);
        if (d.isValid())
            return d == day;
    }
    return false;
}

QString reportText(const QString& callSign, const Fields& f) {
    return QStringLiteral("WX ") + callSign + QStringLiteral("|Tmp ") + f[10] +
           QStringLiteral("|3hr ") + f[11] + QStringLiteral("|Wnd ") + f[16] +
           QStringLiteral("|Max ") + f[17] + QStringLiteral("|Dir ") + f[21] +
           QStringLiteral("|Bar ") + f[23] + QStringLiteral("|3hr ") + f[24] + QLatin1Char('|') +
           f[7] + QLatin1Char('\r');
}

std::optional<QString> buildReport(const QString& fileText, const QString& callSign,
                                   const QDate& today, const QLocale& locale) {
    const Fields fields = splitFields(fileText);
    // The date is only looked at once field 6 has started.
    if (!fields[6].isEmpty() && !isDateOfDay(fields[5], today, locale))
        return std::nullopt;
    return reportText(callSign, fields);
}

} // namespace Weather
