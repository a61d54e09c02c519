#include "InputFields.h"

namespace {
bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// Consumes one delimiter at pos: a comma, CR LF, CR or LF.
qsizetype skipDelimiter(const QByteArray& b, qsizetype pos) {
    if (pos >= b.size())
        return pos;
    if (b[pos] == '\r' && pos + 1 < b.size() && b[pos + 1] == '\n')
        return pos + 2;
    return pos + 1;
}
} // namespace

QStringList readInputFields(const QByteArray& b) {
    QStringList fields;
    qsizetype pos = 0;
    const qsizetype n = b.size();
    while (pos < n) {
        while (pos < n && (b[pos] == ' ' || b[pos] == '\t'))
            ++pos;
        QByteArray field;
        if (pos < n && b[pos] == '"') {
            const qsizetype close = b.indexOf('"', pos + 1);
            const qsizetype end = close < 0 ? n : close;
            field = b.mid(pos + 1, end - pos - 1);
            pos = close < 0 ? n : close + 1;
            while (pos < n && b[pos] != ',' && !isLineEnd(b[pos]))
                ++pos; // anything between the closing quote and the delimiter is dropped
        } else {
            const qsizetype start = pos;
            while (pos < n && b[pos] != ',' && !isLineEnd(b[pos]))
                ++pos;
            field = b.mid(start, pos - start);
            while (field.endsWith(' ') || field.endsWith('\t'))
                field.chop(1);
        }
        fields.append(QString::fromLatin1(field));
        pos = skipDelimiter(b, pos);
    }
    return fields;
}

QByteArray writeInputField(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    const bool needsQuotes = bytes.contains(',') || bytes.contains('\r') || bytes.contains('\n') ||
                             bytes.startsWith(' ') || bytes.endsWith(' ') ||
                             bytes.startsWith('\t') || bytes.endsWith('\t') ||
                             bytes.startsWith('"');
    return needsQuotes ? '"' + bytes + '"' : bytes;
}
