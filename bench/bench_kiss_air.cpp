// 20 kB from N0BBB (an AGW client of Direwolf engine B) to a station and the same 20 kB back,
// on run.sh's simulated 1200-baud air: first the station on engine A as a KISS TNC with its own
// link layer, then Direwolf's link layer on engine A with an AGW client, N0AAB, playing the
// station. bench/kiss-air runs it (E2E_CONF=bench run.sh --kiss, with AIR_DROP for lossy air).

#include "RemoteStation.h"
#include "StationOnKiss.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kBytes = 20480;
constexpr int kFrameBytes = 256;   // what N0BBB and N0AAB hand their engine at a time
constexpr int kLegMs = 30 * 60000; // 20 kB one way takes minutes; lossy air more

QByteArray payload() {
    QByteArray out;
    for (int i = 0; out.size() < kBytes; ++i) {
        const QByteArray line = "N0BBB line " + QByteArray::number(i).rightJustified(3, '0');
        out += line + QByteArray(63 - line.size(), char('a' + i % 26)) + '\r';
    }
    return out.left(kBytes);
}

// Connected data `remote` got from `from`.
QByteArray from(const Remote& remote, const QByteArray& from) {
    QByteArray out;
    for (const AgwFrame& f : remote.frames)
        if (f.kind == 'D' && f.callFrom == from)
            out += f.data;
    return out;
}

void sendInFrames(Remote& remote, const QByteArray& data, const QByteArray& to) {
    for (qsizetype at = 0; at < data.size(); at += kFrameBytes)
        remote.send('D', data.mid(at, kFrameBytes), to);
}

bool waitFor(const std::function<bool()>& done, int ms = kLegMs) {
    return QTest::qWaitFor(done, ms);
}

// I frames engine `engine` put on the air from `call` to `to`, as its log shows them.
qsizetype iFramesSent(char engine, const QByteArray& call, const QByteArray& to) {
    QFile log(qEnvironmentVariable("E2E_OUT") + u"/direwolf-"_s + QChar(engine) + u".log"_s);
    if (!log.open(QIODevice::ReadOnly))
        return -1;
    return log.readAll().count("L] " + call + '>' + to + ":(I cmd");
}

struct Leg {
    double seconds = -1;
    qsizetype frames = 0, needed = 0;
};

void print(const char* who, const char* way, const Leg& leg) {
    std::printf("| %-28s | %-14s | %8.1f | %9lld | %13lld |\n", who, way, leg.seconds,
                qlonglong(leg.frames), qlonglong(leg.frames - leg.needed));
    std::fflush(stdout);
}

// One leg: `send` starts it, `arrived` is the data so far; frames are counted in the sender's log.
Leg leg(const std::function<void()>& send, const std::function<QByteArray()>& arrived,
        const QByteArray& expected, char engine, const QByteArray& call, const QByteArray& to,
        qsizetype needed) {
    const qsizetype before = iFramesSent(engine, call, to);
    QElapsedTimer clock;
    clock.start();
    send();
    const bool whole = waitFor([&] { return arrived().size() >= expected.size(); });
    Leg out;
    if (!whole || arrived() != expected) {
        std::fprintf(stderr, "%s to %s: %lld of %lld bytes, %s\n", call.constData(), to.constData(),
                     qlonglong(arrived().size()), qlonglong(expected.size()),
                     whole ? "not as sent" : "not all in time");
        return out;
    }
    out.seconds = double(clock.elapsed()) / 1000;
    // Direwolf writes its log line as it sends; the last acknowledgement is on the air by now.
    out.frames = iFramesSent(engine, call, to) - before;
    out.needed = needed;
    return out;
}

const QByteArray kWelcome = "Welcome to N0AAA's Packet Station!\r\n";

void station(Remote& b, const QByteArray& data) {
    StationOnKiss a(*EngineAddress::parse(u"kiss 127.0.0.1:%1"_s.arg(e2ePort("KISS_PORT_A"))));
    // After five minutes with nothing received the keep-alive sends a CR behind the data handed
    // to the link; this measures the link, so the station never counts as idle.
    QObject::connect(&a.ticker, &QTimer::timeout, [&a] { a.h.state.idle.activity(); });
    b.send('C');
    if (!waitFor([&] { return from(b, "N0AAA") == kWelcome; }, 60000))
        return void(std::fprintf(stderr, "the station did not take the call\n"));
    const qsizetype at = a.channel(0).size();
    const QString shown = QString::fromLatin1(data).replace(u'\r', "\r\n"_L1);
    const Leg in = leg([&] { sendInFrames(b, data, "N0AAA"); },
                       [&] { return a.channel(0).mid(at).toLatin1(); }, shown.toLatin1(), 'b',
                       "N0BBB", "N0AAA", kBytes / kFrameBytes);
    print("station on KISS", "N0BBB to it", in);
    // Handed to the link layer at once, as N0AAB's client hands Direwolf its frames: the link cuts
    // it into I frames of Paclen (256). Send File would go in its 80-byte pieces.
    const Leg out = leg(
        [&] {
            a.link.send(LinkDataCommand{"N0BBB", data, 0});
        },
        [&] { return from(b, "N0AAA").mid(kWelcome.size()); }, data, 'a', "N0AAA", "N0BBB",
        kBytes / kFrameBytes);
    print("station on KISS", "back to N0BBB", out);
    std::printf("(the station's own count of I frames it sent again: %llu)\n",
                qulonglong(a.link.retransmitted()));
    b.send('d');
    waitFor([&] { return a.h.view.captions[0] == u"Open"_s; }, 60000);
}

void direwolfPair(Remote& b, const QByteArray& data) {
    Remote aa("N0AAB");
    if (!aa.registerAt(e2ePort("AGW_PORT_A")))
        return void(std::fprintf(stderr, "engine A refused N0AAB\n"));
    const qsizetype calls = b.count('C');
    b.send('C', {}, "N0AAB");
    // Direwolf drops what its client sends before the link is up at its end.
    if (!waitFor([&] { return aa.count('C') > 0 && b.count('C') > calls; }, 60000))
        return void(std::fprintf(stderr, "N0AAB was not called\n"));
    const Leg in = leg([&] { sendInFrames(b, data, "N0AAB"); }, [&] { return from(aa, "N0BBB"); },
                       data, 'b', "N0BBB", "N0AAB", kBytes / kFrameBytes);
    print("Direwolf's link layer, N0AAB", "N0BBB to it", in);
    const qsizetype at = from(b, "N0AAB").size();
    const Leg out =
        leg([&] { sendInFrames(aa, data, "N0BBB"); }, [&] { return from(b, "N0AAB").mid(at); },
            data, 'a', "N0AAB", "N0BBB", kBytes / kFrameBytes);
    print("Direwolf's link layer, N0AAB", "back to N0BBB", out);
    b.send('d', {}, "N0AAB");
    waitFor([&] { return aa.count('d') > 0; }, 60000);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (e2ePort("KISS_PORT_A") == 0) {
        std::fprintf(stderr, "run it through bench/kiss-air\n");
        return 2;
    }
    useScratchConfigHomeInEnglish();
    const QByteArray data = payload();
    std::printf("%d bytes each way, air losing %s\n\n", kBytes,
                qEnvironmentVariableIntValue("AIR_DROP") == 0
                    ? "nothing"
                    : qPrintable(u"one transmission in "_s + qEnvironmentVariable("AIR_DROP")));
    std::printf("| %-28s | %-14s | %8s | %9s | %13s |\n|%s|%s|%s|%s|%s|\n", "link layer", "way",
                "seconds", "I frames", "beyond needed", QByteArray(30, '-').constData(),
                QByteArray(16, '-').constData(), QByteArray(10, '-').constData(),
                QByteArray(11, '-').constData(), QByteArray(15, '-').constData());
    Remote b("N0BBB");
    if (!b.registerAt(e2ePort("AGW_PORT_B"))) {
        std::fprintf(stderr, "engine B refused N0BBB\n");
        return 1;
    }
    // --station or --direwolf runs that one alone.
    const QStringList only = app.arguments().mid(1);
    if (only.isEmpty() || only.contains(u"--station"_s))
        station(b, data);
    if (only.isEmpty() || only.contains(u"--direwolf"_s))
        direwolfPair(b, data);
    return 0;
}
