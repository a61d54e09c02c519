// Heard list, monitor filter, way back to a heard station, session logs, the engine's count of
// waiting frames, paced sends, refusals, engine lost.

#include "AgwTcpLink.h"
#include "AgwTranslation.h"
#include "FakeEngine.h"
#include "StationHarness.h"

#include <QDirIterator>
#include <QtTest>

#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {
AgwFrame frame(char kind, const QByteArray& from, const QByteArray& data) {
    return {0, kind, quint8(kind == 'D' ? 0xF0 : 0), from, "N0AAA", data};
}

// Ticks until the condition holds, at most about three seconds.
template <typename Condition> bool tickUntil(StationHarness& h, Condition done) {
    for (int i = 0; i < 300 && !done(); ++i)
        h.station().tick(), QTest::qWait(10);
    return done();
}
} // namespace

class StationPartsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useScratchConfigHomeInEnglish(); }

    void heardList() {
        constexpr qint64 kT0 = 1'800'000'000'000; // in 2027
        HeardList list, calls, back;
        for (int i = 0; i < HeardList::kMaxStations; ++i)
            list.hear(u"N0S%1"_s.arg(i), kT0 + i * 1000, i % 3, u"APRS",
                      i % 2 ? u"WIDE1-1,WIDE2-1" : u"");
        list.hear(u"n0s3"_s, kT0 + 2'000'000, 1, u"ID", u"");
        QVERIFY(list.hear(u"N0NEW"_s, kT0 + 2'000'001, 2, u"BE\tACON", QString(120, u'W')));
        QVERIFY(!list.hear(u"N0\tBAD"_s, kT0, 0, u"", u""));
        // A call may take all its length, not more.
        const QString longest(HeardList::kMaxCallLength, u'L');
        QVERIFY(calls.hear(longest, kT0, 0, u"", u"") &&
                !calls.hear(longest + 'L', kT0, 0, u"", u""));
        QCOMPARE(list.size(), HeardList::kMaxStations);
        QVERIFY(!list.find(u"N0S0"_s)); // the least recently heard went
        const HeardStation* again = list.find(u"N0S3"_s);
        QVERIFY(again && again->frames == 2 && again->port == 1 && again->path.isEmpty());
        QCOMPARE(list.find(u"N0NEW"_s)->destination, u"BEACON"_s);
        QCOMPARE(list.find(u"N0NEW"_s)->path.size(), HeardList::kMaxPathLength);
        QVERIFY(back.decode(list.encode()) &&
                std::ranges::equal(list.stations(), back.stations(), &HeardStation::sameAs));
        QCOMPARE(back.stations().last().call, u"N0S1"_s);

        // A file not ours is kept aside; what is heard is saved while the station runs.
        const QByteArray line = "N0AAA\t2027-01-15T08:00:00.000Z\t3\t0\tAPRS\tWIDE1-1\r\n";
        QByteArray many; // 1 001 stations
        for (int i = 0; i <= HeardList::kMaxStations; ++i)
            many += "N" + QByteArray::number(i) + "\t2027-01-15T08:00:00Z\t1\t0\t\t\n";
        // Ours (a time of 40 characters at most); binary, a bad time, a station twice,
        // too many: kept aside (-1).
        const std::pair<QByteArray, int> rows[] = {
            {line + "N0BBB\t9999-12-31T09:00:00.12345678901234+01:00\t1\t1\tID\t\n", 2},
            {line + "N0BBB\t9999-12-31T09:00:00.123456789012345+01:00\t1\t1\tID\t\n", -1},
            {QByteArray("\x01\xff\x00junk", 7), -1},
            {QByteArray(line).replace("08:00", "28:00"), -1},
            {line + line, -1},
            {many, -1},
            {QByteArray(HeardFile::kMaxBytes * 3, '\t'), -1}}; // past the bound: kept whole
        for (const auto& [file, stations] : rows) {
            StationHarness h;
            const QString path = h.programDir.filePath(u"Heard.lst"_s);
            QVERIFY(writeFileBytes(path, file));
            h.startUp();
            const bool kept = stations < 0;
            QCOMPARE(h.station().heard().size(), kept ? 0 : stations);
            QCOMPARE(h.view.notices.contains(
                         "Heard.lst could not be read; kept as Heard.lst.bad and begun anew"),
                     kept);
            QCOMPARE(readFileBytes(path + ".bad"), kept ? file : QByteArray("<missing>"));
            QCOMPARE(readFileBytes(path), kept ? QByteArray() : file);
            h.engine.queue('U', "N0NEW", " 1:Fm N0NEW To ID <UI pid=F0 Len=3 >\rhi\r");
            h.station().tick(), h.clock.when = h.clock.when.addSecs(6), h.station().tick();
            QVERIFY(readFileBytes(path).contains("N0NEW\t"));
        }
    }

    // The monitor filter hides from All Traffic only, not from DX capture nor the heard list.
    void monitorFilter() {
        MonitorFilterSettings all, noI, noS, noU, noSent, port1, calls;
        noI.information = noS.supervisory = noU.unnumbered = noSent.sent = false;
        port1.hiddenPorts = {1}, calls.hiddenCalls = {"N0UI", "N0IN-1", "N0RR-2"};
        const std::pair<MonitorFilterSettings, QStringList> rows[] = {
            {all, {}},
            {noI, {"N0IN"}},
            {noS, {"N0RR-2"}},
            {noU, {"N0UI-3", "N0SA", "N0PT"}},
            {noSent, {"N0ME"}},
            {port1, {"N0PT"}},
            {calls, {"N0UI-3", "N0RR-2"}}};
        for (const auto& [filter, hidden] : rows) {
            StationHarness h;
            h.station().onMonitorFilterChosen(filter);
            QVERIFY(SettingsStore().monitorFilter() == filter);
            h.engine.queue('U', "N0UI-3",
                           " 1:Fm N0UI-3 To DX <UI pid=F0 Len=9 >\rDX de N0UI 14025\r");
            h.engine.queue('I', "N0IN", " 1:Fm N0IN To N0XX <I S0 R0 pid=F0 Len=2 >\rhi\r");
            h.engine.queue('S', "N0RR-2", " 1:Fm N0RR-2 To N0IN <RR R1 >\r");
            h.engine.queue('S', "N0SA", " 1:Fm N0SA To N0IN <SABM P=1 >\r");
            h.engine.queue('T', "N0ME", " 1:Fm N0ME To ID <UI pid=F0 Len=4 >\rN0ME\r");
            h.engine.queue('U', "N0PT", " 2:Fm N0PT To APRS Via WIDE1-1,N0DIG* <UI>\rhello\r", 1);
            while (h.station().dispatcher().dispatchWaiting(1000, false)) {
            }
            const QString traffic = h.view.text(TextView::AllTraffic);
            for (const QString call : {"N0UI-3", "N0IN", "N0RR-2", "N0SA", "N0ME", "N0PT"})
                QVERIFY2(traffic.contains("Fm " + call + ' ') != hidden.contains(call),
                         qPrintable(call));
            QVERIFY(h.view.text(TextView::DX).contains(u"DX de N0UI 14025"_s));
            QCOMPARE(h.station().heard().size(), 5); // all but what we sent
        }
    }

    // The engine's count of frames waiting for a link: the remote in either call field.
    void waitingFramesCount() {
        const QList<std::array<QByteArray, 3>> rows{
            {"N0ME", QByteArray("\3\0\0\0", 4), "N0BBB 3"},   // the remote in call-to
            {"N0BBB", QByteArray("\7\0\0\0", 4), "N0BBB 7"}}; // or in call-from
        for (const auto& [from, data, learnt] : rows) {
            const QByteArray to = from == "N0ME" ? "N0BBB" : "n0me";
            const FromEngine in = toReceived(AgwFrame{0, 'Y', 0, from, to, data}, "N0ME", true);
            const auto& got = in.outstanding;
            QVERIFY(!in.event); // never the station's traffic
            QCOMPARE(got ? got->call + ' ' + QByteArray::number(got->frames) : QByteArray(),
                     learnt);
        }
    }

    // A station heard through digipeaters is called back the way its last frame came, on its port.
    void heardStationOfferedItsWayBack() {
        const struct {
            const char* via; // of N0CCC's last frame, as the engine wrote it
            int port;
            QString offered;
        } rows[] = {
            {"", 0, u":C N0CCC"_s},
            {" Via N0BBB*", 0, u":C N0CCC VIA N0BBB"_s},
            {" Via N0D1,N0D2*", 1, u":C 1 N0CCC VIA N0D2,N0D1"_s},
            {" Via N0D1*,N0D2", 0, u":C N0CCC VIA N0D1"_s}, // N0D2 has not repeated it yet
            {" Via N0D1,WIDE2*", 0, u":C N0CCC VIA N0D1"_s},
            {" Via N0D1,N0D2", 0, u":C N0CCC VIA N0D2,N0D1"_s}, // the engine marks none
            {" Via WIDE1-1,WIDE2-1", 0, u":C N0CCC"_s},
            {" Via RELAY,TRACE3-2,N0D1*", 2, u":C 2 N0CCC VIA N0D1"_s},
        };
        for (const auto& row : rows) {
            StationHarness h;
            h.start(); // our own frames, repeated by a digipeater, are not a station heard
            h.engine.queue('I', "N0ME",
                           " 1:Fm N0ME To N0CCC Via N0BBB <I S0 R0 pid=F0 Len=2 >\rhi\r");
            h.engine.queue('U', "N0CCC",
                           ' ' + QByteArray::number(row.port + 1) + ":Fm N0CCC To ID" + row.via +
                               " <UI pid=F0 Len=2 >\rhi\r",
                           row.port);
            h.station().tick(), h.view.focusCount = 0;
            QCOMPARE(h.station().heard().size(), 1);
            h.station().onHeardCallChosen(u"N0CCC"_s);
            QCOMPARE(h.view.sendLine + QString::number(h.view.focusCount), row.offered + '1');
        }
    }

    void sessionLogs() {
        // A call that cannot be a folder, a link out or a FIFO on the way: nothing written,
        // nothing blocks, one notice.
        const std::pair<QString, QString> rows[] = {
            {u"N0"_s + QChar(0), {}},
            {"../OUT", {}},
            {"N0 BB", {}},
            {"N0BBB", "logs"},
            {"N0BBB", "logs/N0BBB/2026-12-05.log"},
            {"N0BBB", "fifo"},
            {"N0BBB", "fifo read"}}; // a FIFO someone reads opens
        for (const auto& [call, planted] : rows) {
            QTemporaryDir root;
            StationHarness h;
            h.state.programDir = root.filePath("a"), h.state.logSessions = true;
            const QString at = h.state.programDir + "/" + planted, out = root.filePath("out");
            QVERIFY(QDir().mkpath(h.state.programDir + "/logs/N0BBB") && QDir().mkpath(out));
            const QByteArray fifo =
                QFile::encodeName(h.state.programDir + "/logs/N0BBB/2026-12-05.log");
            int reader = -1;
            if (planted.startsWith("fifo"))
                QVERIFY(::mkfifo(fifo, 0600) == 0 &&
                        (planted == "fifo" ||
                         (reader = ::open(fifo, O_RDONLY | O_NONBLOCK | O_CLOEXEC)) >= 0));
            else if (!planted.isEmpty())
                QVERIFY(QDir(at).removeRecursively() &&
                        QFile::link(out + "/x" + planted.right(4), at));
            FileNotices notices(h.view);
            SessionLog log(h.state, h.clock, notices);
            log.write(call, SessionLog::Mark::Received, "hello\r");
            log.write(call, SessionLog::Mark::Typed, "again\r");
            if (reader >= 0)
                ::close(reader);
            QDirIterator files(root.path(), QDir::Files | QDir::NoSymLinks,
                               QDirIterator::Subdirectories);
            QVERIFY2(!files.hasNext(), qPrintable(call + planted));
            QCOMPARE(h.view.notices.size(), 1); // naming the call without its control characters
            QVERIFY(std::ranges::none_of(h.view.notices[0], [](QChar c) { return c < u' '; }));
        }

        // Each range's ends, in a call of the longest length.
        QCOMPARE(SessionLog::folderName(u"azAZ09-z-9"_s), u"AZAZ09-Z-9"_s);
        for (const char* bad :
             {"N0@", "N0[", "N0`", "N0{", "N0/", "N0:", "-N0", "..", "", "N0BBB-12345"})
            QVERIFY2(SessionLog::folderName(QString::fromLatin1(bad)).isEmpty(), bad);

        // One session's log.
        StationHarness h;
        h.store.setLogSessions(true), h.start();
        const QString file = h.programDir.filePath(u"logs/N0BBB/2026-12-05.log"_s);
        QVERIFY(QDir().mkpath(QFileInfo(file).path()) && writeFileBytes(file, "earlier\n"));
        RecordingEngine& e = h.engine;
        e.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r"), h.station().tick();
        h.view.sendLine = u"two lines"_s, h.station().onSendLineEnter();
        h.station().onSendLineEnter();
        // Lines break where the text does, not where frames do.
        e.queue('D', "N0BBB", "caf\xE9\r\nline "), e.queue('D', "N0BBB", "two\n\n");
        e.queue('D', "N0BBB", "cut");
        e.queue('d', "N0BBB", "*** DISCONNECTED From Station N0BBB\r"), h.station().tick();
        QCOMPARE(readFileBytes(file), QByteArray("earlier\n09:18:31 * connected\n"
                                                 "09:18:31 = Welcome to N0ME's Packet Station!\n"
                                                 "09:18:31 > two lines\n09:18:31 > \n"
                                                 "09:18:31 < caf\xE9\n09:18:31 < line two\n"
                                                 "09:18:31 < \n09:18:31 < cut\n"
                                                 "09:18:31 * disconnected\n"));
    }

    // A paced send always ends. Answers about waiting frames that are unusable (empty, 8 bytes) or
    // never come: after 10 s a piece a second. An absurd count is shown and waited on until Stop.
    // First, 33 stations come and go unanswered: the link still asks.
    void sendFileWithoutUsableAnswers() {
        const QString byTime = u"The packet engine does not report its queue; upload.bin goes "
                               "to N0BBB a piece a second"_s;
        const std::tuple<QByteArray, QByteArray, QString> answers[] = {
            {"", "", byTime},
            {"N0BBB", "12345678", byTime},
            {"N0BBB", "\xff\xff\xff\xff", u"4 294 967 295 frames waiting to go out to N0BBB"_s}};
        for (const auto& [from, data, notice] : answers) {
            FakeEngine engine;
            AgwTcpLink link(u"127.0.0.1"_s, engine.port());
            StationHarness h;
            h.link = &link, h.start("N0AAA");
            const auto asked = [&](const QByteArray& call) {
                return tickUntil(h, [&] {
                    const QList<AgwFrame> r = engine.received();
                    return r.size() > 2 && r.last().kind == 'Y' && r.last().callTo == call;
                });
            };
            for (int i = from.isEmpty() ? AgwTcpLink::kMaxAskedLinks + 1 : 0; i-- > 0;) {
                const QByteArray call = "N0S" + QByteArray::number(i);
                engine.send(frame('C', call, "*** CONNECTED To Station " + call + "\r"));
                QVERIFY(asked(call));
                engine.send(frame('d', call, "*** DISCONNECTED From Station " + call + "\r"));
                QVERIFY(tickUntil(h, [&] { return h.state.channels.isFree(0); }));
            }
            engine.send(frame('C', "N0BBB", "*** CONNECTED To Station N0BBB\r"));
            QVERIFY(asked("N0BBB") && h.offerFile(QByteArray(1000, 'f')));
            h.station().onSendFileMenu();
            for (int t = 0; t < 200 && h.station().fileSender().running(); ++t) {
                if (!from.isEmpty())
                    engine.send(AgwFrame{0, 'Y', 0, from, "N0AAA", data});
                h.station().tick();
            }
            const bool waits = notice != byTime;
            QCOMPARE(h.station().fileSender().running(), waits);
            h.station().onStopSendFile();
            QVERIFY(h.view.notices.contains(notice));
            QVERIFY(h.view.notices.last().startsWith(waits ? "upload.bin to N0BBB stopped after"_L1
                                                           : "upload.bin sent to N0BBB"_L1));
        }
    }

    // A file the station will not send it says so, and nothing reaches the engine.
    void refusalsSaid() {
        StationHarness h;
        h.start(), h.state.selectedCall = u"N0BBB"_s;
        const QString big = h.programDir.filePath(u"big"_s),
                      fifo = h.programDir.filePath(u"fifo"_s);
        QVERIFY(::mkfifo(QFile::encodeName(fifo), 0600) == 0);
        QFile sparse(big);
        QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(qint64(2) << 30));
        for (const auto& [path, why] : {std::pair{fifo, "fifo not sent: it is not a regular file"},
                                        {big, "big not sent: it is larger than 4 194 304 bytes"},
                                        {big + 'x', "bigx not sent: it cannot be read"}}) {
            h.prompts.files.push_back(path), h.station().onSendFileMenu();
            QCOMPARE(h.view.notices.last(), QString::fromLatin1(why));
        }
        QCOMPARE(h.engine.sent.size(), 0);
    }

    // The engine goes and comes back: noticed, nothing lost, not even a typed line; attached again.
    void engineLostAndReattached() {
        auto engine = std::make_unique<FakeEngine>();
        const quint16 port = engine->port();
        AgwTcpLink link(u"127.0.0.1"_s, port);
        StationHarness h;
        h.link = &link, h.start("N0AAA");
        QVERIFY(h.timer.active && !h.view.retryVisible);
        // Monitoring and the ports asked for, then the call registered.
        const auto opening = [](FakeEngine& e) {
            const QList<AgwFrame> r = e.waitForFrames(3, 3000) ? e.received() : QList<AgwFrame>();
            return r.size() < 3 ? QByteArray()
                                : r[0].kind + (r[1].kind + (r[2].kind + r[2].callFrom));
        };
        QCOMPARE(opening(*engine), QByteArray("mGXN0AAA"));
        // Shown as it arrives, not at the next tick; the counters still count ticks only.
        QObject::connect(&link, &AgwTcpLink::bytesArrived, [&] { h.station().onFramesArrived(); });
        const int beaconTicks = h.station().beacon().ticks();
        engine->send(frame('C', "N0BBB", QByteArray("*** CONNECTED To Station N0BBB\r", 32)));
        for (int i = 0; i < 500; ++i)
            engine->send(frame('U', "N0XX", "monitored " + QByteArray::number(i) + "\r"));
        engine->send(frame('D', "N0BBB", "hello from b\r"));
        QTRY_VERIFY(h.view.text(channelView(0)).contains("hello from b"_L1));
        QTRY_VERIFY(h.view.text(TextView::AllTraffic).contains("monitored 499"_L1));
        QCOMPARE(h.station().beacon().ticks(), beaconTicks);
        // The engine's last words and its going away come the same way.
        engine->send(frame('D', "N0BBB", "last words\r")), engine.reset(); // the engine is killed
        QTRY_VERIFY(h.view.text(channelView(0)).contains("last words"_L1));
        QTRY_VERIFY(!link.isAttached());
        const QString channelText = h.view.text(channelView(0)).section("last words"_L1, 0, 0);
        QVERIFY(tickUntil(h, [&] { return h.view.retryVisible; }));
        QVERIFY(h.state.engineLost && h.prompts.messages.isEmpty()); // no modal message for it
        h.view.sendLine = u"are you there?"_s, h.station().onSendLineEnter();
        QCOMPARE(h.view.sendLine, u"are you there?"_s); // kept, not lost
        QCOMPARE(h.view.notices.last(), u"Not sent: no packet engine"_s);
        // The engine took the link with it: the channel ends, after all it had received.
        QCOMPARE(h.view.captions[0], u"Open"_s);
        QVERIFY(h.view.text(channelView(0)).startsWith(channelText));
        QVERIFY(h.view.text(channelView(0))
                    .contains("Link to N0BBB ended: the packet engine went away"_L1));
        FakeEngine restarted(nullptr, port);
        h.clock.when = h.clock.when.addSecs(3); // past the next try
        // Attaching goes on over several ticks; none of them waits for the engine.
        QVERIFY(tickUntil(h, [&] { return !h.state.engineLost; }) && !h.view.retryVisible);
        QCOMPARE(opening(restarted), QByteArray("mGXN0AAA"));
        h.station().onSendLineEnter(); // never into a link the new engine does not have
        QCOMPARE(h.view.notices.last(), u"Not sent: the link to N0BBB has ended"_s);
        QCOMPARE(h.view.sendLine, u"are you there?"_s);
        restarted.send(frame('C', "N0BBB", QByteArray("*** CONNECTED To Station N0BBB\r", 32)));
        QVERIFY(tickUntil(h, [&] { return h.view.captions[0] == u"N0BBB"_s; }));
        h.station().onSendLineEnter();
        QVERIFY(restarted.waitForFrames(3, 3000));
        QTRY_COMPARE(restarted.received().last().data, QByteArray("are you there?\r"));
        QCOMPARE(h.view.sendLine, QString());
    }
};

QTEST_GUILESS_MAIN(StationPartsTest)
#include "tst_station_parts.moc"
