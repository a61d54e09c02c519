// The cost of announcements per connected line, with no screen reader listening: run it under
// callgrind with --announce=0 and --announce=2 and compare the instructions of the two runs.

#include "BenchSupport.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    useScratchConfigHome();
    const bool on = !app.arguments().contains(QStringLiteral("--announce=0"));
    Rig rig;
    rig.station->onMenuCheck(on ? MenuCheck::AnnounceLines : MenuCheck::AnnounceOff);
    rig.h.engine.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
    rig.h.engine.queue('c', "N0CCC", "*** CONNECTED To Station N0CCC\r"); // N0BBB goes behind
    rig.station->tick();
    constexpr int kLines = 20'000;
    for (int i = 0; i < kLines; ++i) {
        rig.h.engine.queue('D', "N0BBB",
                           "a connected line of traffic " + QByteArray::number(i) + "\r");
        rig.station->tick();
    }
    std::printf("%d lines, announce %s\n", kLines, on ? "2" : "0");
    return 0;
}
