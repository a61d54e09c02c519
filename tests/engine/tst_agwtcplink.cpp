#include "AgwTcpLink.h"
#include "FakeEngine.h"

#include <QtTest>

#include <memory>

namespace {

constexpr int kWaitMs = 5000;
const QByteArray kOurCall = "N0AAA";
const QString kClosed = QStringLiteral("the engine closed the connection");

QByteArray engineFrame(const QByteArray& data, char kind = 'D', const QByteArray& from = "N0BBB") {
    return encodeAgwFrame(AgwFrame{0, kind, 0, from, kOurCall, data});
}

} // namespace

class TestAgwTcpLink : public QObject {
    Q_OBJECT
    std::unique_ptr<FakeEngine> m_fake;
    std::unique_ptr<AgwTcpLink> m_link;
    QList<QByteArray> m_lines; // what getData handed out

    qint16 startPoll(const QByteArray& call = kOurCall) { return m_link->startPoll(call, "app"); }
    void drain() {
        ReceivedFrame f;
        while (m_link->getData(f))
            m_lines.append(f.data);
    }
    QByteArray kinds() const {
        QByteArray out;
        for (const AgwFrame& f : m_fake->received())
            out.append(f.kind);
        return out;
    }

private slots:
    void init() {
        m_fake = std::make_unique<FakeEngine>();
        m_link = std::make_unique<AgwTcpLink>(QStringLiteral("127.0.0.1"), m_fake->port());
        m_lines.clear();
    }
    void cleanup() {
        m_link.reset();
        m_fake.reset();
    }

    void registrationCloseAndGoingAway() {
        drain();
        QCOMPARE(startPoll(), qint16(1));
        // A second call reuses the connection: a second 'm' would switch monitoring off again.
        QCOMPARE(startPoll("N0AAA-7"), qint16(1));
        QCOMPARE(m_link->registeredCall(), QByteArray("N0AAA-7"));
        // Both registration answers came in, neither for the station.
        QCOMPARE(std::tuple(m_link->framesReceived(), m_link->discardedFrames()),
                 std::tuple(quint64(2), quint64(2)));
        QCOMPARE(m_link->putData({}, "x", 'D', 1, 0), qint16(0));
        QCOMPARE(m_link->refusedFrames(), quint64(1));
        QCOMPARE(m_link->putData("N0BBB", QByteArray(300, 'b'), 'D', 300, 3), qint16(1));
        m_fake->send(AgwFrame{0, 'D', 0, "N0BBB", kOurCall, "not read before close"});
        m_link->close();
        QVERIFY(m_link->registeredCall().isEmpty());
        QVERIFY(m_fake->waitForClients(0, kWaitMs));
        drain();
        QVERIFY(m_lines.isEmpty());
        QCOMPARE(kinds(), QByteArray("mXXDDx"));
        const QList<AgwFrame> got = m_fake->received();
        QCOMPARE(got[1].callFrom, kOurCall);
        QCOMPARE(got[3].data + got[4].data, QByteArray(300, 'b'));
        QCOMPARE(std::tuple(got[4].callFrom, got[4].port),
                 std::tuple(QByteArray("N0AAA-7"), quint8(3)));
        QCOMPARE(got[5].callFrom, QByteArray("N0AAA-7"));

        // A fresh connection asks for monitoring again; leaving without close() (Exit) leaves
        // the call registered.
        QCOMPARE(startPoll(), qint16(1));
        m_link.reset();
        QVERIFY(m_fake->waitForClients(0, kWaitMs));
        QCOMPARE(kinds(), QByteArray("mXXDDxmX"));
        QCOMPARE(m_fake->connectionsAccepted(), 2);
    }

    void failedRegistration_data() {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("why");
        QTest::newRow("refuses") << "refuses"
                                 << "the engine refused the call sign";
        QTest::newRow("silent") << "silent"
                                << "the engine did not answer the registration";
        QTest::newRow("absent") << "absent"
                                << "Connection refused";
    }
    void failedRegistration() {
        QFETCH(QString, engine);
        m_link->setTimeouts(2000, 300);
        m_fake->setRegisterAnswer(0);
        m_fake->setAnswerRegistration(engine != "silent");
        if (engine == "absent") {
            const quint16 closedPort = m_fake->port();
            m_fake.reset();
            m_link->setAddress(QStringLiteral("127.0.0.1"), closedPort);
        }
        QCOMPARE(startPoll(), qint16(0));
        QTEST(m_link->lastError(), "why");
        QVERIFY(m_link->registeredCall().isEmpty());
        drain();
        QVERIFY(m_lines.isEmpty());
        QCOMPARE(m_link->putData("N0BBB", {}, 'c', 0, 0), qint16(0));
        if (engine == "refuses") { // a call the engine refused is not unregistered
            m_link->close();
            QVERIFY(m_fake->waitForClients(0, kWaitMs));
            QCOMPARE(kinds(), QByteArray("mX"));
        }
    }

    void framesReceivedBeforeTheEndSurvive_data() {
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<QString>("why");
        QTest::newRow("clean close") << QByteArray() << kClosed;
        QTest::newRow("close mid-frame") << engineFrame("cut off").left(40) << kClosed;
        QTest::newRow("garbage after them")
            << QByteArray(50, char(0xFF)) << "the engine sent a frame longer than 65536 bytes";
    }
    void framesReceivedBeforeTheEndSurvive() {
        QFETCH(QByteArray, tail);
        QFETCH(QString, why);
        QCOMPARE(startPoll(), qint16(1));
        QByteArray burst;
        for (int i = 0; i < 10; ++i)
            burst += engineFrame("line " + QByteArray::number(i));
        m_fake->sendRaw(burst + tail);
        if (why == kClosed)
            m_fake->dropClients();
        QTRY_VERIFY_WITH_TIMEOUT((drain(), !m_link->isConnected()), kWaitMs);
        drain();
        QCOMPARE(m_lines.size(), 10);
        for (int i = 0; i < 10; ++i)
            QCOMPARE(m_lines[i], "line " + QByteArray::number(i));
        QCOMPARE(m_link->lastError(), why); // the link keeps why it ended
        QVERIFY(m_link->registeredCall().isEmpty());
        QCOMPARE(m_link->putData("N0BBB", "x", 'D', 1, 0), qint16(0));

        // Nothing of the old stream survives into the next connection.
        QVERIFY(m_fake->waitForClients(0, kWaitMs));
        QCOMPARE(startPoll(), qint16(1));
        m_fake->sendRaw(engineFrame("fresh"));
        QTRY_COMPARE_WITH_TIMEOUT((drain(), m_lines.size()), 11, kWaitMs);
        QCOMPARE(m_lines.last(), QByteArray("fresh"));
    }

    void connectedDataOvertakesAMonitorFlood() {
        m_link->setQueueLimit(100);
        QCOMPARE(startPoll(), qint16(1));
        QByteArray flood;
        for (int i = 0; i < 5000; ++i)
            flood += engineFrame("monitored", 'U', "MON");
        for (int i = 0; i < 150; ++i)
            flood += engineFrame(QByteArray::number(i));
        m_fake->sendRaw(flood + engineFrame("last", 'U', "MON"));
        // Connected data pushes every monitored frame out; what does not fit waits in the socket.
        QTRY_COMPARE_WITH_TIMEOUT((m_link->poll(), m_link->skippedMonitorFrames()), quint64(5000),
                                  kWaitMs);
        QCOMPARE(m_link->queuedFrames(), 100);
        QTRY_VERIFY_WITH_TIMEOUT((drain(), m_lines.size() >= 151), kWaitMs);
        QCOMPARE(m_lines.size(), 151);
        for (int i = 0; i < 150; ++i)
            QCOMPARE(m_lines[i], QByteArray::number(i));
        QCOMPARE(m_lines.last(), QByteArray("last"));
        QCOMPARE(m_link->skippedMonitorFrames(), quint64(5000));
    }

    void attachingNeverWaitsForTheEngine() {
        m_link->setTimeouts(2000, 300);
        m_fake->setAnswerRegistration(false);
        m_link->beginAttach(kOurCall, "app");
        // Each look returns at once: a silent engine shows as an attempt still under way.
        QVERIFY(!m_link->attachResult());
        QTRY_VERIFY_WITH_TIMEOUT((m_link->attachResult(), m_fake->received().size() == 2), kWaitMs);
        QVERIFY(!m_link->attachResult());
        std::optional<qint16> result;
        QTRY_VERIFY_WITH_TIMEOUT((result = m_link->attachResult()).has_value(), kWaitMs);
        QCOMPARE(*result, qint16(0));
        QVERIFY(!m_link->isConnected());

        m_fake->setAnswerRegistration(true);
        m_link->beginAttach(kOurCall, "app");
        QTRY_VERIFY_WITH_TIMEOUT((result = m_link->attachResult()).has_value(), kWaitMs);
        QVERIFY2(*result == 1, qPrintable(m_link->lastError()));
        QCOMPARE(m_link->registeredCall(), kOurCall);
        QCOMPARE(kinds(), QByteArray("mXmX"));
    }
};

QTEST_GUILESS_MAIN(TestAgwTcpLink)
#include "tst_agwtcplink.moc"
