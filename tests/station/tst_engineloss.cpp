// The engine goes away mid-session and comes back: the station notices,
// keeps everything, refuses to lose typed lines, and attaches again.

#include "AgwTcpLink.h"
#include "FakeEngine.h"
#include "StationHarness.h"

#include <QtTest>
#include <memory>

namespace {
AgwFrame frame(char kind, const QByteArray& from, const QByteArray& data) {
    AgwFrame f{};
    f.kind = kind;
    f.callFrom = from;
    f.callTo = "N0AAA";
    f.data = data;
    f.pid = kind == 'D' ? 0xF0 : 0;
    return f;
}

// Ticks until the condition holds, at most about three seconds.
template <typename Condition> bool tickUntil(StationHarness& h, Condition done) {
    for (int i = 0; i < 300 && !done(); ++i) {
        h.station().tick();
        QTest::qWait(10);
    }
    return done();
}
} // namespace

class EngineLossTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useScratchConfigHome(); }

    void stationReattachesAndKeepsItsViews() {
        auto engine = std::make_unique<FakeEngine>();
        const quint16 port = engine->port();
        AgwTcpLink link(QStringLiteral("127.0.0.1"), port);
        StationHarness h;
        h.link = &link;
        h.store.setCallSign(QStringLiteral("N0AAA"));
        h.startUp();
        QVERIFY(h.timer.active);
        QVERIFY(!h.view.retryVisible);
        QVERIFY(engine->waitForFrames(2, 3000)); // monitoring on, then the call registered
        QCOMPARE(engine->received()[0].kind, 'm');
        QCOMPARE(engine->received()[1].kind, 'X');
        QCOMPARE(engine->received()[1].callFrom, QByteArray("N0AAA"));

        engine->send(frame('C', "N0BBB", QByteArray("*** CONNECTED To Station N0BBB\r", 32)));
        engine->send(frame('D', "N0BBB", "hello from b\r"));
        QVERIFY(tickUntil(h, [&] { return h.view.text(channelView(0)).contains("hello from b"); }));
        const QString channelText = h.view.text(channelView(0));

        engine.reset(); // the engine is killed
        QVERIFY(tickUntil(h, [&] { return h.view.retryVisible; }));
        QVERIFY(h.state.engineLost);
        QVERIFY(h.view.engineStatus.contains(QStringLiteral("127.0.0.1:%1").arg(port)));
        QVERIFY(h.view.engineStatus.contains(QLatin1String("lost")));
        QVERIFY(h.prompts.messages.isEmpty()); // no modal message for a loss

        h.view.sendLine = QStringLiteral("are you there?");
        const int beeps = h.beeper.count;
        h.station().onSendLineEnter();
        QCOMPARE(h.view.sendLine, QStringLiteral("are you there?")); // kept, not lost
        QCOMPARE(h.beeper.count, beeps + 1);
        QVERIFY(h.view.engineStatus.startsWith(QLatin1String("Not sent")));

        // Trying while it is still down says when it tries next.
        h.clock.when = h.clock.when.addSecs(2);
        QVERIFY(tickUntil(h, [&] { return h.view.engineStatus.contains("next try in 1 s"); }));

        FakeEngine restarted(nullptr, port);
        QCOMPARE(restarted.port(), port);
        h.clock.when = h.clock.when.addSecs(3);
        // Attaching goes on over several ticks; none of them waits for the engine.
        QVERIFY(tickUntil(h, [&] { return !h.state.engineLost; }));
        QVERIFY(!h.view.retryVisible);
        QVERIFY(restarted.waitForFrames(2, 3000));
        QCOMPARE(restarted.received()[0].kind, 'm');
        QCOMPARE(restarted.received()[1].kind, 'X');
        QCOMPARE(h.view.text(channelView(0)), channelText);
        QCOMPARE(h.view.captions[0], QStringLiteral("N0BBB"));

        h.station().onSendLineEnter();
        QVERIFY(restarted.waitForFrames(3, 3000));
        QCOMPARE(restarted.received()[2].data, QByteArray("are you there?\r"));
        QCOMPARE(h.view.sendLine, QString());

        // Frames flow again.
        restarted.send(frame('D', "N0BBB", "back again\r"));
        QVERIFY(tickUntil(h, [&] { return h.view.text(channelView(0)).contains("back again"); }));

        // A monitored frame of 1 MB is more than any engine sends: the stream is out
        // of step, the link is dropped and attached again; the station runs on.
        restarted.sendRaw(encodeAgwFrame(frame('U', "N0XX", QByteArray(1024 * 1024, 'm'))));
        QVERIFY(tickUntil(h, [&] { return h.state.engineLost; }));
        h.clock.when = h.clock.when.addSecs(2);
        QVERIFY(tickUntil(h, [&] { return !h.state.engineLost; }));
        QCOMPARE(h.view.text(channelView(0)).count(QLatin1String("back again")), 1);
        QVERIFY(!h.view.text(TextView::AllTraffic).contains(QLatin1String("mmmm")));
    }

    // What the engine sends is shown as it arrives, not at the next tick; the counters still
    // count ticks only.
    void framesAreDispatchedAsTheyArrive() {
        FakeEngine engine;
        StationHarness h;
        AgwTcpLink link(QStringLiteral("127.0.0.1"), engine.port());
        h.link = &link;
        h.store.setCallSign(QStringLiteral("N0AAA"));
        h.startUp();
        QObject::connect(&link, &AgwTcpLink::bytesArrived, [&] { h.station().onFramesArrived(); });
        const float beaconTicks = h.state.beaconTicks;
        engine.send(frame('C', "N0BBB", QByteArray("*** CONNECTED To Station N0BBB\r", 32)));
        for (int i = 0; i < 500; ++i)
            engine.send(frame('U', "N0XX", "monitored " + QByteArray::number(i) + "\r"));
        engine.send(frame('D', "N0BBB", "no tick needed\r"));
        QTRY_VERIFY(h.view.text(channelView(0)).contains(QLatin1String("no tick needed")));
        QTRY_VERIFY(h.view.text(TextView::AllTraffic).contains(QLatin1String("monitored 499")));
        QCOMPARE(h.state.beaconTicks, beaconTicks);
        QCOMPARE(h.engine.getDataCalls, 0); // the fake in-process engine was never asked

        // The engine's last words and its going away come the same way.
        engine.send(frame('D', "N0BBB", "last words\r"));
        engine.dropClients();
        QTRY_VERIFY(h.view.text(channelView(0)).contains(QLatin1String("last words")));
        QTRY_VERIFY(!link.isAttached());
    }
};

QTEST_GUILESS_MAIN(EngineLossTest)
#include "tst_engineloss.moc"
