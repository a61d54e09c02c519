// The station on engine A as a KISS TNC (run.sh --kiss), over Direwolf's own pseudo-terminal; the
// remote stations are AGW clients of engine B (the KISS links test takes TCP).

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

    // What a client of B sends goes out on the air, and the station on Direwolf's pseudo-terminal
    // hears it: in the heard list, and in All Traffic with the very header engine A's own AGW
    // monitor gives the same frame.
    void hearsAsTheAgwMonitorDoes() {
        const QString tnc = qEnvironmentVariable("KISS_PTY");
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
    }
};

QTEST_GUILESS_MAIN(KissEndToEndTest)
#include "tst_e2e_kiss.moc"
