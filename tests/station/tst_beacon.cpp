// The beacon, the weather report from its data file, and the DX/WX capture.

#include "BeaconAndCapture.h"
#include "StationHarness.h"
#include "WeatherReport.h"

#include <QtTest>

#include <sys/stat.h>

namespace {
QDate today() {
    return FixedClock().when.date();
}

// A data file of 25 fields (or `count`), the named ones filled.
QByteArray wxFile(const QMap<int, QByteArray>& fields, int count = 25) {
    QByteArrayList parts;
    for (int i = 0; i < count; ++i)
        parts << fields.value(i);
    return parts.join('|');
}

const QMap<int, QByteArray> kExample{{5, "12/5/2026"}, {6, "09:15"}, {7, "STN"}, {10, "45"},
                                     {11, "+2"},       {16, "5"},    {17, "12"}, {21, "NW"},
                                     {23, "30.01"},    {24, "-0.02"}};

QMap<int, QByteArray> with(QMap<int, QByteArray> fields, int n, const QByteArray& value) {
    fields[n] = value;
    return fields;
}

QByteArray wx(const QByteArray& report) {
    return "WX U " + QByteArray::number(report.size() + 1) + "@3 " + report + "<CR>";
}
const QByteArray kReport = "WX MYCALL|Tmp 45|3hr +2|Wnd 5|Max 12|Dir NW|Bar 30.01|3hr -0.02|STN";
const QByteArray kEmptyReport = "WX MYCALL|Tmp |3hr |Wnd |Max |Dir |Bar |3hr |";
const QByteArray kBeacon = "BEACON U 22@3 MYCALL packet station<CR>";
} // namespace

class BeaconTest : public QObject {
    Q_OBJECT

    // Sends the beacon with this data file; what went out, as "destination kind length@port".
    static QByteArrayList beacon(StationHarness& h, const QByteArray& file, bool tick = false) {
        h.state.programDir = h.programDir.path();
        if (h.state.callSign.isEmpty())
            h.state.callSign = QStringLiteral("MYCALL");
        h.state.radioPort = 3;
        h.state.beaconText = QStringLiteral("MYCALL packet station");
        if (h.state.weatherPath.isNull()) {
            h.state.weatherPath = h.programDir.filePath(QStringLiteral("wx.txt"));
            QFile f(h.state.weatherPath);
            if (!f.open(QIODevice::WriteOnly) || f.write(file) != file.size())
                return {"<file not written>"};
        }
        h.state.beaconTicks = PollTick::kBeaconLimit;
        tick ? h.station().tick() : h.station().beacon().sendBeacon();
        QByteArrayList out;
        for (const auto& f : h.engine.sent)
            out << f.destination + ' ' + char(f.kind) + ' ' + QByteArray::number(f.length) + '@' +
                       QByteArray::number(f.port) + ' ' + QByteArray(f.data).replace('\r', "<CR>");
        if (h.state.beaconTicks != 0)
            out << "<count not restarted>";
        return out;
    }

private slots:
    void initTestCase() {
        useScratchConfigHome();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void recognisesTodaysDate() {
        const struct {
            const char* text;
            bool today;
        } rows[] = {
            {"12/5/2026", true},
            {"12/5/26", true},
            {"2026-12-05", true},
            {"5.12.2026", true},
            {"12/5/2026 9:18:31 AM", true},
            {"\r\n 12/5/2026 \r\n", true},
            {"12/4/2026", false},
            {"5/12/2026", false},
            {"2/30/2026", false},
            {"12/5/2026 banana", false},
            {"", false},
        };
        for (const auto& r : rows)
            QVERIFY2(Weather::isDateOfDay(QString::fromLatin1(r.text), today()) == r.today, r.text);
        QVERIFY(Weather::isDateOfDay(QLocale().toString(today(), QLocale::ShortFormat), today()));
        // Past 80 characters nothing is looked at, even a date that would do.
        QVERIFY(
            Weather::isDateOfDay("12/5/2026" + QString(60, QLatin1Char(' ')) + "9:18 AM", today()));
        QVERIFY(!Weather::isDateOfDay("12/5/2026" + QString(75, QLatin1Char(' ')) + "9:18 AM",
                                      today()));
    }

    void sendBeacon_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("callSign");
        QTest::addColumn<bool>("weatherOn");
        QTest::addColumn<bool>("beaconOn");
        QTest::addColumn<QByteArrayList>("frames");
        const QByteArray yesterday = "12/4/2026";
        const auto row = [](const char* name, const QByteArray& file, const char* call, bool wxOn,
                            bool beaconOn, const QByteArrayList& frames) {
            QTest::newRow(name) << file << QString::fromLatin1(call) << wxOn << beaconOn << frames;
        };
        row("weather before beacon", wxFile(kExample), "MYCALL", true, true,
            {wx(kReport), kBeacon});
        row("yesterday's file: nothing at all", wxFile(with(kExample, 5, yesterday)), "MYCALL",
            true, true, {});
        row("no date where one is due", wxFile(with(kExample, 5, "STN")), "MYCALL", true, true, {});
        row("empty field 6 skips the date check", wxFile(with(with(kExample, 6, ""), 5, yesterday)),
            "MYCALL", true, false, {wx(kReport)});
        row("fewer than 25 fields read as empty", wxFile(kExample, 12), "MYCALL", true, false,
            {wx("WX MYCALL|Tmp 45|3hr +2|Wnd |Max |Dir |Bar |3hr |STN")});
        row("no bar at all", "just some text", "MYCALL", true, false, {wx(kEmptyReport)});
        row("line break stays in the last field", wxFile(with(kExample, 7, "STN\r\n"), 8), "MYCALL",
            true, false, {wx(kEmptyReport + "STN\r\n").replace("\r\n", "<CR>\n")});
        row("8-bit bytes go out unchanged",
            wxFile(with(kExample, 7,
                        "45\xB0"
                        "F \xE9t\xE9")),
            "MYCALL", true, false,
            {wx("WX MYCALL|Tmp 45|3hr +2|Wnd 5|Max 12|Dir NW|Bar 30.01|3hr -0.02|45\xB0"
                "F "
                "\xE9t\xE9")});
        row("two-character call sign: nothing", wxFile(kExample), "MY", true, true, {});
        row("weather off: file not consulted", wxFile(with(kExample, 5, yesterday)), "MYCALL",
            false, true, {kBeacon});
        QByteArray every(200 * 1024, '\0');
        for (qsizetype i = 0; i < every.size(); ++i)
            every[i] = char(i % 256);
        row("every byte: rubbish where a date is due", every, "MYCALL", true, true, {});
        row("every byte but the bar", QByteArray(every).replace('|', '}'), "MYCALL", true, true,
            {wx(kEmptyReport), kBeacon});
    }
    void sendBeacon() {
        QFETCH(QByteArray, file);
        StationHarness h;
        QFETCH(QString, callSign);
        h.state.callSign = callSign;
        QFETCH(bool, weatherOn);
        QFETCH(bool, beaconOn);
        h.state.weatherOn = weatherOn;
        h.state.beaconOn = beaconOn;
        QTEST(beacon(h, file), "frames");
        QCOMPARE(h.beeper.count, 0);
    }

    // No path, a missing file, a folder, a FIFO nobody writes to: nothing goes, nothing hangs.
    void unreadableFileSendsNothing() {
        for (const char* name : {"", "absent.txt", ".", "pipe"}) {
            StationHarness h;
            h.state.weatherOn = h.state.beaconOn = true;
            h.state.weatherPath = *name ? h.programDir.filePath(QString::fromLatin1(name)) : "";
            if (QByteArray(name) == "pipe")
                QCOMPARE(::mkfifo(QFile::encodeName(h.state.weatherPath).constData(), 0600), 0);
            QVERIFY2(beacon(h, {}).isEmpty(), name);
        }
    }

    // Field 6 begins only past the first 64 KiB of a 100 MB file: no date check is due.
    void hugeFileIsReadOnlyAtItsHead() {
        StationHarness h;
        h.state.weatherOn = h.state.beaconOn = true;
        h.state.weatherPath = h.programDir.filePath(QStringLiteral("huge.txt"));
        QFile f(h.state.weatherPath);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("a|b|c|d|e|") == 10);
        QVERIFY(f.seek(100LL * 1024 * 1024) && f.write("|rubbish that is no date") == 24);
        f.close();
        QCOMPARE(beacon(h, {}), (QByteArrayList{wx(kEmptyReport), kBeacon}));
        h.engine.sent.clear();
        h.state.weatherPath = QString(); // written anew by beacon()
        QCOMPARE(beacon(h, wxFile(kExample), true), (QByteArrayList{wx(kReport), kBeacon}));
    }

    void capture_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cleaned"); // also all the Data view holds
        QTest::addColumn<QString>("dx");
        QTest::addColumn<QString>("wx");
        const struct {
            const char *name, *text, *cleaned, *dx, *wx;
        } rows[] = {
            {"DX spot", "DX de N0ABC: 14025.0", "DX de N0ABC: 14025.0", "DX de N0ABC: 14025.0", ""},
            {"lowercase dx", "dx de n0abc: 7010", "dx de n0abc: 7010", "dx de n0abc: 7010", ""},
            {"weather line", "WX MYCALL|Tmp 45", "WX MYCALL|Tmp 45", "", "WX MYCALL|Tmp 45"},
            {"blanks trimmed", "   DX de N0ABC  ", "DX de N0ABC", "DX de N0ABC", ""},
            {"text before the first LF dropped", "Fm N0ABC To DX\nDX de N0ABC\nmore",
             "DX de N0ABC\r\nmore", "DX de N0ABC\r\nmore", ""},
            {"line ends expanded", "DX a\rb\r", "DX a\r\nb\r\n", "DX a\r\nb\r\n", ""},
            {"doubled end cut to one", "DX a\r\r", "DX a\r\n", "DX a\r\n", ""},
            {"four characters: end checked", "\r\r", "\r\n", "", ""},
            {"three characters: no end check", "x\r", "x\r\n", "", ""},
            {"neither", "CQ CQ de N0ABC", "CQ CQ de N0ABC", "", ""},
            {"DX not at the start", "spot: DX", "spot: DX", "", ""},
        };
        for (const auto& r : rows)
            QTest::newRow(r.name) << QString::fromLatin1(r.text) << QString::fromLatin1(r.cleaned)
                                  << QString::fromLatin1(r.dx) << QString::fromLatin1(r.wx);
    }
    void capture() {
        QFETCH(QString, text);
        StationHarness h;
        h.station().beacon().captureDxWx(text);
        QTEST(text, "cleaned");
        QTEST(h.view.text(TextView::Data), "cleaned");
        QTEST(h.view.text(TextView::DX), "dx");
        QTEST(h.view.text(TextView::WX), "wx");
        for (auto it = h.view.carets.cbegin(); it != h.view.carets.cend(); ++it)
            QCOMPARE(it.value(), h.view.text(it.key()).size());
    }

    void duplicatesKeptOut() {
        const struct {
            const char *first, *second;
            TextView view;
            const char* shown;
        } rows[] = {
            {"DX de N0ABC: 14025", "dx DE n0abc: 14025", TextView::DX, "DX de N0ABC: 14025"},
            {"DX de N0ABC: 14025 X", "DX de N0ABC", TextView::DX, "DX de N0ABC: 14025 X"},
            {"DX de N0ABC", "DX de N0ABC: 14025", TextView::DX, "DX de N0ABCDX de N0ABC: 14025"},
            {"WX MYCALL|Tmp 45", "wx mycall|TMP 45", TextView::WX, "WX MYCALL|Tmp 45"},
            {"WX Tmp 45\r", "  WX Tmp 45\r\r  ", TextView::WX, "WX Tmp 45\r\n"},
        };
        for (const auto& r : rows) {
            StationHarness h;
            QString first = QString::fromLatin1(r.first), second = QString::fromLatin1(r.second);
            h.station().beacon().captureDxWx(first);
            h.station().beacon().captureDxWx(second);
            QCOMPARE(h.view.text(r.view), QString::fromLatin1(r.shown));
            QCOMPARE(h.view.text(TextView::Data), first + second); // Data keeps everything
        }
    }

    void boundCutsBackAndLetsTheOldInAgain() {
        StationHarness h;
        BeaconAndCapture& bc = h.station().beacon();
        QString all;
        for (int i = 0; i < 5; ++i) {
            QString spot = QStringLiteral("DX%1").arg(i) + QString(1996, QLatin1Char('x'));
            all += spot;
            bc.captureDxWx(spot);
        }
        QString fresh = QStringLiteral("DX 14025 1");
        bc.captureDxWx(fresh);
        all += fresh;
        QCOMPARE(h.view.text(TextView::DX), all.right(9000));
        QCOMPARE(h.view.text(TextView::Data), all.right(9000));
        // The first spot was cut away, so it counts as new again.
        QString again = QStringLiteral("DX0") + QString(1996, QLatin1Char('x'));
        bc.captureDxWx(again);
        QVERIFY(h.view.text(TextView::DX).endsWith(fresh + again));
    }
};

QTEST_GUILESS_MAIN(BeaconTest)
#include "tst_beacon.moc"
