// How soon what the engine sends is on screen, each figure beside the one the station aims for:
// a connected line (to the start of its paint, and to the X server's framebuffer), a burst and a
// steady stream of monitored frames with the CPU the stream costs, the CPU a monitored frame costs
// in a flood, finding the engine back after an outage, and memory when idle. The real window on a
// real display, over the real TCP link, wired as the program wires it; every measure runs in a
// process of its own. Run it on a release build under a virtual X display: scripts/bench.

#include "LiveStation.h"
#include "TextRoutines.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <deque>
#include <functional>
#include <sys/resource.h>
#ifdef BENCH_XCB
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

namespace {
constexpr int kBase = 100'000; // frame numbers of one width: no number is the prefix of another

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

// Waits for the X server to have carried out every request the window sent it: the image of a
// flushed paint is then in the display's framebuffer.
void displaySync() {
#ifdef BENCH_XCB
    if (auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
        xcb_connection_t* c = x11->connection();
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }
#endif
}

// Lines at random intervals, each timed from the engine's write to the end of the window's
// update in which the view painted it: the backing store flushed to the X server, and the X
// server done with it. The stages of the slowest line show where its time went.
int lineScreenRun() {
    constexpr int kLines = 30;
    Live live;
    live.engine->send(engineFrame('C', "N0BBB", "*** CONNECTED To Station N0BBB\r"));
    if (!runUntil([&] { return live.window.tabs()->tabText(0) == QLatin1String("N0BBB"); }, 5000))
        return 1;
    live.station->selectTab(0);
    pause(500);
    QPlainTextEdit* view = live.window.textView(channelView(0));
    QElapsedTimer clock;
    clock.start();
    struct Line {
        QString text;
        qint64 written = 0;
        double inText = -1, paintBegins = -1, updated = -1, shown = -1; // ms after the write
    };
    std::vector<Line> lines;
    std::size_t firstUnseen = 0, firstUnpainted = 0, firstUnshown = 0;
    const auto since = [&](const Line& line) {
        return (clock.nsecsElapsed() - line.written) / 1e6;
    };
    QObject::connect(view->document(), &QTextDocument::contentsChanged, view, [&] {
        const QString doc = view->document()->toPlainText();
        for (; firstUnseen < lines.size() && doc.contains(lines[firstUnseen].text); ++firstUnseen)
            lines[firstUnseen].inText = since(lines[firstUnseen]);
    });
    PaintWatch watch(view->viewport(), [&] {
        for (; firstUnpainted < firstUnseen; ++firstUnpainted)
            lines[firstUnpainted].paintBegins = since(lines[firstUnpainted]);
    });
    live.window.onUpdated = [&] {
        if (firstUnshown == firstUnpainted)
            return;
        for (std::size_t i = firstUnshown; i < firstUnpainted; ++i)
            lines[i].updated = since(lines[i]);
        displaySync();
        for (; firstUnshown < firstUnpainted; ++firstUnshown)
            lines[firstUnshown].shown = since(lines[firstUnshown]);
    };
    QRandomGenerator spacing(7);
    QTimer pace;
    pace.setTimerType(Qt::PreciseTimer);
    pace.setSingleShot(true);
    QObject::connect(&pace, &QTimer::timeout, [&] {
        const QByteArray text =
            "line " + QByteArray::number(kBase + int(lines.size())) + " of the bench";
        lines.push_back({QString::fromLatin1(text), clock.nsecsElapsed()});
        live.engine->send(engineFrame('D', "N0BBB", text + '\r'));
        if (lines.size() < kLines)
            pace.start(int(spacing.bounded(150, 451)));
    });
    pace.start(200);
    runUntil([&] { return firstUnshown == kLines; }, kLines * 450 + 10'000);
    const bool all = firstUnshown == kLines;
    QList<double> shown, inText, paintBegins;
    for (const Line& line : lines)
        shown << line.shown, inText << line.inText, paintBegins << line.paintBegins;
    const auto median = [](QList<double> v) {
        std::sort(v.begin(), v.end());
        return v.isEmpty() ? -1.0 : v.at(v.size() / 2);
    };
    const auto slowest = std::max_element(
        lines.begin(), lines.end(), [](const Line& a, const Line& b) { return a.shown < b.shown; });
    if (qEnvironmentVariableIsSet("BENCH_VERBOSE")) // every line: which ones were slow, and where
        for (const Line& line : lines)
            std::fprintf(stderr, "%s: %.1f; %.1f; %.1f; %.1f ms\n", qPrintable(line.text),
                         line.inText, line.paintBegins, line.updated, line.shown);
    const double max = all ? slowest->shown : -1;
    figure(all ? "connected line, written to on the display, median (30 lines)"
               : "connected line, on the display: SOME LINES NEVER SHOWN",
           millis(median(shown)), "<= 3 ms", all && median(shown) <= 3);
    figure("connected line, written to on the display, max", millis(max), "<= 8 ms",
           all && max <= 8);
    figure("the same, medians: in the view's text; its paint begins",
           QStringLiteral("%1; %2").arg(millis(median(inText)), millis(median(paintBegins))), "-",
           true);
    if (all)
        figure("the slowest: in the text; paint begins; window updated",
               QStringLiteral("%1; %2; %3")
                   .arg(slowest->inText, 0, 'f', 1)
                   .arg(slowest->paintBegins, 0, 'f', 1)
                   .arg(slowest->updated, 0, 'f', 1),
               "-", true);
    return 0;
}

// `frames` monitored frames, `perWrite` to a write every `everyMs`, then the time from the feed's
// end until the last one is in All Traffic (bounded: only the end of the feed is still there).
// With `cpuTarget`, also the CPU the station spent per frame from just before the feed's start to
// the last frame shown: the whole process but the fake engine's thread and the thread feeding it.
int monitorRun(const char* what, int frames, int perWrite, int everyMs, double targetMs,
               const char* target, double cpuTarget = 0) {
    Live live;
    pause(500);
    QList<QByteArray> writes;
    for (int i = 0; i < frames; i += perWrite)
        writes.append(monitored(kBase + i, perWrite));
    QElapsedTimer clock;
    clock.start();
    std::atomic<qint64> fedNs{-1};
    Cpu feederCpu; // read once the feeder has ended
    std::unique_ptr<QThread> feeder(QThread::create([&] {
        const Cpu feederStart = cpuUse(RUSAGE_THREAD);
        for (qsizetype k = 0; k < writes.size(); ++k) {
            const qint64 waitNs = k * everyMs * 1'000'000LL - clock.nsecsElapsed();
            if (waitNs > 0)
                QThread::usleep(waitNs / 1000);
            if (k == writes.size() - 1)
                fedNs = clock.nsecsElapsed();
            live.engine->sendRaw(writes.at(k));
        }
        feederCpu = cpuUse(RUSAGE_THREAD) - feederStart;
    }));
    // Looked at as All Traffic changes, at its last lines only: the watch costs next to nothing.
    // The last frame cannot show before it was written.
    QPlainTextEdit* strip = live.window.textView(TextView::AllTraffic);
    const QString last = QStringLiteral("cw %1").arg(kBase + frames - 1);
    const QString lastLine = last + QChar(QChar::LineSeparator); // a frame is one paragraph
    qint64 shownNs = -1;
    QObject::connect(strip->document(), &QTextDocument::contentsChanged, strip, [&] {
        QTextBlock block = strip->document()->lastBlock();
        for (int i = 0; i < 3 && block.isValid() && shownNs < 0; ++i, block = block.previous())
            if (block.text().endsWith(last) || block.text().contains(lastLine))
                shownNs = clock.nsecsElapsed();
    });
    int updates = 0;
    live.window.onUpdated = [&] { ++updates; };
    const Cpu processStart = cpuUse(), engineStart = threadsNamed("fake engine");
    const QMap<QByteArray, double> threadsBefore = threadTimes();
    feeder->start();
    // Ended from the view's change itself: a bench timer waking the loop would be counted too.
    QEventLoop loop;
    QObject::connect(strip->document(), &QTextDocument::contentsChanged, &loop, [&] {
        if (shownNs >= 0 && fedNs >= 0)
            loop.quit();
    });
    QTimer::singleShot(qint64(frames) * everyMs / perWrite + 60'000, &loop, &QEventLoop::quit);
    loop.exec();
    const bool shown = shownNs >= 0 && fedNs >= 0;
    const Cpu process = cpuUse() - processStart;
    const Cpu engine = threadsNamed("fake engine") - engineStart;
    const double ms = qMax<qint64>(0, shownNs - fedNs) / 1e6;
    if (qEnvironmentVariableIsSet("BENCH_VERBOSE")) {
        const QMap<QByteArray, double> threadsAfter = threadTimes();
        for (auto t = threadsAfter.begin(); t != threadsAfter.end(); ++t)
            std::fprintf(stderr, "thread %s: %.0f ms\n", t.key().constData(),
                         1000 * (t.value() - threadsBefore.value(t.key())));
    }
    feeder->wait();
    const quint64 skipped = live.link.skippedMonitorFrames();
    figure(QByteArray(what) + (shown ? ", feed's end to last shown" : ": LAST NEVER SHOWN"),
           millis(ms), target, shown && ms < targetMs);
    if (cpuTarget > 0) {
        // The engine is a program of its own where the station runs: its threads here are not
        // the station's cost.
        const Cpu station = process - engine - feederCpu;
        const double perFrame = 1000 * station.total() / frames;
        figure(QByteArray(what) + ", CPU per frame, the station", millis(perFrame),
               QByteArray("<= " + QByteArray::number(cpuTarget) + " ms").constData(),
               shown && perFrame <= cpuTarget);
        figure(QByteArray(what) + ", of that in the kernel",
               QStringLiteral("%1 %").arg(100 * station.system / station.total(), 0, 'f', 0), "-",
               true);
        figure(QByteArray(what) + ", the same with the fake engine's threads",
               millis(1000 * process.total() / frames), "-", true);
        figure(QByteArray(what) + ", window updates per write",
               QString::number(double(updates) * perWrite / frames, 'f', 2), "-", true);
    }
    figure(QByteArray(what) + ", skipped by the link", groupedCount(skipped), "0", skipped == 0);
    return 0;
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
    const qint64 takenBefore = live.taken();
    std::atomic<qint64> taken{0};
    const double start = cpuSeconds(), ownStart = cpuSeconds(RUSAGE_THREAD);
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
            taken = live.taken() - takenBefore;
            return taken + qint64(link.droppedFrames()) >= kFrames;
        },
        600'000, 5);
    const double seconds = wall.nsecsElapsed() / 1e9;
    feeder->wait();
    const double own = cpuSeconds(RUSAGE_THREAD) - ownStart;
    const double process = cpuSeconds() - start;
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
    figure(what, millis(ms), "< 2 s", ok && ms < 2000);
    return 0;
}

// The station program itself, started as an operator starts it: the bench's own code, its engine
// thread and the libraries they bring are not the station's.
int idleRun() {
    FakeEngine engine;
    {
        SettingsStore store;
        store.setCallSign(QStringLiteral("N0ME"));
        store.setEngineAddress(
            *EngineAddress::parse(QStringLiteral("127.0.0.1:%1").arg(engine.port())));
    }
    const QTemporaryDir programDir;
    QProcess program;
    program.setWorkingDirectory(programDir.path());
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    // Named from here: the program starts in its own folder.
    program.start(
        QFileInfo(qEnvironmentVariable("BENCH_STATION", QStringLiteral(PM_STATION_PROGRAM)))
            .absoluteFilePath(),
        {});
    const auto registered = [&] {
        const QList<AgwFrame> got = engine.received();
        return std::any_of(got.begin(), got.end(), [](const AgwFrame& f) { return f.kind == 'X'; });
    };
    const bool attached = program.waitForStarted(10'000) && runUntil(registered, 20'000);
    pause(3000);
    const double mb = attached ? rssMegabytes(program.processId()) : -1;
    program.terminate();
    if (!program.waitForFinished(5000))
        program.kill(), program.waitForFinished(5000);
    figure(attached ? "idle resident memory after start-up, attached (the program)"
                    : "idle resident memory: the program NEVER attached",
           QStringLiteral("%1 MB").arg(mb, 0, 'f', 1), "<= 38 MB", mb > 0 && mb <= 38);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    useScratchConfigHomeInEnglish();
    const QString mode = app.arguments().value(1);
    if (mode == QLatin1String("--line"))
        return lineRun();
    if (mode == QLatin1String("--line-screen"))
        return lineScreenRun();
    if (mode == QLatin1String("--burst"))
        return monitorRun("1 000 monitored frames in one write", 1000, 1000, 0, 100, "< 100 ms");
    if (mode == QLatin1String("--paced"))
        return monitorRun("10 000 monitored frames at 400/s", 10'000, 20, 50, 50, "< 50 ms", 0.06);
    // The same writes spaced for an instruction count under callgrind, where the station runs some
    // fifty times slower: valgrind --tool=callgrind --toggle-collect='*monitorRun*' ...
    if (mode == QLatin1String("--paced-slow"))
        return monitorRun("1 000 monitored frames, 20 a write every 500 ms", 1000, 20, 500, 500,
                          "< 500 ms", 1);
    if (mode == QLatin1String("--cpu"))
        return cpuRun(false);
    if (mode == QLatin1String("--cpu-heard"))
        return cpuRun(true);
    if (mode.startsWith(QLatin1String("--outage=")))
        return reattachRun(mode.mid(9).toInt());
    if (mode == QLatin1String("--idle"))
        return idleRun();

    std::printf("Platform %s\n", qPrintable(QGuiApplication::platformName()));
    figureHead();
    QStringList runs{"--line", "--line-screen", "--burst",    "--paced",
                     "--cpu",  "--cpu-heard",   "--outage=20"};
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
