// A weather station's data file, as the beacon reads it.
// Input: the file.

#include "FuzzStation.h"
#include "WeatherReport.h"

#include <QFile>

namespace {

const QDate kToday(2026, 12, 5); // FixedClock's day
const QString kCall = QStringLiteral("N0ME");

void checkReport(const QString& text, const QLocale& locale) {
    const Weather::Fields fields = Weather::splitFields(text);
    for (const QString& f : fields)
        FUZZ_CHECK(!f.contains(QLatin1Char('|')));
    const std::optional<QString> report = Weather::buildReport(text, kCall, kToday, locale);
    if (report) {
        FUZZ_CHECK(report->startsWith(QStringLiteral("WX N0ME|Tmp ")));
        FUZZ_CHECK(report->endsWith(QLatin1Char('\r')));
    }
    // The whole text as a date: the parsers see anything, within the length bound.
    Weather::isDateOfDay(text, kToday, locale);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzEnv::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzzBytes(data, size);
    const QString text = QString::fromLatin1(bytes.left(Weather::kMaxFileBytes));
    checkReport(text, QLocale(QLocale::English, QLocale::UnitedStates));
    checkReport(text, QLocale(QLocale::German, QLocale::Germany));

    // The same file through the beacon: the report goes out exactly when it is built.
    FuzzStation h;
    const QString path = QDir(h.state.programDir).filePath(QStringLiteral("wx.txt"));
    {
        QFile f(path);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly));
        FUZZ_CHECK(f.write(bytes) == bytes.size());
    }
    h.state.weatherOn = true;
    h.state.weatherPath = path;
    h.make().beacon().sendBeacon();
    const std::optional<QString> report = Weather::buildReport(text, kCall, kToday);
    if (report) {
        FUZZ_CHECK(h.engine.sent.size() == 2);
        FUZZ_CHECK(h.engine.sent[0].destination == "WX");
        FUZZ_CHECK(h.engine.sent[0].data == report->toLatin1());
        FUZZ_CHECK(h.engine.sent[1].destination == "BEACON");
    } else {
        FUZZ_CHECK(h.engine.sent.isEmpty());
    }
    return 0;
}
