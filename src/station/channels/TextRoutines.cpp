#include "TextRoutines.h"

#include <array>

QString expandLineBreaks(const QString& text) {
    // Written in place, not a character at a time: every frame and line passes through here.
    const QChar* from = text.constData();
    const QChar* const end = from + text.size();
    qsizetype breaks = 0;
    for (const QChar* p = from; p != end; ++p)
        breaks += *p == u'\r' || *p == u'\n';
    if (breaks == 0)
        return text;
    QString out(text.size() + breaks, Qt::Uninitialized);
    QChar* to = out.data();
    for (const QChar* p = from; p != end; ++p) {
        if (*p == u'\r' || *p == u'\n') {
            *to++ = u'\r';
            *to++ = u'\n';
        } else {
            *to++ = *p;
        }
    }
    return out;
}

QString caseFolded(QString text) {
    // Folding is a table lookup per character: ASCII, nearly all that is heard, needs none.
    for (QChar& ch : text) {
        const char16_t u = ch.unicode();
        if (u >= u'A' && u <= u'Z')
            ch = QChar(char16_t(u + (u'a' - u'A')));
        else if (u >= 0x80)
            ch = ch.toCaseFolded();
    }
    return text;
}

bool containsText(QStringView text, QStringView part) {
    const qsizetype m = part.size();
    if (m < 2)
        return text.contains(part);
    // Horspool's search on the pair of characters that ends the window. The captured lines it
    // serves share most of their words, so a single character rarely lets the window move far; a
    // pair mostly does. Pairs that share a slot only make a move shorter, never wrong.
    const auto slot = [](char16_t a, char16_t b) { return ((a << 6) ^ b) & 4095; };
    std::array<quint8, 4096> move;
    move.fill(quint8(qMin<qsizetype>(m - 1, 255)));
    const char16_t* p = part.utf16();
    for (qsizetype end = 1; end < m - 1; ++end)
        move[slot(p[end - 1], p[end])] = quint8(qMin<qsizetype>(m - 1 - end, 255));
    const char16_t lastTwo[] = {p[m - 2], p[m - 1]};
    const char16_t* const stop = text.utf16() + text.size();
    for (const char16_t* last = text.utf16() + m - 1; last < stop;) {
        if (*last == lastTwo[1] && last[-1] == lastTwo[0]) {
            // Lines alike end alike: compared from the end, they differ sooner.
            const char16_t* window = last - (m - 1);
            qsizetype k = m - 3;
            while (k >= 0 && window[k] == p[k])
                --k;
            if (k < 0)
                return true;
        }
        last += move[slot(last[-1], *last)];
    }
    return false;
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
