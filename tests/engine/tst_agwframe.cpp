#include "AgwFrame.h"
#include "AgwTranslation.h"
#include "ReceiveQueue.h"

#include <QScopeGuard>
#include <QtEndian>
#include <QtTest>

namespace {

const QByteArray kOurCall = "N0AAA";

auto fields(const AgwFrame& f) {
    return std::tuple(f.port, f.kind, f.pid, f.callFrom, f.callTo, f.data);
}

QByteArray kinds(const QList<AgwFrame>& frames) {
    QByteArray out;
    for (const AgwFrame& f : frames)
        out.append(f.kind);
    return out;
}

// Names the row of a table when one of its checks failed.
#define TELL_ROW(name)                                                                             \
    const auto tell = qScopeGuard([&] {                                                            \
        if (QTest::currentTestFailed())                                                            \
            qWarning("in row \"%s\"", name);                                                       \
    })

} // namespace

class TestAgwFrame : public QObject {
    Q_OBJECT
private slots:
    void encodeLayout() {
        const QByteArray bytes =
            encodeAgwFrame(AgwFrame{2, 'D', 0xF0, "N0AAA-1", "ABCDEFGHIJKL", QByteArray(300, 'x')});
        const QByteArray header = QByteArray::fromHex("02000000 4400 f000"
                                                      "4e30414141 2d31 000000" // N0AAA-1
                                                      "4142434445 464748494a"  // cut to ten
                                                      "2c010000 00000000");    // 300 LE
        QCOMPARE(bytes.left(36).toHex(' '), header.toHex(' '));
        QCOMPARE(bytes.mid(36), QByteArray(300, 'x'));
    }

    // Frames come back field for field however the reads cut the stream.
    void decodesAnyCutOfTheStream() {
        const QList<AgwFrame> frames{
            {0, '\xff', 0, "N0AAA-15", "BEACON", QByteArray("\0\r\n\xff\x80 end\0", 11)},
            {3, 'D', 0, "N0AAA", "N0BBB", QByteArray(kMaxAgwDataLength, 'q')},
            {255, 'M', 0xF0, "ABCDEFGHIJ", "0123456789", {}}};
        QByteArray stream;
        for (const AgwFrame& f : frames)
            stream += encodeAgwFrame(f);
        for (int chunk : {1, 7, 36, 37, int(stream.size())}) {
            AgwFrameDecoder decoder;
            QList<AgwFrame> got;
            for (qsizetype at = 0; at < stream.size(); at += chunk) {
                decoder.feed(stream.mid(at, chunk));
                while (std::optional<AgwFrame> f = decoder.next())
                    got.append(*f);
            }
            QCOMPARE(got.size(), frames.size());
            for (int i = 0; i < frames.size(); ++i)
                QCOMPARE(fields(got[i]), fields(frames[i]));
            QCOMPARE(decoder.buffered(), 0);
        }
    }

    void lengthBeyondBoundPutsDecoderOutOfStep() {
        const QByteArray good = encodeAgwFrame(AgwFrame{0, 'D', 0, "N0BBB", kOurCall, "ok"});
        for (quint32 length : {kMaxAgwDataLength + 1, 0x80000000u, 0xFFFFFFFFu}) {
            QByteArray bad = good.left(kAgwHeaderSize);
            qToLittleEndian(length, bad.data() + 28);
            AgwFrameDecoder decoder;
            decoder.feed(good + bad);
            QVERIFY(decoder.next());
            QVERIFY(!decoder.next());
            QVERIFY(decoder.outOfStep());
            decoder.feed(good); // nothing is taken any more, not even a well-formed frame
            QVERIFY(!decoder.next());
            QCOMPARE(decoder.buffered(), 0);
            QCOMPARE(decoder.room(), 0);
            AgwFrameDecoder fresh;
            fresh.feed(bad);
            QVERIFY(fresh.outOfStep()); // the header alone tells
        }
    }

    void incomingTranslation() {
        const QByteArray ui = " 1:Fm N0AAA To BEACON <UI pid=F0 Len=5 >[20:27:06]\rhello\r";
        const QByteArray i = " 1:Fm N0BBB To N0AAA <I S0 R0 pid=0xF0 Len=2 >[20:27:06]\rhi\r";
        const QByteArray s = " 1:Fm N0BBB To N0AAA <UA F=1 >[20:27:06]\r";
        const QByteArray nul(1, '\0');
        // name, engine kind, to (empty: before registering), data; station kind (0: not handed
        // out) and data
        using Row = std::tuple<const char*, char, QByteArray, QByteArray, int, QByteArray>;
        // Engine texts end in one NUL, which the station does not see; connected data keeps it.
        const Row rows[] = {
            {"C becomes c", 'C', kOurCall, "x" + nul + nul, 'c', "x" + nul},
            {"d", 'd', kOurCall, "bye\r" + nul, 'd', "bye\r"},
            {"D keeps its NUL", 'D', kOurCall, "ab" + nul, 'D', "ab" + nul},
            {"U monitored", 'U', "BEACON", ui + nul, 'U', ui},
            {"I between others", 'I', "N0CCC", i + nul, 'I', i},
            {"I to our call dropped", 'I', kOurCall, i, 0, {}},
            {"I to our call in lower case dropped", 'I', "n0aaa", i, 0, {}},
            {"I before registering", 'I', "", i, 'I', i},
            {"S to our call dropped", 'S', kOurCall, s, 0, {}},
            {"T of a UI frame", 'T', "BEACON", ui, 'T', ui},
            {"T of an I frame dropped", 'T', "N0BBB", i, 0, {}},
            {"R answer consumed", 'R', "", QByteArray(8, '\1'), 0, {}},
            {"unknown kind dropped", 'Z', kOurCall, "zz", 0, {}},
        };
        for (const auto& [name, kind, to, data, stationKind, stationData] : rows) {
            TELL_ROW(name);
            const bool registered = !to.isEmpty();
            const FromEngine in = toReceived(AgwFrame{2, kind, 0, "N0BBB", to, data},
                                             registered ? kOurCall : "", registered);
            QVERIFY(!in.registerAnswer);
            QCOMPARE(in.frame.has_value(), stationKind != 0);
            if (!in.frame)
                continue;
            const ReceivedFrame& f = *in.frame;
            QCOMPARE(std::tuple(f.kind, f.senderField, f.data, f.length, f.port, in.monitored),
                     std::tuple(stationKind, QByteArray("N0BBB") + nul, stationData,
                                int(stationData.size()), 2, QByteArray("UIST").contains(kind)));
        }
        for (const QByteArray& data : {QByteArray("\x01\x02"), QByteArray()}) {
            const FromEngine in = toReceived(AgwFrame{0, 'X', 0, kOurCall, {}, data}, kOurCall, 1);
            QVERIFY(!in.frame);
            QCOMPARE(in.registerAnswer, std::optional<quint8>(data.isEmpty() ? 0 : 1));
        }
    }

    void outgoingTranslation() {
        // name, kind, destination, data, length; engine kinds (none: nothing sent), their sizes
        using Row =
            std::tuple<const char*, int, QByteArray, QByteArray, int, QByteArray, QList<int>>;
        const QByteArray b = "N0BBB";
        const Row rows[] = {
            {"c becomes C", 'c', b, {}, 0, "C", {0}},
            {"P sends nothing", 'P', b, {}, 0, {}, {}},
            {"d becomes d", 'd', b, {}, 0, "d", {0}},
            {"D of exactly 256", 'D', b, QByteArray(256, 'a'), 256, "D", {256}},
            {"D of 512 splits", 'D', b, QByteArray(512, 't'), 512, "DD", {256, 256}},
            {"D honours a shorter length", 'D', b, "abcdefgh", 3, "D", {3}},
            {"U becomes M, split", 'U', "CQ", QByteArray(257, 'u'), 257, "MM", {256, 1}},
            {"c to nobody refused", 'c', {}, {}, 0, {}, {}},
            {"d to nobody refused", 'd', {}, {}, 0, {}, {}},
            {"D to nobody refused", 'D', {}, "x", 1, {}, {}},
            {"D without data refused", 'D', b, "x", 0, {}, {}},
            {"D of a negative length refused", 'D', b, "x", -1, {}, {}},
            {"U to nobody refused", 'U', {}, "x", 1, {}, {}},
            {"unknown kind refused", 'Q', b, "x", 1, {}, {}},
        };
        for (const auto& [name, kind, destination, data, length, engineKinds, sizes] : rows) {
            TELL_ROW(name);
            const ToEngine out = toEngine(destination, data, kind, length, 3, kOurCall);
            QCOMPARE(out.refused, engineKinds.isEmpty() && kind != 'P');
            QCOMPARE(kinds(out.frames), engineKinds);
            QByteArray joined;
            for (int i = 0; i < out.frames.size(); ++i) {
                const AgwFrame& f = out.frames[i];
                QCOMPARE(f.data.size(), sizes[i]);
                QCOMPARE(std::tuple(int(f.pid), f.port, f.callFrom, f.callTo),
                         std::tuple(kind == 'c' || kind == 'd' ? 0 : 0xF0, quint8(3), kOurCall,
                                    destination));
                joined += f.data;
            }
            QCOMPARE(joined, data.left(engineKinds.isEmpty() ? 0 : length));
        }
        // The engine registers an empty call, but a connect from nobody keeps it busy for ever.
        QVERIFY(toEngine("N0BBB", {}, 'c', 0, 3, {}).refused);
    }

    void receiveQueue() {
        // frame limit (0: the default), size of every frame's data, frames pushed (u...: monitored,
        // anything else connected), frames handed out, dropped, blocked
        using Row = std::tuple<int, int, QByteArray, QByteArray, int, bool>;
        constexpr int MiB = 1024 * 1024;
        const int roomy = int(ReceiveQueue::kMaxBytes - kMaxAgwDataLength);
        const Row rows[] = {
            // The oldest monitored frame goes first; connected data is never dropped.
            {3, 1, "u1 d1 u2 u3 u4 c1", "d1 c1 u4", 3, false},
            {2, 1, "u1 d1 u2 d2 u3 d3", "d1 d2 d3", 3, true},
            {3, 1, "u1 u2 u3", "u1 u2 u3", 0, false},
            {0, MiB, "u1 u2 u3 u4 u5 u6 u7 d1 d2 u8", "d1 d2 u3 u4 u5 u6 u7 u8", 2, false},
            {0, MiB, "u1 u2 u3 u4 u5 u6 u7 u8 u9", "u2 u3 u4 u5 u6 u7 u8 u9", 1, false},
            // Blocked while there is no room for the largest frame.
            {0, roomy + 1, "d1", "d1", 0, true},
            {0, roomy, "d1", "d1", 0, false},
        };
        for (const auto& [limit, size, pushed, handedOut, dropped, blocked] : rows) {
            TELL_ROW(pushed.constData());
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
    }
};

QTEST_GUILESS_MAIN(TestAgwFrame)
#include "tst_agwframe.moc"
