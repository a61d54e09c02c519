// The KISS engine link over TCP and over a pseudo-terminal, and the monitor line it makes of a
// frame, as Direwolf's AGW monitor writes it.

#include "Ax25Frame.h"
#include "KissLink.h"
#include "KissMonitor.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

Ax25Address at(const char* call, bool bit7 = false) {
    Ax25Address a = Ax25Address::fromText(call).value();
    a.bit7 = bit7;
    return a;
}

// Every KISS data frame in `bytes`, decoded.
QList<Ax25Frame> framesIn(const QByteArray& bytes) {
    kiss::Decoder decoder;
    decoder.feed(bytes);
    QList<Ax25Frame> frames;
    while (const auto f = decoder.next())
        if (f->command == kiss::Command::Data)
            frames.append(decodeAx25(f->payload).value());
    return frames;
}

EngineAddress address(const QString& text) {
    return EngineAddress::parse(text).value();
}

std::optional<EngineEvent> nextEvent(KissLink& link) {
    std::optional<EngineEvent> e;
    (void)QTest::qWaitFor([&] { return (e = link.nextEvent()).has_value(); }, 5000);
    return e;
}

} // namespace

class KissTest : public QObject {
    Q_OBJECT

private slots:
    void monitorLinesAsDirewolfWritesThem() {
        // A command from N0AAA to N0BBB, or (with `response`) the other way.
        const auto frame = [](Ax25Kind kind, bool response, bool pollFinal) {
            Ax25Frame f;
            f.kind = kind, f.pollFinal = pollFinal;
            f.destination = at(response ? "N0AAA" : "N0BBB", !response);
            f.source = at(response ? "N0BBB" : "N0AAA", response);
            return f;
        };
        Ax25Frame i = frame(Ax25Kind::I, false, true);
        i.ns = 2, i.nr = 5, i.pid = 0xF0, i.info = "hi";
        i.via = {at("N0DG1", true), at("N0DG2", true), at("WIDE2-1")};
        Ax25Frame rr = frame(Ax25Kind::RR, true, true);
        rr.nr = 3;
        const Ax25Frame sabm = frame(Ax25Kind::SABM, false, true);
        Ax25Frame ui = Ax25Frame::ui(at("ID"), at("N0AAA"), {}, 0xF0, "N0AAA\r");
        ui.destination.bit7 = false; // version 1, as beacons often are: neither P nor F
        Ax25Frame xid = frame(Ax25Kind::XID, true, false);
        xid.info = "xyz";
        const std::pair<Ax25Frame, QString> rows[] = {
            {i,
             u" 2:Fm N0AAA To N0BBB Via N0DG1,N0DG2*,WIDE2-1 <I S2 R5 pid=F0 Len=2 P=1 >[09:05:07]\rhi\r"_s},
            {rr, u" 2:Fm N0BBB To N0AAA <RR R3 F=1 >[09:05:07]\r"_s},
            {sabm, u" 2:Fm N0AAA To N0BBB <SABM P=1 >[09:05:07]\r"_s},
            {ui, u" 2:Fm N0AAA To ID <UI pid=F0 Len=6 PF=0 >[09:05:07]\rN0AAA\r\r"_s},
            {xid, u" 2:Fm N0BBB To N0AAA <XID F=0 Len=3 >[09:05:07]\rxyz\r"_s},
        };
        for (const auto& [frame, line] : rows) {
            const EngineEvent e = monitoredEvent(frame, 1, false, QTime(9, 5, 7));
            QCOMPARE(e.text, line);
            QCOMPARE(parseMonitoredFrame(e.text, 1), e.frame); // the station reads it as from AGW
        }
        using Class = EngineEvent::FrameClass;
        QCOMPARE(monitoredEvent(ui, 0, true, {}).frameClass, Class::Transmitted);
        QCOMPARE(monitoredEvent(i, 0, false, {}).frameClass, Class::Information);
        QCOMPARE(monitoredEvent(rr, 0, false, {}).frameClass, Class::LinkControl);
    }

    // Attach: the init text and the channel parameters; then what is heard and what is sent, both
    // shown; a link; the TNC going away is noticed.
    void overTcp() {
        QTcpServer tnc;
        QVERIFY(tnc.listen(QHostAddress::LocalHost));
        KissLink link(address(u"kiss 127.0.0.1:%1"_s.arg(tnc.serverPort())),
                      {25, 200, 12, u"KISS ON\\r"_s, {}});
        QCOMPARE(link.startPoll("n0me", "app"), qint16(1));
        QVERIFY(tnc.waitForNewConnection(2000));
        QTcpSocket* air = tnc.nextPendingConnection();
        QTRY_COMPARE(air->bytesAvailable(), qint64(20));
        QCOMPARE(air->readAll(),
                 QByteArray("KISS ON\r\xC0\x01\x19\xC0\xC0\x02\xC8\xC0\xC0\x03\x0C\xC0", 20));

        Ax25Frame heard = Ax25Frame::ui(at("CQ"), at("N0BBB"), {at("N0DIG", true)}, 0xF0,
                                        QByteArray("a\xC0z\xDB", 4));
        air->write(kiss::encode(1, kiss::Command::Data, encodeAx25(heard)));
        air->flush();
        std::optional<EngineEvent> e = nextEvent(link);
        QVERIFY(e.has_value());
        QCOMPARE(std::tuple(e->call, e->port, e->frame.pathText(), e->frame.info->toLatin1()),
                 std::tuple(u"N0BBB"_s, 1, u"N0DIG*"_s, QByteArray("a\xC0z\xDB", 4)));

        QCOMPARE(link.send(UnprotoCommand{"BEACON", QByteArray(300, 'b'), {"WIDE1-1"}, 2}), 1);
        QByteArray sent;
        QTRY_VERIFY((sent += air->readAll(), framesIn(sent).size() == 2));
        const QList<Ax25Frame> frames = framesIn(sent);
        QCOMPARE(std::tuple(frames[0].source.text(), frames[0].destination.text(),
                            frames[0].via.value(0).text(),
                            frames[0].info.size() + frames[1].info.size()),
                 std::tuple(QByteArray("N0ME"), QByteArray("BEACON"), QByteArray("WIDE1-1"), 300));
        e = link.nextEvent();
        QVERIFY(e && e->frame.sent && e->frame.port == 2 &&
                e->text.startsWith(u" 3:Fm N0ME To BEACON Via WIDE1-1 <UI"_s));

        // A call from the air: answered, told to the station and not shown as monitored; data
        // goes back as an I frame on the caller's port.
        Ax25Frame sabm;
        sabm.kind = Ax25Kind::SABM, sabm.pollFinal = true;
        sabm.destination = at("N0ME", true), sabm.source = at("N0BBB");
        air->write(kiss::encode(1, kiss::Command::Data, encodeAx25(sabm)));
        QCOMPARE(nextEvent(link)->text.left(20), u" 3:Fm N0ME To BEACON"_s); // the second piece
        e = nextEvent(link);
        QVERIFY(e && e->type == EngineEvent::Type::Connected && e->port == 1);
        QCOMPARE(link.send(LinkDataCommand{"N0BBB", "hello", 1}), 1);
        QCOMPARE(link.takeOutstanding("n0bbb"), 1u);
        sent.clear();
        QTRY_VERIFY((sent += air->readAll(), framesIn(sent).size() == 2));
        QCOMPARE(std::tuple(framesIn(sent)[0].kind, framesIn(sent)[1].info, sent.at(1)),
                 std::tuple(Ax25Kind::UA, QByteArray("hello"), char(0x10)));
        QVERIFY(!link.nextEvent());

        delete air;
        QTRY_VERIFY((link.nextEvent(), !link.isAttached()));
    }

    // A serial TNC: Direwolf's own pseudo-terminal, a USB or Bluetooth serial device.
    void overASerialDevice() {
        int master = -1, slave = -1;
        char name[128] = {};
        QVERIFY(::openpty(&master, &slave, name, nullptr, nullptr) == 0);
        ::close(slave);
        KissLink link(address(u"kiss "_s + QString::fromLatin1(name)), {});
        QCOMPARE(link.startPoll("N0ME", "app"), qint16(1));
        const QByteArray wire =
            kiss::encode(0, kiss::Command::Data,
                         encodeAx25(Ax25Frame::ui(at("ID"), at("N0BBB"), {}, 0xF0, "N0BBB")));
        QCOMPARE(::write(master, wire.constData(), size_t(wire.size())), ssize_t(wire.size()));
        QCOMPARE(nextEvent(link).value_or(EngineEvent{}).call, u"N0BBB"_s);
        link.close();
        ::close(master);
    }
};

QTEST_GUILESS_MAIN(KissTest)
#include "tst_kiss.moc"
