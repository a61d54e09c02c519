// The station on engine A reaches N0CCC, out of its range, through N0BBB's digipeater: run.sh
// --three, where engine C hears only B, and B relays whatever is sent through N0BBB.

#include "RemoteStation.h"
#include "StationOnAgw.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class DigipeaterTest : public QObject {
    Q_OBJECT

private slots:
    // Heard through N0BBB, N0CCC is called through it by picking it, and lines go both ways.
    void aStationHeardThroughTheDigipeaterIsCalledThroughIt() {
        if (e2ePort("AGW_PORT_A") == 0 || e2ePort("AGW_PORT_C") == 0)
            QSKIP("needs the three Direwolf engines: run it through tests/e2e/run.sh --three");
        useScratchConfigHomeInEnglish();
        auto a = std::make_unique<StationOnAgw>(e2ePort("AGW_PORT_A"));
        QVERIFY2(a->link.registeredCall() == "N0AAA", qPrintable(a->link.lastError()));
        auto c = std::make_unique<Remote>("N0CCC"); // answers any call it hears
        QVERIFY2(c->registerAt(e2ePort("AGW_PORT_C")), "engine C refused N0CCC");
        // A UI frame through N0BBB: one digipeater, its call in ten NUL-padded bytes.
        c->send('V', '\1' + QByteArray("N0BBB").leftJustified(10, '\0') + "N0CCC here\r", "ID");
        AIR_VERIFY(a->h.station().heard().find(u"N0CCC"_s) != nullptr);
        a->h.station().onHeardCallChosen(u"N0CCC"_s);
        QCOMPARE(a->h.view.sendLine, u":C N0CCC VIA N0BBB"_s);
        a->h.station().onSendLineEnter();
        AIR_VERIFY(c->data('C').startsWith("*** CONNECTED To Station N0AAA"));
        QCOMPARE(std::pair(a->h.view.captions[0], a->h.view.links[0]),
                 std::pair(u"N0CCC"_s, u"N0CCC via N0BBB"_s));
        AIR_VERIFY(a->channel(0).contains(u"*** CONNECTED With Station N0CCC\r\n"_s));
        // The station called is not welcomed: the operator speaks first.
        a->enter(u"Can you copy me through N0BBB?"_s);
        AIR_COMPARE(c->data(), "Can you copy me through N0BBB?\r");
        c->send('D', "Solid copy via the digi\r");
        AIR_VERIFY(a->channel(0).endsWith(u"Solid copy via the digi\r\n"_s));
        a->enter(u":D"_s);
        AIR_COMPARE(c->count('d'), 1);
        AIR_COMPARE(a->h.view.captions[0], u"Open"_s);
    }
};

QTEST_GUILESS_MAIN(DigipeaterTest)
#include "tst_e2e_digipeat.moc"
