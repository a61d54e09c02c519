#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <array>
#include <optional>

// The weather report built from a weather station's data file: one line of
// fields split at "|", of which the report quotes a few.
namespace Weather {

// Only the head of the file is read; the rest counts as absent.
inline constexpr qsizetype kMaxFileBytes = 64 * 1024;
// The report quotes nothing past field 24, so later fields are not kept.
inline constexpr int kFieldCount = 25;

using Fields = std::array<QString, kFieldCount>;

// Splits at "|"; line breaks stay inside their field.
Fields splitFields(const QString& text);

// True when `text` is a date, optionally followed by a time, whose calendar
// day is `day`. Accepts the locale's short and long forms, yyyy-MM-dd,
// M/d/yyyy, M/d/yy and d.M.yyyy.
bool isDateOfDay(const QString& text, const QDate& day, const QLocale& locale = QLocale());

// The report line with its CR; missing fields read as empty.
QString reportText(const QString& callSign, const Fields& fields);

// The report for a file's text, or nothing when field 6 has begun and field 5
// is not today's date: a stale file must not go on the air.
std::optional<QString> buildReport(const QString& fileText, const QString& callSign,
                                   const QDate& today, const QLocale& locale = QLocale());

} // namespace Weather
