#include "AgwFrame.h"
#include "AgwTranslation.h"
#include "ReceiveQueue.h"

#include <QtTest>

namespace {

// Builds a header byte by byte, independent of the encoder under test.
QByteArray rawHeader(quint8 port, char kind, quint8 pid, const QByteArray& from10,
                     const QByteArray& to10, quint32 length) {
    QByteArray h(kAgwHeaderSize, '\0');
    h[0] = char(port);
    h[4] = kind;
    h[6] = char(pid);
    for (int i = 0; i < qMin<int>(10, from10.size()); ++i)
        h[8 + i] = from10[i];
    for (int i = 0; i < qMin<int>(10, to10.size()); ++i)
        h[18 + i] = to10[i];
    h[28] = char(length & 0xFF);
    h[29] = char((length >> 8) & 0xFF);
    h[30] = char((length >> 16) & 0xFF);
    h[31] = char((length >> 24) & 0xFF);
    return h;
}

QByteArray rawFrame(char kind, const QByteArray& data, const QByteArray& from = "N0AAA",
                    const QByteArray& to = "N0BBB") {
    return rawHeader(0, kind, 0, from, to, quint32(data.size())) + data;
}

QList<AgwFrame> drain(AgwFrameDecoder& decoder) {
    QList<AgwFrame> frames;
    while (std::optional<AgwFrame> f = decoder.next())
        frames.append(*f);
    return frames;
}

const QByteArray kOurCall = "N0AAA";

// Engine texts end in one NUL.
QByteArray engineText(const char* text) {
    return QByteArray(text) + '\0';
}

QByteArray kinds(const QList<AgwFrame>& frames) {
    QByteArray out;
    for (const AgwFrame& f : frames)
        out.append(f.kind);
    return out;
}

} // namespace

class TestAgwFrame : public QObject {
    Q_OBJECT
private slots:
    void encodePlacesEveryField();
    void encodeCutsLongCalls();
    void roundTrip_data();
    void roundTrip();
    void splitReads_data();
    void splitReads();
    void lengthBeyondBoundPutsDecoderOutOfStep_data();
    void lengthBeyondBoundPutsDecoderOutOfStep();
    void incomingTranslation_data();
    void incomingTranslation();
    void registrationAnswer();
    void outgoingTranslation_data();
    void outgoingTranslation();
    void receiveQueue_data();
    void receiveQueue();
};

void TestAgwFrame::encodePlacesEveryField() {
    AgwFrame f;
    f.port = 2;
    f.kind = 'D';
    f.pid = 0xF0;
    f.callFrom = "N0AAA-1";
    f.callTo = "N0BBB";
    f.data = QByteArray(300, 'x');
    const QByteArray bytes = encodeAgwFrame(f);

    QCOMPARE(bytes.size(), 36 + 300);
    const QByteArray expectedHeader = QByteArray::fromHex("02000000"
                                                          "4400"                   // kind
                                                          "f000"                   // PID
                                                          "4e30414141 2d31 000000" // N0AAA-1
                                                          "4e30424242 0000000000"  // N0BBB
                                                          "2c010000"               // 300 LE
                                                          "00000000");
    QCOMPARE(bytes.left(36).toHex(' '), expectedHeader.toHex(' '));
    QCOMPARE(bytes.mid(36), f.data);
}

void TestAgwFrame::encodeCutsLongCalls() {
    AgwFrame f;
    f.kind = 'C';
    f.callFrom = "ABCDEFGHIJKL";
    f.callTo = "Z";
    const QByteArray bytes = encodeAgwFrame(f);
    QCOMPARE(bytes.size(), 36);
    QCOMPARE(bytes.mid(8, 10), QByteArray("ABCDEFGHIJ"));
    QCOMPARE(bytes.mid(18, 10), QByteArray("Z\0\0\0\0\0\0\0\0\0", 10));
}

void TestAgwFrame::roundTrip_data() {
    QTest::addColumn<QByteArray>("callFrom");
    QTest::addColumn<QByteArray>("callTo");
    QTest::addColumn<QByteArray>("data");

    QTest::newRow("empty data") << QByteArray("N0AAA") << QByteArray("N0BBB") << QByteArray();
    QTest::newRow("binary with NULs")
        << QByteArray("N0AAA-15") << QByteArray("BEACON") << QByteArray("\0\r\n\xff\x80 end\0", 11);
    QTest::newRow("ten-character calls")
        << QByteArray("ABCDEFGHIJ") << QByteArray("0123456789") << QByteArray("x");
    QTest::newRow("data exactly at the bound")
        << QByteArray("N0AAA") << QByteArray("N0BBB") << QByteArray(kMaxAgwDataLength, 'q');
}

void TestAgwFrame::roundTrip() {
    QFETCH(QByteArray, callFrom);
    QFETCH(QByteArray, callTo);
    QFETCH(QByteArray, data);

    AgwFrame f;
    f.port = 255;
    f.kind = 'M';
    f.pid = 0xF0;
    f.callFrom = callFrom;
    f.callTo = callTo;
    f.data = data;

    AgwFrameDecoder decoder;
    decoder.feed(encodeAgwFrame(f));
    const std::optional<AgwFrame> back = decoder.next();
    QVERIFY(back);
    QCOMPARE(back->port, f.port);
    QCOMPARE(back->kind, f.kind);
    QCOMPARE(back->pid, f.pid);
    QCOMPARE(back->callFrom, callFrom);
    QCOMPARE(back->callTo, callTo);
    QCOMPARE(back->data, data);
    QVERIFY(!decoder.next());
    QCOMPARE(decoder.buffered(), 0);
}

void TestAgwFrame::splitReads_data() {
    QTest::addColumn<int>("chunk");
    QTest::newRow("byte by byte") << 1;
    QTest::newRow("7 bytes") << 7;
    QTest::newRow("one header") << 36;
    QTest::newRow("header plus one") << 37;
    QTest::newRow("all in one read") << 100000;
}

void TestAgwFrame::splitReads() {
    QFETCH(int, chunk);
    // An empty frame of a kind nobody knows still takes its place in the stream.
    const QByteArray stream = rawFrame('D', "first line\r") + rawFrame('\xff', {}) +
                              rawFrame('U', QByteArray(500, 'u')) +
                              rawFrame('d', QByteArray("bye\r\0", 5), "N0CCC", "N0AAA");

    AgwFrameDecoder decoder;
    QList<AgwFrame> frames;
    for (qsizetype at = 0; at < stream.size(); at += chunk) {
        decoder.feed(stream.mid(at, chunk));
        frames += drain(decoder);
    }
    QCOMPARE(kinds(frames), QByteArray("D\xffUd"));
    QCOMPARE(frames[0].data, QByteArray("first line\r"));
    QVERIFY(frames[1].data.isEmpty());
    QCOMPARE(frames[2].data, QByteArray(500, 'u'));
    QCOMPARE(frames[3].callFrom, QByteArray("N0CCC"));
    QCOMPARE(frames[3].data, QByteArray("bye\r\0", 5));
    QVERIFY(!decoder.outOfStep());
    QCOMPARE(decoder.buffered(), 0);
}

void TestAgwFrame::lengthBeyondBoundPutsDecoderOutOfStep_data() {
    QTest::addColumn<quint32>("length");
    QTest::newRow("bound plus one") << quint32(kMaxAgwDataLength + 1);
    QTest::newRow("2^31") << quint32(0x80000000u);
    QTest::newRow("all ones") << quint32(0xFFFFFFFFu);
}

void TestAgwFrame::lengthBeyondBoundPutsDecoderOutOfStep() {
    QFETCH(quint32, length);
    const QByteArray good = rawFrame('D', "ok");
    const QByteArray bad = rawHeader(0, 'D', 0, "N0AAA", "N0BBB", length);

    AgwFrameDecoder decoder;
    decoder.feed(good + bad + good);
    QVERIFY(decoder.next());
    QVERIFY(!decoder.next());
    QVERIFY(decoder.outOfStep());
    QCOMPARE(decoder.buffered(), 0);

    // Nothing is taken any more, not even a well-formed frame.
    decoder.feed(good);
    QVERIFY(!decoder.next());
    QCOMPARE(decoder.buffered(), 0);
    QCOMPARE(decoder.room(), 0);

    // Fed byte by byte, the header alone is enough to tell.
    AgwFrameDecoder slow;
    for (int i = 0; i < bad.size(); ++i) {
        QVERIFY(!slow.outOfStep());
        slow.feed(bad.mid(i, 1));
    }
    QVERIFY(slow.outOfStep());
    QVERIFY(!slow.next());
}

void TestAgwFrame::incomingTranslation_data() {
    QTest::addColumn<char>("engineKind");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("registered");
    QTest::addColumn<int>("stationKind"); // 0: not handed out
    QTest::addColumn<QByteArray>("stationData");
    QTest::addColumn<bool>("monitored");

    const QByteArray connected = engineText("*** CONNECTED With Station N0BBB\r");
    const QByteArray ui =
        engineText(" 1:Fm N0AAA To BEACON <UI pid=F0 Len=5 PF=0 >[20:27:06]\rhello\r");
    const QByteArray i =
        engineText(" 1:Fm N0BBB To N0AAA <I S0 R0 pid=0xF0 Len=2 P=0 >[20:27:06]\rhi\r");
    const QByteArray s = engineText(" 1:Fm N0BBB To N0AAA <UA F=1 >[20:27:06]\r");
    auto noNul = [](const QByteArray& b) { return b.left(b.size() - 1); };
    const QByteArray none;
    auto row = [&](const char* name, char kind, const QByteArray& to, const QByteArray& data,
                   int stationKind, const QByteArray& stationData, bool monitored,
                   bool registered = true) {
        QTest::newRow(name) << kind << to << data << registered << stationKind << stationData
                            << monitored;
    };

    row("C becomes c without its NUL", 'C', kOurCall, connected, 'c', noNul(connected), false);
    row("only one NUL is stripped", 'C', kOurCall, QByteArray("x\0\0", 3), 'c',
        QByteArray("x\0", 2), false);
    row("d without its NUL", 'd', kOurCall, engineText("bye\r"), 'd', "bye\r", false);
    row("D keeps a trailing NUL", 'D', kOurCall, engineText("ab"), 'D', engineText("ab"), false);
    row("U monitored", 'U', "BEACON", ui, 'U', noNul(ui), true);
    row("I between others", 'I', "N0CCC", i, 'I', noNul(i), true);
    row("I to our call dropped", 'I', kOurCall, i, 0, none, false);
    row("I to our call in lower case dropped", 'I', "n0aaa", i, 0, none, false);
    row("I to nobody before registering", 'I', "", i, 'I', noNul(i), true, false);
    row("S to our call dropped", 'S', kOurCall, s, 0, none, false);
    row("T of a UI frame", 'T', "BEACON", ui, 'T', noNul(ui), true);
    row("T of an I frame dropped", 'T', "N0BBB", i, 0, none, false);
    row("R answer consumed", 'R', "", QByteArray(8, '\1'), 0, none, false);
    row("unknown kind dropped", 'Z', kOurCall, "zz", 0, none, false);
}

void TestAgwFrame::incomingTranslation() {
    QFETCH(char, engineKind);
    QFETCH(QByteArray, to);
    QFETCH(QByteArray, data);
    QFETCH(bool, registered);
    QFETCH(int, stationKind);
    QFETCH(QByteArray, stationData);
    QFETCH(bool, monitored);

    AgwFrame frame{2, engineKind, 0, "N0BBB", to, data};
    const FromEngine in = toReceived(std::move(frame), registered ? kOurCall : "", registered);
    QVERIFY(!in.registerAnswer);
    QCOMPARE(in.frame.has_value(), stationKind != 0);
    if (!in.frame)
        return;
    QCOMPARE(in.frame->kind, stationKind);
    QCOMPARE(in.frame->senderField, QByteArray("N0BBB\0", 6));
    QCOMPARE(in.frame->data, stationData);
    QCOMPARE(in.frame->length, int(stationData.size()));
    QCOMPARE(in.frame->port, 2);
    QCOMPARE(in.monitored, monitored);
}

void TestAgwFrame::registrationAnswer() {
    for (const QByteArray& data : {QByteArray("\x01\x02"), QByteArray()}) {
        const FromEngine in = toReceived(AgwFrame{0, 'X', 0, kOurCall, {}, data}, kOurCall, true);
        QVERIFY(!in.frame);
        QCOMPARE(in.registerAnswer, std::optional<quint8>(data.isEmpty() ? 0 : 1));
    }
}

void TestAgwFrame::outgoingTranslation_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("destination");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("ownCall");
    QTest::addColumn<QByteArray>("engineKinds");
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<int>("pid");
    QTest::addColumn<bool>("refused");

    const QByteArray dest = "N0BBB";
    auto row = [&](const char* name, int kind, const QByteArray& destination,
                   const QByteArray& data, int length, const QByteArray& engineKinds,
                   const QList<int>& sizes, int pid, bool refused,
                   const QByteArray& ownCall = kOurCall) {
        QTest::newRow(name) << kind << destination << data << length << ownCall << engineKinds
                            << sizes << pid << refused;
    };
    row("c becomes C", 'c', dest, {}, 0, "C", {0}, 0, false);
    row("P sends nothing", 'P', dest, {}, 0, {}, {}, 0, false);
    row("d becomes d", 'd', dest, {}, 0, "d", {0}, 0, false);
    row("D short", 'D', dest, "hello\r", 6, "D", {6}, 0xF0, false);
    row("D of exactly 256", 'D', dest, QByteArray(256, 'a'), 256, "D", {256}, 0xF0, false);
    row("D of 257 splits", 'D', dest, QByteArray(257, 'a'), 257, "DD", {256, 1}, 0xF0, false);
    row("D of 600 splits", 'D', dest, QByteArray(600, 't'), 600, "DDD", {256, 256, 88}, 0xF0,
        false);
    row("D honours a shorter length", 'D', dest, "abcdefgh", 3, "D", {3}, 0xF0, false);
    row("U becomes M", 'U', "BEACON", "cq\r", 3, "M", {3}, 0xF0, false);
    row("U of 300 splits", 'U', "BEACON", QByteArray(300, 'u'), 300, "MM", {256, 44}, 0xF0, false);
    row("c to nobody refused", 'c', {}, {}, 0, {}, {}, 0, true);
    // The engine registers an empty call, but a connect from nobody keeps it busy for ever.
    row("c from nobody refused", 'c', dest, {}, 0, {}, {}, 0, true, "");
    row("d to nobody refused", 'd', {}, {}, 0, {}, {}, 0, true);
    row("D to nobody refused", 'D', {}, "x", 1, {}, {}, 0, true);
    row("D without data refused", 'D', dest, "x", 0, {}, {}, 0, true);
    row("D of a negative length refused", 'D', dest, "x", -1, {}, {}, 0, true);
    row("U to nobody refused", 'U', {}, "x", 1, {}, {}, 0, true);
    row("unknown kind refused", 'Q', dest, "x", 1, {}, {}, 0, true);
}

void TestAgwFrame::outgoingTranslation() {
    QFETCH(int, kind);
    QFETCH(QByteArray, destination);
    QFETCH(QByteArray, data);
    QFETCH(int, length);
    QFETCH(QByteArray, ownCall);
    QFETCH(QByteArray, engineKinds);
    QFETCH(QList<int>, sizes);
    QFETCH(int, pid);
    QFETCH(bool, refused);

    const ToEngine out = toEngine(destination, data, kind, length, 3, ownCall);
    QCOMPARE(out.refused, refused);
    QCOMPARE(kinds(out.frames), engineKinds);
    QByteArray joined;
    for (int i = 0; i < out.frames.size(); ++i) {
        const AgwFrame& f = out.frames[i];
        QCOMPARE(f.data.size(), sizes[i]);
        QCOMPARE(int(f.pid), pid);
        QCOMPARE(f.port, quint8(3));
        QCOMPARE(f.callFrom, ownCall);
        QCOMPARE(f.callTo, destination);
        joined += f.data;
    }
    QCOMPARE(joined, data.left(engineKinds.isEmpty() ? 0 : length));
}

void TestAgwFrame::receiveQueue_data() {
    QTest::addColumn<int>("limit");         // 0: the default
    QTest::addColumn<int>("size");          // of every frame's data
    QTest::addColumn<QByteArray>("pushed"); // u...: monitored, anything else connected
    QTest::addColumn<QByteArray>("handedOut");
    QTest::addColumn<int>("dropped");
    QTest::addColumn<bool>("blocked");

    constexpr int MiB = 1024 * 1024;
    QTest::newRow("oldest monitored goes first")
        << 3 << 1 << QByteArray("u1 d1 u2 u3 u4 c1") << QByteArray("d1 c1 u4") << 3 << false;
    QTest::newRow("connected data is never dropped")
        << 2 << 1 << QByteArray("u1 d1 u2 d2 u3 d3") << QByteArray("d1 d2 d3") << 3 << true;
    QTest::newRow("exactly at the frame bound")
        << 3 << 1 << QByteArray("u1 u2 u3") << QByteArray("u1 u2 u3") << 0 << false;
    QTest::newRow("exactly at the byte bound")
        << 0 << MiB << QByteArray("u1 u2 u3 u4 u5 u6 u7 u8 u9")
        << QByteArray("u2 u3 u4 u5 u6 u7 u8 u9") << 1 << false;
    QTest::newRow("bytes make room for connected data")
        << 0 << MiB << QByteArray("u1 u2 u3 u4 u5 u6 u7 d1 d2 u8")
        << QByteArray("d1 d2 u3 u4 u5 u6 u7 u8") << 2 << false;
    QTest::newRow("blocked without room for the largest frame")
        << 0 << int(ReceiveQueue::kMaxBytes - kMaxAgwDataLength + 1) << QByteArray("d1")
        << QByteArray("d1") << 0 << true;
    QTest::newRow("not blocked with room for it")
        << 0 << int(ReceiveQueue::kMaxBytes - kMaxAgwDataLength) << QByteArray("d1")
        << QByteArray("d1") << 0 << false;
}

void TestAgwFrame::receiveQueue() {
    QFETCH(int, limit);
    QFETCH(int, size);
    QFETCH(QByteArray, pushed);
    QFETCH(QByteArray, handedOut);
    QFETCH(int, dropped);
    QFETCH(bool, blocked);

    ReceiveQueue queue;
    if (limit)
        queue.setFrameLimit(limit);
    const QByteArray data(size, 'x'); // shared, so a flood of big frames costs nothing
    for (const QByteArray& label : pushed.split(' '))
        queue.push(ReceivedFrame{label, data}, label.startsWith('u'));
    QCOMPARE(queue.droppedFrames(), quint64(dropped));
    QCOMPARE(queue.blocked(), blocked);
    QCOMPARE(queue.queuedBytes(), qsizetype(queue.queuedFrames()) * size);

    QList<QByteArray> order;
    ReceivedFrame f;
    while (queue.pop(f))
        order.append(f.senderField);
    QCOMPARE(order.join(' '), handedOut);
    QCOMPARE(queue.queuedBytes(), 0);
}

QTEST_GUILESS_MAIN(TestAgwFrame)
#include "tst_agwframe.moc"
