// What a channel's browser pane costs on a long page: turning it on, each received line after,
// and the station's memory; a page of days (9 MB) beside one of weeks (200 MB). Each page size
// runs in a process of its own so neither inherits the other's memory.
// Run it on a release build, offscreen: scripts/bench.

#include "BenchSupport.h"
#include "PageFiles.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextBrowser>
#include <algorithm>

namespace {
constexpr int kLines = 200;

// Writes a page of about `bytes`, as days of a busy channel leave it, without holding it whole.
bool writeLongPage(const QString& path, qint64 bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray chunk;
    for (int i = 0; chunk.size() < 1024 * 1024; ++i)
        chunk += "N0BBB de N0ME: the quick brown fox jumps over the lazy dog " +
                 QByteArray::number(i) + '\r';
    for (qint64 written = 0; written < bytes; written += chunk.size())
        if (file.write(chunk) != chunk.size())
            return false;
    return file.write("\r\n") == 2;
}

int paneRun(qint64 pageBytes, const char* name) {
    Rig rig;
    rig.window.show();
    rig.h.engine.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
    rig.h.engine.queue('D', "N0BBB", "hello\r");
    rig.station->tick(); // the page is the channel's file from now on, which grows as below
    if (!writeLongPage(PageFiles::path(rig.h.state.programDir, 0), pageBytes))
        return 1;
    QTextBrowser* pane = rig.window.browser(0);
    QElapsedTimer clock;
    clock.start();
    rig.station->onBrowserDisplayClicked();
    pane->viewport()->grab(); // laid out and painted
    const double onMs = clock.nsecsElapsed() / 1e6;
    QList<double> lineMs;
    for (int i = 0; i < kLines; ++i) {
        rig.h.engine.queue('D', "N0BBB", "line " + QByteArray::number(i) + " of the newest text\r");
        clock.restart();
        rig.station->tick();
        pane->viewport()->grab();
        lineMs << clock.nsecsElapsed() / 1e6;
    }
    std::sort(lineMs.begin(), lineMs.end());
    const double rss = rssMegabytes();
    const QString shown = pane->toPlainText();
    row(qPrintable(QStringLiteral("%1 page: turning the pane on").arg(name)),
        QStringLiteral("%1 ms").arg(onMs, 0, 'f', 1));
    row(qPrintable(QStringLiteral("%1 page: a received line in the pane, median / max").arg(name)),
        QStringLiteral("%1 / %2 ms")
            .arg(lineMs[kLines / 2], 0, 'f', 2)
            .arg(lineMs.last(), 0, 'f', 2));
    row(qPrintable(QStringLiteral("%1 page: resident memory after").arg(name)),
        QStringLiteral("%1 MB").arg(rss, 0, 'f', 1));
    // For the parent's comparison; the newest line must be what the pane shows last.
    std::fprintf(stderr, "figures %f %f %f\n", lineMs[kLines / 2], lineMs.last(), rss);
    return shown.trimmed().endsWith(QStringLiteral("line %1 of the newest text").arg(kLines - 1))
               ? 0
               : 1;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    useScratchConfigHomeInEnglish();
    const QString mode = app.arguments().value(1);
    if (mode == QLatin1String("--9mb"))
        return paneRun(9'000'000, "9 MB");
    if (mode == QLatin1String("--200mb"))
        return paneRun(200'000'000, "200 MB");

    tableHead();
    QList<QList<double>> figures;
    for (const char* run : {"--9mb", "--200mb"}) {
        QByteArray errors;
        QList<double> got;
        const bool ok = runMeasure(app.applicationFilePath(), run, &errors);
        for (const QByteArray& line : errors.split('\n'))
            if (line.startsWith("figures "))
                for (const QByteArray& value : line.mid(8).split(' '))
                    got << value.toDouble();
        if (!ok || got.size() != 3)
            return 1;
        figures << got;
    }
    const auto ratio = [&](int i) { return figures[1][i] / figures[0][i]; };
    const bool met =
        ratio(0) <= 1.2 && ratio(2) <= 1.2 && figures[1][1] < 100 && figures[0][1] < 100;
    row("200 MB against 9 MB: line median / memory (target <= 1.2x)",
        QStringLiteral("%1x / %2x").arg(ratio(0), 0, 'f', 2).arg(ratio(2), 0, 'f', 2));
    row("longest line in either (target < 100 ms)",
        QStringLiteral("%1 ms").arg(qMax(figures[0][1], figures[1][1]), 0, 'f', 1));
    row("every target met", QLatin1String(met ? "yes" : "NO"));
    return 0;
}
