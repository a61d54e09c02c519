#include "CloseOnSignal.h"
#include "EngineSwitch.h"
#include "MainWindow.h"
#include "QtPlatform.h"
#include "QtSeams.h"
#include "SettingsStore.h"
#include "Station.h"
#include "StationWiring.h"

#include <QAction>
#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(true);

    SettingsStore store;
    EngineSwitch engine(store.engineAddress(), store.kissParameters());
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
    QObject::connect(&engine, &EngineSwitch::bytesArrived, &station, &Station::onFramesArrived);

    // A session ending (logout, shutdown, kill) closes the station as File > Exit does.
    bool closing = false;
    closeOnTerminationSignals(&app, [&window, &closing] {
        closing = true;
        window.action(QStringLiteral("mnuExit"))->trigger();
    });
    if (!station.startUp())
        return 1; // another station works in this folder; nothing here was touched
    // A signal during start-up (a prompt's own loop ran it) leaves no loop to quit.
    const int rc = closing ? 0 : app.exec();
    pollTimer.stop();
    station.release();
    return rc;
}
