#include "AgwTcpLink.h"
#include "FakeEngine.h"

#include <QElapsedTimer>
#include <QtTest>

#include <memory>

namespace {

constexpr int kWaitMs = 5000;
const QByteArray kOurCall = "N0AAA";

AgwFrame frameOf(char kind, const QByteArray& from, const QByteArray& to, const QByteArray& data,
                 quint8 port = 0) {
    AgwFrame f;
    f.port = port;
    f.kind = kind;
    f.callFrom = from;
    f.callTo = to;
    f.data = data;
    return f;
}

// Engine texts end in one NUL.
QByteArray engineText(const char* text) {
    return QByteArray(text) + '\0';
}

// A monitored frame the link always hands out; once it arrives, everything sent before it has
// been through the link.
const AgwFrame kSentinel = frameOf('U', "SENT", "MARK", engineText("sentinel\r"));

// Takes frames until the sentinel shows up. Calling it again after that changes nothing, as the
// QTRY_ macros evaluate their expression once more at the end.
struct SentinelCollector {
    explicit SentinelCollector(AgwTcpLink& l) : link(l) {}

    AgwTcpLink& link;
    QList<ReceivedFrame> frames;
    bool seen = false;

    bool operator()() {
        ReceivedFrame f;
        while (!seen && link.getData(f)) {
            if (f.senderField == QByteArray("SENT\0", 5) && f.data == "sentinel\r")
                seen = true;
            else
                frames.append(f);
        }
        return seen;
    }
};

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
    void incomingTranslation_data();
    void incomingTranslation();
    void outgoingTranslation_data();
    void outgoingTranslation();
    void connectNeedsOwnCall();
    void closeUnregistersAndSilencesGetData();
    void engineDroppingConnectionEndsLink();
    void goingAwayWithoutCloseLeavesTheRegistration();
    void bogusLengthClosesLink();
    void fullQueueDropsOldestMonitoredFirst();
    void fullQueueNeverDropsConnectedData();
    void queueIsBoundedInBytesToo();
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

    QElapsedTimer timer;
    timer.start();
    QCOMPARE(m_link->startPoll(kOurCall, "station"), qint16(0));
    const qint64 elapsed = timer.elapsed();
    QVERIFY2(elapsed < answerMs + 1500, qPrintable(QString::number(elapsed)));
    if (engine == "silent")
        QVERIFY(elapsed >= answerMs - 50);
    QVERIFY(!m_link->lastError().isEmpty());
    QVERIFY(m_link->registeredCall().isEmpty());

    ReceivedFrame f;
    QCOMPARE(m_link->getData(f), qint16(0));
    QCOMPARE(m_link->putData("N0BBB", {}, 'c', 0, 0), qint16(0));
}

void TestAgwTcpLink::incomingTranslation_data() {
    QTest::addColumn<char>("engineKind");
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("stationKind"); // 0: not handed out
    QTest::addColumn<QByteArray>("stationData");

    const QByteArray remote = "N0BBB";
    const QByteArray connected = engineText("*** CONNECTED With Station N0BBB\r");
    const QByteArray uiText =
        engineText(" 1:Fm N0AAA To BEACON <UI pid=F0 Len=5 PF=0 >[20:27:06]\rhello\r");
    const QByteArray iText =
        engineText(" 1:Fm N0BBB To N0AAA <I S0 R0 pid=0xF0 Len=2 P=0 >[20:27:06]\rhi\r");
    const QByteArray sText = engineText(" 1:Fm N0BBB To N0AAA <UA F=1 >[20:27:06]\r");
    auto noNul = [](const QByteArray& b) { return b.left(b.size() - 1); };

    QTest::newRow("C becomes c without its NUL")
        << 'C' << remote << kOurCall << connected << int('c') << noNul(connected);
    QTest::newRow("only one NUL is stripped")
        << 'C' << remote << kOurCall << QByteArray("x\0\0", 3) << int('c') << QByteArray("x\0", 2);
    QTest::newRow("d without its NUL")
        << 'd' << remote << kOurCall << engineText("*** DISCONNECTED From Station N0BBB\r")
        << int('d') << QByteArray("*** DISCONNECTED From Station N0BBB\r");
    QTest::newRow("D keeps a trailing NUL")
        << 'D' << remote << kOurCall << engineText("ab") << int('D') << engineText("ab");
    QTest::newRow("U monitored") << 'U' << remote << QByteArray("BEACON") << uiText << int('U')
                                 << noNul(uiText);
    QTest::newRow("I between others")
        << 'I' << remote << QByteArray("N0CCC") << iText << int('I') << noNul(iText);
    QTest::newRow("I to our call dropped")
        << 'I' << remote << kOurCall << iText << 0 << QByteArray();
    QTest::newRow("I to our call in lower case dropped")
        << 'I' << remote << QByteArray("n0aaa") << iText << 0 << QByteArray();
    QTest::newRow("S to our call dropped")
        << 'S' << remote << kOurCall << sText << 0 << QByteArray();
    QTest::newRow("T of a UI frame")
        << 'T' << kOurCall << QByteArray("BEACON") << uiText << int('T') << noNul(uiText);
    QTest::newRow("T of an I frame dropped")
        << 'T' << kOurCall << remote << iText << 0 << QByteArray();
    QTest::newRow("R answer consumed")
        << 'R' << QByteArray() << QByteArray() << QByteArray(8, '\1') << 0 << QByteArray();
    QTest::newRow("unknown kind dropped")
        << 'Z' << remote << kOurCall << QByteArray("zz") << 0 << QByteArray();
}

void TestAgwTcpLink::incomingTranslation() {
    QFETCH(char, engineKind);
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QByteArray, data);
    QFETCH(int, stationKind);
    QFETCH(QByteArray, stationData);

    QCOMPARE(m_link->startPoll(kOurCall, "station"), qint16(1));
    m_fake->send(frameOf(engineKind, from, to, data, 2));
    m_fake->send(kSentinel);

    SentinelCollector collect(*m_link);
    QTRY_VERIFY_WITH_TIMEOUT(collect(), kWaitMs);
    if (stationKind == 0) {
        QCOMPARE(collect.frames.size(), 0);
        return;
    }
    QCOMPARE(collect.frames.size(), 1);
    const ReceivedFrame& f = collect.frames.first();
    QCOMPARE(f.kind, stationKind);
    QCOMPARE(f.senderField, from + QByteArray(1, '\0'));
    QCOMPARE(f.data, stationData);
    QCOMPARE(f.length, int(stationData.size()));
    QCOMPARE(f.port, 2);
}

void TestAgwTcpLink::outgoingTranslation_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("destination");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("engineKinds");
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<int>("pid");
    QTest::addColumn<int>("refused");

    const QByteArray dest = "N0BBB";
    const QByteArray text600 = QByteArray(600, 't');
    QTest::newRow("c becomes C") << int('c') << dest << QByteArray() << 0 << QByteArray("C")
                                 << QList<int>{0} << 0 << 0;
    QTest::newRow("P sends nothing")
        << int('P') << dest << QByteArray() << 0 << QByteArray() << QList<int>{} << 0 << 0;
    QTest::newRow("d becomes d") << int('d') << dest << QByteArray() << 0 << QByteArray("d")
                                 << QList<int>{0} << 0 << 0;
    QTest::newRow("D short") << int('D') << dest << QByteArray("hello\r") << 6 << QByteArray("D")
                             << QList<int>{6} << 0xF0 << 0;
    QTest::newRow("D of exactly 256") << int('D') << dest << QByteArray(256, 'a') << 256
                                      << QByteArray("D") << QList<int>{256} << 0xF0 << 0;
    QTest::newRow("D of 257 splits") << int('D') << dest << QByteArray(257, 'a') << 257
                                     << QByteArray("DD") << QList<int>{256, 1} << 0xF0 << 0;
    QTest::newRow("D of 600 splits") << int('D') << dest << text600 << 600 << QByteArray("DDD")
                                     << QList<int>{256, 256, 88} << 0xF0 << 0;
    QTest::newRow("D honours a shorter length") << int('D') << dest << QByteArray("abcdefgh") << 3
                                                << QByteArray("D") << QList<int>{3} << 0xF0 << 0;
    QTest::newRow("U becomes M") << int('U') << QByteArray("BEACON") << QByteArray("cq\r") << 3
                                 << QByteArray("M") << QList<int>{3} << 0xF0 << 0;
    QTest::newRow("c to nobody refused")
        << int('c') << QByteArray() << QByteArray() << 0 << QByteArray() << QList<int>{} << 0 << 1;
    QTest::newRow("D to nobody refused") << int('D') << QByteArray() << QByteArray("x") << 1
                                         << QByteArray() << QList<int>{} << 0 << 1;
    QTest::newRow("U to nobody refused") << int('U') << QByteArray() << QByteArray("x") << 1
                                         << QByteArray() << QList<int>{} << 0 << 1;
    QTest::newRow("unknown kind refused")
        << int('Q') << dest << QByteArray("x") << 1 << QByteArray() << QList<int>{} << 0 << 1;
}

void TestAgwTcpLink::outgoingTranslation() {
    QFETCH(int, kind);
    QFETCH(QByteArray, destination);
    QFETCH(QByteArray, data);
    QFETCH(int, length);
    QFETCH(QByteArray, engineKinds);
    QFETCH(QList<int>, sizes);
    QFETCH(int, pid);
    QFETCH(int, refused);

    QCOMPARE(m_link->startPoll(kOurCall, "station"), qint16(1));
    QVERIFY(m_fake->waitForFrames(2, kWaitMs));
    m_fake->clearReceived();

    const qint16 result = m_link->putData(destination, data, kind, length, 3);
    QCOMPARE(result, qint16(engineKinds.isEmpty() ? 0 : 1));
    QCOMPARE(m_link->refusedFrames(), quint64(refused));
    // A marker behind it proves everything before it has arrived.
    QCOMPARE(m_link->putData("MARK", "m", 'U', 1, 0), qint16(1));
    QVERIFY(m_fake->waitForFrames(int(sizes.size()) + 1, kWaitMs));

    QList<AgwFrame> got = m_fake->received();
    QCOMPARE(got.takeLast().callTo, QByteArray("MARK"));
    QCOMPARE(kinds(got), engineKinds);
    QByteArray joined;
    for (int i = 0; i < got.size(); ++i) {
        QCOMPARE(got[i].data.size(), sizes[i]);
        QCOMPARE(int(got[i].pid), pid);
        QCOMPARE(got[i].port, quint8(3));
        QCOMPARE(got[i].callFrom, kOurCall);
        QCOMPARE(got[i].callTo, destination);
        joined += got[i].data;
    }
    QCOMPARE(joined, data.left(engineKinds.isEmpty() ? 0 : length));
}

void TestAgwTcpLink::connectNeedsOwnCall() {
    // The engine accepts an empty call, but a connect from nobody would keep it busy for ever.
    QCOMPARE(m_link->startPoll(QByteArray(), "station"), qint16(1));
    QCOMPARE(m_link->putData("N0BBB", {}, 'c', 0, 0), qint16(0));
    QCOMPARE(m_link->refusedFrames(), quint64(1));
    QCOMPARE(m_link->putData("MARK", "m", 'U', 1, 0), qint16(1));
    QVERIFY(m_fake->waitForFrames(3, kWaitMs));
    QCOMPARE(kinds(m_fake->received()), QByteArray("mXM"));
}

void TestAgwTcpLink::closeUnregistersAndSilencesGetData() {
    ReceivedFrame f;
    QCOMPARE(m_link->getData(f), qint16(0));

    QCOMPARE(m_link->startPoll(kOurCall, "station"), qint16(1));
    m_fake->send(frameOf('D', "N0BBB", kOurCall, "queued before close"));
    m_link->close();
    QVERIFY(!m_link->isConnected());
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
    QCOMPARE(m_link->putData("N0BBB", "bye\r", 'D', 4, 0), qint16(1));
    m_link.reset();
    QVERIFY(m_fake->waitForClients(0, kWaitMs));
    QCOMPARE(kinds(m_fake->received()), QByteArray("mXD"));
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
    m_fake->send(kSentinel);
    SentinelCollector collect(*m_link);
    QTRY_VERIFY_WITH_TIMEOUT(collect(), kWaitMs);
    QCOMPARE(collect.frames.size(), 0);
}

void TestAgwTcpLink::fullQueueDropsOldestMonitoredFirst() {
    m_link->setQueueLimit(3);
    QCOMPARE(m_link->startPoll(kOurCall, "station"), qint16(1));
    QByteArray burst;
    for (const AgwFrame& frame :
         {frameOf('U', "U1", "B", "u1"), frameOf('D', "N0BBB", kOurCall, "d1"),
          frameOf('U', "U2", "B", "u2"), frameOf('U', "U3", "B", "u3"),
          frameOf('U', "U4", "B", "u4"), frameOf('C', "N0CCC", kOurCall, "c1")})
        burst += encodeAgwFrame(frame);
    m_fake->sendRaw(burst);

    // Draining without handing out makes the queue's history independent of packet timing.
    QTRY_COMPARE_WITH_TIMEOUT((m_link->poll(), m_link->droppedFrames()), quint64(3), kWaitMs);
    QByteArray order;
    ReceivedFrame f;
    while (m_link->getData(f))
        order += f.data + ' ';
    // Connected data and notices go first, then the newest monitored frame that stayed.
    QCOMPARE(order, QByteArray("d1 c1 u4 "));
}

void TestAgwTcpLink::fullQueueNeverDropsConnectedData() {
    m_link->setQueueLimit(2);
    QCOMPARE(m_link->startPoll(kOurCall, "station"), qint16(1));
    QByteArray burst;
    for (int i = 1; i <= 20; ++i) {
        burst += encodeAgwFrame(frameOf('U', "MON", "B", "u"));
        burst += encodeAgwFrame(frameOf('D', "N0BBB", kOurCall, QByteArray::number(i)));
    }
    m_fake->sendRaw(burst);
    QTRY_VERIFY_WITH_TIMEOUT((m_link->poll(), m_link->queuedFrames() == 2), kWaitMs);

    QList<QByteArray> data;
    auto collect = [&] {
        ReceivedFrame f;
        while (m_link->getData(f))
            if (f.kind == 'D')
                data.append(f.data);
        return data.size() >= 20;
    };
    QTRY_VERIFY_WITH_TIMEOUT(collect(), kWaitMs);
    for (int i = 0; i < 20; ++i)
        QCOMPARE(data[i], QByteArray::number(i + 1));
    QVERIFY(m_link->droppedFrames() > 0);
}

void TestAgwTcpLink::queueIsBoundedInBytesToo() {
    QCOMPARE(m_link->startPoll(kOurCall, "station"), qint16(1));
    // 200 monitored frames of 60 KB each would be 12 MB; one connected frame rides along.
    const QByteArray big(60 * 1024, 'x');
    for (int i = 0; i < 200; ++i) {
        m_fake->sendRaw(encodeAgwFrame(frameOf('U', "MON", "B", big)));
        if (i == 100)
            m_fake->sendRaw(encodeAgwFrame(frameOf('D', "N0BBB", kOurCall, "keep me")));
    }
    QTRY_VERIFY_WITH_TIMEOUT((m_link->poll(), m_link->droppedFrames() >= 60), kWaitMs);
    QVERIFY(m_link->queuedBytes() <= AgwTcpLink::kMaxQueuedBytes);
    QVERIFY(m_link->queuedFrames() > 100);
    bool kept = false;
    auto drain = [&] {
        ReceivedFrame f;
        while (m_link->getData(f))
            kept = kept || f.data == "keep me";
        return kept;
    };
    QTRY_VERIFY_WITH_TIMEOUT(drain(), kWaitMs);
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
}

void TestAgwTcpLink::connectedDataOvertakesAMonitorFlood() {
    m_link->setQueueLimit(100);
    QCOMPARE(m_link->startPoll(kOurCall, "station"), qint16(1));
    QByteArray flood;
    for (int i = 0; i < 5000; ++i)
        flood += encodeAgwFrame(frameOf('U', "MON", "B", "monitored " + QByteArray::number(i)));
    m_fake->sendRaw(flood + encodeAgwFrame(frameOf('D', "N0BBB", kOurCall, "for us")));
    // The queue ends with the connected frame and the 99 newest monitored ones.
    QTRY_COMPARE_WITH_TIMEOUT((m_link->poll(), m_link->droppedFrames()), quint64(4901), kWaitMs);
    QCOMPARE(m_link->skippedMonitorFrames(), quint64(4901));
    ReceivedFrame f;
    QCOMPARE(m_link->getData(f), qint16(1));
    QCOMPARE(f.data, QByteArray("for us"));
    QCOMPARE(m_link->getData(f), qint16(1));
    QCOMPARE(f.data, QByteArray("monitored 4901"));
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
