#include "AgwTcpLink.h"
#include "FakeEngine.h"
#include "TcpStream.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <sys/socket.h>

using namespace Qt::Literals::StringLiterals;

static const QByteArray kOurCall = "N0AAA", kClosed = "the engine closed the connection";

static QByteArray kinds(const QList<AgwFrame>& frames) {
    QByteArray out;
    for (const AgwFrame& f : frames)
        out.append(f.kind);
    return out;
}

// The fields in one line, each digipeater marked + when repeated; "-" where a field is none.
static QString fieldsOf(const MonitoredFrame& f) {
    const auto number = [](auto field) { return field ? QString::number(*field) : u"-"_s; };
    QStringList out{QString::number(f.port), f.source.toString(), f.destination.toString(),
                    f.pathText()};
    for (const MonitoredFrame::Digipeater& d : f.path)
        out << d.call.toString() + (d.repeated ? u"+"_s : u""_s);
    out << (f.type ? QString(typeName(*f.type)) : u"-"_s) << number(f.sendSequence)
        << number(f.receiveSequence) << number(f.pollFinal)
        << (f.pid ? QString::number(*f.pid, 16) : u"-"_s) << number(f.length)
        << (f.time ? f.time->toString() : u"-"_s) << f.info.value_or(u"-"_s);
    return out.join(u'|');
}

static QByteArray engineFrame(const QByteArray& data, char kind = 'D', QByteArray from = "N0BBB") {
    return encodeAgwFrame(AgwFrame{0, kind, 0, from, kOurCall, data});
}

class TestAgw : public QObject {
    Q_OBJECT
    std::unique_ptr<FakeEngine> m_fake;
    std::unique_ptr<AgwTcpLink> m_link;
    QList<QByteArray> m_lines; // what nextEvent handed out

    const QList<QByteArray>& drain() {
        while (const std::optional<EngineEvent> event = m_link->nextEvent())
            m_lines.append(event->text.toLatin1());
        return m_lines;
    }

private slots:
    void init() {
        m_link.reset();
        m_fake = std::make_unique<FakeEngine>();
        m_link = std::make_unique<AgwTcpLink>(u"127.0.0.1"_s, m_fake->port());
        m_lines.clear();
    }

    void encodeAndBound() {
        QCOMPARE(encodeAgwFrame({2, 'D', 0xF0, "N0AAA-1", "ABCDEFGHIJKL", QByteArray(300, 'x')}),
                 QByteArray::fromHex("02000000 4400 f000 4e304141412d31000000" // N0AAA-1
                                     "4142434445464748494a 2c010000 00000000") // cut to ten; 300
                     + QByteArray(300, 'x'));
        // A header announcing more than the bound leaves no room at once, before any next().
        AgwFrameDecoder tooLong;
        tooLong.feed(encodeAgwFrame({0, 'D', 0, "A", "B", QByteArray(kMaxAgwDataLength + 1, 'x')})
                         .left(kAgwHeaderSize));
        QVERIFY(tooLong.outOfStep() && tooLong.room() == 0);
    }

    void incomingTranslation() {
        const QByteArray ui = " 1:Fm N0AAA To BEACON <UI pid=F0 Len=5 >[20:27:06]\rhello\r";
        const QByteArray i = " 1:Fm N0BBB To N0AAA <I S0 R0 pid=0xF0 Len=2 >[20:27:06]\rhi\r";
        const QByteArray nul(1, '\0');
        // name, engine kind, to (empty: before registering), data; station kind (0: not handed
        // out) and data. Engine texts end in one NUL the station does not see; data keeps it.
        using Row = std::tuple<const char*, char, QByteArray, QByteArray, int, QByteArray>;
        const Row rows[] = {
            {"C becomes c", 'C', kOurCall, "x" + nul + nul, 'c', "x" + nul},
            {"d", 'd', kOurCall, "bye\r" + nul, 'd', "bye\r"},
            {"D keeps its NUL", 'D', kOurCall, "ab" + nul, 'D', "ab" + nul},
            {"U monitored", 'U', "BEACON", ui + nul, 'U', ui},
            {"I between others", 'I', "N0CCC", i + nul, 'I', i},
            {"I to our call dropped", 'I', kOurCall, i, 0, {}},
            {"I before registering", 'I', "", i, 'I', i},
            {"T of a UI frame", 'T', "BEACON", ui, 'T', ui},
            {"T of an I frame dropped", 'T', "N0BBB", i, 0, {}},
            {"unknown kind dropped", 'Z', kOurCall, "zz", 0, {}},
        };
        for (const auto& [name, kind, to, data, stationKind, stationData] : rows) {
            const bool registered = !to.isEmpty();
            const FromEngine in = toReceived(AgwFrame{2, kind, 0, "N0BBB", to, data},
                                             registered ? kOurCall : "", registered);
            QCOMPARE(std::tuple(name, bool(in.registerAnswer), in.event.has_value()),
                     std::tuple(name, false, stationKind != 0));
            if (const auto& e = in.event)
                QCOMPARE(std::tuple(name, kindLetter(*e), e->call, e->text.toLatin1(), e->port,
                                    in.monitored, e->frame.sent),
                         std::tuple(name, int(stationKind), u"N0BBB"_s, stationData, 2,
                                    QByteArray("UIST").contains(kind), kind == 'T'));
        }
        // The port list: numbered by its entries, invalid and unnumbered ones left out.
        const std::pair<QByteArray, QByteArray> lists[] = {
            {"6;Port1 first soundcard mono;Port2 INVALID CHANNEL;Port3 x\x01y;",
             "0:first soundcard mono 2:x y"},
            {"2;Port1 a;Port1 again;Port0 none;Port300 far;Port9x;;", "0:a 8:x"},
            {"1;Port2 " + QByteArray(100, 'd') + '\0' + ";Port3 after",
             "1:" + QByteArray(80, 'd')}};
        for (const auto& [answer, seen] : lists) {
            const FromEngine in = toReceived(AgwFrame{0, 'G', 0, {}, {}, answer}, kOurCall, 1);
            QByteArray got;
            for (const EnginePort& p : in.ports.value())
                got += QByteArray::number(p.number) + ':' + p.description.toLatin1() + ' ';
            QCOMPARE(got.trimmed(), seen);
        }
        for (const QByteArray& data : {QByteArray("\x01\x02"), QByteArray()}) {
            const FromEngine in = toReceived(AgwFrame{0, 'X', 0, kOurCall, {}, data}, kOurCall, 1);
            QCOMPARE(std::tuple(in.event.has_value(), in.registerAnswer.value_or(9)),
                     std::tuple(false, quint8(data.isEmpty() ? 0 : 1)));
        }
    }

    void monitoredFrames() {
        const auto timed = [](int length) { // a time stamp of that many characters
            return " 1:Fm N0AAA To BEACON <UI>[" + QByteArray(length, '9') + ']';
        };
        // Each shape of header takes apart into its fields (where given) and comes back as it
        // came, on the port the line names.
        const std::pair<QByteArray, QString> frames[] = {
            {" 1:Fm N0AAA To N0BBB Via WIDE1-1,N0DIG* <UI pid=F0 Len=5 PF=0 >[20:27:06]\rhello\r",
             u"0|N0AAA|N0BBB|WIDE1-1,N0DIG*|WIDE1-1|N0DIG+|UI|-|-|0|f0|5|20:27:06|hello"_s},
            {" 1:Fm N0ME To N0BBB <I R0 S1 pid=0xCF Len=3 >\rhi\r\r",
             u"0|N0ME|N0BBB||I|1|0|-|cf|3|-|hi\r"_s},
            {" 3:Fm N0RR-2 To N0IN Via N0DIG*,WIDE2-1 <RR R127 F=1 >\r",
             u"2|N0RR-2|N0IN|N0DIG*,WIDE2-1|N0DIG+|WIDE2-1|RR|-|127|1|-|-|-|"_s},
            {"1:Fm N0CALL-15 To N0IN <SABME P=1>", u"0|N0CALL-15|N0IN||SABME|-|-|1|-|-|-|-"_s},
            {QByteArray(" 1:Fm N0XYZ To CQ\r\0tail", 24), {}},
            {" 1:Fm N0XX To APRS\r\nDX de N0XX\r\r\n", {}},
            {timed(MonitoredFrame::kMaxTimeLength), {}},
            {" 1:Fm N0AAA To BEACON <UI>[ 9:05 PM]", {}}, // an engine's own clock, blanks and all
        };
        for (const auto& [header, seen] : frames) {
            const QString text = QString::fromLatin1(header);
            const MonitoredFrame f = parseMonitoredFrame(text, header.trimmed().at(0) - '1');
            QCOMPARE(std::tuple(f.asReceived, formatMonitoredFrame(f)),
                     std::tuple(std::nullopt, text));
            if (!seen.isEmpty())
                QCOMPARE(fieldsOf(f), seen);
        }
        // What does not take apart is shown as it came, with no address or control fields.
        const QByteArray malformed[] = {
            timed(MonitoredFrame::kMaxTimeLength + 1),
            " 2:Fm N0AAA To BEACON <UI>\r",
            " 1:Fm N0AAA To BEACON <XY pid=F0 >\r",
            " 1:Fm N0AAA To BEACON <UI pid=G0 Len=1 >\r",
            " 1:Fm N0AAA To BEACON <RR R128 >",
            " 1:Fm N0AAA To BEACON <I S1 S1 >",
            " 1:Fm N0AAA To BEACON <I S01 >",
            " 1:Fm  To BEACON <UI>",
            " 1:Fm N0AAA To BEACON Via A,B,C,D,E,F,G,H,I <UI>",
            " 1:Fm N0\x01A To BEACON",
            " 1:Fm N0AAAAA-15 To BEACON",
        };
        for (const QByteArray& header : malformed) {
            const QString text = QString::fromLatin1(header);
            const MonitoredFrame f = parseMonitoredFrame(text, 0);
            QCOMPARE(std::tuple(f.asReceived, fieldsOf(f).startsWith(u"0||||-|-|-|-|-|-|-|"_s),
                                formatMonitoredFrame(f)),
                     std::tuple(text.section(u'\r', 0, 0), true, text));
        }
    }

    // Each command as the frames it becomes, from our call to whom on the command's port; none
    // where refused. Through digipeaters: their count, then each call in a NUL-padded field of
    // 10; an unproto frame's go before each piece of its data.
    void outgoingTranslation() {
        using Frames = QList<std::pair<char, QByteArray>>;
        const QByteArray b = "N0BBB", a256(256, 'a'), u256(256, 'u');
        const QList<QByteArray> two{"N0DG1", "N0DG2-15"};
        const QByteArray fields("\x02N0DG1\0\0\0\0\0N0DG2-15\0\0", 21);
        const std::tuple<EngineCommand, QByteArray, Frames> rows[] = {
            {ConnectCommand{b, {}, 3}, b, {{'C', ""}}},
            {DisconnectCommand{b, 3}, b, {{'d', ""}}},
            {LinkDataCommand{b, a256, 3}, b, {{'D', a256}}},
            {LinkDataCommand{b, a256 + u256, 3}, b, {{'D', a256}, {'D', u256}}},
            {UnprotoCommand{"CQ", u256 + 'x', {}, 3}, "CQ", {{'M', u256}, {'M', "x"}}},
            {ConnectCommand{{}, {}, 3}, {}, {}},
            {LinkDataCommand{b, {}, 3}, b, {}},
            {ConnectCommand{b, two, 1}, b, {{'v', fields}}},
            {UnprotoCommand{"CQ", u256 + 'x', two, 1},
             "CQ",
             {{'V', fields + u256}, {'V', fields + 'x'}}},
            {ConnectCommand{b, QList<QByteArray>(7, "N0DG1"), 1},
             b,
             {{'v', '\7' + QByteArray("N0DG1").leftJustified(10, '\0').repeated(7)}}},
            {ConnectCommand{b, QList<QByteArray>(8, "N0DG1"), 1}, b, {}},
            {UnprotoCommand{"CQ", "x", {""}, 1}, "CQ", {}},
        };
        for (const auto& [command, to, expected] : rows) {
            const ToEngine out = toEngine(command, kOurCall);
            const quint8 port = std::visit([](const auto& c) { return c.port; }, command);
            Frames sent;
            for (const AgwFrame& f : out.frames) {
                sent.append({f.kind, f.data});
                QCOMPARE(std::tuple(f.kind, int(f.pid), f.port, f.callFrom, f.callTo),
                         std::tuple(f.kind, QByteArray("Cdv").contains(f.kind) ? 0 : 0xF0, port,
                                    kOurCall, to));
            }
            QCOMPARE(std::pair(out.refused, sent), std::pair(expected.isEmpty(), expected));
        }
        // The engine registers an empty call, but a connect from nobody keeps it busy for ever.
        QVERIFY(toEngine(ConnectCommand{"N0BBB", {}, 3}, {}).refused);
    }

    void registrationCloseAndGoingAway() {
        m_fake->setPortList("1;Port1 first soundcard mono;");
        // A name is looked up aside, and each of its addresses tried: "localhost" may name ::1
        // first, where the engine does not listen.
        m_link->setAddress(u"localhost"_s, m_fake->port());
        QCOMPARE(m_link->startPoll(kOurCall, "app"), qint16(1));
        QCOMPARE(m_link->ports(), (QList<EnginePort>{{0, u"first soundcard mono"_s}}));
        // A second call reuses the connection: a second 'm' would switch monitoring off again.
        QCOMPARE(m_link->startPoll("N0AAA-7", "app"), qint16(1));
        QCOMPARE(m_link->send(LinkDataCommand{{}, "x", 0}), qint16(0));
        // Both registration answers came in, neither for the station; the frame to nobody refused.
        QCOMPARE(std::tuple(m_link->framesReceived(), m_link->discardedFrames(),
                            m_link->refusedFrames()),
                 std::tuple(quint64(3), quint64(3), quint64(1)));
        QCOMPARE(m_link->send(LinkDataCommand{"N0BBB", QByteArray(300, 'b'), 3}), qint16(1));
        m_fake->sendRaw(engineFrame("not read before close"));
        m_link->close();
        QVERIFY(m_fake->waitForClients(0, 5000));
        QCOMPARE(std::tuple(m_link->registeredCall(), drain().size()), std::tuple(QByteArray(), 0));
        const QList<AgwFrame> got = m_fake->received();
        QCOMPARE(std::tuple(kinds(got), m_link->ports()),
                 std::tuple(QByteArray("mGXXDDx"), std::nullopt));
        const QByteArray seven = "N0AAA-7";
        QCOMPARE(std::tuple(got[2].callFrom, got[4].data + got[5].data, got[5].callFrom,
                            got[5].port, got[6].callFrom),
                 std::tuple(kOurCall, QByteArray(300, 'b'), seven, quint8(3), seven));
    }

    // Blocking or attaching (each look returning at once), a registration fails alike.
    void failedRegistration() {
        std::optional<qint16> result;
        for (const QByteArray engine : {"absent", "silent", "refuses"}) {
            init();
            m_link->setTimeouts(2000, 300);
            m_fake->setRegisterAnswer(0);
            m_fake->setAnswerRegistration(engine != "silent");
            if (engine == "absent")
                m_fake.reset(); // nobody listens on its port any more
            const QString why = QString::fromLatin1(
                engine == "refuses"  ? "the engine refused the call sign"
                : engine == "silent" ? "the engine did not answer the registration"
                                     : "Connection refused");
            QCOMPARE(m_link->startPoll(kOurCall, "app"), qint16(0));
            QCOMPARE(
                std::tuple(engine, m_link->lastError(), m_link->registeredCall(), drain().size()),
                std::tuple(engine, why, QByteArray(), 0));
            QCOMPARE(m_link->send(ConnectCommand{"N0BBB", {}, 0}), qint16(0));
            m_link->beginAttach(kOurCall, "app");
            QTRY_VERIFY((result = m_link->attachResult()).has_value());
            QCOMPARE(std::tuple(engine, *result, m_link->lastError(), m_link->isConnected()),
                     std::tuple(engine, qint16(0), why, engine == "refuses"));
        }
        // A call the engine refused is not unregistered; a new connection asks for monitoring.
        m_link->close();
        QVERIFY(m_fake->waitForClients(0, 5000));
        m_fake->setRegisterAnswer(1);
        m_link->setAddress(u"localhost"_s, m_fake->port()); // attaching looks it up too
        m_link->beginAttach(kOurCall, "app");
        QVERIFY(m_fake->waitForFrames(9, 5000)); // registers once accepted, asked or not
        QTRY_VERIFY((result = m_link->attachResult()).has_value());
        QCOMPARE(std::tuple(*result, m_link->lastError(), m_link->registeredCall(),
                            kinds(m_fake->received())),
                 std::tuple(qint16(1), QString(), kOurCall, QByteArray("mGXmGXmGX")));
    }

    // Past its limit the stream leaves what comes in the system's buffers, and loses none of it,
    // read in the event loop or by waiting.
    void streamHoldsNoMoreThanItsLimit() {
        constexpr qsizetype kLimit = 4096;
        TcpStream stream(kLimit);
        stream.connectToHost(u"127.0.0.1"_s, m_fake->port());
        QVERIFY(stream.waitForConnected(5000) && m_fake->waitForClients(1, 5000));
        QByteArray sent;
        for (int i = 0; sent.size() < 300'000; ++i)
            sent += QByteArray::number(i) + ' ';
        m_fake->sendRaw(sent);
        QByteArray got;
        qsizetype most = 0;
        for (QDeadlineTimer deadline(10'000); got.size() < sent.size() && !deadline.hasExpired();) {
            QCoreApplication::processEvents();
            if (got.size() % 3 == 0)
                stream.waitForReadyRead(10);
            most = qMax(most, stream.bytesAvailable());
            got += stream.read(1500);
        }
        QCOMPARE(std::tuple(got.size(), most <= kLimit), std::tuple(sent.size(), true));
        QVERIFY(got == sent);
    }

    void framesReceivedBeforeTheEndSurvive() {
        const QByteArray tooLong = "the engine sent a frame longer than 65536 bytes";
        for (const auto& [tail, why] : {std::pair(engineFrame("cut off").left(40), kClosed),
                                        std::pair(QByteArray(50, char(0xFF)), tooLong)}) {
            init();
            QCOMPARE(m_link->startPoll(kOurCall, "app"), qint16(1));
            QByteArray burst;
            QList<QByteArray> sent;
            for (int i = 0; i < 10; ++i)
                burst += engineFrame(sent.emplaceBack("line " + QByteArray::number(i)));
            m_fake->sendRaw(burst + tail);
            if (why == kClosed)
                m_fake->dropClients();
            QTRY_VERIFY((drain(), !m_link->isConnected()));
            QCOMPARE(drain(), sent);
            QCOMPARE(std::tuple(tail, m_link->lastError(), m_link->registeredCall()),
                     std::tuple(tail, QString::fromLatin1(why), QByteArray()));
            QCOMPARE(m_link->send(LinkDataCommand{"N0BBB", "x", 0}), qint16(0));

            // Nothing of the old stream survives into the next connection.
            QVERIFY(m_fake->waitForClients(0, 5000));
            QCOMPARE(m_link->startPoll(kOurCall, "app"), qint16(1));
            m_fake->sendRaw(engineFrame("fresh"));
            // A poll reads the socket itself, with no event loop running.
            for (QDeadlineTimer d(5000); drain().size() == 10 && !d.hasExpired();)
                m_link->poll();
            QCOMPARE(drain().mid(10), QList<QByteArray>{"fresh"});
        }
    }

    void aResetConnection() {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        m_link->setAddress(u"127.0.0.1"_s, server.serverPort());
        m_link->beginAttach(kOurCall, "app");
        QTRY_VERIFY((m_link->attachResult(), server.hasPendingConnections()));
        const std::unique_ptr<QTcpSocket> engine(server.nextPendingConnection());
        // Monitoring asked for, then the registration, before the answer.
        QTRY_VERIFY((m_link->attachResult(), engine->bytesAvailable() >= 2 * kAgwHeaderSize));
        engine->write(engineFrame(QByteArray(1, 1), 'X', kOurCall) + engineFrame("before") +
                      engineFrame("the reset"));
        QTRY_COMPARE(m_link->attachResult(), std::optional<qint16>(1));
        QTRY_COMPARE(drain().size(), 2);
        const linger abort{1, 0};
        setsockopt(int(engine->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        engine->abort();
        // A line handed over before the reset is read fails there; it never waits on the socket.
        (void)m_link->send(LinkDataCommand{"N0BBB", "into the reset", 0});
        QTRY_VERIFY((drain(), !m_link->isConnected()));
        QCOMPARE(std::tuple(m_link->lastError(), drain()),
                 std::tuple(qt_error_string(ECONNRESET), QList<QByteArray>{"before", "the reset"}));
    }

    void connectedDataOvertakesAMonitorFlood() {
        m_link->setQueueLimit(100);
        QCOMPARE(m_link->startPoll(kOurCall, "app"), qint16(1));
        QByteArray flood = engineFrame("monitored", 'U', "MON").repeated(5000);
        QList<QByteArray> connected;
        for (int i = 0; i < 150; ++i)
            flood += engineFrame(connected.emplaceBack(QByteArray::number(i)));
        m_fake->sendRaw(flood + engineFrame(connected.emplaceBack("last"), 'U', "MON"));
        // Connected data pushes every monitored frame out; what does not fit waits in the socket.
        QTRY_COMPARE((m_link->poll(), m_link->skippedMonitorFrames()), quint64(5000));
        QCOMPARE(m_link->queuedFrames(), 100);
        QTRY_COMPARE(drain(), connected);
    }
};

QTEST_GUILESS_MAIN(TestAgw)
#include "tst_agw.moc"
