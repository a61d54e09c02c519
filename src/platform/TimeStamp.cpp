#include "TimeStamp.h"

#include <QLocale>

QString formatTimeStamp(const QDateTime& when) {
    return QLocale().toString(when, QStringLiteral("dddd, MMMM d, yyyy  h:mm:ss AP"));
}
