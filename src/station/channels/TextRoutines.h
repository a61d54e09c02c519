#pragma once

#include <QString>

// Every CR and every LF becomes CR LF, so a CR LF pair doubles.
QString expandLineBreaks(const QString& text);

// Each character as QString's comparisons without regard to case fold it, so a case-sensitive
// search of folded texts finds what a caseless one would; for texts without surrogates, which fold
// in pairs.
QString caseFolded(QString text);

// Whether `part` occurs in `text`, compared character for character.
bool containsText(QStringView text, QStringView part);

// 189858 as "189 858", the way the status line counts.
QString groupedCount(quint64 count);

// Expanded text (every break a CR LF) with `stamp` and a blank before the first character of each
// line it holds text of; `atLineStart` tells whether the text before it ended its line. Empty
// lines get none.
QString stampLines(const QString& text, const QString& stamp, bool atLineStart);
