#include "AgwTcpLink.h"
#include "MainWindow.h"
#include "QtPlatform.h"
#include "QtSeams.h"
#include "SettingsStore.h"
#include "Station.h"
#include "StationWiring.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(true);

    SettingsStore store;
    AgwTcpLink engine(store.engineHost(), store.enginePort());
    StationState state;
    MainWindow window;
    QtPrompts prompts;
    prompts.setParentWidget(&window);
    QtBeeper beeper;
    SystemClock clock;
    Station* stationPtr = nullptr;
    QtPollTimer pollTimer([&stationPtr] {
        if (stationPtr)
            stationPtr->tick();
    });

    Station station(
        StationContext{state, window, engine, prompts, beeper, clock, pollTimer, store});
    stationPtr = &station;
    connectWindowToStation(window, station);
    QObject::connect(&engine, &AgwTcpLink::bytesArrived, &station, &Station::onFramesArrived);

    station.startUp();
    const int rc = app.exec();
    pollTimer.stop();
    station.release();
    return rc;
}
