#include "AgwTcpLink.h"
#include "FakeEngine.h"

#include <QtTest>

#include <memory>

namespace {

constexpr int kWaitMs = 5000;
const QByteArray kOurCall = "N0AAA";

AgwFrame frameOf(char kind, const QByteArray& from, const QByteArray& to, const QByteArray& data) {
    return AgwFrame{0, kind, 0, from, to, data};
}

QByteArray kinds(const QList<AgwFrame>& frames) {
    QByteArray out;
    for (const AgwFrame& f : frames)
        out.append(f.kind);
    return out;
}

} // namespace

class TestAgwTcpLink : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void registrationSendsMonitorThenCall();
    void secondStartPollReusesConnection();
    void failedRegistration_data();
    void failedRegistration();
    void closeUnregistersAndSilencesGetData();
    void engineDroppingConnectionEndsLink();
    void goingAwayWithoutCloseLeavesTheRegistration();
    void bogusLengthClosesLink();
    void framesReceivedBeforeTheEndSurvive_data();
    void framesReceivedBeforeTheEndSurvive();
    void connectedDataOvertakesAMonitorFlood();
    void attachingNeverWaitsForTheEngine();

private:
    std::unique_ptr<FakeEngine> m_fake;
    std::unique_ptr<AgwTcpLink> m_link;
};

void TestAgwTcpLink::init() {
    m_fake = std::make_unique<FakeEngine>();
    QVERIFY(m_fake->port() != 0);
    m_link = std::make_unique<AgwTcpLink>(QStringLiteral("127.0.0.1"), m_fake->port());
}

void TestAgwTcpLink::cleanup() {
    m_link.reset();
    m_fake.reset();
}

void TestAgwTcpLink::registrationSendsMonitorThenCall() {
    QCOMPARE(m_link->startPoll(kOurCall, "station"), qint16(1));
    QVERIFY(m_link->isConnected());
    QCOMPARE(m_link->registeredCall(), kOurCall);

    QVERIFY(m_fake->waitForFrames(2, kWaitMs));
    const QList<AgwFrame> got = m_fake->received();
    QCOMPARE(kinds(got), QByteArray("mX"));
    QCOMPARE(got[1].callFrom, kOurCall);
    QVERIFY(got[1].data.isEmpty());
}

void TestAgwTcpLink::secondStartPollReusesConnection() {
    QCOMPARE(m_link->startPoll(kOurCall, "station"), qint16(1));
    QCOMPARE(m_link->startPoll("N0AAA-7", "station"), qint16(1));
    QVERIFY(m_fake->waitForFrames(3, kWaitMs));
    const QList<AgwFrame> got = m_fake->received();
    // A second 'm' would switch monitoring off again.
    QCOMPARE(kinds(got), QByteArray("mXX"));
    QCOMPARE(got[2].callFrom, QByteArray("N0AAA-7"));
    QCOMPARE(m_fake->connectionsAccepted(), 1);
    QCOMPARE(m_link->registeredCall(), QByteArray("N0AAA-7"));
}

void TestAgwTcpLink::failedRegistration_data() {
    QTest::addColumn<QString>("engine");
    QTest::newRow("refused") << "refuses";
    QTest::newRow("silent") << "silent";
    QTest::newRow("no engine") << "absent";
}

void TestAgwTcpLink::failedRegistration() {
    QFETCH(QString, engine);
    constexpr int answerMs = 300;
    m_link->setTimeouts(2000, answerMs);
    if (engine == "refuses") {
        m_fake->setRegisterAnswer(0);
    } else if (engine == "silent") {
        m_fake->setAnswerRegistration(false);
    } else {
        const quint16 closedPort = m_fake->port();
        m_fake.reset();
        m_link->setAddress(QStringLiteral("127.0.0.1"), closedPort);
    }

    QCOMPARE(m_link->startPoll(kOurCall, "station"), qint16(0));
    QVERIFY(!m_link->lastError().isEmpty());
    QVERIFY(m_link->registeredCall().isEmpty());

    ReceivedFrame f;
    QCOMPARE(m_link->getData(f), qint16(0));
    QCOMPARE(m_link->putData("N0BBB", {}, 'c', 0, 0), qint16(0));
    if (engine == "refuses") {
        // A call the engine refused is not unregistered.
        m_link->close();
        QVERIFY(m_fake->waitForClients(0, kWaitMs));
        QCOMPARE(kinds(m_fake->received()), QByteArray("mX"));
    }
}

void TestAgwTcpLink::closeUnregistersAndSilencesGetData() {
    ReceivedFrame f;
    QCOMPARE(m_link->getData(f), qint16(0));

    QCOMPARE(m_link->startPoll(kOurCall, "station"), qint16(1));
    m_fake->send(frameOf('D', "N0BBB", kOurCall, "queued before close"));
    m_link->close();
    QVERIFY(!m_link->isConnected());
    QVERIFY(m_link->registeredCall().isEmpty());
    QVERIFY(m_fake->waitForFrames(3, kWaitMs));
    const QList<AgwFrame> got = m_fake->received();
    QCOMPARE(kinds(got), QByteArray("mXx"));
    QCOMPARE(got[2].callFrom, kOurCall);
    QVERIFY(m_fake->waitForClients(0, kWaitMs));
    QCOMPARE(m_link->getData(f), qint16(0));

    // The next startPoll opens a fresh connection, with monitoring asked for again.
    QCOMPARE(m_link->startPoll(kOurCall, "station"), qint16(1));
    QVERIFY(m_fake->waitForFrames(5, kWaitMs));
    QCOMPARE(kinds(m_fake->received()), QByteArray("mXxmX"));
    QCOMPARE(m_fake->connectionsAccepted(), 2);
}

void TestAgwTcpLink::goingAwayWithoutCloseLeavesTheRegistration() {
    QCOMPARE(m_link->startPoll(kOurCall, "station"), qint16(1));
    QCOMPARE(m_link->putData({}, "x", 'D', 1, 0), qint16(0));
    QCOMPARE(m_link->refusedFrames(), quint64(1));
    QCOMPARE(m_link->putData("N0BBB", QByteArray(300, 'b'), 'D', 300, 3), qint16(1));
    m_link.reset();
    QVERIFY(m_fake->waitForClients(0, kWaitMs));
    const QList<AgwFrame> got = m_fake->received();
    QCOMPARE(kinds(got), QByteArray("mXDD"));
    QCOMPARE(got[2].data + got[3].data, QByteArray(300, 'b'));
    QCOMPARE(got[3].callFrom, kOurCall);
    QCOMPARE(got[3].port, quint8(3));
}

void TestAgwTcpLink::engineDroppingConnectionEndsLink() {
    QCOMPARE(m_link->startPoll(kOurCall, "station"), qint16(1));
    m_fake->send(frameOf('D', "N0BBB", kOurCall, "last words"));
    m_fake->dropClients();

    ReceivedFrame f;
    QTRY_VERIFY_WITH_TIMEOUT((m_link->getData(f), !m_link->isConnected()), kWaitMs);
    QCOMPARE(m_link->getData(f), qint16(0));
    QCOMPARE(m_link->putData("N0BBB", "x", 'D', 1, 0), qint16(0));
    QVERIFY(m_link->registeredCall().isEmpty());
    QVERIFY(!m_link->lastError().isEmpty());
}

void TestAgwTcpLink::bogusLengthClosesLink() {
    QCOMPARE(m_link->startPoll(kOurCall, "station"), qint16(1));
    QByteArray header = encodeAgwFrame(frameOf('D', "N0BBB", kOurCall, {}));
    header[31] = char(0x80); // a length of 2^31
    m_fake->sendRaw(header + QByteArray(1000, 'j'));

    ReceivedFrame f;
    QTRY_VERIFY_WITH_TIMEOUT(m_link->getData(f) == 0 && !m_link->isConnected(), kWaitMs);
    QVERIFY(m_fake->waitForClients(0, kWaitMs));

    // Nothing of the old stream survives into the next connection.
    QCOMPARE(m_link->startPoll(kOurCall, "station"), qint16(1));
    m_fake->send(frameOf('D', "N0BBB", kOurCall, "fresh"));
    QTRY_COMPARE_WITH_TIMEOUT((m_link->getData(f), f.data), QByteArray("fresh"), kWaitMs);
    QCOMPARE(m_link->framesReceived(), quint64(3));
    QCOMPARE(m_link->discardedFrames(), quint64(2)); // the registration answers
}

void TestAgwTcpLink::framesReceivedBeforeTheEndSurvive_data() {
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<bool>("engineCloses");
    const QByteArray half = encodeAgwFrame(frameOf('D', "N0BBB", kOurCall, "cut off")).left(40);
    QTest::newRow("clean close") << QByteArray() << true;
    QTest::newRow("close mid-frame") << half << true;
    QByteArray garbage(50, char(0xFF));
    QTest::newRow("garbage after them") << garbage << false;
}

void TestAgwTcpLink::framesReceivedBeforeTheEndSurvive() {
    QFETCH(QByteArray, tail);
    QFETCH(bool, engineCloses);
    QCOMPARE(m_link->startPoll(kOurCall, "station"), qint16(1));
    QByteArray burst;
    for (int i = 0; i < 10; ++i)
        burst += encodeAgwFrame(frameOf('D', "N0BBB", kOurCall, "line " + QByteArray::number(i)));
    m_fake->sendRaw(burst + tail);
    if (engineCloses)
        m_fake->dropClients();

    QList<QByteArray> lines;
    auto drain = [&] {
        ReceivedFrame f;
        while (m_link->getData(f))
            lines.append(f.data);
        return !m_link->isConnected();
    };
    QTRY_VERIFY_WITH_TIMEOUT(drain(), kWaitMs);
    drain();
    QCOMPARE(lines.size(), 10);
    for (int i = 0; i < 10; ++i)
        QCOMPARE(lines[i], "line " + QByteArray::number(i));
    // The link keeps why it ended.
    QVERIFY2(m_link->lastError().startsWith(engineCloses ? "the engine closed the connection"
                                                         : "the engine sent a frame longer"),
             qPrintable(m_link->lastError()));
}

void TestAgwTcpLink::connectedDataOvertakesAMonitorFlood() {
    m_link->setQueueLimit(100);
    QCOMPARE(m_link->startPoll(kOurCall, "station"), qint16(1));
    QByteArray flood;
    for (int i = 0; i < 5000; ++i)
        flood += encodeAgwFrame(frameOf('U', "MON", "B", "monitored"));
    for (int i = 0; i < 150; ++i)
        flood += encodeAgwFrame(frameOf('D', "N0BBB", kOurCall, QByteArray::number(i)));
    m_fake->sendRaw(flood + encodeAgwFrame(frameOf('U', "MON", "B", "last")));
    // Connected data pushes every monitored frame out; what does not fit waits in the socket.
    QTRY_COMPARE_WITH_TIMEOUT((m_link->poll(), m_link->droppedFrames()), quint64(5000), kWaitMs);
    QCOMPARE(m_link->queuedFrames(), 100);

    QList<QByteArray> data;
    auto drain = [&] {
        ReceivedFrame f;
        while (m_link->getData(f))
            data.append(f.data);
        return data.size() >= 151;
    };
    QTRY_VERIFY_WITH_TIMEOUT(drain(), kWaitMs);
    QCOMPARE(data.size(), 151);
    for (int i = 0; i < 150; ++i)
        QCOMPARE(data[i], QByteArray::number(i));
    QCOMPARE(data.last(), QByteArray("last"));
    QCOMPARE(m_link->skippedMonitorFrames(), quint64(5000));
}

void TestAgwTcpLink::attachingNeverWaitsForTheEngine() {
    m_link->setTimeouts(2000, 300);
    m_fake->setAnswerRegistration(false);
    m_link->beginAttach(kOurCall, "station");
    // Each look returns at once: a silent engine shows as an attempt still under way.
    QVERIFY(!m_link->attachResult());
    QTRY_VERIFY_WITH_TIMEOUT((m_link->attachResult(), m_fake->receivedCount() == 2), kWaitMs);
    QVERIFY(!m_link->attachResult());
    std::optional<qint16> result;
    QTRY_VERIFY_WITH_TIMEOUT((result = m_link->attachResult()).has_value(), kWaitMs);
    QCOMPARE(*result, qint16(0));
    QVERIFY(!m_link->isConnected());

    m_fake->setAnswerRegistration(true);
    m_link->beginAttach(kOurCall, "station");
    QTRY_VERIFY_WITH_TIMEOUT((result = m_link->attachResult()).has_value(), kWaitMs);
    QVERIFY2(*result == 1, qPrintable(m_link->lastError()));
    QVERIFY(m_link->isConnected());
    QCOMPARE(m_link->registeredCall(), kOurCall);
    QCOMPARE(kinds(m_fake->received()), QByteArray("mXmX"));
}

QTEST_GUILESS_MAIN(TestAgwTcpLink)
#include "tst_agwtcplink.moc"
