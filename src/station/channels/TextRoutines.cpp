#include "TextRoutines.h"

QString expandLineBreaks(const QString& text) {
    QString out;
    out.reserve(text.size() + text.size() / 8 + 2);
    for (const QChar ch : text) {
        if (ch == u'\r' || ch == u'\n')
            out += QStringLiteral("\r\n");
        else
            out += ch;
    }
    return out;
}

QString groupedCount(quint64 count) {
    QString digits = QString::number(count);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(' '));
    return digits;
}

QString stampLines(const QString& text, const QString& stamp, bool atLineStart) {
    QString out;
    out.reserve(text.size() + 8 * (stamp.size() + 1));
    bool atStart = atLineStart;
    for (const QChar ch : text) {
        const bool lineBreak = ch == u'\r' || ch == u'\n';
        if (atStart && !lineBreak)
            out += stamp + QLatin1Char(' ');
        out += ch;
        atStart = ch == u'\n';
    }
    return out;
}
