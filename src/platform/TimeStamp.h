#pragma once

#include <QDateTime>
#include <QString>

// Follows the default locale (the system one unless a test sets another).
// "Saturday, December 5, 2026  9:18:31 AM": the stamp of channel views and pages.
QString formatTimeStamp(const QDateTime& when);
