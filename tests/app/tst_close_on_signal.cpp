// The real program ended by the session (SIGTERM and its kin) closes as File > Exit does.

#include "FakeEngine.h"
#include "fakes/TestFiles.h"

#include <QtTest>
#include <csignal>

class CloseOnSignalTest : public QObject {
    Q_OBJECT
private slots:
    void terminationSavesWhatWasHeard_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void terminationSavesWhatWasHeard() {
        QFETCH(int, signal);
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
        QVERIFY(
            QTest::qWaitFor([&] { return std::ranges::any_of(engine.received(), echoed); }, 10000));
        ::kill(pid_t(station.processId()), signal);
        QVERIFY(station.waitForFinished(10000));
        QCOMPARE(std::pair(station.exitStatus(), station.exitCode()),
                 std::pair(QProcess::NormalExit, 0));
        QVERIFY(readFileBytes(folder.filePath("Heard.lst")).startsWith("N0BBB\t"));
        // The engine is left registered, as Exit leaves it.
        QVERIFY(std::ranges::none_of(engine.received(),
                                     [](const AgwFrame& f) { return f.kind == 'x'; }));
    }
};

QTEST_MAIN(CloseOnSignalTest)
#include "tst_close_on_signal.moc"
