#include "PageFiles.h"
#include "StationHarness.h"
#include "TestFiles.h"
#include "TimeStamp.h"

#include <QtTest>

namespace {
const QString kStamp = QStringLiteral("Saturday, December 5, 2026  9:18:31 AM");

} // namespace

class PollTickTest : public QObject {
    Q_OBJECT

    // A station that registered as N0ME and is polling.
    static void start(StationHarness& h) {
        h.store.setCallSign(QStringLiteral("N0ME"));
        h.startUp();
    }

private slots:
    void initTestCase() {
        useScratchConfigHome();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void timeStampReadsLikeTheChannelLines() {
        QCOMPARE(formatTimeStamp(FixedClock().when), kStamp);
        QCOMPARE(formatTimeStamp(QDateTime(QDate(2026, 12, 6), QTime(23, 5, 9))),
                 QStringLiteral("Sunday, December 6, 2026  11:05:09 PM"));
    }

    void tickWithoutAFrameOnlyCounts() {
        StationHarness h;
        start(h);
        h.station().tick();
        QCOMPARE(h.state.idleTicks, 1.0f);
        QCOMPARE(h.state.beaconTicks, 1.0f);
        QCOMPARE(h.engine.getDataCalls, 1);
        QVERIFY(h.view.texts.isEmpty()); // nothing captured either
        QCOMPARE(h.beeper.count, 0);
    }

    void monitoredTrafficGoesToTheStripAndCapture() {
        StationHarness h;
        start(h);
        h.engine.queue('U', "N0XX", " 1:Fm N0XX To DX <UI>\rDX de N0XX 14025\r");
        h.station().tick();
        QCOMPARE(h.view.text(TextView::AllTraffic),
                 QStringLiteral(" 1:Fm N0XX To DX <UI>\r\nDX de N0XX 14025\r\n\r\n"));
        // Capture sees what follows the header line.
        QCOMPARE(h.view.text(TextView::DX), QStringLiteral("DX de N0XX 14025\r\n"));
        for (int n = 0; n < 7; ++n)
            QVERIFY(h.view.text(channelView(n)).isEmpty());
        QVERIFY(h.view.text(TextView::Conf).isEmpty());
    }

    void connectTakesTheFirstFreeTab() {
        StationHarness h;
        start(h);
        h.station().channels().assign(0, QStringLiteral("N0AAA"));
        QFile old(PageFiles::path(h.state.programDir, 1));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("home page");
        old.close();
        h.engine.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
        h.station().tick();

        QCOMPARE(h.view.captions[1], QStringLiteral("N0BBB"));
        QCOMPARE(h.state.selectedCall, QStringLiteral("N0BBB"));
        QCOMPARE(h.view.label2, QStringLiteral("N0BBB"));
        QCOMPARE(h.view.current, 1);
        QCOMPARE(h.engine.sent.size(), 1); // the welcome, to the new station
        QCOMPARE(h.engine.sent[0].destination, QByteArray("N0BBB"));
        QVERIFY(h.engine.sent[0].data.startsWith("Welcome to N0ME"));
        QCOMPARE(h.beeper.count, 1);
        QCOMPARE(h.view.restoreCount, 1);
        QCOMPARE(h.view.bringToFrontCount, 2); // after the notice, and for its text
        QVERIFY(!h.view.markers[1]);
        QCOMPARE(h.view.text(channelView(1)),
                 "\r\n" + kStamp + "\r\n*** CONNECTED To Station N0BBB\r\n");
        QCOMPARE(h.view.text(TextView::Conf),
                 QStringLiteral("\r\nde N0BBB: *** CONNECTED To Station N0BBB\r\n"));
        QCOMPARE(h.view.text(TextView::AllTraffic),
                 QStringLiteral("*** CONNECTED To Station N0BBB\r\n\r\n"));
        // Emptied by the connection, then rewritten with the notice's own text.
        QCOMPARE(readFileBytes(PageFiles::path(h.state.programDir, 1)),
                 QByteArray("*** CONNECTED To Station N0BBB\r\r\n"));
        QCOMPARE(h.state.idleTicks, 0.0f);
    }

    void connectWithEveryTabBusyOnlyShowsTheNotice() {
        StationHarness h;
        start(h);
        for (int n = 0; n < 7; ++n)
            h.station().channels().assign(n, QStringLiteral("N0T%1").arg(n));
        h.engine.queue('c', "N0NEW", "*** CONNECTED To Station N0NEW\r");
        h.station().tick();
        QCOMPARE(h.beeper.count, 1);
        QCOMPARE(h.view.restoreCount, 1);
        QCOMPARE(h.view.bringToFrontCount, 1);
        QVERIFY(!h.view.text(TextView::AllTraffic).isEmpty());
        QVERIFY(h.view.text(TextView::Conf).isEmpty());
        QVERIFY(h.engine.sent.isEmpty());
        QCOMPARE(h.view.captions[0], QStringLiteral("N0T0"));
        QCOMPARE(h.view.notices,
                 QStringList{QStringLiteral("N0NEW connected, but all 7 channels are busy")});
    }

    void skippedMonitorFramesAreCountedInTheStatusLine() {
        StationHarness h;
        start(h);
        h.station().tick();
        h.engine.skipped = 189858;
        h.station().tick();
        h.station().tick(); // nothing new: nothing said
        h.engine.skipped = 189859;
        h.station().tick();
        QCOMPARE(h.view.notices, (QStringList{QStringLiteral("monitor skipped 189 858 frames"),
                                              QStringLiteral("monitor skipped 189 859 frames")}));
        QCOMPARE(groupedCount(999), QStringLiteral("999"));
        QCOMPARE(groupedCount(1000), QStringLiteral("1 000"));
        QCOMPARE(groupedCount(1234567), QStringLiteral("1 234 567"));
    }

    void aLowerFreeTabWinsOverTheStationsOwnTab() {
        StationHarness h;
        start(h);
        h.station().channels().assign(0, QStringLiteral("N0AAA"));
        h.station().channels().assign(4, QStringLiteral("N0BBB"));
        h.engine.queue('c', "n0bbb", "again\r");
        h.engine.queue('D', "N0BBB", "hello\r");
        h.station().tick();
        h.station().tick();
        QCOMPARE(h.view.captions[1], QStringLiteral("n0bbb"));
        QVERIFY(h.view.text(channelView(1)).endsWith(QStringLiteral("hello\r\n")));
        QVERIFY(h.view.text(channelView(4)).isEmpty());
    }

    void channelDataLandsOnViewPageAndConference() {
        StationHarness h;
        start(h);
        h.station().channels().assign(2, QStringLiteral("N0BBB"));
        h.station().channels().assign(5, QStringLiteral("N0CCC"));
        h.state.idleTicks = 500;
        h.engine.queue('D', "n0bbb", "line one\r");
        h.engine.queue('D', "N0BBB", "line two\r");
        h.engine.queue('D', "N0CCC", "ok");
        h.station().tick(); // all three wait, all three are taken

        QCOMPARE(h.view.text(channelView(2)), QStringLiteral("line one\r\nline two\r\n"));
        QVERIFY(h.view.markers[2]);
        QVERIFY(h.view.markers[5]);
        QCOMPARE(h.view.text(TextView::Conf),
                 QStringLiteral("\r\nde n0bbb: line one\r\nline two\r\n\r\nde N0CCC: ok"));
        QCOMPARE(h.state.lastSpeaker, QStringLiteral("N0CCC"));
        QCOMPARE(h.state.pageText[2], QStringLiteral("line one\rline two\r"));
        QCOMPARE(readFileBytes(PageFiles::path(h.state.programDir, 2)),
                 QByteArray("line one\rline two\r\r\n"));
        QVERIFY(h.view.text(TextView::AllTraffic).isEmpty()); // connected data stays out
        QVERIFY(h.engine.sent.isEmpty());                     // conference off: no relay
        QCOMPARE(h.view.bringToFrontCount, 2);                // "ok" is too short
        QCOMPARE(h.state.idleTicks, 0.0f);
    }

    void conferenceRelaysAllButABareLineBreak_data() {
        QTest::addColumn<QString>("lastSpeaker");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("relayed");
        QTest::newRow("new speaker")
            << "N0ME" << QByteArray("hi\r") << QByteArray("\r\nde N0BBB: hi\r\n");
        QTest::newRow("same speaker") << "N0BBB" << QByteArray("hi\r") << QByteArray("hi\r\n");
        QTest::newRow("bare CR, same speaker") << "N0BBB" << QByteArray("\r") << QByteArray();
        QTest::newRow("bare CR, new speaker")
            << "N0ME" << QByteArray("\r") << QByteArray("\r\nde N0BBB: \r\n");
    }
    void conferenceRelaysAllButABareLineBreak() {
        QFETCH(QString, lastSpeaker);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, relayed);
        StationHarness h;
        start(h);
        h.state.conference = 1;
        h.state.lastSpeaker = lastSpeaker;
        h.station().channels().assign(0, QStringLiteral("N0BBB"));
        h.station().channels().assign(3, QStringLiteral("N0CCC"));
        h.engine.queue('D', "N0BBB", data);
        h.station().tick();
        if (relayed.isEmpty()) {
            QVERIFY(h.engine.sent.isEmpty());
            return;
        }
        QCOMPARE(h.engine.sent.size(), 2); // back to the sender too
        QCOMPARE(h.engine.sent[0].destination, QByteArray("N0BBB"));
        QCOMPARE(h.engine.sent[1].destination, QByteArray("N0CCC"));
        QCOMPARE(h.engine.sent[1].data, relayed);
    }

    void disconnectFreesTheTabWithItsStamps() {
        StationHarness h;
        start(h);
        h.station().channels().assign(1, QStringLiteral("N0BBB"));
        h.state.selectedCall = QStringLiteral("N0BBB");
        h.state.pageText[1] = QStringLiteral("earlier");
        h.engine.queue('d', "N0BBB", "*** DISCONNECTED From Station N0BBB\r");
        h.station().tick();
        QCOMPARE(h.view.captions[1], QStringLiteral("Open"));
        QCOMPARE(h.state.selectedCall, QStringLiteral("N0BBB"));
        QCOMPARE(h.beeper.count, 2);
        const QString notice = QStringLiteral("*** DISCONNECTED From Station N0BBB\r\n");
        QCOMPARE(h.view.text(channelView(1)), "\r\n" + notice + kStamp + "\r\n\r\n\r\n");
        QCOMPARE(h.view.text(TextView::Conf), "N0BBB\r\n" + notice + "\r\n\r\n");
        QCOMPARE(h.state.pageText[1], "earlier" + notice + kStamp + "\r\n");
        QCOMPARE(readFileBytes(PageFiles::path(h.state.programDir, 1)),
                 ("earlier" + notice + kStamp + "\r\n\r\n").toLatin1());
        QVERIFY(h.state.lastSpeaker.isEmpty());
    }

    void disconnectOfAStrangerOnlyBeepsAndRestores() {
        StationHarness h;
        start(h);
        h.station().channels().assign(1, QStringLiteral("N0BBB"));
        h.engine.queue('d', "N0ZZZ", "*** DISCONNECTED RETRYOUT With N0ZZZ\r");
        h.station().tick();
        QCOMPARE(h.beeper.count, 1);
        QCOMPARE(h.view.restoreCount, 1);
        QCOMPARE(h.view.captions[1], QStringLiteral("N0BBB"));
        QVERIFY(h.view.text(TextView::Conf).isEmpty());
        QVERIFY(h.view.text(channelView(1)).isEmpty());
    }

    void monitoredFrameFromAChannelStationShowsTwice() {
        StationHarness h;
        start(h);
        h.station().channels().assign(0, QStringLiteral("N0BBB"));
        h.state.idleTicks = 800;
        h.engine.queue('U', "N0BBB", "beacon text\r");
        h.station().tick();
        QVERIFY(!h.view.text(TextView::AllTraffic).isEmpty());
        QCOMPARE(h.view.text(channelView(0)), QStringLiteral("beacon text\r\n"));
        QCOMPARE(h.state.idleTicks, 0.0f);
    }

    void keepAliveGoesOutOnTheTickAfter900() {
        StationHarness h;
        start(h);
        h.state.selectedCall = QStringLiteral("N0BBB");
        h.state.beaconOn = false;
        for (int i = 0; i < 900; ++i)
            h.station().tick();
        QVERIFY(h.engine.sent.isEmpty());
        h.station().tick();
        QCOMPARE(h.engine.sent.size(), 1);
        QCOMPARE(h.engine.sent[0].destination, QByteArray("N0BBB"));
        QCOMPARE(h.engine.sent[0].data, QByteArray("\r"));
        QCOMPARE(h.state.idleTicks, 0.0f);
        QCOMPARE(h.state.beaconTicks, 0.0f); // the beacon's turn came in the same tick
    }

    void aFailingStepBeepsAndTheTickGoesOn() {
        StationHarness h;
        start(h);
        h.state.conference = 1;
        h.station().channels().assign(0, QStringLiteral("N0BBB"));
        h.view.minimizedOrMaximized = true;
        h.engine.throwOnPut = true;
        h.engine.queue('D', "N0BBB", "hello there\r");
        h.station().tick();
        // The relay failed; the bring-to-front and the restore still ran.
        QCOMPARE(h.beeper.count, 2);
        QCOMPARE(h.view.bringToFrontCount, 1);
        QVERIFY(!h.view.minimizedOrMaximized);
    }

    void aSenderWithoutItsEndIsEmptyAndBeeps() {
        StationHarness h;
        start(h);
        ReceivedFrame f;
        f.senderField = QByteArray(25, 'A');
        f.data = "text";
        f.kind = 'U';
        f.length = 4;
        h.engine.incoming.push_back(f);
        ReceivedFrame bad = f;
        bad.senderField = "N0BBB";
        bad.senderField += '\0';
        bad.length = -5;
        h.engine.incoming.push_back(bad);
        ReceivedFrame empty = f; // an empty call with its end is no fault
        empty.senderField = QByteArray(1, '\0');
        empty.data = "quiet";
        empty.length = 5;
        h.engine.incoming.push_back(empty);
        h.station().tick();
        h.station().tick();
        QCOMPARE(h.beeper.count, 2);
        QCOMPARE(h.view.text(TextView::AllTraffic), QStringLiteral("text\r\nquiet\r\n"));
    }

    void unwritablePageFileBeepsOnly() {
        StationHarness h;
        start(h);
        h.station().channels().assign(0, QStringLiteral("N0BBB"));
        QDir dir(h.state.programDir);
        QVERIFY(dir.remove(QStringLiteral("Channel0.htm")));
        QVERIFY(dir.mkdir(QStringLiteral("Channel0.htm"))); // a folder in the way
        h.engine.queue('D', "N0BBB", "hello\r");
        h.station().tick();
        QCOMPARE(h.beeper.count, 1);
        QCOMPARE(h.view.text(channelView(0)), QStringLiteral("hello\r\n"));
    }

    void aTickTakesWhatItsBudgetAllows() {
        StationHarness h;
        start(h);
        h.view.monitorVisible = true;
        for (int i = 0; i < 60; ++i)
            h.engine.queue('U', "N0XX", QByteArray("frame ") + QByteArray::number(i) + '\r');
        h.station().pollTick().setBudgetMs(0); // a spent budget still takes one frame
        h.station().tick();
        QCOMPARE(int(h.engine.incoming.size()), 59);
        h.station().pollTick().setBudgetMs(PollTick::kTickBudgetMs);
        h.station().tick();
        QVERIFY(h.engine.incoming.empty());
        QCOMPARE(h.state.idleTicks, 2.0f); // the counters count ticks, not frames
        QVERIFY(h.view.text(TextView::AllTraffic).endsWith(QStringLiteral("frame 59\r\n\r\n")));
        // The poll that found nothing more does not blank the monitor.
        QVERIFY(h.view.monitorLabels.value(2).startsWith(QStringLiteral("frame 59\r")));
    }
};

QTEST_GUILESS_MAIN(PollTickTest)
#include "tst_polltick.moc"
