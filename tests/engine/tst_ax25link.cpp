#include "Ax25Link.h"
#include "LinkTable.h"

#include <QtTest>

using Kind = Ax25Kind;
using State = Ax25Link::State;

static const Ax25Address kA{"N0AAA", 1}, kB{"N0BBB", 2};
static const QMap<QString, Kind> kKinds{
    {"I", Kind::I},       {"RR", Kind::RR},       {"RNR", Kind::RNR},   {"REJ", Kind::REJ},
    {"SABM", Kind::SABM}, {"SABME", Kind::SABME}, {"DISC", Kind::DISC}, {"DM", Kind::DM},
    {"UA", Kind::UA},     {"FRMR", Kind::FRMR}};

// "I01c!": kind, N(S) and N(R) as far as the kind has them, c(ommand) or r(esponse), ! for P/F.
static QString text(const Ax25Frame& f) {
    QString s = kKinds.key(f.kind);
    if (f.ns)
        s += QString::number(*f.ns);
    if (f.nr)
        s += QString::number(*f.nr);
    return s + (f.command ? "c" : "r") + (f.pollFinal ? "!" : "");
}

static Ax25Frame frame(const QString& t) {
    Ax25Frame f;
    f.destination = kA;
    f.source = kB;
    qsizetype i = 0;
    while (t[i].isUpper())
        ++i;
    f.kind = kKinds.value(t.left(i));
    if (f.kind == Kind::I) {
        f.ns = quint8(t[i++].digitValue());
        f.info = "x";
    }
    if (f.kind == Kind::I || f.kind == Kind::RR || f.kind == Kind::RNR || f.kind == Kind::REJ)
        f.nr = quint8(t[i++].digitValue());
    f.command = t[i] == 'c';
    f.pollFinal = t.endsWith('!');
    return f;
}

static QString drain(Ax25Link& l) {
    QStringList s;
    for (const Ax25Frame& f : l.takeOutgoing())
        s << text(f);
    return s.join(' ');
}

static QString events(Ax25Link& l) {
    QStringList s;
    for (const Ax25Link::Event& e : l.takeEvents())
        s << QStringList{"Up", "Data", "Down"}[e.kind] + (e.kind == e.Data ? ":" + QString(e.data)
                                                          : e.reason.isEmpty() ? ""
                                                                               : ":" + e.reason);
    return s.join(' ');
}

static Ax25LinkParameters params(int retry = 10) {
    Ax25LinkParameters p;
    p.retry = retry;
    p.paclen = 100;
    p.bitsPerSecond = 0; // T1 from the handing over: the tables' times stay round
    return p;
}

// A link from kA to kB brought to `s` by 1500 ms (a UA after 1500 ms keeps T1 at 3000), with `sent`
// one-byte I frames handed over.
static Ax25Link at(State s, int sent = 0, int retry = 10) {
    Ax25Link l(kA, kB, {}, params(retry));
    if (s != State::Disconnected)
        l.connect(s == State::AwaitingConnection ? 1500 : 0);
    if (s != State::Disconnected && s != State::AwaitingConnection)
        l.receive(frame("UAr!"), 1500);
    for (int i = 0; i < sent; ++i)
        l.send("x", 1500);
    if (s == State::TimerRecovery)
        l.tick(1500 + (sent ? 3000 : 180000));
    if (s == State::AwaitingRelease)
        l.disconnect(1500);
    drain(l);
    events(l);
    return l;
}

// "2:N0BBB-2,D2,D1:UAr!": the port, where the frame goes and through whom, and the frame.
static QString out(LinkTable& t) {
    QStringList s;
    for (const LinkTable::Outgoing& o : t.takeOutgoing()) {
        QString to = o.frame.destination.text();
        for (const Ax25Address& d : o.frame.via)
            to += "," + d.text() + (d.bit7 ? "*" : ""); // none repeated yet on the way back
        s << QString::number(o.port) + ":" + to + ":" + text(o.frame);
    }
    return s.join(' ');
}

static QString notices(LinkTable& t) {
    QStringList s;
    for (const EngineEvent& e : t.takeEvents())
        s << QString("CdDMR"[int(e.type)]) + ":" + e.call + ":" + QString::number(e.port) + ":" +
                 e.text.trimmed();
    return s.join(' ');
}

static Ax25Frame via(Ax25Frame f, bool lastRepeated) {
    f.via = {{"D1", 0, true}, {"D2", 0, lastRepeated}};
    return f;
}

class TestAx25Link : public QObject {
    Q_OBJECT

private slots:
    void stateTable() {
        // start state, I frames handed over first, frames in, ticks ("@ms" after the link got
        // there) and "+" for a frame handed over: frames out, events, state after, frames waiting.
        struct Row {
            State from;
            int sent;
            const char *in, *out, *events;
            State to;
            int waiting;
        };
        const State D = State::Disconnected, W = State::AwaitingConnection, C = State::Connected,
                    T = State::TimerRecovery, R = State::AwaitingRelease;
        const Row rows[] = {
            {D, 0, "SABMc!", "UAr!", "Up", C, 0},
            {D, 0, "DISCc", "DMr", "", D, 0},
            {D, 0, "I00c!", "DMr!", "", D, 0},
            {D, 0, "RR0r!", "", "", D, 0},
            {W, 0, "UAr!", "", "Up", C, 0},
            {W, 0, "UAr", "", "", W, 0},
            {W, 0, "DMr!", "", "Down:refused (DM)", D, 0},
            {W, 0, "SABMc!", "UAr!", "", W, 0},
            {W, 0, "DISCc!", "DMr!", "", W, 0},
            {C, 0, "I00c!", "RR1r!", "Data:x", C, 0},
            {C, 0, "I10c!", "REJ0r!", "", C, 0},
            {C, 0, "I00r", "", "", C, 0},
            {C, 0, "DISCc!", "UAr!", "Down:the remote station disconnected", D, 0},
            {C, 0, "DMr", "", "Down:the remote station disconnected", D, 0},
            {C, 0, "FRMRr", "SABMc!", "", W, 0},
            {C, 0, "UAr!", "SABMc!", "", W, 0},
            {C, 0, "SABMEc!", "DMr!", "", C, 0},
            {C, 3, "RR3r", "", "", C, 0},
            {C, 3, "RR4r UAr!", "SABMc! I00c I10c I20c", "", C, 3}, // no second Up, no loss
            {C, 3, "I03c", "RR1r", "Data:x", C, 0},
            {C, 3, "I04c", "SABMc!", "", W, 3},
            {C, 3, "REJ1r", "I10c I20c", "", C, 2},
            {C, 3, "RNR1r", "", "", C, 2},
            {C, 1, "RNR1r + @2999 @3000 RR1r!", "RR0c! I10c", "", C, 1}, // busy: polled, not sent
            {C, 0, "RNR0r + @3000", "RR0c!", "", T, 1},
            {C, 6, "RR2c!", "RR0r! I40c I50c", "", C, 4},
            {C, 6, "SABMc!", "UAr!", "Up:reset by the remote station", C, 0},
            {T, 0, "RR0c!", "RR0r!", "", T, 0},
            {T, 2, "RR1r!", "I10c", "", C, 1},
            {T, 2, "RR1r", "", "", T, 1},
            {T, 2, "REJ0r!", "I00c I10c", "", C, 2},
            {R, 0, "UAr!", "", "Down:disconnected", D, 0},
            {R, 2, "UAr", "", "", R, 0},
            {R, 0, "DISCc!", "UAr!", "", R, 0},
            {R, 0, "RR0c!", "DMr!", "", R, 0},
            {R, 0, "RR0r!", "", "", R, 0},
            {W, 0, "@3000", "SABMc!", "", W, 0},
            {C, 1, "@2999", "", "", C, 1},
            {C, 1, "@3000", "RR0c!", "", T, 1},
            {C, 0, "@179999", "", "", C, 0},
            {C, 0, "@180000", "RR0c!", "", T, 0},
            {T, 1, "@8999", "", "", T, 1},
            {T, 1, "@9000", "RR0c!", "", T, 1},
            {R, 0, "@3000", "DISCc!", "", R, 0},
            {C, 2, "@2000 RR1r @4999", "", "", C, 1},
            {C, 2, "@2000 RR1r @5000", "RR0c!", "", T, 1},
            {C, 1, "RR1r @100000", "", "", C, 0},
            {C, 0, "I00c I00c", "REJ1r", "Data:x", C, 0},
            {C, 0, "I10c I20c!", "REJ0r RR0r!", "", C, 0},
            {C, 0, "I10c I00c I10c", "REJ0r RR2r", "Data:x Data:x", C, 0},
        };
        for (const Row& r : rows) {
            Ax25Link l = at(r.from, r.sent);
            qint64 now = 1500;
            for (const QString& step : QString(r.in).split(' ')) {
                if (step.startsWith('@'))
                    l.tick(now = 1500 + step.mid(1).toInt());
                else if (step == "+")
                    l.send("y", now);
                else
                    l.receive(frame(step), now);
            }
            const QString row = QString::number(int(r.from)) + " " + r.in;
            QCOMPARE(row + drain(l) + " | " + events(l), row + r.out + " | " + r.events);
            QCOMPARE(int(l.state()), int(r.to));
            QCOMPARE(l.outstanding(), r.waiting);
        }
    }

    void t1FromRoundTrip() {
        Ax25Link l(kA, kB, {kB, kB}, params());
        QCOMPARE(l.t1Ms(), 15000); // frack times (2 * 2 digipeaters + 1)
        l.connect(0);
        l.receive(frame("UAr!"), 1000);
        QCOMPARE(l.t1Ms(), 2 * ((7 * 7500 + 1000) / 8));
    }

    void retryOut() {
        // N2 = 3: three repeats after the first try, then down (a poll's link tells the peer).
        const std::tuple<State, QString, QString> rows[] = {
            {State::AwaitingConnection, "SABMc!", ""},
            {State::Connected, "RR0c!", "DMr"},
            {State::AwaitingRelease, "DISCc!", ""}};
        for (const auto& [from, repeat, last] : rows) {
            Ax25Link l = at(from, 1, 3);
            int repeats = 0;
            for (qint64 t = 10000; l.state() != State::Disconnected && t < 10000000; t += 20000) {
                l.tick(t);
                const QString out = drain(l);
                if (out == repeat)
                    ++repeats;
                else
                    QCOMPARE(out, last);
            }
            QCOMPARE(repeat + QString::number(repeats), repeat + "3");
            QCOMPARE(events(l), "Down:retry-out");
            QCOMPARE(l.outstanding(), 0);
        }
    }

    void boundsAndIdleDisconnect() {
        Ax25Link l = at(State::Connected);
        QVERIFY(!l.send(QByteArray(65537, 'x'), 0));
        QVERIFY(l.send(QByteArray(250, 'x'), 0));
        QCOMPARE(l.outstanding(), 3); // cut to paclen 100
        QVERIFY(!at(State::Disconnected).send("x", 0));
        for (State s : {State::Disconnected, State::AwaitingRelease}) {
            Ax25Link idle = at(s);
            idle.disconnect(0);
            QCOMPARE(drain(idle), "");
            QCOMPARE(int(idle.state()), int(s));
        }
    }

    // The station's links over a TNC: which frames reach a link, what is refused and how, and the
    // notices the station gets.
    void linkTable() {
        LinkTable t;
        t.setOwnCall(kA);
        // Whatever is heard on a link's port holds its T1 back by its time on the air: 1 879 ms
        // for 256 bytes at 1 200 bits a second; the SABM went at 3 422 ms otherwise.
        QVERIFY(t.connect({"N0C", 0}, {}, 1, 0));
        out(t);
        t.receive(Ax25Frame::ui({"CQ", 0}, {"N0X", 0}, {}, 0xF0, QByteArray(256, 'x')), 1, 3000);
        t.receive(Ax25Frame::ui({"CQ", 0}, {"N0X", 0}, {}, 0xF0, QByteArray(99, 'x')), 2, 3000);
        t.tick(3422 + 1879 - 1);
        QCOMPARE(out(t), "");
        t.tick(3422 + 1879);
        QCOMPARE(out(t), "1:N0C:SABMc!");
        Ax25Frame gone = frame("DMr!");
        gone.source = {"N0C", 0};
        t.receive(gone, 1, 3422 + 1879);
        QCOMPARE(notices(t), "d:N0C:1:*** DISCONNECTED From Station N0C");
        const auto in = [&t](const Ax25Frame& f, quint8 port = 2) { t.receive(f, port, 0); };
        in(via(frame("SABMc!"), false)); // still on its way through D2
        QCOMPARE(out(t) + notices(t), "");
        in(via(frame("SABMc!"), true));
        QCOMPARE(out(t), "2:N0BBB-2,D2,D1:UAr!");
        QCOMPARE(notices(t), "C:N0BBB-2:2:*** CONNECTED To Station N0BBB-2");
        in(frame("I00c"), 3); // the same call on another port: refused, the link stays
        QCOMPARE(out(t), "3:N0BBB-2:DMr");
        in(frame("I00c"));
        QCOMPARE(notices(t), "D:N0BBB-2:2:x");
        QCOMPARE(out(t), "2:N0BBB-2,D2,D1:RR1r");
        Ax25Frame other = frame("SABMc!"), ui = frame("SABMc!");
        other.destination = {"N0ZZZ", 0};
        ui.kind = Kind::UI;
        for (const Ax25Frame& ignored : {frame("RR0r!"), other, ui})
            in(ignored, 4);
        in(frame("SABMEc!"), 5);
        QCOMPARE(out(t) + notices(t), "5:N0BBB-2:DMr!");

        QVERIFY(!t.connect(kB, {}, 2, 0));
        for (int n = 1; n < LinkTable::kMaxLinks; ++n)
            QVERIFY(t.connect({"N0C", quint8(n)}, {{"D3", 0}, {"D4", 0}}, 1, 0));
        QCOMPARE(out(t).split(' ').last(), "1:N0C-6,D3,D4:SABMc!");
        QVERIFY(!t.connect({"N0D", 0}, {}, 1, 0));
        Ax25Frame eighth = via(frame("SABMc!"), true);
        eighth.source = {"N0D", 0};
        in(eighth); // refused the way it came
        QCOMPARE(out(t), "2:N0D,D2,D1:DMr!");
        QCOMPARE(notices(t), "R:N0D:2:*** N0D called, but all 7 channels are busy: refused");

        QVERIFY(t.outstanding(kB));
        in(frame("DISCc!"));
        QCOMPARE(notices(t), "d:N0BBB-2:2:*** DISCONNECTED From Station N0BBB-2");
        QCOMPARE(out(t), "2:N0BBB-2,D2,D1:UAr!");
        QVERIFY(!t.outstanding(kB));
        for (qint64 ms = 0; ms < 3600000; ms += 1000)
            t.tick(ms);
        QCOMPARE(notices(t).count("*** DISCONNECTED RETRYOUT With N0C-"), 6);
        QVERIFY(t.connect({"N0D", 0}, {}, 1, 0));
    }

    // Two links back to back on a fake clock, 100 ms a step, every tenth frame on the air lost.
    void lossyBothWays() {
        Ax25Link a(kA, kB, {}, params()), b(kB, kA, {}, params());
        QByteArray toB, toA, gotB, gotA;
        for (int i = 0; i < 4096; ++i) {
            toB += char('a' + i % 26);
            toA += char('0' + i % 10);
        }
        int count = 0;
        const auto carry = [&](Ax25Link& from, Ax25Link& to, QByteArray& got, qint64 now) {
            for (const Ax25Frame& f : from.takeOutgoing())
                if (++count % 10 != 0)
                    to.receive(f, now);
            for (const Ax25Link::Event& e : to.takeEvents())
                got += e.data;
        };
        a.connect(0);
        for (qint64 now = 0; now <= 601000; now += 100) {
            if (now == 1000) {
                a.send(toB, now);
                b.send(toA, now);
            }
            a.tick(now);
            b.tick(now);
            carry(a, b, gotB, now);
            carry(b, a, gotA, now);
        }
        QCOMPARE(gotB, toB);
        QCOMPARE(gotA, toA);
        QVERIFY(a.retransmitted() + b.retransmitted() > 0);
        QCOMPARE(a.outstanding() + b.outstanding(), 0);
    }
};

QTEST_GUILESS_MAIN(TestAx25Link)
#include "tst_ax25link.moc"
