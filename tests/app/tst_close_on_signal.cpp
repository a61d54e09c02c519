// The real program ended by the session (SIGTERM and its kin) closes as File > Exit does.

#include "FakeEngine.h"
#include "fakes/TestFiles.h"

#include <QtTest>
#include <csignal>

class CloseOnSignalTest : public QObject {
    Q_OBJECT
private slots:
    void terminationSavesWhatWasHeard() {
        for (const int signal : {SIGTERM, SIGHUP}) {
            FakeEngine engine;
            QTemporaryDir home, folder;
            QVERIFY(writeFileBytes(home.filePath("Wexlo_Software.ini"),
                                   "[Settings]\nUserPacketCallSign=N0AAA\nUserPacketConference=1\n"
                                   "[Engine]\nPort=" +
                                       QByteArray::number(engine.port())));
            qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit()); // ctest sets QT_QPA_PLATFORM
            QProcess station;
            station.setWorkingDirectory(folder.path());
            station.start(PM_STATION_BINARY, {});
            QVERIFY(station.waitForStarted() && engine.waitForFrames(2, 10000));
            // In conference, the station's line comes back to it: proof that it was taken in.
            engine.send({0, 'C', 0, "N0BBB", "N0AAA", "*** CONNECTED To Station N0BBB\r"});
            engine.send({0, 'D', 0xF0, "N0BBB", "N0AAA", "heard me?\r"});
            const auto echoed = [](const AgwFrame& f) { return f.data.contains("heard me?"); };
            QVERIFY(QTest::qWaitFor([&] { return std::ranges::any_of(engine.received(), echoed); },
                                    10000));
            ::kill(pid_t(station.processId()), signal);
            QVERIFY(station.waitForFinished(10000));
            // Heard.lst saved; the engine left registered, as Exit leaves it.
            QCOMPARE(std::tuple(signal, station.exitStatus(), station.exitCode(),
                                readFileBytes(folder.filePath("Heard.lst")).startsWith("N0BBB\t"),
                                std::ranges::count(engine.received(), 'x', &AgwFrame::kind)),
                     std::tuple(signal, QProcess::NormalExit, 0, true, std::ptrdiff_t(0)));
        }
    }
};

QTEST_MAIN(CloseOnSignalTest)
#include "tst_close_on_signal.moc"
