// The heard list and its file, and the monitor filter as frames pass through the station.

#include "HeardList.h"
#include "StationHarness.h"
#include "TestFiles.h"

#include <QtTest>

class HeardTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useScratchConfigHome(); }

    void fileKeepsTheThousandMostRecentlyHeard() {
        constexpr qint64 kT0 = 1'800'000'000'000; // in 2027
        HeardList list;
        for (int i = 0; i < HeardList::kMaxStations; ++i)
            list.hear(QStringLiteral("N0S%1").arg(i), kT0 + i * 1000, i % 3, u"APRS",
                      i % 2 ? u"WIDE1-1,WIDE2-1" : u"");
        list.hear(QStringLiteral("n0s3"), kT0 + 2'000'000, 1, u"ID", u"");
        QVERIFY(list.hear(QStringLiteral("N0NEW"), kT0 + 2'000'001, 2, u"BE\tACON",
                          QString(120, QLatin1Char('W'))));
        QVERIFY(!list.hear(QStringLiteral("N0\tBAD"), kT0, 0, u"", u""));
        HeardList calls; // a call may take all its length, not more
        QVERIFY(calls.hear(QString(HeardList::kMaxCallLength, QLatin1Char('L')), kT0, 0, u"", u""));
        QVERIFY(!calls.hear(QString(HeardList::kMaxCallLength + 1, QLatin1Char('L')), kT0, 0, u"",
                            u""));
        QCOMPARE(list.size(), HeardList::kMaxStations);
        QVERIFY(!list.find(QStringLiteral("N0S0"))); // the least recently heard went
        const HeardStation* again = list.find(QStringLiteral("N0S3"));
        QVERIFY(again && again->frames == 2 && again->port == 1 && again->path.isEmpty());
        QCOMPARE(list.find(QStringLiteral("N0NEW"))->destination, QStringLiteral("BEACON"));
        QCOMPARE(list.find(QStringLiteral("N0NEW"))->path.size(), HeardList::kMaxPathLength);

        HeardList back;
        QVERIFY(back.decode(list.encode()));
        const QList<HeardStation> before = list.stations(), after = back.stations();
        QCOMPARE(after.size(), before.size());
        for (qsizetype i = 0; i < before.size(); ++i)
            QVERIFY2(after[i].sameAs(before[i]), qPrintable(before[i].call));
        QCOMPARE(after.last().call, QStringLiteral("N0S1"));
    }

    void unreadableFileIsKeptAside_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("stations"); // -1: kept aside
        const QByteArray line = "N0AAA\t2027-01-15T08:00:00.000Z\t3\t0\tAPRS\tWIDE1-1\r\n";
        QByteArray many;
        for (int i = 0; i <= HeardList::kMaxStations; ++i)
            many += "N" + QByteArray::number(i) + "\t2027-01-15T08:00:00Z\t1\t0\t\t\n";
        QTest::newRow("ours") << line + "N0BBB\t2027-01-15T09:00:00Z\t1\t1\tID\t\n" << 2;
        QTest::newRow("binary") << QByteArray("\x01\xff\x00junk", 7) << -1;
        QTest::newRow("five fields") << line.left(line.lastIndexOf('\t')) + "\r\n" << -1;
        QTest::newRow("bad time") << QByteArray(line).replace("08:00", "28:00") << -1;
        QTest::newRow("twice") << line + line << -1;
        QTest::newRow("1 001 stations") << many << -1;
    }
    void unreadableFileIsKeptAside() {
        QFETCH(QByteArray, file);
        QFETCH(int, stations);
        StationHarness h;
        const QString path = h.programDir.filePath(QStringLiteral("Heard.lst"));
        QVERIFY(writeFileBytes(path, file));
        h.startUp();
        const bool kept = stations < 0;
        QCOMPARE(h.station().heard().size(), kept ? 0 : stations);
        QCOMPARE(h.view.notices.contains(QStringLiteral(
                     "Heard.lst could not be read; kept as Heard.lst.bad and begun anew")),
                 kept);
        QCOMPARE(readFileBytes(path + QStringLiteral(".bad")),
                 kept ? file : QByteArray("<missing>"));
        QCOMPARE(readFileBytes(path), kept ? QByteArray() : file);
        // What is heard is saved while the station runs, not only when it closes.
        h.engine.queue('U', "N0NEW", " 1:Fm N0NEW To ID <UI pid=F0 Len=3 >\rhi\r");
        h.station().tick();
        h.clock.when = h.clock.when.addSecs(6);
        h.station().tick();
        QVERIFY(readFileBytes(path).contains("N0NEW\t"));
    }

    void filterHidesFromAllTrafficOnly_data() {
        QTest::addColumn<MonitorFilterSettings>("filter");
        QTest::addColumn<QStringList>("hidden");
        MonitorFilterSettings f;
        QTest::newRow("everything") << f << QStringList();
        f.information = false;
        QTest::newRow("no I") << f << QStringList{"N0IN"};
        f = {}, f.supervisory = false;
        QTest::newRow("no RR") << f << QStringList{"N0RR-2"};
        f = {}, f.unnumbered = false;
        QTest::newRow("no UI nor SABM") << f << QStringList{"N0UI-3", "N0SA", "N0PT"};
        f = {}, f.sent = false;
        QTest::newRow("none sent") << f << QStringList{"N0ME"};
        f = {}, f.hiddenPorts = {1};
        QTest::newRow("port 1") << f << QStringList{"N0PT"};
        f = {}, f.hiddenCalls = {"N0UI", "N0IN-1"};
        QTest::newRow("N0UI any SSID, N0IN-1 only") << f << QStringList{"N0UI-3"};
    }
    void filterHidesFromAllTrafficOnly() {
        QFETCH(MonitorFilterSettings, filter);
        QFETCH(QStringList, hidden);
        StationHarness h;
        h.station().onMonitorFilterChosen(filter);
        QVERIFY(SettingsStore().monitorFilter() == filter);
        h.engine.queue('U', "N0UI-3", " 1:Fm N0UI-3 To DX <UI pid=F0 Len=9 >\rDX de N0UI 14025\r");
        h.engine.queue('I', "N0IN", " 1:Fm N0IN To N0XX <I S0 R0 pid=F0 Len=2 >\rhi\r");
        h.engine.queue('S', "N0RR-2", " 1:Fm N0RR-2 To N0IN <RR R1 >\r");
        h.engine.queue('S', "N0SA", " 1:Fm N0SA To N0IN <SABM P=1 >\r");
        h.engine.queue('T', "N0ME", " 1:Fm N0ME To ID <UI pid=F0 Len=4 >\rN0ME\r");
        h.engine.queue('U', "N0PT", " 2:Fm N0PT To APRS Via WIDE1-1,N0DIG* <UI>\rhello\r", 1);
        while (h.station().pollTick().drain(1000)) {
        }
        const QString traffic = h.view.text(TextView::AllTraffic);
        for (const QString& call : QStringList{"N0UI-3", "N0IN", "N0RR-2", "N0SA", "N0ME", "N0PT"})
            QVERIFY2(traffic.contains(QStringLiteral("Fm %1 ").arg(call)) != hidden.contains(call),
                     qPrintable(call));
        QVERIFY(h.view.text(TextView::DX).contains(QStringLiteral("DX de N0UI 14025")));
        const HeardList& heard = h.station().heard();
        QCOMPARE(heard.size(), 5); // all but what we sent
        const HeardStation* viaDigi = heard.find(QStringLiteral("N0PT"));
        QVERIFY(viaDigi && viaDigi->port == 1 && viaDigi->destination == QLatin1String("APRS"));
        QCOMPARE(viaDigi->path, QStringLiteral("WIDE1-1,N0DIG*"));
    }
};

QTEST_GUILESS_MAIN(HeardTest)
#include "tst_heard.moc"
