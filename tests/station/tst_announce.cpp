// What the station says to a screen reader, and how much of it, without a bus.

#include "StationHarness.h"

#include <QRegularExpression>
#include <QtTest>

namespace {
struct Said : AnnouncementOutput {
    bool listening() const override { return true; }
    void announce(const QString& text) override {
        texts << text, atMs << clock->now().toMSecsSinceEpoch();
    }
    const Clock* clock = nullptr;
    QStringList texts;
    QList<qint64> atMs;
};
} // namespace

class tst_announce : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useScratchConfigHome(); }

    void whatIsSaid_data() {
        QTest::addColumn<int>("level");
        // kind:call:data (n: a notice, e: the engine's status), one a second
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("expected");
        const QStringList chat = {
            "c:N0BBB:*** CONNECTED",      "D:N0BBB:hello\r\x07\r", "c:N0CCC:x",
            "D:N0BBB:from behind\rtwo\r", "U:N0XX:cq cq\r",        "d:N0BBB:bye",
            "n::a status line notice",    "e::engine lost",        "e::engine lost"};
        const QString b = "N0BBB connected on channel 1", c = "N0CCC connected on channel 2";
        const QStringList tail{"N0BBB disconnected", "a status line notice", "engine lost"};
        QTest::newRow("lines") << 2 << chat
                               << QStringList{b, "hello", c, "N0BBB: from behind\ntwo"} + tail;
        QTest::newRow("connects") << 1 << chat << QStringList{b, c} + tail;
        QTest::newRow("off") << 0 << chat << QStringList{};
    }
    void whatIsSaid() {
        QFETCH(int, level);
        QFETCH(QStringList, steps);
        StationHarness h;
        h.store.setAnnounce(level);
        h.start();
        Said said;
        said.clock = &h.clock;
        h.station().announcer().setOutput(&said);
        for (const QString& step : steps) {
            const QStringList f = step.split(u':');
            Announcer& say = h.station().announcer();
            f[0] == u"n"   ? say.notice(f[2])       // what the status line shows
            : f[0] == u"e" ? say.engineStatus(f[2]) // said once until it changes
                           : h.engine.queue(f[0][0].toLatin1(), f[1].toLatin1(), f[2].toLatin1());
            h.clock.when = h.clock.when.addSecs(1);
            h.station().tick();
        }
        QFETCH(QStringList, expected);
        QCOMPARE(said.texts, expected);
    }

    void floodIsBounded() {
        FixedClock clock;
        Announcer announcer(clock);
        Said said;
        said.clock = &clock;
        announcer.setOutput(&said);
        const qint64 start = clock.when.toMSecsSinceEpoch();
        for (int line = 0; line < 2000; ++line) { // 2 000 lines in 10 s, from two stations
            clock.when = QDateTime::fromMSecsSinceEpoch(start + line * 5);
            announcer.lineReceived(line % 2 ? "N0BBB" : "N0CCC", QString("line %1\r").arg(line),
                                   false);
            announcer.flush();
        }
        clock.when = clock.when.addSecs(1);
        announcer.flush();
        int lines = 0;
        QHash<QChar, qint64> last;
        for (int i = 0; i < said.texts.size(); ++i) {
            const QChar station = said.texts[i][2];
            QVERIFY(!last.contains(station) || said.atMs[i] - last[station] >= 1000);
            last[station] = said.atMs[i];
            const auto more = QRegularExpression(" and (\\d+) more lines$").match(said.texts[i]);
            lines += int(said.texts[i].count(u'\n')) + 1 + more.captured(1).toInt();
        }
        QCOMPARE(lines, 2000);                // every line said or counted
        QVERIFY(said.texts.size() <= 2 * 11); // at most one a second each
        QVERIFY(said.texts[1].startsWith("N0BBB: line 1"));
    }

    void settingsAndSendLineName() {
        StationHarness h;
        h.start();
        QCOMPARE(h.store.announce(), 2);
        QCOMPARE(h.view.sendLineName, "Send: no station selected");
        h.station().onMenuCheck(MenuCheck::AnnounceConnects);
        QCOMPARE(h.store.announce(), 1);
        QCOMPARE((QList<bool>{h.view.menuChecks[MenuCheck::AnnounceOff],
                              h.view.menuChecks[MenuCheck::AnnounceConnects],
                              h.view.menuChecks[MenuCheck::AnnounceLines]}),
                 (QList<bool>{false, true, false}));
        h.engine.queue('c', "N0BBB", "x");
        h.station().tick();
        QCOMPARE(h.view.sendLineName, "Send to N0BBB");
        h.station().onConferenceClicked(1);
        QCOMPARE(h.view.sendLineName, "Send to the conference");
        h.station().onZoom(1), h.station().onZoom(1);
        QCOMPARE(h.store.textZoom(), 2);
        h.station().onZoom(0);
        QCOMPARE(h.view.zoom, h.store.textZoom());
    }
};

QTEST_GUILESS_MAIN(tst_announce)
#include "tst_announce.moc"
