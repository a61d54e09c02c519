// Resident memory over a busy day, compressed: seven connected stations each sending a
// 500-character line every 0.1 s and 300 monitored frames a second, through the real TCP link
// from a fake engine on 127.0.0.1, into the real window (offscreen) with every view full first.
// Prints resident memory every 30 s. Usage: bench_memory [minutes] (10 by default).

#include "AgwTcpLink.h"
#include "BenchSupport.h"
#include "FakeEngine.h"
#include "QtSeams.h"
#include "TextViews.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>

namespace {
constexpr int kStations = 7;

QByteArray station(int i) {
    return "N0S" + QByteArray::number(i + 1);
}

QByteArray line(int n) {
    return QByteArray::number(n).rightJustified(8, '0') + ' ' + QByteArray(489, 'a' + n % 26) +
           "\r";
}

// One tenth of a second of traffic: a line from each station and 30 monitored frames.
QByteArray burst(int n) {
    QByteArray bytes;
    for (int i = 0; i < kStations; ++i)
        bytes += encodeAgwFrame(engineFrame('D', station(i), line(n)));
    for (int i = 0; i < 30; ++i)
        bytes += encodeAgwFrame(engineFrame('U', "N0XX", monitoredFrame(n * 30 + i)));
    return bytes;
}
} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double minutes = argc > 1 ? QByteArray(argv[1]).toDouble() : 10;
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());

    StationHarness h;
    h.store.setCallSign(QStringLiteral("N0ME"));
    FakeEngine engine;
    AgwTcpLink link(QStringLiteral("127.0.0.1"), engine.port());
    SystemClock clock;
    std::unique_ptr<Station> st;
    QtPollTimer timer([&st] {
        if (st)
            st->tick();
    });
    MainWindow window;
    st = std::make_unique<Station>(
        StationContext{h.state, window, link, h.prompts, h.beeper, clock, timer, h.store});
    connectWindowToStation(window, *st);
    QObject::connect(&link, &AgwTcpLink::bytesArrived, st.get(), &Station::onFramesArrived);
    st->startUp();
    h.state.moveToFront = false;
    if (!runUntil([&] { return !h.state.engineLost && link.isAttached(); }, 5000)) {
        std::printf("no engine\n");
        return 1;
    }
    for (int i = 0; i < kStations; ++i)
        engine.send(engineFrame('C', station(i), "*** CONNECTED To Station " + station(i) + "\r"));
    runUntil([&] { return h.state.channels.channelOf(QString::fromLatin1(station(6))) >= 0; },
             5000);

    // Every view full before the run: the bounded channel and conference views, All Traffic.
    const auto full = [&] {
        for (TextView v : {channelView(0), channelView(6), TextView::Conf})
            if (window.textView(v)->document()->characterCount() <
                TextViews::kMaxViewChars * 9 / 10)
                return false;
        return true;
    };
    QElapsedTimer clockRun;
    clockRun.start();
    int n = 0;
    while (!full() && clockRun.elapsed() < 600'000) {
        QByteArray many;
        for (int k = 0; k < 20; ++k)
            many += burst(n++);
        engine.sendRaw(many);
        runUntil([] { return false; }, 50);
    }
    runUntil([] { return false; }, 2000);
    std::printf("views full after %.0f s, %d lines a station\n", clockRun.elapsed() / 1000.0, n);
    std::printf("minute  rss MB\n%6.1f  %6.1f\n", 0.0, rssMegabytes());
    std::fflush(stdout);

    QTimer feed;
    QObject::connect(&feed, &QTimer::timeout, [&] { engine.sendRaw(burst(n++)); });
    feed.start(100);
    QTimer report;
    clockRun.restart();
    QObject::connect(&report, &QTimer::timeout, [&] {
        std::printf("%6.1f  %6.1f\n", clockRun.elapsed() / 60000.0, rssMegabytes());
        std::fflush(stdout);
        if (clockRun.elapsed() >= minutes * 60000 - 1000)
            app.quit();
    });
    report.start(30'000);
    app.exec();
    timer.stop();
    st->release();
    return 0;
}
