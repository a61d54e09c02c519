// A busy channel and a search in a full view, on the real window on a real display: the CPU a
// long line costs on a channel that fills its view past its bound and grows its page file, and
// how long the window freezes while a search term is typed into the find bar of a full view.
// Every measure runs in a process of its own. Run it on a release build under a virtual X
// display: scripts/bench.

#include "FindBar.h"
#include "LiveStation.h"
#include "TextViews.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>

namespace {

void pause(qint64 ms) {
    runUntil([] { return false; }, ms);
}

bool connectStation(Live& live) {
    live.engine->send(engineFrame('C', "N0BBB", "*** CONNECTED To Station N0BBB\r"));
    if (!runUntil([&] { return live.window.tabs()->tabText(0) == QLatin1String("N0BBB"); }, 5000))
        return false;
    live.station->selectTab(0);
    pause(500);
    return true;
}

// `megabytes` of lines of about 1 kB from the station on channel 0, the tab in front: its view
// is cut at its bound many times over and its page file grows. Each line is a write of its own;
// the engine keeps at most `ahead` lines ahead of the station (0: each line waits until the
// station has taken the one before).
int channelRun(int megabytes, int ahead) {
    const int lines = megabytes * 1000;
    Live live;
    if (!connectStation(live))
        return 1;
    QList<QByteArray> writes;
    const QByteArray words =
        QByteArray("the quick brown fox jumps over the lazy dog ").repeated(23);
    for (int i = 0; i < lines; ++i)
        writes.append(encodeAgwFrame(
            engineFrame('D', "N0BBB",
                        "line " + QByteArray::number(100'000 + i) + ' ' + words.left(980) + '\r')));
    const qint64 takenBefore = live.taken();
    std::atomic<qint64> taken{0};
    QElapsedTimer wall;
    wall.start();
    const double cpuStart = cpuSeconds();
    std::unique_ptr<QThread> feeder(QThread::create([&] {
        for (int k = 0; k < lines; ++k) {
            while (k - taken > ahead)
                QThread::usleep(500);
            live.engine->sendRaw(writes.at(k));
        }
    }));
    feeder->start();
    const bool all = runUntil(
        [&] {
            taken = live.taken() - takenBefore;
            return taken >= lines;
        },
        600'000, 1);
    pause(50); // the last repaint
    const double cpu = cpuSeconds() - cpuStart;
    const double seconds = wall.nsecsElapsed() / 1e9;
    feeder->wait();
    const double perLine = 1000 * cpu / lines;
    const QString view = live.window.textView(channelView(0))->toPlainText();
    const bool last = view.contains(QStringLiteral("line %1 ").arg(100'000 + lines - 1));
    const QByteArray what = QByteArray::number(megabytes) + " MB of 1 kB lines on one channel, " +
                            (ahead > 0 ? "200 ahead" : "one at a time") + ", CPU per line";
    const QByteArray target = ahead > 0 ? "<= 0.5 ms" : "-";
    figure(all && last ? what : what + ": NOT ALL SHOWN", millis(perLine), target.constData(),
           all && last && (ahead == 0 || perLine <= 0.5));
    const qint64 page = QFileInfo(live.station->pages().path(0)).size();
    figure("the same: seconds; view characters; page file MB",
           QStringLiteral("%1 s; %2; %3")
               .arg(seconds, 0, 'f', 1)
               .arg(view.size())
               .arg(page / 1e6, 0, 'f', 1),
           "-", true);
    return 0;
}

// A channel view full to its bound with 100 000 matches of the search term, which is then typed
// into the find bar a key at a time; the window's longest stall is the longest gap between the
// beats of a 5 ms timer.
int findRun() {
    Live live;
    if (!connectStation(live))
        return 1;
    // As many lines as the view keeps, two matches of the term each (the first four).
    QString text = QStringLiteral("N0BBB N0BBB ");
    for (int i = 0; i < TextViews::kMaxViewLines - 1; ++i)
        text += QStringLiteral("N0BBB de N0BBB: the quick fox %1\r\n").arg(100'000 + i);
    live.station->texts().append(channelView(0), text);
    live.window.activateWindow();
    pause(500);
    QPlainTextEdit* view = live.window.textView(channelView(0));
    QTest::keyClick(live.window.sendLine(), Qt::Key_F, Qt::ControlModifier);
    FindBar* bar = live.window.findBar();
    if (!runUntil([&] { return bar->isVisible(); }, 5000))
        return 1;
    pause(300);

    QElapsedTimer since;
    qint64 longestNs = 0;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        longestNs = qMax(longestNs, since.nsecsElapsed());
        since.start();
    });
    const QString term = QStringLiteral("N0BBB");
    qsizetype typed = 0;
    qint64 longestKeyNs = 0;
    QTimer keys;
    QObject::connect(&keys, &QTimer::timeout, [&] {
        if (typed == term.size())
            return keys.stop();
        QElapsedTimer key;
        key.start();
        QTest::keyClick(bar->field(), term.at(typed++).toLatin1());
        longestKeyNs = qMax(longestKeyNs, key.nsecsElapsed());
    });
    since.start();
    beat.start(5);
    keys.start(300);
    const auto allUp = [&] { return view->extraSelections().size() == FindBar::kMaxHighlighted; };
    runUntil([&] { return typed == term.size() && allUp(); }, 60'000);
    pause(500);
    const QString done = QStringLiteral("100000 matches");
    const bool ok = bar->countLabel()->text() == done && allUp();
    figure(ok ? "find, 100 000 matches in a full view: longest stall while typing"
              : "find in a full view: WRONG COUNT OR HIGHLIGHTS",
           millis(longestNs / 1e6), "<= 100 ms", ok && longestNs <= 100'000'000);
    figure("the same: longest key handled", millis(longestKeyNs / 1e6), "-", true);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    useScratchConfigHomeInEnglish();
    const QString mode = app.arguments().value(1);
    if (mode == QLatin1String("--channel"))
        return channelRun(12, 200);
    if (mode == QLatin1String("--channel-slow"))
        return channelRun(3, 0);
    if (mode == QLatin1String("--find"))
        return findRun();

    figureHead();
    int failures = 0;
    for (const char* run : {"--channel", "--channel-slow", "--find"}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(app.applicationFilePath(), {QString::fromLatin1(run)});
        child.waitForFinished(-1);
        if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
            std::fprintf(stderr, "bench_busy %s failed\n", run);
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
