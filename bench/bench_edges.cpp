// The station at the edges of its load, printed as a table: a connected line behind a flood
// of monitored frames over the real TCP link, memory after a huge or odd channel text, and
// how long the window goes unanswered while a silent engine is attached again.
// Every measure runs in a process of its own so none inherits another's memory.
// Run it on a release build, offscreen: scripts/bench.

#include "AgwTcpLink.h"
#include "BenchSupport.h"
#include "FakeEngine.h"
#include "QtSeams.h"
#include "TextRoutines.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <functional>

namespace {
constexpr int kFloodFrames = 200'000;

// The station as the program wires it: the real link, clock and 333 ms poll timer, and frames
// taken as they arrive.
struct LiveStation {
    explicit LiveStation(quint16 port)
        : link(QStringLiteral("127.0.0.1"), port), rig(&link, &clock, &timer) {
        QObject::connect(&link, &AgwTcpLink::bytesArrived, rig.station.get(),
                         &Station::onFramesArrived);
    }
    AgwTcpLink link;
    SystemClock clock;
    QtPollTimer timer{[this] { rig.station->tick(); }};
    Rig rig;
};

QString channelText(Rig& rig, int n) {
    return rig.window.textView(channelView(n))->toPlainText();
}

int floodRun() {
    FakeEngine engine;
    LiveStation live(engine.port());
    engine.send(engineFrame('C', "N0BBB", "*** CONNECTED To Station N0BBB\r"));
    if (!runUntil([&] { return live.rig.window.tabs()->tabText(0) == QLatin1String("N0BBB"); },
                  5000))
        return 1;

    // Written in big slices, as fast as the engine's socket takes them.
    QList<QByteArray> slices;
    for (int i = 0; i < kFloodFrames; ++i) {
        if (i % 2000 == 0)
            slices.append(QByteArray());
        slices.last() += encodeAgwFrame(engineFrame('U', "N0XX", monitoredFrame(i)));
    }
    const quint64 framesBefore = live.link.framesReceived();
    QElapsedTimer clock;
    std::atomic<qint64> lineWritten{-1};
    clock.start();
    std::unique_ptr<QThread> writer(QThread::create([&] {
        for (const QByteArray& slice : slices)
            engine.sendRaw(slice);
        engine.send(engineFrame('D', "N0BBB", "after the flood\r"));
        lineWritten = clock.nsecsElapsed();
    }));
    writer->start();
    qint64 lineShown = -1;
    runUntil(
        [&] {
            if (lineShown < 0 &&
                channelText(live.rig, 0).contains(QLatin1String("after the flood")))
                lineShown = clock.nsecsElapsed();
            return lineShown >= 0 && lineWritten >= 0;
        },
        120'000);
    writer->wait();
    // The rest of the flood, to see how much of it the station ever showed.
    runUntil(
        [&] {
            return live.link.framesReceived() - framesBefore >= kFloodFrames + 1 &&
                   live.link.queuedFrames() == 0;
        },
        120'000);
    const double drained = clock.nsecsElapsed() / 1e9;
    const quint64 skipped = live.link.skippedMonitorFrames();

    row(lineShown < 0 ? "connected line behind a 200 000-frame flood: NEVER SHOWN"
                      : "connected line behind a 200 000-frame flood, written to shown",
        QStringLiteral("%1 ms").arg(qMax<qint64>(0, lineShown - lineWritten) / 1e6, 0, 'f', 1));
    row("monitored frames of the flood skipped by the link",
        QStringLiteral("%1 (%2 %)")
            .arg(groupedCount(skipped))
            .arg(100.0 * double(skipped) / kFloodFrames, 0, 'f', 1));
    row("monitored frames of the flood passed on to All Traffic",
        groupedCount(kFloodFrames - skipped));
    row("whole flood read and passed on, from the first byte written",
        QStringLiteral("%1 s").arg(drained, 0, 'f', 2));
    return 0;
}

// `total` bytes of connected data on channel 0 from the in-process engine, in frames of at most
// 2 KB made of whole `unit`s, then the resident memory.
int channelTextRun(const char* what, const QByteArray& unit, qsizetype total) {
    Rig rig;
    QCoreApplication::processEvents();
    const double idle = rssMegabytes();
    rig.h.engine.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
    rig.station->tick();
    const QByteArray data = unit.repeated(qMax<qsizetype>(1, 2048 / unit.size()));
    for (qsizetype fed = 0; fed < total || !rig.h.engine.incoming.empty();) {
        while (rig.h.engine.incoming.size() < 20 && fed < total) {
            const QByteArray part = data.left(total - fed);
            rig.h.engine.queue('D', "N0BBB", part);
            fed += part.size();
        }
        rig.station->tick();
        QCoreApplication::processEvents();
    }
    row(what,
        QStringLiteral("%1 MB (idle %2)").arg(rssMegabytes(), 0, 'f', 1).arg(idle, 0, 'f', 1));
    return 0;
}

int reattachRun() {
    auto engine = std::make_unique<FakeEngine>();
    const quint16 port = engine->port();
    LiveStation live(port);
    engine.reset();                   // the engine is lost...
    FakeEngine silent(nullptr, port); // ...and one comes back that never answers a registration
    silent.setAnswerRegistration(false);
    if (silent.port() != port)
        return 1;

    QElapsedTimer since;
    qint64 longestNs = 0;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        longestNs = qMax(longestNs, since.nsecsElapsed());
        since.start();
    });
    since.start();
    beat.start(5);
    runUntil([] { return false; }, 10'000);

    int registrations = 0;
    for (const AgwFrame& f : silent.received())
        registrations += f.kind == 'X' ? 1 : 0;
    row("longest event-loop gap, 10 s re-attaching to a silent engine",
        QStringLiteral("%1 ms").arg(longestNs / 1e6, 0, 'f', 1));
    row("attach attempts in those 10 s: registrations / connections",
        QStringLiteral("%1 / %2").arg(registrations).arg(silent.connectionsAccepted()));
    return live.rig.h.state.engineLost ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    useScratchConfigHomeInEnglish();
    const QString mode = app.arguments().value(1);
    if (mode == QLatin1String("--flood"))
        return floodRun();
    if (mode == QLatin1String("--ten-mb"))
        return channelTextRun("resident memory after 10 MB of connected data on channel 0",
                              "N0BBB says: the quick brown fox jumps over the lazy dog 12\r",
                              10'000'000);
    if (mode == QLatin1String("--bare-crs"))
        return channelTextRun("resident memory after 1 MiB of bare CRs on channel 0", "\r",
                              1024 * 1024);
    if (mode == QLatin1String("--reattach"))
        return reattachRun();

    tableHead();
    int failures = 0;
    for (const char* run : {"--flood", "--ten-mb", "--bare-crs", "--reattach"})
        failures += runMeasure(app.applicationFilePath(), run) ? 0 : 1;
    return failures == 0 ? 0 : 1;
}
