#include "TextRoutines.h"

QString expandLineBreaks(const QString& text) {
    // Written in place, not a character at a time: every frame and line passes through here.
    qsizetype breaks = 0;
    for (const QChar ch : text)
        breaks += ch == u'\r' || ch == u'\n' ? 1 : 0;
    if (breaks == 0)
        return text;
    QString out(text.size() + breaks, Qt::Uninitialized);
    QChar* to = out.data();
    for (const QChar ch : text) {
        if (ch == u'\r' || ch == u'\n') {
            *to++ = u'\r';
            *to++ = u'\n';
        } else {
            *to++ = ch;
        }
    }
    return out;
}

QString caseFolded(QString text) {
    for (QChar& ch : text)
        ch = ch.toCaseFolded();
    return text;
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
