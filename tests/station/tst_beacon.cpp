#include "BeaconAndCapture.h"
#include "StationHarness.h"
#include "WeatherReport.h"

#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {
QDate today() {
    return FixedClock().when.date();
}

QByteArray usDate(const QDate& d) {
    return QLocale().toString(d, QStringLiteral("M/d/yyyy")).toLatin1();
}

// A data file with `count` fields; the named ones filled, the rest empty.
QByteArray wxFile(const QMap<int, QByteArray>& fields, int count = 25) {
    QByteArrayList parts;
    for (int i = 0; i < count; ++i)
        parts << fields.value(i);
    return parts.join('|');
}

QMap<int, QByteArray> workedExample() {
    return {{5, usDate(today())}, {7, "STN"}, {10, "45"},    {11, "+2"},   {16, "5"},
            {17, "12"},           {21, "NW"}, {23, "30.01"}, {24, "-0.02"}};
}

QMap<int, QByteArray> with(QMap<int, QByteArray> fields, int n, const QByteArray& value) {
    fields[n] = value;
    return fields;
}

// "destination kind length@port data", with CR shown as <CR>.
QByteArrayList describe(const QList<RecordingEngine::Sent>& sent) {
    QByteArrayList out;
    for (const auto& f : sent) {
        QByteArray data = f.data;
        data.replace('\r', "<CR>");
        out << f.destination + ' ' + char(f.kind) + ' ' + QByteArray::number(f.length) + '@' +
                   QByteArray::number(f.port) + ' ' + data;
    }
    return out;
}

const QByteArray kExampleReport =
    "WX MYCALL|Tmp 45|3hr +2|Wnd 5|Max 12|Dir NW|Bar 30.01|3hr -0.02|STN";
const QByteArray kEmptyReport = "WX MYCALL|Tmp |3hr |Wnd |Max |Dir |Bar |3hr |";
const QByteArray kBeacon = "BEACON U 22@3 MYCALL packet station<CR>";

// The weather frame as describe() shows it.
QByteArray wxFrame(const QByteArray& report) {
    QByteArray data = report + '\r';
    const QByteArray length = QByteArray::number(data.size());
    return "WX U " + length + "@3 " + data.replace('\r', "<CR>");
}
} // namespace

class WeatherBeaconTest : public QObject {
    Q_OBJECT

    QString m_wxPath;

    void prepare(StationHarness& h, const QByteArray& file) {
        h.state.programDir = h.programDir.path();
        h.state.callSign = QStringLiteral("MYCALL");
        h.state.radioPort = 3;
        h.state.beaconText = QStringLiteral("MYCALL packet station");
        h.state.beaconOn = true;
        h.state.weatherOn = true;
        h.state.beaconTicks = 901;
        m_wxPath = h.programDir.filePath(QStringLiteral("wx.txt"));
        h.state.weatherPath = m_wxPath;
        QFile f(m_wxPath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(file), file.size());
    }

private slots:
    void initTestCase() {
        useScratchConfigHome();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void recognisesTodaysDate_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isToday");
        const QLocale loc;
        const QDate d = today();
        QTest::newRow("M/d/yyyy") << "12/5/2026" << true;
        QTest::newRow("two-digit year is this century") << "12/5/26" << true;
        QTest::newRow("ISO") << "2026-12-05" << true;
        QTest::newRow("d.M.yyyy") << "5.12.2026" << true;
        QTest::newRow("locale short") << loc.toString(d, QLocale::ShortFormat) << true;
        QTest::newRow("with 12-hour time") << "12/5/2026 9:18:31 AM" << true;
        QTest::newRow("surrounded by blanks and line breaks") << "\r\n 12/5/2026 \r\n" << true;
        QTest::newRow("yesterday") << "12/4/2026" << false;
        QTest::newRow("day and month swapped") << "5/12/2026" << false;
        QTest::newRow("no such day") << "2/30/2026" << false;
        QTest::newRow("date then rubbish") << "12/5/2026 banana" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("overlong") << "12/5/2026" + QString(200, QLatin1Char(' ')) + "x" << false;
    }
    void recognisesTodaysDate() {
        QFETCH(QString, text);
        QTEST(Weather::isDateOfDay(text, today()), "isToday");
    }

    void sendBeacon_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("callSign");
        QTest::addColumn<bool>("weatherOn");
        QTest::addColumn<bool>("beaconOn");
        QTest::addColumn<QByteArrayList>("frames");
        const auto example = workedExample();
        const auto checked = with(example, 6, "09:15");
        const QByteArray yesterday = usDate(today().addDays(-1));

        QTest::newRow("worked example, weather before beacon")
            << wxFile(example) << "MYCALL" << true << true
            << QByteArrayList{wxFrame(kExampleReport), kBeacon};
        QTest::newRow("today's date with field 6 begun")
            << wxFile(checked) << "MYCALL" << true << true
            << QByteArrayList{wxFrame(kExampleReport), kBeacon};
        QTest::newRow("yesterday's file: nothing at all, beacon included")
            << wxFile(with(checked, 5, yesterday)) << "MYCALL" << true << true << QByteArrayList{};
        QTest::newRow("no date where one is due: nothing")
            << wxFile(with(checked, 5, "STN")) << "MYCALL" << true << true << QByteArrayList{};
        QTest::newRow("empty field 6 skips the date check")
            << wxFile(with(example, 5, yesterday)) << "MYCALL" << true << false
            << QByteArrayList{wxFrame(kExampleReport)};
        QTest::newRow("fewer than 25 fields read as empty")
            << wxFile(checked, 12) << "MYCALL" << true << false
            << QByteArrayList{wxFrame("WX MYCALL|Tmp 45|3hr +2|Wnd |Max |Dir |Bar |3hr |STN")};
        QTest::newRow("no bar at all") << QByteArray("just some text") << "MYCALL" << true << false
                                       << QByteArrayList{wxFrame(kEmptyReport)};
        QTest::newRow("line break stays in the last field")
            << wxFile(with(checked, 7, "STN\r\n"), 8) << "MYCALL" << true << false
            << QByteArrayList{wxFrame(kEmptyReport + "STN\r\n")};
        QTest::newRow("8-bit bytes go out unchanged")
            << wxFile(with(checked, 7,
                           "45\xB0"
                           "F \xE9t\xE9"))
            << "MYCALL" << true << false
            << QByteArrayList{wxFrame("WX MYCALL|Tmp 45|3hr +2|Wnd 5|Max 12|Dir NW|Bar 30.01|3hr "
                                      "-0.02|45\xB0"
                                      "F \xE9t\xE9")};
        QTest::newRow("two-character call sign: nothing")
            << wxFile(checked) << "MY" << true << true << QByteArrayList{};
        QTest::newRow("weather off: beacon only, file not consulted")
            << wxFile(with(checked, 5, yesterday)) << "MYCALL" << false << true
            << QByteArrayList{kBeacon};
    }
    void sendBeacon() {
        QFETCH(QByteArray, file);
        StationHarness h;
        prepare(h, file);
        QFETCH(QString, callSign);
        h.state.callSign = callSign;
        QFETCH(bool, weatherOn);
        QFETCH(bool, beaconOn);
        h.state.weatherOn = weatherOn;
        h.state.beaconOn = beaconOn;
        BeaconAndCapture& bc = h.station().beacon();
        bc.sendBeacon();
        QTEST(describe(h.engine.sent), "frames");
        QCOMPARE(h.state.beaconTicks, 0.0f);
        QCOMPARE(h.beeper.count, 0);
    }

    void unreadableFileSendsNothing_data() {
        QTest::addColumn<QString>("name"); // inside the program folder; empty: no path
        QTest::addColumn<bool>("fifo");
        QTest::newRow("no path") << "" << false;
        QTest::newRow("missing file") << "absent.txt" << false;
        QTest::newRow("a folder") << "." << false;
#ifdef Q_OS_UNIX
        QTest::newRow("a pipe nobody writes to") << "pipe" << true;
#endif
    }
    void unreadableFileSendsNothing() {
        QFETCH(QString, name);
        QFETCH(bool, fifo);
        StationHarness h;
        prepare(h, wxFile(workedExample()));
        h.state.weatherPath = name.isEmpty() ? QString() : h.programDir.filePath(name);
#ifdef Q_OS_UNIX
        if (fifo)
            QCOMPARE(::mkfifo(QFile::encodeName(h.state.weatherPath).constData(), 0600), 0);
#else
        Q_UNUSED(fifo);
#endif
        BeaconAndCapture& bc = h.station().beacon();
        bc.sendBeacon();
        QVERIFY(h.engine.sent.isEmpty());
        QCOMPARE(h.state.beaconTicks, 0.0f);
    }

    // Field 6 begins only past the first 64 KiB, so the date check is never due.
    void hugeFileIsReadOnlyAtItsHead() {
        StationHarness h;
        prepare(h, "a|b|c|d|e|");
        QFile f(m_wxPath);
        QVERIFY(f.open(QIODevice::ReadWrite));
        const qint64 size = 100LL * 1024 * 1024;
        QVERIFY(f.seek(size));
        QCOMPARE(f.write("|rubbish that is no date"), 24);
        f.close();

        BeaconAndCapture& bc = h.station().beacon();
        bc.sendBeacon();
        QCOMPARE(describe(h.engine.sent), (QByteArrayList{wxFrame(kEmptyReport), kBeacon}));
    }

    void binaryFile_data() {
        QTest::addColumn<bool>("withBars");
        QTest::addColumn<QByteArrayList>("frames");
        // Every byte value, so field 5 is rubbish where a date is due.
        QTest::newRow("every byte") << true << QByteArrayList{};
        QTest::newRow("every byte but the bar")
            << false << QByteArrayList{wxFrame(kEmptyReport), kBeacon};
    }
    void binaryFile() {
        QFETCH(bool, withBars);
        QByteArray bytes(200 * 1024, '\0');
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i % 256);
        if (!withBars)
            bytes.replace('|', '}');
        StationHarness h;
        prepare(h, bytes);
        BeaconAndCapture& bc = h.station().beacon();
        bc.sendBeacon();
        QTEST(describe(h.engine.sent), "frames");
    }

    void weatherGoesBeforeBeaconInOneTick() {
        StationHarness h;
        prepare(h, wxFile(with(workedExample(), 6, "09:15")));
        h.state.beaconTicks = PollTick::kBeaconLimit;
        h.station().tick();
        QCOMPARE(describe(h.engine.sent), (QByteArrayList{wxFrame(kExampleReport), kBeacon}));
        QCOMPARE(h.state.beaconTicks, 0.0f);
        h.station().tick();
        QCOMPARE(h.engine.sent.size(), 2); // the count starts over
    }
};

QTEST_GUILESS_MAIN(WeatherBeaconTest)
#include "tst_beacon_weather.moc"
