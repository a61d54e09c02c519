// How soon what the engine sends is on screen, each figure beside the one the station aims for:
// a connected line, a burst and a steady stream of monitored frames, the CPU a monitored frame
// costs, finding the engine back after an outage, and memory when idle. The real window on a
// real display, over the real TCP link, wired as the program wires it; every measure runs in a
// process of its own. Run it on a release build under a virtual X display: scripts/bench.

#include "AgwTcpLink.h"
#include "BenchSupport.h"
#include "FakeEngine.h"
#include "QtSeams.h"
#include "StationWiring.h"
#include "TextRoutines.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <deque>
#include <functional>
#include <sys/resource.h>

namespace {
constexpr int kBase = 100'000; // frame numbers of one width: no number is the prefix of another

// The station as main.cpp wires it: the real link, clock and 333 ms poll timer, and the link's
// arrival signal.
struct Live {
    Live() {
        h.store.setCallSign(QStringLiteral("N0ME"));
        station = std::make_unique<Station>(
            StationContext{h.state, window, link, h.prompts, h.beeper, clock, timer, h.store});
        connectWindowToStation(window, *station);
        QObject::connect(&link, &AgwTcpLink::bytesArrived, station.get(),
                         &Station::onFramesArrived);
        station->startUp();
        h.state.moveToFront = false; // as on every bench rig
    }
    StationHarness h;
    std::unique_ptr<FakeEngine> engine = std::make_unique<FakeEngine>();
    AgwTcpLink link{QStringLiteral("127.0.0.1"), engine->port()};
    SystemClock clock;
    QtPollTimer timer{[this] {
        if (station)
            station->tick();
    }};
    MainWindow window;
    std::unique_ptr<Station> station;
};

QByteArray monitored(int first, int count) {
    QByteArray bytes;
    for (int i = first; i < first + count; ++i)
        bytes += encodeAgwFrame(engineFrame('U', "N0XX", monitoredFrame(i)));
    return bytes;
}

void pause(qint64 ms) {
    runUntil([] { return false; }, ms);
}

bool allTrafficShows(Live& live, int frameNumber) {
    return live.window.textView(TextView::AllTraffic)
        ->toPlainText()
        .contains(QStringLiteral("cw %1\n").arg(frameNumber));
}

QString millis(double ms) {
    return QStringLiteral("%1 ms").arg(ms, 0, 'f', ms < 1 ? 4 : ms < 100 ? 2 : 0);
}

void figure(const QByteArray& what, const QString& value, const char* target, bool met) {
    std::printf("| %-62s | %16s | %-10s | %-3s |\n", what.constData(), qPrintable(value), target,
                met ? "yes" : "NO");
    std::fflush(stdout); // rows of child processes interleave with ours
}

class PaintWatch : public QObject {
public:
    PaintWatch(QWidget* widget, std::function<void()> onPaint) : m_onPaint(std::move(onPaint)) {
        widget->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            m_onPaint();
        return false;
    }

private:
    std::function<void()> m_onPaint;
};

int lineRun() {
    constexpr int kLines = 200;
    Live live;
    live.engine->send(engineFrame('C', "N0BBB", "*** CONNECTED To Station N0BBB\r"));
    if (!runUntil([&] { return live.window.tabs()->tabText(0) == QLatin1String("N0BBB"); }, 5000))
        return 1;
    live.station->selectTab(0);
    QPlainTextEdit* view = live.window.textView(channelView(0));
    QElapsedTimer clock;
    clock.start();
    std::deque<std::pair<QString, qint64>> pending; // text, when written
    QList<double> latencies;
    // Shown once the text is in the document as a paint of the view begins.
    PaintWatch watch(view->viewport(), [&] {
        const QString doc = pending.empty() ? QString() : view->document()->toPlainText();
        while (!pending.empty() && doc.contains(pending.front().first)) {
            latencies.append((clock.nsecsElapsed() - pending.front().second) / 1e6);
            pending.pop_front();
        }
    });
    int sent = 0;
    QTimer pace;
    pace.setTimerType(Qt::PreciseTimer);
    QObject::connect(&pace, &QTimer::timeout, [&] {
        if (sent == kLines)
            return pace.stop();
        const QByteArray text = "line " + QByteArray::number(kBase + sent++) + " of the bench";
        live.engine->send(engineFrame('D', "N0BBB", text + '\r'));
        pending.push_back({QString::fromLatin1(text), clock.nsecsElapsed()});
    });
    pace.start(50);
    runUntil([&] { return sent == kLines && pending.empty(); }, kLines * 50 + 10'000);
    std::sort(latencies.begin(), latencies.end());
    const double p50 = latencies.isEmpty() ? -1 : latencies.at(latencies.size() / 2);
    const double max = latencies.isEmpty() ? -1 : latencies.last();
    const bool all = latencies.size() == kLines;
    figure(all ? "connected line, written to painted, p50 (200 lines)"
               : "connected line, p50: SOME LINES NEVER PAINTED",
           millis(p50), "< 5 ms", all && p50 < 5);
    figure("connected line, written to painted, max", millis(max), "< 20 ms", all && max < 20);
    return 0;
}

// `frames` monitored frames, `perWrite` to a write every `everyMs`, then the time from the feed's
// end until the last one is in All Traffic (bounded: only the end of the feed is still there).
int monitorRun(const char* what, int frames, int perWrite, int everyMs, double targetMs,
               const char* target) {
    Live live;
    pause(500);
    QList<QByteArray> writes;
    for (int i = 0; i < frames; i += perWrite)
        writes.append(monitored(kBase + i, perWrite));
    QElapsedTimer clock;
    clock.start();
    std::atomic<qint64> fedNs{-1};
    std::unique_ptr<QThread> feeder(QThread::create([&] {
        for (qsizetype k = 0; k < writes.size(); ++k) {
            const qint64 waitNs = k * everyMs * 1'000'000LL - clock.nsecsElapsed();
            if (waitNs > 0)
                QThread::usleep(waitNs / 1000);
            live.engine->sendRaw(writes.at(k));
        }
        fedNs = clock.nsecsElapsed();
    }));
    feeder->start();
    const bool shown =
        runUntil([&] { return fedNs >= 0 && allTrafficShows(live, kBase + frames - 1); },
                 qint64(frames) * everyMs / perWrite + 60'000);
    const double ms = (clock.nsecsElapsed() - fedNs) / 1e6;
    feeder->wait();
    const quint64 skipped = live.link.skippedMonitorFrames();
    figure(QByteArray(what) + (shown ? ", feed's end to last shown" : ": LAST NEVER SHOWN"),
           millis(ms), target, shown && ms < targetMs);
    figure(QByteArray(what) + ", skipped by the link", groupedCount(skipped), "0", skipped == 0);
    return 0;
}

double cpuSeconds(const rusage& r) {
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
           double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

// With `heardAndFilter`, the heard list is open and a filter is on that hides none of the flood,
// so every frame is still shown and also tested against the filter and counted in the list.
int cpuRun(bool heardAndFilter) {
    constexpr int kFrames = 50'000, kSlice = 500, kAhead = 5'000;
    Live live;
    if (heardAndFilter) {
        MonitorFilterSettings filter;
        filter.supervisory = false;
        filter.hiddenPorts = {3};
        filter.hiddenCalls = {"N0ZZ", "N0YY-1"};
        live.station->onMonitorFilterChosen(filter);
        live.window.action(QStringLiteral("mnuHeardList"))->trigger();
    }
    pause(500);
    QList<QByteArray> slices;
    for (int i = 0; i < kFrames; i += kSlice)
        slices.append(monitored(kBase + i, kSlice));
    AgwTcpLink& link = live.link;
    const auto takenNow = [&] {
        return qint64(link.framesReceived() - link.discardedFrames() - link.droppedFrames()) -
               link.queuedFrames();
    };
    const qint64 takenBefore = takenNow();
    std::atomic<qint64> taken{0};
    rusage start{}, end{}, ownStart{}, ownEnd{};
    getrusage(RUSAGE_SELF, &start);
    getrusage(RUSAGE_THREAD, &ownStart);
    // Kept no more than kAhead frames ahead of the station, so the link's queue never fills.
    std::unique_ptr<QThread> feeder(QThread::create([&] {
        for (qsizetype k = 0; k < slices.size(); ++k) {
            while (k * kSlice - taken > kAhead)
                QThread::usleep(2000);
            live.engine->sendRaw(slices.at(k));
        }
    }));
    QElapsedTimer wall;
    wall.start();
    feeder->start();
    runUntil(
        [&] {
            taken = takenNow() - takenBefore;
            return taken + qint64(link.droppedFrames()) >= kFrames;
        },
        600'000, 5);
    const double seconds = wall.nsecsElapsed() / 1e9;
    feeder->wait();
    getrusage(RUSAGE_THREAD, &ownEnd);
    getrusage(RUSAGE_SELF, &end);
    const double process = cpuSeconds(end) - cpuSeconds(start);
    const double own = cpuSeconds(ownEnd) - cpuSeconds(ownStart);
    const qint64 shown = taken;
    const bool last = allTrafficShows(live, kBase + kFrames - 1);
    const auto perFrame = [&](double cpu) { return shown > 0 ? 1000 * cpu / double(shown) : -1; };
    const char* whole = heardAndFilter
                            ? "CPU per frame, heard list open and filter on, whole process"
                            : "CPU per monitored frame shown, 50 000 flood, whole process";
    figure(last ? whole : "CPU per monitored frame: LAST FRAME NOT SHOWN",
           millis(perFrame(process)), "<= 0.07 ms", last && perFrame(process) <= 0.07);
    figure(heardAndFilter ? "CPU per frame, heard list open and filter on, station thread"
                          : "CPU per monitored frame shown, the station's thread only",
           millis(perFrame(own)), "<= 0.07 ms", last && perFrame(own) <= 0.07);
    const QString tally = QStringLiteral("%1/%2; %3 s").arg(shown).arg(link.droppedFrames());
    figure("flood frames shown / skipped; seconds to show them", tally.arg(seconds, 0, 'f', 1), "-",
           true);
    return 0;
}

int reattachRun(int outageSeconds) {
    Live live;
    const quint16 port = live.engine->port();
    pause(1000); // running a while before the engine goes
    if (live.h.state.engineLost || !live.timer.isActive())
        return 1;
    QElapsedTimer outage;
    outage.start();
    live.engine.reset();
    if (!runUntil([&] { return live.h.state.engineLost; }, 5000))
        return 1;
    pause(outageSeconds * 1000LL - outage.elapsed());
    live.engine = std::make_unique<FakeEngine>(nullptr, port);
    if (live.engine->port() != port)
        return 1;
    QElapsedTimer since;
    since.start();
    const auto registered = [&] {
        const QList<AgwFrame> got = live.engine->received();
        return std::any_of(got.begin(), got.end(), [](const AgwFrame& f) { return f.kind == 'X'; });
    };
    const bool ok = runUntil([&] { return registered() && !live.h.state.engineLost; }, 200'000);
    const double ms = since.nsecsElapsed() / 1e6;
    const QByteArray what = "re-attached, from the engine's return after a " +
                            QByteArray::number(outageSeconds) + " s outage" + (ok ? "" : ": NEVER");
    figure(what, millis(ms), "< 3 s", ok && ms < 3000);
    return 0;
}

int idleRun() {
    Live live;
    pause(3000);
    const double mb = rssMegabytes();
    figure("idle resident memory after start-up, attached",
           QStringLiteral("%1 MB").arg(mb, 0, 'f', 1), "< 32 MB", mb > 0 && mb < 32);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    useScratchConfigHome();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString mode = app.arguments().value(1);
    if (mode == QLatin1String("--line"))
        return lineRun();
    if (mode == QLatin1String("--burst"))
        return monitorRun("1 000 monitored frames in one write", 1000, 1000, 0, 500, "< 500 ms");
    if (mode == QLatin1String("--paced"))
        return monitorRun("10 000 monitored frames at 400/s", 10'000, 20, 50, 200, "< 200 ms");
    if (mode == QLatin1String("--cpu"))
        return cpuRun(false);
    if (mode == QLatin1String("--cpu-heard"))
        return cpuRun(true);
    if (mode.startsWith(QLatin1String("--outage=")))
        return reattachRun(mode.mid(9).toInt());
    if (mode == QLatin1String("--idle"))
        return idleRun();

    std::printf("Platform %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("| %-62s | %16s | %-10s | %-3s |\n|%s|%s|%s|%s|\n", "measure", "value", "target",
                "met", QByteArray(64, '-').constData(), QByteArray(18, '-').constData(),
                QByteArray(12, '-').constData(), QByteArray(5, '-').constData());
    std::fflush(stdout);
    QStringList runs{"--line", "--burst", "--paced", "--cpu", "--cpu-heard", "--outage=20"};
    if (qgetenv("BENCH_LONG") == "1")
        runs << QStringLiteral("--outage=120");
    runs << QStringLiteral("--idle");
    int failures = 0;
    for (const QString& run : runs) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(app.applicationFilePath(), {run});
        child.waitForFinished(-1);
        if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
            std::fprintf(stderr, "bench_arrival %s failed\n", qPrintable(run));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
