// Figures of the whole station on this machine, printed as a table:
// start-up to window shown, resident memory idle and after 100 000 monitored
// frames, CPU per frame through the whole tick, and how fast a burst drains.
// Run it on a release build, offscreen: scripts/bench.

#include "BenchSupport.h"
#include "BenchText.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTimer>
#include <ctime>
#include <sys/resource.h>

namespace {
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The child run: build everything, show the window, leave.
int startUpOnly() {
    Rig rig;
    QCoreApplication::processEvents();
    return rig.window.isVisible() ? 0 : 1;
}

double startUpSeconds(const QString& self) {
    double best = 1e9;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer t;
        t.start();
        QProcess child;
        child.start(self, {QStringLiteral("--start-up-only")});
        child.waitForFinished(30000);
        if (child.exitCode() == 0)
            best = std::min(best, t.nsecsElapsed() / 1e9);
    }
    return best;
}

struct FrameCost {
    double tickMs = 0;    // the tick alone
    double repaintMs = 0; // the event pass after it: repaints, deferred updates
};

FrameCost cpuPerFrameMs(Rig& rig, int frames, const std::function<void(int)>& queue) {
    double tick = 0, repaint = 0;
    for (int i = 0; i < frames; ++i) {
        queue(i);
        const double t0 = cpuSeconds();
        rig.station->tick();
        const double t1 = cpuSeconds();
        QCoreApplication::processEvents();
        tick += t1 - t0;
        repaint += cpuSeconds() - t1;
    }
    return {tick * 1000.0 / frames, repaint * 1000.0 / frames};
}

QString costText(const FrameCost& c) {
    return QStringLiteral("%1 ms + %2 ms").arg(c.tickMs, 0, 'f', 4).arg(c.repaintMs, 0, 'f', 3);
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    useScratchConfigHomeInEnglish();
    if (app.arguments().contains(QStringLiteral("--start-up-only")))
        return startUpOnly();

    tableHead();
    row("start-up to window shown (process, best of 5)",
        QStringLiteral("%1 s").arg(startUpSeconds(app.applicationFilePath()), 0, 'f', 3));

    Rig rig;
    QCoreApplication::processEvents();
    row("resident memory, idle after start-up",
        QStringLiteral("%1 MB").arg(rssMegabytes(), 0, 'f', 1));

    const int frames = qEnvironmentVariableIntValue("BENCH_FRAMES") > 0
                           ? qEnvironmentVariableIntValue("BENCH_FRAMES")
                           : 100'000;
    const FrameCost monitored = cpuPerFrameMs(
        rig, frames, [&](int i) { rig.h.engine.queue('U', "N0XX", monitoredFrame(i)); });
    row("CPU per monitored frame: tick + repaint (100 000 frames)", costText(monitored));
    row("resident memory after 100 000 monitored frames",
        QStringLiteral("%1 MB").arg(rssMegabytes(), 0, 'f', 1));

    {
        // The same frames through the station logic alone, with in-memory views.
        StationHarness bare;
        bare.store.setCallSign(QStringLiteral("N0ME"));
        bare.startUp();
        const double before = cpuSeconds();
        for (int i = 0; i < frames; ++i) {
            bare.engine.queue('U', "N0XX", monitoredFrame(i));
            bare.station().tick();
        }
        row("CPU per monitored frame, station logic without widgets",
            QStringLiteral("%1 ms").arg((cpuSeconds() - before) * 1000.0 / frames, 0, 'f', 4));
    }

    rig.station->channels().assign(0, QStringLiteral("N0BBB"), {});
    const QByteArray line = "The quick brown fox jumps over the lazy dog 0123456789\r";
    for (int viewBytes : {1'000'000, 10'000'000}) {
        rig.window.textView(TextView::Channel0)
            ->setPlainText(
                benchText(viewBytes).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        rig.station->pages().replace(0, benchText(20'000'000));
        rig.station->pages().write(0);
        rig.h.state.conferenceTurn.take(QStringLiteral("N0BBB"));
        const FrameCost cost =
            cpuPerFrameMs(rig, 2'000, [&](int) { rig.h.engine.queue('D', "N0BBB", line); });
        const QByteArray label = "CPU per channel-data frame, view " +
                                 QByteArray::number(viewBytes / 1'000'000) +
                                 " MB, page 20 MB: tick + repaint";
        row(label.constData(), costText(cost));
    }

    // A burst of 1 000 frames on the real 333 ms timer.
    for (int i = 0; i < 1000; ++i)
        rig.h.engine.queue('U', "N0XX", monitoredFrame(i));
    QElapsedTimer drain;
    drain.start();
    QTimer timer;
    timer.setInterval(333);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        rig.station->tick();
        if (rig.h.engine.incoming.empty())
            app.quit();
    });
    timer.start();
    app.exec();
    row("burst of 1 000 monitored frames drained (333 ms ticks)",
        QStringLiteral("%1 s").arg(drain.nsecsElapsed() / 1e9, 0, 'f', 2));
    return 0;
}
