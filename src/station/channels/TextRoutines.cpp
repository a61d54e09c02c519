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
