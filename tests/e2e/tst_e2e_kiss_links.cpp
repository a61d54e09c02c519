// The station's own link layer on engine A as a KISS TNC (run.sh --kiss): N0BBB, a client of
// engine B and so of Direwolf's link layer, calls the station and is called by it. Run with
// AIR_DROP set, the air loses transmissions and the transfer must still arrive whole.

#include "RemoteStation.h"
#include "StationOnKiss.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// 4 kB each way at once at 1200 baud: some 75 s on clean air; each lost transmission costs a T1
// (3 s and more) on top, and Direwolf's T1 grows long on a long link.
constexpr int kTransferMs = 240000;
const QByteArray kWelcome = "Welcome to N0AAA's Packet Station!\r\n";

// 4 096 bytes in 64 numbered lines: a frame lost, doubled or out of place shows in the text.
QByteArray fourKilobytes(const QByteArray& from) {
    QByteArray out;
    for (int i = 0; i < 64; ++i) {
        const QByteArray line = from + " line " + QByteArray::number(i).rightJustified(2, '0');
        out += line + QByteArray(63 - line.size(), char('a' + i % 26)) + '\r';
    }
    return out;
}

// Connected data as the station's view shows it.
QString shown(const QByteArray& data) {
    return QString::fromLatin1(data).replace(u'\r', "\r\n"_L1);
}

// 4 kB both ways at once: a file through the station's Send File, and AGW frames of 256 bytes
// from N0BBB. Each side gets the other's whole, in order and once.
void bothWays(StationOnKiss& a, Remote& b) {
    const QByteArray up = fourKilobytes("N0AAA"), down = fourKilobytes("N0BBB");
    const qsizetype atB = b.data().size(), atA = a.channel(0).size();
    QVERIFY(a.h.offerFile(up));
    a.h.station().onSendFileMenu();
    for (qsizetype at = 0; at < down.size(); at += 256)
        b.send('D', down.mid(at, 256));
    QTRY_COMPARE_WITH_TIMEOUT(a.channel(0).mid(atA), shown(down), kTransferMs);
    QTRY_COMPARE_WITH_TIMEOUT(b.data().mid(atB), up + '\r', kTransferMs);
    // The link layer, not a timer, tells the station the last frame arrived.
    AIR_COMPARE(a.h.view.notices.last(), u"upload.bin sent to N0BBB"_s);
}

} // namespace

class KissLinksEndToEndTest : public QObject {
    Q_OBJECT

    std::unique_ptr<StationOnKiss> a;
    std::unique_ptr<Remote> b;

    // N0BBB calls and gets the welcome; 4 kB go both ways; the station hangs up.
    void calledThenHangsUp() {
        b->send('C');
        AIR_COMPARE(b->data(), kWelcome);
        QCOMPARE(a->h.view.captions[0], u"N0BBB"_s);
        bothWays(*a, *b);
        a->enter(u":D"_s);
        AIR_COMPARE(b->count('d'), 1);
        AIR_COMPARE(a->h.view.captions[0], u"Open"_s);
    }

private slots:
    void init() {
        if (e2ePort("KISS_PORT_A") == 0)
            QSKIP("needs Direwolf as a KISS TNC: run it through tests/e2e/run.sh --kiss");
        useScratchConfigHomeInEnglish();
        a = std::make_unique<StationOnKiss>(
            *EngineAddress::parse(u"kiss 127.0.0.1:%1"_s.arg(e2ePort("KISS_PORT_A"))));
        b = std::make_unique<Remote>("N0BBB");
        QVERIFY2(a->link.isAttached(), qPrintable(a->link.lastError()));
        QVERIFY2(b->registerAt(e2ePort("AGW_PORT_B")), "engine B refused N0BBB");
    }
    void cleanup() { b.reset(), a.reset(); }

    // Called, then calling: 4 kB both ways, then each end hangs up once.
    void calledAndCalling() {
        calledThenHangsUp();
        a->enter(u":C N0BBB"_s);
        AIR_COMPARE(b->count('C'), 2);
        AIR_VERIFY(a->channel(0).endsWith(u"*** CONNECTED With Station N0BBB\r\n"_s));
        QCOMPARE(a->h.view.captions[0], u"N0BBB"_s);
        b->send('d');
        AIR_COMPARE(a->h.view.captions[0], u"Open"_s);
        QVERIFY(a->channel(0).contains(u"\n*** DISCONNECTED From Station N0BBB\r\n"_s));
    }

    // One transmission in AIR_DROP lost: the same exchange still arrives whole, and the link ends
    // when the station hangs up.
    void lossyAir() {
        if (qEnvironmentVariableIntValue("AIR_DROP") == 0)
            QSKIP("needs lossy air: AIR_DROP=10 run.sh --kiss");
        calledThenHangsUp();
    }
};

QTEST_GUILESS_MAIN(KissLinksEndToEndTest)
#include "tst_e2e_kiss_links.moc"
