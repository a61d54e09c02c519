#pragma once

// What the whole-station benchmarks share: the rig, the table and the memory reading.

#include "AgwFrame.h"
#include "MainWindow.h"
#include "StationFakes.h"
#include "StationHarness.h"
#include "StationWiring.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <memory>

// Of this process, or of another by its id.
inline double rssMegabytes(qint64 pid = 0) {
    QFile status(pid ? QStringLiteral("/proc/%1/status").arg(pid)
                     : QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

inline void tableHead() {
    std::printf("| %-62s | %22s |\n|%s|%s|\n", "measure", "value", QByteArray(64, '-').constData(),
                QByteArray(24, '-').constData());
    std::fflush(stdout);
}

inline void row(const char* what, const QString& value) {
    std::printf("| %-62s | %22s |\n", what, qPrintable(value));
    std::fflush(stdout); // rows of child processes interleave with ours
}

// The data of a monitored frame as the engine reports it.
inline QByteArray monitoredFrame(int i) {
    return " 1:Fm N0XX-" + QByteArray::number(i % 16) +
           " To APRS <UI pid=F0 Len=44 PF=0 >[12:00:00]\r"
           "DX de N0XX: 14025.0 JA1XYZ cw " +
           QByteArray::number(i) + "\r";
}

// A frame as the engine sends it to N0ME (monitored traffic goes to APRS).
inline AgwFrame engineFrame(char kind, const QByteArray& from, const QByteArray& data) {
    AgwFrame f;
    f.kind = kind;
    f.callFrom = from;
    f.callTo = kind == 'U' ? QByteArray("APRS") : QByteArray("N0ME");
    f.pid = kind == 'C' ? 0 : 0xF0;
    f.data = data;
    return f;
}

// Runs this program again for one measure, in a process of its own so it inherits no memory; its
// table rows pass through, and what it writes to standard error lands in `errors` when given.
// False, said on standard error, when the measure failed.
inline bool runMeasure(const QString& self, const char* option, QByteArray* errors = nullptr) {
    QProcess child;
    child.setProcessChannelMode(errors ? QProcess::ForwardedOutputChannel
                                       : QProcess::ForwardedChannels);
    child.start(self, {QString::fromLatin1(option)});
    child.waitForFinished(-1);
    if (errors)
        *errors = child.readAllStandardError();
    const bool ok = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    if (!ok)
        std::fprintf(stderr, "%s %s failed\n", qPrintable(QFileInfo(self).fileName()), option);
    return ok;
}

// Runs the event loop, looking every `stepMs`, until the condition holds or time is up.
inline bool runUntil(const std::function<bool()>& done, qint64 timeoutMs, int stepMs = 1) {
    QEventLoop loop;
    QTimer look;
    look.setTimerType(Qt::PreciseTimer);
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(int(qMax<qint64>(0, timeoutMs)), &loop, &QEventLoop::quit);
    look.start(stepMs);
    loop.exec();
    return done();
}

// A station with the real main window. The harness's in-process engine, clock and poll timer
// stand in for whichever of them is not given.
struct Rig {
    explicit Rig(EngineLink* link = nullptr, Clock* clock = nullptr, PollTimer* timer = nullptr) {
        h.store.setCallSign(QStringLiteral("N0ME"));
        station = std::make_unique<Station>(
            StationContext{h.state, window, link ? *link : h.engine, h.prompts, h.beeper,
                           clock ? *clock : h.clock, timer ? *timer : h.timer, h.store});
        connectWindowToStation(window, *station);
        station->startUp();
        h.state.moveToFront = false;
    }
    StationHarness h;
    MainWindow window;
    std::unique_ptr<Station> station;
};
