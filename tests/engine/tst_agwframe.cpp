#include "AgwFrame.h"

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
    void zeroLengthFrameBetweenOthers();
    void lengthBeyondBoundPutsDecoderOutOfStep_data();
    void lengthBeyondBoundPutsDecoderOutOfStep();
    void callFieldsWithoutTerminator();
    void unknownKindsStillDecode();
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
    const QByteArray stream = rawFrame('D', "first line\r") + rawFrame('U', QByteArray(500, 'u')) +
                              rawFrame('d', QByteArray("bye\r\0", 5), "N0CCC", "N0AAA");

    AgwFrameDecoder decoder;
    QList<AgwFrame> frames;
    for (qsizetype at = 0; at < stream.size(); at += chunk) {
        decoder.feed(stream.mid(at, chunk));
        frames += drain(decoder);
    }
    QCOMPARE(frames.size(), 3);
    QCOMPARE(frames[0].kind, 'D');
    QCOMPARE(frames[0].data, QByteArray("first line\r"));
    QCOMPARE(frames[1].kind, 'U');
    QCOMPARE(frames[1].data, QByteArray(500, 'u'));
    QCOMPARE(frames[2].kind, 'd');
    QCOMPARE(frames[2].callFrom, QByteArray("N0CCC"));
    QCOMPARE(frames[2].data, QByteArray("bye\r\0", 5));
    QVERIFY(!decoder.outOfStep());
    QCOMPARE(decoder.buffered(), 0);
}

void TestAgwFrame::zeroLengthFrameBetweenOthers() {
    AgwFrameDecoder decoder;
    decoder.feed(rawFrame('R', {}) + rawFrame('X', QByteArray(1, '\1')) + rawFrame('m', {}));
    const QList<AgwFrame> frames = drain(decoder);
    QCOMPARE(frames.size(), 3);
    QVERIFY(frames[0].data.isEmpty());
    QCOMPARE(frames[1].data, QByteArray(1, '\1'));
    QCOMPARE(frames[2].kind, 'm');
    QVERIFY(frames[2].data.isEmpty());
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

void TestAgwFrame::callFieldsWithoutTerminator() {
    AgwFrameDecoder decoder;
    decoder.feed(rawHeader(0, 'U', 0, "ABCDEFGHIJ", "KLMNOPQRST", 2) + "hi");
    const std::optional<AgwFrame> f = decoder.next();
    QVERIFY(f);
    QCOMPARE(f->callFrom, QByteArray("ABCDEFGHIJ"));
    QCOMPARE(f->callTo, QByteArray("KLMNOPQRST"));
    QCOMPARE(f->data, QByteArray("hi"));
}

void TestAgwFrame::unknownKindsStillDecode() {
    AgwFrameDecoder decoder;
    decoder.feed(rawFrame('Z', "a") + rawFrame('\0', "b") + rawFrame('\xff', "c") +
                 rawFrame('D', "d"));
    const QList<AgwFrame> frames = drain(decoder);
    QCOMPARE(frames.size(), 4);
    QCOMPARE(frames[0].kind, 'Z');
    QCOMPARE(frames[1].kind, '\0');
    QCOMPARE(frames[2].kind, '\xff');
    QCOMPARE(frames[3].data, QByteArray("d"));
}

QTEST_GUILESS_MAIN(TestAgwFrame)
#include "tst_agwframe.moc"
