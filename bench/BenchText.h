#pragma once

#include <QString>

// About `chars` characters of 80-column lines, to fill views and pages.
inline QString benchText(int chars, QChar fillChar = QLatin1Char('x')) {
    const QString line = QString(78, fillChar) + QStringLiteral("\r\n");
    QString text;
    text.reserve(chars + 80);
    while (text.size() < chars)
        text += line;
    return text;
}
