// The station over a real AgwTcpLink to engine A, ticked at its timer's pace; the remote stations
// are plain AGW clients of engine B, joined to A by run.sh's simulated radio link.

#include "RemoteStation.h"
#include "StationOnAgw.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray kWelcome = "Welcome to N0AAA's Packet Station!\r\n";

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void callsLinesBeaconAndConferenceOverTheAir() {
        if (e2ePort("AGW_PORT_A") == 0 || e2ePort("AGW_PORT_B") == 0)
            QSKIP("needs the Direwolf pair: run it through tests/e2e/run.sh");
        useScratchConfigHomeInEnglish();
        StationOnAgw a(e2ePort("AGW_PORT_A"));
        StationHarness& h = a.h;
        QVERIFY2(a.link.registeredCall() == "N0AAA", qPrintable(a.link.lastError()));
        // The engine names its one radio port, and the status line names the port in use.
        AIR_VERIFY(h.view.engineStatus.contains(u"; port 0: first soundcard"_s));
        Remote b("N0BBB"), c("N0CCC");
        QVERIFY2(b.registerAt(e2ePort("AGW_PORT_B")) && c.registerAt(e2ePort("AGW_PORT_B")),
                 "engine B refused a remote");

        // A caller gets the welcome, its line reaches its tab, the operator's typed line reaches
        // the caller, the beacon is heard, and the operator hangs up.
        b.send('C');
        AIR_COMPARE(b.data(), kWelcome);
        QCOMPARE(h.view.captions[0], u"N0BBB"_s);
        b.send('D', "Hello from N0BBB\r");
        AIR_VERIFY(
            a.channel(0).endsWith(u"*** CONNECTED To Station N0BBB\r\nHello from N0BBB\r\n"_s));
        a.enter(u"Fine here, 12 degrees and sunny."_s);
        AIR_COMPARE(b.data(), kWelcome + "Fine here, 12 degrees and sunny.\r");
        for (int i = 0; i < BeaconAndCapture::kBeaconLimit; ++i) // the next tick sends it
            h.station().beacon().tick();
        AIR_VERIFY(b.data('U', "BEACON").contains(h.state.beaconText.toLatin1()));
        a.enter(u":D"_s);
        AIR_COMPARE(b.count('d'), 1);
        AIR_COMPARE(h.view.captions[0], u"Open"_s);
        QVERIFY(a.channel(0).contains(u"*** DISCONNECTED From Station N0BBB\r\n"_s));
        // Heard on the air with where it sent to; N0BBB is heard already, by its connected lines.
        const quint32 framesOfB = h.station().heard().find(u"N0BBB"_s)->frames;
        b.send('M', "N0BBB monitor test\r");
        AIR_VERIFY(h.station().heard().find(u"N0BBB"_s)->frames > framesOfB);
        QCOMPARE(h.station().heard().find(u"N0BBB"_s)->destination, u"N0AAA"_s);

        // The conference relays every line to everyone, and never the links' own frames.
        h.station().onConferenceClicked(1);
        const qsizetype before = b.data().size();
        b.send('C');
        auto welcome = [](const QByteArray& members, const QByteArray& call) {
            return kWelcome + "You are currently in conference with the following station(s):\r\n" +
                   members + " \r\r\nde " + call + ": *** CONNECTED To Station " + call + "\r\n";
        };
        QByteArray toB = welcome("N0AAA N0BBB", "N0BBB"), toC;
        const auto bothGet = [&] {
            AIR_COMPARE(c.data(), toC);
            AIR_COMPARE(b.data().mid(before), toB);
        };
        bothGet();
        c.send('C');
        toC = welcome("N0AAA N0BBB N0CCC", "N0CCC");
        toB += "\r\nde N0CCC: *** CONNECTED To Station N0CCC\r\n";
        bothGet();
        b.send('D', "Hello conference\r");
        toB += "\r\nde N0BBB: Hello conference\r\n";
        toC += "\r\nde N0BBB: Hello conference\r\n";
        bothGet();
        b.send('d');
        AIR_COMPARE(h.view.captions[0], u"Open"_s);
        c.send('d');
        AIR_COMPARE(h.view.captions[1], u"Open"_s);
        // By now every acknowledgement of those lines was on the air: none came back as text.
        QCOMPARE(b.data().mid(before), toB);
        QCOMPARE(c.data(), toC);
        for (const QString& text : {a.channel(0), a.channel(1)})
            QVERIFY2(!text.contains(u" 1:Fm "_s), qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(EndToEndTest)
#include "tst_e2e_station.moc"
