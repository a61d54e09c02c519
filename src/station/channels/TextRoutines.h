#pragma once

#include <QString>

// Every CR and every LF becomes CR LF, so a CR LF pair doubles.
QString expandLineBreaks(const QString& text);

// 189858 as "189 858", the way the status line counts.
QString groupedCount(quint64 count);
