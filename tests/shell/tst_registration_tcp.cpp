// Registration against an engine on a real TCP connection.

#include "AgwTcpLink.h"
#include "FakeEngine.h"
#include "StationHarness.h"

#include <QtTest>
#include <memory>

namespace {
QList<char> kinds(const QList<AgwFrame>& frames) {
    QList<char> out;
    for (const AgwFrame& f : frames)
        out.append(f.kind);
    return out;
}

quint16 closedPort() {
    FakeEngine gone;
    return gone.port(); // nothing listens there once it is destroyed
}
} // namespace

class RegistrationTcpTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useScratchConfigHome(); }

    void startUpRegistersAndAsksForMonitoring() {
        FakeEngine engine;
        AgwTcpLink link(QStringLiteral("127.0.0.1"), engine.port());
        StationHarness h;
        h.link = &link;
        h.store.setValue(SettingsStore::kCallSign, QStringLiteral("N0AAA"));
        h.startUp();

        QVERIFY(engine.waitForFrames(2, 3000));
        const QList<AgwFrame> frames = engine.received();
        QCOMPARE(kinds(frames), (QList<char>{'m', 'X'}));
        QCOMPARE(frames[1].callFrom, QByteArray("N0AAA"));
        QVERIFY(h.timer.active);
        QVERIFY(!h.view.retryVisible);
        QVERIFY(h.prompts.messages.isEmpty());

        h.station().release();
        QVERIFY(engine.waitForFrames(3, 3000));
        QCOMPARE(engine.received().last().kind, 'x');
    }

    void absentEngineThenRetryOnceItIsUp() {
        const quint16 port = closedPort();
        AgwTcpLink link(QStringLiteral("127.0.0.1"), port);
        StationHarness h;
        h.link = &link;
        h.store.setValue(SettingsStore::kCallSign, QStringLiteral("N0AAA"));
        h.startUp();
        QCOMPARE(h.prompts.messages.size(), 1);
        QVERIFY(h.view.retryVisible);
        QVERIFY(!h.timer.active);

        h.station().onRetryClicked();
        QCOMPARE(h.prompts.messages.size(), 2);
        QVERIFY(h.view.retryVisible);

        FakeEngine engine; // the operator starts the engine
        link.setAddress(QStringLiteral("127.0.0.1"), engine.port());
        h.station().onRetryClicked();
        QCOMPARE(h.prompts.messages.size(), 2);
        QVERIFY(h.timer.active);
        QVERIFY(!h.view.retryVisible);
        QVERIFY(engine.waitForFrames(2, 3000));
        QCOMPARE(kinds(engine.received()), (QList<char>{'m', 'X'}));
    }

    void promptedCallSignRegistersTwiceWithoutASecondMonitorRequest() {
        FakeEngine engine;
        AgwTcpLink link(QStringLiteral("127.0.0.1"), engine.port());
        StationHarness h;
        h.link = &link;
        h.prompts.answers = {QStringLiteral("n0ccc")};
        h.startUp();
        QVERIFY(engine.waitForFrames(3, 3000));
        const QList<AgwFrame> frames = engine.received();
        // The answer closes (nothing open yet), then registers; start-up registers again.
        QCOMPARE(kinds(frames), (QList<char>{'m', 'X', 'X'}));
        QCOMPARE(frames[2].callFrom, QByteArray("N0CCC"));
        QVERIFY(h.timer.active);
    }
};

QTEST_GUILESS_MAIN(RegistrationTcpTest)
#include "tst_registration_tcp.moc"
