#pragma once

// The station as main.cpp wires it, over the real TCP link to a fake engine, for the benchmarks
// that run the real window on a real display; and the table row they print.

#include "AgwTcpLink.h"
#include "BenchSupport.h"
#include "FakeEngine.h"
#include "QtSeams.h"
#include "StationWiring.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <functional>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

// The main window, telling when it has painted what was due and handed it to the display.
class WatchedWindow : public MainWindow {
public:
    std::function<void()> onUpdated;

protected:
    bool event(QEvent* event) override {
        const bool update = event->type() == QEvent::UpdateRequest;
        const bool handled = MainWindow::event(event);
        if (update && onUpdated)
            onUpdated();
        return handled;
    }
};

// The real link, clock and 333 ms poll timer, and the link's arrival signal.
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
    // Frames the station has taken from the link so far.
    qint64 taken() const {
        return qint64(link.framesReceived() - link.discardedFrames() - link.droppedFrames()) -
               link.queuedFrames();
    }
    StationHarness h;
    std::unique_ptr<FakeEngine> engine = std::make_unique<FakeEngine>();
    AgwTcpLink link{QStringLiteral("127.0.0.1"), engine->port()};
    SystemClock clock;
    QtPollTimer timer{[this] {
        if (station)
            station->tick();
    }};
    WatchedWindow window;
    std::unique_ptr<Station> station;
};

inline double cpuSeconds(int who = RUSAGE_SELF) {
    rusage r{};
    getrusage(who, &r);
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
           double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

// Processor time in user and kernel mode, of the process or (RUSAGE_THREAD) the calling thread.
struct Cpu {
    Cpu() = default;
    explicit Cpu(const rusage& r)
        : user(double(r.ru_utime.tv_sec) + double(r.ru_utime.tv_usec) / 1e6),
          system(double(r.ru_stime.tv_sec) + double(r.ru_stime.tv_usec) / 1e6) {}
    double total() const { return user + system; }
    Cpu operator-(const Cpu& other) const {
        Cpu d;
        d.user = user - other.user, d.system = system - other.system;
        return d;
    }
    double user = 0, system = 0;
};

inline Cpu cpuUse(int who = RUSAGE_SELF) {
    rusage r{};
    getrusage(who, &r);
    return Cpu(r);
}

// What the threads of this name have cost so far (their CPU as the kernel counts it per thread).
inline Cpu threadsNamed(const QByteArray& name) {
    Cpu cpu;
    const double tick = double(::sysconf(_SC_CLK_TCK));
    for (const QFileInfo& task :
         QDir(QStringLiteral("/proc/self/task")).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(task.filePath() + QStringLiteral("/comm")),
            stat(task.filePath() + QStringLiteral("/stat"));
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != name ||
            !stat.open(QIODevice::ReadOnly))
            continue;
        // Fields after the name in parentheses: utime and stime are the 12th and 13th.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        cpu.user += fields.value(11).toDouble() / tick,
            cpu.system += fields.value(12).toDouble() / tick;
    }
    return cpu;
}

// Every thread's processor time so far, by "name tid": to see where a run's time went.
inline QMap<QByteArray, double> threadTimes() {
    QMap<QByteArray, double> times;
    const double tick = double(::sysconf(_SC_CLK_TCK));
    for (const QFileInfo& task :
         QDir(QStringLiteral("/proc/self/task")).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(task.filePath() + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const qsizetype open = line.indexOf('('), close = line.lastIndexOf(')');
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        times[line.mid(open + 1, close - open - 1) + ' ' + task.fileName().toLatin1()] =
            (fields.value(11).toDouble() + fields.value(12).toDouble()) / tick;
    }
    return times;
}

inline QString millis(double ms) {
    return QStringLiteral("%1 ms").arg(ms, 0, 'f', ms < 1 ? 4 : ms < 100 ? 2 : 0);
}

inline void figure(const QByteArray& what, const QString& value, const char* target, bool met) {
    std::printf("| %-62s | %16s | %-10s | %-3s |\n", what.constData(), qPrintable(value), target,
                met ? "yes" : "NO");
    std::fflush(stdout); // rows of child processes interleave with ours
}

inline void figureHead() {
    std::printf("| %-62s | %16s | %-10s | %-3s |\n|%s|%s|%s|%s|\n", "measure", "value", "target",
                "met", QByteArray(64, '-').constData(), QByteArray(18, '-').constData(),
                QByteArray(12, '-').constData(), QByteArray(5, '-').constData());
    std::fflush(stdout);
}
