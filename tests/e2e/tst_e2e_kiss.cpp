// The station on engine A as a KISS TNC (run.sh --kiss), over TCP and over Direwolf's own
// pseudo-terminal; the remote stations are AGW clients of engine B.

#include "RemoteStation.h"
#include "StationOnKiss.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class KissEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (e2ePort("KISS_PORT_A") == 0)
            QSKIP("needs Direwolf as a KISS TNC: run it through tests/e2e/run.sh --kiss");
        useScratchConfigHomeInEnglish();
    }

    // What a client of B sends goes out on the air, and the station hears it: in the heard list,
    // and in All Traffic with the very header engine A's own AGW monitor gives the same frame. Its
    // beacon goes out as a UI frame that B hears, and shows here as sent.
    void hearsAsTheAgwMonitorDoesAndBeacons_data() {
        QTest::addColumn<QString>("tnc");
        QTest::newRow("tcp") << u"127.0.0.1:%1"_s.arg(e2ePort("KISS_PORT_A"));
        QTest::newRow("pseudo-terminal") << qEnvironmentVariable("KISS_PTY");
    }
    void hearsAsTheAgwMonitorDoesAndBeacons() {
        QFETCH(QString, tnc);
        StationOnKiss a(*EngineAddress::parse(u"kiss "_s + tnc));
        QVERIFY2(a.link.isAttached(), qPrintable(a.link.lastError()));
        Remote b("N0BBB"), monitor("N0MON");
        QVERIFY2(b.registerAt(e2ePort("AGW_PORT_B")) && monitor.registerAt(e2ePort("AGW_PORT_A")),
                 "an engine refused a client");
        const QByteArray text = "N0BBB heard over KISS by " + tnc.toLatin1();
        b.send('M', text + '\r', "CQ");
        AIR_VERIFY(a.h.station().heard().find(u"N0BBB"_s) && a.traffic().contains(text));
        const auto fromB = [](const AgwFrame& f) { return f.kind == 'U' && f.callFrom == "N0BBB"; };
        AIR_VERIFY(std::ranges::any_of(monitor.frames, fromB));
        const QByteArray seen = std::ranges::find_if(monitor.frames, fromB)->data;
        const QString header = QString::fromLatin1(seen.left(seen.indexOf('[')));
        QVERIFY2(header.startsWith(u" 1:Fm N0BBB To CQ <UI"_s) && a.traffic().contains(header),
                 qPrintable(header + u" | "_s + a.traffic()));

        for (int i = 0; i < BeaconAndCapture::kBeaconLimit; ++i)
            a.h.station().beacon().tick();
        AIR_VERIFY(b.data('U', "BEACON").contains(a.h.state.beaconText.toLatin1()));
        QVERIFY(a.traffic().contains(u" 1:Fm N0AAA To BEACON <UI pid=F0"_s));
    }
};

QTEST_GUILESS_MAIN(KissEndToEndTest)
#include "tst_e2e_kiss.moc"
