// Cost of one poll tick that carries connected data, with the channel's view
// already holding a lot of text. Run on a release build:
//   build/bench/bench_tick -tickcounter   (or without arguments for wall time)

#include "BenchText.h"
#include "MainWindow.h"
#include "StationFakes.h"
#include "StationHarness.h"
#include "StationWiring.h"

#include <QtTest>

class TickBench : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useScratchConfigHome(); }

    void dataFrameTick_data() {
        QTest::addColumn<int>("viewBytes");
        QTest::newRow("empty view") << 0;
        QTest::newRow("1 MB view") << 1'000'000;
        QTest::newRow("10 MB view") << 10'000'000;
    }
    void dataFrameTick() {
        QFETCH(int, viewBytes);
        StationHarness h;
        MainWindow window;
        Station station(StationContext{h.state, window, h.engine, h.prompts, h.beeper, h.clock,
                                       h.timer, h.store});
        connectWindowToStation(window, station);
        h.state.programDir = h.programDir.path();
        h.state.moveToFront = false;
        station.channels().assign(0, QStringLiteral("N0BBB"), {});

        station.texts().append(TextView::Channel0, benchText(viewBytes));

        const QByteArray data = "The quick brown fox jumps over the lazy dog 0123456789\r";
        QBENCHMARK {
            h.engine.queue('D', "N0BBB", data);
            station.tick();
        }
    }
};

QTEST_MAIN(TickBench)
#include "bench_tick.moc"
